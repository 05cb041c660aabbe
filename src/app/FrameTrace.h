// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

class QQuickWindow;

// With BRISVALE_TRACE_FRAMES set, each swapped frame of the main window prints "frame NS" and
// the first one that shows a card prints "cards NS" as well, NS being the monotonic clock in
// nanoseconds, so that a benchmark can time the start-up and count idle frames from outside.
void traceFrames(QQuickWindow *window);
