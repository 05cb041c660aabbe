// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "JsonTextRewriter.h"

#include "PlainJson.h"

#include <QByteArrayList>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The order the format documents, for keys a change adds; others follow in sorted order.
const QStringList documentedKeyOrder = {
    QStringLiteral("ServiceID"), QStringLiteral("UserDefinedName"),
    QStringLiteral("Enabled"),   QStringLiteral("Interface"),
    QStringLiteral("IPv4"),      QStringLiteral("ConfigMethod"),
    QStringLiteral("Addresses"), QStringLiteral("SubnetMasks"),
    QStringLiteral("Router"),    QStringLiteral("ChangedAt"),
};

// Where each value lies in the old text comes from PlainJson, whose names are UTF-8.
QString keyOf(const std::pair<std::string, PlainJson> &member)
{
    return QString::fromStdString(member.first);
}

QStringList orderedKeys(const QJsonObject &object, const PlainJson *hint)
{
    QStringList keys;
    if (hint) {
        for (const auto &member : hint->members()) {
            if (object.contains(keyOf(member)) && !keys.contains(keyOf(member)))
                keys.append(keyOf(member));
        }
    }
    QStringList added;
    for (const QString &key : object.keys()) {
        if (!keys.contains(key))
            added.append(key);
    }
    std::stable_sort(added.begin(), added.end(), [](const QString &a, const QString &b) {
        const auto rank = [](const QString &key) {
            const qsizetype index = documentedKeyOrder.indexOf(key);
            return index < 0 ? documentedKeyOrder.size() : index;
        };
        return rank(a) < rank(b);
    });
    return keys + added;
}

const PlainJson *childNamed(const PlainJson *span, const QString &key)
{
    return span ? span->member(key.toStdString()) : nullptr;
}

// The i-th item of a list, or the value of the i-th member of an object.
const PlainJson *childAt(const PlainJson *span, qsizetype i)
{
    if (!span)
        return nullptr;
    if (span->isArray())
        return i < qsizetype(span->items().size()) ? &span->items()[size_t(i)] : nullptr;
    return i < qsizetype(span->members().size()) ? &span->members()[size_t(i)].second : nullptr;
}

