// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// How long brisvale takes to show its first frame and its cards, how much memory it holds once
// started and how many frames it renders while nothing changes, against a bare Qt Quick window
// started the same way. Both run under a private Xvfb (offscreen when there is none) with the
// software renderer; each prints a monotonic timestamp per swapped frame.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int launches = 5;
// The memory is read this long after the process started.
constexpr auto memoryAfter = std::chrono::seconds(4);
// Start-up has settled this long after the cards (or the first frame) showed; idle frames are
// counted over the second that follows.
constexpr auto settleAfter = std::chrono::seconds(1);
constexpr auto idleSpan = std::chrono::seconds(1);
constexpr auto giveUpAfter = std::chrono::seconds(20);

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

double toMs(long long ns)
{
    return double(ns) / 1e6;
}

struct Launch {
    std::optional<double> firstFrameMs;
    std::optional<double> cardsMs;
    double residentMB = 0;
    int idleFrames = 0;
    // Frames in the second after the first one: the start-up burst.
    int burstFrames = 0;
};

double residentMB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Starts the program, follows its frame lines until it has settled and been idle for a while,
// then kills it.
std::optional<Launch> launch(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &environment, const QString &folder,
                             bool waitForCards)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());

    Launch result;
    QList<long long> frames;
    std::optional<long long> cards;
    bool memoryRead = false;
    const long long start = nowNs();
    process.start();
    if (!process.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
        return std::nullopt;
    }
    QByteArray pending;
    while (true) {
        process.waitForReadyRead(10);
        pending += process.readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(end).trimmed().split(' ');
            pending.remove(0, end + 1);
            if (words.size() != 2)
                continue;
            if (words[0] == "frame")
                frames.append(words[1].toLongLong());
            else if (words[0] == "cards" && !cards)
                cards = words[1].toLongLong();
        }
        const long long now = nowNs();
        if (process.state() != QProcess::Running) {
            std::fprintf(stderr, "%s ended early\n", qPrintable(program));
            return std::nullopt;
        }
        if (!memoryRead && now - start >= std::chrono::nanoseconds(memoryAfter).count()) {
            result.residentMB = residentMB(process.processId());
            memoryRead = true;
        }
        const bool shown = !frames.isEmpty() && (cards || !waitForCards);
        if (shown && memoryRead) {
            const long long settled =
                (cards ? *cards : frames.first()) + std::chrono::nanoseconds(settleAfter).count();
            const long long idleEnd = settled + std::chrono::nanoseconds(idleSpan).count();
            if (now >= idleEnd) {
                result.idleFrames =
                    int(std::count_if(frames.cbegin(), frames.cend(),
                                      [&](long long at) { return at >= settled && at < idleEnd; }));
                result.burstFrames =
                    int(std::count_if(frames.cbegin(), frames.cend(), [&](long long at) {
                        return at < frames.first() + std::chrono::nanoseconds(idleSpan).count();
                    }));
                break;
            }
        }
        if (now - start >= std::chrono::nanoseconds(giveUpAfter).count()) {
            std::fprintf(stderr, "%s never showed %s\n", qPrintable(program),
                         frames.isEmpty() ? "a frame" : "its cards");
            process.kill();
            process.waitForFinished();
            return std::nullopt;
        }
    }
    process.kill();
    process.waitForFinished();
    result.firstFrameMs = toMs(frames.first() - start);
    if (cards)
        result.cardsMs = toMs(*cards - start);
    return result;
}

// A display of its own, so that nothing else on this machine draws into it.
class PrivateDisplay {
public:
    ~PrivateDisplay()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(3000))
                m_server.kill();
            m_server.waitForFinished();
        }
    }

    // The display's name, or empty when no X server could be started.
    QString start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return {};
        for (int number = 90; number < 160; ++number) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)) ||
                QFileInfo::exists(socket))
                continue;
            const QString display = QStringLiteral(":%1").arg(number);
            m_server.setProgram(xvfb);
            m_server.setArguments({display, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                   QStringLiteral("-screen"), QStringLiteral("0"),
                                   QStringLiteral("1920x1080x24")});
            m_server.setStandardOutputFile(QProcess::nullDevice());
            m_server.setStandardErrorFile(QProcess::nullDevice());
            m_server.start();
            if (!m_server.waitForStarted(3000))
                return {};
            for (int wait = 0; wait < 500 && m_server.state() == QProcess::Running; ++wait) {
                if (QFileInfo::exists(socket))
                    return display;
                QThread::msleep(10);
            }
            // Another server took that number meanwhile: try the next one.
            m_server.kill();
            m_server.waitForFinished();
        }
        return {};
    }

private:
    QProcess m_server;
};

struct Spread {
    double min = 0, median = 0, max = 0;
};

Spread spreadOf(QList<double> values)
{
    if (values.isEmpty())
        return {};
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    return {values.first(), median, values.last()};
}

