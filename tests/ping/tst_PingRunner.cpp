#include "ping/PingRunner.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString reachable =
    QStringLiteral("PING 192.168.1.1 (192.168.1.1): 56 data bytes\n"
                   "64 bytes from 192.168.1.1: icmp_seq=0 ttl=64 time=0.601 ms\n"
                   "64 bytes from 192.168.1.1: icmp_seq=1 ttl=64 time=0.423 ms\n"
                   "\n--- 192.168.1.1 ping statistics ---\n"
                   "2 packets transmitted, 2 packets received, 0.0% packet loss\n"
                   "round-trip min/avg/max/stddev = 0.423/0.512/0.601/0.089 ms\n");
const QString unreachable =
    QStringLiteral("PING 10.0.0.9 (10.0.0.9): 56 data bytes\n"
                   "\n--- 10.0.0.9 ping statistics ---\n"
                   "1 packets transmitted, 0 packets received, 100.0% packet loss\n");
const QString single =
    QStringLiteral("64 bytes from 10.0.0.1: icmp_seq=0 ttl=64 time=1.950 ms\n"
                   "1 packets transmitted, 1 packets received, 0.0% packet loss\n"
                   "round-trip min/avg/max/stddev = 1.950/1.950/1.950/0.000 ms\n");
const QString decimalComma =
    QStringLiteral("3 packets transmitted, 2 packets received, 33,3% packet loss\n"
                   "round-trip min/avg/max/stddev = 1,000/1,25/1,500/0,250 ms\n");

// A ping that logs its arguments and answers a bound run (-b) with one prepared result and an
// unbound run with another.
class FakePing {
public:
    FakePing()
    {
        TestSupport::writeExecutable(
            m_root.filePath(QStringLiteral("sbin/ping")),
            "#!/bin/sh\n"
            "root=\"$(dirname \"$0\")/..\"\n"
            "echo \"$*\" >> \"$root/calls.log\"\n"
            "case \" $* \" in *' -b '*) kind=bound ;; *) kind=unbound ;; esac\n"
            "cat \"$root/$kind.err\" >&2 2>/dev/null\n"
            "exit $(cat \"$root/$kind.status\" 2>/dev/null || echo 0)\n");
    }

    SystemTools tools() const { return SystemTools(m_root.path()); }

    void answer(const QString &kind, int status, const QByteArray &error)
    {
        write(kind + ".status", QByteArray::number(status));
        write(kind + ".err", error);
    }

    QStringList calls() const
    {
        return TestSupport::loggedLines(m_root.filePath(QStringLiteral("calls.log")));
    }

private:
    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_root.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    QTemporaryDir m_root;
};

} // namespace

class tst_PingRunner : public QObject {
    Q_OBJECT

private slots:
    void summarize_data()
    {
        QTest::addColumn<CommandResult>("run");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("raw");

        QTest::newRow("replies with timing")
            << CommandResult{0, reachable, ""} << true
            << "2 paquets reçus sur 2 · 0,0 % de perte · 0,5 ms en moyenne" << reachable;
        QTest::newRow("100 % loss, no timing line, status ignored")
            << CommandResult{2, unreachable, ""} << false
            << "0 paquet reçu sur 1 · 100,0 % de perte" << unreachable;
        QTest::newRow("singular") << CommandResult{0, single, ""} << true
                                  << "1 paquet reçu sur 1 · 0,0 % de perte · 1,9 ms en moyenne"
                                  << single;
        QTest::newRow("decimal comma") << CommandResult{0, decimalComma, ""} << true
                                       << "2 paquets reçus sur 3 · 33,3 % de perte · 1,3 ms en "
                                          "moyenne"
                                       << decimalComma;
        QTest::newRow("status 0 without statistics")
            << CommandResult{0, "PING 10.0.0.1\n", ""} << true << "réponse reçue"
            << "PING 10.0.0.1\n";
        QTest::newRow("status 2, nothing printed")
            << CommandResult{2, "", ""} << false << "aucune réponse"
            << "";
        QTest::newRow("last error line, lowercased")
            << CommandResult{2, "",
                             "ping: sendto: No route to host\nping: sendto: Host is down\n  \n"}
            << false << "ping: sendto: host is down"
            << "ping: sendto: No route to host\nping: sendto: Host is down";
        QTest::newRow("launch failure")
            << CommandResult{-1, "", "execve: No such file or directory"} << false
            << "execve: no such file or directory"
            << "execve: No such file or directory";
        QTest::newRow("unreadable loss counts as 0")
            << CommandResult{0, "4 packets transmitted, 4 packets received, 1.2.3% packet loss", ""}
            << true << "4 paquets reçus sur 4 · 0,0 % de perte"
            << "4 packets transmitted, 4 packets received, 1.2.3% packet loss";
        QTest::newRow("counts too large to read: no summary")
            << CommandResult{0,
                             "99999999999 packets transmitted, 1 packets received, 0.0% packet "
                             "loss",
                             ""}
            << true << "réponse reçue"
            << "99999999999 packets transmitted, 1 packets received, 0.0% packet loss";
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

    void lastLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");

        QTest::newRow("trailing blank lines") << "first\n  second \t\n \n\t\n"
                                              << "second";
        QTest::newRow("carriage returns") << "a\rb\r\n"
                                          << "b";
        QTest::newRow("nothing") << " \n\t"
                                 << "aucune réponse";
    }

    void lastLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, line);
        QCOMPARE(PingRunner::lastLine(text), line);
    }

    void unboundRetry_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("boundStatus");
        QTest::addColumn<QByteArray>("boundError");
        QTest::addColumn<QStringList>("runs");

        const QString bound = "-n -c 3 -W 1200 -b en0 10.0.0.1";
        const QString unbound = "-n -c 3 -W 1200 10.0.0.1";
        QTest::newRow("no device: one unbound run, even failing")
            << "" << 2 << QByteArray("usage: ping") << QStringList{unbound};
        for (const char *marker :
             {"usage: ping [-b boundif]", "ping: illegal option -- b", "ping: invalid option -- b",
              "Permission denied", "Operation not permitted", "ping: bind: Can't assign"})
            QTest::addRow("marker: %s", marker)
                << "en0" << 64 << QByteArray(marker) << QStringList{bound, unbound};
        QTest::newRow("bound run answered") << "en0" << 0 << QByteArray() << QStringList{bound};
        QTest::newRow("host silent: no retry")
            << "en0" << 2 << QByteArray("Request timeout for icmp_seq 0") << QStringList{bound};
    }

    void unboundRetry()
    {
        QFETCH(QString, device);
        QFETCH(int, boundStatus);
        QFETCH(QByteArray, boundError);
        QFETCH(QStringList, runs);

        FakePing ping;
        ping.answer(QStringLiteral("bound"), boundStatus, boundError);
        ping.answer(QStringLiteral("unbound"), device.isEmpty() ? boundStatus : 0,
                    device.isEmpty() ? boundError : QByteArray());

        QFuture<PingOutcome> future = PingRunner::send(ping.tools(), "10.0.0.1", device, 3);
        future.waitForFinished();
        QCOMPARE(ping.calls(), runs);
        // Only the kept run counts.
        QCOMPARE(future.result().success, runs.size() == 2 || boundStatus == 0);
    }
};

QTEST_GUILESS_MAIN(tst_PingRunner)
#include "tst_PingRunner.moc"
