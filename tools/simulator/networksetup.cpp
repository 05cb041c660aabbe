// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Stand-in for /usr/sbin/networksetup on the simulated machine: the four changes Brisvale makes,
// the list of services and a service's DNS servers, on the machine file named by
// BRISVALE_SIMULATION. Like the real program, which needs root for a change, it changes nothing
// unless the osascript stand-in has lent it administrator rights (the privilege marker in its
// environment). The only program that writes the machine file, hence the writer beside it.

#include "IPv4.h"
#include "MachineWriter.h"
#include "StandIn.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

// The real program's exit statuses, which callers and users may know by number.
constexpr int parametersNotValidStatus = 4;
constexpr int needsAdministratorStatus = 14;
// A machine file that cannot be read or written is no answer the real program ever gives.
constexpr int machineProblemStatus = 1;

struct Command {
    const char *name;
    int operands; // at least that many when more are welcome
    const char *usage;
    bool changes;
    bool more = false;
};

const Command commands[] = {
    {"-setmanual", 4, "Usage: networksetup -setmanual <networkservice> <ip> <subnet> <router>",
     true},
    {"-setdhcp", 1, "Usage: networksetup -setdhcp <networkservice>", true},
    {"-setnetworkserviceenabled", 2,
     "Usage: networksetup -setnetworkserviceenabled <networkservice> <on off>", true},
    {"-setdnsservers", 2, "Usage: networksetup -setdnsservers <networkservice> <dns1> [dns2] [...]",
     true, true},
    {"-listallnetworkservices", 0, "Usage: networksetup -listallnetworkservices", false},
    {"-getdnsservers", 1, "Usage: networksetup -getdnsservers <networkservice>", false},
};

using StandIn::print;

// The real program reports every refused invocation on standard output, not standard error.
int parametersNotValid(const QString &reason)
{
    print(stdout, reason + QStringLiteral("\n** Error: The parameters were not valid.\n"));
    return parametersNotValidStatus;
}

QString shown(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("(empty)") : value;
}

qsizetype serviceIndex(const QJsonArray &services, const QString &name)
{
    for (qsizetype i = 0; i < services.size(); ++i) {
        const QJsonValue userDefinedName =
            services.at(i).toObject().value(QLatin1String("UserDefinedName"));
        if (userDefinedName.isString() && userDefinedName.toString() == name)
            return i;
    }
    return -1;
}

QString notRecognized(const QString &serviceName)
{
    return QStringLiteral("%1 is not a recognized network service.").arg(serviceName);
}

// A DNS server may be an IPv6 address too, in any of its written forms.
bool isServerAddress(const QString &text)
{
    return SimulatedMachine::parseIPv4(text) || IPv4::isIPv6(text);
}

// What a change does to the service once it is found: false and a reason when a value is
// refused.
using ServiceChange = std::function<bool(QJsonObject &service, QString *reason)>;

// The list with its first entry replaced by `first`, or `first` alone where the service was
// not manual: its addresses then were none of the card's.
QJsonArray withFirst(const QJsonObject &ipv4, const char *key, const QString &first)
{
    QJsonArray list;
    if (ipv4.value(QLatin1String("ConfigMethod")).toString() == QLatin1String("Manual"))
        list = ipv4.value(QLatin1String(key)).toArray();
    if (list.isEmpty())
        list.append(first);
    else
        list.replace(0, first);
    return list;
}

QJsonObject manualIPv4(const QJsonObject &before, const QString &ip, const QString &mask,
                       const QString &router)
{
    // "0.0.0.0" is kept as it was given: the reader is the one that knows it means no router.
    // A manual service's other addresses stay as they were.
    return QJsonObject{
        {QStringLiteral("ConfigMethod"), QStringLiteral("Manual")},
        {QStringLiteral("Addresses"), withFirst(before, "Addresses", ip)},
        {QStringLiteral("SubnetMasks"), withFirst(before, "SubnetMasks", mask)},
        {QStringLiteral("Router"), router},
    };
}

std::optional<ServiceChange> changeFor(const QString &command, const QStringList &operands)
{
    if (command == QLatin1String("-setmanual")) {
        const QString ip = operands.at(1);
        const QString mask = operands.at(2);
        const QString router = operands.at(3);
        return [ip, mask, router](QJsonObject &service, QString *reason) {
            // An empty router is refused like any other word that is not an address; the
            // caller then sends 0.0.0.0.
            if (!SimulatedMachine::parseIPv4(ip))
                *reason = QStringLiteral("Invalid IP address: ") + shown(ip);
            else if (!SimulatedMachine::parseIPv4(mask))
                *reason = QStringLiteral("Invalid subnet mask: ") + shown(mask);
            else if (!SimulatedMachine::parseIPv4(router))
                *reason = QStringLiteral("Invalid router address: ") + shown(router);
            else
                service.insert(
                    QLatin1String("IPv4"),
                    manualIPv4(service.value(QLatin1String("IPv4")).toObject(), ip, mask, router));
            return reason->isEmpty();
        };
    }
    if (command == QLatin1String("-setdhcp")) {
        return [](QJsonObject &service, QString *) {
            service.insert(QLatin1String("IPv4"),
                           QJsonObject{{QStringLiteral("ConfigMethod"), QStringLiteral("DHCP")}});
            return true;
        };
    }
    if (command == QLatin1String("-setdnsservers")) {
        const QStringList servers = operands.sliced(1);
        return [servers](QJsonObject &service, QString *reason) {
            if (servers.size() == 1 &&
                servers.first().compare(QLatin1String("Empty"), Qt::CaseInsensitive) == 0) {
                service.remove(QLatin1String("DNS"));
                return true;
            }
            for (const QString &server : servers) {
                if (!isServerAddress(server)) {
                    *reason = QStringLiteral("%1 is not a valid IP address.").arg(shown(server));
                    return false;
                }
            }
            service.insert(QLatin1String("DNS"),
                           QJsonObject{{QStringLiteral("ServerAddresses"),
                                        QJsonArray::fromStringList(servers)}});
            return true;
        };
    }
    if (command == QLatin1String("-setnetworkserviceenabled")) {
        const QString state = operands.at(1);
        return [state](QJsonObject &service, QString *reason) {
            if (state != QLatin1String("on") && state != QLatin1String("off")) {
                *reason = QStringLiteral("Invalid state: %1 (use on or off)").arg(shown(state));
                return false;
            }
            service.insert(QLatin1String("Enabled"), state == QLatin1String("on"));
            return true;
        };
    }
    return std::nullopt;
}

