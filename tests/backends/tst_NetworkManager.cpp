// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "IPv4.h"
#include "NetworkManagerBus.h"
#include "NetworkManagerReader.h"
#include "NetworkManagerWriter.h"

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

QVariantMap address(const QString &ip, const QVariant &prefix)
{
    return {{"address", ip}, {"prefix", prefix}};
}

QVariantMap with(QVariantMap map, const QString &key, const QVariant &value)
{
    map.insert(key, value);
    return map;
}

// The managed objects of one profile active on device "eth0" (state 2 = activated).
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

// A stand-in daemon on a private bus; the behaviour names its fault.
class FakeDaemon : public QDBusVirtualObject {
public:
    QString behaviour;

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        using P = QDBusObjectPath;
        const QString member = message.member();
        const bool second = message.path() == QLatin1String("/p/2");
        QVariant answer;
        if (member == QLatin1String("ListConnections")) {
            answer = QVariant::fromValue(QList<P>{P("/p/1"), P("/p/2")});
        } else if (member == QLatin1String("GetManagedObjects")) {
            answer = QVariant::fromValue(Objects{});
        } else if (member == QLatin1String("GetSettings")) {
            answer = QVariant::fromValue(Settings{{"connection",
                                                   {{"id", second ? "Deux" : "Un"},
                                                    {"uuid", second ? "uuid-2" : "uuid-1"},
                                                    {"type", "802-3-ethernet"},
                                                    {"autoconnect", false}}}});
        } else {
            return false;
        }
        if (behaviour == QLatin1String("vanished") && second)
            connection.send(
                message.createErrorReply("org.freedesktop.DBus.Error.UnknownObject", ""));
        else
            connection.send(message.createReply(behaviour == member ? QVariant("text") : answer));
        return true;
    }
};

// A profile as GetSettings hands it over, with what a change must leave alone.
Settings profile(const QString &method, bool secondAddress = false)
{
    QList<QVariantMap> addresses{{{"address", "10.0.0.5"}, {"prefix", 24u}}};
    if (secondAddress)
        addresses.append({{"address", "10.0.0.200"}, {"prefix", 24u}});
    Settings settings;
    settings["connection"] = {{"id", "Bureau"}, {"uuid", "0a1b"}, {"autoconnect", true}};
    settings["ipv4"] = {{"method", method},        {"address-data", QVariant::fromValue(addresses)},
                        {"addresses", "old form"}, {"gateway", "10.0.0.1"},
                        {"dns", "dns servers"},    {"dns-search", "labo.test"},
                        {"route-data", "routes"},  {"routes", "old routes"}};
    settings["ipv6"] = {{"method", "manual"}, {"address-data", "fd00::5/64"}, {"addresses", "old"}};
    settings["802-3-ethernet"] = {{"mtu", 1400u}};
    return settings;
}

} // namespace

Q_DECLARE_METATYPE(Settings)
Q_DECLARE_METATYPE(Objects)

class tst_NetworkManager : public QObject {
    Q_OBJECT

private slots:
    void oneProfile_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QVariantMap>("objects");
        QTest::addColumn<QString>("expected"); // "field=value, ...", or "none": not a service
        const auto row = [](const char *name, const QVariantMap &settings,
                            const QVariantMap &objects, const char *expected) {
            QTest::newRow(name) << settings << objects << QString::fromUtf8(expected);
        };

        // Plain Ethernet but for the connection keys given; IPv4 only if given.
        const auto profile = [](const QVariantMap &ipv4, const QVariantMap &connection = {}) {
            QVariantMap base{{"uuid", "u1"}, {"id", "Un"}, {"type", "802-3-ethernet"}};
            base.insert(connection);
            QVariantMap settings{{"connection", base}};
            if (!ipv4.isEmpty())
                settings.insert("ipv4", ipv4);
            return settings;
        };
        const QVariantMap none, plain = profile({});
        const QVariantMap manual{{"method", "manual"},
                                 {"address-data", QVariantList{address("192.168.9.9", 16u)}},
                                 {"gateway", "192.168.0.1"}};
        const QVariantMap upDevice{
            {"Interface", "eth0"}, {"State", 100u}, {"InterfaceFlags", 0x10003u}};
        const auto on = [&upDevice](const QVariantMap &live, const char *key = "State",
                                    const QVariant &value = 100u, quint32 state = 2) {
            return activeOn("/p/1", with(upDevice, key, value), live, state);
        };
        const QVariantMap up =
            on({{"AddressData", QVariantList{address("10.0.0.5", 24u)}}, {"Gateway", "10.0.0.1"}});

