// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "SystemSettings.h"

#include "AppInfo.h"
#include "AppModel.h"

#include <QDesktopServices>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace {

const QString gnomeSettings = QStringLiteral("gnome-control-center");
const QString networkManagerEditor = QStringLiteral("nm-connection-editor");
const QString plasmaSettings = QStringLiteral("systemsettings");

SystemSettings::Step program(const QString &name, const QStringList &arguments)
{
    return {SystemSettings::Step::Kind::startProgram, name, arguments};
}

SystemSettings::Step address(const QString &url)
{
    return {SystemSettings::Step::Kind::openUrl, url, {}};
}

} // namespace

SystemSettings::SystemSettings(QObject *parent)
    : QObject(parent)
    // Only the system's kind: the settings programs are looked for when asked to open one,
    // not on the way to the first frame.
    , m_texts(textsFor(QOperatingSystemVersion::current().type() == QOperatingSystemVersion::MacOS))
{
    if (AppInfo::instance()->simulated())
        m_texts.networkSettingsToolTip = QStringLiteral("Ouvrir le fichier de la machine simulée");
}

SystemSettings::Texts SystemSettings::textsFor(bool macOS)
{
    if (macOS)
        return {
            .networkSettingsToolTip = QStringLiteral("Ouvrir les Réglages Réseau de macOS"),
            .authorizationToolTip =
                QStringLiteral("Les modifications réseau demandent l'autorisation de macOS. "
                               "La lecture reste sans privilège."),
            .emptyListHint = QStringLiteral(
                "Vérifiez les réglages Réseau de macOS, puis cliquez sur Actualiser."),
            .refreshShortcut = QStringLiteral("⌘R"),
        };
    return {
        .networkSettingsToolTip = QStringLiteral("Ouvrir les réglages réseau du bureau"),
        .authorizationToolTip = QStringLiteral(
            "Les modifications réseau passent par NetworkManager, qui demande le mot de passe "
            "administrateur quand la politique du système l'exige. La lecture reste sans "
            "privilège."),
        .emptyListHint =
            QStringLiteral("Vérifiez les réglages réseau du bureau, puis cliquez sur Actualiser."),
        .refreshShortcut = QStringLiteral("Ctrl+R"),
    };
}

SystemSettings *SystemSettings::create(QQmlEngine *engine, QJSEngine *)
{
    return new SystemSettings(engine);
}

QStringList SystemSettings::settingsPrograms()
{
    return {gnomeSettings, networkManagerEditor, plasmaSettings};
}

QList<SystemSettings::Step> SystemSettings::networkPlan(const Host &host)
{
    // The real settings change the real network, which a simulated machine stands in for.
    if (!host.simulationFile.isEmpty())
        return {address(QUrl::fromLocalFile(host.simulationFile).toString())};
    if (host.macOS) {
        // The panel moved to an extension with the redesigned settings of macOS 13.
        const QString panel =
            host.majorVersion > 12
                ? QStringLiteral("x-apple.systempreferences:com.apple.Network-Settings.extension")
                : QStringLiteral("x-apple.systempreferences:com.apple.preference.network");
        return {address(panel),
                address(QUrl::fromLocalFile(
                            QStringLiteral("/System/Library/PreferencePanes/Network.prefPane"))
                            .toString())};
    }

    QList<Step> desktopSteps;
    if (host.programs.contains(gnomeSettings))
        desktopSteps << program(gnomeSettings, {QStringLiteral("network")});
    if (host.programs.contains(networkManagerEditor))
        desktopSteps << program(networkManagerEditor, {});
    if (host.programs.contains(plasmaSettings)) {
        const Step plasma = program(plasmaSettings, {QStringLiteral("kcm_networkmanagement")});
        // On Plasma, its own settings before a GNOME panel that happens to be installed.
        if (host.desktop.split(u':').contains(QStringLiteral("KDE"), Qt::CaseInsensitive))
            desktopSteps.prepend(plasma);
        else
            desktopSteps << plasma;
    }
    return desktopSteps;
}

SystemSettings::Host SystemSettings::currentHost()
{
    Host host;
    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    host.macOS = os.type() == QOperatingSystemVersion::MacOS;
    host.majorVersion = os.majorVersion();
    host.desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    host.simulationFile =
        AppInfo::instance()->simulated() ? AppInfo::instance()->machinePath() : QString();
    if (!host.macOS && host.simulationFile.isEmpty()) {
        for (const QString &name : settingsPrograms()) {
            if (!QStandardPaths::findExecutable(name).isEmpty())
                host.programs.insert(name);
        }
    }
    return host;
}

bool SystemSettings::perform(const Step &step)
{
    if (step.kind == Step::Kind::startProgram)
        return QProcess::startDetached(step.target, step.arguments);
    const QUrl url(step.target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

SystemSettings::Outcome SystemSettings::open(const Host &host,
                                             const std::function<bool(const Step &)> &perform)
{
    const QList<Step> plan = networkPlan(host);
    const bool opened = std::any_of(plan.cbegin(), plan.cend(), perform);
    if (!host.simulationFile.isEmpty())
        return opened ? Outcome{QStringLiteral("Une machine simulée n'a pas de réglages réseau : "
                                               "son fichier est ouvert à la place (%1).")
                                    .arg(host.simulationFile),
                                false}
                      : Outcome{QStringLiteral("Une machine simulée n'a pas de réglages réseau, "
                                               "et son fichier n'a pas pu être ouvert : modifiez "
                                               "%1 avec un éditeur de texte.")
                                    .arg(host.simulationFile),
                                true};
    if (opened)
        return {};
    return {QStringLiteral("Aucun réglage réseau du bureau n'a été trouvé : installez "
                           "nm-connection-editor, ou les réglages de GNOME ou de KDE."),
            true};
}

void SystemSettings::openNetwork(AppModel *model)
{
    const Outcome outcome = open(currentHost(), &SystemSettings::perform);
    if (!model || outcome.message.isEmpty())
        return;
    if (outcome.problem)
        model->warn(outcome.message);
    else
        model->announce(outcome.message);
}
