// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerRig.h"

#include "Shell.h"

#include <QFile>

#include <cstdio>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What `nm-rig.sh check` answers when namespaces cannot be made here at all.
constexpr int cannotMakeNamespaces = 77;

const QString script = QStringLiteral(BRISVALE_RIG_SCRIPT);

// Why no rig was made here; broken when this machine should have made one (tools missing).
QString noRigReason;
bool rigBroken = false;

// A shell line's standard output and exit status; this runs before any Qt application exists.
std::pair<QByteArray, int> capture(const QByteArray &line)
{
    FILE *pipe = popen(line.constData(), "r");
    if (!pipe)
        return {{}, -1};
    QByteArray output;
    char buffer[4096];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, qsizetype(count));
    const int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

int runTiedChild(const std::vector<QByteArray> &arguments)
{
    std::vector<char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        // Killed or not, the rig must not outlive the test that started it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

namespace NetworkManagerRig {

bool inside()
{
    return !qEnvironmentVariableIsEmpty("BRISVALE_RIG_DIR");
}

QString unavailableReason()
{
    return inside() ? QString()
                    : "no NetworkManager rig: " +
                          (noRigReason.isEmpty() ? QStringLiteral("not started") : noRigReason);
}

bool rigRequired()
{
    return rigBroken || qgetenv("BRISVALE_REQUIRE_PRIVILEGED_TESTS") == "1";
}

std::optional<int> rerunInside(int argc, char **argv, const QStringList &rigOptions)
{
    if (inside())
        return std::nullopt;
    const auto [answer, status] = capture("'" + script.toLocal8Bit() + "' check");
    noRigReason = QString::fromLocal8Bit(answer).trimmed();
    if (status != 0) {
        rigBroken = status != cannotMakeNamespaces;
        if (noRigReason.isEmpty())
            noRigReason = QStringLiteral("%1 check failed").arg(script);
        return std::nullopt;
    }

    std::vector<QByteArray> arguments = {script.toLocal8Bit(), "run"};
    for (const QString &option : rigOptions)
        arguments.push_back(option.toLocal8Bit());
    // This very program, whatever name it was started by.
    arguments.push_back("--");
    arguments.push_back(QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))));
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);

    const QByteArray before = capture("ip -br addr 2>&1").first;
    const int exitStatus = runTiedChild(arguments);
    const QByteArray after = capture("ip -br addr 2>&1").first;
    if (before != after) {
        std::fprintf(stderr,
                     "The host's addresses changed while the rig ran.\nBefore:\n%s\nAfter:\n%s\n",
                     before.constData(), after.constData());
        return 1;
    }
    return exitStatus;
}

CommandResult run(const QString &program, const QStringList &arguments)
{
    return Shell::run(program, arguments, 60s);
}

CommandResult nmcli(const QStringList &arguments)
{
    return run(QStringLiteral("nmcli"), arguments);
}

qint64 daemonPid()
{
    QFile file(qEnvironmentVariable("BRISVALE_RIG_DIR") + QStringLiteral("/nm.pid.started"));
    const qint64 pid = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    return pid > 0 && kill(pid_t(pid), 0) == 0 ? pid : 0;
}

bool stopDaemon()
{
    return run(script, {QStringLiteral("stop-daemon")}).status == 0;
}

bool startDaemon()
{
    return run(script, {QStringLiteral("start-daemon")}).status == 0;
}

QString connectionsFolder()
{
    return qEnvironmentVariable("BRISVALE_RIG_CONNECTIONS");
}

QString profileId(int n)
{
    return QStringLiteral("0a1b2c3d-%1-4000-8000-%2")
        .arg(n, 4, 16, QLatin1Char('0'))
        .arg(n, 12, 16, QLatin1Char('0'));
}

} // namespace NetworkManagerRig
