// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The complete stand-in for /sbin/ifconfig on the simulated machine: prints what the real
// program would show for the devices of the machine file named by BRISVALE_SIMULATION, and
// what it says when asked wrongly. It only reads the file and never touches a real interface.
// The ifconfig installed under sbin answers the reader's usual run itself and hands every other
// one to this program.

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

// The interface type of the first service on the device; devices no service names get the
// type their name suggests.
QString deviceType(const SimulatedMachine &machine, const QString &device)
{
    for (const QJsonValue value : machine.services()) {
        const QJsonObject service = value.toObject();
        if (SimulatedMachine::serviceDevice(service) != device)
            continue;
        const QJsonValue type =
            service.value(QLatin1String("Interface")).toObject().value(QLatin1String("Type"));
        if (type.isString())
            return type.toString();
    }
    if (device.startsWith(QLatin1String("bridge")))
        return QStringLiteral("Bridge");
    if (device.startsWith(QLatin1String("vlan")))
        return QStringLiteral("VLAN");
    if (device.startsWith(QLatin1String("bond")))
        return QStringLiteral("Bond");
    return QStringLiteral("Ethernet");
}

// A locally administered address that stays the same for a device name from run to run.
QString derivedEther(const QString &device)
{
    quint64 hash = 14695981039346656037ull;
    for (const char byte : device.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 1099511628211ull;
    }
    QStringList octets;
    for (int i = 5; i >= 0; --i) {
        quint8 octet = quint8(hash >> (8 * i));
        if (i == 5)
            octet = quint8((octet & 0xfc) | 0x02);
        octets.append(QStringLiteral("%1").arg(octet, 2, 16, QLatin1Char('0')));
    }
    return octets.join(u':');
}

QString hex(quint32 value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

// "inet ..." for the first enabled service on the device that has an address right now.
QString inetLine(const SimulatedMachine &machine, const QString &device, const QDateTime &now)
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
        const std::optional<quint32> mask = SimulatedMachine::parseIPv4(
            live->value(QLatin1String("SubnetMasks")).toArray().at(0).toString());
        if (!mask)
            return QStringLiteral("\tinet %1 netmask 0xffffffff\n")
                .arg(SimulatedMachine::formatIPv4(*address));
        return QStringLiteral("\tinet %1 netmask %2 broadcast %3\n")
            .arg(SimulatedMachine::formatIPv4(*address), hex(*mask),
                 SimulatedMachine::formatIPv4(*address | ~*mask));
    }
    return {};
}

QString block(const SimulatedMachine &machine, const QString &device, const QDateTime &now)
{
    const SimulatedMachine::Link link = machine.link(device);
    const QString type = deviceType(machine, device);
    const bool running = link != SimulatedMachine::Link::inactive;

    QString text = device + QStringLiteral(": flags=");
    text += running ? QStringLiteral("8863<UP,BROADCAST,SMART,RUNNING,SIMPLEX,MULTICAST>")
                    : QStringLiteral("8823<UP,BROADCAST,SMART,SIMPLEX,MULTICAST>");
    text += QStringLiteral(" mtu 1500\n");

    if (type == QLatin1String("IEEE80211"))
        text +=
            QStringLiteral("\toptions=6460<TSO4,TSO6,CHANNEL_IO,PARTIAL_CSUM,ZEROINVERT_CSUM>\n");
    else if (type == QLatin1String("Bridge"))
        text += QStringLiteral("\toptions=63<RXCSUM,TXCSUM,TSO4,TSO6>\n");
    else if (type == QLatin1String("VLAN") || type == QLatin1String("Bond"))
        text += QStringLiteral("\toptions=3<RXCSUM,TXCSUM>\n");
    else
        text += QStringLiteral("\toptions=6463<RXCSUM,TXCSUM,TSO4,TSO6,CHANNEL_IO,PARTIAL_CSUM,"
                               "ZEROINVERT_CSUM>\n");

    const QJsonValue ether = machine.device(device).value(QLatin1String("ether"));
    text += QStringLiteral("\tether ") +
            (ether.isString() ? ether.toString() : derivedEther(device)) + u'\n';
    text += inetLine(machine, device, now);

    if (type == QLatin1String("Bridge")) {
        text += QStringLiteral("\tConfiguration:\n"
                               "\t\tid 0:0:0:0:0:0 priority 0 hellotime 0 fwddelay 0\n"
                               "\t\tmaxage 0 holdcnt 0 proto stp maxaddr 100 timeout 1200\n"
                               "\t\troot id 0:0:0:0:0:0 priority 0 ifcost 0 port 0\n"
                               "\t\tipfilter disabled flags 0x0\n");
    }
    text += QStringLiteral("\tnd6 options=201<PERFORMNUD,DAD>\n");

    switch (link) {
    case SimulatedMachine::Link::active:
        if (type == QLatin1String("Ethernet"))
            text += QStringLiteral("\tmedia: autoselect (1000baseT <full-duplex>)\n");
        else
            text += QStringLiteral("\tmedia: autoselect\n");
        text += QStringLiteral("\tstatus: active\n");
        break;
    case SimulatedMachine::Link::inactive:
        text += QStringLiteral("\tmedia: autoselect (none)\n\tstatus: inactive\n");
        break;
    case SimulatedMachine::Link::noStatus:
        break;
    }
    return text;
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
