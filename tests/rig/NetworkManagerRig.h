// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"

#include <QStringList>
#include <QTest>

#include <optional>

// A real NetworkManager in private namespaces (nm-rig.sh beside this file). The test program's
// main() (BRISVALE_RIG_TEST_MAIN) runs it again inside a fresh rig, whose system bus the product's
// code then uses, and fails if the host's addresses changed meanwhile. Where no rig can be made,
// BRISVALE_REQUIRE_RIG() skips, or fails under BRISVALE_REQUIRE_PRIVILEGED_TESTS=1.
// By hand: nm-rig.sh shell, or nm-rig.sh run -- COMMAND.
namespace NetworkManagerRig {

bool inside();
QString unavailableReason(); // empty inside a rig
bool rigRequired();          // no rig is then a failure rather than a skip

// Outside a rig, when one can be made: this program's exit status inside a fresh one, made with
// these options of `nm-rig.sh run` (e.g. --empty). Otherwise nullopt: the caller goes on here.
std::optional<int> rerunInside(int argc, char **argv, const QStringList &rigOptions = {});

// Inside a rig, with a time limit.
CommandResult run(const QString &program, const QStringList &arguments);
CommandResult nmcli(const QStringList &arguments);

qint64 daemonPid(); // 0 when it is not running
bool stopDaemon();
bool startDaemon();

QString connectionsFolder(); // the daemon's keyfiles
QString profileId(int n);    // as nm-rig.sh numbers its profiles, from 0x01

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
