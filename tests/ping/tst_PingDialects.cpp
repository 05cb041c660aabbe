// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "IputilsPing.h"
#include "PingRunner.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The two pings the application drives: the Mac's and iputils' on Linux. Both must end their
// runs in the same French lines, so a case written once holds for each dialect it is given.
enum class Dialect { mac, iputils };
const QList<Dialect> both{Dialect::mac, Dialect::iputils};

struct Speech {
    const char *name;
    const char *device;
    const char *bind;
    const char *wait;
};

Speech speechOf(Dialect dialect)
{
    return dialect == Dialect::mac ? Speech{"mac", "en0", "-b", "1200"}
                                   : Speech{"iputils", "veth0", "-I", "1.2"};
}

QString runOf(Dialect dialect, bool bound)
{
    const Speech speech = speechOf(dialect);
    return QString("-n -c 3 -W %1 %2%3")
        .arg(speech.wait, bound ? QString(speech.bind) + ' ' : "",
             bound ? QString(speech.device) + " 10.0.0.1" : "10.0.0.1");
}

PingOutcome summarizeIn(Dialect dialect, const CommandResult &run)
{
    return dialect == Dialect::mac ? PingRunner::summarize(run) : IputilsPing::summarize(run);
}

// The root's sbin/ping, as each dialect is handed its program.
PingOutcome sendIn(Dialect dialect, const QString &root, const QString &device, int count)
{
    if (dialect == Dialect::mac)
        return PingRunner::send(SystemTools(root), "10.0.0.1", device, count).result();
    return IputilsPing::send(root + "/sbin/ping", "10.0.0.1", device, count).result();
}

// Runs recorded from iputils 20221126 inside a namespace with a veth pair to a gateway.
const char *answered = "PING 10.77.0.1 (10.77.0.1) from 10.77.0.2 nmwc0: 56(84) bytes of data.\n"
                       "64 bytes from 10.77.0.1: icmp_seq=1 ttl=64 time=0.157 ms\n"
                       "64 bytes from 10.77.0.1: icmp_seq=2 ttl=64 time=0.059 ms\n"
                       "64 bytes from 10.77.0.1: icmp_seq=3 ttl=64 time=0.070 ms\n"
                       "\n"
                       "--- 10.77.0.1 ping statistics ---\n"
                       "3 packets transmitted, 3 received, 0% packet loss, time 2072ms\n"
                       "rtt min/avg/max/mdev = 0.059/0.095/0.157/0.043 ms\n";
const char *halfLost = "PING 10.77.0.1 (10.77.0.1) from 10.77.0.2 nmwc0: 56(84) bytes of data.\n"
                       "64 bytes from 10.77.0.1: icmp_seq=1 ttl=64 time=0.169 ms\n"
                       "64 bytes from 10.77.0.1: icmp_seq=2 ttl=64 time=0.074 ms\n"
                       "64 bytes from 10.77.0.1: icmp_seq=3 ttl=64 time=0.073 ms\n"
                       "\n"
                       "--- 10.77.0.1 ping statistics ---\n"
                       "6 packets transmitted, 3 received, 50% packet loss, time 1590ms\n"
                       "rtt min/avg/max/mdev = 0.073/0.105/0.169/0.045 ms\n";
const char *silent = "PING 10.77.0.9 (10.77.0.9) from 10.77.0.2 nmwc0: 56(84) bytes of data.\n"
                     "\n"
                     "--- 10.77.0.9 ping statistics ---\n"
                     "5 packets transmitted, 0 received, 100% packet loss, time 4076ms\n"
                     "pipe 3\n";
// The same silence when the neighbour lookup fails: iputils counts the errors before the loss.
const char *unreachable =
    "PING 10.77.0.9 (10.77.0.9) from 10.77.0.2 nmwc0: 56(84) bytes of data.\n"
    "From 10.77.0.2 icmp_seq=1 Destination Host Unreachable\n"
    "\n"
    "--- 10.77.0.9 ping statistics ---\n"
    "4 packets transmitted, 1 received, +1 duplicates, +3 errors, 75% packet loss, time 3050ms\n"
    "rtt min/avg/max/mdev = 0.070/0.070/0.070/0.000 ms, pipe 3\n";
const char *noSuchDevice = "ping: SO_BINDTODEVICE nosuch0: No such device\n";

} // namespace

Q_DECLARE_METATYPE(Dialect)