        for (const auto &[key, value] : QList<std::pair<const char *, QVariant>>{
                 {"type", "vpn"}, {"master", "br0"}, {"controller", "bond0"}, {"uuid", 7}})
            QTest::addRow("no service: %s", key) << profile({}, {{key, value}}) << none << "none";
        row("Wi-Fi", profile({}, {{"type", "802-11-wireless"}}), none, "kind=wifi");
        row("autoconnect absent means enabled", plain, none, "enabled=true, connected=false");
        const QVariantMap off = profile({}, {{"autoconnect", false}, {"interface-name", "other0"}});
        row("inactive, no autoconnect: disabled, on its bound interface", off, none,
            "enabled=false, device=other0");
        row("active, no autoconnect: enabled, on the device", off, up, "enabled=true, device=eth0");
        row("activated with carrier is connected", plain, up, "connected=true");
        row("still activating", plain, on({}, "State", 100u, 1), "connected=false");
        row("a device not yet activated", plain, on({}, "State", 70u), "connected=false");
        row("no carrier", plain, on({}, "InterfaceFlags", 0x3u), "connected=false");
        row("a profile active elsewhere is another's", plain, activeOn("/p/9", upDevice, {}),
            "connected=false");
        // Servers by hand in network byte order, live as NameserverData gives them; and garbage.
        const QVariantList au{QVariant(qToBigEndian(0x0a000035u)), qToBigEndian(0x0a000036u)};
        const QVariantList data{address("10.0.0.53", {}), "text", address("fd00::53", {}),
                                address("10.0.0.54", {})};
        const QVariantMap dnsManual =
            with(with(manual, "dns", au + QVariantList{"10.0.0.9"}), "ignore-auto-dns", true);
        row("inactive: the profile's addressing and servers", profile(dnsManual), none,
            "dhcp=false, ip=192.168.9.9, router=192.168.0.1, dnsServers=10.0.0.53,10.0.0.54, "
            "dnsInEffect=, inEffect=true");
        // The card's address is the profile's first; the live ones, in any order, tell only
        // whether the device has taken it.
        row("active, the device not yet on the saved address", profile(manual), up,
            "ip=192.168.9.9, mask=255.255.0.0, router=192.168.0.1, inEffect=false");
        row("active without a live address yet", profile(manual), on({}),
            "ip=192.168.9.9, router=192.168.0.1, inEffect=false");
        const QVariantList two{address("10.62.0.8", 24u), address("10.62.0.200", 24u)};
        const QVariantMap twoLive =
            on({{"AddressData", QVariantList{two[1], two[0]}}, {"Gateway", "10.62.0.1"}});
        const QVariantMap twoManual{
            {"method", "manual"}, {"address-data", two}, {"gateway", "10.62.0.1"}};
        row("two addresses, listed live in another order", profile(twoManual), twoLive,
            "ip=10.62.0.8, otherAddresses=10.62.0.200/24, otherAddressesLabel=+1 adresse, "
            "inEffect=true");
        row("the live gateway is not yet the saved one",
            profile(with(twoManual, "gateway", "10.62.0.254")), twoLive,
            "router=10.62.0.254, inEffect=false");
        row("DHCP: the lease, the fixed addresses beside it",
            profile({{"method", "auto"}, {"address-data", two}}),
            on({{"AddressData", two + QVariantList{address("10.62.0.57", 24u)}},
                {"Gateway", "10.62.0.1"}}),
            "dhcp=true, ip=10.62.0.57, router=10.62.0.1, otherAddressesLabel=+2 adresses");
        const QVariantMap taken{{"AddressData", QVariantList{address("192.168.9.9", 16u)}},
                                {"Gateway", "192.168.0.1"}};
        row("servers taken in order, the newer list over the older", profile(dnsManual),
            on(with(with(taken, "NameserverData", data), "Nameservers", QVariantList{au[1]})),
            "dnsServers=10.0.0.53,10.0.0.54, dnsInEffect=10.0.0.53,10.0.0.54, inEffect=true");
        row("servers saved, not yet taken; an older daemon's list", profile(dnsManual),
            on(with(taken, "Nameservers", QVariantList{au[1], au[0]})),
            "dnsInEffect=10.0.0.54,10.0.0.53, inEffect=false");
        // (address, prefix, gateway), each in network byte order.
        const QVariantList legacy{QVariant(qToBigEndian(0x0a000203u)), QVariant(8u),
                                  QVariant(qToBigEndian(0x0a000001u))};
        row("legacy form, network order", profile({{"addresses", QVariantList{QVariant(legacy)}}}),
            none, "ip=10.0.2.3, mask=255.0.0.0, router=10.0.0.1");
        row("addresses of another shape", profile({{"address-data", "10.0.0.1/8"}}), none, "ip=");
        row("a prefix above 32 gives no mask",
            profile({{"address-data", QVariantList{address("10.0.0.1", 40u)}}}), none,
            "ip=10.0.0.1, mask=");
        // A host's /32, and a prefix that came as a signed 0.
        row("prefixes at both ends",
            profile({{"method", "manual"},
                     {"address-data",
                      QVariantList{address("10.0.0.1", 32u), address("10.0.0.2", int(0))}}}),
            none, "mask=255.255.255.255, otherAddresses=10.0.0.2/0");
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
        for (const QString &pair : adapters.isEmpty() ? QStringList() : expected.split(", ")) {
            const QMetaProperty property =
                meta.property(meta.indexOfProperty(pair.section(u'=', 0, 0).toLatin1()));
            QVariant value = property.readOnGadget(&adapters.first());
            if (property.isEnumType())
                value = property.enumerator().valueToKey(value.toInt());
            if (value.typeId() == QMetaType::QStringList)
                value = value.toStringList().join(u',');
            QCOMPARE(value.toString(), pair.section(u'=', 1));
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
        QVERIFY(daemon.registerVirtualObject("/", &m_daemon, QDBusConnection::SubPath));
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus("daemon");
        m_bus.kill();
        m_bus.waitForFinished();
    }

