// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The simulated machine's stand-in programs, run as the application runs them.
#include "MachineLock.h"
#include "NetworkWriter.h"
#include "PingRunner.h"
#include "Shell.h"
#include "SimulatedMachine.h"
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

const SystemTools tools(TestSupport::simRoot());

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

private:
    QTemporaryDir m_dir;
    const QString m_machine = m_dir.filePath("machine.json");
};

QTEST_GUILESS_MAIN(tst_StandIns)
#include "tst_StandIns.moc"
