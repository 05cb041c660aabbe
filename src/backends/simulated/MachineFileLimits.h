// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <chrono>
#include <cstdint>

// What every reader of a simulated machine file agrees on, Qt or not: where the file is found
// and how large a file and a delay may be.
namespace MachineFileLimits {

// The environment variable that carries the machine file's path to every stand-in.
inline constexpr const char *environmentVariable = "BRISVALE_SIMULATION";
// Only a regular file up to this size is read: anything else (a device, a FIFO, a file that
// would fill the memory) is refused like a malformed file.
inline constexpr std::int64_t maximumFileSize = 16 * 1024 * 1024;
// The longest delay the file may ask for (pingDelayMs, a DHCP server's delayMs).
inline constexpr std::chrono::milliseconds maximumDelay = std::chrono::hours(1);

} // namespace MachineFileLimits
