// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The complete stand-in for /sbin/ifconfig on the simulated machine: prints what the real
// program would show for the devices of the machine file named by BRISVALE_SIMULATION, and
// what it says when asked wrongly. It only reads the file and never touches a real interface.
// The ifconfig installed under sbin answers the reader's usual run itself and hands every other
// one to this program.

#include "IfconfigText.h"
#include "StandIn.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

using StandIn::print;

int usage(const QString &message)
{
    print(stderr, message + QStringLiteral("\nusage: ifconfig [-a] [interface]\n"));
    return 1;
}

IfconfigText::Link linkOf(SimulatedMachine::Link link)
{
    switch (link) {
    case SimulatedMachine::Link::active:
        return IfconfigText::Link::active;
    case SimulatedMachine::Link::inactive:
        return IfconfigText::Link::inactive;
    case SimulatedMachine::Link::noStatus:
        break;
    }
    return IfconfigText::Link::noStatus;
}

// The interface type of the first service on the device that names one.
std::optional<std::string> serviceType(const SimulatedMachine &machine, const QString &device)
{
    for (const QJsonValue value : machine.services()) {
        const QJsonObject service = value.toObject();
        if (SimulatedMachine::serviceDevice(service) != device)
            continue;
        const QJsonValue type =
            service.value(QLatin1String("Interface")).toObject().value(QLatin1String("Type"));
        if (type.isString())
            return type.toString().toStdString();
    }
    return std::nullopt;
}

// "inet ..." for the first enabled service on the device that has an address right now.
std::string inetLine(const SimulatedMachine &machine, const QString &device, const QDateTime &now)
{
    for (const QJsonValue value : machine.services()) {
        const QJsonObject service = value.toObject();
        if (SimulatedMachine::serviceDevice(service) != device)
            continue;
        const std::optional<QJsonObject> live = machine.liveIPv4(service, now);
        if (!live)
            continue;
        const std::optional<quint32> address = SimulatedMachine::parseIPv4(
            live->value(QLatin1String("Addresses")).toArray().at(0).toString());
        if (!address)
            continue;
        return IfconfigText::inetLine(
            *address, SimulatedMachine::parseIPv4(
                          live->value(QLatin1String("SubnetMasks")).toArray().at(0).toString()));
    }
    return {};
}

QByteArray block(const SimulatedMachine &machine, const QString &device, const QDateTime &now)
{
    const QJsonValue ether = machine.device(device).value(QLatin1String("ether"));
    return QByteArray::fromStdString(IfconfigText::block({
        .name = device.toStdString(),
        .link = linkOf(machine.link(device)),
        .serviceType = serviceType(machine, device),
        .ether = ether.isString() ? std::optional(ether.toString().toStdString()) : std::nullopt,
        .inet = inetLine(machine, device, now),
    }));
}

// en2 before en10, as the system numbers them.
bool deviceOrder(const QString &a, const QString &b)
{
    const auto split = [](const QString &name) {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        return std::pair(name.left(digits), name.mid(digits).toULongLong());
    };
    return split(a) < split(b);
}

} // namespace

int main(int argc, char **argv)
{
    bool all = false;
    QStringList operands;
    for (const QString &argument : StandIn::start(argc, argv)) {
        if (!argument.startsWith(u'-') || argument.size() < 2) {
            operands.append(argument);
            continue;
        }
        for (const QChar option : QStringView(argument).mid(1)) {
            if (option == u'a')
                all = true;
            else
                return usage(QStringLiteral("ifconfig: illegal option -- ") + option);
        }
    }
    if (all && !operands.isEmpty())
        return usage(QStringLiteral("ifconfig: -a takes no interface"));
    if (operands.size() > 1) {
        print(stderr, QStringLiteral("ifconfig: the simulated machine cannot change an "
                                     "interface's settings\n"));
        return 1;
    }

    const std::optional<SimulatedMachine> machine =
        StandIn::loadMachine(QStringLiteral("ifconfig: "), QStringLiteral("read"));
    if (!machine)
        return 1;

    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!operands.isEmpty()) {
        const QString &device = operands.first();
        if (!machine->hasDevice(device)) {
            print(stderr, QStringLiteral("ifconfig: interface %1 does not exist\n").arg(device));
            return 1;
        }
        print(stdout, block(*machine, device, now));
        return 0;
    }

    QStringList devices = machine->deviceNames();
    std::sort(devices.begin(), devices.end(), deviceOrder);
    for (const QString &device : devices)
        print(stdout, block(*machine, device, now));
    return 0;
}
