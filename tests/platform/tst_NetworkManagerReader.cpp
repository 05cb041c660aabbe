// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "platform/networkmanager/NetworkManagerReader.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTest>
#include <QtEndian>

using namespace std::chrono_literals;
using NetworkManagerReader::Profile;

namespace {

using Settings = QMap<QString, QVariantMap>;
using Objects = QMap<QDBusObjectPath, Settings>;

const QString activeInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString deviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString ip4Interface = QStringLiteral("org.freedesktop.NetworkManager.IP4Config");

QVariantMap addressData(const QString &address, quint32 prefix)
{
    return {{QStringLiteral("address"), address}, {QStringLiteral("prefix"), prefix}};
}

// A profile's settings; `connection` and `ipv4` hold only the keys a case is about.
QVariantMap profileSettings(const QVariantMap &connection, const QVariantMap &ipv4 = {})
{
    QVariantMap settings{{QStringLiteral("connection"), connection}};
    if (!ipv4.isEmpty())
        settings.insert(QStringLiteral("ipv4"), ipv4);
    return settings;
}

QVariantMap ethernet(const QString &uuid, const QString &name)
{
    return {{QStringLiteral("uuid"), uuid},
            {QStringLiteral("id"), name},
            {QStringLiteral("type"), QStringLiteral("802-3-ethernet")}};
}

QVariantMap with(QVariantMap map, const QString &key, const QVariant &value)
{
    map.insert(key, value);
    return map;
}

// The managed objects of one profile active on device "eth0" (state 2 = activated), with the
// device's properties and a live IPv4 configuration.
QVariantMap activeOn(const QString &profilePath, const QVariantMap &device, const QVariantMap &live,
                     quint32 activeState = 2)
{
    return {
        {QStringLiteral("/ac/1"),
         QVariantMap{{activeInterface,
                      QVariantMap{{QStringLiteral("Connection"), profilePath},
                                  {QStringLiteral("State"), activeState},
                                  {QStringLiteral("Devices"), QVariantList{"/dev/1"}},
                                  {QStringLiteral("Ip4Config"), QStringLiteral("/ip4/1")}}}}},
        {QStringLiteral("/dev/1"), QVariantMap{{deviceInterface, device}}},
        {QStringLiteral("/ip4/1"), QVariantMap{{ip4Interface, live}}},
    };
}

const QVariantMap upDevice{{QStringLiteral("Interface"), QStringLiteral("eth0")},
                           {QStringLiteral("State"), 100u},
                           {QStringLiteral("InterfaceFlags"), 0x10003u}};
const QVariantMap liveConfig{
    {QStringLiteral("AddressData"), QVariantList{addressData("10.0.0.5", 24)}},
    {QStringLiteral("Gateway"), QStringLiteral("10.0.0.1")}};
// The legacy address form: (address, prefix, gateway), each in network byte order.
QVariantMap legacyIPv4()
{
    const QVariantList entry = {QVariant(qToBigEndian(0x0a000203u)), QVariant(8u),
                                QVariant(qToBigEndian(0x0a000001u))};
    return {{QStringLiteral("addresses"), QVariantList{QVariant(entry)}}};
}

const QVariantMap manualIPv4{
    {QStringLiteral("method"), QStringLiteral("manual")},
    {QStringLiteral("address-data"), QVariantList{addressData("192.168.9.9", 16)}},
    {QStringLiteral("gateway"), QStringLiteral("192.168.0.1")}};

// A stand-in daemon on a private bus: it answers the reader's three calls as the case says.
class FakeDaemon : public QDBusVirtualObject {
public:
    enum class Behaviour { sane, listIsText, objectsAreText, settingsAreText, silent, oneVanished };

