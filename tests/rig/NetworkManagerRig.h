// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"

#include <QString>
#include <QStringList>
#include <QTest>

#include <optional>

// A real NetworkManager in private namespaces (nm-rig.sh beside this file), for tests that
// need the real daemon. A rig test program is started as usual; its main() hands over to
// BRISVALE_RIG_TEST_MAIN(TestClass, QCoreApplication or QGuiApplication), which runs the program
// again inside a fresh rig, waits for it, checks that the host's addresses did not change, and
// exits with its status. Inside, the program's system bus is the rig's, so the product's own code
// reads and changes the rig's daemon.
//
// Where no rig can be made (not Linux, not root, no namespaces) the program runs here and
// BRISVALE_REQUIRE_RIG() skips its tests with the reason; BRISVALE_REQUIRE_PRIVILEGED_TESTS=1
// turns that skip into a failure.
//
// By hand: tests/rig/nm-rig.sh shell (a shell inside a rig), or
// tests/rig/nm-rig.sh run -- COMMAND (COMMAND inside, then the rig is torn down).
namespace NetworkManagerRig {

// Whether this process runs inside a rig.
bool inside();
// Why this process runs without a rig; empty inside one.
QString unavailableReason();
// Whether running without a rig is a failure here rather than a reason to skip.
bool rigRequired();

// Outside a rig, when one can be made: runs this program again inside a fresh one, with the
// given options of `nm-rig.sh run` (e.g. --empty), and returns its exit status. Otherwise
// nullopt: the caller goes on here.
std::optional<int> rerunInside(int argc, char **argv, const QStringList &rigOptions = {});

// Inside a rig: a program run to its end (e.g. nmcli, ip), with a time limit.
CommandResult run(const QString &program, const QStringList &arguments);
CommandResult nmcli(const QStringList &arguments);

// The rig's daemon: its PID (0 when it is not running), stopped and started again.
qint64 daemonPid();
bool stopDaemon();
bool startDaemon();

// The folder of the daemon's keyfiles.
QString connectionsFolder();

// The UUID of the rig's profile n (nm-rig.sh numbers them from 0x01).
QString profileId(int n);

} // namespace NetworkManagerRig

#define BRISVALE_REQUIRE_RIG()                                                                     \
    do {                                                                                           \
        if (!NetworkManagerRig::inside()) {                                                        \
            const QByteArray reason = NetworkManagerRig::unavailableReason().toUtf8();             \
            if (NetworkManagerRig::rigRequired())                                                  \
                QFAIL(reason.constData());                                                         \
            QSKIP(reason.constData());                                                             \
        }                                                                                          \
    } while (false)

#define BRISVALE_RIG_TEST_MAIN(TestObject, Application)                                            \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        if (const std::optional<int> status = NetworkManagerRig::rerunInside(argc, argv))          \
            return *status;                                                                        \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                         \
        Application app(argc, argv);                                                               \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