void printRow(const char *what, const char *unit, const QList<double> &values)
{
    const Spread s = spreadOf(values);
    std::printf("  %-34s %9.1f %9.1f %9.1f %s\n", what, s.min, s.median, s.max, unit);
}

void printGoal(const char *what, double value, const char *unit, double goal)
{
    std::printf("  %-34s %9.2f %-4s (goal <= %.2f%s) %s\n", what, value, unit, goal, unit,
                value <= goal ? "met" : "NOT MET");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    // The user's folders, in the scratch folder: no settings or machine of the real user.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("BRISVALE_SIMULATION"));
    for (const auto &[variable, sub] : {std::pair{"HOME", "home"},
                                        {"XDG_CONFIG_HOME", "home/.config"},
                                        {"XDG_DATA_HOME", "home/.local/share"},
                                        {"XDG_CACHE_HOME", "home/.cache"},
                                        {"XDG_RUNTIME_DIR", "runtime"}}) {
        const QString path = folder.filePath(QString::fromLatin1(sub));
        QDir().mkpath(path);
        environment.insert(QString::fromLatin1(variable), path);
    }
    QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    environment.insert(QStringLiteral("BRISVALE_TRACE_FRAMES"), QStringLiteral("1"));

    PrivateDisplay display;
    const QString displayName = display.start();
    if (displayName.isEmpty()) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        std::printf("No Xvfb: offscreen platform, software renderer\n");
    } else {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), displayName);
        std::printf("Xvfb %s, software renderer, %d launches each\n", qPrintable(displayName),
                    launches);
    }

    const QString machine = folder.filePath(QStringLiteral("machine.json"));
    const auto appLaunch = [&]() -> std::optional<Launch> {
        // A fresh copy each time: a launch never sees what an earlier one changed.
        QFile::remove(machine);
        if (!QFile::copy(QStringLiteral(BRISVALE_BENCH_DEMO_MACHINE), machine))
            return std::nullopt;
        QFile::setPermissions(machine, QFile::ReadOwner | QFile::WriteOwner);
        return launch(QStringLiteral(BRISVALE_BENCH_APP), {QStringLiteral("--simulate"), machine},
                      environment, folder.path(), true);
    };
    const auto bareLaunch = [&] {
        return launch(QStringLiteral(BRISVALE_BENCH_BARE_WINDOW), {}, environment, folder.path(),
                      false);
    };

    // One launch of each that is not counted: font and shader caches, the page cache.
    if (!bareLaunch() || !appLaunch())
        return 1;
    QList<Launch> bare, brisvale;
    for (int i = 0; i < launches; ++i) {
        const std::optional<Launch> b = bareLaunch();
        const std::optional<Launch> a = appLaunch();
        if (!b || !a)
            return 1;
        bare.append(*b);
        brisvale.append(*a);
    }

    const auto column = [](const QList<Launch> &runs, auto field) {
        QList<double> values;
        for (const Launch &run : runs)
            values.append(field(run));
        return values;
    };
    const auto firstFrame = [](const Launch &run) { return run.firstFrameMs.value_or(0); };
    const auto cardsShown = [](const Launch &run) { return run.cardsMs.value_or(0); };
    const auto memory = [](const Launch &run) { return run.residentMB; };
    const auto idle = [](const Launch &run) { return double(run.idleFrames); };
    const auto burst = [](const Launch &run) { return double(run.burstFrames); };

    std::printf("  %-34s %9s %9s %9s\n", "", "min", "median", "max");
    std::printf("bare window\n");
    printRow("first frame", "ms", column(bare, firstFrame));
    printRow("resident memory after 4 s", "MB", column(bare, memory));
    printRow("frames in 1 s after the first", "", column(bare, burst));
    printRow("frames in 1 s of idle", "", column(bare, idle));
    std::printf("brisvale (demo machine)\n");
    printRow("first frame", "ms", column(brisvale, firstFrame));
    printRow("cards painted", "ms", column(brisvale, cardsShown));
    printRow("resident memory after 4 s", "MB", column(brisvale, memory));
    printRow("frames in 1 s after the first", "", column(brisvale, burst));
    printRow("frames in 1 s of idle", "", column(brisvale, idle));

    const double bareFirst = spreadOf(column(bare, firstFrame)).median;
    std::printf("against the bare window (medians)\n");
    printGoal("first frame", spreadOf(column(brisvale, firstFrame)).median / bareFirst, "x", 1.3);
    printGoal("cards painted / bare first frame",
              spreadOf(column(brisvale, cardsShown)).median / bareFirst, "x", 1.6);
    printGoal("resident memory above bare",
              spreadOf(column(brisvale, memory)).median - spreadOf(column(bare, memory)).median,
              "MB", 15);
    printGoal("frames in 1 s of idle (max)", spreadOf(column(brisvale, idle)).max, "", 0);
    return 0;
}