    // By the error's name, never its message: that may quote a profile.
    void faults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("cause");
        // Why a read's first call went unanswered; empty: the error quoted as the service's.
        QTest::addColumn<QString>("reading");
        const auto row = [](const char *tag, const QString &name, const char *message,
                            ChangeCause cause, const char *reading = "") {
            QTest::newRow(tag) << name << QString(message) << int(cause) << QString(reading);
        };
        const QString nm = "org.freedesktop.NetworkManager.", bus = "org.freedesktop.DBus.Error.",
                      polkit = "org.freedesktop.PolicyKit1.Error.";
        const char *denied = "accès refusé.", *absent = "le service ne fonctionne pas.";

        using C = ChangeCause;
        row("the settings' policy, a profile named like a cancel", nm + "Settings.PermissionDenied",
            "Réseau cancel: insufficient privileges", C::refused, denied);
        row("the bus's policy", bus + "AccessDenied", "", C::refused, denied);
        row("agent cancelled", polkit + "Cancelled", "", C::cancelled);
        row("a device's refusal, worded like a cancel", nm + "Device.IncompatibleConnection",
            "not authorized: cancelled, disconnected", C::failed);
        row("asked not to start it", bus + "NameHasNoOwner", "", C::serviceGone, absent);
        row("no bus", bus + "NoServer", "", C::serviceGone, "le bus système est injoignable.");
        row("no answer in time", bus + "NoReply", "Did not receive a reply", C::timedOut,
            "le service n'a pas répondu à temps.");
        row("left without answering", bus + "NoReply",
            "Message recipient disconnected from message bus without replying", C::timedOut,
            "le service s'est arrêté pendant la lecture.");
    }

    void faults()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(int, cause);
        QFETCH(QString, reading);

        const QDBusError error(QDBusMessage::createError(name, message));
        QCOMPARE(int(NetworkManagerBus::causeOf(error)), cause);
        QCOMPARE(NetworkManagerReader::causeOfNoAnswer(error),
                 reading.isEmpty() ? "le service a répondu par une erreur (" + name + ")."
                                   : reading);
    }

    // Everything a read meets on the bus: an empty read with its cause, never a hang.
    void readOverTheBus_data()
    {
        // The daemon's behaviour, or another bus's address.
        QTest::addColumn<QString>("daemon");
        QTest::addColumn<QString>("failure");      // a word of it
        QTest::addColumn<QStringList>("services"); // ids, in display order
        const auto row = [](const char *name, const char *daemon, const char *failure,
                            const QStringList &services = {}) {
            QTest::newRow(name) << QString(daemon) << QString(failure) << services;
        };

        row("a profile deleted while read", "vanished", "", {"uuid-1"});
        row("profiles listed as text", "ListConnections", "inattendue");
        row("objects as text", "GetManagedObjects", "inattendue");
        row("settings as text", "GetSettings", "inattendue");
        row("unreachable bus", "unix:path=/nonexistent/brisvale", "injoignable");
    }

    void readOverTheBus()
    {
        QFETCH(QString, daemon);
        QFETCH(QString, failure);
        QFETCH(QStringList, services);

        QDBusConnection bus("daemon");
        m_daemon.behaviour = daemon;
        const bool elsewhere = daemon.startsWith(QLatin1String("unix:"));
        if (!elsewhere)
            QVERIFY(bus.registerService("org.freedesktop.NetworkManager"));
        QFuture<AdapterRead> reading =
            NetworkManagerReader::readAsync({elsewhere ? daemon : m_address, 300ms});
        QTRY_VERIFY_WITH_TIMEOUT(reading.isFinished(), 20000);
        bus.unregisterService("org.freedesktop.NetworkManager");

        const AdapterRead read = reading.result();
        QVERIFY2(read.failure.contains(failure) && failure.isEmpty() == read.failure.isEmpty(),
                 qPrintable(read.failure));
        QStringList found;
        for (const AdapterInfo &a : read.adapters)
            found.append(a.id);
        QCOMPARE(found, services);
    }

    void changesKeepTheRest_data()
    {
        QTest::addColumn<Settings>("changed");
        QTest::addColumn<QString>("expected"); // method|addresses|gateway|DNS|ignore-auto-dns
        namespace W = NetworkManagerWriter;
        // The card's address is a manual profile's first; a DHCP profile's stand beside the lease.
        QTest::newRow("manual from DHCP, before the fixed addresses")
            << W::withManualAddress(profile("auto"), "192.168.4.20", 22, "192.168.4.1")
            << "manual|192.168.4.20/22,10.0.0.5/24|192.168.4.1|dns servers|";
        QTest::newRow("manual without a router drops the old one")
            << W::withManualAddress(profile("manual"), "192.168.4.20", 24, "")
            << "manual|192.168.4.20/24|none|dns servers|";
        QTest::newRow("manual replaces the first address only")
            << W::withManualAddress(profile("manual", true), "10.0.0.8", 24, "10.0.0.254")
            << "manual|10.0.0.8/24,10.0.0.200/24|10.0.0.254|dns servers|";
        QTest::newRow("DHCP keeps the other addresses")
            << W::withDHCP(profile("manual", true)) << "auto|10.0.0.200/24|none|dns servers|";
        QTest::newRow("DNS servers in order, DHCP's ignored")
            << W::withDns(profile("auto"), {"10.0.0.54", "10.0.0.53"})
            << "auto|10.0.0.5/24|10.0.0.1|10.0.0.54,10.0.0.53|true";
        // A daemon that gives the newer list takes only it: the older would win and lose the name.
        Settings newer = profile("manual");
        newer["ipv4"]["dns-data"] = QStringList{"10.0.0.53#dns.test", "10.0.0.9"};
        QTest::newRow("the newer list: a server's DNS-over-TLS name stays with it")
            << W::withDns(newer, {"10.0.0.8", "10.0.0.53"})
            << "manual|10.0.0.5/24|10.0.0.1|10.0.0.8,10.0.0.53#dns.test|true";
    }

    void changesKeepTheRest()
    {
        QFETCH(Settings, changed);
        QFETCH(QString, expected);

        QStringList addressing;
        for (const QVariantMap &a : changed["ipv4"]["address-data"].value<QList<QVariantMap>>())
            addressing << a["address"].toString() + '/' + a["prefix"].toString();
        QVariantMap &ipv4 = changed["ipv4"];
        const QString gateway = ipv4.contains("gateway") ? ipv4.take("gateway").toString() : "none";
        QCOMPARE(ipv4.take("method").toString() + '|' + addressing.join(u',') + '|' + gateway,
                 expected.section(u'|', 0, 2));
        const QVariant dns = ipv4.contains("dns-data") ? ipv4.take("dns-data") : ipv4.take("dns");
        QStringList servers =
            dns.typeId() == qMetaTypeId<QList<uint>>() ? QStringList() : dns.toStringList();
        for (const uint server : dns.value<QList<uint>>())
            servers << IPv4::format(qFromBigEndian(server));
        QCOMPARE(servers.join(u',') + '|' + ipv4.take("ignore-auto-dns").toString(),
                 expected.section(u'|', 3));
        ipv4.remove("address-data");
        // The old address and route lists would override the new ones: never sent back.
        Settings rest = profile("");
        rest["ipv4"] = {{"dns-search", "labo.test"}, {"route-data", "routes"}};
        rest["ipv6"].remove("addresses");
        QCOMPARE(changed, rest);
    }

private:
    QProcess m_bus;
    QString m_address;
    FakeDaemon m_daemon;
};

QTEST_GUILESS_MAIN(tst_NetworkManager)
#include "tst_NetworkManager.moc"
