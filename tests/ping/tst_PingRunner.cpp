// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ping/PingRunner.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

class tst_PingRunner : public QObject {
    Q_OBJECT

private slots:
    void summarize_data()
    {
        QTest::addColumn<CommandResult>("run");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("raw"); // the output when null
        const auto row = [](const char *name, int status, const char *output, bool success,
                            const char *detail, const char *error = "", const char *raw = nullptr) {
            QTest::newRow(name) << CommandResult{status, output, error} << success
                                << QString(detail) << QString(raw ? raw : output);
        };

        row("replies with timing", 0,
            "2 packets transmitted, 2 packets received, 0.0% packet loss\n"
            "round-trip min/avg/max/stddev = 0.423/0.512/0.601/0.089 ms\n",
            true, "2 paquets reçus sur 2 · 0,0 % de perte · 0,5 ms en moyenne");
        row("100 % loss, no timing line, status ignored", 2,
            "1 packets transmitted, 0 packets received, 100.0% packet loss\n", false,
            "0 paquet reçu sur 1 · 100,0 % de perte");
        row("decimal comma", 0,
            "3 packets transmitted, 1 packets received, 66,7% packet loss\n"
            "round-trip min/avg/max/stddev = 1,000/1,26/1,500/0,250 ms\n",
            true, "1 paquet reçu sur 3 · 66,7 % de perte · 1,3 ms en moyenne");
        row("counts too large to read: no summary", 0,
            "99999999999 packets transmitted, 1 packets received, 0.0% packet loss", true,
            "réponse reçue");
        row("more received than sent: garbage, shown as any unreadable line", 2,
            "0 packets transmitted, 4 packets received, 0.0% packet loss", false,
            "0 packets transmitted, 4 packets received, 0.0% packet loss");
        row("status 2, nothing printed", 2, "", false, "aucune réponse");
        row("last error line, trimmed and lowercased", 2, "", false, "ping: sendto: host is down",
            "ping: sendto: No route to host\r\n  ping: sendto: Host is down \n  \n",
            "ping: sendto: No route to host\r\n  ping: sendto: Host is down");
    }

    void summarize()
    {
        QFETCH(CommandResult, run);
        QFETCH(bool, success);
        QFETCH(QString, detail);
        QFETCH(QString, raw);

        const PingOutcome outcome = PingRunner::summarize(run);
        QCOMPARE(outcome.success, success);
        QCOMPARE(outcome.detail, detail);
        QCOMPARE(outcome.raw, raw);
    }

    void unboundRetry_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("boundStatus");
        QTest::addColumn<QString>("boundError");
        QTest::addColumn<bool>("retried"); // unbound, after the bound run

        QTest::newRow("no device: one unbound run") << "" << 64 << "usage: ping" << false;
        for (const char *marker :
             {"usage: ping [-b boundif]", "ping: illegal option -- b", "ping: invalid option -- b",
              "Permission denied", "Operation not permitted", "ping: bind: Can't assign"})
            QTest::addRow("marker: %s", marker) << "en0" << 64 << QString(marker) << true;
        QTest::newRow("bound run answered, a marker in its text")
            << "en0" << 0 << "ping: bind: warning" << false;
        QTest::newRow("host silent") << "en0" << 2 << "Request timeout for icmp_seq 0" << false;
        QTest::newRow("marker on standard output")
            << "en0" << 64 << "OUT:ping: bind: refused" << true;
    }

    void unboundRetry()
    {
        QFETCH(QString, device);
        QFETCH(int, boundStatus);
        QFETCH(QString, boundError);
        QFETCH(bool, retried);

        // A ping that logs its arguments and answers as the row says, but to an unbound retry.
        QTemporaryDir root;
        const bool onOutput = boundError.startsWith("OUT:");
        const QString answer = QString("echo \"%1\" %2; exit %3")
                                   .arg(onOutput ? boundError.mid(4) : boundError,
                                        onOutput ? "" : ">&2", QString::number(boundStatus));
        TestSupport::writeExecutable(root.filePath("sbin/ping"),
                                     QString("#!/bin/sh\necho \"$*\" >> \"$0.log\"\n"
                                             "case \" $* \" in *' -b '*) %1 ;; *) %2 ;; esac\n")
                                         .arg(answer, device.isEmpty() ? answer : "exit 0")
                                         .toUtf8());
        const PingOutcome outcome =
            PingRunner::send(SystemTools(root.path()), "10.0.0.1", device, 3).result();
        QStringList expected{device.isEmpty() ? "-n -c 3 -W 1200 10.0.0.1"
                                              : "-n -c 3 -W 1200 -b en0 10.0.0.1"};
        if (retried)
            expected << "-n -c 3 -W 1200 10.0.0.1";
        QCOMPARE(TestSupport::loggedLines(root.filePath("sbin/ping.log")), expected);
        // Only the kept run counts, and it says when it was not bound.
        QCOMPARE(outcome.success, retried || boundStatus == 0);
        QCOMPARE(outcome.detail.endsWith(" · sans liaison à l'interface en0"), retried);
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

QTEST_GUILESS_MAIN(tst_PingRunner)
#include "tst_PingRunner.moc"
