// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "FakeStore.h"
#include "NetworkReader.h"
#include "PropertyList.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QTemporaryDir>
#include <QTest>

using Service = FakeStore::Service;
Q_DECLARE_METATYPE(FakeStore::Service)

namespace {

// An ifconfig that prints the text prepared for a device, fails for any other, and logs every
// call, so tests see both the link the reader derives and which devices cost a process.
class FakeIfconfig {
public:
    FakeIfconfig()
    {
        TestSupport::writeExecutable(m_root.filePath("sbin/ifconfig"),
                                     "#!/bin/sh\nroot=\"$(dirname \"$0\")/..\"\n"
                                     "echo \"$1\" >> \"$root/calls.log\"\n"
                                     "cat \"$root/link.$1\" 2>/dev/null\n");
    }
    SystemTools tools() const { return SystemTools(m_root.path()); }
    void setOutput(const QString &device, const QByteArray &output)
    {
        TestSupport::writeExecutable(m_root.filePath("link." + device), output);
    }
    QStringList calls() const { return TestSupport::loggedLines(m_root.filePath("calls.log")); }

private:
    QTemporaryDir m_root;
};

using List = QVariantList;

// An IPv4 dictionary; invalid values are left out.
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

class tst_NetworkReader : public QObject {
    Q_OBJECT

private slots:
    void servicesAsListed_data()
    {
        QTest::addColumn<Service>("service");
        QTest::addColumn<QByteArray>("link"); // what ifconfig prints; empty: it fails
        QTest::addColumn<QString>("failing"); // what the store cannot give
        // Identifier, hardware name, kind and link; empty when the service is left out; the
        // failure when the read fails.
        QTest::addColumn<QString>("expected");
        const QByteArray active = "\tstatus: active\n";
        const auto row = [](const char *name, const Service &service, const char *expected,
                            const QByteArray &link = "\tstatus: active\n",
                            const char *failing = "") {
            QTest::newRow(name) << service << link << QString(failing) << QString(expected);
        };

        const char *up = "ID-Ethernet|Ethernet|ethernet|up";
        const char *down = "ID-Ethernet|Ethernet|ethernet|down";
        row("ethernet", {}, up);
        row("wi-fi", {.type = "IEEE80211"}, "ID-Ethernet|Ethernet|wifi|up");
        row("bridge without display name", {.type = "Bridge", .displayName = std::nullopt},
            "ID-Ethernet|en0|other|up");
        row("no identifier: the name", {.id = std::nullopt}, "Ethernet|Ethernet|ethernet|up");
        row("type names are exact", {.type = "ethernet"}, "");
        row("excluded device", {.device = "utun0"}, "");
        row("prefix only at the start", {.device = "enutun0"}, up);
        row("no interface", {.hasInterface = false}, "");
        row("empty name", {.name = ""}, "");
        row("link inactive", {}, down, "\tstatus: inactive\n");
        row("no status line", {}, up, "bridge0: flags=8863<UP>\n");
        row("ifconfig fails", {}, down, QByteArray());
        row("a byte that is not UTF-8 hides no status line", {}, down,
            "\tdescription: caf\xe9\n\tstatus: inactive\n");
        row("disabled: no process", {.enabled = false}, down);
        row("no preferences", {},
            "Lecture réseau impossible : les préférences réseau du système sont inaccessibles.",
            active, "preferences");
        row("no list of services", {},
            "Lecture réseau impossible : la liste des services réseau n'a pas pu être lue.", active,
            "services");
        row("no dynamic store", {}, up, active, "dynamic store");
    }

    void servicesAsListed()
    {
        QFETCH(Service, service);
        QFETCH(QByteArray, link);
        QFETCH(QString, failing);
        QFETCH(QString, expected);

        FakeIfconfig ifconfig;
        if (!link.isEmpty())
            ifconfig.setOutput(service.device.value_or(QString()), link);
        FakeStore store;
        store.failing = failing;
        store.services = {service};
        const AdapterRead read = NetworkReader::readOnceWithCause(store, ifconfig.tools());
        QStringList found{read.failure};
        for (const AdapterInfo &a : read.adapters)
            found << QStringList{a.id, a.hardwareName,
                                 QMetaEnum::fromType<AdapterKind>().valueToKey(int(a.kind)),
                                 a.connected ? "up" : "down"}
                         .join(u'|');
        QCOMPARE(found.join(u'\n').trimmed(), expected);
        // Every handle made is released, whatever path the read took.
        QCOMPARE(store.released, store.created);
        // Live state is asked for under the identifier used; a disabled service costs no process.
        const bool listed = read.failure.isEmpty() && !expected.isEmpty();
        QCOMPARE(store.dynamicKeysAsked.join(u' '),
                 listed && failing != "dynamic store"
                     ? "State:/Network/Service/" + expected.section(u'|', 0, 0) + "/IPv4"
                     : "");
        QCOMPARE(ifconfig.calls(),
                 listed && service.enabled ? QStringList{*service.device} : QStringList());
    }

