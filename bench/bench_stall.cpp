// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The longest the main thread stays away from its event loop while the real window opens on
// many services, scrolls through them, refreshes, applies, enables and pings, measured by a
// 1 ms heartbeat timer; and how much memory each card costs beyond the first screenful. The
// system answers at once from memory, so every millisecond measured is the interface's own.
#include "AdapterCardModel.h"
#include "AppModel.h"
#include "PingTab.h"
#include "SystemServices.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTimer>
#include <QtQml/QQmlExtensionPlugin>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

namespace {

using namespace std::chrono_literals;

// One service per row: alternately wired with a fixed address and wireless through DHCP.
QList<AdapterInfo> servicesOf(int n)
{
    QList<AdapterInfo> list;
    for (int i = 0; i < n; ++i) {
        AdapterInfo info;
        info.id = QStringLiteral("SERVICE-%1").arg(i);
        info.serviceName = QStringLiteral("Service %1").arg(i);
        info.device = QStringLiteral("en%1").arg(i);
        info.hardwareName = i % 2 == 0 ? QStringLiteral("Ethernet") : QStringLiteral("Wi-Fi");
        info.kind = i % 2 == 0 ? AdapterKind::ethernet : AdapterKind::wifi;
        info.enabled = true;
        info.connected = true;
        info.dhcp = i % 2 == 1;
        info.ip = QStringLiteral("10.%1.%2.10").arg(i / 256).arg(i % 256);
        info.mask = QStringLiteral("255.0.0.0");
        info.router = QStringLiteral("10.0.0.1");
        list.append(info);
    }
    return list;
}

// A system held in memory that answers every request at once and remembers the changes.
SystemServices servicesOver(std::shared_ptr<QList<AdapterInfo>> records)
{
    const auto find = [records](const ServiceTarget &service) -> AdapterInfo * {
        for (AdapterInfo &info : *records)
            if (info.id == service.id)
                return &info;
        return nullptr;
    };
    SystemServices services;
    services.readAdapters = [records] {
        return QtFuture::makeReadyFuture(AdapterRead{*records, {}});
    };
    // The benchmark's cards change addresses only.
    services.setManual = [find](ServiceTarget service, QString ip, QString mask, QString router,
                                DnsChange) {
        if (AdapterInfo *info = find(service)) {
            info->dhcp = false;
            info->ip = ip;
            info->mask = mask;
            info->router = router;
        }
        return QtFuture::makeReadyFuture(CommandResult{});
    };
    services.setDHCP = [find](ServiceTarget service, DnsChange) {
        if (AdapterInfo *info = find(service))
            info->dhcp = true;
        return QtFuture::makeReadyFuture(CommandResult{});
    };
    services.setServiceEnabled = [find](ServiceTarget service, bool enabled) {
        if (AdapterInfo *info = find(service))
            info->enabled = enabled;
        return QtFuture::makeReadyFuture(CommandResult{});
    };
    services.ping = [](QString, QString, int) {
        return QtFuture::makeReadyFuture(
            PingOutcome{true, QStringLiteral("4 paquets reçus sur 4"), QString()});
    };
    services.wait = [](std::chrono::milliseconds) -> QCoro::Task<> { co_return; };
    return services;
}

double residentKB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble();
    return 0;
}

// The largest gap between two ticks of a 1 ms timer on the main thread since the last reset.
class Heartbeat {
public:
    Heartbeat()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void reset()
    {
        m_last = m_clock.nsecsElapsed();
        m_longest = 0;
    }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Runs the event loop until the condition holds. A loop of its own rather than processEvents(),
// so that the views' deferred deletions happen as they would in the application.
bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = 60s)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > limit.count())
            loop.quit();
    });
    check.start();
    if (!done())
        loop.exec();
    return done();
}

void runFor(std::chrono::milliseconds span)
{
    QElapsedTimer clock;
    clock.start();
    runUntil([&] { return clock.elapsed() >= span.count(); });
}

// A brisk flick: about 9 000 pixels a second, one step per frame.
constexpr qreal scrollStep = 150;

// Lets the animations and deferred work of the last step end before the next starts.
constexpr auto settle = 400ms;

