// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

class QThreadPool;

// The one pool for work that blocks a thread: system reads, program runs, pings. A ping holds
// its thread for seconds, so this pool is wider than the global one, which has a thread per core.
namespace BlockingPool {

inline constexpr int maxThreads = 16;

QThreadPool *instance();

} // namespace BlockingPool
