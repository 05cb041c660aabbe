// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ConfigurationStore.h"
#include "NetworkReader.h"
#include "PropertyList.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMetaProperty>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Counts the handles it hands out, so that every read is seen to release what it created.
class FakeStore : public ConfigurationStore {
public:
    // A plain Ethernet service unless told otherwise.
    struct Service {
        std::optional<QString> name = QString("Ethernet"), id = QString("ID-Ethernet");
        std::optional<QString> device = QString("en0"), type = QString("Ethernet");
        std::optional<QString> displayName = QString("Ethernet");
        bool hasInterface = true, enabled = true, hasProtocol = true;
        QVariant configuration;
        QVariant dns, liveDNS; // the DNS protocol's configuration (none when invalid), its state
    };

    QList<Service> services;
    QHash<QString, QVariant> dynamicValues; // by key
    QString failing; // "preferences", "services" or "dynamic store": what it cannot give
    int created = 0, released = 0; // handles of either kind
    QStringList dynamicKeysAsked;

    Ref createPreferences(const QString &) override { return handle("preferences"); }
    Ref createDynamicStore(const QString &) override { return handle("dynamic store"); }
    std::optional<QList<Ref>> copyAllServices(const Ref &) override
    {
        if (failing == QLatin1String("services"))
            return std::nullopt;
        QList<Ref> refs;
        for (const Service &service : services)
            refs.append(Ref(&service, [](const void *) {}));
        return refs;
    }
    Ref serviceInterface(const Ref &s) override { return of(s).hasInterface ? s : Ref(); }
    std::optional<QString> serviceName(const Ref &s) override { return of(s).name; }
    std::optional<QString> serviceID(const Ref &s) override { return of(s).id; }
    bool serviceEnabled(const Ref &s) override { return of(s).enabled; }
    Ref copyIPv4Protocol(const Ref &s) override { return of(s).hasProtocol ? s : Ref(); }
    // A service of its own, whose configuration is that of the DNS protocol.
    Ref copyDNSProtocol(const Ref &s) override
    {
        return std::make_shared<const Service>(Service{.configuration = of(s).dns});
    }
    QVariant protocolConfiguration(const Ref &p) override { return of(p).configuration; }
    std::optional<QString> interfaceBSDName(const Ref &i) override { return of(i).device; }
    std::optional<QString> interfaceType(const Ref &i) override { return of(i).type; }
    std::optional<QString> interfaceDisplayName(const Ref &i) override { return of(i).displayName; }
    QVariant copyDynamicValue(const Ref &, const QString &key) override
    {
        dynamicKeysAsked.append(key);
        return dynamicValues.value(key);
    }

private:
    static const Service &of(const Ref &ref) { return *static_cast<const Service *>(ref.get()); }
    Ref handle(const char *kind)
    {
        if (failing == QLatin1String(kind))
            return {};
        ++created;
        return Ref(this, [this](const void *) { ++released; });
    }
};

using List = QVariantList;

// Invalid values are left out.
QVariantMap ipv4(const QVariant &method, const QVariant &addresses, const QVariant &masks = {},
                 const QVariant &router = {})
{
    QVariantMap map{{"ConfigMethod", method},
                    {"Addresses", addresses},
                    {"SubnetMasks", masks},
                    {"Router", router}};
    map.removeIf([](const auto &entry) { return !entry.value().isValid(); });
    return map;
}

// Property-list values written as JSON: a number is an integer, null a value of a type the
// reader never expects, nothing no value at all, and an array that starts with null a
// dictionary whose keys and values follow in turn, so that a key need not be a string.
struct Adapter {
    using K = PropertyList::Kind;
    static bool isDictionary(const QJsonValue &v) { return v.isArray() && v[0].isNull(); }
    static K kind(const QJsonValue &v)
    {
        return v.isString()                      ? K::string
               : v.isDouble()                    ? K::integer
               : v.isBool()                      ? K::boolean
               : v.isObject() || isDictionary(v) ? K::dictionary
               : v.isArray()                     ? K::array
               : v.isNull()                      ? K::other
                                                 : K::none;
    }
    static QString string(const QJsonValue &v) { return v.toString(); }
    static qint64 integer(const QJsonValue &v) { return v.toInteger(); }
    static double real(const QJsonValue &v) { return v.toDouble(); }
    static bool boolean(const QJsonValue &v) { return v.toBool(); }
    static QByteArray data(const QJsonValue &v) { return v.toString().toUtf8(); }
    static QDateTime date(const QJsonValue &) { return {}; }
    static qsizetype count(const QJsonValue &v) { return v.toArray().size(); }
    static QJsonValue at(const QJsonValue &v, qsizetype i) { return v[i]; }
    static QList<std::pair<QJsonValue, QJsonValue>> entries(const QJsonValue &v)
    {
        QList<std::pair<QJsonValue, QJsonValue>> entries;
        const QJsonObject object = v.toObject();
        for (auto entry = object.begin(); entry != object.end(); ++entry)
            entries.append({entry.key(), entry.value()});
        for (qsizetype i = 1; i + 1 < v.toArray().size(); i += 2)
            entries.append({v[i], v[i + 1]});
        return entries;
    }
};

} // namespace

