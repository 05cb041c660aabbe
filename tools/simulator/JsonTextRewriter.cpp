// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "JsonTextRewriter.h"

#include <QByteArrayList>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Where one value lies in the text; objects and arrays know where each of their children is.
struct Span {
    qsizetype begin = 0;
    qsizetype end = 0; // one past the value's last byte
    // For a member of an object: its key and where the key's opening quote is.
    QString key;
    qsizetype keyBegin = -1;
    std::vector<Span> children;
};

// Trusts nothing: any surprise gives up, and the caller falls back to a plain rewrite.
class SpanScanner {
public:
    explicit SpanScanner(const QByteArray &text)
        : m_text(text)
    {
    }

    std::optional<Span> document()
    {
        std::optional<Span> root = value(0);
        skipSpace();
        if (!root || m_pos != m_text.size())
            return std::nullopt;
        return root;
    }

private:
    // QJsonDocument refuses deeper documents anyway.
    static constexpr int maximumDepth = 1024;

    bool at(char c) const { return m_pos < m_text.size() && m_text.at(m_pos) == c; }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void skipSpace()
    {
        while (m_pos < m_text.size() && isSpace(m_text.at(m_pos)))
            ++m_pos;
    }

    bool skipString()
    {
        if (!at('"'))
            return false;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text.at(m_pos);
            if (c == '\\') {
                ++m_pos;
            } else if (c == '"') {
                ++m_pos;
                return true;
            }
        }
        return false;
    }

    std::optional<QString> memberKey()
    {
        const qsizetype begin = m_pos;
        if (!skipString())
            return std::nullopt;
        // Escapes are rare in keys; letting the real parser decode them keeps the scanner from
        // having its own idea of JSON strings.
        const QByteArray token = m_text.mid(begin, m_pos - begin);
        const QJsonArray decoded = QJsonDocument::fromJson('[' + token + ']').array();
        if (decoded.size() != 1 || !decoded.at(0).isString())
            return std::nullopt;
        return decoded.at(0).toString();
    }

    std::optional<Span> value(int depth)
    {
        skipSpace();
        if (m_pos >= m_text.size() || depth > maximumDepth)
            return std::nullopt;
        Span span;
        span.begin = m_pos;
        const char first = m_text.at(m_pos);
        if (first == '{' || first == '[') {
            const char close = first == '{' ? '}' : ']';
            ++m_pos;
            skipSpace();
            if (at(close)) {
                ++m_pos;
            } else {
                for (;;) {
                    skipSpace();
                    QString key;
                    const qsizetype keyBegin = m_pos;
                    if (first == '{') {
                        const std::optional<QString> name = memberKey();
                        skipSpace();
                        if (!name || !at(':'))
                            return std::nullopt;
                        ++m_pos;
                        key = *name;
                    }
                    std::optional<Span> child = value(depth + 1);
                    if (!child)
                        return std::nullopt;
                    if (first == '{') {
                        child->key = key;
                        child->keyBegin = keyBegin;
                    }
                    span.children.push_back(std::move(*child));
                    skipSpace();
                    if (at(',')) {
                        ++m_pos;
                        continue;
                    }
                    if (!at(close))
                        return std::nullopt;
                    ++m_pos;
                    break;
                }
            }
        } else if (first == '"') {
            if (!skipString())
                return std::nullopt;
        } else {
            // A number or a literal runs up to the next separator.
            while (m_pos < m_text.size() && !isSpace(m_text.at(m_pos)) &&
                   !QByteArrayView(",:]}").contains(m_text.at(m_pos)))
                ++m_pos;
            if (m_pos == span.begin)
                return std::nullopt;
        }
        span.end = m_pos;
        return span;
    }

    const QByteArray &m_text;
    qsizetype m_pos = 0;
};

// The order the format documents, for keys a change adds; others follow in sorted order.
const QStringList documentedKeyOrder = {
    QStringLiteral("ServiceID"), QStringLiteral("UserDefinedName"),
    QStringLiteral("Enabled"),   QStringLiteral("Interface"),
    QStringLiteral("IPv4"),      QStringLiteral("ConfigMethod"),
    QStringLiteral("Addresses"), QStringLiteral("SubnetMasks"),
    QStringLiteral("Router"),    QStringLiteral("ChangedAt"),
};

