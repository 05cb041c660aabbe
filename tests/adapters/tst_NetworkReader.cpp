#include "adapters/FakeStore.h"
#include "adapters/NetworkReader.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using Service = FakeStore::Service;
Q_DECLARE_METATYPE(FakeStore::Service)

namespace {

// An ifconfig that prints, for each device, the text prepared for it and logs every call, so
// tests see both the link the reader derives and which devices cost a process.
class FakeIfconfig {
public:
    FakeIfconfig()
    {
        QDir(m_root.path()).mkpath(QStringLiteral("links"));
        TestSupport::writeExecutable(m_root.filePath(QStringLiteral("sbin/ifconfig")), R"(#!/bin/sh
root="$(dirname "$0")/.."
echo "$1" >> "$root/calls.log"
if [ ! -f "$root/links/$1" ]; then
    echo "ifconfig: interface $1 does not exist" >&2
    exit 1
fi
cat "$root/links/$1"
)");
    }

    SystemTools tools() const { return SystemTools(m_root.path()); }

    void setOutput(const QString &device, const QByteArray &output)
    {
        QFile file(m_root.filePath(QStringLiteral("links/") + device));
        file.open(QIODevice::WriteOnly);
        file.write(output);
    }

    QStringList calls() const
    {
        return TestSupport::loggedLines(m_root.filePath(QStringLiteral("calls.log")));
    }

private:
    QTemporaryDir m_root;
};

Service ethernet(const QString &name, const QString &device)
{
    Service service;
    service.name = name;
    service.id = QStringLiteral("ID-") + name;
    service.device = device;
    service.type = QStringLiteral("Ethernet");
    service.displayName = QStringLiteral("Ethernet");
    service.configuration = QVariantMap{{QStringLiteral("ConfigMethod"), QStringLiteral("Manual")}};
    return service;
}

QVariantMap ipv4(const QVariant &method, const QVariant &addresses, const QVariant &masks,
                 const QVariant &router)
{
    QVariantMap map;
    if (method.isValid())
        map.insert(QStringLiteral("ConfigMethod"), method);
    if (addresses.isValid())
        map.insert(QStringLiteral("Addresses"), addresses);
    if (masks.isValid())
        map.insert(QStringLiteral("SubnetMasks"), masks);
    if (router.isValid())
        map.insert(QStringLiteral("Router"), router);
    return map;
}

QVariantList strings(const QStringList &list)
{
    QVariantList result;
    for (const QString &item : list)
        result.append(item);
    return result;
}

QStringList namesOf(const QList<AdapterInfo> &adapters)
{
    QStringList names;
    for (const AdapterInfo &adapter : adapters)
        names.append(adapter.serviceName);
    return names;
}

} // namespace

