#include "platform/simulated/SimulatedMachine.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

using TestSupport::with;
using TestSupport::withNested;

QJsonObject json(const char *text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(text), &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad test JSON: %s", qPrintable(error.errorString()));
    return document.object();
}

const QDateTime changedAt =
    QDateTime::fromString(QStringLiteral("2026-12-01T09:00:00.000Z"), Qt::ISODateWithMs);

// One service on en0, attached to the "lan" network; rows vary one part at a time.
QJsonObject machine(const QJsonObject &service, const QJsonObject &device,
                    const QJsonObject &network)
{
    QJsonObject root;
    root.insert(QStringLiteral("services"), QJsonArray{service});
    root.insert(QStringLiteral("devices"), QJsonObject{{QStringLiteral("en0"), device}});
    root.insert(QStringLiteral("networks"), QJsonObject{{QStringLiteral("lan"), network}});
    return root;
}

const char *const manualService = R"({
    "ServiceID": "S1", "UserDefinedName": "Ethernet",
    "Interface": { "DeviceName": "en0", "Type": "Ethernet" },
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.20"],
              "SubnetMasks": ["255.255.255.0"], "Router": "192.168.1.1" }
})";

const char *const dhcpService = R"({
    "ServiceID": "S1", "UserDefinedName": "Ethernet",
    "Interface": { "DeviceName": "en0", "Type": "Ethernet" },
    "IPv4": { "ConfigMethod": "DHCP" },
    "ChangedAt": "2026-12-01T09:00:00.000Z"
})";

const char *const lanNetwork = R"({
    "subnet": "192.168.1.0/24", "router": "192.168.1.1",
    "dhcp": { "delayMs": 1500, "first": "192.168.1.100", "last": "192.168.1.100" }
})";

QJsonObject lease(const QString &address, const QString &mask, const QString &router)
{
    QJsonObject live{{QStringLiteral("Addresses"), QJsonArray{address}},
                     {QStringLiteral("SubnetMasks"), QJsonArray{mask}}};
    if (!router.isEmpty())
        live.insert(QStringLiteral("Router"), router);
    return live;
}

} // namespace

class tst_SimulatedMachine : public QObject {
    Q_OBJECT

private slots:
    void malformedFilesAreRefused_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");

