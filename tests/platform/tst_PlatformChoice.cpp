#include "platform/PlatformServices.h"

#include <QTest>

Q_DECLARE_METATYPE(Backend)

class tst_PlatformChoice : public QObject {
    Q_OBJECT

private slots:
    void backend_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("simulationRequested");
        QTest::addColumn<Backend>("backend");

        QTest::newRow("a Mac") << true << false << Backend::realSystem;
        QTest::newRow("a Mac asked to simulate") << true << true << Backend::simulatedMachine;
        QTest::newRow("elsewhere") << false << false << Backend::simulatedMachine;
        QTest::newRow("elsewhere, simulating") << false << true << Backend::simulatedMachine;
    }

    void backend()
    {
        QFETCH(bool, available);
        QFETCH(bool, simulationRequested);
        QFETCH(Backend, backend);
        QCOMPARE(chooseBackend(available, simulationRequested), backend);
    }

    void realSystemWithoutBackendReadsNothing()
    {
        if (realSystemAvailable())
            QSKIP("this build reads the real system");
        QFuture<AdapterRead> read = realSystemServices().readAdapters();
        read.waitForFinished();
        QVERIFY(read.result().adapters.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_PlatformChoice)
#include "tst_PlatformChoice.moc"