using Service = FakeStore::Service;
Q_DECLARE_METATYPE(Service)

class tst_Adapters : public QObject {
    Q_OBJECT

private slots:
    void oneService_data()
    {
        QTest::addColumn<Service>("service");
        QTest::addColumn<QVariant>("live");   // invalid: none published
        QTest::addColumn<QByteArray>("link"); // what ifconfig prints; empty: it fails
        QTest::addColumn<QString>("failing"); // what the store cannot give
        // "field=value, ...", or "none": not listed, or the read's failure.
        QTest::addColumn<QString>("expected");
        const QByteArray active = "\tstatus: active\n";
        const auto row = [&active](const char *name, const Service &service, const char *expected,
                                   const QVariant &live = {}, const QByteArray &link = {},
                                   const char *failing = "") {
            QTest::newRow(name) << service << live << (link.isNull() ? active : link)
                                << QString(failing) << QString(expected);
        };

        row("ethernet", {}, "id=ID-Ethernet, hardwareName=Ethernet, kind=ethernet, connected=true");
        row("wi-fi, no DNS", {.type = "IEEE80211"}, "kind=wifi, dnsServers=, dnsInEffect=");
        row("bridge without display name", {.type = "Bridge", .displayName = std::nullopt},
            "hardwareName=en0, kind=other");
        row("no identifier: the name", {.id = std::nullopt}, "id=Ethernet");
        row("type names are exact", {.type = "ethernet"}, "none");
        row("excluded device", {.device = "utun0"}, "none");
        row("prefix only at the start", {.device = "enutun0"}, "connected=true");
        row("no interface", {.hasInterface = false}, "none");
        row("empty name", {.name = ""}, "none");
        row("link inactive", {}, "connected=false", {}, "\tstatus: inactive\n");
        row("no status line", {}, "connected=true", {}, "bridge0: flags=8863<UP>\n");
        row("ifconfig fails", {}, "connected=false", {}, "");
        row("a byte that is not UTF-8 hides no status line", {}, "connected=false", {},
            "\tdescription: caf\xe9\n\tstatus: inactive\n");
        row("disabled: no process", {.enabled = false}, "enabled=false, connected=false");
        row("no preferences", {},
            "Lecture réseau impossible : les préférences réseau du système sont inaccessibles.", {},
            active, "preferences");
        row("no list of services", {},
            "Lecture réseau impossible : la liste des services réseau n'a pas pu être lue.", {},
            active, "services");
        row("no dynamic store", {}, "connected=true", {}, active, "dynamic store");

        const QVariantMap manual =
            ipv4("Manual", List{"192.168.1.20"}, List{"255.255.255.0"}, "192.168.1.1");
        const char *configured = "dhcp=false, ip=192.168.1.20, mask=255.255.255.0, "
                                 "router=192.168.1.1";
        row("manual, no live state", {.configuration = manual}, configured);
        row("manual, live address differs", {.configuration = manual},
            "ip=192.168.1.77, mask=255.255.0.0, router=192.168.1.1",
            ipv4({}, List{"192.168.1.77"}, List{"255.255.0.0"}));
        row("DHCP with a lease", {.configuration = ipv4("DHCP", {})},
            "dhcp=true, ip=10.0.0.42, mask=255.255.255.0, router=10.0.0.1",
            ipv4({}, List{"10.0.0.42"}, List{"255.255.255.0"}, "10.0.0.1"));
        row("BOOTP without a lease", {.configuration = ipv4("BOOTP", {})}, "dhcp=true, ip=");
        row("method names are exact", {.configuration = ipv4("dhcp", {})}, "dhcp=false");
        row("router 0.0.0.0 is none",
            {.configuration = ipv4("Manual", List{"0.0.0.0"}, {}, "0.0.0.0")}, "router=");
        row("empty live values", {.configuration = manual}, configured,
            ipv4({}, List{""}, List(), ""));
        row("live lists with a non-string", {.configuration = manual}, configured,
            ipv4({}, List{7}, List{"255.0.0.0", 8}, 9));
        // QVariant would split a lone string into its characters.
        row("address as a string, not a list",
            {.configuration = ipv4("Manual", "192.168.1.20", {}, 42)},
            "ip=, router=, otherAddresses=");
        row("no protocol: live values only", {.hasProtocol = false},
            "dhcp=false, ip=10.1.1.1, mask=255.0.0.0, router=10.0.0.1",
            ipv4({}, List{"10.1.1.1"}, List{"255.0.0.0"}, "10.0.0.1"));
        // The card shows the first; the second is kept as the others, not the first once more.
        row("several addresses",
            {.configuration =
                 ipv4("Manual", List{"10.0.0.2", "10.0.0.3"}, List{"255.0.0.0", "255.255.0.0"})},
            "ip=10.0.0.2, mask=255.0.0.0, otherAddresses=10.0.0.3/16");

        const auto servers = [](const QVariant &list) {
            return QVariantMap{{"ServerAddresses", list}};
        };
        row("DNS by hand, in order, in canonical form",
            {.dns = servers(List{"9.9.9.9", "192.168.001.010", "1.1.1.1"})},
            "dnsServers=9.9.9.9,192.168.1.10,1.1.1.1, dnsKept=, dnsManual=true");
        row("IPv6 servers kept aside, anything else dropped",
            {.dns = servers(List{"2001:db8::53", 7, "1.1.1.1", "fe80::1%en0", "300.1.1.1",
                                 "dns.example", "fe80::1%", "::1%en 0"}),
             .liveDNS = servers("1.1.1.1")},
            "dnsServers=1.1.1.1, dnsKept=2001:db8::53,fe80::1%en0, dnsInEffect=, dnsManual=true");
        row("servers in effect: IPv4 only, in order",
            {.dns = List{servers(List{"1.1.1.1"})},
             .liveDNS = servers(List{"192.168.1.1", "2001:db8::1", false, "010.0.0.1"})},
            "dnsServers=, dnsInEffect=192.168.1.1,10.0.0.1, dnsManual=false");
    }

