// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PingRunner.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// How each ping is asked for one request, bound to eth1 and not; both end in the same lines.
struct Speech {
    const char *name;
    const PingRunner::Dialect *dialect;
    const char *bound;
    const char *unbound;
};
const Speech mac{"mac", &PingRunner::macOS(), "-n -c 1 -W 1200 -b eth1 10.0.0.1",
                 "-n -c 1 -W 1200 10.0.0.1"};
const Speech iputils{"iputils", &PingRunner::iputils(), "-n -c 1 -W 1.2 -I eth1 10.0.0.1",
                     "-n -c 1 -W 1.2 10.0.0.1"};
const QList<Speech> both{mac, iputils};

const char *noSuchDevice = "ping: SO_BINDTODEVICE nosuch0: No such device";
// The unbound retry is answered, silently.
const char *retried = "réponse reçue · sans liaison à l'interface eth1";

} // namespace

Q_DECLARE_METATYPE(Speech)

class tst_PingDialects : public QObject {
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(tst_PingDialects)
#include "tst_PingDialects.moc"