int child(int n)
{
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    auto records = std::make_shared<QList<AdapterInfo>>(servicesOf(n));
    AppModel model(servicesOver(records));
    Heartbeat heartbeat;
    const auto report = [&](const char *phase) {
        std::printf("stall %s %.2f\n", phase, heartbeat.longestMs());
        std::fflush(stdout);
    };

    QElapsedTimer built;
    built.start();
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.setInitialProperties({{QStringLiteral("appModel"), QVariant::fromValue(&model)}});
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Brisvale/qml/Main.qml")));
    auto *window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    auto *list = window ? window->findChild<QQuickItem *>(QStringLiteral("cardList")) : nullptr;
    if (!list)
        return 1;
    std::printf("built %.2f\n", double(built.nsecsElapsed()) / 1e6);

    heartbeat.reset();
    bool swapped = false;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] { swapped = true; });
    window->resize(1120, 840);
    window->show();
    if (!runUntil([&] { return swapped; }))
        return 1;
    report("first-frame");
    heartbeat.reset();
    if (!runUntil([&] { return model.hasLoadedOnce() && !model.loading(); }))
        return 1;
    runFor(settle);
    report("cards");
    std::printf("memory open %.0f\n", residentKB());

    heartbeat.reset();
    const auto contentY = [list] { return list->property("contentY").toReal(); };
    for (qreal last = -1; !qFuzzyCompare(contentY() + 1, last + 1);) {
        last = contentY();
        list->setProperty("contentY", last + scrollStep);
        QMetaObject::invokeMethod(list, "returnToBounds");
        runFor(16ms);
    }
    QMetaObject::invokeMethod(list, "positionViewAtBeginning");
    runFor(settle);
    report("scroll");
    std::printf("memory scrolled %.0f\n", residentKB());

    heartbeat.reset();
    model.requestRefresh(true);
    if (!runUntil([&] { return !model.loading(); }))
        return 1;
    runFor(settle);
    report("refresh");

    AdapterCardModel *wired = model.cards().value(0);
    AdapterCardModel *wireless = model.cards().value(1);
    if (!wired || !wireless)
        return 1;
    heartbeat.reset();
    wired->setIp(QStringLiteral("10.0.0.99"));
    model.requestApply(wired);
    if (!runUntil([&] { return !wired->busy() && !model.isBusy(); }))
        return 1;
    runFor(settle);
    report("apply");

    heartbeat.reset();
    model.requestSetEnabled(wireless, false);
    if (!runUntil([&] { return !wireless->busy() && !model.isBusy(); }))
        return 1;
    model.requestSetEnabled(wireless, true);
    if (!runUntil([&] { return !wireless->busy() && !model.isBusy(); }))
        return 1;
    runFor(settle);
    report("enable");

    heartbeat.reset();
    model.setTab(MainTab::ping);
    auto *ping = window->findChild<PingTab *>();
    if (!ping)
        return 1;
    runFor(settle);
    report("ping-tab");
    heartbeat.reset();
    ping->start();
    if (!runUntil([&] { return !ping->running(); }))
        return 1;
    runFor(settle);
    report("ping");

    // Every operation has ended: nothing on screen changes, so nothing should be drawn.
    int frames = 0;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] { ++frames; });
    runFor(1s);
    std::printf("idle %d\n", frames);
    return 0;
}

struct Figures {
    QMap<QString, double> stalls;
    double built = 0;
    double memoryOpen = 0;
    double memoryScrolled = 0;
    int idleFrames = -1;
};

std::optional<Figures> measure(int n)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!environment.contains(QStringLiteral("QT_QUICK_BACKEND")))
        environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), {QString::number(n)});
    if (!process.waitForFinished(300000) || process.exitCode() != 0) {
        std::fprintf(stderr, "the run with %d services failed\n", n);
        return std::nullopt;
    }
    Figures figures;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[0] == "stall")
            figures.stalls.insert(QString::fromLatin1(words[1]), words[2].toDouble());
        else if (words.size() == 2 && words[0] == "idle")
            figures.idleFrames = words[1].toInt();
        else if (words.size() == 2 && words[0] == "built")
            figures.built = words[1].toDouble();
        else if (words.size() == 3 && words[0] == "memory")
            (words[1] == "open" ? figures.memoryOpen : figures.memoryScrolled) =
                words[2].toDouble();
    }
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2) {
        QGuiApplication app(argc, argv);
        return child(QByteArray(argv[1]).toInt());
    }
    QCoreApplication app(argc, argv);
    constexpr int few = 64, many = 512;
    const std::optional<Figures> small = measure(few);
    const std::optional<Figures> large = measure(many);
    if (!small || !large)
        return 1;

    std::printf("longest main-thread stall (ms)   %8d %8d   goal\n", few, many);
    // Building the window and drawing its first frame happen before anything is on screen.
    std::printf("  %-30s %8.1f %8.1f   (before it is on screen)\n", "build the window",
                small->built, large->built);
    std::printf("  %-30s %8.1f %8.1f   (before it is on screen)\n", "first frame",
                small->stalls.value(QStringLiteral("first-frame")),
                large->stalls.value(QStringLiteral("first-frame")));
    double worst = 0;
    for (const char *phase :
         {"cards", "scroll", "refresh", "apply", "enable", "ping-tab", "ping"}) {
        const QString key = QString::fromLatin1(phase);
        worst = std::max(worst, large->stalls.value(key));
        std::printf("  %-30s %8.1f %8.1f   <= 16\n", phase, small->stalls.value(key),
                    large->stalls.value(key));
    }
    std::printf("  %-30s %17.1f   %s\n", "worst on screen, 512", worst,
                worst <= 16 ? "met" : "NOT MET");
    std::printf("  %-30s %8d %8d   == 0 %s\n", "frames in 1 s of idle, at the end",
                small->idleFrames, large->idleFrames, large->idleFrames == 0 ? "met" : "NOT MET");
    std::printf("resident memory (MB)\n");
    std::printf("  %-30s %8.1f %8.1f\n", "cards shown", small->memoryOpen / 1024,
                large->memoryOpen / 1024);
    std::printf("  %-30s %8.1f %8.1f\n", "after scrolling through", small->memoryScrolled / 1024,
                large->memoryScrolled / 1024);
    const double perCardOpen = (large->memoryOpen - small->memoryOpen) / (many - few);
    const double perCardScrolled = (large->memoryScrolled - small->memoryScrolled) / (many - few);
    std::printf("  %-30s %8.1f KB   (goal <= 60) %s\n", "per card, cards shown", perCardOpen,
                perCardOpen <= 60 ? "met" : "NOT MET");
    std::printf("  %-30s %8.1f KB   (goal <= 60) %s\n", "per card, after scrolling",
                perCardScrolled, perCardScrolled <= 60 ? "met" : "NOT MET");
    return 0;
}