QByteArray scalarText(const QJsonValue &value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

bool isContainer(const QJsonValue &value)
{
    return value.isObject() || value.isArray();
}

class TextRewriter {
public:
    explicit TextRewriter(const QByteArray &text)
        : m_text(text)
    {
    }

    // The new text, or nothing when the old one could not be followed.
    std::optional<QByteArray> rewrite(const QJsonObject &before, const QJsonObject &after)
    {
        const std::optional<PlainJson> root =
            PlainJson::parse(std::string_view(m_text.constData(), size_t(m_text.size())));
        if (!root)
            return std::nullopt;
        if (!root->members().empty()) {
            const QByteArray indent = lineIndent(begin(root->members().front().second, true));
            if (!indent.isEmpty())
                m_unit = indent;
        }
        return m_text.left(begin(*root)) + value(*root, before, after) + m_text.mid(end(*root));
    }

private:
    // Lines written anew are kept to the width of the lines around them.
    static constexpr qsizetype lineWidth = 120;

    static qsizetype begin(const PlainJson &span, bool name = false)
    {
        return qsizetype(name ? span.nameBegin() : span.begin());
    }

    static qsizetype end(const PlainJson &span) { return qsizetype(span.end()); }

    QByteArray original(const PlainJson &span) const
    {
        return m_text.mid(begin(span), end(span) - begin(span));
    }

    qsizetype lineStart(qsizetype position) const
    {
        return m_text.lastIndexOf('\n', position - 1) + 1;
    }

    QByteArray lineIndent(qsizetype position) const
    {
        qsizetype end = lineStart(position);
        const qsizetype start = end;
        while (end < position && (m_text.at(end) == ' ' || m_text.at(end) == '\t'))
            ++end;
        return m_text.mid(start, end - start);
    }

    qsizetype column(qsizetype position) const { return position - lineStart(position); }

    QByteArray value(const PlainJson &span, const QJsonValue &before, const QJsonValue &after)
    {
        if (before == after)
            return original(span);
        std::optional<QByteArray> text;
        if (before.isObject() && after.isObject())
            text = object(span, before.toObject(), after.toObject());
        else if (before.isArray() && after.isArray())
            text = array(span, before.toArray(), after.toArray());
        if (text)
            return *text;
        return format(after, lineIndent(begin(span)), column(begin(span)), &span);
    }

    // Members that changed are written in place. Added ones go after the last one, on lines of
    // their own; an object on one line gets formatted whole instead, so that it may stay on
    // one line, and so does one that lost a member, whose separators would be left behind.
    std::optional<QByteArray> object(const PlainJson &span, const QJsonObject &before,
                                     const QJsonObject &after)
    {
        if (span.members().empty() || qsizetype(span.members().size()) != before.size())
            return std::nullopt;
        for (auto it = before.begin(); it != before.end(); ++it) {
            if (!after.contains(it.key()))
                return std::nullopt;
        }
        if (after.size() > before.size() && !original(span).contains('\n'))
            return std::nullopt;
        QByteArray text;
        qsizetype cursor = begin(span);
        for (const auto &member : span.members()) {
            const QJsonValue old = before.value(keyOf(member));
            const QJsonValue now = after.value(keyOf(member));
            if (old == now)
                continue;
            text += m_text.mid(cursor, begin(member.second) - cursor);
            text += value(member.second, old, now);
            cursor = end(member.second);
        }
        const PlainJson &last = span.members().back().second;
        text += m_text.mid(cursor, end(last) - cursor);
        const QByteArray indent = lineIndent(begin(last, true));
        for (const QString &key : orderedKeys(after, &span)) {
            if (before.contains(key))
                continue;
            const QByteArray name = scalarText(key) + ": ";
            text += ",\n" + indent + name +
                    format(after.value(key), indent, indent.size() + name.size(), nullptr);
        }
        text += m_text.mid(end(last), end(span) - end(last));
        return text;
    }

    std::optional<QByteArray> array(const PlainJson &span, const QJsonArray &before,
                                    const QJsonArray &after)
    {
        if (before.size() != after.size() || qsizetype(span.items().size()) != before.size())
            return std::nullopt;
        QByteArray text;
        qsizetype cursor = begin(span);
        for (qsizetype i = 0; i < before.size(); ++i) {
            if (before.at(i) == after.at(i))
                continue;
            const PlainJson &element = span.items().at(size_t(i));
            text += m_text.mid(cursor, begin(element) - cursor);
            text += value(element, before.at(i), after.at(i));
            cursor = end(element);
        }
        text += m_text.mid(cursor, end(span) - cursor);
        return text;
    }

    // One line for a list of plain values, or an object of plain values and such lists, when
    // it fits, as the demo machine is laid out; otherwise one member per line.
    static std::optional<QByteArray> oneLine(const QJsonValue &value, const PlainJson *hint,
                                             int depth)
    {
        if (!isContainer(value))
            return scalarText(value);
        if (depth > 1)
            return std::nullopt;
        QByteArrayList parts;
        if (value.isArray()) {
            for (const QJsonValue element : value.toArray()) {
                if (isContainer(element))
                    return std::nullopt;
                parts.append(scalarText(element));
            }
            return '[' + parts.join(", ") + ']';
        }
        const QJsonObject object = value.toObject();
        if (object.isEmpty())
            return QByteArray("{}");
        for (const QString &key : orderedKeys(object, hint)) {
            const QJsonValue member = object.value(key);
            if (member.isObject())
                return std::nullopt;
            const std::optional<QByteArray> text = oneLine(member, nullptr, depth + 1);
            if (!text)
                return std::nullopt;
            parts.append(scalarText(key) + ": " + *text);
        }
        return "{ " + parts.join(", ") + " }";
    }

    QByteArray format(const QJsonValue &value, const QByteArray &indent, qsizetype column,
                      const PlainJson *hint) const
    {
        if (const std::optional<QByteArray> line = oneLine(value, hint, 0)) {
            // The comma that may follow counts too.
            if (column + line->size() + 1 <= lineWidth)
                return *line;
        }
        const QByteArray inner = indent + m_unit;
        QByteArrayList lines;
        if (value.isArray()) {
            const QJsonArray array = value.toArray();
            for (qsizetype i = 0; i < array.size(); ++i)
                lines.append(inner + format(array.at(i), inner, inner.size(), childAt(hint, i)));
            return "[\n" + lines.join(",\n") + '\n' + indent + ']';
        }
        const QJsonObject object = value.toObject();
        for (const QString &key : orderedKeys(object, hint)) {
            const QByteArray name = scalarText(key) + ": ";
            lines.append(inner + name +
                         format(object.value(key), inner, inner.size() + name.size(),
                                childNamed(hint, key)));
        }
        return "{\n" + lines.join(",\n") + '\n' + indent + '}';
    }

    const QByteArray &m_text;
    QByteArray m_unit = "  ";
};

} // namespace

QByteArray JsonTextRewriter::rewritten(const QByteArray &old, const QJsonObject &before,
                                       const QJsonObject &after)
{
    if (const std::optional<QByteArray> text = TextRewriter(old).rewrite(before, after)) {
        QJsonParseError error;
        const QJsonDocument check = QJsonDocument::fromJson(*text, &error);
        if (error.error == QJsonParseError::NoError && check.isObject() && check.object() == after)
            return *text;
    }
    return QJsonDocument(after).toJson(QJsonDocument::Indented);
}
