// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "model/SystemServices.h"
#include "platform/networkmanager/NetworkManagerReader.h"

#include <chrono>

// The real system on Linux: NetworkManager over D-Bus. Its services are connection profiles,
// addressed by UUID, so two profiles sharing a name stay apart.
namespace NetworkManagerServices {

using namespace std::chrono_literals;

// Whether NetworkManager runs and answers on that bus, decided within about `limit` whatever
// the bus does; it never starts the daemon.
bool available(const NetworkManagerReader::Bus &bus = {}, std::chrono::milliseconds limit = 1500ms);

// Reads, changes and ping for the daemon on that bus; `wait` is left to the caller.
SystemServices services(const NetworkManagerReader::Bus &bus = {});

} // namespace NetworkManagerServices