QStringList orderedKeys(const QJsonObject &object, const Span *hint)
{
    QStringList keys;
    if (hint) {
        for (const Span &member : hint->children) {
            if (object.contains(member.key) && !keys.contains(member.key))
                keys.append(member.key);
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

const Span *childNamed(const Span *span, const QString &key)
{
    if (!span)
        return nullptr;
    for (const Span &member : span->children) {
        if (member.key == key)
            return &member;
    }
    return nullptr;
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
        const std::optional<Span> root = SpanScanner(m_text).document();
        if (!root)
            return std::nullopt;
        if (!root->children.empty()) {
            const QByteArray indent = lineIndent(root->children.front().keyBegin);
            if (!indent.isEmpty())
                m_unit = indent;
        }
        return m_text.left(root->begin) + value(*root, before, after) + m_text.mid(root->end);
    }

private:
    // Lines written anew are kept to the width of the lines around them.
    static constexpr qsizetype lineWidth = 120;

    QByteArray original(const Span &span) const
    {
        return m_text.mid(span.begin, span.end - span.begin);
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

    QByteArray value(const Span &span, const QJsonValue &before, const QJsonValue &after)
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
        return format(after, lineIndent(span.begin), column(span.begin), &span);
    }

    // Members that changed are written in place. Added ones go after the last one, on lines of
    // their own; an object on one line gets formatted whole instead, so that it may stay on
    // one line, and so does one that lost a member, whose separators would be left behind.
    std::optional<QByteArray> object(const Span &span, const QJsonObject &before,
                                     const QJsonObject &after)
    {
        if (span.children.empty() || qsizetype(span.children.size()) != before.size())
            return std::nullopt;
        for (auto it = before.begin(); it != before.end(); ++it) {
            if (!after.contains(it.key()))
                return std::nullopt;
        }
        if (after.size() > before.size() && !original(span).contains('\n'))
            return std::nullopt;
        QByteArray text;
        qsizetype cursor = span.begin;
        for (const Span &member : span.children) {
            const QJsonValue old = before.value(member.key);
            const QJsonValue now = after.value(member.key);
            if (old == now)
                continue;
            text += m_text.mid(cursor, member.begin - cursor);
            text += value(member, old, now);
            cursor = member.end;
        }
        const Span &last = span.children.back();
        text += m_text.mid(cursor, last.end - cursor);
        const QByteArray indent = lineIndent(last.keyBegin);
        for (const QString &key : orderedKeys(after, &span)) {
            if (before.contains(key))
                continue;
            const QByteArray name = scalarText(key) + ": ";
            text += ",\n" + indent + name +
                    format(after.value(key), indent, indent.size() + name.size(), nullptr);
        }
        text += m_text.mid(last.end, span.end - last.end);
        return text;
    }

    std::optional<QByteArray> array(const Span &span, const QJsonArray &before,
                                    const QJsonArray &after)
    {
        if (before.size() != after.size() || qsizetype(span.children.size()) != before.size())
            return std::nullopt;
        QByteArray text;
        qsizetype cursor = span.begin;
        for (qsizetype i = 0; i < before.size(); ++i) {
            if (before.at(i) == after.at(i))
                continue;
            const Span &element = span.children.at(size_t(i));
            text += m_text.mid(cursor, element.begin - cursor);
            text += value(element, before.at(i), after.at(i));
            cursor = element.end;
        }
        text += m_text.mid(cursor, span.end - cursor);
        return text;
    }

    // One line for a list of plain values, or an object of plain values and such lists, when
    // it fits, as the demo machine is laid out; otherwise one member per line.
    static std::optional<QByteArray> oneLine(const QJsonValue &value, const Span *hint, int depth)
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
                      const Span *hint) const
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
            for (qsizetype i = 0; i < array.size(); ++i) {
                const Span *child = hint && i < qsizetype(hint->children.size())
                                        ? &hint->children.at(size_t(i))
                                        : nullptr;
                lines.append(inner + format(array.at(i), inner, inner.size(), child));
            }
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
