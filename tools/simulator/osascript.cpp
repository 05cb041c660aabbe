// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Stand-in for /usr/bin/osascript on the simulated machine. It understands the one statement
// Brisvale sends, which runs networksetup as administrator:
//
//     osascript -e 'do shell script "LINE" with administrator privileges'
//
// It answers the administrator prompt as the machine file says and runs LINE with /bin/sh. The
// line names the real /usr/sbin/networksetup, once or in commands joined by &&, which a
// simulated machine cannot replace, so the stand-in runs its sibling stand-in in its place;
// since the simulated machine lends administrator rights to networksetup only, any other line
// is refused.

#include "AppleScript.h"
#include "StandIn.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <variant>
#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

extern char **environ;

namespace {

using StandIn::print;

int usage(const QString &message)
{
    print(stderr, QStringLiteral("osascript: %1\nusage: osascript -e 'do shell script "
                                 "\"…\" with administrator privileges'\n")
                      .arg(message));
    return 1;
}

int executionError(qsizetype length, const QByteArray &text, int code)
{
    print(stderr, QStringLiteral("0:%1: execution error: ").arg(length).toUtf8() + text +
                      QStringLiteral(" (%1)\n").arg(code).toUtf8());
    return 1;
}

int executionError(qsizetype length, const QString &text, int code)
{
    return executionError(length, text.toUtf8(), code);
}

// AppleScript reports where in the script an error lies, in characters.
int scriptError(const AppleScript::Error &error)
{
    if (!error.syntax)
        return executionError(error.end, error.text, error.code);
    print(stderr, QStringLiteral("%1:%2: syntax error: %3 (%4)\n")
                      .arg(error.start)
                      .arg(error.end)
                      .arg(error.text)
                      .arg(error.code));
    return 1;
}

QString quotedForShell(QString word)
{
    word.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + word + u'\'';
}

QString ownPath(const char *argv0)
{
#ifdef __APPLE__
    char buffer[4096];
    uint32_t size = sizeof buffer;
    if (_NSGetExecutablePath(buffer, &size) == 0)
        return QFileInfo(QString::fromLocal8Bit(buffer)).canonicalFilePath();
#else
    const QString linked = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!linked.isEmpty())
        return linked;
#endif
    return QFileInfo(QString::fromLocal8Bit(argv0)).absoluteFilePath();
}

// The networksetup stand-in that shares this stand-in's root (root/usr/bin/osascript).
QString siblingNetworksetup(const char *argv0)
{
    const QString directory = QFileInfo(ownPath(argv0)).absolutePath();
    return QDir::cleanPath(directory + QStringLiteral("/../../usr/sbin/networksetup"));
}

struct Outcome {
    int status = 0;
    QByteArray output;
    QByteArray error;
};