int change(const QString &path, const QString &serviceName, const ServiceChange &serviceChange)
{
    const QString changedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    const auto apply = [&](QJsonObject &root, QString *reason) {
        QJsonArray services = root.value(QLatin1String("services")).toArray();
        const qsizetype index = serviceIndex(services, serviceName);
        if (index < 0) {
            *reason = notRecognized(serviceName);
            return false;
        }
        QJsonObject service = services.at(index).toObject();
        if (!serviceChange(service, reason))
            return false;
        // A DHCP lease arrives a network's delay after this moment.
        service.insert(QLatin1String("ChangedAt"), changedAt);
        services.replace(index, service);
        root.insert(QLatin1String("services"), services);
        return true;
    };

    QString problem;
    switch (MachineWriter::update(path, apply, &problem)) {
    case MachineWriter::Result::written:
        return 0;
    case MachineWriter::Result::refused:
        return parametersNotValid(problem);
    case MachineWriter::Result::failed:
        break;
    }
    print(stderr, QStringLiteral("networksetup: ") + problem + u'\n');
    return machineProblemStatus;
}

int listAllNetworkServices()
{
    const std::optional<SimulatedMachine> machine =
        StandIn::loadMachine(QStringLiteral("networksetup: "), QStringLiteral("work on"));
    if (!machine)
        return machineProblemStatus;
    QString text = QStringLiteral("An asterisk (*) denotes that a network service is disabled.\n");
    for (const QJsonValue value : machine->services()) {
        const QJsonObject service = value.toObject();
        const QJsonValue name = service.value(QLatin1String("UserDefinedName"));
        if (!name.isString())
            continue;
        const QJsonValue enabled = service.value(QLatin1String("Enabled"));
        if (enabled.isBool() && !enabled.toBool())
            text += u'*';
        text += name.toString() + u'\n';
    }
    print(stdout, text);
    return 0;
}

// As the configuration has them, one a line; an entry that is not text is no server.
int getDnsServers(const QString &serviceName)
{
    const std::optional<SimulatedMachine> machine =
        StandIn::loadMachine(QStringLiteral("networksetup: "), QStringLiteral("work on"));
    if (!machine)
        return machineProblemStatus;
    const qsizetype index = serviceIndex(machine->services(), serviceName);
    if (index < 0)
        return parametersNotValid(notRecognized(serviceName));
    QString text;
    const QJsonValue servers =
        machine->services().at(index)[QLatin1String("DNS")][QLatin1String("ServerAddresses")];
    for (const QJsonValue server : servers.toArray()) {
        if (server.isString())
            text += server.toString() + u'\n';
    }
    if (text.isEmpty())
        text = QStringLiteral("There aren't any DNS Servers set on %1.\n").arg(serviceName);
    print(stdout, text);
    return 0;
}

QString allUsages()
{
    QStringList lines;
    for (const Command &command : commands)
        lines.append(QString::fromLatin1(command.usage));
    return lines.join(u'\n');
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList arguments = StandIn::start(argc, argv);
    if (arguments.isEmpty())
        return parametersNotValid(allUsages());

    const Command *command = nullptr;
    for (const Command &candidate : commands) {
        if (arguments.first() == QLatin1String(candidate.name))
            command = &candidate;
    }
    if (!command)
        return parametersNotValid(
            QStringLiteral("%1 is not a command of the simulated networksetup.\n")
                .arg(shown(arguments.first())) +
            allUsages());
    const QStringList operands = arguments.mid(1);
    if (operands.size() < command->operands ||
        (operands.size() > command->operands && !command->more))
        return parametersNotValid(QString::fromLatin1(command->usage));

    if (command->changes && qgetenv(SimulatedMachine::privilegeVariable) != "1") {
        print(stdout, QStringLiteral("** Error: Command requires admin privileges.\n"));
        return needsAdministratorStatus;
    }

    if (arguments.first() == QLatin1String("-listallnetworkservices"))
        return listAllNetworkServices();
    if (arguments.first() == QLatin1String("-getdnsservers"))
        return getDnsServers(operands.first());
    const QString path =
        StandIn::machinePath(QStringLiteral("networksetup: "), QStringLiteral("work on"));
    if (path.isEmpty())
        return machineProblemStatus;
    return change(path, operands.first(), *changeFor(arguments.first(), operands));
}