    Behaviour behaviour = Behaviour::sane;

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QString member = message.member();
        if (behaviour == Behaviour::silent)
            return true;
        QDBusMessage reply;
        if (member == QLatin1String("ListConnections")) {
            if (behaviour == Behaviour::listIsText) {
                reply = message.createReply(QStringLiteral("/p/1"));
            } else {
                const QList<QDBusObjectPath> paths = {QDBusObjectPath("/p/1"),
                                                      QDBusObjectPath("/p/2")};
                reply = message.createReply(QVariant::fromValue(paths));
            }
        } else if (member == QLatin1String("GetManagedObjects")) {
            if (behaviour == Behaviour::objectsAreText) {
                reply = message.createReply(QStringLiteral("nothing"));
            } else {
                Objects objects;
                objects.insert(
                    QDBusObjectPath("/ac/1"),
                    {{activeInterface,
                      {{QStringLiteral("Connection"), QVariant::fromValue(QDBusObjectPath("/p/1"))},
                       {QStringLiteral("State"), 2u},
                       {QStringLiteral("Devices"),
                        QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath("/dev/1")})},
                       {QStringLiteral("Ip4Config"), QVariant::fromValue(QDBusObjectPath("/"))}}}});
                objects.insert(QDBusObjectPath("/dev/1"),
                               {{deviceInterface,
                                 {{QStringLiteral("Interface"), QStringLiteral("eth7")},
                                  {QStringLiteral("State"), 100u},
                                  {QStringLiteral("Ip4Config"),
                                   QVariant::fromValue(QDBusObjectPath("/ip4/1"))}}}});
                QDBusArgument live;
                live.beginArray(QMetaType::fromType<QVariantMap>());
                live << QVariantMap{{QStringLiteral("address"), QStringLiteral("10.1.2.3")},
                                    {QStringLiteral("prefix"), 20u}};
                live.endArray();
                objects.insert(
                    QDBusObjectPath("/ip4/1"),
                    {{ip4Interface, {{QStringLiteral("AddressData"), QVariant::fromValue(live)}}}});
                reply = message.createReply(QVariant::fromValue(objects));
            }
        } else if (member == QLatin1String("GetSettings")) {
            const bool second = message.path() == QLatin1String("/p/2");
            if (behaviour == Behaviour::settingsAreText) {
                reply = message.createReply(42);
            } else if (second && behaviour == Behaviour::oneVanished) {
                reply = message.createErrorReply(
                    QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                    QStringLiteral("gone"));
            } else {
                Settings settings;
                settings.insert(QStringLiteral("connection"),
                                {{QStringLiteral("id"), second ? "Deux" : "Un"},
                                 {QStringLiteral("uuid"), second ? "uuid-2" : "uuid-1"},
                                 {QStringLiteral("type"), QStringLiteral("802-3-ethernet")},
                                 {QStringLiteral("autoconnect"), false}});
                reply = message.createReply(QVariant::fromValue(settings));
            }
        } else {
            return false;
        }
        connection.send(reply);
        return true;
    }
};

} // namespace

Q_DECLARE_METATYPE(Settings)
Q_DECLARE_METATYPE(Objects)
Q_DECLARE_METATYPE(FakeDaemon::Behaviour)

class tst_NetworkManagerReader : public QObject {
    Q_OBJECT

private slots:
    void maskOfPrefix_data()
    {
        QTest::addColumn<quint32>("prefix");
        QTest::addColumn<QString>("mask");
        QTest::newRow("0") << 0u << "0.0.0.0";
        QTest::newRow("1") << 1u << "128.0.0.0";
        QTest::newRow("20") << 20u << "255.255.240.0";
        QTest::newRow("31") << 31u << "255.255.255.254";
        QTest::newRow("32") << 32u << "255.255.255.255";
        QTest::newRow("33 is no prefix") << 33u << "";
    }

    void maskOfPrefix()
    {
        QFETCH(quint32, prefix);
        QFETCH(QString, mask);
        QCOMPARE(NetworkManagerReader::maskOfPrefix(prefix), mask);
    }

    // One profile at path /p/1 among the given managed objects: the record, or none.
    void oneProfile_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QVariantMap>("objects");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");

