// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The osascript stand-in's reading of a do shell script statement: any statement gets a line
// or an error with sane positions, and any line escaped as Brisvale escapes it comes back
// exactly; so do the words of the networksetup runs Brisvale chains, whatever they hold.

#include "AppleScript.h"
#include "FuzzTarget.h"
#include "NetworkWriter.h"

#include <QStringList>

QList<QByteArray> Fuzz::seeds()
{
    QList<QByteArray> seeds;
    for (const char *name : {"Wi-Fi", "d'Anne", "Salle \"B\"", "fin\\", "a\nb", "$(id)", "É"})
        seeds.append(
            NetworkWriter::privilegedScript({"-setdhcp", QString::fromUtf8(name)}).toUtf8());
    seeds.append(NetworkWriter::privilegedScript(
                     {"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0", "0.0.0.0"})
                     .toUtf8());
    seeds.append("do shell script \"x\\q\" with administrator privileges");
    seeds.append("display dialog \"x\"");
    return seeds;
}

QList<QByteArray> Fuzz::dictionary()
{
    // One '|' apart: the escapes, the statement's frame, and characters outside ASCII.
    return QByteArray(
               R"(\\|\"|\n|\t|\r|"|'\''|do shell script "|" with administrator privileges|“|😀)")
        .split('|');
}

void Fuzz::setUp() {}

void Fuzz::check(const QByteArray &input)
{
    const QString statement = QString::fromUtf8(input);
    const auto parsed = AppleScript::shellLine(statement);
    if (const auto *error = std::get_if<AppleScript::Error>(&parsed)) {
        FUZZ_CHECK(0 <= error->start && error->start <= error->end &&
                       error->end <= statement.size() && !error->text.isEmpty(),
                   input);
    }

    // The same bytes as a line to run, escaped for an AppleScript string then read back: as
    // Brisvale escapes it, and with the escapes AppleScript also has for control characters.
    QString escaped = statement;
    escaped.replace(u'\\', "\\\\").replace(u'"', "\\\"");
    QString controls = escaped;
    controls.replace(u'\n', "\\n").replace(u'\t', "\\t").replace(u'\r', "\\r");
    for (const QString &text : {escaped, controls}) {
        const auto line = AppleScript::shellLine("do shell script \"" + text +
                                                 "\" with administrator privileges");
        FUZZ_CHECK(std::holds_alternative<QString>(line) && std::get<QString>(line) == statement,
                   input);
    }

    const QString program = QStringLiteral("/usr/sbin/networksetup");
    const QList<QStringList> runs = {{"-setdhcp", statement}, {statement, "&&"}};
    const auto chained = AppleScript::shellLine(NetworkWriter::privilegedChain(runs));
    const auto read = AppleScript::networksetupRuns(std::get<QString>(chained));
    FUZZ_CHECK(read == QList<QStringList>(
                           {QStringList{program} + runs[0], QStringList{program} + runs[1]}),
               input);
}
