// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ping/IputilsPing.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

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
    "4 packets transmitted, 1 received, +3 errors, 75% packet loss, time 3050ms\n"
    "rtt min/avg/max/mdev = 0.070/0.070/0.070/0.000 ms, pipe 3\n";
const char *noSuchDevice = "ping: SO_BINDTODEVICE nosuch0: No such device\n";

} // namespace

class tst_IputilsPing : public QObject {
    Q_OBJECT

private slots:
    void summarize_data()
    {
        QTest::addColumn<CommandResult>("run");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("detail");
        const auto row = [](const char *name, int status, const char *output, const char *error,
                            bool success, const char *detail) {
            QTest::newRow(name) << CommandResult{status, output, error} << success
                                << QString(detail);
        };

        row("answered", 0, answered, "", true,
            "3 paquets reçus sur 3 · 0,0 % de perte · 0,1 ms en moyenne");
        row("partial loss", 0, halfLost, "", true,
            "3 paquets reçus sur 6 · 50,0 % de perte · 0,1 ms en moyenne");
        row("no reply, status 1", 1, silent, "", false, "0 paquet reçu sur 5 · 100,0 % de perte");
        row("errors counted before the loss", 1, unreachable, "", true,
            "1 paquet reçu sur 4 · 75,0 % de perte · 0,1 ms en moyenne");
        row("unknown interface", 2, "", noSuchDevice, false,
            "ping: so_bindtodevice nosuch0: no such device");
        row("no route", 2, "", "ping: connect: Network is unreachable", false,
            "ping: connect: network is unreachable");
        row("nothing printed", 2, "", "", false, "aucune réponse");
    }

    void summarize()
    {
        QFETCH(CommandResult, run);
        QFETCH(bool, success);
        QFETCH(QString, detail);

        const PingOutcome outcome = IputilsPing::summarize(run);
        QCOMPARE(outcome.success, success);
        QCOMPARE(outcome.detail, detail);
    }

    void send_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("boundStatus"); // how the bound run ends: exit status
        QTest::addColumn<QString>("boundError");
        QTest::addColumn<QStringList>("runs");
        QTest::addColumn<bool>("success");

        const auto row = [](const char *name, const char *device, const char *boundStatus,
                            const char *boundError, QStringList runs, bool success) {
            QTest::newRow(name) << QString(device) << QString(boundStatus) << QString(boundError)
                                << runs << success;
        };
        const QString bound = "-n -c 3 -W 1.2 -I veth0 10.0.0.1";
        const QString unbound = "-n -c 3 -W 1.2 10.0.0.1";
        row("no device: one unbound run, even when it fails", "", "2", noSuchDevice, {unbound},
            false);
        row("bound run answered", "veth0", "0", "", {bound}, true);
        row("unknown interface: retried unbound", "veth0", "2", noSuchDevice, {bound, unbound},
            true);
        row("binding not allowed: retried unbound", "veth0", "2",
            "ping: SO_BINDTODEVICE: Operation not permitted", {bound, unbound}, true);
        row("silent host: no retry", "veth0", "1", "", {bound}, false);
    }

    void send()
    {
        QFETCH(QString, device);
        QFETCH(QString, boundStatus);
        QFETCH(QString, boundError);
        QFETCH(QStringList, runs);
        QFETCH(bool, success);

        // A ping that logs its arguments, ends a bound run as the row says, answers an unbound
        // one when a device was given, and stays silent otherwise.
        QTemporaryDir root;
        const QString program = root.filePath("ping");
        const QString failing = QString("printf '%1' >&2; exit %2").arg(boundError, boundStatus);
        TestSupport::writeExecutable(program,
                                     QString("#!/bin/sh\necho \"$*\" >> \"$0.log\"\n"
                                             "case \" $* \" in *' -I '*) %1 ;; *) %2 ;; esac\n"
                                             "cat \"$0.answer\"\n")
                                         .arg(boundStatus == "0" ? QString() : failing,
                                              device.isEmpty() ? failing : QString())
                                         .toUtf8());
        QFile answer(program + ".answer");
        QVERIFY(answer.open(QIODevice::WriteOnly) && answer.write(answered) > 0);
        answer.close();

        const PingOutcome outcome = IputilsPing::send(program, "10.0.0.1", device, 3).result();
        QCOMPARE(TestSupport::loggedLines(program + ".log"), runs);
        QCOMPARE(outcome.success, success);
    }

    void missingProgram()
    {
        QTemporaryDir root;
        const PingOutcome outcome =
            IputilsPing::send(root.filePath("absent/ping"), "10.0.0.1", "veth0", 1).result();
        QVERIFY(!outcome.success);
        // The launch error, as the user will read it: lowercase and not empty.
        QVERIFY(!outcome.detail.isEmpty());
        QCOMPARE(outcome.detail, outcome.detail.toLower());
        QVERIFY(outcome.detail != "aucune réponse");
    }
};

QTEST_GUILESS_MAIN(tst_IputilsPing)
#include "tst_IputilsPing.moc"
