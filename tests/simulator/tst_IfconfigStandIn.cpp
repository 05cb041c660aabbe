// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "Shell.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int status = -1;
    QByteArray output;
    QByteArray error;
};

// One run with the machine file as given, byte for byte; an empty path leaves the variable out.
Run run(const QString &program, const QStringList &arguments, const QString &machinePath)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QLatin1String(SimulatedMachine::environmentVariable));
    if (!machinePath.isEmpty())
        environment.insert(QLatin1String(SimulatedMachine::environmentVariable), machinePath);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

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

    // ifconfig answers the reader's one-device run itself, without Qt, and hands every other run
    // to ifconfig-full. Either way it must say exactly what the complete program says. A copy of
    // the front alone, with no complete program beside it, shows which runs it answered itself.
    void answersAsTheCompleteProgram_data()
    {
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("answeredHere");

        QFile demo(TestSupport::demoMachinePath());
        QVERIFY(demo.open(QIODevice::ReadOnly));
        const QByteArray demoText = demo.readAll();
        for (const QString &device :
             QJsonDocument::fromJson(demoText).object().value("devices").toObject().keys())
            QTest::addRow("demo %s", qPrintable(device)) << demoText << QStringList{device} << true;

        const auto row = [](const char *name, const char *machine, const QStringList &arguments,
                            bool answeredHere) {
            QTest::newRow(name) << QByteArray(machine) << arguments << answeredHere;
        };
        const char *const lan = R"("networks": { "lan": { "subnet": "192.168.7.0/24",
            "router": "192.168.7.1", "dhcp": { "first": "192.168.7.100", "last": "192.168.7.199",
            "delayMs": 2000 } } })";
        const auto dhcp = [lan](const char *service, const char *device = R"("network": "lan")") {
            return QByteArray(R"({ "services": [ { "UserDefinedName": "Café \u00e9",
                "Interface": { "DeviceName": "en3" }, "IPv4": { "ConfigMethod": "DHCP" } )") +
                   service + R"( } ], "devices": { "en3": { )" + device + " } }, " + lan + " }";
        };
        QTest::newRow("lease from the range") << dhcp("") << QStringList{"en3"} << true;
        QTest::newRow("lease changed long ago")
            << dhcp(R"(, "ChangedAt": "2025-09-15T07:42:10.000Z")") << QStringList{"en3"} << true;
        QTest::newRow("lease changed, no milliseconds")
            << dhcp(R"(, "ChangedAt": "2025-09-15T07:42:10Z")") << QStringList{"en3"} << true;
        QTest::newRow("lease not yet given")
            << dhcp(R"(, "ChangedAt": "2999-01-01T00:00:00.000Z")") << QStringList{"en3"} << true;
        QTest::newRow("lease the device keeps")
            << dhcp("", R"("network": "lan", "lease": "192.168.7.42")") << QStringList{"en3"}
            << true;
        QTest::newRow("lease that is no address")
            << dhcp("", R"("network": "lan", "lease": "soon")") << QStringList{"en3"} << true;
        QTest::newRow("change time with an offset")
            << dhcp(R"(, "ChangedAt": "2025-09-15T09:42:10+02:00")") << QStringList{"en3"} << false;
        QTest::newRow("change time that is no date")
            << dhcp(R"(, "ChangedAt": "2025-02-30T07:42:10.000Z")") << QStringList{"en3"} << false;

        row("manual without a mask",
            R"({ "services": [ { "Interface": { "DeviceName": "en0", "Type": "" },
               "IPv4": { "ConfigMethod": "Manual", "Addresses": ["010.1.1.9"] } } ],
               "devices": { "en0": {} } })",
            {"en0"}, true);
        row("manual mask of the wrong type",
            R"({ "services": [ { "Interface": { "DeviceName": "en0" }, "IPv4": {
               "ConfigMethod": "Manual", "Addresses": [7, "10.0.0.2"], "SubnetMasks": "x" } },
               { "Interface": { "DeviceName": "en0", "Type": "IEEE80211" }, "IPv4": {
               "ConfigMethod": "Manual", "Addresses": ["10.0.0.3 "], "SubnetMasks": [] } },
               { "Interface": { "DeviceName": "en0" }, "IPv4": { "ConfigMethod": "BOOTP" } },
               { "Interface": { "DeviceName": "en0" }, "IPv4": { "ConfigMethod": "Manual",
               "Addresses": ["10.0.0.4"], "SubnetMasks": ["255.255.0.0"] } } ],
               "devices": { "en0": { "link": "none", "ether": "02:00:00:00:00:01" } } })",
            {"en0"}, true);
        row("switched off, link down, no service",
            R"({ "services": [ { "Enabled": false, "Interface": { "DeviceName": "bond0" },
               "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.0.0.2"] } } ],
               "devices": { "bond0": { "link": "inactive" }, "vlan3": {} } })",
            {"bond0"}, true);
        row("fraction of a millisecond",
            R"({ "services": [ { "Interface": { "DeviceName": "en3" }, "IPv4": {
               "ConfigMethod": "DHCP" } } ], "devices": { "en3": { "network": "lan" } },
               "networks": { "lan": { "subnet": "10.0.0.0/8", "dhcp": { "first": "10.0.0.5",
               "last": "10.0.0.5", "delayMs": 0.5 } } } })",
            {"en3"}, false);
        row("name given twice",
            R"({ "services": [], "devices": { "en0": {}, "en0": { "link": "none" } } })", {"en0"},
            false);
        row("not JSON", R"({ "services": [ )", {"en0"}, false);
        row("byte order mark", "\xEF\xBB\xBF{ \"services\": [], \"devices\": { \"en0\": {} } }",
            {"en0"}, false);
        row("misspelt link", R"({ "services": [], "devices": { "en0": { "link": "up" } } })",
            {"en0"}, false);
        row("delay over an hour",
            R"({ "services": [], "devices": { "en0": {} }, "networks": { "lan": { "dhcp": {
               "delayMs": 3600001 } } } })",
            {"en0"}, false);
        row("unknown device", R"({ "services": [], "devices": { "en0": {} } })", {"en9"}, false);
        row("every device", R"({ "services": [], "devices": { "en0": {}, "en1": {} } })", {"-a"},
            false);
        row("nothing asked", R"({ "services": [], "devices": { "en0": {} } })", {}, false);
    }

    void answersAsTheCompleteProgram()
    {
        QFETCH(QByteArray, machine);
        QFETCH(QStringList, arguments);
        QFETCH(bool, answeredHere);

        const QTemporaryDir dir;
        const QString path = dir.filePath("machine.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(machine);
        file.close();
        const QString sbin = TestSupport::simRoot() + "/sbin/";
        const QString alone = dir.filePath("ifconfig");
        QVERIFY(QFile::copy(sbin + "ifconfig", alone));

        const Run complete = run(sbin + "ifconfig-full", arguments, path);
        const Run front = run(sbin + "ifconfig", arguments, path);
        QCOMPARE(front.output, complete.output);
        QCOMPARE(front.error, complete.error);
        QCOMPARE(front.status, complete.status);
        const Run lone = run(alone, arguments, path);
        if (answeredHere) {
            QCOMPARE(lone.output, complete.output);
            QCOMPARE(lone.status, 0);
        } else {
            QVERIFY2(lone.error.contains("cannot run"), lone.output + lone.error);
        }
    }
};

QTEST_GUILESS_MAIN(tst_IfconfigStandIn)
#include "tst_IfconfigStandIn.moc"
