// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The simulated machine: its stand-in programs, run as the application runs them, and the
// store and listing the application reads it through.
#include "MachineLock.h"
#include "NetworkReader.h"
#include "NetworkWriter.h"
#include "PingRunner.h"
#include "PlatformServices.h"
#include "Shell.h"
#include "SimulatedMachine.h"
#include "SimulatedStore.h"
#include "SystemTools.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray machineText =
    "{\n  \"administrator\": \"approve\",\n  \"services\": [\n"
    "    { \"UserDefinedName\": \"Ethernet\", \"IPv4\": { \"ConfigMethod\": \"Manual\" } },\n"
    "    { \"UserDefinedName\": \"Wi-Fi\", \"IPv4\": { \"ConfigMethod\": \"DHCP\" } },\n"
    "    { \"UserDefinedName\": \"Dock\", \"Enabled\": false, \"DNS\": { \"ServerAddresses\": "
    "[\"10.0.0.53\", 7] } }\n  ],\n  \"note\": \"kept\"\n}\n";

// en0 is the one path to "bureau"; en2 (disabled) and en3 (unplugged) sit on it too. The
// router of "atelier" is down.
const QByteArray pingText = R"({ "services": [ { "Interface": { "DeviceName":
  "en0" }, "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.20"] } }, { "Enabled": false,
  "Interface": { "DeviceName": "en2" }, "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.50"] } },
  { "Interface": { "DeviceName": "en3" }, "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.60"] } },
  { "Interface": { "DeviceName": "en4" }, "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.0.0.2"] } } ],
  "devices": { "en0": { "network": "bureau" }, "en2": { "network": "bureau" }, "en3": { "link": "inactive",
  "network": "bureau" }, "en4": { "network": "atelier" } }, "networks": { "bureau": { "subnet": "192.168.1.0/24",
  "router": "192.168.1.1", "hosts": ["192.168.1.10"] }, "atelier": { "subnet": "10.0.0.0/24", "router":
  "10.0.0.1", "routerDown": true } } })";

const SystemTools tools(TestSupport::simRoot()); // read the machine named in the environment

using TestSupport::with;

const auto json = [](const char *text) { return QJsonDocument::fromJson(text).object(); };

// One service on en0, link up; %1 is its address, %2 its router.
const char *const serviceText = R"({ "services": [ { "ServiceID": "S1", "UserDefinedName": "Bureau",
    "Interface": { "DeviceName": "en0", "Type": "Ethernet" },
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["%1"], "Router": "%2" } } ],
  "devices": { "en0": { "link": "active" } } })";

const auto machineWith = [](const char *address, const char *router = "") {
    return QJsonDocument::fromJson(QString(serviceText).arg(address, router).toUtf8()).object();
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
            file.write(text) == text.size());
}

} // namespace

