// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "SimulatedMachine.h"
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

// The link sorts the reader tells apart; en4's service is switched off.
const QByteArray machineText = R"({ "services": [
  { "Interface": { "DeviceName": "en0" }, "IPv4": { "ConfigMethod": "Manual",
    "Addresses": ["192.168.1.20"], "SubnetMasks": ["255.255.255.0"] } },
  { "Interface": { "DeviceName": "en2" }, "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.1.0.2"] } },
  { "Interface": { "DeviceName": "bridge0" } },
  { "Interface": { "DeviceName": "en4" }, "Enabled": false,
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.0.0.4"] } } ],
  "devices": { "en0": { "link": "active", "ether": "3c:22:fb:10:20:30" },
    "en2": { "link": "inactive" }, "bridge0": { "link": "none" }, "en4": { "link": "active" } } })";

} // namespace

class tst_IfconfigStandIn : public QObject {
    Q_OBJECT

private slots:
    // ifconfig answers the reader's one-device run itself, without Qt, and hands every other run
    // to ifconfig-full. Either way it must say exactly what the complete program says. A copy of
    // the front alone, with no complete program beside it, shows which runs it answered itself.
    void runs_data()
    {
        QTest::addColumn<QByteArray>("machine"); // empty: BRISVALE_SIMULATION not set
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("present"); // in what it prints, on either stream
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<bool>("answeredHere");
        const auto row = [](const char *name, const QByteArray &machine,
                            const QStringList &arguments, int status, const QStringList &present,
                            const QStringList &absent, bool answeredHere) {
            QTest::newRow(name) << machine << arguments << status << present << absent
                                << answeredHere;
        };

        row("active", machineText, {"en0"}, 0,
            {"\nen0: flags=8863<UP,BROADCAST,SMART,RUNNING,", "\n\tether 3c:22:fb:10:20:30\n",
             "\n\tinet 192.168.1.20 netmask 0xffffff00 broadcast 192.168.1.255\n",
             "\n\tstatus: active\n"},
            {}, true);
        row("link down", machineText, {"en2"}, 0, {"\n\tstatus: inactive\n", "\n\tether "},
            {"RUNNING", "inet "}, true);
        row("no status line", machineText, {"bridge0"}, 0, {"RUNNING"}, {"status:"}, true);
        row("every device", machineText, {"-a"}, 0,
            {"\nen0: flags=", "\nen2: flags=", "\nbridge0: flags=", "\nen4: flags="}, {}, false);
        row("nothing asked", machineText, {}, 0, {"\nen0: flags=", "\nen4: flags="}, {}, false);
        row("unknown device", machineText, {"en9"}, 1, {"ifconfig: interface en9 does not exist\n"},
            {}, false);
        row("changes are not simulated", machineText, {"en0", "down"}, 1, {"ifconfig: "}, {},
            false);
        row("variable not set", {}, {"en0"}, 1, {"ifconfig: BRISVALE_SIMULATION is not set"}, {},
            false);

        QFile demo(TestSupport::demoMachinePath());
        QVERIFY(demo.open(QIODevice::ReadOnly));
        const QByteArray demoText = demo.readAll();
        for (const QString &device :
             QJsonDocument::fromJson(demoText).object().value("devices").toObject().keys())
            QTest::addRow("demo %s", qPrintable(device))
                << demoText << QStringList{device} << 0 << QStringList{'\n' + device + ": flags="}
                << QStringList() << true;

        // The form of change time the stand-ins write (the demo's) is read here; others are Qt's.
        row("change time with an offset",
            R"({ "services": [ { "ChangedAt": "2025-09-15T09:42:10+02:00", "Interface": {
               "DeviceName": "en3" }, "IPv4": { "ConfigMethod": "DHCP" } } ], "devices": {
               "en3": { "network": "lan" } }, "networks": { "lan": { "subnet": "10.0.0.0/8",
               "dhcp": { "first": "10.0.0.5", "last": "10.0.0.5" } } } })",
            {"en3"}, 0, {"\n\tinet 10.0.0.5 "}, {}, false);
        // A file Qt refuses is Qt's to explain.
        row("not JSON", R"({ "services": [ )", {"en0"}, 1, {"fin de fichier inattendue"}, {},
            false);
    }

    void runs()
    {
        QFETCH(QByteArray, machine);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QFETCH(bool, answeredHere);

        const QTemporaryDir dir;
        const QString path = machine.isEmpty() ? QString() : dir.filePath("machine.json");
        QFile file(path);
        QVERIFY(path.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(machine) > 0));
        file.close();
        const QString sbin = TestSupport::simRoot() + "/sbin/";
        const QString alone = dir.filePath("ifconfig");
        QVERIFY(QFile::copy(sbin + "ifconfig", alone));

        const Run front = run(sbin + "ifconfig", arguments, path);
        const Run complete = run(sbin + "ifconfig-full", arguments, path);
        QCOMPARE(front.output, complete.output);
        QCOMPARE(front.error, complete.error);
        QCOMPARE(front.status, complete.status);
        QCOMPARE(front.status, status);
        QCOMPARE(front.output.isEmpty(), status != 0);
        const QString printed = '\n' + front.output + front.error;
        for (const QString &text : present)
            QVERIFY2(printed.contains(text), qPrintable(text + " not in\n" + printed));
        for (const QString &text : absent)
            QVERIFY2(!printed.contains(text), qPrintable(text + " in\n" + printed));

        const Run lone = run(alone, arguments, path);
        if (answeredHere)
            QCOMPARE(lone.output, complete.output);
        else
            QVERIFY2(lone.error.contains("cannot run"), lone.output + lone.error);
    }
};

QTEST_GUILESS_MAIN(tst_IfconfigStandIn)
#include "tst_IfconfigStandIn.moc"