// Runs the line with /bin/sh and drains both of its streams together, so that a command
// filling one pipe while the other is read cannot stall.
std::optional<Outcome> runShell(QByteArray line, QString *problem)
{
    int output[2];
    int error[2];
    if (pipe(output) != 0) {
        *problem = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    if (pipe(error) != 0) {
        *problem = QString::fromLocal8Bit(std::strerror(errno));
        close(output[0]);
        close(output[1]);
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, error[1], STDERR_FILENO);
    for (const int fd : {output[0], output[1], error[0], error[1]})
        posix_spawn_file_actions_addclose(&actions, fd);

    // The approved prompt is what the marker stands for.
    setenv(SimulatedMachine::privilegeVariable, "1", 1);
    char shell[] = "sh";
    char option[] = "-c";
    char *arguments[] = {shell, option, line.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, "/bin/sh", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    close(error[1]);
    if (spawned != 0) {
        *problem = QStringLiteral("/bin/sh: ") + QString::fromLocal8Bit(std::strerror(spawned));
        close(output[0]);
        close(error[0]);
        return std::nullopt;
    }

    Outcome outcome;
    pollfd streams[2] = {{output[0], POLLIN, 0}, {error[0], POLLIN, 0}};
    QByteArray *buffers[2] = {&outcome.output, &outcome.error};
    int open = 2;
    while (open > 0) {
        if (poll(streams, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int s = 0; s < 2; ++s) {
            if (streams[s].fd < 0 || streams[s].revents == 0)
                continue;
            char chunk[65536];
            const ssize_t count = read(streams[s].fd, chunk, sizeof chunk);
            if (count > 0) {
                buffers[s]->append(chunk, count);
            } else if (count == 0 || errno != EINTR) {
                close(streams[s].fd);
                streams[s].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd &stream : streams) {
        if (stream.fd >= 0)
            close(stream.fd);
    }

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            *problem = QString::fromLocal8Bit(std::strerror(errno));
            return std::nullopt;
        }
    }
    // As a shell reports a command ended by a signal.
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

// A do shell script result loses its trailing newlines.
QByteArray trimmed(QByteArray text)
{
    while (text.endsWith('\n'))
        text.chop(1);
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList arguments = StandIn::start(argc, argv);
    if (arguments.isEmpty())
        return usage(QStringLiteral("the simulated machine reads no script from standard input"));
    const QString &first = arguments.first();
    if (first != QLatin1String("-e")) {
        if (first.startsWith(u'-'))
            return usage(
                QStringLiteral("the simulated machine takes no option but -e (got %1)").arg(first));
        return usage(
            QStringLiteral("the simulated machine runs no script file (got %1)").arg(first));
    }
    if (arguments.size() == 1)
        return usage(QStringLiteral("option requires an argument -- e"));
    if (arguments.size() > 2)
        return usage(QStringLiteral("the simulated machine takes one -e statement and no other "
                                    "argument"));

    const QString script = arguments.at(1);
    const qsizetype length = script.size();
    const std::variant<QString, AppleScript::Error> parsed = AppleScript::shellLine(script);
    if (const auto *error = std::get_if<AppleScript::Error>(&parsed))
        return scriptError(*error);
    const std::optional<QList<QStringList>> runs =
        AppleScript::networksetupRuns(std::get<QString>(parsed));
    if (!runs)
        return executionError(length,
                              QStringLiteral("The simulated machine lends administrator "
                                             "privileges to /usr/sbin/networksetup only."),
                              -10004);

    const std::optional<SimulatedMachine> machine =
        StandIn::loadMachine(QStringLiteral("osascript: "), QStringLiteral("ask"));
    if (!machine)
        return 1;
    switch (machine->plain().administrator()) {
    case PlainMachine::Administrator::approve:
        break;
    case PlainMachine::Administrator::cancel:
        return executionError(length, QStringLiteral("User canceled."), -128);
    case PlainMachine::Administrator::deny:
        return executionError(
            length, QStringLiteral("The administrator user name or password was incorrect."),
            -60007);
    }

    // Written anew from the words read, so the shell runs exactly what was checked.
    const QString program = quotedForShell(siblingNetworksetup(argv[0]));
    QStringList commands;
    for (const QStringList &run : *runs) {
        QStringList words{program};
        for (const QString &argument : run.sliced(1))
            words.append(quotedForShell(argument));
        commands.append(words.join(u' '));
    }
    const QString command = commands.join(QStringLiteral(" && "));
    QString problem;
    const std::optional<Outcome> outcome = runShell(command.toUtf8(), &problem);
    if (!outcome) {
        print(stderr, QStringLiteral("osascript: cannot run the command: ") + problem + u'\n');
        return 1;
    }
    if (outcome->status == 0) {
        // osascript prints the statement's result, a do shell script's output, on one line.
        print(stdout, trimmed(outcome->output) + '\n');
        return 0;
    }
    QByteArray text = trimmed(outcome->error);
    if (text.isEmpty())
        text = trimmed(outcome->output);
    if (text.isEmpty())
        text = "The command exited with a non-zero status.";
    return executionError(length, text, outcome->status);
}