class tst_PingDialects : public QObject {
    Q_OBJECT

private slots:
    void summarize_data()
    {
        QTest::addColumn<Dialect>("dialect");
        QTest::addColumn<CommandResult>("run");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("raw"); // the output when null
        const auto row = [](QList<Dialect> dialects, const char *name, int status,
                            const char *output, bool success, const char *detail,
                            const char *error = "", const char *raw = nullptr) {
            for (Dialect dialect : dialects)
                QTest::addRow("%s: %s", speechOf(dialect).name, name)
                    << dialect << CommandResult{status, output, error} << success << QString(detail)
                    << QString(raw ? raw : output);
        };
        const QList<Dialect> mac{Dialect::mac}, iputils{Dialect::iputils};

        row(mac, "replies with timing", 0,
            "2 packets transmitted, 2 packets received, 0.0% packet loss\n"
            "round-trip min/avg/max/stddev = 0.423/0.512/0.601/0.089 ms\n",
            true, "2 paquets reçus sur 2 · 0,0 % de perte · 0,5 ms en moyenne");
        row(mac, "100 % loss, no timing line, status ignored", 2,
            "1 packets transmitted, 0 packets received, 100.0% packet loss\n", false,
            "0 paquet reçu sur 1 · 100,0 % de perte");
        row(mac, "decimal comma", 0,
            "3 packets transmitted, 1 packets received, 66,7% packet loss\n"
            "round-trip min/avg/max/stddev = 1,000/1,26/1,500/0,250 ms\n",
            true, "1 paquet reçu sur 3 · 66,7 % de perte · 1,3 ms en moyenne");
        row(mac, "counts too large to read: no summary", 0,
            "99999999999 packets transmitted, 1 packets received, 0.0% packet loss", true,
            "réponse reçue");
        row(mac, "more received than sent: garbage, shown as any unreadable line", 2,
            "0 packets transmitted, 4 packets received, 0.0% packet loss", false,
            "0 packets transmitted, 4 packets received, 0.0% packet loss");
        row(iputils, "answered", 0, answered, true,
            "3 paquets reçus sur 3 · 0,0 % de perte · 0,1 ms en moyenne");
        row(iputils, "partial loss", 0, halfLost, true,
            "3 paquets reçus sur 6 · 50,0 % de perte · 0,1 ms en moyenne");
        row(iputils, "no reply, status 1", 1, silent, false,
            "0 paquet reçu sur 5 · 100,0 % de perte");
        row(iputils, "duplicates and errors counted before the loss", 1, unreachable, true,
            "1 paquet reçu sur 4 · 75,0 % de perte · 0,1 ms en moyenne");
        // Without statistics, both dialects show the last line of what the run printed.
        row(both, "nothing printed", 2, "", false, "aucune réponse");
        row(both, "last error line, trimmed and lowercased", 2, "", false,
            "ping: sendto: host is down",
            "ping: sendto: No route to host\r\n  ping: sendto: Host is down \n  \n",
            "ping: sendto: No route to host\r\n  ping: sendto: Host is down");
        row(both, "unknown interface", 2, "", false,
            "ping: so_bindtodevice nosuch0: no such device", noSuchDevice,
            "ping: SO_BINDTODEVICE nosuch0: No such device");
        row(both, "no route", 2, "", false, "ping: connect: network is unreachable",
            "ping: connect: Network is unreachable", "ping: connect: Network is unreachable");
    }

    void summarize()
    {
        QFETCH(Dialect, dialect);
        QFETCH(CommandResult, run);
        QFETCH(bool, success);
        QFETCH(QString, detail);
        QFETCH(QString, raw);

        const PingOutcome outcome = summarizeIn(dialect, run);
        QCOMPARE(outcome.success, success);
        QCOMPARE(outcome.detail, detail);
        QCOMPARE(outcome.raw, raw);
    }

