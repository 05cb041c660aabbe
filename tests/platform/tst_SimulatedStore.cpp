#include "adapters/NetworkReader.h"
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/SimulatedStore.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>
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

const char *const manualService = R"({
    "ServiceID": "S1", "UserDefinedName": "Bureau",
    "Interface": { "DeviceName": "en0", "Type": "Ethernet", "UserDefinedName": "Ethernet" },
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.0.0.5"],
              "SubnetMasks": ["255.255.255.0"], "Router": "10.0.0.254" }
})";

// A machine with one service on en0, link up, on a network with a DHCP server.
QJsonObject machineWith(const QJsonObject &service)
{
    QJsonObject root = json(R"({
        "devices": { "en0": { "link": "active", "network": "lan" } },
        "networks": { "lan": { "subnet": "10.0.0.0/24", "router": "10.0.0.1",
                               "dhcp": { "delayMs": 1500, "first": "10.0.0.77",
                                         "last": "10.0.0.77" } } }
    })");
    root.insert(QStringLiteral("services"), QJsonArray{service});
    return root;
}

// Every read goes through the stand-ins, which find the machine in the environment.
QList<AdapterInfo> readMachine(SimulatedStore &store, const QString &path)
{
    qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
    return NetworkReader::readOnce(store, SystemTools(TestSupport::simRoot()));
}

struct Names {
    QString service;
    QString id;
    QString device;
    QString hardware;
};

struct Addressing {
    QString ip;
    QString mask;
    QString router;
};

AdapterInfo adapter(const Names &names, AdapterKind kind, bool enabled, bool connected, bool dhcp,
                    const Addressing &addressing = {})
{
    AdapterInfo info;
    info.serviceName = names.service;
    info.id = names.id;
    info.device = names.device;
    info.hardwareName = names.hardware;
    info.kind = kind;
    info.enabled = enabled;
    info.connected = connected;
    info.dhcp = dhcp;
    info.ip = addressing.ip;
    info.mask = addressing.mask;
    info.router = addressing.router;
    return info;
}

// Field by field, so that a failure says which one differs.
void compare(const AdapterInfo &actual, const AdapterInfo &expected)
{
    QCOMPARE(actual.id, expected.id);
    QCOMPARE(actual.device, expected.device);
    QCOMPARE(actual.hardwareName, expected.hardwareName);
    QCOMPARE(actual.kind, expected.kind);
    QCOMPARE(actual.enabled, expected.enabled);
    QCOMPARE(actual.connected, expected.connected);
    QCOMPARE(actual.dhcp, expected.dhcp);
    QCOMPARE(actual.ip, expected.ip);
    QCOMPARE(actual.mask, expected.mask);
    QCOMPARE(actual.router, expected.router);
}

} // namespace

