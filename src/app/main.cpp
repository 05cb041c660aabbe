// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppDelegate.h"
#include "AppInfo.h"
#include "AppModel.h"
#include "PlatformServices.h"
#include "QuitDialogController.h"
#include "QuitGuard.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"
#include "ThemeState.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>
#include <QtQml/QQmlExtensionPlugin>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string_view>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

namespace {

constexpr int usageError = 2;

int fail(const QString &message)
{
    std::fprintf(stderr, "brisvale: %s\n", qPrintable(message));
    return usageError;
}

// A per-user copy of the demo machine, made on first start, so the user's changes persist and
// the installed file stays pristine.
QString userMachinePath(QString *problem)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString path = QDir(folder).filePath(QStringLiteral("machine-simulee.json"));
    if (QFile::exists(path))
        return path;
    if (!QDir().mkpath(folder) ||
        !QFile::copy(QStringLiteral(":/brisvale/demo-machine.json"), path)) {
        *problem = QStringLiteral("impossible de créer la machine simulée « %1 »").arg(path);
        return {};
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    return path;
}

// The sizes window managers and task bars show, made from the installed-size picture away from
// the main thread: decoding and smoothing take longer than a frame, and the cards are drawn
// meanwhile.
QList<QImage> windowIconImages()
{
    const QImage picture(QStringLiteral(":/brisvale/hicolor/256x256/brisvale.png"));
    QList<QImage> images;
    for (const int side : {16, 32, 48, 64, 128, 256})
        images.append(picture.width() == side ? picture
                                              : picture.scaled(side, side, Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation));
    return images;
}

void setWindowIcon(const QList<QImage> &images)
{
    QIcon icon;
    for (const QImage &image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    QGuiApplication::setWindowIcon(icon);
}

// The icon waits for the frame that follows the first read's answer (the cards), then is made
// in the background. Setting it sends every size of the picture to the window system; sent
// sooner, under X11 it waited behind the server taking in the first frame, and the cards with
// it.
void setWindowIconOnceLoaded(QQuickWindow *window, const AppModel *model)
{
    auto loaded = std::make_shared<QMetaObject::Connection>();
    *loaded = QObject::connect(model, &AppModel::hasLoadedOnceChanged, window, [=] {
        if (!model->hasLoadedOnce())
            return;
        QObject::disconnect(*loaded);
        auto swapped = std::make_shared<QMetaObject::Connection>();
        *swapped = QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [swapped, window] {
                if (!*swapped)
                    return;
                QObject::disconnect(*swapped);
                *swapped = {};
                QtConcurrent::run(windowIconImages).then(window, [](const QList<QImage> &images) {
                    setWindowIcon(images);
                });
            },
            Qt::QueuedConnection);
        window->update();
    });
}

void showMainWindow(QQuickWindow *window)
{
    window->show();
    window->raise();
    window->requestActivate();
}

// Sized once from the screen's free area, then centred on it.
void placeMainWindow(QQuickWindow *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const std::optional<QRect> area =
        screen ? std::optional(screen->availableGeometry()) : std::nullopt;
    const QSize size = AppDelegate::initialContentSize(area);
    window->resize(size);
    if (area)
        window->setPosition(area->center() - QPoint(size.width() / 2, size.height() / 2));
    // Made now, while the window system is idle. Left to Qt Quick, the cursor is loaded just
    // after the first frame, and under X11 that is a round trip which waits until the server
    // has taken in the whole frame: the first read would only start after it.
    window->setCursor(Qt::ArrowCursor);
    showMainWindow(window);
}

// The real system where it answers, else the simulated machine: the one asked for or, for the
// window only, the user's copy of the demo machine. machinePath is set only for a simulated
// machine; *real is what the probe found (nothing where a machine was asked for).
std::optional<SystemServices> chosenServices(const QString &simulate, bool demoWhenNoSystem,
                                             QString *machinePath, RealSystem *real,
                                             QString *problem)
{
    // A machine asked for is used whatever the system: the probe is not even made.
    const bool simulationRequested = !simulate.isEmpty();
    if (!simulationRequested)
        *real = probeRealSystem();
    if (chooseBackend(real->available, simulationRequested) == Backend::realSystem)
        return realSystemServices();
    if (!simulationRequested && !demoWhenNoSystem) {
        // A script must not take the demo machine for this one.
        *problem = real->absence + QStringLiteral(" Aucun service réel à lister ; --simulate "
                                                  "FICHIER liste une machine simulée.");
        return std::nullopt;
    }
    *machinePath =
        simulationRequested ? QFileInfo(simulate).absoluteFilePath() : userMachinePath(problem);
    if (machinePath->isEmpty())
        return std::nullopt;
    if (!SimulatedMachine::load(*machinePath, problem))
        return std::nullopt;
    // The stand-in programs find the machine through the environment, like every child.
    qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(*machinePath));
    return simulatedServices(*machinePath, SystemTools::simulated());
}

