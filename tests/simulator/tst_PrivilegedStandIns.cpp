#include "platform/simulated/SimulatedMachine.h"
#include "support/TestSupport.h"
#include "system/Shell.h"
#include "system/SystemTools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Laid out by hand, with a key the format does not know, a service without a name and two
// services of the same name, so that a write shows what it keeps.
const char *const machineText =
    "{\n"
    "  \"administrator\": \"approve\",\n"
    "  \"services\": [\n"
    "    { \"ServiceID\": \"A\", \"UserDefinedName\": \"Ethernet\", \"Enabled\": true,\n"
    "      \"Interface\": { \"DeviceName\": \"en0\", \"Type\": \"Ethernet\" },\n"
    "      \"IPv4\": { \"ConfigMethod\": \"Manual\", \"Addresses\": [\"192.168.1.20\"],\n"
    "                \"SubnetMasks\": [\"255.255.255.0\"], \"Router\": \"192.168.1.1\" } },\n"
    "    { \"ServiceID\": \"B\", \"UserDefinedName\": \"Wi-Fi\",\n"
    "      \"Interface\": { \"DeviceName\": \"en1\", \"Type\": \"IEEE80211\" },\n"
    "      \"IPv4\": { \"ConfigMethod\": \"DHCP\" } },\n"
    "    { \"ServiceID\": \"C\", \"UserDefinedName\": \"Dock\", \"Enabled\": false,\n"
    "      \"Interface\": { \"DeviceName\": \"en2\", \"Type\": \"Ethernet\" } },\n"
    "    { \"ServiceID\": \"D\", \"Interface\": { \"DeviceName\": \"en3\" } },\n"
    "    { \"ServiceID\": \"E\", \"UserDefinedName\": \"Wi-Fi\" }\n"
    "  ],\n"
    "  \"devices\": { \"en0\": {}, \"en1\": { \"network\": \"maison\" }, \"en2\": {} },\n"
    "  \"networks\": { \"maison\": { \"subnet\": \"192.168.0.0/24\",\n"
    "    \"dhcp\": { \"delayMs\": 1500, \"first\": \"192.168.0.10\", \"last\": \"192.168.0.10\" } "
    "} "
    "},\n"
    "  \"note\": \"kept\"\n"
    "}\n";

QString quoted(QString word)
{
    word.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + word + u'\'';
}

// The statement exactly as the application builds it.
QString statement(const QStringList &arguments)
{
    QStringList words{quoted(QStringLiteral("/usr/sbin/networksetup"))};
    for (const QString &argument : arguments)
        words.append(quoted(argument));
    QString line = words.join(u' ');
    line.replace(u'\\', QStringLiteral("\\\\"));
    line.replace(u'"', QStringLiteral("\\\""));
    return QStringLiteral("do shell script \"%1\" with administrator privileges").arg(line);
}

CommandResult networksetup(const QStringList &arguments)
{
    return Shell::run(SystemTools(TestSupport::simRoot()).networksetup(), arguments);
}

QString executionError(const QString &script, const QString &text, int code)
{
    return QStringLiteral("0:%1: execution error: %2 (%3)\n")
        .arg(script.size())
        .arg(text)
        .arg(code);
}

const QJsonObject dhcp{{"ConfigMethod", "DHCP"}};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject serviceAt(const QString &path, int index)
{
    return QJsonDocument::fromJson(contents(path))
        .object()
        .value(QStringLiteral("services"))
        .toArray()
        .at(index)
        .toObject();
}

void setPrivileged(bool privileged)
{
    if (privileged)
        qputenv(SimulatedMachine::privilegeVariable, "1");
    else
        qunsetenv(SimulatedMachine::privilegeVariable);
}

} // namespace

