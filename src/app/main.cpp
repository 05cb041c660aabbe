// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppDelegate.h"
#include "AppInfo.h"
#include "AppModel.h"
#include "CommandLine.h"
#include "FrameTrace.h"
#include "MainWindow.h"
#include "ProfilesModel.h"
#include "QuitDialogController.h"
#include "QuitGuard.h"
#include "StartUp.h"
#include "ThemeState.h"

#include <QFuture>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtConcurrent/QtConcurrentRun>
#include <QtQml/QQmlExtensionPlugin>

#include <functional>
#include <memory>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

int main(int argc, char *argv[])
{
    if (CommandLine::asksForText(argc, argv))
        return StartUp::answerInText(argc, argv);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Brisvale"));
    QGuiApplication::setOrganizationName(QStringLiteral("Brisvale"));
    QGuiApplication::setApplicationVersion(QStringLiteral(BRISVALE_VERSION));
    // Ties the windows to the installed desktop entry (its icon, under Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(BRISVALE_APP_ID));
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    QString problem;
    const std::optional<CommandLine::Request> request = CommandLine::read(&problem);
    if (!request)
        return StartUp::fail(problem);
    const QString &machineFile = request->machineFile;
    QString machinePath;
    RealSystem real;
    const std::optional<SystemServices> chosen =
        StartUp::chosenServices(machineFile, true, &machinePath, &real, &problem);
    if (!chosen)
        return StartUp::fail(problem);
    const SystemServices &services = *chosen;
    if (!machinePath.isEmpty()) {
        std::printf("Machine simulée : %s\n", qPrintable(machinePath));
        std::fflush(stdout);
        AppInfo::instance()->setSimulated(true);
        // Nobody asked for it: the window says why it shows the demo machine.
        if (machineFile.isEmpty())
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

    ProfilesModel profiles(StartUp::profilesPath(), &model);

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.setInitialProperties({{QStringLiteral("appModel"), QVariant::fromValue(&model)},
                                 {QStringLiteral("profiles"), QVariant::fromValue(&profiles)}});
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
    MainWindow::place(window);
    MainWindow::setIconOnceLoaded(window, &model);

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
        [window] { MainWindow::show(window); },
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
                             MainWindow::show(window);
                     });
    return QGuiApplication::exec();
}
