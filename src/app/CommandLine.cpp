// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <string_view>

// By hand, before any application object exists: skips the value of --simulate and what
// follows "--".
bool CommandLine::asksForText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        if (argument == "--simulate")
            ++i;
        else if (argument == "--list" || argument == "--profiles" ||
                 argument == "--apply-profile" || argument.starts_with("--apply-profile=") ||
                 argument == "--help" || argument == "-h" || argument == "-?" ||
                 argument == "--version" || argument == "-v")
            return true;
    }
    return false;
}

std::optional<CommandLine::Request> CommandLine::read(QString *problem)
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
    const QCommandLineOption profilesOption(
        QStringLiteral("profiles"),
        QStringLiteral("Affiche les profils enregistrés, un par ligne : nom, nombre de services, "
                       "actif ou inactif (séparés par des tabulations), puis quitte."));
    parser.addOption(profilesOption);
    const QCommandLineOption applyOption(
        QStringLiteral("apply-profile"),
        QStringLiteral("Applique le profil NOM, tout ou rien, et affiche le résultat par "
                       "service. Code de sortie : 0 appliqué et vérifié, 1 non appliqué et "
                       "configuration précédente rétablie, 3 non rétablie, 2 erreur d'usage, "
                       "profil inconnu ou fichier illisible."),
        QStringLiteral("NOM"));
    parser.addOption(applyOption);
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
    Request request;
    request.machineFile = parser.isSet(simulateOption) ? parser.value(simulateOption) : QString();
    const int answers = int(parser.isSet(QStringLiteral("list"))) +
                        int(parser.isSet(profilesOption)) + int(parser.isSet(applyOption));
    if (answers > 1) {
        *problem = QStringLiteral("--list, --profiles et --apply-profile s'excluent");
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("list")))
        request.answer = Request::Answer::list;
    else if (parser.isSet(profilesOption))
        request.answer = Request::Answer::profiles;
    else if (parser.isSet(applyOption)) {
        request.answer = Request::Answer::applyProfile;
        request.profile = parser.value(applyOption);
    }
    return request;
}
