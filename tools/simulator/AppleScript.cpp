// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppleScript.h"

#include <QStringView>

namespace {

const QLatin1String statementStart("do shell script \"");
const QLatin1String statementEnd(" with administrator privileges");

AppleScript::Error syntaxError(qsizetype start, qsizetype end, const QString &text)
{
    return {true, start, end, text, -2741};
}

AppleScript::Error otherStatement(qsizetype length)
{
    return {false, 0, length,
            QStringLiteral("The simulated machine only runs do shell script \"…\" with "
                           "administrator privileges."),
            -1708};
}

} // namespace

std::variant<QString, AppleScript::Error> AppleScript::shellLine(const QString &statement)
{
    const qsizetype length = statement.size();
    if (!statement.startsWith(statementStart))
        return otherStatement(length);
    QString line;
    qsizetype i = statementStart.size();
    for (; i < length; ++i) {
        const QChar c = statement.at(i);
        if (c == u'"')
            break;
        if (c != u'\\') {
            line += c;
            continue;
        }
        if (i + 1 == length) {
            i = length;
            break;
        }
        const QChar escaped = statement.at(++i);
        if (escaped == u'\\' || escaped == u'"')
            line += escaped;
        else if (escaped == u'n')
            line += u'\n';
        else if (escaped == u't')
            line += u'\t';
        else if (escaped == u'r')
            line += u'\r';
        else
            return syntaxError(i - 1, i + 1,
                               QStringLiteral("Expected “\"” but found unknown token."));
    }
    if (i >= length)
        return syntaxError(length, length,
                           QStringLiteral("Expected “\"” but found end of script."));

    // A quote that ended the string too early leaves quotes in what follows: an odd number
    // opens a string that never ends.
    const QStringView rest = QStringView(statement).mid(i + 1);
    const qsizetype quotes = rest.count(u'"');
    if (quotes % 2 == 1)
        return syntaxError(length, length,
                           QStringLiteral("Expected “\"” but found end of script."));
    if (quotes > 0) {
        const qsizetype at = i + 1 + rest.indexOf(u'"');
        return syntaxError(at, at + 1, QStringLiteral("Expected end of line but found “\"”."));
    }
    if (rest != statementEnd)
        return otherStatement(length);
    return line;
}

std::optional<QList<QStringList>> AppleScript::networksetupRuns(const QString &line)
{
    // What sh reads as itself outside quotes; anything else may mean more to it.
    static const QString plain = QStringLiteral("-_./:,@+%=");
    QList<QStringList> runs{{}};
    QString word;
    bool inWord = false;
    const auto endWord = [&] {
        if (inWord)
            runs.last().append(word);
        word.clear();
        inWord = false;
    };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u' ' || c == u'\t') {
            endWord();
        } else if (c == u'&' && i + 1 < line.size() && line.at(i + 1) == u'&') {
            endWord();
            runs.append(QStringList());
            ++i;
        } else if (c == u'\'') {
            const qsizetype close = line.indexOf(u'\'', i + 1);
            if (close < 0)
                return std::nullopt;
            word += QStringView(line).sliced(i + 1, close - i - 1);
            inWord = true;
            i = close;
        } else if (c == u'\\' && i + 1 < line.size() && line.at(i + 1) != u'\n') {
            word += line.at(++i);
            inWord = true;
        } else if (c.isLetterOrNumber() || plain.contains(c)) {
            word += c;
            inWord = true;
        } else {
            return std::nullopt;
        }
    }
    endWord();
    for (const QStringList &run : runs) {
        if (run.value(0) != QLatin1String("/usr/sbin/networksetup"))
            return std::nullopt;
    }
    return runs;
}
