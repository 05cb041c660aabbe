// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "MachineLock.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

MachineLock::MachineLock(QString path)
    : m_path(std::move(path))
{
}

MachineLock::~MachineLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

MachineLock::Attempt MachineLock::attempt(QString *problem)
{
    const QByteArray native = QFile::encodeName(m_path);
    // Reading is all a flock needs, and a FIFO must not block the open.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *problem = QStringLiteral("verrouillage impossible (%1)").arg(systemError(errno));
        return Attempt::failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK || error == EINTR)
            return Attempt::busy;
        *problem = QStringLiteral("verrouillage impossible (%1)").arg(systemError(error));
        return Attempt::failed;
    }
    struct stat locked = {};
    struct stat named = {};
    if (::fstat(fd, &locked) != 0 || ::stat(native.constData(), &named) != 0 ||
        locked.st_dev != named.st_dev || locked.st_ino != named.st_ino) {
        // Another writer replaced the file between the open and the lock: try the new one.
        ::close(fd);
        return Attempt::busy;
    }
    m_fd = fd;
    return Attempt::locked;
}

bool MachineLock::tryLock(QString *problem)
{
    if (m_fd >= 0)
        return true;
    // A replaced file is not a busy lock: look at the new file at once, a few times.
    for (int tries = 0; tries < 8; ++tries) {
        switch (attempt(problem)) {
        case Attempt::locked:
            return true;
        case Attempt::failed:
            return false;
        case Attempt::busy:
            break;
        }
    }
    *problem = QStringLiteral("le fichier est verrouillé par un autre programme");
    return false;
}

bool MachineLock::lock(std::chrono::milliseconds timeout, QString *problem)
{
    using namespace std::chrono_literals;
    if (m_fd >= 0)
        return true;
    // Short sleeps: an update holds the lock for milliseconds, and fifty writers in a row
    // must not take seconds.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = 1ms;
    for (;;) {
        switch (attempt(problem)) {
        case Attempt::locked:
            return true;
        case Attempt::failed:
            return false;
        case Attempt::busy:
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            *problem = QStringLiteral("un autre programme garde le verrou depuis plus de %1 "
                                      "secondes")
                           .arg(std::chrono::duration_cast<std::chrono::seconds>(timeout).count());
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}
