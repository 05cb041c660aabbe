#include "model/AppModel.h"
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/SimulatedServices.h"
#include "system/SystemTools.h"
#include "ui/AppInfo.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
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
    if (!QDir().mkpath(folder) || !QFile::copy(QStringLiteral(BRISVALE_DEMO_MACHINE), path)) {
        *problem = QStringLiteral("impossible de créer la machine simulée « %1 »").arg(path);
        return {};
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Brisvale"));
    QGuiApplication::setOrganizationName(QStringLiteral("Brisvale"));
    QGuiApplication::setApplicationVersion(QStringLiteral(BRISVALE_VERSION));
    QQuickStyle::setStyle(QStringLiteral("Basic"));

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

    QString problem;
    QString machinePath = parser.isSet(simulateOption)
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
    AppModel model(simulatedServices(machinePath, SystemTools::simulated()));
    AppInfo::instance()->setSimulated(true);

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.setInitialProperties({{QStringLiteral("appModel"), QVariant::fromValue(&model)}});
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Brisvale/ui/qml/Main.qml")));
    return QGuiApplication::exec();
}
