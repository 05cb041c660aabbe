// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QString>

#include <chrono>

// The writers' exclusive lock on a machine file: a flock(2) on the file itself. The kernel holds
// it for the open file and drops it with the process, so a writer killed at any instant leaves
// nothing behind that the next one would have to recognise as stale, and no lock file at all.
//
// A writer replaces the file by renaming a new one over it, so a lock may have been taken on a
// file that is no longer the machine's; the lock is only held once the path still names the
// very file that was locked.
class MachineLock {
public:
    explicit MachineLock(QString path);
    ~MachineLock();
    MachineLock(const MachineLock &) = delete;
    MachineLock &operator=(const MachineLock &) = delete;

    // Takes the lock, waiting up to timeout for the writer that holds it. On failure, false and
    // the end of a sentence saying why in *problem.
    bool lock(std::chrono::milliseconds timeout, QString *problem);
    // Takes the lock only if nobody holds it.
    bool tryLock(QString *problem);

    bool isLocked() const { return m_fd >= 0; }

private:
    enum class Attempt { locked, busy, failed };
    Attempt attempt(QString *problem);

    QString m_path;
    int m_fd = -1;
};
