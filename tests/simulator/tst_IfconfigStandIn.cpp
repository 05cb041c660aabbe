#include "platform/simulated/SimulatedMachine.h"
#include "support/TestSupport.h"
#include "system/Shell.h"
#include "system/SystemTools.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One device of each sort the reader meets; en4 has a service that is switched off.
const char *const machineText = R"({
    "services": [
        { "ServiceID": "A", "UserDefinedName": "Ethernet",
          "Interface": { "DeviceName": "en0", "Type": "Ethernet" },
          "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.20"],
                    "SubnetMasks": ["255.255.255.0"], "Router": "192.168.1.1" } },
        { "ServiceID": "B", "UserDefinedName": "Wi-Fi",
          "Interface": { "DeviceName": "en1", "Type": "IEEE80211" },
          "IPv4": { "ConfigMethod": "DHCP" } },
        { "ServiceID": "C", "UserDefinedName": "USB",
          "Interface": { "DeviceName": "en2", "Type": "Ethernet" },
          "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.1.0.2"],
                    "SubnetMasks": ["255.255.0.0"] } },
        { "ServiceID": "D", "UserDefinedName": "Pont",
          "Interface": { "DeviceName": "bridge0", "Type": "Bridge" } },
        { "ServiceID": "E", "UserDefinedName": "Dock", "Enabled": false,
          "Interface": { "DeviceName": "en4", "Type": "Ethernet" },
          "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.50"],
                    "SubnetMasks": ["255.255.255.0"] } },
        { "ServiceID": "F", "UserDefinedName": "Rapide",
          "Interface": { "DeviceName": "en10", "Type": "Ethernet" },
          "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.9.8.7"],
                    "SubnetMasks": ["bad mask"] } }
    ],
    "devices": {
        "en0": { "link": "active", "ether": "3c:22:fb:10:20:30" },
        "en1": { "network": "maison", "lease": "192.168.0.42" },
        "en2": { "link": "inactive" },
        "bridge0": { "link": "none" },
        "en4": { "link": "active" },
        "en10": { "link": "active" }
    },
    "networks": {
        "maison": { "subnet": "192.168.0.0/24", "router": "192.168.0.254",
                    "dhcp": { "delayMs": 0, "first": "192.168.0.10", "last": "192.168.0.99" } }
    }
})";

QString ifconfig()
{
    return SystemTools(TestSupport::simRoot()).ifconfig();
}

} // namespace

