// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The system backend: the programs it runs, their answers, and the platform's store read.
#include "ConfigurationStore.h"
#include "NetworkReader.h"
#include "NetworkWriter.h"
#include "PingRunner.h"
#include "PropertyList.h"
#include "Shell.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMetaProperty>
#include <QTemporaryDir>
#include <QTest>

namespace {

// An AppleScript string's contents as the script runner reads them.
QString unescapedAppleScript(const QString &text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

CommandResult sh(const QString &script, const QString &argument = {},
                 std::optional<std::chrono::milliseconds> limit = std::nullopt)
{
    return Shell::run(QStringLiteral("/bin/sh"), {"-c", script, "sh", argument}, limit);
}

// How each ping is asked for one request, bound to eth1 and not; both end in the same lines.
struct Speech {
    const char *name;
    const PingRunner::Dialect *dialect;
    const char *bound, *unbound;
};
const Speech mac{"mac", &PingRunner::macOS(), "-n -c 1 -W 1200 -b eth1 10.0.0.1",
                 "-n -c 1 -W 1200 10.0.0.1"};
const Speech iputils{"iputils", &PingRunner::iputils(), "-n -c 1 -W 1.2 -I eth1 10.0.0.1",
                     "-n -c 1 -W 1.2 10.0.0.1"};
const QList<Speech> both{mac, iputils};

const char *noSuchDevice = "ping: SO_BINDTODEVICE nosuch0: No such device";
const char *retried = "réponse reçue · sans liaison à l'interface eth1";

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
Q_DECLARE_METATYPE(Speech)

class tst_Backends : public QObject {
    Q_OBJECT

private slots:
    // An osascript that logs each script and fails each run given a reply, with that reply.
    void routerRetry_data()
    {
        QTest::addColumn<QString>("router");
        QTest::addColumn<QStringList>("replies"); // to each run; empty: success
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("dns"); // comma-separated; null: DNS left alone

        const auto row = [](const char *name, const char *router, const QStringList &replies,
                            int runs, const QString &dns = {}) {
            QTest::newRow(name) << QString(router) << replies << runs << dns;
        };

        row("first run succeeds", "", {}, 1);
        row("parameters not valid", "", {"** Error: The parameters were not valid."}, 2);
        row("the second result is returned even when it fails", "",
            {"Gateway missing", "still wrong"}, 2);
        row("unrelated failure", "", {"User canceled. (-128)"}, 1);
        row("router given", "10.0.0.1", {"Invalid router"}, 1);
        row("DNS in the same request", "10.0.0.1", {}, 1, "10.0.0.53,2001:db8::53");
        row("DNS back to DHCP's, sent again with the retry", "", {"Invalid router"}, 2, "");
    }

    void routerRetry()
    {
        QFETCH(QString, router);
        QFETCH(QStringList, replies);
        QFETCH(int, runs);
        QFETCH(QString, dns);

        QTemporaryDir root;
        QString script =
            "#!/bin/sh\nprintf '%s\\n' \"$2\" >> \"$0.log\"\ncase $(wc -l < \"$0.log\") in\n";
        for (int run = 0; run < replies.size(); ++run)
            script +=
                QStringLiteral("*%1) echo '%2' >&2; exit 1;;\n").arg(run + 1).arg(replies[run]);
        TestSupport::writeExecutable(root.filePath("usr/bin/osascript"),
                                     (script + "esac\n").toUtf8());

        const DnsChange change = dns.isNull() ? DnsChange() : dns.split(',', Qt::SkipEmptyParts);
        const CommandResult result =
            NetworkWriter::setManual(SystemTools(root.path()), "Bob's \"A && B\"\\", "10.0.0.2",
                                     "255.0.0.0", router, change)
                .result();
        // The last run decides; the retry sends the placeholder router.
        QCOMPARE(result.status, replies.size() >= runs ? 1 : 0);
        const QString name = "'Bob'\\\\''s \\\"A && B\\\"\\\\'";
        const QString servers = dns.isEmpty() ? "'Empty'" : "'" + dns.replace(',', "' '") + "'";
        QString sent = "do shell script \"'/usr/sbin/networksetup' '-setmanual' " + name +
                       " '10.0.0.2' '255.0.0.0' '%1'";
        if (change)
            sent += " && '/usr/sbin/networksetup' '-setdnsservers' " + name + " " + servers;
        sent += "\" with administrator privileges";
        QStringList expected{sent.arg(router)};
        if (runs == 2)
            expected << sent.arg("0.0.0.0");
        QCOMPARE(TestSupport::loggedLines(root.filePath("usr/bin/osascript.log")), expected);
    }

    // A group's runs: switched on before its addressing, off after it, DNS right after the
    // address it rides with.
    void groupRuns_data()
    {
        QTest::addColumn<QList<ServiceChange>>("changes");
        QTest::addColumn<bool>("placeholder");
        QTest::addColumn<QStringList>("runs"); // joined by spaces

        const ServiceTarget eth{"1", "Ethernet"}, bond{"2", "Bond 1"};
        const Addressing manual{false, "10.0.0.2", "255.0.0.0", "", QStringList{"10.0.0.53"}};
        QTest::newRow("on, addressed, then the next one off")
            << QList<ServiceChange>{{eth, true, manual}, {bond, false, Addressing{}}} << false
            << QStringList{"-setnetworkserviceenabled Ethernet on",
                           "-setmanual Ethernet 10.0.0.2 255.0.0.0 ",
                           "-setdnsservers Ethernet 10.0.0.53", "-setdhcp Bond 1",
                           "-setnetworkserviceenabled Bond 1 off"};
        QTest::newRow("no router sent as the placeholder, DNS left alone")
            << QList<ServiceChange>{{eth, {}, Addressing{false, "10.0.0.2", "255.0.0.0"}}} << true
            << QStringList{"-setmanual Ethernet 10.0.0.2 255.0.0.0 0.0.0.0"};
    }
    void groupRuns()
    {
        QFETCH(QList<ServiceChange>, changes);
        QFETCH(bool, placeholder);
        QFETCH(QStringList, runs);
        QStringList sent;
        for (const QStringList &run : NetworkWriter::runsOf(changes, placeholder))
            sent << run.join(u' ');
        QCOMPARE(sent, runs);
    }

    // The service's name echoed in the error decides nothing.
    void classified_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("service");
        QTest::addColumn<int>("cause");
        const auto row = [](const char *name, const char *output, const QString &error,
                            ChangeCause cause, const char *service = "Wi-Fi") {
            QTest::newRow(name) << QString(output) << error << QString(service) << int(cause);
        };

        using C = ChangeCause;
        row("code -128", "", "0:98: execution error: Abandon. (-128)", C::cancelled);
        row("cancel wins over not authorized", "not authorized", "User canceled.", C::cancelled);
        row("French annul, on standard output", "Opération ANNULÉE", " \n", C::cancelled);
        row("not authorized", "", "Not authorized to do that", C::refused);
        row("wrong administrator password", "", "user name or password was incorrect. (-60007)",
            C::refused);
        row("any other text", "** Error: The parameters were not valid.\n", "Bad IP\n", C::failed);
        const QString unknown = "0:99: execution error: %1 is not a recognized network service.";
        for (const char *name : {"VLAN-128", "Cancel Lab", "Authorization net", "annulé"})
            row(name, "", unknown.arg(name), C::failed, name);
        row("a named service cancelled all the same", "",
            "0:98: execution error: User canceled. (-128)", C::cancelled, "VLAN-128");
    }

    void classified()
    {
        QFETCH(QString, output);
        QFETCH(QString, error);
        QFETCH(QString, service);
        QFETCH(int, cause);
        const CommandResult result = NetworkWriter::classified({1, output, error}, service);
        QCOMPARE(int(result.cause), cause);
    }

    // Through the quoting and the AppleScript escaping, read back by a real /bin/sh.
    void hostileNamesSurviveTheQuoting()
    {
        const QStringList names = {"'",      "\"",           "\\",         "\\\"",  "\\'",
                                   "'\\''",  "\"\\'\\\\\"'", "$HOME `id`", "$(id)", "a\nb\tc ",
                                   "é«—網😀", "Wi-Fi;&&|*%!", "\\\\\\\"\"'"};
        const QString script = NetworkWriter::privilegedScript(QStringList{"-setdhcp"} + names);
        const QString head = "do shell script \"", tail = "\" with administrator privileges";
        const QString tool = "'/usr/sbin/networksetup'";
        QVERIFY(script.startsWith(head + tool) && script.endsWith(tail));
        // The tool replaced by a program that prints each argument it gets, NUL-terminated.
        const QString line = unescapedAppleScript(script.mid(head.size()).chopped(tail.size()));
        const CommandResult result =
            Shell::run("/bin/sh", {"-c", "printf '%s\\0'" + line.mid(tool.size())});
        QCOMPARE(result.output.split(QChar(0)), QStringList{"-setdhcp"} + names + QStringList{""});
    }

    void results_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const char *script, int status, const char *output,
                            const char *error, const char *argument = "") {
            QTest::newRow(name) << QString(script) << QString(argument) << status << QString(output)
                                << QString(error);
        };

