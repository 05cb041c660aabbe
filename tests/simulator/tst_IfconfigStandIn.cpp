// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "platform/simulated/SimulatedMachine.h"
#include "support/TestSupport.h"
#include "system/Shell.h"
#include "system/SystemTools.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

// The link sorts the reader tells apart; en4's service is switched off.
const char *const machineText = R"({ "services": [
  { "Interface": { "DeviceName": "en0" }, "IPv4": { "ConfigMethod": "Manual",
    "Addresses": ["192.168.1.20"], "SubnetMasks": ["255.255.255.0"] } },
  { "Interface": { "DeviceName": "en2" }, "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.1.0.2"] } },
  { "Interface": { "DeviceName": "bridge0" } },
  { "Interface": { "DeviceName": "en4" }, "Enabled": false,
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.0.0.4"] } } ],
  "devices": { "en0": { "link": "active", "ether": "3c:22:fb:10:20:30" },
    "en2": { "link": "inactive" }, "bridge0": { "link": "none" }, "en4": { "link": "active" } } })";

class tst_IfconfigStandIn : public QObject {
    Q_OBJECT

private slots:
    void runs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("present"); // in what it prints, on either stream
        QTest::addColumn<QStringList>("absent");

        const auto row = [](const char *name, const QStringList &arguments, int status,
                            const QStringList &present, const QStringList &absent = {}) {
            QTest::newRow(name) << arguments << status << present << absent;
        };

        row("active", {"en0"}, 0,
            {"\nen0: flags=8863<UP,BROADCAST,SMART,RUNNING,", "\n\tether 3c:22:fb:10:20:30\n",
             "\n\tinet 192.168.1.20 netmask 0xffffff00 broadcast 192.168.1.255\n",
             "\n\tstatus: active\n"});
        row("link down", {"en2"}, 0, {"\n\tstatus: inactive\n", "\n\tether "},
            {"RUNNING", "inet "});
        row("no status line", {"bridge0"}, 0, {"RUNNING"}, {"status:"});
        row("disabled service publishes no address", {"en4"}, 0, {"\tstatus: active\n"}, {"inet "});
        row("every device", {"-a"}, 0,
            {"\nen0: flags=", "\nen2: flags=", "\nbridge0: flags=", "\nen4: flags="});
        row("unknown device", {"en9"}, 1, {"ifconfig: interface en9 does not exist\n"});
        row("changes are not simulated", {"en0", "down"}, 1, {"ifconfig: "});
        row("variable not set", {"en0"}, 1, {"ifconfig: BRISVALE_SIMULATION is not set"});
    }

    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);

        const QTemporaryDir dir;
        const QString path =
            TestSupport::writeMachine(dir, QJsonDocument::fromJson(machineText).object());
        if (QTest::currentDataTag() == QLatin1String("variable not set"))
            qunsetenv(SimulatedMachine::environmentVariable);
        else
            qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
        const CommandResult result =
            Shell::run(SystemTools(TestSupport::simRoot()).ifconfig(), arguments);
        QCOMPARE(result.status, status);
        QCOMPARE(result.output.isEmpty(), status != 0);
        const QString printed = '\n' + result.output + result.error;
        for (const QString &text : present)
            QVERIFY2(printed.contains(text), qPrintable(text + " not in\n" + printed));
        for (const QString &text : absent)
            QVERIFY2(!printed.contains(text), qPrintable(text + " in\n" + printed));
    }
};

QTEST_GUILESS_MAIN(tst_IfconfigStandIn)
#include "tst_IfconfigStandIn.moc"
