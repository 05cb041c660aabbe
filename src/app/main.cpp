#include "app/AppDelegate.h"
#include "app/QuitDialogController.h"
#include "app/QuitGuard.h"
#include "model/AppModel.h"
#include "platform/PlatformServices.h"
#include "platform/simulated/SimulatedMachine.h"
#include "system/SystemTools.h"
#include "ui/AppInfo.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QtQml/QQmlExtensionPlugin>

#include <cstdio>

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
    showMainWindow(window);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Brisvale"));
    QGuiApplication::setOrganizationName(QStringLiteral("Brisvale"));
    QGuiApplication::setApplicationVersion(QStringLiteral(BRISVALE_VERSION));
    // Ties the windows to the installed desktop entry (its icon, under Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(BRISVALE_APP_ID));
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/brisvale/brisvale-icon.png")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Change l'adressage IPv4 des services réseau, ici sur une machine simulée."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Utilise la machine simulée décrite par FICHIER."),
        QStringLiteral("FICHIER"));
    parser.addOption(simulateOption);
    if (!parser.parse(QGuiApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (parser.isSet(versionOption))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("argument inattendu « %1 »").arg(parser.positionalArguments().first()));

    const Backend backend = chooseBackend(realSystemAvailable(), parser.isSet(simulateOption));
    QString machinePath;
    SystemServices services;
    if (backend == Backend::realSystem) {
        services = realSystemServices();
    } else {
        QString problem;
        machinePath = parser.isSet(simulateOption)
                          ? QFileInfo(parser.value(simulateOption)).absoluteFilePath()
                          : userMachinePath(&problem);
        if (machinePath.isEmpty())
            return fail(problem);
        if (!SimulatedMachine::load(machinePath, &problem))
            return fail(problem);
        std::printf("Machine simulée : %s\n", qPrintable(machinePath));
        std::fflush(stdout);
        // The stand-in programs find the machine through the environment, like every child.
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(machinePath));
        services = simulatedServices(machinePath, SystemTools::simulated());
        AppInfo::instance()->setSimulated(true);
    }
    AppModel model(services);

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.setInitialProperties({{QStringLiteral("appModel"), QVariant::fromValue(&model)}});
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Brisvale/ui/qml/Main.qml")));
    auto *window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    if (!window)
        return 1;
    if (!machinePath.isEmpty())
        model.announce(QStringLiteral("Machine simulée : %1").arg(machinePath));
    placeMainWindow(window);

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
    QObject::connect(window, SIGNAL(quitRequested()), guard, SLOT(requestQuit()));
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
