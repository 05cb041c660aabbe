// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The one AppleScript statement the osascript stand-in understands, and nothing of AppleScript
// beyond it:
//
//     do shell script "LINE" with administrator privileges
//
// and the one kind of shell line it runs: networksetup, once or several times.
namespace AppleScript {

// An error as osascript reports it: "START:END: syntax error: TEXT (CODE)" or
// "0:END: execution error: TEXT (CODE)", positions in characters of the statement.
struct Error {
    bool syntax = false;
    qsizetype start = 0;
    qsizetype end = 0;
    QString text;
    int code = 0;
};

// The shell line inside the statement with the string's escapes undone (\\, \", \n, \t, \r),
// or the error osascript reports for it.
std::variant<QString, Error> shellLine(const QString &statement);

// The words of each command of a line that runs /usr/sbin/networksetup alone: commands joined
// by && and nothing else, words of plain characters, single-quoted text and backslash escapes,
// every command's first word the program. Nothing for any other line: another program, a ;, a
// pipe, a lone &, a redirection, an expansion, a newline outside quotes, an empty command.
std::optional<QList<QStringList>> networksetupRuns(const QString &line);

} // namespace AppleScript