class tst_IfconfigStandIn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_machine = TestSupport::writeMachine(m_dir, QJsonDocument::fromJson(machineText).object());
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(m_machine));
    }

    void init() { qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(m_machine)); }

    void activeEthernetLooksLikeTheRealOne()
    {
        const CommandResult result = Shell::run(ifconfig(), {QStringLiteral("en0")});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.output,
                 QStringLiteral(
                     "en0: flags=8863<UP,BROADCAST,SMART,RUNNING,SIMPLEX,MULTICAST> mtu 1500\n"
                     "\toptions=6463<RXCSUM,TXCSUM,TSO4,TSO6,CHANNEL_IO,PARTIAL_CSUM,"
                     "ZEROINVERT_CSUM>\n"
                     "\tether 3c:22:fb:10:20:30\n"
                     "\tinet 192.168.1.20 netmask 0xffffff00 broadcast 192.168.1.255\n"
                     "\tnd6 options=201<PERFORMNUD,DAD>\n"
                     "\tmedia: autoselect (1000baseT <full-duplex>)\n"
                     "\tstatus: active\n"));
    }

    void devices_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");

        QTest::newRow("Wi-Fi with a lease")
            << "en1"
            << QStringList{"RUNNING",
                           "\tinet 192.168.0.42 netmask 0xffffff00 broadcast "
                           "192.168.0.255\n",
                           "\tmedia: autoselect\n", "\tstatus: active\n"}
            << QStringList{"1000baseT"};
        QTest::newRow("link down, address configured")
            << "en2"
            << QStringList{"flags=8823<UP,BROADCAST,SMART,SIMPLEX,MULTICAST>",
                           "\tmedia: autoselect (none)\n", "\tstatus: inactive\n"}
            << QStringList{"RUNNING", "inet ", "status: active"};
        QTest::newRow("bridge without status line")
            << "bridge0" << QStringList{"RUNNING", "\tConfiguration:\n"}
            << QStringList{"status:", "media:", "inet "};
        QTest::newRow("disabled service publishes no address")
            << "en4" << QStringList{"\tstatus: active\n"} << QStringList{"inet "};
        QTest::newRow("address without a usable mask")
            << "en10" << QStringList{"\tinet 10.9.8.7 netmask 0xffffffff\n"}
            << QStringList{"broadcast"};
    }

    void devices()
    {
        QFETCH(QString, device);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);

        const CommandResult result = Shell::run(ifconfig(), {device});
        QCOMPARE(result.status, 0);
        QVERIFY(result.output.startsWith(device + QStringLiteral(": flags=")));
        for (const QString &text : present)
            QVERIFY2(result.output.contains(text), qPrintable(text + " in\n" + result.output));
        for (const QString &text : absent)
            QVERIFY2(!result.output.contains(text), qPrintable(text + " in\n" + result.output));
        // Every device has a hardware address, made up when the file gives none.
        QVERIFY(result.output.contains(
            QRegularExpression(QStringLiteral("\n\tether ([0-9a-f]{2}:){5}[0-9a-f]{2}\n"))));
    }

    void everyDeviceWithoutArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");

        const QString blocks = "bridge0 en0 en1 en2 en4 en10";
        QTest::newRow("no argument") << QStringList() << blocks;
        QTest::newRow("-a") << QStringList{"-a"} << blocks;
    }

    void everyDeviceWithoutArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);

        const CommandResult result = Shell::run(ifconfig(), arguments);
        QCOMPARE(result.status, 0);
        QStringList names;
        const QRegularExpression header(QStringLiteral("^(\\w+): flags="),
                                        QRegularExpression::MultilineOption);
        for (const QRegularExpressionMatch &match : header.globalMatch(result.output))
            names.append(match.captured(1));
        QCOMPARE(names.join(u' '), expected);
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("machine");
        // Start of the message on standard error.
        QTest::addColumn<QString>("error");

        QTest::newRow("unknown device")
            << QStringList{"en9"} << QByteArray() << "ifconfig: interface en9 does not exist\n";
        QTest::newRow("unknown option") << QStringList{"-x", "en0"} << QByteArray()
                                        << "ifconfig: illegal option -- x\nusage: ifconfig ";
        QTest::newRow("unknown option after a known one")
            << QStringList{"-az"} << QByteArray() << "ifconfig: illegal option -- z\nusage: ";
        QTest::newRow("changes are not simulated")
            << QStringList{"en0", "down"} << QByteArray() << "ifconfig: ";
        QTest::newRow("variable not set") << QStringList{"en0"} << QByteArray("unset")
                                          << "ifconfig: BRISVALE_SIMULATION is not set";
        QTest::newRow("variable empty")
            << QStringList{"en0"} << QByteArray("") << "ifconfig: BRISVALE_SIMULATION is not set";
        QTest::newRow("missing file") << QStringList{"en0"} << QByteArray("/nowhere/machine.json")
                                      << "ifconfig: Machine simulée « /nowhere/machine.json » "
                                         "introuvable";
    }

    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, machine);
        QFETCH(QString, error);

        if (machine == "unset")
            qunsetenv(SimulatedMachine::environmentVariable);
        else if (!machine.isNull())
            qputenv(SimulatedMachine::environmentVariable, machine);
        const CommandResult result = Shell::run(ifconfig(), arguments);
        QCOMPARE(result.status, 1);
        QCOMPARE(result.output, QString());
        QVERIFY2(result.error.startsWith(error), qPrintable(result.error));
        QVERIFY(result.error.endsWith(u'\n'));
    }

private:
    QTemporaryDir m_dir;
    QString m_machine;
};

QTEST_GUILESS_MAIN(tst_IfconfigStandIn)
#include "tst_IfconfigStandIn.moc"
