// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PingRunner.h"
#include "Shell.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {

// en0 is the one path to "bureau"; en2 (disabled) and en3 (unplugged) sit on it too. The
// router of "atelier" is down.
const char *const machineText = R"({ "pingDelayMs": %1, "services": [
  { "Interface": { "DeviceName": "en0" }, "IPv4": { "ConfigMethod": "Manual",
    "Addresses": ["192.168.1.20"], "SubnetMasks": ["255.255.255.0"] } },
  { "Interface": { "DeviceName": "en2" }, "Enabled": false,
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.50"] } },
  { "Interface": { "DeviceName": "en3" },
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["192.168.1.60"] } },
  { "Interface": { "DeviceName": "en4" },
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.0.0.2"] } } ],
  "devices": { "en0": { "network": "bureau" }, "en2": { "network": "bureau" },
    "en3": { "link": "inactive", "network": "bureau" }, "en4": { "network": "atelier" } },
  "networks": {
    "bureau": { "subnet": "192.168.1.0/24", "router": "192.168.1.1", "hosts": ["192.168.1.10"] },
    "atelier": { "subnet": "10.0.0.0/24", "router": "10.0.0.1", "routerDown": true } } })";

} // namespace

class tst_PingStandIn : public QObject {
    Q_OBJECT

private slots:
    void runs_data()
    {
        QTest::addColumn<int>("delayMs"); // per request, on the machine
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("output"); // found on standard output, none when empty
        const auto row = [](const char *name, const QStringList &arguments, int status,
                            const QString &error, const QString &output = {}, int delayMs = 0) {
            QTest::newRow(name) << delayMs << arguments << status << error << output;
        };
        // As the application sends it, three requests.
        const auto reply = [&row](const char *name, const char *device, const char *address,
                                  bool answered, int delayMs = 0) {
            row(name, PingRunner::arguments(PingRunner::macOS(), address, device, 3),
                answered ? 0 : 2, {},
                answered ? "3 packets transmitted, 3 packets received, 0.0% packet loss\n"
                         : "3 packets transmitted, 0 packets received, 100.0% packet loss\n",
                delayMs);
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
        reply("paced by the machine's delay", "en0", "192.168.1.99", false, 200);

        const QString usage = "usage: ping [-nq] [-b boundif] [-c count] [-W waittime] host\n";
        row("grouped flags, attached count", {"-nqc2", "192.168.1.1"}, 0, {},
            "56 data bytes\n\n--- 192.168.1.1 ping statistics ---\n2 packets transmitted, 2");
        row("unknown option", {"-x", "127.0.0.1"}, 64, "ping: invalid option -- x\n" + usage);
        row("missing operand", {"-c", "1"}, 64, usage);
        row("bad address", {"-c", "1", "192.168.1"}, 68,
            "ping: cannot resolve 192.168.1: Unknown host\n");
        row("bad interface name", {"-c", "1", "-b", "en9", "192.168.1.1"}, 1,
            "ping: bad interface name\n");
    }

    void runs()
    {
        QFETCH(int, delayMs);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        QFETCH(QString, output);

        const QByteArray text = QString(machineText).arg(delayMs).toUtf8();
        const QString path =
            TestSupport::writeMachine(m_dir, QJsonDocument::fromJson(text).object());
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
        QElapsedTimer timer;
        timer.start();
        const CommandResult result =
            Shell::run(SystemTools(TestSupport::simRoot()).ping(), arguments);
        QCOMPARE(result.status, status);
        QCOMPARE(result.error, error);
        QVERIFY2(output.isEmpty() ? result.output.isEmpty() : result.output.contains(output),
                 qPrintable(result.output));
        // Each request takes the machine's delay (a lower bound only: a loaded machine may
        // take any longer).
        QCOMPARE_GE(timer.elapsed(), 3 * delayMs - 20);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_PingStandIn)
#include "tst_PingStandIn.moc"
