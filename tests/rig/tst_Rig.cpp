// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerRig.h"

#include <QCoreApplication>
#include <QTest>

// The rig itself: what the backend's tests rely on it to provide.
class tst_Rig : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { BRISVALE_REQUIRE_RIG(); }

    void profilesAreLoaded()
    {
        const CommandResult shown = NetworkManagerRig::nmcli(
            {QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("UUID"),
             QStringLiteral("connection"), QStringLiteral("show")});
        QCOMPARE(shown.status, 0);
        QVERIFY2(shown.output.contains(QStringLiteral("0a1b2c3d-000c-4000-8000-00000000000c")),
                 qPrintable(shown.output));
    }

    void dhcpServerGivesALease()
    {
        const CommandResult addresses = NetworkManagerRig::run(
            QStringLiteral("ip"),
            {QStringLiteral("-4"), QStringLiteral("-br"), QStringLiteral("addr"),
             QStringLiteral("show"), QStringLiteral("rig-dhcp")});
        QVERIFY2(addresses.output.contains(QStringLiteral("10.77.1.")),
                 qPrintable(addresses.output));
    }

    void gatewaysLiveInTheFarNamespace()
    {
        const CommandResult far =
            NetworkManagerRig::runFar({QStringLiteral("ip"), QStringLiteral("-4"),
                                       QStringLiteral("-br"), QStringLiteral("addr")});
        QCOMPARE(far.status, 0);
        QVERIFY2(far.output.contains(QStringLiteral("10.77.2.1/24")), qPrintable(far.output));
    }

    void daemonStopsAndStartsAgain()
    {
        const qint64 first = NetworkManagerRig::daemonPid();
        QVERIFY(first > 0);
        QVERIFY(NetworkManagerRig::stopDaemon());
        QCOMPARE(NetworkManagerRig::daemonPid(), 0);
        QVERIFY(NetworkManagerRig::startDaemon());
        QVERIFY(NetworkManagerRig::daemonPid() > 0);
        QVERIFY(NetworkManagerRig::daemonPid() != first);
    }
};

BRISVALE_RIG_TEST_MAIN(tst_Rig, QCoreApplication)
#include "tst_Rig.moc"
