// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "NetworkManagerCheckpoint.h"
#include "NetworkManagerReader.h"
#include "SystemServices.h"

#include <chrono>

// The real system on Linux: NetworkManager over D-Bus. Its services are connection profiles,
// addressed by UUID, so two profiles sharing a name stay apart.
namespace NetworkManagerServices {

using namespace std::chrono_literals;

// What asking the daemon for its version taught.
struct Probe {
    bool answers = false;
    // Its own version, e.g. "1.42.4", where it answers.
    QString version;
    // Where it does not, why, as a French sentence.
    QString cause;
};

// Whether NetworkManager runs and answers on that bus, decided within about `limit` whatever
// the bus does; it never starts the daemon.
Probe probe(const NetworkManagerReader::Bus &bus = {}, std::chrono::milliseconds limit = 1500ms);

// Reads, changes, checkpoints and ping for the daemon on that bus; `wait` is left to the caller.
// After `rollbackTimeout` the daemon rolls a group's checkpoint back by itself.
SystemServices
services(const NetworkManagerReader::Bus &bus = {},
         std::chrono::seconds rollbackTimeout = NetworkManagerCheckpoint::rollbackTimeout);

} // namespace NetworkManagerServices
