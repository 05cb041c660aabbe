// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerBus.h"
#include "NetworkManagerReader.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTest>
#include <QtEndian>

using namespace std::chrono_literals;

namespace {

using Settings = QMap<QString, QVariantMap>;
using Objects = QMap<QDBusObjectPath, Settings>;

const QString activeInterface = "org.freedesktop.NetworkManager.Connection.Active";
const QString deviceInterface = "org.freedesktop.NetworkManager.Device";
const QString ip4Interface = "org.freedesktop.NetworkManager.IP4Config";

QVariantMap addressData(const QString &address, quint32 prefix)
{
    return {{"address", address}, {"prefix", prefix}};
}

// A profile's settings; `connection` and `ipv4` hold only the keys a case is about.
QVariantMap profileSettings(const QVariantMap &connection, const QVariantMap &ipv4 = {})
{
    QVariantMap settings{{"connection", connection}};
    if (!ipv4.isEmpty())
        settings.insert("ipv4", ipv4);
    return settings;
}

QVariantMap ethernet(const QString &uuid, const QString &name)
{
    return {{"uuid", uuid}, {"id", name}, {"type", "802-3-ethernet"}};
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
        {"/ac/1", QVariantMap{{activeInterface, QVariantMap{{"Connection", profilePath},
                                                            {"State", activeState},
                                                            {"Devices", QVariantList{"/dev/1"}},
                                                            {"Ip4Config", "/ip4/1"}}}}},
        {"/dev/1", QVariantMap{{deviceInterface, device}}},
        {"/ip4/1", QVariantMap{{ip4Interface, live}}},
    };
}

const QVariantMap upDevice{{"Interface", "eth0"}, {"State", 100u}, {"InterfaceFlags", 0x10003u}};
const QVariantMap liveConfig{{"AddressData", QVariantList{addressData("10.0.0.5", 24)}},
                             {"Gateway", "10.0.0.1"}};
// The legacy address form: (address, prefix, gateway), each in network byte order.
QVariantMap legacyIPv4()
{
    const QVariantList entry = {QVariant(qToBigEndian(0x0a000203u)), QVariant(8u),
                                QVariant(qToBigEndian(0x0a000001u))};
    return {{"addresses", QVariantList{QVariant(entry)}}};
}

