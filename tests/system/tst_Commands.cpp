// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkWriter.h"
#include "PingRunner.h"
#include "Shell.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

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

bool isZombie(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
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

} // namespace

Q_DECLARE_METATYPE(Speech)

class tst_Commands : public QObject {
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
        row("INVALID in any case", "", {"INVALID router."}, 2);
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

    void megabytesOnStandardErrorFirstDoNotStall()
    {
        const CommandResult result = sh("head -c 1048576 /dev/zero | tr '\\0' e >&2; echo done");
        QCOMPARE(result.output, QStringLiteral("done\n"));
        QCOMPARE(result.error.size(), 1048576);
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
        const qint64 child = result.output.trimmed().toLongLong();
        QVERIFY(child > 0 && result.output.endsWith(u'\n'));
        QTRY_VERIFY(::kill(pid_t(child), 0) != 0 || isZombie(child));
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
};

QTEST_GUILESS_MAIN(tst_Commands)
#include "tst_Commands.moc"