class tst_StandIns : public QObject {
    Q_OBJECT

private slots:
    // A fresh file each time: a case may have given it away or made it read-only.
    void init()
    {
        QFile::remove(m_machine);
        write(m_machine, machineText);
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(m_machine));
        qputenv(SimulatedMachine::privilegeVariable, "1");
    }

    // ifconfig answers the reader's one-device run itself, without Qt, and hands every other run
    // to ifconfig-full; either way it says exactly what the complete program says. A copy of the
    // front alone, with no complete program beside it, shows which runs it answered itself.
    void ifconfig_data()
    {
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("printed"); // on either stream; "!" marks what must not be
        const auto row = [](const char *name, const QByteArray &machine,
                            const QStringList &arguments, int status, const QStringList &printed) {
            QTest::newRow(name) << machine << arguments << status << printed;
        };

        const QByteArray demo = contents(TestSupport::demoMachinePath());
        row("active", demo, {"en0"}, 0,
            {"\nen0: flags=8863<UP,BROADCAST,SMART,RUNNING,", "\n\tether 3c:22:fb:10:20:30\n",
             "\n\tinet 192.168.1.20 netmask 0xffffff00 broadcast 192.168.1.255\n",
             "\n\tstatus: active\n"});
        row("link down", demo, {"en5"}, 0, {"\n\tstatus: inactive\n", "!RUNNING", "!inet "});
        row("no status line", demo, {"bridge0"}, 0, {"RUNNING", "!status:"});
        for (const QString &device : QJsonDocument::fromJson(demo)["devices"].toObject().keys())
            row(qPrintable("demo " + device), demo, {device}, 0, {'\n' + device + ": flags="});
        row("every device", demo, {"-a"}, 0, {"\nen0: flags=", "\nbridge0: flags="});
        row("unknown device", demo, {"en9"}, 1, {"ifconfig: interface en9 does not exist\n"});
        // A file Qt refuses is Qt's to explain.
        row("not JSON", R"({ "services": [ )", {"en0"}, 1, {"fin de fichier inattendue"});
    }

    void ifconfig()
    {
        QFETCH(QByteArray, machine);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, printed);

        write(m_machine, machine);
        const QString sbin = TestSupport::simRoot() + "/sbin/";
        const QTemporaryDir aside;
        QVERIFY(QFile::copy(sbin + "ifconfig", aside.filePath("ifconfig")));

        const CommandResult front = Shell::run(sbin + "ifconfig", arguments);
        const CommandResult complete = Shell::run(sbin + "ifconfig-full", arguments);
        QVERIFY2(front == complete, qPrintable(front.combined() + "\n≠\n" + complete.combined()));
        QCOMPARE(front.status, status);
        const QString text = '\n' + front.output + front.error;
        for (const QString &part : printed)
            QVERIFY2(text.contains(part.mid(part.startsWith('!'))) != part.startsWith('!'),
                     qPrintable(part + " | " + text));

        // The front answers one device that the machine can describe, and no other run.
        const CommandResult lone = Shell::run(aside.filePath("ifconfig"), arguments);
        if (status == 0 && arguments.size() == 1 && !arguments[0].startsWith('-'))
            QCOMPARE(lone.output, complete.output);
        else
            QVERIFY2(lone.error.contains("cannot run"), qPrintable(lone.combined()));
    }

    void ping_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("output"); // found on standard output, none when empty
        const auto row = [](const char *name, const QStringList &arguments, int status,
                            const QString &error, const QString &output = {}) {
            QTest::newRow(name) << arguments << status << error << output;
        };
        // As the application sends it, three requests; the last one lost is only counted.
        const auto reply = [&row](const char *name, const char *device, const QString &address,
                                  bool answered) {
            row(name, PingRunner::arguments(PingRunner::macOS(), address, device, 3),
                answered ? 0 : 2, {},
                answered ? "3 packets transmitted, 3 packets received, 0.0% packet loss\n"
                         : "icmp_seq 1\n\n--- " + address +
                               " ping statistics ---\n3 packets transmitted, 0 packets received");
        };

        reply("own address", "en0", "192.168.1.20", true);
        reply("own address, other device", "en4", "192.168.1.20", false);
        reply("router, not among the hosts", "en0", "192.168.1.1", true);
        reply("router marked down", "en4", "10.0.0.1", false);
        reply("host, unbound", "", "192.168.1.10", true);
        reply("host of another device", "en4", "192.168.1.10", false);
        reply("through a disabled service", "en2", "192.168.1.10", false);
        reply("through an inactive link", "en3", "192.168.1.10", false);
        reply("loopback block", "", "127.8.9.10", true);
        reply("loopback, bound elsewhere", "en0", "127.0.0.1", false);

        const QString usage = "usage: ping [-nq] [-b boundif] [-c count] [-W waittime] host\n";
        row("unknown option", {"-x", "127.0.0.1"}, 64, "ping: invalid option -- x\n" + usage);
        row("bad address", {"-c", "1", "192.168.1"}, 68,
            "ping: cannot resolve 192.168.1: Unknown host\n");
        row("bad interface name", {"-c", "1", "-b", "en9", "192.168.1.1"}, 1,
            "ping: bad interface name\n");
    }

    void ping()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        QFETCH(QString, output);

        write(m_machine, pingText);
        const CommandResult result = Shell::run(tools.ping(), arguments);
        QCOMPARE(result.status, status);
        QCOMPARE(result.error, error);
        QVERIFY2(output.isEmpty() ? result.output.isEmpty() : result.output.contains(output),
                 qPrintable(result.output));
    }

    // What reaches networksetup through the administrator prompt, and what it makes of it: only
    // the service changed moves in the file, with its change time.
    void osascript_data()
    {
        QTest::addColumn<QString>("administrator");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error"); // status 1 when there is one
        QTest::addColumn<QString>("output");
        QTest::addColumn<QJsonObject>("changed"); // the service as the change leaves it
        const auto row = [](const char *name, const char *administrator, const QString &script,
                            const QString &error, const QString &output = {},
                            const QJsonObject &changed = {}) {
            QTest::newRow(name) << QString(administrator) << script << error << output << changed;
        };
        const auto change = [&row](const char *name, const QList<QStringList> &runs,
                                   const QString &refusal, const QJsonObject &changed = {}) {
            row(name, "approve", NetworkWriter::privilegedChain(runs),
                refusal.isEmpty() ? refusal
                                  : refusal + "\n** Error: The parameters were not valid. (4)",
                refusal.isEmpty() ? "\n" : "", changed);
        };

        const QString good = NetworkWriter::privilegedScript({"-setdhcp", "Ethernet"});
        change("DHCP and DNS in one request",
               {{"-setdhcp", "Ethernet"}, {"-setdnsservers", "Ethernet", "10.0.0.53", "fd00::53"}},
               {},
               {{"UserDefinedName", "Ethernet"},
                {"IPv4", QJsonObject{{"ConfigMethod", "DHCP"}}},
                {"DNS", QJsonObject{{"ServerAddresses", QJsonArray{"10.0.0.53", "fd00::53"}}}}});
        change("DNS back to DHCP's", {{"-setdnsservers", "Dock", "eMPTY"}}, {},
               {{"UserDefinedName", "Dock"}, {"Enabled", false}});
        row("cancelled", "cancel", good, "User canceled. (-128)");
        row("denied", "deny", good,
            "The administrator user name or password was incorrect. (-60007)");
        row("not a shell script", "approve", "display dialog \"x\"",
            "The simulated machine only runs do shell script \"…\" with administrator "
            "privileges. (-1708)");
        // Only networksetup, and only commands joined by &&.
        for (const char *line :
             {"'/usr/sbin/networksetup';ls", "'/usr/sbin/networksetup' -x Dock && ls",
              "'/usr/sbin/networksetup' -x Dock && ", "'/usr/sbin/networksetup' -x Dock & ls",
              "'/usr/sbin/networksetup' -x Dock || ls", "'/usr/sbin/networksetup' -x | ls",
              "'/usr/sbin/networksetup' -x $(ls)", "'/usr/sbin/networksetup'\\nls",
              "'/usr/sbin/networksetup' 'Dock && ls"})
            row(line, "approve",
                QString("do shell script \"%1\" with administrator privileges").arg(line),
                "The simulated machine lends administrator privileges to /usr/sbin/networksetup "
                "only. (-10004)");
        // The refusal names the service as it arrived; names match exactly.
        for (const char *name : {"Nulle part", "d'Anne", "Salle \"B\"", "fin\\", "a\nb", "$(id)",
                                 "ethernet", "Dock && ls"})
            change(name, {{"-setdnsservers", name, "Empty"}, {"-setdhcp", name}},
                   QString(name) + " is not a recognized network service.");
        change("address", {{"-setmanual", "Ethernet", "192.168.1.256", "255.0.0.0", "0.0.0.0"}},
               "Invalid IP address: 192.168.1.256");
        change("mask", {{"-setmanual", "Ethernet", "10.0.0.2", "255.0.0", "0.0.0.0"}},
               "Invalid subnet mask: 255.0.0");
        change("empty router", {{"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0", ""}},
               "Invalid router address: (empty)");
        change("state", {{"-setnetworkserviceenabled", "Ethernet", "ON"}},
               "Invalid state: ON (use on or off)");
        change("no router", {{"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0"}},
               "Usage: networksetup -setmanual <networkservice> <ip> <subnet> <router>");
        for (const char *server : {"300.1.1.1", "fd00::53::1", "Empty"})
            change(server, {{"-setdnsservers", "Wi-Fi", "10.0.0.53", server}},
                   QString(server) + " is not a valid IP address.");
        change("no DNS server", {{"-setdnsservers", "Wi-Fi"}},
               "Usage: networksetup -setdnsservers <networkservice> <dns1> [dns2] [...]");
        row("output, trailing newline trimmed", "approve",
            NetworkWriter::privilegedScript({"-listallnetworkservices"}), {},
            "An asterisk (*) denotes that a network service is disabled.\nEthernet\nWi-Fi\n"
            "*Dock\n");
        row("DNS servers, one a line", "approve",
            NetworkWriter::privilegedScript({"-getdnsservers", "Dock"}), {}, "10.0.0.53\n");
        row("no DNS server", "approve",
            NetworkWriter::privilegedScript({"-getdnsservers", "Wi-Fi"}), {},
            "There aren't any DNS Servers set on Wi-Fi.\n");
    }

    void osascript()
    {
        QFETCH(QString, administrator);
        QFETCH(QString, script);
        QFETCH(QString, error);
        QFETCH(QString, output);
        QFETCH(QJsonObject, changed);

        const QByteArray text = QByteArray(machineText).replace("approve", administrator.toUtf8());
        write(m_machine, text);
        qunsetenv(SimulatedMachine::privilegeVariable);
        const QDateTime start = QDateTime::currentDateTimeUtc();
        const CommandResult result = Shell::run(tools.osascript(), {"-e", script});
        if (!error.isEmpty())
            error = QStringLiteral("0:%1: execution error: %2\n").arg(script.size()).arg(error);
        QCOMPARE(result.error, error);
        QCOMPARE(result.output, output);
        QCOMPARE(result.status, error.isEmpty() ? 0 : 1);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"machine.json"});
        const QJsonArray before = QJsonDocument::fromJson(text)["services"].toArray();
        const QJsonArray after = QJsonDocument::fromJson(contents(m_machine))["services"].toArray();
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < after.size(); ++i) {
            QJsonObject service = after[i].toObject();
            const QString changedAt = service.take("ChangedAt").toString();
            QCOMPARE(changedAt.isEmpty(),
                     service.value("UserDefinedName") != changed.value("UserDefinedName"));
            QCOMPARE(service, changedAt.isEmpty() ? before[i].toObject() : changed);
            QVERIFY(changedAt.isEmpty() ||
                    QDateTime::fromString(changedAt, Qt::ISODateWithMs) >= start);
        }
    }

    // Writers at once lose nothing of each other's changes, and leave the file as its owner had
    // it, root's writes included. The kernel frees the lock with a writer killed at any moment,
    // which leaves the file whole and no lock file to recognise as stale.
    void concurrentAndKilledWriters()
    {
        constexpr int count = 50;
        QJsonArray services;
        for (int i = 0; i < count; ++i)
            services.append(QJsonObject{{"UserDefinedName", QString::number(i)}});
        TestSupport::writeMachine(m_dir, QJsonObject{{"services", services}});
        // Given to another user where this test may (as root).
        const QByteArray path = QFile::encodeName(m_machine);
        const uint owner = ::chown(path.constData(), 65534, 65534) == 0 ? 65534 : ::geteuid();
        QCOMPARE(::chmod(path.constData(), 0646), 0);

        QProcess processes[count];
        for (int i = 0; i < count; ++i)
            processes[i].start(tools.networksetup(),
                               {"-setmanual", QString::number(i), "10.0.0." + QString::number(i),
                                "255.0.0.0", "0.0.0.0"});
        QRandomGenerator random(14);
        for (int i = 4; i < count; i += 5) {
            ::usleep(random.bounded(4000));
            processes[i].kill();
        }
        const QJsonArray written = [&] {
            for (QProcess &process : processes)
                process.waitForFinished(60000);
            return QJsonDocument::fromJson(contents(m_machine))["services"].toArray();
        }();
        for (int i = 0; i < count; ++i)
            QVERIFY2(i % 5 == 4 ||
                         written.at(i)["IPv4"]["Addresses"][0] == "10.0.0." + QString::number(i),
                     processes[i].readAllStandardOutput().constData());
        QString problem;
        QVERIFY2(MachineLock(m_machine).tryLock(&problem), qPrintable(problem));
        QVERIFY2(SimulatedMachine::load(m_machine, &problem), qPrintable(problem));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"machine.json"});
        struct stat after = {};
        QCOMPARE(::stat(path.constData(), &after), 0);
        QCOMPARE(after.st_uid, owner);
        QCOMPARE(after.st_mode & 07777, mode_t(0646));
    }

    // A file made read-only was made so on purpose: even root never replaces it, and both
    // programs of the privileged path say so.
    void readOnlyFileIsKept()
    {
        QCOMPARE(::chmod(QFile::encodeName(m_machine).constData(), 0444), 0);
        qunsetenv(SimulatedMachine::privilegeVariable);
        const CommandResult result = Shell::run(
            tools.osascript(), {"-e", NetworkWriter::privilegedScript({"-setdhcp", "Ethernet"})});
        QVERIFY2(result.error.contains("networksetup: Machine simulée « " + m_machine +
                                       " » non modifiée : le fichier est en lecture seule"),
                 qPrintable(result.error));
        QCOMPARE(contents(m_machine), machineText);
    }

    // networksetup would change the first of two services that share the name.
    void aNameSharedSinceTheReadIsRefused()
    {
        const QJsonObject service = json(
            R"({"ServiceID": "S1", "UserDefinedName": "Bureau", "Interface": {"DeviceName": "en0"}})");
        TestSupport::writeMachine(
            m_dir, {{"services", QJsonArray{service, with(service, "ServiceID", "S2")}}});
        const CommandResult result = simulatedServices(m_machine, SystemTools(m_dir.path()))
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

    // The profiles without a window: the exit status says what happened, the lines what each
    // service became.
    void profilesCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --simulate MACHINE
        QTest::addColumn<QByteArray>("profiles");   // the file; "banc": the two below
        QTest::addColumn<QString>("administrator");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // on standard output, else on standard error
        const auto row = [](const char *name, QStringList arguments, const char *profiles,
                            int status, const char *said, const char *administrator = "approve") {
            QTest::newRow(name) << arguments << QByteArray(profiles) << QString(administrator)
                                << status << QString::fromUtf8(said);
        };
        row("listed", {"--profiles"}, "banc", 0, "Banc 3\t2\tinactif\nFantôme\t1\tinactif\n");
        row("applied, name without case", {"--apply-profile", "banc 3"}, "banc", 0,
            "Ethernet : appliqué et vérifié\nWi-Fi : appliqué et vérifié\n"
            "Profil « Banc 3 » appliqué et vérifié.\n");
        row("prompt refused, nothing left changed", {"--apply-profile=Banc 3"}, "banc", 1,
            "(l'autorisation a été refusée) ; la configuration précédente a été rétablie.", "deny");
        row("a service not found", {"--apply-profile", "Fantôme"}, "banc", 1,
            "« Nope » est introuvable");
        row("unknown profile", {"--apply-profile", "Autre"}, "banc", 2, "« Autre »");
        row("unreadable file", {"--profiles"}, "{", 2, "illisible");
        row("two answers asked", {"--profiles", "--list"}, "banc", 2, "s'excluent");
    }

    void profilesCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, profiles);
        QFETCH(QString, administrator);
        QFETCH(int, status);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QJsonObject demo = QJsonDocument::fromJson([] {
                               QFile file(TestSupport::demoMachinePath());
                               return file.open(QIODevice::ReadOnly) ? file.readAll() : "";
                           }())
                               .object();
        const QString machine =
            TestSupport::writeMachine(dir, TestSupport::with(demo, "administrator", administrator));
        if (profiles == "banc")
            profiles = R"({"format": "brisvale-profiles", "version": 1, "profiles": [
                {"name": "Banc 3", "entries": [
                    {"service": {"id": "x", "name": "Ethernet", "device": "en0"}, "enabled": true,
                     "mode": "manual", "address": "10.9.0.5", "mask": "255.255.255.0",
                     "router": "10.9.0.1", "dns": ["10.9.0.53"]},
                    {"service": {"name": "Wi-Fi"}, "enabled": true, "mode": "dhcp"}]},
                {"name": "Fantôme", "entries": [
                    {"service": {"name": "Nope"}, "enabled": true, "mode": "dhcp"}]}]})";
        QFile file(dir.filePath("profiles.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(profiles) == profiles.size());
        file.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("BRISVALE_PROFILES", file.fileName());
        QProcess brisvale;
        brisvale.setProcessEnvironment(environment);
        brisvale.start(BRISVALE_APP_PATH, QStringList{"--simulate", machine} + arguments);
        QVERIFY(brisvale.waitForFinished(60000));
        const QString out = QString::fromUtf8(brisvale.readAllStandardOutput()),
                      error = QString::fromUtf8(brisvale.readAllStandardError());
        QCOMPARE(brisvale.exitCode(), status);
        QVERIFY2((status == 0 ? out == said : error.contains(said)), qPrintable(out + error));
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
        const QDateTime changedAt(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC);
        SimulatedStore store(TestSupport::writeMachine(m_dir, root),
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

        SimulatedStore store(TestSupport::writeMachine(m_dir, machineWith("10.0.0.5")));
        const auto create = [&store](bool dynamic) {
            return dynamic ? store.createDynamicStore("test") : store.createPreferences("test");
        };
        ConfigurationStore::Ref handles[2]; // the preferences, then the dynamic store
        handles[dynamicStoreFirst] = create(dynamicStoreFirst);
        TestSupport::writeMachine(m_dir, machineWith("10.0.0.6", "10.0.0.1"));
        handles[!dynamicStoreFirst] = create(!dynamicStoreFirst);

        const AdapterInfo read =
            NetworkReader(store, handles[0], handles[1], tools).read().value(0);
        // Either handle on the changed file would bring its address or its router.
        QCOMPARE(read.id + '|' + read.ip + '|' + read.router + (read.enabled ? "|enabled" : ""),
                 "S1|10.0.0.5||enabled");
    }

private:
    QTemporaryDir m_dir;
    const QString m_machine = m_dir.filePath("machine.json");
};

QTEST_GUILESS_MAIN(tst_StandIns)
#include "tst_StandIns.moc"
