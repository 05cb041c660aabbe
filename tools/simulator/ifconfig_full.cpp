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

QByteArray block(const PlainMachine &machine, const QString &device, qint64 nowMs)
{
    return QByteArray::fromStdString(
        IfconfigText::block(IfconfigText::describe(machine, device.toStdString(), nowMs)));
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

    const PlainMachine &plain = machine->plain();
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    if (!operands.isEmpty()) {
        const QString &device = operands.first();
        if (!plain.hasDevice(device.toStdString())) {
            print(stderr, QStringLiteral("ifconfig: interface %1 does not exist\n").arg(device));
            return 1;
        }
        print(stdout, block(plain, device, nowMs));
        return 0;
    }

    QStringList devices;
    for (const std::string &device : plain.deviceNames())
        devices.append(QString::fromStdString(device));
    std::sort(devices.begin(), devices.end(), deviceOrder);
    for (const QString &device : devices)
        print(stdout, block(plain, device, nowMs));
    return 0;
}
