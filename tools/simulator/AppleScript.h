// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QString>

#include <variant>

// The one AppleScript statement the osascript stand-in understands, and nothing of AppleScript
// beyond it:
//
//     do shell script "LINE" with administrator privileges
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

} // namespace AppleScript
