// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The application and the reader against the demo machine, as a newcomer meets them.
#include "adapters/NetworkReader.h"
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/SimulatedStore.h"
#include "support/TestSupport.h"
#include "system/Shell.h"

#include <QFile>
#include <QLocale>
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
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("expectedText");

        QTest::newRow("version") << QStringList{"--version"} << 0 << "Brisvale 1.1.1";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--simulate";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "bogus";
        QTest::newRow("stray argument") << QStringList{"machine.json"} << 2 << "machine.json";
        QTest::newRow("missing machine file")
            << QStringList{"--simulate", "/nonexistent/machine.json"} << 2
            << "/nonexistent/machine.json";
        const QString notAMachine = QStringLiteral(BRISVALE_SOURCE_DIR "/CMakeLists.txt");
        QTest::newRow("malformed machine file")
            << QStringList{"--simulate", notAMachine} << 2 << notAMachine;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, expectedText);

        const CommandResult result = Shell::run(application(), arguments);
        QCOMPARE(result.status, status);
        QVERIFY2(result.combined().contains(expectedText), qPrintable(result.combined()));
    }
};

QTEST_GUILESS_MAIN(tst_DemoMachine)
#include "tst_DemoMachine.moc"