    void configuredAndLiveValues_data()
    {
        QTest::addColumn<QVariant>("configuration"); // invalid: no IPv4 protocol at all
        QTest::addColumn<QVariant>("live");          // invalid: none published
        QTest::addColumn<QString>("expected");       // method, address, mask, router[, others]
        const auto row = [](const char *name, const QVariant &configuration, const QVariant &live,
                            const char *expected) {
            QTest::newRow(name) << configuration << live << QString(expected);
        };

        const QVariantMap manual =
            ipv4("Manual", List{"192.168.1.20"}, List{"255.255.255.0"}, "192.168.1.1");
        const char *configured = "manual|192.168.1.20|255.255.255.0|192.168.1.1";
        row("manual, no live state", manual, {}, configured);
        row("manual, live address differs", manual,
            ipv4({}, List{"192.168.1.77"}, List{"255.255.0.0"}),
            "manual|192.168.1.77|255.255.0.0|192.168.1.1");
        row("DHCP with a lease", ipv4("DHCP", {}),
            ipv4({}, List{"10.0.0.42"}, List{"255.255.255.0"}, "10.0.0.1"),
            "DHCP|10.0.0.42|255.255.255.0|10.0.0.1");
        row("BOOTP without a lease", ipv4("BOOTP", {}), {}, "DHCP|||");
        row("method names are exact", ipv4("dhcp", {}), {}, "manual|||");
        row("router 0.0.0.0 is none", ipv4("Manual", List{"0.0.0.0"}, {}, "0.0.0.0"), {},
            "manual|0.0.0.0||");
        row("empty live values", manual, ipv4({}, List{""}, List(), ""), configured);
        row("live lists with a non-string", manual, ipv4({}, List{7}, List{"255.0.0.0", 8}, 9),
            configured);
        // QVariant would split a lone string into its characters.
        row("address as a string, not a list", ipv4("Manual", "192.168.1.20", {}, 42), {},
            "manual||||");
        row("no protocol: live values only", {},
            ipv4({}, List{"10.1.1.1"}, List{"255.0.0.0"}, "10.0.0.1"),
            "manual|10.1.1.1|255.0.0.0|10.0.0.1");
        // The card shows the first; the second is kept as the others, not the first once more.
        row("several addresses",
            ipv4("Manual", List{"10.0.0.2", "10.0.0.3"}, List{"255.0.0.0", "255.255.0.0"}), {},
            "manual|10.0.0.2|255.0.0.0||10.0.0.3/16");
    }

    void configuredAndLiveValues()
    {
        QFETCH(QVariant, configuration);
        QFETCH(QVariant, live);
        QFETCH(QString, expected);

        FakeStore store;
        if (live.isValid())
            store.dynamicValues.insert("State:/Network/Service/ID-Ethernet/IPv4", live);
        store.services = {{.hasProtocol = configuration.isValid(), .configuration = configuration}};
        const AdapterInfo a = NetworkReader::readOnce(store, FakeIfconfig().tools()).value(0);
        QStringList found{a.dhcp ? "DHCP" : "manual", a.ip, a.mask, a.router};
        if (expected.count(u'|') == 4)
            found << a.otherAddresses.join(u',');
        QCOMPARE(found.join(u'|'), expected);
    }

    // Link tests run side by side; the list is the one a sequential read gives, in display
    // order.
    void concurrentLinkTestsReadAsSequential()
    {
        FakeIfconfig ifconfig;
        FakeStore store;
        for (int i = 0; i < 40; ++i) {
            const QString device = QStringLiteral("en%1").arg(i);
            store.services.append({.name = QStringLiteral("S%1").arg(i % 7),
                                   .id = device,
                                   .device = device,
                                   .enabled = i % 5 != 0});
            ifconfig.setOutput(device, i % 3 == 0   ? "\tstatus: inactive\n"
                                       : i % 3 == 1 ? "\tstatus: active\n"
                                                    : "no status line\n");
        }
        const AdapterRead sequential = NetworkReader::readOnceWithCause(store, ifconfig.tools(), 1);
        const AdapterRead concurrent = NetworkReader::readOnceWithCause(store, ifconfig.tools(), 8);
        QCOMPARE(concurrent.adapters.size(), 40);
        QCOMPARE(concurrent.adapters, sequential.adapters);
        QList<AdapterInfo> sorted = sequential.adapters;
        sortForDisplay(sorted);
        QCOMPARE(sequential.adapters, sorted);
        // Disabled services cost no process.
        QCOMPARE(ifconfig.calls().size(), 2 * 32);
    }

    void noStoreSaysWhy()
    {
        const AdapterRead read =
            NetworkReader::readAsync([] { return std::unique_ptr<ConfigurationStore>(); },
                                     SystemTools())
                .result();
        QCOMPARE(read.failure, "Lecture réseau impossible : la configuration réseau du système "
                               "n'a pas pu être ouverte.");
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

QTEST_GUILESS_MAIN(tst_NetworkReader)
#include "tst_NetworkReader.moc"
