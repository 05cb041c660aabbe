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
        else if (argument == "--list" || argument == "--help" || argument == "-h" ||
                 argument == "-?" || argument == "--version" || argument == "-v")
            return true;
    }
    return false;
}

std::optional<QString> CommandLine::machineFileAsked(QString *problem)
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