class tst_NetworkReader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void handlesAreReleasedOnEveryPath_data()
    {
        QTest::addColumn<bool>("preferencesFail");
        QTest::addColumn<bool>("dynamicStoreFail");
        QTest::addColumn<bool>("servicesMissing");
        QTest::addColumn<bool>("withServices");
        QTest::addColumn<int>("expectedCount");

        QTest::newRow("no preferences") << true << false << false << true << 0;
        QTest::newRow("no list of services") << false << false << true << true << 0;
        QTest::newRow("no services") << false << false << false << false << 0;
        QTest::newRow("no dynamic store") << false << true << false << true << 1;
        QTest::newRow("full read") << false << false << false << true << 1;
    }

    void handlesAreReleasedOnEveryPath()
    {
        QFETCH(bool, preferencesFail);
        QFETCH(bool, dynamicStoreFail);
        QFETCH(bool, servicesMissing);
        QFETCH(bool, withServices);
        QFETCH(int, expectedCount);

        FakeIfconfig ifconfig;
        ifconfig.setOutput(QStringLiteral("en0"), "\tstatus: active\n");
        FakeStore store;
        store.preferencesFail = preferencesFail;
        store.dynamicStoreFail = dynamicStoreFail;
        store.servicesMissing = servicesMissing;
        if (withServices)
            store.services = {ethernet(QStringLiteral("Ethernet"), QStringLiteral("en0"))};

        QCOMPARE(NetworkReader::readOnce(store, ifconfig.tools()).size(), expectedCount);
        QCOMPARE(store.preferencesCreated, preferencesFail ? 0 : 1);
        QCOMPARE(store.preferencesReleased, store.preferencesCreated);
        QCOMPARE(store.dynamicStoresCreated, dynamicStoreFail ? 0 : 1);
        QCOMPARE(store.dynamicStoresReleased, store.dynamicStoresCreated);
    }

    void supportedInterfaces_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("supported");

        QTest::newRow("ethernet") << "Ethernet"
                                  << "en0" << true;
        QTest::newRow("wi-fi") << "IEEE80211"
                               << "en1" << true;
        QTest::newRow("bridge") << "Bridge"
                                << "bridge0" << true;
        QTest::newRow("vlan") << "VLAN"
                              << "vlan0" << true;
        QTest::newRow("bond") << "Bond"
                              << "bond0" << true;
        QTest::newRow("empty device") << "Ethernet"
                                      << "" << false;
        for (const QString &prefix : NetworkReader::excludedDevicePrefixes)
            QTest::addRow("excluded %s", qPrintable(prefix)) << "Ethernet" << prefix + "0" << false;
        QTest::newRow("every name starting with ap") << "Ethernet"
                                                     << "apple7" << false;
        QTest::newRow("prefix test is case-sensitive") << "Ethernet"
                                                       << "UTUN0" << true;
        QTest::newRow("prefix only at the start") << "Ethernet"
                                                  << "enutun0" << true;
        QTest::newRow("ppp type") << "PPP"
                                  << "en3" << false;
        QTest::newRow("empty type") << ""
                                    << "en3" << false;
        QTest::newRow("type names are exact") << "ethernet"
                                              << "en3" << false;
        QTest::newRow("bridge lowercase") << "bridge"
                                          << "bridge0" << false;
    }

    void supportedInterfaces()
    {
        QFETCH(QString, type);
        QFETCH(QString, device);
        QFETCH(bool, supported);

        QCOMPARE(NetworkReader::isSupported(type, device), supported);

        FakeIfconfig ifconfig;
        FakeStore store;
        Service service = ethernet(QStringLiteral("Service"), device);
        service.type = type;
        store.services = {service};
        QCOMPARE(NetworkReader::readOnce(store, ifconfig.tools()).size(), supported ? 1 : 0);
    }

    void servicesLeftOut_data()
    {
        QTest::addColumn<Service>("service");
        QTest::addColumn<bool>("listed");

        Service plain = ethernet(QStringLiteral("Ethernet"), QStringLiteral("en0"));
        QTest::newRow("complete") << plain << true;
        Service noInterface = plain;
        noInterface.hasInterface = false;
        QTest::newRow("no interface") << noInterface << false;
        Service noName = plain;
        noName.name.reset();
        QTest::newRow("no name") << noName << false;
        Service emptyName = plain;
        emptyName.name = QString();
        QTest::newRow("empty name") << emptyName << false;
        Service noDevice = plain;
        noDevice.device.reset();
        QTest::newRow("no device") << noDevice << false;
        Service noType = plain;
        noType.type.reset();
        QTest::newRow("no type") << noType << false;
    }

    void servicesLeftOut()
    {
        QFETCH(Service, service);
        QFETCH(bool, listed);

        FakeIfconfig ifconfig;
        FakeStore store;
        store.services = {service};
        QCOMPARE(NetworkReader::readOnce(store, ifconfig.tools()).size(), listed ? 1 : 0);
    }

    void identityAndInterface_data()
    {
        QTest::addColumn<Service>("service");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("hardwareName");
        QTest::addColumn<AdapterKind>("kind");

        Service wired = ethernet(QStringLiteral("Ethernet"), QStringLiteral("en0"));
        wired.displayName = QStringLiteral("Ethernet USB-C");
        QTest::newRow("ethernet") << wired << "ID-Ethernet"
                                  << "Ethernet USB-C" << AdapterKind::ethernet;

        Service wifi = ethernet(QStringLiteral("Wi-Fi"), QStringLiteral("en1"));
        wifi.type = QStringLiteral("IEEE80211");
        QTest::newRow("wi-fi") << wifi << "ID-Wi-Fi"
                               << "Ethernet" << AdapterKind::wifi;

        Service bridge = ethernet(QStringLiteral("Pont"), QStringLiteral("bridge0"));
        bridge.type = QStringLiteral("Bridge");
        bridge.displayName.reset();
        QTest::newRow("bridge without display name") << bridge << "ID-Pont"
                                                     << "bridge0" << AdapterKind::other;

        Service anonymous = ethernet(QStringLiteral("Sans identifiant"), QStringLiteral("en2"));
        anonymous.id.reset();
        QTest::newRow("no identifier") << anonymous << "Sans identifiant"
                                       << "Ethernet" << AdapterKind::ethernet;
    }

    void identityAndInterface()
    {
        QFETCH(Service, service);
        QFETCH(QString, id);
        QFETCH(QString, hardwareName);
        QFETCH(AdapterKind, kind);

        FakeIfconfig ifconfig;
        FakeStore store;
        store.services = {service};
        const QList<AdapterInfo> adapters = NetworkReader::readOnce(store, ifconfig.tools());
        QCOMPARE(adapters.size(), 1);
        QCOMPARE(adapters[0].id, id);
        QCOMPARE(adapters[0].hardwareName, hardwareName);
        QCOMPARE(adapters[0].kind, kind);
        // The live state is looked up under the identifier actually used.
        QCOMPARE(store.dynamicKeysAsked,
                 QStringList{QStringLiteral("State:/Network/Service/") + id + "/IPv4"});
    }

    void configuredAndLiveValues_data()
    {
        QTest::addColumn<bool>("hasProtocol");
        QTest::addColumn<QVariant>("configuration");
        QTest::addColumn<QVariant>("live");
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("router");

        const QVariant none;
        const QVariant manual =
            ipv4("Manual", strings({"192.168.1.20"}), strings({"255.255.255.0"}), "192.168.1.1");

        QTest::newRow("manual, no live state") << true << manual << none << false << "192.168.1.20"
                                               << "255.255.255.0"
                                               << "192.168.1.1";
        QTest::newRow("manual, live address differs")
            << true << manual
            << QVariant(ipv4({}, strings({"192.168.1.77"}), strings({"255.255.0.0"}), none))
            << false << "192.168.1.77"
            << "255.255.0.0"
            << "192.168.1.1";
        QTest::newRow("dhcp with a lease")
            << true << QVariant(ipv4("DHCP", none, none, none))
            << QVariant(ipv4({}, strings({"10.0.0.42"}), strings({"255.255.255.0"}), "10.0.0.1"))
            << true << "10.0.0.42"
            << "255.255.255.0"
            << "10.0.0.1";
        QTest::newRow("dhcp without a lease")
            << true << QVariant(ipv4("DHCP", none, none, none)) << none << true << ""
            << ""
            << "";
        QTest::newRow("bootp") << true << QVariant(ipv4("BOOTP", none, none, none)) << none << true
                               << ""
                               << ""
                               << "";
        QTest::newRow("method names are exact")
            << true << QVariant(ipv4("dhcp", none, none, none)) << none << false << ""
            << ""
            << "";
        QTest::newRow("method not a string")
            << true << QVariant(ipv4(1, none, none, none)) << none << false << ""
            << ""
            << "";
        QTest::newRow("configured router 0.0.0.0")
            << true
            << QVariant(ipv4("Manual", strings({"0.0.0.0"}), strings({"0.0.0.0"}), "0.0.0.0"))
            << none << false << "0.0.0.0"
            << "0.0.0.0"
            << "";
        QTest::newRow("live router 0.0.0.0")
            << true << QVariant(ipv4("DHCP", none, none, none))
            << QVariant(ipv4({}, strings({"10.0.0.42"}), none, "0.0.0.0")) << true << "10.0.0.42"
            << ""
            << "";
        QTest::newRow("empty live values keep the configured ones")
            << true << manual << QVariant(ipv4({}, strings({""}), QVariantList(), "")) << false
            << "192.168.1.20"
            << "255.255.255.0"
            << "192.168.1.1";
        QTest::newRow("live lists with a non-string keep the configured ones")
            << true << manual
            << QVariant(ipv4({}, QVariantList{QVariant(7)}, QVariantList{"255.0.0.0", 8}, 9))
            << false << "192.168.1.20"
            << "255.255.255.0"
            << "192.168.1.1";
        QTest::newRow("live state not a dictionary")
            << true << manual << QVariant(QStringLiteral("10.0.0.9")) << false << "192.168.1.20"
            << "255.255.255.0"
            << "192.168.1.1";
        QTest::newRow("addresses as a string, not a list")
            << true << QVariant(ipv4("Manual", "192.168.1.20", "255.255.255.0", 42)) << none
            << false << ""
            << ""
            << "";
        QTest::newRow("addresses list with a non-string element")
            << true << QVariant(ipv4("Manual", QVariantList{"192.168.1.20", 3}, strings({}), none))
            << none << false << ""
            << ""
            << "";
        QTest::newRow("configuration not a dictionary")
            << true << QVariant(strings({"DHCP"})) << none << false << ""
            << ""
            << "";
        QTest::newRow("no protocol: live values only")
            << false << manual
            << QVariant(ipv4({}, strings({"10.1.1.1"}), strings({"255.0.0.0"}), "10.0.0.1"))
            << false << "10.1.1.1"
            << "255.0.0.0"
            << "10.0.0.1";
        QTest::newRow("first address of several")
            << true
            << QVariant(ipv4("Manual", strings({"10.0.0.2", "10.0.0.3"}),
                             strings({"255.0.0.0", "255.255.0.0"}), none))
            << none << false << "10.0.0.2"
            << "255.0.0.0"
            << "";
    }

    void configuredAndLiveValues()
    {
        QFETCH(bool, hasProtocol);
        QFETCH(QVariant, configuration);
        QFETCH(QVariant, live);
        QFETCH(bool, dhcp);
        QFETCH(QString, ip);
        QFETCH(QString, mask);
        QFETCH(QString, router);

        FakeIfconfig ifconfig;
        FakeStore store;
        Service service = ethernet(QStringLiteral("Ethernet"), QStringLiteral("en0"));
        service.hasProtocol = hasProtocol;
        service.configuration = configuration;
        store.services = {service};
        if (live.isValid())
            store.dynamicValues.insert("State:/Network/Service/ID-Ethernet/IPv4", live);

        const QList<AdapterInfo> adapters = NetworkReader::readOnce(store, ifconfig.tools());
        QCOMPARE(adapters.size(), 1);
        QCOMPARE(adapters[0].dhcp, dhcp);
        QCOMPARE(adapters[0].ip, ip);
        QCOMPARE(adapters[0].mask, mask);
        QCOMPARE(adapters[0].router, router);
    }

    void withoutDynamicStoreOnlyConfiguredValues()
    {
        FakeIfconfig ifconfig;
        FakeStore store;
        store.dynamicStoreFail = true;
        Service service = ethernet(QStringLiteral("Ethernet"), QStringLiteral("en0"));
        service.configuration = ipv4("Manual", strings({"192.168.1.20"}), {}, {});
        store.services = {service};
        store.dynamicValues.insert("State:/Network/Service/ID-Ethernet/IPv4",
                                   ipv4({}, strings({"10.9.9.9"}), {}, {}));

        const QList<AdapterInfo> adapters = NetworkReader::readOnce(store, ifconfig.tools());
        QCOMPARE(adapters.size(), 1);
        QCOMPARE(adapters[0].ip, QStringLiteral("192.168.1.20"));
        QVERIFY(store.dynamicKeysAsked.isEmpty());
    }

    void linkOutcomes_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("deviceExists");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("ifconfigRun");

        QTest::newRow("active") << true << true
                                << QByteArray("en0: flags=8863<UP>\n\tstatus: active\n") << true
                                << true;
        QTest::newRow("inactive") << true << true
                                  << QByteArray("en0: flags=8822<>\n\tstatus: inactive\n") << false
                                  << true;
        QTest::newRow("no status line")
            << true << true << QByteArray("bridge0: flags=8863<UP>\n") << true << true;
        QTest::newRow("markers are case-sensitive")
            << true << true << QByteArray("\tStatus: Inactive\n") << true << true;
        QTest::newRow("program fails") << true << false << QByteArray() << false << true;
        QTest::newRow("disabled: no process")
            << false << true << QByteArray("\tstatus: active\n") << false << false;
    }

    void linkOutcomes()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, deviceExists);
        QFETCH(QByteArray, output);
        QFETCH(bool, connected);
        QFETCH(bool, ifconfigRun);

        FakeIfconfig ifconfig;
        if (deviceExists)
            ifconfig.setOutput(QStringLiteral("en0"), output);
        FakeStore store;
        Service service = ethernet(QStringLiteral("Ethernet"), QStringLiteral("en0"));
        service.enabled = enabled;
        service.configuration = ipv4("Manual", strings({"192.168.1.20"}), {}, {});
        store.services = {service};

        const QList<AdapterInfo> adapters = NetworkReader::readOnce(store, ifconfig.tools());
        QCOMPARE(adapters.size(), 1);
        QCOMPARE(adapters[0].enabled, enabled);
        QCOMPARE(adapters[0].connected, connected);
        // A disabled service still reports its addresses.
        QCOMPARE(adapters[0].ip, QStringLiteral("192.168.1.20"));
        QCOMPARE(ifconfig.calls(), ifconfigRun ? QStringList{"en0"} : QStringList{});
    }

    void sortOrder_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("expected");

        // Names are "state:name"; the state is c (connected), u (enabled, unplugged) or
        // d (disabled).
        QTest::newRow("groups before names")
            << QStringList{"d:Alpha", "u:Bravo", "c:Zulu", "u:Alpha", "c:Mike"}
            << QStringList{"Mike", "Zulu", "Alpha", "Bravo", "Alpha"};
        QTest::newRow("accented capital collates with its letter")
            << QStringList{"c:Ethernet", "c:Écran Studio", "c:Dock", "c:Zéro"}
            << QStringList{"Dock", "Écran Studio", "Ethernet", "Zéro"};
        QTest::newRow("case does not order")
            << QStringList{"c:beta", "c:Alpha", "c:Gamma"} << QStringList{"Alpha", "beta", "Gamma"};
        QTest::newRow("names equal but for case keep the platform's order")
            << QStringList{"c:bond 1", "c:Bond 1", "c:Aa"} << QStringList{"Aa", "bond 1", "Bond 1"};
        QTest::newRow("and the other way round")
            << QStringList{"c:Bond 1", "c:bond 1", "c:Aa"} << QStringList{"Aa", "Bond 1", "bond 1"};
    }

    void sortOrder()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, expected);

        FakeIfconfig ifconfig;
        FakeStore store;
        int index = 0;
        for (const QString &entry : listed) {
            const QString state = entry.section(u':', 0, 0);
            const QString device = QStringLiteral("en%1").arg(index++);
            Service service = ethernet(entry.section(u':', 1), device);
            service.id = device;
            service.enabled = state != QLatin1String("d");
            if (state == QLatin1String("c"))
                ifconfig.setOutput(device, "\tstatus: active\n");
            else
                ifconfig.setOutput(device, "\tstatus: inactive\n");
            store.services.append(service);
        }

        const QList<AdapterInfo> adapters = NetworkReader::readOnce(store, ifconfig.tools());
        QCOMPARE(namesOf(adapters), expected);
        // Ties keep the platform's order: the identifiers tell equal names apart.
        for (qsizetype i = 1; i < adapters.size(); ++i) {
            if (adapters[i].serviceName == adapters[i - 1].serviceName)
                QVERIFY(adapters[i - 1].id < adapters[i].id);
        }
    }

    void readAsyncDeliversOffTheMainThread()
    {
        FakeIfconfig ifconfig;
        ifconfig.setOutput(QStringLiteral("en0"), "\tstatus: active\n");
        int factoryCalls = 0;
        auto future = NetworkReader::readAsync(
            [&factoryCalls] {
                ++factoryCalls;
                auto store = std::make_unique<FakeStore>();
                store->services = {ethernet(QStringLiteral("Ethernet"), QStringLiteral("en0"))};
                return std::unique_ptr<ConfigurationStore>(std::move(store));
            },
            ifconfig.tools());
        future.waitForFinished();
        QCOMPARE(factoryCalls, 1);
        QCOMPARE(future.result().size(), 1);
        QVERIFY(future.result()[0].connected);
    }
};

QTEST_GUILESS_MAIN(tst_NetworkReader)
#include "tst_NetworkReader.moc"
