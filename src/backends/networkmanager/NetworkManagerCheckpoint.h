// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "SystemServices.h"

#include <QFuture>
#include <QString>

#include <chrono>
#include <memory>

// A group of changes to NetworkManager's profiles that can be taken back whole, even when
// Brisvale dies in the middle of it. Two nets, one inside the other:
// - the daemon's checkpoint on the devices the profiles are active on, which it rolls back by
//   itself once the time runs out, Brisvale alive or not;
// - each profile's settings as they were, kept here and saved back on rollback, for what no
//   checkpoint covers (a profile active nowhere) and for a checkpoint gone before its time.
// The handle is the checkpoint's object path; where no profile is active there is no checkpoint
// (the daemon takes an empty device list for every device), and the handle is a key of this
// object's own, which never starts with '/'.
class NetworkManagerCheckpoint {
public:
    // Long enough for a group of changes and their verification by re-reading, DHCP leases
    // included; short enough that a network left half-changed by a Brisvale that died comes back
    // within a minute, before the technician gives up on it.
    static constexpr std::chrono::seconds rollbackTimeout{60};

    // An empty bus address is the system bus.
    explicit NetworkManagerCheckpoint(QString busAddress,
                                      std::chrono::seconds timeout = rollbackTimeout);
    ~NetworkManagerCheckpoint();
    NetworkManagerCheckpoint(const NetworkManagerCheckpoint &) = delete;
    NetworkManagerCheckpoint &operator=(const NetworkManagerCheckpoint &) = delete;

    // Each runs on the blocking pool, and holds what it needs: the object may go first.
    QFuture<Transaction> begin(QList<ServiceTarget> targets);
    QFuture<CommandResult> commit(QString handle);
    QFuture<CommandResult> rollback(QString handle);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