        // Arguments arrive unchanged: nothing on the way is a shell.
        for (const char *argument : {"say \"hi\" to l'adaptateur", "$HOME `id` $(id)",
                                     "a\\b; rm -rf c", "Écran « Studio » —"})
            row(argument, "printf '%s' \"$1\"", 0, argument, "", argument);
        row("streams apart, newlines kept", "printf 'y\\n\\n'; echo x >&2; exit 4", 4, "y\n\n",
            "x\n");
        row("a byte that is not UTF-8 hides nothing else",
            "printf 'caf\\351\\n\\tstatus: active\\n'; echo 'still here' >&2; exit 2", 2,
            "caf\uFFFD\n\tstatus: active\n", "still here\n");
        row("killed by a signal", "kill -TERM $$", 15, "", "");
        QTest::newRow("megabytes on standard error first do not stall")
            << "head -c 1048576 /dev/zero | tr '\\0' e >&2; echo done" << QString() << 0
            << QString("done\n") << QString(1048576, u'e');
        // Whatever the session's language, so that the programs' words can be read.
        row("a child speaks English", "printf '%s|%s' \"$LC_ALL\" \"$LANG\"", 0,
            "en_US.UTF-8|en_US.UTF-8", "");
    }

    void results()
    {
        QFETCH(QString, script);
        QFETCH(QString, argument);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);

        qputenv("LC_ALL", "fr_FR.UTF-8");
        qputenv("LANG", "de_DE.UTF-8");
        const CommandResult result = sh(script, argument);
        QCOMPARE(result.status, status);
        QCOMPARE(result.output, output);
        QCOMPARE(result.error, error);
    }

    void aProgramThatCannotStartHasStatusMinusOne()
    {
        QCOMPARE(Shell::run("/nonexistent/brisvale-no-such-tool", {}).status, -1);
    }

    // A script that hangs in a child: the child goes with it, and the pipes it held close.
    void aProgramThatNeverEndsIsStoppedAtTheLimitWithItsChildren()
    {
        const CommandResult result =
            sh("sleep 30 & echo $!; wait", {}, std::chrono::milliseconds(300));
        QCOMPARE(result.status, -1);
        QCOMPARE(result.error,
                 QStringLiteral("/bin/sh did not finish within 300 ms and was stopped."));
        // What it printed is kept: the child's pid. Reaped by init, which may take a moment.
        QVERIFY(result.output.trimmed().toInt() > 0 && result.output.endsWith(u'\n'));
        QTRY_VERIFY([&result] {
            QFile stat("/proc/" + result.output.trimmed() + "/stat");
            return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        }());
    }

    // A bound run refused for its binding is run once more unbound; only the kept run counts.
    void runs_data()
    {
        QTest::addColumn<Speech>("speech");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<CommandResult>("run"); // the answer to the first run
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("raw"); // the output when null
        const auto row = [](QList<Speech> speeches, const char *name, bool bound, int status,
                            const char *output, const char *error, bool success, const char *detail,
                            const char *raw = nullptr) {
            for (const Speech &speech : speeches)
                QTest::addRow("%s: %s", speech.name, name)
                    << speech << bound << CommandResult{status, output, error} << success
                    << QString(detail) << QString(raw ? raw : output);
        };

        row({mac}, "100 % loss, no timing line, status ignored", true, 2,
            "1 packets transmitted, 0 packets received, 100.0% packet loss\n", "", false,
            "0 paquet reçu sur 1 · 100,0 % de perte");
        row({mac}, "decimal comma", false, 0,
            "3 packets transmitted, 1 packets received, 66,7% packet loss\n"
            "round-trip min/avg/max/stddev = 1,000/1,26/1,500/0,250 ms\n",
            "", true, "1 paquet reçu sur 3 · 66,7 % de perte · 1,3 ms en moyenne");
        row({mac}, "counts too large to read: no summary", false, 0,
            "99999999999 packets transmitted, 1 packets received, 0.0% packet loss", "", true,
            "réponse reçue");
        row({mac}, "more received than sent: garbage, shown as any unreadable line", false, 2,
            "0 packets transmitted, 4 packets received, 0.0% packet loss", "", false,
            "0 packets transmitted, 4 packets received, 0.0% packet loss");
        // The lines of runs recorded from iputils 20221126 that the summary is read from.
        row({iputils}, "answered", true, 0,
            "3 packets transmitted, 3 received, 0% packet loss, time 2072ms\n"
            "rtt min/avg/max/mdev = 0.059/0.095/0.157/0.043 ms\n",
            "", true, "3 paquets reçus sur 3 · 0,0 % de perte · 0,1 ms en moyenne");
        row({iputils}, "no reply, status 1", true, 1,
            "5 packets transmitted, 0 received, 100% packet loss, time 4076ms\npipe 3\n", "", false,
            "0 paquet reçu sur 5 · 100,0 % de perte");
        // When the neighbour lookup fails, iputils counts the errors before the loss.
        row({iputils}, "duplicates and errors counted before the loss", false, 1,
            "4 packets transmitted, 1 received, +1 duplicates, +3 errors, 75% packet loss, "
            "time 3050ms\nrtt min/avg/max/mdev = 0.070/0.070/0.070/0.000 ms, pipe 3\n",
            "", true, "1 paquet reçu sur 4 · 75,0 % de perte · 0,1 ms en moyenne");

        // Without statistics, the last line of what the run printed.
        row(both, "nothing printed", true, 1, "", "", false, "aucune réponse");
        row(both, "last error line, trimmed and lowercased", true, 2, "",
            "ping: sendto: No route to host\r\n  ping: sendto: Host is down \n  \n", false,
            "ping: sendto: host is down",
            "ping: sendto: No route to host\r\n  ping: sendto: Host is down");
        row({mac}, "unknown interface", true, 2, "", noSuchDevice, false,
            "ping: so_bindtodevice nosuch0: no such device",
            "ping: SO_BINDTODEVICE nosuch0: No such device");

        // A refusal of the binding, on either stream, and only from a bound run that failed.
        for (const char *refusal :
             {"usage: ping [-b boundif]", "ping: invalid option -- b", "Permission denied",
              "Operation not permitted", "ping: bind: Can't assign"})
            row(both, refusal, true, 64, "", refusal, true, retried);
        for (const char *refusal : {noSuchDevice, "ping: unknown iface eth1"})
            row({iputils}, refusal, true, 2, "", refusal, true, retried);
        row(both, "refusal on standard output", true, 64, "ping: bind: refused", "", true, retried,
            "");
        row(both, "unbound run refused", false, 64, "", "usage: ping", false, "usage: ping",
            "usage: ping");
        row(both, "answered, a refusal in its text", true, 0, "", "ping: bind: warning", true,
            "réponse reçue");
    }

    void runs()
    {
        QFETCH(Speech, speech);
        QFETCH(bool, bound);
        QFETCH(CommandResult, run);
        QFETCH(bool, success);
        QFETCH(QString, detail);
        QFETCH(QString, raw);

        // It logs its arguments and answers with the row's run, but to an unbound retry.
        QTemporaryDir root;
        const QString ping = root.filePath("ping");
        TestSupport::writeExecutable(ping + ".out", run.output.toUtf8());
        TestSupport::writeExecutable(ping + ".err", run.error.toUtf8());
        TestSupport::writeExecutable(
            ping, QString("#!/bin/sh\necho \"$*\" >> \"$0.log\"\n%1"
                          "cat \"$0.out\"; cat \"$0.err\" >&2; exit %2\n")
                      .arg(bound ? "case \" $* \" in *' eth1 '*) ;; *) exit 0 ;; esac\n" : "",
                           QString::number(run.status))
                      .toUtf8());
        const PingOutcome outcome =
            PingRunner::send(*speech.dialect, ping, "10.0.0.1", bound ? "eth1" : "", 1).result();
        QCOMPARE(outcome.success, success);
        QCOMPARE(outcome.detail, detail);
        QCOMPARE(outcome.raw, raw);
        QStringList runs{bound ? speech.bound : speech.unbound};
        if (detail == retried)
            runs << speech.unbound;
        QCOMPARE(TestSupport::loggedLines(ping + ".log"), runs);
    }

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

QTEST_GUILESS_MAIN(tst_Backends)
#include "tst_Backends.moc"