    void oneService()
    {
        QFETCH(Service, service);
        QFETCH(QVariant, live);
        QFETCH(QByteArray, link);
        QFETCH(QString, failing);
        QFETCH(QString, expected);

        // An ifconfig that logs every call, so that a disabled service is seen to cost none.
        QTemporaryDir root;
        TestSupport::writeExecutable(root.filePath("sbin/ifconfig"),
                                     "#!/bin/sh\necho \"$1\" >> \"$0.log\"\ncat \"$0.out\"\n");
        if (!link.isEmpty())
            TestSupport::writeExecutable(root.filePath("sbin/ifconfig.out"), link);
        FakeStore store;
        store.failing = failing;
        store.services = {service};
        const QString key = "State:/Network/Service/" + service.id.value_or("Ethernet") + "/IPv4";
        if (live.isValid())
            store.dynamicValues.insert(key, live);
        const QString dnsKey = key.chopped(4) + "DNS";
        store.dynamicValues.insert(dnsKey, service.liveDNS);
        const AdapterRead read = NetworkReader::readOnceWithCause(store, SystemTools(root.path()));
        const bool listed = expected.contains(u'=');
        QCOMPARE(read.adapters.size(), listed ? 1 : 0);
        QCOMPARE(read.failure, expected.startsWith("Lecture") ? expected : QString());
        const QMetaObject &meta = AdapterInfo::staticMetaObject;
        for (const QString &pair : listed ? expected.split(", ") : QStringList()) {
            const QMetaProperty property =
                meta.property(meta.indexOfProperty(pair.section(u'=', 0, 0).toLatin1()));
            QVariant value = property.readOnGadget(&read.adapters.first());
            if (property.isEnumType())
                value = property.enumerator().valueToKey(value.toInt());
            if (value.typeId() == QMetaType::QStringList)
                value = value.toStringList().join(u',');
            QCOMPARE(value.toString(), pair.section(u'=', 1));
        }
        QCOMPARE(store.released, store.created);
        QCOMPARE(store.dynamicKeysAsked.join(u' '),
                 listed && failing != "dynamic store" ? key + ' ' + dnsKey : QString());
        QCOMPARE(TestSupport::loggedLines(root.filePath("sbin/ifconfig.log")),
                 listed && service.enabled ? QStringList{*service.device} : QStringList());
    }