        const QVariantMap eth = ethernet("u1", "Un");
        const QVariantMap none;
        QTest::newRow("loopback is not a service")
            << profileSettings(with(eth, "type", "loopback")) << none << false << "" << QVariant();
        QTest::newRow("VPN is not a service")
            << profileSettings(with(eth, "type", "vpn")) << none << false << "" << QVariant();
        QTest::newRow("a bridge port is not a service")
            << profileSettings(with(eth, "master", "br0")) << none << false << "" << QVariant();
        QTest::newRow("a controller's port is not a service")
            << profileSettings(with(eth, "controller", "bond0")) << none << false << ""
            << QVariant();
        QTest::newRow("no UUID, no service")
            << profileSettings(with(eth, "uuid", 7)) << none << false << "" << QVariant();
        QTest::newRow("a name that is not text gives the UUID")
            << profileSettings(with(eth, "id", 7)) << none << true << "serviceName"
            << QVariant("u1");
        QTest::newRow("autoconnect absent means enabled")
            << profileSettings(eth) << none << true << "enabled" << QVariant(true);
        QTest::newRow("autoconnect of another type means enabled")
            << profileSettings(with(eth, "autoconnect", "no")) << none << true << "enabled"
            << QVariant(true);
        QTest::newRow("autoconnect off and inactive means disabled")
            << profileSettings(with(eth, "autoconnect", false)) << none << true << "enabled"
            << QVariant(false);
        QTest::newRow("active without autoconnect is enabled")
            << profileSettings(with(eth, "autoconnect", false))
            << activeOn("/p/1", upDevice, liveConfig) << true << "enabled" << QVariant(true);
        QTest::newRow("active: the device's name")
            << profileSettings(with(eth, "interface-name", "other0"))
            << activeOn("/p/1", upDevice, liveConfig) << true << "device" << QVariant("eth0");
        QTest::newRow("inactive: the bound interface")
            << profileSettings(with(eth, "interface-name", "other0")) << none << true << "device"
            << QVariant("other0");
        QTest::newRow("activated with carrier is connected")
            << profileSettings(eth) << activeOn("/p/1", upDevice, liveConfig) << true << "connected"
            << QVariant(true);
        QTest::newRow("still activating is not connected")
            << profileSettings(eth) << activeOn("/p/1", upDevice, liveConfig, 1) << true
            << "connected" << QVariant(false);
        QTest::newRow("a device not yet activated is not connected")
            << profileSettings(eth) << activeOn("/p/1", with(upDevice, "State", 70u), liveConfig)
            << true << "connected" << QVariant(false);
        QTest::newRow("no carrier is not connected")
            << profileSettings(eth)
            << activeOn("/p/1", with(upDevice, "InterfaceFlags", 0x3u), liveConfig) << true
            << "connected" << QVariant(false);
        QTest::newRow("a profile active elsewhere is another's")
            << profileSettings(eth) << activeOn("/p/9", upDevice, liveConfig) << true << "connected"
            << QVariant(false);
        QTest::newRow("DHCP is the method auto") << profileSettings(eth, {{"method", "auto"}})
                                                 << none << true << "dhcp" << QVariant(true);
        QTest::newRow("link-local is not DHCP") << profileSettings(eth, {{"method", "link-local"}})
                                                << none << true << "dhcp" << QVariant(false);
        QTest::newRow("inactive: the profile's address")
            << profileSettings(eth, manualIPv4) << none << true << "ip" << QVariant("192.168.9.9");
        QTest::newRow("inactive: the mask from the profile's prefix")
            << profileSettings(eth, manualIPv4) << none << true << "mask"
            << QVariant("255.255.0.0");
        QTest::newRow("active: the live address")
            << profileSettings(eth, manualIPv4) << activeOn("/p/1", upDevice, liveConfig) << true
            << "ip" << QVariant("10.0.0.5");
        QTest::newRow("active: the live mask")
            << profileSettings(eth, manualIPv4) << activeOn("/p/1", upDevice, liveConfig) << true
            << "mask" << QVariant("255.255.255.0");
        QTest::newRow("active: the live router")
            << profileSettings(eth, manualIPv4) << activeOn("/p/1", upDevice, liveConfig) << true
            << "router" << QVariant("10.0.0.1");
        QTest::newRow("active without a live address yet: the profile's")
            << profileSettings(eth, manualIPv4) << activeOn("/p/1", upDevice, {}) << true << "ip"
            << QVariant("192.168.9.9");
        QTest::newRow("router 0.0.0.0 is none")
            << profileSettings(eth, with(manualIPv4, "gateway", "0.0.0.0")) << none << true
            << "router" << QVariant("");
        QTest::newRow("legacy addresses, network order")
            << profileSettings(eth, legacyIPv4()) << none << true << "ip" << QVariant("10.0.2.3");
        QTest::newRow("legacy gateway") << profileSettings(eth, legacyIPv4()) << none << true
                                        << "router" << QVariant("10.0.0.1");
        QTest::newRow("an address list of another shape is no address")
            << profileSettings(eth, {{"address-data", "10.0.0.1/8"}}) << none << true << "ip"
            << QVariant("");
        QTest::newRow("a prefix above 32 gives no mask")
            << profileSettings(eth, {{"address-data", QVariantList{addressData("10.0.0.1", 40)}}})
            << none << true << "mask" << QVariant("");
        QTest::newRow("Wi-Fi") << profileSettings(with(eth, "type", "802-11-wireless")) << none
                               << true << "hardwareName" << QVariant("Wi-Fi");
        QTest::newRow("bond") << profileSettings(with(eth, "type", "bond")) << none << true
                              << "hardwareName" << QVariant("Agrégat de liens");
        QTest::newRow("garbage objects are ignored")
            << profileSettings(eth)
            << QVariantMap{{"/ac/1", "text"}, {"/dev/1", QVariantMap{{activeInterface, 3}}}} << true
            << "connected" << QVariant(false);
    }

    void oneProfile()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QVariantMap, objects);
        QFETCH(bool, listed);
        QFETCH(QString, field);
        QFETCH(QVariant, value);

        const QList<AdapterInfo> adapters =
            NetworkManagerReader::adapters(objects, {{QStringLiteral("/p/1"), settings}});
        QCOMPARE(adapters.size(), listed ? 1 : 0);
        if (!listed)
            return;
        const QMetaObject &meta = AdapterInfo::staticMetaObject;
        QCOMPARE(meta.property(meta.indexOfProperty(field.toLatin1().constData()))
                     .readOnGadget(&adapters.first()),
                 value);
    }

    void order()
    {
        auto profile = [](const char *path, const char *uuid, const char *name, bool autoconnect) {
            return Profile{
                QString::fromLatin1(path),
                profileSettings(with(ethernet(QString::fromLatin1(uuid), QString::fromUtf8(name)),
                                     "autoconnect", autoconnect))};
        };
        const QList<Profile> profiles = {
            profile("/p/1", "u1", "zèbre", false), profile("/p/2", "u2", "Été", true),
            profile("/p/3", "u3", "alpha", true),  profile("/p/4", "u4", "b", false),
            profile("/p/5", "u5", "ALPHA", true),  profile("/p/6", "u6", "Zulu", true),
        };
        const QList<AdapterInfo> adapters =
            NetworkManagerReader::adapters(activeOn("/p/6", upDevice, liveConfig), profiles);
        QStringList ids;
        for (const AdapterInfo &adapter : adapters)
            ids.append(adapter.id);
        // Connected, then enabled, then by name ignoring case and accents; ties keep the
        // daemon's order.
        QCOMPARE(ids, QStringList({"u6", "u3", "u5", "u2", "u4", "u1"}));
    }

    void initTestCase()
    {
        qDBusRegisterMetaType<Settings>();
        qDBusRegisterMetaType<Objects>();
        qDBusRegisterMetaType<QList<QDBusObjectPath>>();
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
        if (!m_bus.waitForStarted(10000))
            QSKIP("dbus-daemon is missing");
        QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 10000);
        m_address = QString::fromLatin1(m_bus.readLine().trimmed());
        QDBusConnection daemon = QDBusConnection::connectToBus(m_address, QStringLiteral("daemon"));
        QVERIFY(daemon.isConnected());
        QVERIFY(
            daemon.registerVirtualObject(QStringLiteral("/"), &m_daemon, QDBusConnection::SubPath));
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("daemon"));
        m_bus.kill();
        m_bus.waitForFinished();
    }

    // Everything a read meets on the bus: an empty read with its cause, never a hang.
    void readOverTheBus_data()
    {
        QTest::addColumn<FakeDaemon::Behaviour>("behaviour");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("ids");

        const QString unexpected =
            QStringLiteral("Lecture de NetworkManager impossible : réponse inattendue du service.");
        using B = FakeDaemon::Behaviour;
        QTest::newRow("sane") << B::sane << true << "" << QStringList{"uuid-1", "uuid-2"};
        QTest::newRow("a profile deleted while read")
            << B::oneVanished << true << "" << QStringList{"uuid-1"};
        QTest::newRow("profiles listed as text")
            << B::listIsText << true << unexpected << QStringList();
        QTest::newRow("objects as text")
            << B::objectsAreText << true << unexpected << QStringList();
        QTest::newRow("settings as a number")
            << B::settingsAreText << true << unexpected << QStringList();
        QTest::newRow("silent")
            << B::silent << true
            << "Lecture de NetworkManager impossible : le service n'a pas répondu à temps."
            << QStringList();
        QTest::newRow("not running")
            << B::sane << false
            << "Lecture de NetworkManager impossible : le service ne fonctionne pas."
            << QStringList();
    }

    void readOverTheBus()
    {
        QFETCH(FakeDaemon::Behaviour, behaviour);
        QFETCH(bool, running);
        QFETCH(QString, failure);
        QFETCH(QStringList, ids);

        QDBusConnection daemon(QStringLiteral("daemon"));
        m_daemon.behaviour = behaviour;
        if (running)
            QVERIFY(daemon.registerService(QStringLiteral("org.freedesktop.NetworkManager")));
        QFuture<AdapterRead> reading = NetworkManagerReader::readAsync({m_address, 300ms});
        QTRY_VERIFY_WITH_TIMEOUT(reading.isFinished(), 20000);
        daemon.unregisterService(QStringLiteral("org.freedesktop.NetworkManager"));

        const AdapterRead read = reading.result();
        QCOMPARE(read.failure, failure);
        QStringList found;
        for (const AdapterInfo &adapter : read.adapters)
            found.append(adapter.id);
        QCOMPARE(found, ids);
    }

    void liveValuesTravelThroughTheBus()
    {
        QDBusConnection daemon(QStringLiteral("daemon"));
        m_daemon.behaviour = FakeDaemon::Behaviour::sane;
        QVERIFY(daemon.registerService(QStringLiteral("org.freedesktop.NetworkManager")));
        QFuture<AdapterRead> reading = NetworkManagerReader::readAsync({m_address, 2s});
        QTRY_VERIFY_WITH_TIMEOUT(reading.isFinished(), 20000);
        daemon.unregisterService(QStringLiteral("org.freedesktop.NetworkManager"));
        const AdapterInfo first = reading.result().adapters.value(0);
        // The active connection names no IPv4 configuration ("/"): the device's is used.
        QCOMPARE(first.device, QStringLiteral("eth7"));
        QCOMPARE(first.ip, QStringLiteral("10.1.2.3"));
        QCOMPARE(first.mask, QStringLiteral("255.255.240.0"));
        QVERIFY(first.enabled);
    }

    void unreachableBus()
    {
        const AdapterRead read =
            NetworkManagerReader::read({QStringLiteral("unix:path=/nonexistent/brisvale"), 300ms});
        QCOMPARE(read.failure, QStringLiteral("Lecture de NetworkManager impossible : le bus "
                                              "système est injoignable."));
    }

private:
    QProcess m_bus;
    QString m_address;
    FakeDaemon m_daemon;
};

QTEST_GUILESS_MAIN(tst_NetworkManagerReader)
#include "tst_NetworkManagerReader.moc"