class tst_PrivilegedStandIns : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_machine = m_dir->filePath(QStringLiteral("machine.json"));
        write(machineText);
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(m_machine));
        setPrivileged(false);
    }

    void osascript_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // Replaces the machine file; "unset" unsets the variable, a null one removes the file.
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        // %1 stands for the machine's path.
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("changes");

        const QByteArray same = machineText;
        const QString good = statement({"-setdhcp", "Ethernet"});
        const auto row = [&](const char *name, const QStringList &arguments, const QString &error) {
            QTest::newRow(name) << arguments << same << 1 << QString() << error << false;
        };
        const auto usage = [](const QString &reason) {
            return "osascript: " + reason +
                   "\nusage: osascript -e 'do shell script \"…\" with administrator privileges'\n";
        };
        row("no argument", {}, usage("the simulated machine reads no script from standard input"));
        row("-e alone", {"-e"}, usage("option requires an argument -- e"));
        row("another option", {"-l", "AppleScript", "-e", good},
            usage("the simulated machine takes no option but -e (got -l)"));
        row("script file", {"change.scpt"},
            usage("the simulated machine runs no script file (got change.scpt)"));
        row("two statements", {"-e", good, "-e", good},
            usage("the simulated machine takes one -e statement and no other argument"));

        const QString unterminated =
            "syntax error: Expected “\"” but found end of script. (-2741)\n";
        row("unterminated", {"-e", "do shell script \"ls"}, "19:19: " + unterminated);
        row("ends inside an escape", {"-e", "do shell script \"ls\\"}, "20:20: " + unterminated);
        row("bare quote", {"-e", "do shell script \"a\"b\" with administrator privileges"},
            "51:51: " + unterminated);
        row("two bare quotes", {"-e", "do shell script \"a\"b\"c\" with administrator privileges"},
            "20:21: syntax error: Expected end of line but found “\"”. (-2741)\n");
        row("unknown escape", {"-e", "do shell script \"a\\q\" with administrator privileges"},
            "18:20: syntax error: Expected “\"” but found unknown token. (-2741)\n");

        const QString suffix = " with administrator privileges";
        for (const QString &script :
             QStringList{"display dialog \"x\"", "do shell script \"'/usr/sbin/networksetup'\"",
                         "Do shell script \"'/usr/sbin/networksetup'\"" + suffix,
                         "do shell script \"'/usr/sbin/networksetup'\"" + suffix + " and more"})
            row(qPrintable(script), {"-e", script},
                executionError(script,
                               "The simulated machine only runs do shell script \"…\" with "
                               "administrator privileges.",
                               -1708));
        for (const QString line :
             {"ls", "/usr/sbin/networksetup -setdhcp Ethernet", " '/usr/sbin/networksetup'",
              "'/usr/sbin/networksetup'x", "'/usr/sbin/networksetup';ls", "'/sbin/ifconfig'"}) {
            const QString script = "do shell script \"" + line + '"' + suffix;
            row(qPrintable("line " + line), {"-e", script},
                executionError(script,
                               "The simulated machine lends administrator privileges to "
                               "/usr/sbin/networksetup only.",
                               -10004));
        }

        QTest::newRow("approved") << QStringList{"-e", good} << same << 0 << "\n"
                                  << QString() << true;
        QTest::newRow("cancelled")
            << QStringList{"-e", good} << QByteArray(machineText).replace("approve", "cancel") << 1
            << QString() << executionError(good, "User canceled.", -128) << false;
        QTest::newRow("denied") << QStringList{"-e", good}
                                << QByteArray(machineText).replace("approve", "deny") << 1
                                << QString()
                                << executionError(
                                       good,
                                       "The administrator user name or password was incorrect.",
                                       -60007)
                                << false;

        const QString list = statement({"-listallnetworkservices"});
        QTest::newRow("output, trailing newline trimmed")
            << QStringList{"-e", list} << same << 0
            << "An asterisk (*) denotes that a network service is disabled.\nEthernet\nWi-Fi\n"
               "*Dock\nWi-Fi\n"
            << QString() << false;
        const QString unknown = statement({"-setdhcp", "Nulle part"});
        row("refusal on standard output", {"-e", unknown},
            executionError(unknown,
                           "Nulle part is not a recognized network service.\n"
                           "** Error: The parameters were not valid.",
                           4));
        const QString empty = statement({"-setmanual", "Wi-Fi", "10.0.0.5", "255.0.0.0", ""});
        row("empty router", {"-e", empty},
            executionError(empty,
                           "Invalid router address: (empty)\n"
                           "** Error: The parameters were not valid.",
                           4));
        const QString both = "do shell script \"'/usr/sbin/networksetup' '-setdhcp' 'Nulle "
                             "part'; echo 'on stderr' >&2; exit 3\"" +
                             suffix;
        row("standard error first", {"-e", both}, executionError(both, "on stderr", 3));
        const QString silent = "do shell script \"'/usr/sbin/networksetup' "
                               "-listallnetworkservices >/dev/null; exit 5\"" +
                               suffix;
        row("no text at all", {"-e", silent},
            executionError(silent, "The command exited with a non-zero status.", 5));

        QTest::newRow("variable not set")
            << QStringList{"-e", good} << QByteArray("unset") << 1 << QString()
            << "osascript: BRISVALE_SIMULATION is not set: no simulated machine to ask\n"
            << false;
        QTest::newRow("no machine file")
            << QStringList{"-e", good} << QByteArray() << 1 << QString()
            << "osascript: Machine simulée « %1 » introuvable : le fichier n'existe pas.\n"
            << false;
    }

    void osascript()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, machine);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);
        QFETCH(bool, changes);

        setUp(machine);
        const CommandResult result =
            Shell::run(SystemTools(TestSupport::simRoot()).osascript(), arguments);
        QCOMPARE(result.error, QString(error).replace("%1", m_machine));
        QCOMPARE(result.output, output);
        QCOMPARE(result.status, status);
        if (machine == machineText)
            QCOMPARE(serviceAt(m_machine, 0).value("IPv4").toObject() == dhcp, changes);
        QCOMPARE(contents(m_machine) != stored(machine), changes);
        // The privilege was lent to the command only.
        QVERIFY(qEnvironmentVariableIsEmpty(SimulatedMachine::privilegeVariable));
    }

    void namesReachNetworksetupUnchanged_data()
    {
        QTest::addColumn<QString>("name");
        // The statement, when it is not the one the application would build.
        QTest::addColumn<QString>("script");

        for (const char *name : {"Wi-Fi d'Anne", "'\\''", "Salle \"B\"", "C:\\new", "fin\\",
                                 "\\\\serveur", "$HOME", "$(id)", "`id`", "Bureau\nEst", "a\tb",
                                 "Écran Studio ☕", "%s %n", "-setdhcp", " espacé  ", "\\\"'"})
            QTest::newRow(name) << QString::fromUtf8(name) << QString();
        const QString script = "do shell script \"'/usr/sbin/networksetup' '-setdhcp' '%1'\" "
                               "with administrator privileges";
        QTest::newRow("\\n escape") << "a\nb" << script.arg("a\\nb");
        QTest::newRow("\\t escape") << "a\tb" << script.arg("a\\tb");
        QTest::newRow("\\r escape") << "a\rb" << script.arg("a\\rb");
        QTest::newRow("escaped quote and backslash") << "\"\\" << script.arg("\\\"\\\\");
    }

    void namesReachNetworksetupUnchanged()
    {
        QFETCH(QString, name);
        QFETCH(QString, script);

        const QJsonObject service{{"UserDefinedName", name},
                                  {"IPv4", QJsonObject{{"ConfigMethod", "Manual"}}}};
        m_machine = TestSupport::writeMachine(*m_dir, {{"services", QJsonArray{service}}});
        const CommandResult result =
            Shell::run(SystemTools(TestSupport::simRoot()).osascript(),
                       {"-e", script.isEmpty() ? statement({"-setdhcp", name}) : script});
        QCOMPARE(result.error, QString());
        QCOMPARE(result.status, 0);
        // The change found the service, so the name arrived exactly.
        QCOMPARE(serviceAt(m_machine, 0).value("IPv4").toObject(), dhcp);
    }

    void networksetupRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("marker");
        // As in osascript_data.
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");

        const QByteArray same = machineText;
        const QString notValid = "** Error: The parameters were not valid.\n";
        const auto refused = [&](const char *name, const QStringList &arguments,
                                 const QString &reason) {
            QTest::newRow(name) << arguments << QByteArray("1") << same << 4
                                << reason + '\n' + notValid << QString();
        };
        const QStringList manual{"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0", "10.0.0.1"};
        const QString admin = "** Error: Command requires admin privileges.\n";
        for (const QStringList &arguments :
             {manual, QStringList{"-setdhcp", "Ethernet"},
              QStringList{"-setnetworkserviceenabled", "Ethernet", "off"}})
            QTest::newRow(qPrintable(arguments.first() + " without marker"))
                << arguments << QByteArray() << same << 14 << admin << QString();
        QTest::newRow("marker 0") << manual << QByteArray("0") << same << 14 << admin << QString();

        refused("unknown service", {"-setdhcp", "Nulle part"},
                "Nulle part is not a recognized network service.");
        refused("names match exactly", {"-setdhcp", "ethernet"},
                "ethernet is not a recognized network service.");
        refused("service checked before values", {"-setmanual", "Nulle part", "x", "y", "z"},
                "Nulle part is not a recognized network service.");
        // The parse itself is tested with SimulatedMachine::parseIPv4.
        for (const QString ip : {"192.168.1.256", "192.168.1", " 192.168.1.5"})
            refused(qPrintable("address " + ip),
                    {"-setmanual", "Ethernet", ip, "255.0.0.0", "0.0.0.0"},
                    "Invalid IP address: " + ip);
        refused("empty address", {"-setmanual", "Ethernet", "", "255.0.0.0", "0.0.0.0"},
                "Invalid IP address: (empty)");
        refused("mask", {"-setmanual", "Ethernet", "10.0.0.2", "255.0.0", "0.0.0.0"},
                "Invalid subnet mask: 255.0.0");
        refused("empty router", {"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0", ""},
                "Invalid router address: (empty)");
        refused("router word", {"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0", "none"},
                "Invalid router address: none");
        for (const QString state : {"ON", "yes"})
            refused(qPrintable("state " + state), {"-setnetworkserviceenabled", "Ethernet", state},
                    "Invalid state: " + state + " (use on or off)");
        refused("empty state", {"-setnetworkserviceenabled", "Ethernet", ""},
                "Invalid state: (empty) (use on or off)");

        const QString usages[] = {
            "Usage: networksetup -setmanual <networkservice> <ip> <subnet> <router>",
            "Usage: networksetup -setdhcp <networkservice>",
            "Usage: networksetup -setnetworkserviceenabled <networkservice> <on off>",
            "Usage: networksetup -listallnetworkservices"};
        refused("no router", manual.mid(0, 4), usages[0]);
        refused("extra word", manual + QStringList{"x"}, usages[0]);
        refused("-setdhcp alone", {"-setdhcp"}, usages[1]);
        refused("no state", {"-setnetworkserviceenabled", "Ethernet"}, usages[2]);
        refused("list with a word", {"-listallnetworkservices", "Ethernet"}, usages[3]);
        const QString all = QStringList(std::begin(usages), std::end(usages)).join('\n');
        refused("unknown command", {"-getinfo", "Ethernet"},
                "-getinfo is not a command of the simulated networksetup.\n" + all);
        refused("no argument", {}, all);

        QTest::newRow("variable not set")
            << QStringList{"-setdhcp", "Ethernet"} << QByteArray("1") << QByteArray("unset") << 1
            << QString()
            << "networksetup: BRISVALE_SIMULATION is not set: no simulated machine to work on\n";
        QTest::newRow("no machine file")
            << QStringList{"-setdhcp", "Ethernet"} << QByteArray("1") << QByteArray() << 1
            << QString()
            << "networksetup: Machine simulée « %1 » introuvable : le fichier n'existe pas.\n";
        QTest::newRow("refused machine file")
            << QStringList{"-setdhcp", "Ethernet"} << QByteArray("1")
            << QByteArray("{ \"services\": {} }") << 1 << QString()
            << "networksetup: Machine simulée « %1 » invalide : « services » doit être une "
               "liste.\n";
    }

    void networksetupRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, marker);
        QFETCH(QByteArray, machine);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);

        setUp(machine);
        if (!marker.isNull())
            qputenv(SimulatedMachine::privilegeVariable, marker);
        const CommandResult result = networksetup(arguments);
        QCOMPARE(result.output, output);
        QCOMPARE(result.error, QString(error).replace("%1", m_machine));
        QCOMPARE(result.status, status);
        // Left as it was, and no file made up, nor any lock or temporary file left behind.
        QCOMPARE(contents(m_machine), stored(machine));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), machine.isNull() || machine == "unset"
                                                                 ? QStringList()
                                                                 : QStringList{"machine.json"});
    }

    void changes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");

        const auto manual = [](const char *ip, const char *mask, const char *router) {
            return QJsonValue(QJsonObject{{"ConfigMethod", "Manual"},
                                          {"Addresses", QJsonArray{ip}},
                                          {"SubnetMasks", QJsonArray{mask}},
                                          {"Router", router}});
        };
        QTest::newRow("manual on a DHCP service")
            << QStringList{"-setmanual", "Wi-Fi", "192.168.0.5", "255.255.255.0", "192.168.0.254"}
            << 1 << "IPv4" << manual("192.168.0.5", "255.255.255.0", "192.168.0.254");
        QTest::newRow("manual without router")
            << QStringList{"-setmanual", "Ethernet", "10.1.2.3", "255.255.0.0", "0.0.0.0"} << 0
            << "IPv4" << manual("10.1.2.3", "255.255.0.0", "0.0.0.0");
        QTest::newRow("DHCP drops the addresses")
            << QStringList{"-setdhcp", "Ethernet"} << 0 << "IPv4" << QJsonValue(dhcp);
        QTest::newRow("disable") << QStringList{"-setnetworkserviceenabled", "Ethernet", "off"} << 0
                                 << "Enabled" << QJsonValue(false);
        QTest::newRow("enable") << QStringList{"-setnetworkserviceenabled", "Dock", "on"} << 2
                                << "Enabled" << QJsonValue(true);
    }

    void changes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, index);
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);

        setPrivileged(true);
        const QJsonObject before = QJsonDocument::fromJson(machineText).object();
        const QDateTime start = QDateTime::currentDateTimeUtc();
        const CommandResult result = networksetup(arguments);
        const QDateTime end = QDateTime::currentDateTimeUtc();
        QCOMPARE(result.output + result.error, QString());
        QCOMPARE(result.status, 0);

        QJsonObject after = QJsonDocument::fromJson(contents(m_machine)).object();
        QJsonArray services = after.value("services").toArray();
        QJsonObject service = services.at(index).toObject();
        QCOMPARE(service.value(key), value);
        const QDateTime changedAt =
            QDateTime::fromString(service.value("ChangedAt").toString(), Qt::ISODateWithMs);
        QVERIFY2(changedAt >= start && changedAt <= end,
                 qPrintable(service.value("ChangedAt").toString()));

        // Nothing else moved: with the old values back, the old machine reappears.
        const QJsonObject old = before.value("services").toArray().at(index).toObject();
        if (old.contains(key))
            service.insert(key, old.value(key));
        else
            service.remove(key);
        service.remove("ChangedAt");
        services.replace(index, service);
        after.insert("services", services);
        QCOMPARE(after, before);
    }

    void dhcpLeaseFollowsTheChange()
    {
        setPrivileged(true);
        QCOMPARE(networksetup({"-setdhcp", "Wi-Fi"}).status, 0);
        const std::optional<SimulatedMachine> machine = SimulatedMachine::load(m_machine, nullptr);
        QVERIFY(machine);
        const QJsonObject service = machine->services().at(1).toObject();
        const QDateTime changedAt =
            QDateTime::fromString(service.value("ChangedAt").toString(), Qt::ISODateWithMs);
        QVERIFY(!machine->liveIPv4(service, changedAt.addMSecs(1499)));
        const std::optional<QJsonObject> live =
            machine->liveIPv4(service, changedAt.addMSecs(1500));
        QVERIFY(live);
        QCOMPARE(live->value("Addresses").toArray(), QJsonArray{"192.168.0.10"});
    }

    void writesKeepTheLayout_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("value in place")
            << QByteArray("{\"z\": 1,   \"services\": [\n  {\"b\": \"x\",\n   \"a\": [1,2]}\n]}\n")
            << QByteArray("{\"z\": 1,   \"services\": [\n  {\"b\": \"y\",\n   \"a\": [1,2]}\n]}\n");
        QTest::newRow("key added after the last, same indent")
            << QByteArray("{\n\t\"services\": [],\n\t\"b\": {\n\t\t\"k\": 1\n\t}\n}")
            << QByteArray("{\n\t\"services\": [],\n\t\"b\": {\n\t\t\"k\": 1,\n\t\t\"new\": "
                          "{ \"x\": [1, 2] }\n\t}\n}");
        QTest::newRow("one-line object grows to several lines, keeping its order")
            << QByteArray("{\n  \"services\": [],\n  \"o\": { \"z\": \"DHCP\", \"a\": 1 }\n}\n")
            << QByteArray("{\n  \"services\": [],\n  \"o\": {\n    \"z\": \"Manual\",\n    "
                          "\"a\": 1,\n    \"long\": \"" +
                          QByteArray(90, 'x') + "\"\n  }\n}\n");
        QTest::newRow("removed key shrinks to one line")
            << QByteArray("{\n  \"services\": [],\n  \"o\": {\n    \"z\": 1,\n    \"a\": 2,\n"
                          "    \"gone\": 3\n  }\n}\n")
            << QByteArray("{\n  \"services\": [],\n  \"o\": { \"z\": 1, \"a\": 2 }\n}\n");
        QTest::newRow("escapes and accents kept as written")
            << QByteArray("{\"n\": \"\\u00e9\", \"services\": [], \"é\": 1}")
            << QByteArray("{\"n\": \"\\u00e9\", \"services\": [], \"é\": 2}");
    }

    void writesKeepTheLayout()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);

        write(before);
        const QJsonObject target = QJsonDocument::fromJson(after).object();
        QVERIFY(!target.isEmpty());
        const auto result = SimulatedMachine::update(
            m_machine,
            [&target](QJsonObject &root, QString *) {
                root = target;
                return true;
            },
            nullptr);
        QCOMPARE(result, SimulatedMachine::UpdateResult::written);
        QCOMPARE(contents(m_machine), after);
    }

    void writesKeepPermissionsAndLinks()
    {
        QVERIFY(QFile::setPermissions(m_machine, QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ReadGroup | QFile::WriteGroup));
        const QFile::Permissions permissions = QFileInfo(m_machine).permissions();
        const QString link = m_dir->filePath("link.json");
        QVERIFY(QFile::link(m_machine, link));
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(link));

        setPrivileged(true);
        QCOMPARE(networksetup({"-setdhcp", "Ethernet"}).status, 0);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(m_machine).permissions(), permissions);
        QCOMPARE(serviceAt(m_machine, 0).value("IPv4").toObject(), dhcp);
    }

    void lockOfADeadWriterIsTakenOver()
    {
        // A lock in the format QLockFile writes, left by a process that has gone.
        QProcess gone;
        gone.start("/bin/true", {});
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString lockPath = m_machine + ".lock";
        QByteArray lines;
        {
            QLockFile lock(lockPath);
            QVERIFY(lock.tryLock(0));
            lines = contents(lockPath);
        }
        lines = QByteArray::number(pid) + lines.mid(lines.indexOf('\n'));
        QFile stale(lockPath);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(lines);
        stale.close();

        setPrivileged(true);
        QElapsedTimer timer;
        timer.start();
        const CommandResult result = networksetup({"-setdhcp", "Ethernet"});
        QCOMPARE(result.status, 0);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!QFile::exists(lockPath));
    }

    void concurrentWritersLoseNothing()
    {
        constexpr int count = 50;
        QJsonArray services;
        for (int i = 0; i < count; ++i)
            services.append(QJsonObject{{"UserDefinedName", QStringLiteral("Service %1").arg(i)},
                                        {"IPv4", QJsonObject{{"ConfigMethod", "DHCP"}}}});
        m_machine = TestSupport::writeMachine(*m_dir, QJsonObject{{"services", services}});

        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < count; ++i) {
            auto process = std::make_unique<QProcess>();
            process->setProcessEnvironment(privilegedEnvironment());
            process->start(SystemTools(TestSupport::simRoot()).networksetup(),
                           {"-setmanual", QStringLiteral("Service %1").arg(i),
                            QStringLiteral("10.0.%1.2").arg(i), "255.255.255.0",
                            QStringLiteral("10.0.%1.1").arg(i)});
            processes.push_back(std::move(process));
        }
        for (int i = 0; i < count; ++i) {
            QProcess &process = *processes[size_t(i)];
            QVERIFY(process.waitForFinished(60000));
            QVERIFY2(process.exitCode() == 0,
                     qPrintable(process.readAllStandardOutput() + process.readAllStandardError()));
        }

        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(contents(m_machine), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray written = document.object().value("services").toArray();
        QCOMPARE(written.size(), count);
        for (int i = 0; i < count; ++i) {
            const QJsonObject service = written.at(i).toObject();
            QCOMPARE(service.value("UserDefinedName").toString(),
                     QStringLiteral("Service %1").arg(i));
            QCOMPARE(service.value("IPv4").toObject().value("Addresses").toArray(),
                     QJsonArray{QStringLiteral("10.0.%1.2").arg(i)});
        }
        // No lock or half-written file is left behind.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"machine.json"});
    }

private:
    void setUp(const QByteArray &machine)
    {
        if (machine == "unset") {
            QFile::remove(m_machine);
            qunsetenv(SimulatedMachine::environmentVariable);
        } else if (machine.isNull()) {
            QFile::remove(m_machine);
        } else {
            write(machine);
        }
    }

    // What the machine file holds after setUp(machine).
    static QByteArray stored(const QByteArray &machine)
    {
        return machine == "unset" ? QByteArray() : machine;
    }

    void write(const QByteArray &text)
    {
        QFile file(m_machine);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QProcessEnvironment privilegedEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(SimulatedMachine::environmentVariable, m_machine);
        environment.insert(SimulatedMachine::privilegeVariable, "1");
        return environment;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_machine;
};

QTEST_GUILESS_MAIN(tst_PrivilegedStandIns)
#include "tst_PrivilegedStandIns.moc"