    // A bound run refused for its binding (a marker in its text) is run once more unbound.
    void unboundRetry_data()
    {
        QTest::addColumn<Dialect>("dialect");
        QTest::addColumn<bool>("bound"); // a device is given
        QTest::addColumn<int>("boundStatus");
        QTest::addColumn<QString>("boundError"); // "OUT:" when on standard output
        QTest::addColumn<bool>("retried");       // unbound, after the bound run
        const auto row = [](QList<Dialect> dialects, const char *name, bool bound, int status,
                            const QString &error, bool retried) {
            for (Dialect dialect : dialects)
                QTest::addRow("%s: %s", speechOf(dialect).name, name)
                    << dialect << bound << status << error << retried;
        };

        row(both, "no device: one unbound run", false, 64, "usage: ping", false);
        row(both, "no device: one unbound run, even when it fails", false, 2, noSuchDevice, false);
        for (const char *marker :
             {"usage: ping [-b boundif]", "ping: invalid option -- b", "Permission denied",
              "Operation not permitted", "ping: bind: Can't assign"})
            row(both, qPrintable(QString("marker: ") + marker), true, 64, marker, true);
        row({Dialect::mac}, "marker: ping: illegal option -- b", true, 64,
            "ping: illegal option -- b", true);
        row({Dialect::iputils}, "unknown interface", true, 2, noSuchDevice, true);
        row(both, "binding not allowed", true, 2, "ping: SO_BINDTODEVICE: Operation not permitted",
            true);
        row(both, "bound run answered", true, 0, "", false);
        row(both, "bound run answered, a marker in its text", true, 0, "ping: bind: warning",
            false);
        row(both, "host silent", true, 2, "Request timeout for icmp_seq 0", false);
        row(both, "host silent, nothing printed", true, 1, "", false);
        row(both, "marker on standard output", true, 64, "OUT:ping: bind: refused", true);
    }

    void unboundRetry()
    {
        QFETCH(Dialect, dialect);
        QFETCH(bool, bound);
        QFETCH(int, boundStatus);
        QFETCH(QString, boundError);
        QFETCH(bool, retried);

        // A ping that logs its arguments and answers as the row says, but to an unbound retry.
        QTemporaryDir root;
        const Speech speech = speechOf(dialect);
        const bool onOutput = boundError.startsWith("OUT:");
        const QString answer = QString("echo \"%1\" %2; exit %3")
                                   .arg(onOutput ? boundError.mid(4) : boundError,
                                        onOutput ? "" : ">&2", QString::number(boundStatus));
        TestSupport::writeExecutable(root.filePath("sbin/ping"),
                                     QString("#!/bin/sh\necho \"$*\" >> \"$0.log\"\n"
                                             "case \" $* \" in *' %1 '*) %2 ;; *) %3 ;; esac\n")
                                         .arg(speech.bind, answer, bound ? "exit 0" : answer)
                                         .toUtf8());
        const PingOutcome outcome = sendIn(dialect, root.path(), bound ? speech.device : "", 3);
        QStringList expected{runOf(dialect, bound)};
        if (retried)
            expected << runOf(dialect, false);
        QCOMPARE(TestSupport::loggedLines(root.filePath("sbin/ping.log")), expected);
        // Only the kept run counts, and it says when it was not bound.
        QCOMPARE(outcome.success, retried || boundStatus == 0);
        QCOMPARE(outcome.detail.endsWith(QString(" · sans liaison à l'interface ") + speech.device),
                 retried);
    }

    void missingProgram_data()
    {
        QTest::addColumn<Dialect>("dialect");
        for (Dialect dialect : both)
            QTest::newRow(speechOf(dialect).name) << dialect;
    }

    void missingProgram()
    {
        QFETCH(Dialect, dialect);

        QTemporaryDir root;
        const PingOutcome outcome =
            sendIn(dialect, root.filePath("absent"), speechOf(dialect).device, 1);
        QVERIFY(!outcome.success);
        // The launch error, as the user will read it: lowercase and not empty.
        QVERIFY(!outcome.detail.isEmpty());
        QCOMPARE(outcome.detail, outcome.detail.toLower());
        QVERIFY(outcome.detail != "aucune réponse");
    }

    // A ping that never ends is stopped after its count of reply waits and the margin.
    void aPingThatHangsIsStopped()
    {
        QTemporaryDir root;
        TestSupport::writeExecutable(root.filePath("sbin/ping"),
                                     "#!/bin/sh\necho PING\nsleep 60\n");
        const PingOutcome outcome = PingRunner::send(SystemTools(root.path()), "10.0.0.1", "", 1,
                                                     std::chrono::milliseconds(0))
                                        .result();
        QVERIFY(!outcome.success);
        QCOMPARE(outcome.detail, "délai dépassé : ping arrêté après 1200 ms");
    }
};

QTEST_GUILESS_MAIN(tst_PingDialects)
#include "tst_PingDialects.moc"
