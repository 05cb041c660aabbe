// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkReader.h"
#include "PlatformServices.h"
#include "SimulatedMachine.h"
#include "SimulatedStore.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

using TestSupport::with;

const auto json = [](const char *text) { return QJsonDocument::fromJson(text).object(); };

// One service on en0, link up; %1 is its address, %2 its router.
const char *const machineText = R"({ "services": [ { "ServiceID": "S1", "UserDefinedName": "Bureau",
    "Interface": { "DeviceName": "en0", "Type": "Ethernet" },
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["%1"], "Router": "%2" } } ],
  "devices": { "en0": { "link": "active" } } })";

const auto machineWith = [](const char *address, const char *router = "") {
    return QJsonDocument::fromJson(QString(machineText).arg(address, router).toUtf8()).object();
};

const SystemTools tools(TestSupport::simRoot()); // read the machine named in the environment

} // namespace

class tst_Platform : public QObject {
    Q_OBJECT

private slots:
    // networksetup would change the first of two services that share the name.
    void aNameSharedSinceTheReadIsRefused()
    {
        const QTemporaryDir dir;
        const QJsonObject service = json(
            R"({"ServiceID": "S1", "UserDefinedName": "Bureau", "Interface": {"DeviceName": "en0"}})");
        const QString path = TestSupport::writeMachine(
            dir, {{"services", QJsonArray{service, with(service, "ServiceID", "S2")}}});
        const CommandResult result = simulatedServices(path, SystemTools(dir.path()))
                                         .setDHCP({"S1", "Bureau"}, std::nullopt)
                                         .result();
        QCOMPARE(int(result.cause), int(ChangeCause::invalid));
    }

    void listing_data()
    {
        QTest::addColumn<QList<AdapterInfo>>("adapters");
        QTest::addColumn<QString>("listing");

        AdapterInfo wifi{"id-1", "Wi-Fi", "wlan0",    "Wi-Fi",         AdapterKind::wifi, true,
                         true,   true,    "10.0.0.2", "255.255.255.0", "10.0.0.1"};
        wifi.dnsInEffect = {"10.0.0.53", "9.9.9.9", "\t"};
        QTest::newRow("one line per service; tabs, line ends and backslashes escaped")
            << QList<AdapterInfo>{wifi,
                                  {"a\\b", "L1\nL2\tx\r", "", "Bond", AdapterKind::other, false,
                                   false, false, "", "", ""}}
            << "Wi-Fi\tid-1\twlan0\twifi\tyes\tyes\tdhcp\t10.0.0.2\t255.255.255.0\t10.0.0.1\t"
               "10.0.0.53,9.9.9.9,\\t\n"
               "L1\\nL2\\tx\\r\ta\\\\b\t\tother\tno\tno\tmanual\t\t\t\t\n";
        // Nothing a terminal acts on, or that starts a line, reaches it raw; other text does.
        QTest::newRow("control characters and line separators escaped")
            << QList<AdapterInfo>{{QString::fromUtf16(u"\x1b]0;\a\b\v\f\x7f\x01\u0085\u009b"),
                                   QString::fromUtf16(u"x\u2028y\u2029é東\u00a0"),
                                   QString(1, QChar(0)), "Ethernet", AdapterKind::ethernet, true,
                                   false, false, "", "", ""}}
            << QString::fromUtf16(u"x\\u2028y\\u2029é東\u00a0\t\\e]0;\\a\\b\\v\\f\\x7f\\x01"
                                  u"\\u0085\\u009b\t\\x00\tethernet\tyes\tno\tmanual\t\t\t\t\n");
    }

    void listing()
    {
        QFETCH(QList<AdapterInfo>, adapters);
        QFETCH(QString, listing);
        QCOMPARE(serviceListing(adapters), listing);
    }

