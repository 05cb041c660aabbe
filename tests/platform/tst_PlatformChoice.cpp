// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlatformServices.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Counts each time the wait gives control back, and notes when the first time was.
QCoro::Task<> countSettling(SystemServices services, std::chrono::milliseconds delay,
                            const QElapsedTimer *clock, int *settled, qint64 *settledAfter)
{
    QCoro::Task<> waiting = services.wait(delay);
    co_await waiting;
    if (++*settled == 1)
        *settledAfter = clock->elapsed();
}

} // namespace

class tst_PlatformChoice : public QObject {
    Q_OBJECT

private slots:
    // The model's waits between re-reads: never shorter than asked, and the event loop runs on
    // meanwhile.
    void waitLastsAtLeastItsDelayWithoutBlocking()
    {
        using namespace std::chrono_literals;
        const SystemServices services = simulatedServices(QString(), SystemTools(QString()));
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10ms);
        QElapsedTimer clock;
        clock.start();
        int settled = 0;
        qint64 settledAfter = -1;
        QCoro::Task<> task = countSettling(services, 250ms, &clock, &settled, &settledAfter);
        QCOMPARE(settled, 0);
        QTRY_COMPARE(settled, 1);
        QVERIFY2(settledAfter >= 250, qPrintable(QString::number(settledAfter)));
        QVERIFY(ticks > 0);
        QTest::qWait(100);
        QCOMPARE(settled, 1);
    }

    void listing_data()
    {
        QTest::addColumn<QList<AdapterInfo>>("adapters");
        QTest::addColumn<QString>("listing");

        const AdapterInfo wifi{"id-1",    "Wi-Fi", "wlan0", "Wi-Fi",    AdapterKind::wifi,
                               true,      true,    true,    "10.0.0.2", "255.255.255.0",
                               "10.0.0.1"};
        QTest::newRow("nothing") << QList<AdapterInfo>() << "";
        QTest::newRow("one line per service, empty fields kept")
            << QList<AdapterInfo>{wifi,
                                  {"id-2", "Bond", "", "Agrégat de liens", AdapterKind::other,
                                   false, false, false, "", "", ""}}
            << "Wi-Fi\tid-1\twlan0\twifi\tyes\tyes\tdhcp\t10.0.0.2\t255.255.255.0\t10.0.0.1\n"
               "Bond\tid-2\t\tother\tno\tno\tmanual\t\t\t\n";
        QTest::newRow("tabs, line ends and backslashes escaped")
            << QList<AdapterInfo>{{"a\\b", "L1\nL2\tx\r", "e0", "Ethernet", AdapterKind::ethernet,
                                   true, false, false, "", "", ""}}
            << "L1\\nL2\\tx\\r\ta\\\\b\te0\tethernet\tyes\tno\tmanual\t\t\t\n";
        // Nothing a terminal acts on, or that starts a line, reaches it raw; other text does.
        QTest::newRow("control characters and line separators escaped")
            << QList<AdapterInfo>{{QString::fromUtf16(u"\x1b]0;\a\b\v\f\x7f\x01\u0085\u009b"),
                                   QString::fromUtf16(u"x\u2028y\u2029é東\u00a0"),
                                   QString(1, QChar(0)), "Ethernet", AdapterKind::ethernet, true,
                                   false, false, "", "", ""}}
            << QString::fromUtf16(u"x\\u2028y\\u2029é東\u00a0\t\\e]0;\\a\\b\\v\\f\\x7f\\x01"
                                  u"\\u0085\\u009b\t\\x00\tethernet\tyes\tno\tmanual\t\t\t\n");
    }

    void listing()
    {
        QFETCH(QList<AdapterInfo>, adapters);
        QFETCH(QString, listing);
        QCOMPARE(serviceListing(adapters), listing);
    }

    // `brisvale --list` where no real system answers: only a simulated machine asked for is
    // listed, so that a script never takes the demo machine for this one.
    void listCommand_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "DEMO" stands for a copy of the demo machine
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");

#if defined(Q_OS_LINUX)
        QTest::newRow("no NetworkManager, no machine asked for")
            << QStringList{"--list"} << 2
            << "brisvale: NetworkManager ne répond pas : le bus système est injoignable. Aucun "
               "service réel à lister ; --simulate FICHIER liste une machine simulée.\n";
#endif
        QTest::newRow("a simulated machine asked for")
            << QStringList{"--simulate", "DEMO", "--list"} << 0 << "";
    }

    void listCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);

        QTemporaryDir home;
        const QString machine = TestSupport::copyDemoMachine(home);
        arguments.replaceInStrings("DEMO", machine);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No display at all: the listing must not need one. The user's files stay untouched,
        // and no real daemon is asked.
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath("data"));
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                           QStringLiteral("unix:path=/nonexistent"));
        QProcess brisvale;
        brisvale.setProcessEnvironment(environment);
        brisvale.start(QStringLiteral(BRISVALE_APP_PATH), arguments);
        QVERIFY(brisvale.waitForFinished(60000));
        QCOMPARE(brisvale.exitCode(), status);
        QCOMPARE(QString::fromUtf8(brisvale.readAllStandardError()), error);
        const QString printed = QString::fromUtf8(brisvale.readAllStandardOutput());
        if (status != 0) {
            QVERIFY(printed.isEmpty());
            QVERIFY(!QFile::exists(home.filePath("data")));
            return;
        }
        // The stand-in programs find the machine through the environment.
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(machine));
        QFuture<AdapterRead> read =
            simulatedServices(machine, SystemTools(TestSupport::simRoot())).readAdapters();
        read.waitForFinished();
        QVERIFY(!read.result().adapters.isEmpty());
        QCOMPARE(printed, serviceListing(read.result().adapters));
    }
};

QTEST_GUILESS_MAIN(tst_PlatformChoice)
#include "tst_PlatformChoice.moc"
