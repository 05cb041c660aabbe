// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "MachineWriter.h"

#include "JsonTextRewriter.h"
#include "MachineLock.h"
#include "SimulatedMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Root may write any file, but a file nobody may write was made read-only on purpose: like
// execute rights, root needs at least one write bit. Everyone else goes by access(2), with
// the effective identity the stand-in runs under.
bool mayWrite(const QByteArray &path, const struct stat &status)
{
    if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
        return false;
    return ::geteuid() != 0 || (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            if (count == 0)
                errno = EIO;
            return false;
        }
        written += count;
    }
    return true;
}

// Writes text beside target and renames it over target. Every step is checked, the data
// reaches the disk before the rename, and on any failure the new file goes and target stays
// as it was: a full disk must never turn the machine into a short or empty file.
bool replace(const QString &target, const QByteArray &text, const struct stat &original,
             QString *problem)
{
    const QFileInfo info(target);
    const QByteArray native = QFile::encodeName(target);
    QByteArray temporary =
        QFile::encodeName(QDir(info.absolutePath()).filePath(u'.' + info.fileName())) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        *problem = QStringLiteral("écriture impossible (%1)").arg(systemError(errno));
        return false;
    }
    bool closed = false;
    bool renamed = false;
    const auto cleanUp = qScopeGuard([&] {
        if (!closed)
            ::close(fd);
        if (!renamed)
            ::unlink(temporary.constData());
    });
    const auto fail = [problem](const QString &step) {
        *problem = QStringLiteral("%1 (%2)").arg(step, systemError(errno));
        return false;
    };

    // The replaced file keeps who owns it and who may read it, whoever runs the change.
    if ((original.st_uid != ::geteuid() || original.st_gid != ::getegid()) &&
        ::fchown(fd, original.st_uid, original.st_gid) != 0)
        return fail(QStringLiteral("impossible de garder le propriétaire du fichier"));
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        return fail(QStringLiteral("impossible de garder les droits du fichier"));
    if (!writeAll(fd, text))
        return fail(QStringLiteral("écriture impossible"));
    if (::fsync(fd) != 0)
        return fail(QStringLiteral("écriture impossible"));
    closed = true;
    if (::close(fd) != 0)
        return fail(QStringLiteral("écriture impossible"));
    if (::rename(temporary.constData(), native.constData()) != 0)
        return fail(QStringLiteral("remplacement impossible"));
    renamed = true;
    // The rename itself reaches the disk with the folder; a failure here loses nothing.
    const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace

MachineWriter::Result MachineWriter::update(const QString &path, const Change &change,
                                            QString *problem)
{
    using namespace std::chrono_literals;
    const auto fail = [problem](const QString &text) {
        if (problem)
            *problem = text;
        return Result::failed;
    };
    const auto unchanged = [&path](const QString &reason) {
        return QStringLiteral("Machine simulée « %1 » non modifiée : %2.").arg(path, reason);
    };

    // Writers that name the file differently (a relative path, a symbolic link) must meet at
    // one lock, and a link must stay a link.
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : path;
    QString readProblem;
    if (!SimulatedMachine::readText(target, path, &readProblem))
        return fail(readProblem);

    MachineLock lock(target);
    QString lockProblem;
    if (!lock.lock(30s, &lockProblem))
        return fail(unchanged(lockProblem));

    // Checked under the lock, on the file that will be replaced.
    const QByteArray native = QFile::encodeName(target);
    struct stat status = {};
    if (::stat(native.constData(), &status) != 0)
        return fail(unchanged(systemError(errno)));
    if (!mayWrite(native, status))
        return fail(unchanged(QStringLiteral("le fichier est en lecture seule")));

    // Another writer may have changed the file while this one waited.
    const std::optional<QByteArray> data = SimulatedMachine::readText(target, path, &readProblem);
    if (!data)
        return fail(readProblem);
    const std::optional<SimulatedMachine> machine =
        SimulatedMachine::fromText(*data, path, &readProblem);
    if (!machine)
        return fail(readProblem);
    const QJsonObject before = machine->root();

    QJsonObject after = before;
    QString reason;
    if (!change(after, &reason)) {
        if (problem)
            *problem = reason;
        return Result::refused;
    }
    const QString shape = SimulatedMachine::shapeProblem(after);
    if (!shape.isEmpty())
        return fail(unchanged(
            QStringLiteral("le changement rendrait le fichier invalide (%1)").arg(shape)));
    if (after == before)
        return Result::written;

    // Readers never take the lock: the new file replaces the old one in a single rename, so
    // they see one or the other, whole.
    QString writeProblem;
    if (!replace(target, JsonTextRewriter::rewritten(*data, before, after), status, &writeProblem))
        return fail(unchanged(writeProblem));
    return Result::written;
}