class tst_SimulatedStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The order of the demo services depends on French collation.
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        SimulatedStore store(TestSupport::demoMachinePath());
        m_demo = readMachine(store, TestSupport::demoMachinePath());
        QVERIFY2(store.problem().isEmpty(), qPrintable(store.problem()));
    }

    void demoMachineListsOnlySwitchableServicesInOrder()
    {
        QStringList names;
        for (const AdapterInfo &adapter : m_demo)
            names.append(adapter.serviceName);
        // Connected, then enabled, then disabled; names in French order, case aside, so that
        // "Bond 1" and "bond 1" keep the platform's order and "Écran" sorts among the E.
        const QStringList expected = {
            "Adaptateur Thunderbolt", "Bond 1",   "bond 1",
            "Écran Studio",           "Ethernet", "Pont Thunderbolt",
            "VLAN Stockage",          "Wi-Fi",    "Adaptateur LAN USB",
            "Ethernet Dock",
        };
        QCOMPARE(names, expected);
    }

    void demoMachineServices_data()
    {
        QTest::addColumn<AdapterInfo>("expected");

        const AdapterKind ethernet = AdapterKind::ethernet;
        const AdapterKind other = AdapterKind::other;
        QTest::newRow("no IPv4 at all")
            << adapter({"Adaptateur Thunderbolt", "2F4A6B8C-0D1E-4F23-A4B5-C6D7E8F90A09", "en8",
                        "Ethernet Thunderbolt"},
                       ethernet, true, true, false);
        QTest::newRow("bond") << adapter(
            {"Bond 1", "3A8B1C6D-9E2F-4A05-B7C3-D4E5F6A7B805", "bond0", "Agrégat de liens"}, other,
            true, true, false, {"10.10.0.2", "255.255.255.0", "10.10.0.1"});
        QTest::newRow("bond, lowercase") << adapter(
            {"bond 1", "6C2E9A14-B3D7-4F1A-8E05-C9B7A3D1E906", "bond1", "Agrégat de liens"}, other,
            true, true, false, {"10.10.1.2", "255.255.255.0", "10.10.1.254"});
        QTest::newRow("accented name") << adapter(
            {"Écran Studio", "D5E1F7A3-2B9C-4D60-9A1E-7F3B5C8D2E07", "en6", "Écran Studio"},
            ethernet, true, true, false, {"192.168.3.15", "255.255.255.0", "192.168.3.1"});
        QTest::newRow("manual Ethernet") << adapter(
            {"Ethernet", "5B1A6C2E-0C2B-4C57-9A7E-1F0E3D2C4B01", "en0", "Ethernet"}, ethernet, true,
            true, false, {"192.168.1.20", "255.255.255.0", "192.168.1.1"});
        QTest::newRow("bridge without status line")
            << adapter({"Pont Thunderbolt", "F19A6E02-5C3D-4B7E-A1F8-6D2C9B0E4A04", "bridge0",
                        "Pont Thunderbolt"},
                       other, true, true, true);
        QTest::newRow("VLAN leased by name")
            << adapter({"VLAN Stockage", "VLAN Stockage", "vlan0", "VLAN"}, other, true, true, true,
                       {"10.20.1.58", "255.255.0.0", "10.20.0.1"});
        QTest::newRow("Wi-Fi on DHCP") << adapter(
            {"Wi-Fi", "8E4F2D90-7A13-4B6C-B0D2-93C1A5E7F602", "en1", "Wi-Fi"}, AdapterKind::wifi,
            true, true, true, {"192.168.0.42", "255.255.255.0", "192.168.0.254"});
        QTest::newRow("unplugged adapter")
            << adapter({"Adaptateur LAN USB", "0C7D3B55-1E2A-4F89-8C64-2B9E0A1D7E03", "en5",
                        "Adaptateur LAN USB"},
                       ethernet, true, false, true);
        QTest::newRow("disabled service keeps its configuration") << adapter(
            {"Ethernet Dock", "A7B3C9D1-4E6F-4081-92A3-B5C7D9E1F308", "en7", "Ethernet Dock"},
            ethernet, false, false, false, {"192.168.1.50", "255.255.255.0", "192.168.1.1"});
    }

    void demoMachineServices()
    {
        QFETCH(AdapterInfo, expected);
        const auto found = std::find_if(m_demo.cbegin(), m_demo.cend(), [&](const AdapterInfo &a) {
            return a.serviceName == expected.serviceName;
        });
        QVERIFY(found != m_demo.cend());
        compare(*found, expected);
    }

    void wrongTypesReachTheReader_data()
    {
        QTest::addColumn<QJsonObject>("service");
        // An empty name: the reader skips the service.
        QTest::addColumn<AdapterInfo>("expected");

        const QJsonObject service = json(manualService);
        const Names names = {"Bureau", "S1", "en0", "Ethernet"};
        const AdapterKind ethernet = AdapterKind::ethernet;
        const Addressing configured = {"10.0.0.5", "255.255.255.0", "10.0.0.254"};
        QTest::newRow("as configured")
            << service << adapter(names, ethernet, true, true, false, configured);
        QTest::newRow("Addresses as a string")
            << withNested("IPv4", service, "Addresses", "10.0.0.5")
            << adapter(names, ethernet, true, true, false, {"", "255.255.255.0", "10.0.0.254"});
        QTest::newRow("Router as a list")
            << withNested("IPv4", service, "Router", QJsonArray{"10.0.0.254"})
            << adapter(names, ethernet, true, true, false, {"10.0.0.5", "255.255.255.0", ""});
        QTest::newRow("IPv4 as a list") << with(service, "IPv4", QJsonArray{"Manual"})
                                        << adapter(names, ethernet, true, true, false);
        QTest::newRow("Enabled as a string")
            << with(service, "Enabled", "false")
            << adapter(names, ethernet, true, true, false, configured);
        QTest::newRow("ServiceID as a number") << with(service, "ServiceID", 7)
                                               << adapter({"Bureau", "Bureau", "en0", "Ethernet"},
                                                          ethernet, true, true, false, configured);
        QTest::newRow("name as a number") << with(service, "UserDefinedName", 1) << AdapterInfo();
        QTest::newRow("Interface as a string")
            << with(service, "Interface", "en0") << AdapterInfo();
        QTest::newRow("Type as a list")
            << withNested("Interface", service, "Type", QJsonArray{"Ethernet"}) << AdapterInfo();
    }

    void wrongTypesReachTheReader()
    {
        QFETCH(QJsonObject, service);
        QFETCH(AdapterInfo, expected);

        const QString path = TestSupport::writeMachine(m_dir, machineWith(service));
        SimulatedStore store(path);
        const QList<AdapterInfo> adapters = readMachine(store, path);
        QCOMPARE(adapters.size(), expected.serviceName.isEmpty() ? 0 : 1);
        if (!adapters.isEmpty())
            compare(adapters.first(), expected);
    }

    void leaseArrivesOnceTheServerHasAnswered_data()
    {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("ip");

        QTest::newRow("server still silent") << qint64(1499) << "";
        QTest::newRow("server answered") << qint64(1500) << "10.0.0.77";
    }

    void leaseArrivesOnceTheServerHasAnswered()
    {
        QFETCH(qint64, elapsedMs);
        QFETCH(QString, ip);

        const QDateTime changedAt = QDateTime::currentDateTimeUtc().addDays(-1);
        QJsonObject service =
            with(json(manualService), "IPv4", json(R"({"ConfigMethod": "DHCP"})"));
        service.insert("ChangedAt", changedAt.toString(Qt::ISODateWithMs));
        const QString path = TestSupport::writeMachine(m_dir, machineWith(service));
        SimulatedStore store(path, [=] { return changedAt.addMSecs(elapsedMs); });
        const QList<AdapterInfo> adapters = readMachine(store, path);
        QCOMPARE(adapters.size(), 1);
        QVERIFY(adapters.first().dhcp);
        QCOMPARE(adapters.first().ip, ip);
        QCOMPARE(adapters.first().router, ip.isEmpty() ? QString() : QStringLiteral("10.0.0.1"));
    }

    void malformedFileGivesAnEmptyList_data()
    {
        QTest::addColumn<QByteArray>("content");

        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("<plist/>");
    }

    void malformedFileGivesAnEmptyList()
    {
        QFETCH(QByteArray, content);

        const QString path = m_dir.filePath(QStringLiteral("malformed.json"));
        QFile::remove(path);
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        SimulatedStore store(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(path)));
        QVERIFY(readMachine(store, path).isEmpty());
        QVERIFY2(store.problem().contains(path), qPrintable(store.problem()));

        // The next read finds the file mended.
        TestSupport::writeMachine(m_dir, machineWith(json(manualService)), "malformed.json");
        QCOMPARE(readMachine(store, path).size(), 1);
        QCOMPARE(store.problem(), QString());
    }

    void bothHandlesOfOneReadSeeTheSameFile_data()
    {
        QTest::addColumn<bool>("dynamicStoreFirst");

        QTest::newRow("preferences first") << false;
        QTest::newRow("dynamic store first") << true;
    }

    void bothHandlesOfOneReadSeeTheSameFile()
    {
        QFETCH(bool, dynamicStoreFirst);

        // The reader creates both handles as arguments of one call, in an order the compiler
        // chooses; a change written in between must not split them.
        const QJsonObject before = json(manualService);
        const QJsonObject after = withNested("IPv4", before, "Addresses", QJsonArray{"10.0.0.6"});
        const QString path = TestSupport::writeMachine(m_dir, machineWith(before));
        SimulatedStore store(path);

        ConfigurationStore::Ref preferences;
        ConfigurationStore::Ref dynamicStore;
        if (dynamicStoreFirst)
            dynamicStore = store.createDynamicStore("test");
        else
            preferences = store.createPreferences("test");
        TestSupport::writeMachine(m_dir, machineWith(after));
        if (dynamicStoreFirst)
            preferences = store.createPreferences("test");
        else
            dynamicStore = store.createDynamicStore("test");

        const QString key = QStringLiteral("State:/Network/Service/S1/IPv4");
        const auto address = [](const QVariant &ipv4) {
            return ipv4.toMap().value("Addresses").toList().value(0).toString();
        };
        const auto services = store.copyAllServices(preferences);
        QVERIFY(services && services->size() == 1);
        QCOMPARE(address(store.protocolConfiguration(store.copyIPv4Protocol(services->first()))),
                 "10.0.0.5");
        QCOMPARE(address(store.copyDynamicValue(dynamicStore, key)), "10.0.0.5");

        // The next read sees the change.
        QCOMPARE(address(store.copyDynamicValue(store.createDynamicStore("test"), key)),
                 "10.0.0.6");
    }

private:
    QTemporaryDir m_dir;
    QList<AdapterInfo> m_demo;
};

QTEST_GUILESS_MAIN(tst_SimulatedStore)
#include "tst_SimulatedStore.moc"