// The command line both start paths accept. Returns the machine file asked for (empty for
// none), or nothing when the line is wrong, with the reason in *problem. --help and --version
// print and exit here.
std::optional<QString> machineFileAsked(QString *problem)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Change l'adressage IPv4 des services réseau, sur le système réel ou sur "
                       "une machine simulée."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Utilise la machine simulée décrite par FICHIER."),
        QStringLiteral("FICHIER"));
    parser.addOption(simulateOption);
    parser.addOption(QCommandLineOption(
        QStringLiteral("list"),
        QStringLiteral("Affiche les services réseau du système réel, ou de la machine simulée "
                       "de --simulate, un par ligne (champs séparés par des tabulations), puis "
                       "quitte.")));
    if (!parser.parse(QCoreApplication::arguments())) {
        *problem = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (parser.isSet(versionOption))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        *problem =
            QStringLiteral("argument inattendu « %1 »").arg(parser.positionalArguments().first());
        return std::nullopt;
    }
    return parser.isSet(simulateOption) ? parser.value(simulateOption) : QString();
}

// Whether the command line asks for an answer in text (the list, help, the version) rather than
// the window: read before any application object exists, so by hand, skipping the value of
// --simulate and what follows "--".
bool asksForText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        if (argument == "--simulate")
            ++i;
        else if (argument == "--list" || argument == "--help" || argument == "-h" ||
                 argument == "-?" || argument == "--version" || argument == "-v")
            return true;
    }
    return false;
}

// `brisvale --list`: the services the cards would show, for scripts and bug reports; also
// --help and --version. None needs a display, so they run before any window system is touched.
int answerInText(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisvale"));
    QCoreApplication::setOrganizationName(QStringLiteral("Brisvale"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISVALE_VERSION));
    QString problem;
    const std::optional<QString> machineFile = machineFileAsked(&problem);
    if (!machineFile)
        return fail(problem);
    QString machinePath;
    RealSystem real;
    const std::optional<SystemServices> services =
        chosenServices(*machineFile, false, &machinePath, &real, &problem);
    if (!services)
        return fail(problem);
    QFuture<AdapterRead> reading = services->readAdapters();
    reading.waitForFinished();
    const AdapterRead read = reading.result();
    if (read.failed())
        return fail(read.failure);
    std::fputs(serviceListing(read.adapters).toUtf8().constData(), stdout);
    return 0;
}

// With BRISVALE_TRACE_FRAMES set, each swapped frame of the main window prints "frame NS" and
// the first one that shows a card prints "cards NS" as well, NS being the monotonic clock in
// nanoseconds, so that a benchmark can time the start-up and count idle frames from outside.
void traceFrames(QQuickWindow *window)
{
    if (qEnvironmentVariableIsEmpty("BRISVALE_TRACE_FRAMES"))
        return;
    const auto now = [] {
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
    };
    // 0: no card shown yet; 1: the frame being made shows one; 2: reported.
    auto cards = std::make_shared<std::atomic<int>>(0);
    // Between polish and sync, on the main thread: which frame first shows a card.
    QObject::connect(window, &QQuickWindow::afterAnimating, window, [window, cards] {
        if (cards->load() != 0)
            return;
        auto *list = window->findChild<QQuickItem *>(QStringLiteral("cardList"));
        QQuickItem *first = nullptr;
        if (list &&
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, first),
                                      Q_ARG(int, 0)) &&
            first) {
            for (const QQuickItem *item = first; item; item = item->parentItem())
                if (!item->isVisible() || item->opacity() <= 0 || item->height() <= 0)
                    return;
            cards->store(1);
        }
    });
    // Possibly on the render thread: only print.
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [cards, now] {
            const long long at = now();
            std::printf("frame %lld\n", at);
            int expected = 1;
            if (cards->compare_exchange_strong(expected, 2))
                std::printf("cards %lld\n", at);
            std::fflush(stdout);
        },
        Qt::DirectConnection);
}

} // namespace