    // Without a real system, --list never takes the demo machine for this one.
    void commandLineRefusals_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --list
        QTest::addColumn<QString>("culprit");
        QTest::newRow("no machine asked") << QStringList() << "--simulate FICHIER";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "bogus";
        QTest::newRow("stray argument") << QStringList{"machine.json"} << "« machine.json »";
        QTest::newRow("missing machine") << QStringList{"--simulate", "/nonexistent/machine.json"}
                                         << "/nonexistent/machine.json";
        const QString notAMachine = BRISVALE_SOURCE_DIR "/CMakeLists.txt";
        QTest::newRow("malformed machine") << QStringList{"--simulate", notAMachine} << notAMachine;
    }

    void commandLineRefusals()
    {
#if !defined(Q_OS_LINUX)
        QSKIP("only Linux may have no system to list");
#endif
        QFETCH(QStringList, arguments);
        QFETCH(QString, culprit);
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No display, no real daemon, and the user's files untouched.
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        environment.insert("HOME", home.path());
        environment.insert("XDG_DATA_HOME", home.filePath("data"));
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent");
        QProcess brisvale;
        brisvale.setProcessEnvironment(environment);
        brisvale.start(QStringLiteral(BRISVALE_APP_PATH), QStringList{"--list"} + arguments);
        QVERIFY(brisvale.waitForFinished(60000));
        QCOMPARE(brisvale.exitCode(), 2);
        const QString error = QString::fromUtf8(brisvale.readAllStandardError());
        QVERIFY2(error.startsWith("brisvale: ") && error.contains(culprit), qPrintable(error));
        QVERIFY(brisvale.readAllStandardOutput().isEmpty());
        QVERIFY(!QFile::exists(home.filePath("data")));
    }

    // Anything but a regular file of a sane size is refused unread: /dev/zero never ends, a FIFO
    // blocks until someone writes.
    void unusableFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("content"); // or <missing>, <fifo>, <folder>, <large>, /dev/…
        QTest::addColumn<QString>("problem");
        const auto row = [](const char *name, const char *content, const char *problem) {
            QTest::newRow(name) << QByteArray(content) << QString(problem);
        };

        const char *notRegular = "illisible : ce n'est pas un fichier ordinaire";
        row("missing file", "<missing>", "introuvable");
        row("FIFO", "<fifo>", notRegular);
        row("/dev/zero", "/dev/zero", notRegular);
        row("folder", "<folder>", "illisible : c'est un dossier");
        row("over 16 MiB", "<large>", "illisible : le fichier dépasse 16 Mio");
        // Not a raw string: moc loses track of a class after unbalanced braces in one.
        row("truncated", "{\"services\": [{\"UserDef", "fin de fichier inattendue à la position");
        row("services not a list", R"({"services": {}})", "« services » doit être une liste");
        row("a service not an object", R"({"services": [{}, "en0"]})", "n° 2 de « services »");
        row("misspelt link", R"({"services": [], "devices": {"en0": {"link": "up"}}})",
            "active, inactive ou none");
        row("unknown administrator answer", R"({"services": [], "administrator": "yes"})",
            "approve, cancel ou deny");
        // A delay is at most an hour; larger ones froze a window or overflowed a rounding.
        row("ping delay over an hour", R"({"services": [], "pingDelayMs": 3600001})",
            "0 à 3600000");
        row("huge ping delay", R"({"services": [], "pingDelayMs": 1e300})", "0 à 3600000");
        const char *dhcpDelay = "« delayMs » du réseau « lan » dépasse une heure";
        row("DHCP delay over an hour",
            R"({"services": [], "networks": {"lan": {"dhcp": {"delayMs": 3600001}}}})", dhcpDelay);
        row("huge DHCP delay",
            R"({"services": [], "networks": {"lan": {"dhcp": {"delayMs": 9.3e18}}}})", dhcpDelay);
    }

    void unusableFilesAreRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);

        QTemporaryDir dir;
        const QString path = content.startsWith("/dev/") ? QString::fromLatin1(content)
                                                         : dir.filePath("machine à l'essai.json");
        if (content == "<fifo>") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (content == "<folder>") {
            QVERIFY(QDir().mkpath(path));
        } else if (content == "<large>") {
            // No machine is that large; sparse on disk, so the test writes almost nothing.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(R"({"services": []})") > 0);
            QVERIFY(file.resize(SimulatedMachine::maximumFileSize + 1));
        } else if (!content.startsWith('<') && !content.startsWith("/dev/")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) > 0 && file.flush());
        }
        QString message;
        QVERIFY(!SimulatedMachine::load(path, &message));
        QVERIFY2(message.startsWith("Machine simulée « " + path + " » ") &&
                     message.contains(problem) && message.endsWith(u'.') &&
                     !message.contains(u'\n'),
                 qPrintable(message));
    }

    // What the store publishes under State:/Network/Service/S1/IPv4 and /DNS.
    void liveState_data()
    {
        QTest::addColumn<QJsonObject>("service");
        QTest::addColumn<QJsonObject>("device");
        QTest::addColumn<qint64>("msSinceChange");
        QTest::addColumn<QString>("address"); // empty: nothing published
        QTest::addColumn<QByteArray>("dns");  // the servers as JSON; empty: nothing published
        const auto row = [](const char *name, const QJsonObject &service, const QJsonObject &device,
                            qint64 msSinceChange, const char *address, const char *dns = "") {
            QTest::newRow(name) << service << device << msSinceChange << QString(address)
                                << QByteArray(dns);
        };

        const QJsonObject manual =
            json(R"({ "ServiceID": "S1", "Interface": { "DeviceName": "en0" },
            "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.20"],
                      "SubnetMasks": ["255.255.255.0"], "Router": "192.168.1.1" } })");
        const QJsonObject dhcp = json(R"({ "ServiceID": "S1", "Interface": { "DeviceName": "en0" },
            "IPv4": { "ConfigMethod": "DHCP" }, "ChangedAt": "2026-12-01T09:00:00.000Z" })");
        const QJsonObject up = json(R"({ "link": "active", "network": "lan" })");
        const char *own = R"(["9.9.9.9", 7, "2001:db8::9"])";
        const QJsonObject ownDNS{{"ServerAddresses", QJsonDocument::fromJson(own).array()}};
        const char *given = R"(["192.168.1.1", "2001:db8::53"])";
        row("manual, link up, no servers of its own", manual, up, 0, "192.168.1.20");
        row("manual with servers, as the file holds them", with(manual, "DNS", ownDNS), up, 0,
            "192.168.1.20", own);
        row("manual, link down", with(manual, "DNS", ownDNS), with(up, "link", "inactive"), 0, "");
        row("manual, disabled", with(with(manual, "DNS", ownDNS), "Enabled", false), up, 0, "");
        row("DHCP before the delay", dhcp, up, 1499, "");
        row("DHCP once the delay has passed", dhcp, up, 1500, "192.168.1.100", given);
        row("DHCP with an empty list of its own",
            with(dhcp, "DNS", json(R"({"ServerAddresses": []})")), up, 1500, "192.168.1.100",
            given);
        row("a network's servers not in a list", dhcp, with(up, "network", "odd"), 1500,
            "192.168.1.100");
        row("unreadable change time", with(dhcp, "ChangedAt", "hier"), up, 3600000, "");
        row("explicit lease, servers of its own", with(dhcp, "DNS", ownDNS),
            with(up, "lease", "192.168.1.7"), 3600000, "192.168.1.7", own);
    }

    void liveState()
    {
        QFETCH(QJsonObject, service);
        QFETCH(QJsonObject, device);
        QFETCH(qint64, msSinceChange);
        QFETCH(QString, address);
        QFETCH(QByteArray, dns);

        const QJsonObject lan = json(R"({ "subnet": "192.168.1.0/24", "router": "192.168.1.1",
            "dns": ["192.168.1.1", "2001:db8::53"],
            "dhcp": { "delayMs": 1500, "first": "192.168.1.100", "last": "192.168.1.100" } })");
        const QJsonObject root{
            {"services", QJsonArray{service}},
            {"devices", QJsonObject{{"en0", device}}},
            {"networks", QJsonObject{{"lan", lan}, {"odd", with(lan, "dns", "192.168.1.1")}}}};
        const QTemporaryDir dir;
        const QDateTime changedAt(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC);
        SimulatedStore store(TestSupport::writeMachine(dir, root),
                             [&] { return changedAt.addMSecs(msSinceChange); });
        const ConfigurationStore::Ref handle = store.createDynamicStore("test");
        const QVariantMap lease{{"Addresses", QVariantList{address}},
                                {"SubnetMasks", QVariantList{"255.255.255.0"}},
                                {"Router", "192.168.1.1"}};
        QCOMPARE(store.copyDynamicValue(handle, "State:/Network/Service/S1/IPv4"),
                 address.isEmpty() ? QVariant() : QVariant(lease));
        const QVariantList servers = QJsonDocument::fromJson(dns).array().toVariantList();
        QCOMPARE(store.copyDynamicValue(handle, "State:/Network/Service/S1/DNS"),
                 dns.isEmpty() ? QVariant() : QVariant(QVariantMap{{"ServerAddresses", servers}}));
    }

    void bothHandlesOfOneReadSeeTheSameFile_data()
    {
        QTest::addColumn<bool>("dynamicStoreFirst");
        QTest::newRow("preferences first") << false;
        QTest::newRow("dynamic store first") << true;
    }

    // The reader makes both handles in an order the compiler chooses; a change must not split them.
    void bothHandlesOfOneReadSeeTheSameFile()
    {
        QFETCH(bool, dynamicStoreFirst);

        const QTemporaryDir dir;
        const QString path = TestSupport::writeMachine(dir, machineWith("10.0.0.5"));
        SimulatedStore store(path);
        const auto create = [&store](bool dynamic) {
            return dynamic ? store.createDynamicStore("test") : store.createPreferences("test");
        };
        ConfigurationStore::Ref handles[2]; // the preferences, then the dynamic store
        handles[dynamicStoreFirst] = create(dynamicStoreFirst);
        TestSupport::writeMachine(dir, machineWith("10.0.0.6", "10.0.0.1"));
        handles[!dynamicStoreFirst] = create(!dynamicStoreFirst);

        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
        const AdapterInfo read =
            NetworkReader(store, handles[0], handles[1], tools).read().value(0);
        // Either handle on the changed file would bring its address or its router.
        QCOMPARE(read.id + '|' + read.ip + '|' + read.router + (read.enabled ? "|enabled" : ""),
                 "S1|10.0.0.5||enabled");
    }
};

QTEST_GUILESS_MAIN(tst_Platform)
#include "tst_Platform.moc"
