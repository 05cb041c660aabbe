// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The application and the reader against the demo machine, as a newcomer meets them.
#include "NetworkReader.h"
#include "SimulatedMachine.h"
#include "SimulatedStore.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Connected first, then unplugged, then disabled; by name in French within each group, and
// the two names equal but for case in the order the machine lists them.
const QStringList demoOrder = {
    "Adaptateur Thunderbolt", "Bond 1",        "bond 1", "Écran Studio",       "Ethernet",
    "Pont Thunderbolt",       "VLAN Stockage", "Wi-Fi",  "Adaptateur LAN USB", "Ethernet Dock",
};

QString application()
{
    return QStringLiteral(BRISVALE_APP_PATH);
}

} // namespace

class tst_DemoMachine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void demoMachineReadsInDisplayOrder()
    {
        QTemporaryDir dir;
        const QString path = TestSupport::copyDemoMachine(dir);
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));

        QFuture<AdapterRead> future = NetworkReader::readAsync(SimulatedStore::factory(path),
                                                               SystemTools(TestSupport::simRoot()));
        future.waitForFinished();
        const QList<AdapterInfo> adapters = future.result().adapters;

        QStringList names;
        for (const AdapterInfo &adapter : adapters)
            names << adapter.serviceName;
        QCOMPARE(names, demoOrder);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("expectedText");

        QTest::newRow("version") << QStringList{"--version"} << true << 0 << "Brisvale 1.1.1";
        QTest::newRow("help") << QStringList{"--help"} << true << 0 << "--simulate";
        // Over a remote shell, with no window system at all.
        QTest::newRow("version, no display") << QStringList{"-v"} << false << 0 << "1.1.1";
        QTest::newRow("help, no display")
            << QStringList{"--simulate", "x.json", "-h"} << false << 0 << "--list";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << true << 2 << "bogus";
        QTest::newRow("stray argument")
            << QStringList{"machine.json"} << true << 2 << "machine.json";
        QTest::newRow("missing machine file")
            << QStringList{"--simulate", "/nonexistent/machine.json"} << true << 2
            << "/nonexistent/machine.json";
        const QString notAMachine = QStringLiteral(BRISVALE_SOURCE_DIR "/CMakeLists.txt");
        QTest::newRow("malformed machine file")
            << QStringList{"--simulate", notAMachine} << true << 2 << notAMachine;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, status);
        QFETCH(QString, expectedText);

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!display) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            environment.remove(QStringLiteral("DISPLAY"));
            environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(application(), arguments);
        QVERIFY(process.waitForFinished(30000));
        const QString output = QString::fromUtf8(process.readAll());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        QVERIFY2(output.contains(expectedText), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(tst_DemoMachine)
#include "tst_DemoMachine.moc"