int main(int argc, char *argv[])
{
    if (asksForText(argc, argv))
        return answerInText(argc, argv);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Brisvale"));
    QGuiApplication::setOrganizationName(QStringLiteral("Brisvale"));
    QGuiApplication::setApplicationVersion(QStringLiteral(BRISVALE_VERSION));
    // Ties the windows to the installed desktop entry (its icon, under Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(BRISVALE_APP_ID));
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    QString problem;
    const std::optional<QString> machineFile = machineFileAsked(&problem);
    if (!machineFile)
        return fail(problem);
    QString machinePath;
    RealSystem real;
    const std::optional<SystemServices> chosen =
        chosenServices(*machineFile, true, &machinePath, &real, &problem);
    if (!chosen)
        return fail(problem);
    const SystemServices &services = *chosen;
    if (!machinePath.isEmpty()) {
        std::printf("Machine simulée : %s\n", qPrintable(machinePath));
        std::fflush(stdout);
        AppInfo::instance()->setSimulated(true);
        // Nobody asked for it: the window says why it shows the demo machine.
        if (machineFile->isEmpty())
            AppInfo::instance()->setSimulationCause(real.absence);
    } else {
        AppInfo::instance()->setRealSystem(real.name, real.version);
    }
    // Adding a font makes every window lay out all its text again, with fresh font engines, at
    // its next frame: the bundled symbols are added before there is a window, in the background
    // while the engine is made. Not sooner: the application must not end while it runs.
    QFuture<QString> symbolFont = QtConcurrent::run(&ThemeState::symbolFontFamily);
    AppModel model(services);
    if (!AppInfo::instance()->simulationCause().isEmpty())
        model.warn(AppInfo::instance()->simulationCause() +
                   QStringLiteral(" Brisvale montre la machine de démonstration : aucun réglage "
                                  "réseau réel ne sera modifié."));

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.setInitialProperties({{QStringLiteral("appModel"), QVariant::fromValue(&model)}});
    symbolFont.waitForFinished();
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Brisvale/qml/Main.qml")));
    auto *window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    if (!window)
        return 1;
    traceFrames(window);
    if (!machinePath.isEmpty())
        AppInfo::instance()->setMachinePath(machinePath);
    placeMainWindow(window);
    setWindowIconOnceLoaded(window, &model);

    std::unique_ptr<QuitDialogController> quitDialog;
    QuitGuard *guard = nullptr;
    AppDelegate delegate({
        [&engine, &quitDialog](const AppDelegate::QuitTexts &texts,
                               std::function<void(QuitChoice)> handler) {
            quitDialog = std::make_unique<QuitDialogController>(
                &engine, texts, [&quitDialog, handler](QuitChoice choice) {
                    // The dialog is done; let it go once this answer has been handled.
                    if (quitDialog)
                        quitDialog.release()->deleteLater();
                    handler(choice);
                });
            quitDialog->show();
        },
        [&guard](bool quit) {
            if (quit && guard)
                guard->quitNow();
        },
        [window] { showMainWindow(window); },
    });
    delegate.setModel(&model);
    guard = new QuitGuard(window, &delegate, &app);
#if QT_CONFIG(sessionmanager)
    QObject::connect(&app, &QGuiApplication::commitDataRequest, guard,
                     [guard](QSessionManager &) { guard->sessionEnding(); });
#endif
    // Reopening the application (its Dock icon) brings the window back.
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, window,
                     [window](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive && !window->isVisible())
                             showMainWindow(window);
                     });
    return QGuiApplication::exec();
}