const QVariantMap manualIPv4{{"method", "manual"},
                             {"address-data", QVariantList{addressData("192.168.9.9", 16)}},
                             {"gateway", "192.168.0.1"}};

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
                reply = message.createReply("/p/1");
            } else {
                const QList<QDBusObjectPath> paths = {QDBusObjectPath("/p/1"),
                                                      QDBusObjectPath("/p/2")};
                reply = message.createReply(QVariant::fromValue(paths));
            }
        } else if (member == QLatin1String("GetManagedObjects")) {
            if (behaviour == Behaviour::objectsAreText) {
                reply = message.createReply("nothing");
            } else {
                Objects objects;
                objects.insert(QDBusObjectPath("/ac/1"),
                               {{activeInterface,
                                 {{"Connection", QVariant::fromValue(QDBusObjectPath("/p/2"))},
                                  {"State", 2u},
                                  {"Devices", QVariant::fromValue(QList<QDBusObjectPath>{
                                                  QDBusObjectPath("/dev/1")})},
                                  {"Ip4Config", QVariant::fromValue(QDBusObjectPath("/"))}}}});
                objects.insert(QDBusObjectPath("/dev/1"),
                               {{deviceInterface,
                                 {{"Interface", "eth7"},
                                  {"State", 100u},
                                  {"Ip4Config", QVariant::fromValue(QDBusObjectPath("/ip4/1"))}}}});
                QDBusArgument live;
                live.beginArray(QMetaType::fromType<QVariantMap>());
                live << QVariantMap{{"address", "10.1.2.3"}, {"prefix", 20u}};
                live.endArray();
                objects.insert(QDBusObjectPath("/ip4/1"),
                               {{ip4Interface, {{"AddressData", QVariant::fromValue(live)}}}});
                reply = message.createReply(QVariant::fromValue(objects));
            }
        } else if (member == QLatin1String("GetSettings")) {
            const bool second = message.path() == QLatin1String("/p/2");
            if (behaviour == Behaviour::settingsAreText) {
                reply = message.createReply(42);
            } else if (second && behaviour == Behaviour::oneVanished) {
                reply =
                    message.createErrorReply("org.freedesktop.DBus.Error.UnknownObject", "gone");
            } else {
                Settings settings;
                settings.insert("connection", {{"id", second ? "Deux" : "Un"},
                                               {"uuid", second ? "uuid-2" : "uuid-1"},
                                               {"type", "802-3-ethernet"},
                                               {"autoconnect", false}});
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
    // One profile at path /p/1 among the given managed objects.
    void oneProfile_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QVariantMap>("objects");
        QTest::addColumn<QString>("expected"); // "field=value, ...", or "none": not a service
        const auto row = [](const char *name, const QVariantMap &settings,
                            const QVariantMap &objects, const char *expected) {
            QTest::newRow(name) << settings << objects << QString::fromUtf8(expected);
        };

        const QVariantMap eth = ethernet("u1", "Un");
        const QVariantMap plain = profileSettings(eth);
        const QVariantMap manual = profileSettings(eth, manualIPv4);
        const QVariantMap off = profileSettings(with(eth, "autoconnect", false));
        const QVariantMap bound = profileSettings(with(eth, "interface-name", "other0"));
        const QVariantMap none;
        const QVariantMap up = activeOn("/p/1", upDevice, liveConfig);

        row("loopback is not a service", profileSettings(with(eth, "type", "loopback")), none,
            "none");
        row("VPN is not a service", profileSettings(with(eth, "type", "vpn")), none, "none");
        row("a bridge port is not a service", profileSettings(with(eth, "master", "br0")), none,
            "none");
        row("a controller's port is not a service",
            profileSettings(with(eth, "controller", "bond0")), none, "none");
        row("no UUID, no service", profileSettings(with(eth, "uuid", 7)), none, "none");
        row("a name that is not text gives the UUID", profileSettings(with(eth, "id", 7)), none,
            "serviceName=u1");
        row("Wi-Fi", profileSettings(with(eth, "type", "802-11-wireless")), none,
            "hardwareName=Wi-Fi");
        row("bond", profileSettings(with(eth, "type", "bond")), none,
            "hardwareName=Agrégat de liens");
        row("autoconnect absent means enabled", plain, none, "enabled=true, connected=false");
        row("autoconnect of another type means enabled",
            profileSettings(with(eth, "autoconnect", "no")), none, "enabled=true");
        row("autoconnect off and inactive means disabled", off, none, "enabled=false");
        row("active without autoconnect is enabled", off, up, "enabled=true");
        row("inactive: the bound interface", bound, none, "device=other0");
        row("active: the device's name", bound, up, "device=eth0");
        row("activated with carrier is connected", plain, up, "connected=true");
        row("still activating is not connected", plain, activeOn("/p/1", upDevice, liveConfig, 1),
            "connected=false");
        row("a device not yet activated is not connected", plain,
            activeOn("/p/1", with(upDevice, "State", 70u), liveConfig), "connected=false");
        row("no carrier is not connected", plain,
            activeOn("/p/1", with(upDevice, "InterfaceFlags", 0x3u), liveConfig),
            "connected=false");
        row("a profile active elsewhere is another's", plain,
            activeOn("/p/9", upDevice, liveConfig), "connected=false");
        row("DHCP is the method auto", profileSettings(eth, {{"method", "auto"}}), none,
            "dhcp=true");
        row("link-local is not DHCP", profileSettings(eth, {{"method", "link-local"}}), none,
            "dhcp=false");
        row("inactive: the profile's addressing", manual, none,
            "dhcp=false, ip=192.168.9.9, mask=255.255.0.0, router=192.168.0.1");
        // The card's address is the profile's first; the daemon lists the live ones in its own
        // order, and they tell only whether the device has taken it.
        row("active, the device not yet on the saved address", manual, up,
            "ip=192.168.9.9, mask=255.255.0.0, router=192.168.0.1, inEffect=false");
        row("active without a live address yet", manual, activeOn("/p/1", upDevice, {}),
            "ip=192.168.9.9, router=192.168.0.1, inEffect=false");
        const QVariantList twoAddresses{addressData("10.62.0.8", 24),
                                        addressData("10.62.0.200", 24)};
        const QVariantList twoReversed{twoAddresses[1], twoAddresses[0]};
        row("two addresses, listed live in another order",
            profileSettings(
                eth,
                {{"method", "manual"}, {"address-data", twoAddresses}, {"gateway", "10.62.0.1"}}),
            activeOn("/p/1", upDevice, {{"AddressData", twoReversed}, {"Gateway", "10.62.0.1"}}),
            "ip=10.62.0.8, otherAddresses=10.62.0.200/24, otherAddressesLabel=+1 adresse, "
            "inEffect=true");
        row("the live gateway is not yet the saved one",
            profileSettings(
                eth,
                {{"method", "manual"}, {"address-data", twoAddresses}, {"gateway", "10.62.0.254"}}),
            activeOn("/p/1", upDevice, {{"AddressData", twoReversed}, {"Gateway", "10.62.0.1"}}),
            "router=10.62.0.254, inEffect=false");
        row("DHCP: the lease, the fixed addresses beside it",
            profileSettings(eth, {{"method", "auto"}, {"address-data", twoAddresses}}),
            activeOn("/p/1", upDevice,
                     {{"AddressData", twoReversed + QVariantList{addressData("10.62.0.57", 24)}},
                      {"Gateway", "10.62.0.1"}}),
            "dhcp=true, ip=10.62.0.57, router=10.62.0.1, otherAddressesLabel=+2 adresses");
        row("router 0.0.0.0 is none", profileSettings(eth, with(manualIPv4, "gateway", "0.0.0.0")),
            none, "router=");
        row("legacy form, network order", profileSettings(eth, legacyIPv4()), none,
            "ip=10.0.2.3, mask=255.0.0.0, router=10.0.0.1");
        row("an address list of another shape is no address",
            profileSettings(eth, {{"address-data", "10.0.0.1/8"}}), none, "ip=");
        row("a prefix above 32 gives no mask",
            profileSettings(eth, {{"address-data", QVariantList{addressData("10.0.0.1", 40)}}}),
            none, "ip=10.0.0.1, mask=");
        row("garbage objects are ignored", plain,
            {{"/ac/1", "text"}, {"/dev/1", QVariantMap{{activeInterface, 3}}}}, "connected=false");
    }

    void oneProfile()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QVariantMap, objects);
        QFETCH(QString, expected);

        const QList<AdapterInfo> adapters =
            NetworkManagerReader::adapters(objects, {{"/p/1", settings}});
        QCOMPARE(adapters.size(), expected == QLatin1String("none") ? 0 : 1);
        const QMetaObject &meta = AdapterInfo::staticMetaObject;
        for (const QString &pair : expected.split(", ")) {
            if (adapters.isEmpty())
                break;
            const QByteArray field = pair.section(u'=', 0, 0).toLatin1();
            QCOMPARE(meta.property(meta.indexOfProperty(field))
                         .readOnGadget(&adapters.first())
                         .toString(),
                     pair.section(u'=', 1));
        }
    }

    void initTestCase()
    {
        qDBusRegisterMetaType<Settings>();
        qDBusRegisterMetaType<Objects>();
        qDBusRegisterMetaType<QList<QDBusObjectPath>>();
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address"});
        if (!m_bus.waitForStarted(10000))
            QSKIP("dbus-daemon is missing");
        QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), 10000);
        m_address = QString::fromLatin1(m_bus.readLine().trimmed());
        QDBusConnection daemon = QDBusConnection::connectToBus(m_address, "daemon");
        QVERIFY(daemon.isConnected());
        QVERIFY(daemon.registerVirtualObject("/", &m_daemon, QDBusConnection::SubPath));
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus("daemon");
        m_bus.kill();
        m_bus.waitForFinished();
    }

    // The bus helper reads an error once for a change (its typed cause) and for a read (the
    // words for a first call left unanswered). It goes by the error's name: the message may
    // quote a profile.
    void faults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("cause");
        QTest::addColumn<QString>("reading"); // why a read's first call went unanswered
        const auto row = [](const char *tag, const QString &name, const char *message,
                            ChangeCause cause, const QString &reading) {
            QTest::newRow(tag) << name << QString(message) << int(cause) << reading;
        };
        const QString nm = "org.freedesktop.NetworkManager.", bus = "org.freedesktop.DBus.Error.",
                      polkit = "org.freedesktop.PolicyKit1.Error.";
        const QString denied = "accès refusé.", absent = "le service ne fonctionne pas.",
                      error = "le service a répondu par une erreur (%1).";

        row("the settings' policy, a profile named like a cancel", nm + "Settings.PermissionDenied",
            "Réseau cancel: insufficient privileges", ChangeCause::refused, denied);
        row("polkit", polkit + "NotAuthorized", "", ChangeCause::refused, denied);
        row("the bus's policy", bus + "AccessDenied", "", ChangeCause::refused, denied);
        row("agent cancelled", polkit + "Cancelled", "", ChangeCause::cancelled,
            error.arg(polkit + "Cancelled"));
        row("a device's refusal, worded like a cancel", nm + "Device.IncompatibleConnection",
            "not authorized: cancelled, disconnected", ChangeCause::failed,
            error.arg(nm + "Device.IncompatibleConnection"));
        row("asked not to start it", bus + "NameHasNoOwner", "", ChangeCause::serviceGone, absent);
        row("not activatable", bus + "ServiceUnknown", "", ChangeCause::serviceGone, absent);
        row("no bus", bus + "NoServer", "", ChangeCause::serviceGone,
            "le bus système est injoignable.");
        row("no answer in time", bus + "NoReply", "Did not receive a reply", ChangeCause::timedOut,
            "le service n'a pas répondu à temps.");
        row("left without answering", bus + "NoReply",
            "Message recipient disconnected from message bus without replying",
            ChangeCause::timedOut, "le service s'est arrêté pendant la lecture.");
    }

    void faults()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(int, cause);
        QFETCH(QString, reading);

        const QDBusError error(QDBusMessage::createError(name, message));
        QCOMPARE(int(NetworkManagerBus::causeOf(error)), cause);
        QCOMPARE(NetworkManagerReader::causeOfNoAnswer(error), reading);
    }

    // Everything a read meets on the bus: an empty read with its cause, never a hang.
    void readOverTheBus_data()
    {
        QTest::addColumn<FakeDaemon::Behaviour>("behaviour");
        QTest::addColumn<QString>("bus"); // "ours", "none running", or an address
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("services"); // id|device|ip|mask, in display order

        const QString cannot = "Lecture de NetworkManager impossible : ";
        const QString unexpected = cannot + "réponse inattendue du service.";
        using B = FakeDaemon::Behaviour;
        // Profile 2 is the active one; its connection names no IPv4 configuration ("/"), so the
        // device's is used.
        QTest::newRow("sane, live values, connected first")
            << B::sane << "ours"
            << "" << QStringList{"uuid-2|eth7|10.1.2.3|255.255.240.0", "uuid-1|||"};
        QTest::newRow("a profile deleted while read") << B::oneVanished << "ours"
                                                      << "" << QStringList{"uuid-1|||"};
        QTest::newRow("profiles listed as text")
            << B::listIsText << "ours" << unexpected << QStringList();
        QTest::newRow("objects as text")
            << B::objectsAreText << "ours" << unexpected << QStringList();
        QTest::newRow("settings as a number")
            << B::settingsAreText << "ours" << unexpected << QStringList();
        QTest::newRow("silent") << B::silent << "ours"
                                << cannot + "le service n'a pas répondu à temps." << QStringList();
        QTest::newRow("not running") << B::sane << "none running"
                                     << cannot + "le service ne fonctionne pas." << QStringList();
        QTest::newRow("unreachable bus")
            << B::sane << "unix:path=/nonexistent/brisvale"
            << cannot + "le bus système est injoignable." << QStringList();
    }

    void readOverTheBus()
    {
        QFETCH(FakeDaemon::Behaviour, behaviour);
        QFETCH(QString, bus);
        QFETCH(QString, failure);
        QFETCH(QStringList, services);

        QDBusConnection daemon("daemon");
        m_daemon.behaviour = behaviour;
        if (bus == QLatin1String("ours"))
            QVERIFY(daemon.registerService("org.freedesktop.NetworkManager"));
        QFuture<AdapterRead> reading = NetworkManagerReader::readAsync(
            {bus.startsWith(QLatin1String("unix:")) ? bus : m_address, 300ms});
        QTRY_VERIFY_WITH_TIMEOUT(reading.isFinished(), 20000);
        daemon.unregisterService("org.freedesktop.NetworkManager");

        const AdapterRead read = reading.result();
        QCOMPARE(read.failure, failure);
        QStringList found;
        for (const AdapterInfo &a : read.adapters)
            found.append(QStringList{a.id, a.device, a.ip, a.mask}.join(u'|'));
        QCOMPARE(found, services);
    }

private:
    QProcess m_bus;
    QString m_address;
    FakeDaemon m_daemon;
};

QTEST_GUILESS_MAIN(tst_NetworkManagerReader)
#include "tst_NetworkManagerReader.moc"
