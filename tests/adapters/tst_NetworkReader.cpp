// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ConfigurationStore.h"
#include "NetworkReader.h"
#include "support/TestSupport.h"

#include <QMetaProperty>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A configuration store that answers from prepared services and counts the handles it hands
// out, so a test can see that every read releases what it created. Services, interfaces and
// protocols are all handed out as the prepared service itself, which the test owns.
class FakeStore : public ConfigurationStore {
public:
    // A plain Ethernet service unless told otherwise.
    struct Service {
        std::optional<QString> name = QString("Ethernet"), id = QString("ID-Ethernet");
        std::optional<QString> device = QString("en0"), type = QString("Ethernet");
        std::optional<QString> displayName = QString("Ethernet");
        bool hasInterface = true, enabled = true, hasProtocol = true;
        QVariant configuration;
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

} // namespace

using Service = FakeStore::Service;
Q_DECLARE_METATYPE(Service)

class tst_NetworkReader : public QObject {
    Q_OBJECT

private slots:
    // One service as listed and as configured; the live values published under its identifier.
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
        row("wi-fi", {.type = "IEEE80211"}, "kind=wifi");
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
    }

    void oneService()
    {
        QFETCH(Service, service);
        QFETCH(QVariant, live);
        QFETCH(QByteArray, link);
        QFETCH(QString, failing);
        QFETCH(QString, expected);

        FakeIfconfig ifconfig;
        if (!link.isEmpty())
            ifconfig.setOutput(service.device.value_or(QString()), link);
        FakeStore store;
        store.failing = failing;
        store.services = {service};
        const QString key = "State:/Network/Service/" + service.id.value_or("Ethernet") + "/IPv4";
        if (live.isValid())
            store.dynamicValues.insert(key, live);
        const AdapterRead read = NetworkReader::readOnceWithCause(store, ifconfig.tools());
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
        // Every handle made is released, whatever path the read took; live state is asked for
        // under the identifier used; a disabled service costs no process.
        QCOMPARE(store.released, store.created);
        QCOMPARE(store.dynamicKeysAsked.join(u' '),
                 listed && failing != "dynamic store" ? key : QString());
        QCOMPARE(ifconfig.calls(),
                 listed && service.enabled ? QStringList{*service.device} : QStringList());
    }

    // Link tests run side by side; the list is the one a sequential read gives, in display
    // order, and disabled services cost no process.
    void concurrentLinkTestsReadAsSequential()
    {
        FakeIfconfig ifconfig;
        FakeStore store;
        for (int i = 0; i < 40; ++i) {
            const QString device = QStringLiteral("en%1").arg(i);
            store.services.append({.name = QString::number(i % 7),
                                   .id = device,
                                   .device = device,
                                   .enabled = i % 5 != 0});
            ifconfig.setOutput(device, i % 3 ? "\tstatus: active\n" : "\tstatus: inactive\n");
        }
        const AdapterRead sequential = NetworkReader::readOnceWithCause(store, ifconfig.tools(), 1);
        QList<AdapterInfo> sorted = sequential.adapters;
        sortForDisplay(sorted);
        QCOMPARE(NetworkReader::readOnceWithCause(store, ifconfig.tools(), 8).adapters, sorted);
        QCOMPARE(sequential.adapters, sorted);
        QCOMPARE(ifconfig.calls().size(), 2 * 32);
    }

    void noStoreSaysWhy()
    {
        const auto none = [] { return std::unique_ptr<ConfigurationStore>(); };
        QVERIFY(NetworkReader::readAsync(none, SystemTools()).result().failure.contains("ouverte"));
    }
};

QTEST_GUILESS_MAIN(tst_NetworkReader)
#include "tst_NetworkReader.moc"