    void noStoreSaysWhy()
    {
        const auto none = [] { return std::unique_ptr<ConfigurationStore>(); };
        QVERIFY(NetworkReader::readAsync(none, SystemTools()).result().failure.contains("ouverte"));
    }

    void sortOrder_data()
    {
        // "state:name", comma-separated; the state is c (connected), u (enabled, unplugged) or d
        // (disabled).
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("expected");

        QTest::newRow("groups before names") << "d:Alpha,u:Bravo,c:Zulu,u:Alpha,c:Mike"
                                             << "Mike,Zulu,Alpha,Bravo,Alpha";
        QTest::newRow("accented capital collates with its letter")
            << "c:Ethernet,c:Écran Studio,c:Dock"
            << "Dock,Écran Studio,Ethernet";
        QTest::newRow("names equal but for case keep the platform's order")
            << "c:bond 1,c:Bond 1,c:Aa"
            << "Aa,bond 1,Bond 1";
        QTest::newRow("and the other way round") << "c:Bond 1,c:bond 1,c:Aa"
                                                 << "Aa,Bond 1,bond 1";
    }

    void sortOrder()
    {
        QFETCH(QString, listed);
        QFETCH(QString, expected);

        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        QList<AdapterInfo> adapters;
        for (const QString &entry : listed.split(u','))
            adapters.append({.serviceName = entry.mid(2),
                             .enabled = entry[0] != u'd',
                             .connected = entry[0] == u'c'});
        sortForDisplay(adapters);
        QStringList names;
        for (const AdapterInfo &adapter : adapters)
            names << adapter.serviceName;
        QCOMPARE(names.join(u','), expected);
    }

    // Services sharing an id: the others get one derived from the device, never one taken.
    void idsUniqueWithinOneRead()
    {
        QList<AdapterInfo> adapters;
        for (const char *deviceAndId : {"en1=Dock", "en2=Dock", "en3=Dock@en2", "en2=Dock"}) {
            const QStringList parts = QString(deviceAndId).split(u'=');
            adapters.append({.id = parts[1], .device = parts[0]});
        }
        makeIDsUnique(adapters);
        QStringList ids;
        for (const AdapterInfo &adapter : adapters)
            ids << adapter.device + '=' + adapter.id;
        QCOMPARE(ids,
                 (QStringList{"en1=Dock", "en2=Dock@en2#2", "en3=Dock@en2", "en2=Dock@en2#3"}));
    }

    // How the platform's own values reach the reader.
    void propertyListValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QVariant>("expected"); // its type as well as its value

        QTest::newRow("an IPv4 configuration as the system stores it")
            << QByteArray(R"({"ConfigMethod": "Manual", "Addresses": ["192.168.1.20"]})")
            << QVariant(QVariantMap{{"ConfigMethod", "Manual"},
                                    {"Addresses", QVariantList{"192.168.1.20"}}});
        QTest::newRow("number and boolean")
            << QByteArray(R"([42, true])") << QVariant(QVariantList{qint64(42), true});
        QTest::newRow("empty list") << QByteArray("[]") << QVariant(QVariantList());
        // A key of another type makes it "not a dictionary with string keys", and only it.
        QTest::newRow("dictionary with a number key")
            << QByteArray(R"([null, 1, "x"])") << QVariant();
        QTest::newRow("nested number key spoils only the inner dictionary")
            << QByteArray(R"({"inner": [null, 1, "x"]})")
            << QVariant(QVariantMap{{"inner", QVariant()}});
        QTest::newRow("unexpected type") << QByteArray("null") << QVariant();
        QTest::newRow("nothing") << QByteArray() << QVariant();
    }

    void propertyListValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(QVariant, expected);
        const QVariant converted = PropertyList::toVariant<Adapter>(
            QJsonDocument::fromJson("[" + value + "]").array().at(0));
        QCOMPARE(converted.typeId(), expected.typeId());
        QCOMPARE(converted, expected);
    }
};

QTEST_GUILESS_MAIN(tst_Adapters)
#include "tst_Adapters.moc"