        QTest::newRow("missing file") << false << QByteArray() << "introuvable";
        QTest::newRow("not JSON") << true << QByteArray("services: []") << "valeur invalide";
        // Not a raw string: moc loses track of a class after unbalanced braces in one.
        QTest::newRow("truncated") << true << QByteArray("{\"services\": [{\"UserDef")
                                   << "fin de fichier inattendue à la position";
        QTest::newRow("root is a list") << true << QByteArray("[]") << "la racine";
        QTest::newRow("services not a list")
            << true << QByteArray(R"({"services": {}})") << "« services » doit être une liste";
        QTest::newRow("a service not an object")
            << true << QByteArray(R"({"services": [{}, "en0"]})") << "n° 2 de « services »";
        QTest::newRow("devices not an object")
            << true << QByteArray(R"({"services": [], "devices": []})") << "« devices »";
        QTest::newRow("misspelt link")
            << true << QByteArray(R"({"services": [], "devices": {"en0": {"link": "up"}}})")
            << "active, inactive ou none";
        QTest::newRow("networks not an object")
            << true << QByteArray(R"({"services": [], "networks": null})") << "« networks »";
        QTest::newRow("unknown administrator answer")
            << true << QByteArray(R"({"services": [], "administrator": "yes"})")
            << "approve, cancel ou deny";
    }

    void malformedFilesAreRefused()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("machine à l'essai.json"));
        if (exists) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QString message;
        QVERIFY(!SimulatedMachine::load(path, &message));
        QVERIFY2(message.startsWith(QStringLiteral("Machine simulée « ") + path + " »"),
                 qPrintable(message));
        QVERIFY2(message.contains(problem), qPrintable(message));
        QVERIFY2(message.endsWith(u'.') && !message.contains(u'\n'), qPrintable(message));
    }

    void goodFilesLoad_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("services");

        QTest::newRow("only services")
            << TestSupport::writeMachine(m_dir, json(R"({"services": []})"), "minimal.json") << 0;
        QTest::newRow("demo machine") << TestSupport::demoMachinePath() << 18;
    }

    void goodFilesLoad()
    {
        QFETCH(QString, path);
        QFETCH(int, services);

        QString message;
        const std::optional<SimulatedMachine> machine = SimulatedMachine::load(path, &message);
        QVERIFY2(machine, qPrintable(message));
        QCOMPARE(machine->services().size(), services);
        QCOMPARE(machine->path(), path);
    }

    void liveIPv4_data()
    {
        QTest::addColumn<QJsonObject>("service");
        QTest::addColumn<QJsonObject>("device");
        QTest::addColumn<QJsonObject>("network");
        QTest::addColumn<QDateTime>("now");
        // Empty: nothing published.
        QTest::addColumn<QJsonObject>("expected");

        const QJsonObject manual = json(manualService);
        const QJsonObject dhcp = json(dhcpService);
        const QJsonObject up = json(R"({"link": "active", "network": "lan"})");
        const QJsonObject lan = json(lanNetwork);
        const QDateTime later = changedAt.addSecs(3600);
        const QJsonObject manualLive = lease("192.168.1.20", "255.255.255.0", "192.168.1.1");
        const QJsonObject dhcpLive = lease("192.168.1.100", "255.255.255.0", "192.168.1.1");

        QTest::newRow("manual, link up") << manual << up << lan << later << manualLive;
        QTest::newRow("manual, no status line")
            << manual << with(up, "link", "none") << lan << later << manualLive;
        QTest::newRow("manual, link down")
            << manual << with(up, "link", "inactive") << lan << later << QJsonObject();
        QTest::newRow("manual, disabled")
            << with(manual, "Enabled", false) << up << lan << later << QJsonObject();
        QTest::newRow("manual, device missing")
            << with(manual, "Interface", json(R"({"DeviceName": "en9"})")) << up << lan << later
            << QJsonObject();
        QTest::newRow("manual without an address")
            << withNested("IPv4", manual, "Addresses", QJsonArray()) << up << lan << later
            << QJsonObject();
        QTest::newRow("no IPv4") << with(manual, "IPv4", QJsonValue::Undefined) << up << lan
                                 << later << QJsonObject();
        QTest::newRow("unknown method") << withNested("IPv4", manual, "ConfigMethod", "PPP") << up
                                        << lan << later << QJsonObject();

        QTest::newRow("DHCP before the delay")
            << dhcp << up << lan << changedAt.addMSecs(1499) << QJsonObject();
        QTest::newRow("DHCP once the delay has passed")
            << dhcp << up << lan << changedAt.addMSecs(1500) << dhcpLive;
        QTest::newRow("DHCP changed long ago")
            << with(dhcp, "ChangedAt", QJsonValue::Undefined) << up << lan << changedAt << dhcpLive;
        QTest::newRow("unreadable change time")
            << with(dhcp, "ChangedAt", "hier") << up << lan << later << QJsonObject();
        QTest::newRow("BOOTP") << withNested("IPv4", dhcp, "ConfigMethod", "BOOTP") << up << lan
                               << later << dhcpLive;
        QTest::newRow("explicit lease") << dhcp << with(up, "lease", "192.168.1.7") << lan << later
                                        << lease("192.168.1.7", "255.255.255.0", "192.168.1.1");
        QTest::newRow("mask from a short prefix")
            << dhcp << up
            << withNested(
                   "dhcp",
                   withNested("dhcp", with(lan, "subnet", "10.0.0.0/8"), "first", "10.1.2.3"),
                   "last", "10.1.2.3")
            << later << lease("10.1.2.3", "255.0.0.0", "192.168.1.1");
        QTest::newRow("network without DHCP server")
            << dhcp << up << with(lan, "dhcp", QJsonValue::Undefined) << later << QJsonObject();
        QTest::newRow("subnet not an address")
            << dhcp << up << with(lan, "subnet", "192.168.300.0/24") << later << QJsonObject();
        QTest::newRow("first outside the subnet")
            << dhcp << up << withNested("dhcp", lan, "first", "192.168.2.100") << later
            << QJsonObject();
    }

    void liveIPv4()
    {
        QFETCH(QJsonObject, service);
        QFETCH(QJsonObject, device);
        QFETCH(QJsonObject, network);
        QFETCH(QDateTime, now);
        QFETCH(QJsonObject, expected);

        QString problem;
        const std::optional<SimulatedMachine> simulated =
            SimulatedMachine::fromJson(machine(service, device, network), "test.json", &problem);
        QVERIFY2(simulated, qPrintable(problem));
        const std::optional<QJsonObject> live = simulated->liveIPv4(service, now);
        if (expected.isEmpty()) {
            QVERIFY2(!live, QJsonDocument(live.value_or(QJsonObject())).toJson().constData());
            return;
        }
        QVERIFY(live);
        QCOMPARE(*live, expected);
    }

    void computedLeaseStaysInRange_data()
    {
        QTest::addColumn<QString>("subnet");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("mask");

        QTest::newRow("/24") << "192.168.1.0/24"
                             << "192.168.1.100"
                             << "192.168.1.199"
                             << "255.255.255.0";
        QTest::newRow("/16 across a byte") << "10.20.0.0/16"
                                           << "10.20.1.250"
                                           << "10.20.2.5"
                                           << "255.255.0.0";
        QTest::newRow("whole address space") << "0.0.0.0/0"
                                             << "0.0.0.0"
                                             << "255.255.255.255"
                                             << "0.0.0.0";
    }

    void computedLeaseStaysInRange()
    {
        QFETCH(QString, subnet);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, mask);

        QJsonObject network = with(json(lanNetwork), "subnet", subnet);
        network = withNested("dhcp", withNested("dhcp", network, "first", first), "last", last);
        const QJsonObject device = json(R"({"network": "lan"})");
        const QDateTime now = changedAt.addDays(1);
        const quint32 low = *SimulatedMachine::parseIPv4(first);
        const quint32 high = *SimulatedMachine::parseIPv4(last);

        QSet<QString> leases;
        for (const char *id : {"S1", "S2", "S3", "S4", "S5", "S6"}) {
            const QJsonObject service = with(json(dhcpService), "ServiceID", id);
            const std::optional<SimulatedMachine> simulated =
                SimulatedMachine::fromJson(machine(service, device, network), "test.json", nullptr);
            QVERIFY(simulated);
            const std::optional<QJsonObject> live = simulated->liveIPv4(service, now);
            QVERIFY(live);
            const QString address = live->value("Addresses").toArray().at(0).toString();
            const std::optional<quint32> value = SimulatedMachine::parseIPv4(address);
            QVERIFY2(value && *value >= low && *value <= high, qPrintable(address));
            QCOMPARE(live->value("SubnetMasks").toArray().at(0).toString(), mask);
            QCOMPARE(simulated->liveIPv4(service, now.addDays(3)), live);
            leases.insert(address);
        }
        // Each client has its own address, as far as a hash can promise it.
        QVERIFY(leases.size() >= 5);
    }

    void parseIPv4_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("normalised");

        QTest::newRow("plain") << "192.168.1.20" << true << "192.168.1.20";
        QTest::newRow("leading zeros") << "010.001.000.009" << true << "10.1.0.9";
        QTest::newRow("part too large") << "192.168.1.256" << false << "";
        QTest::newRow("three parts") << "192.168.1" << false << "";
        QTest::newRow("blank around") << " 1.2.3.4" << false << "";
        QTest::newRow("with prefix") << "1.2.3.4/24" << false << "";
        QTest::newRow("empty") << "" << false << "";
    }

    void parseIPv4()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, normalised);

        const std::optional<quint32> address = SimulatedMachine::parseIPv4(text);
        QCOMPARE(address.has_value(), valid);
        if (valid)
            QCOMPARE(SimulatedMachine::formatIPv4(*address), normalised);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_SimulatedMachine)
#include "tst_SimulatedMachine.moc"
