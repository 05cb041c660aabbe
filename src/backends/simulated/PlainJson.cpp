// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlainJson.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// Qt's own limit, counted in objects and lists.
constexpr int maximumDepth = 1024;

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void appendUtf8(std::string &out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at text[at], 0 when there is none: no overlong
// forms, no surrogates, nothing past U+10FFFF, as Qt requires.
size_t utf8Length(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return i < text.size() ? (unsigned char)text[i] : 0u; };
    const unsigned lead = byte(at);
    const auto continuation = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned second = byte(at + 1);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F))
            return 0;
        return continuation(at + 1) && continuation(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned second = byte(at + 1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return 0;
        return continuation(at + 1) && continuation(at + 2) && continuation(at + 3) ? 4 : 0;
    }
    return 0;
}

bool isHighSurrogate(char32_t code)
{
    return code >= 0xD800 && code <= 0xDBFF;
}

bool isLowSurrogate(char32_t code)
{
    return code >= 0xDC00 && code <= 0xDFFF;
}

} // namespace

class PlainJson::Reader {
public:
    explicit Reader(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<PlainJson> document()
    {
        static constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
        if (m_text.size() > byteOrderMark.size() && m_text.substr(0, 3) == byteOrderMark)
            m_at = byteOrderMark.size();
        skipSpace();
        PlainJson root;
        if ((!at('{') && !at('[')) || !value(root, 0))
            return std::nullopt;
        skipSpace();
        if (m_at != m_text.size())
            return std::nullopt;
        return root;
    }

    bool exact() const { return m_exact; }

private:
    // Each value is read in place, where its container keeps it: a machine file holds
    // thousands of them, and moving each one up through the recursion was most of the work.
    bool value(PlainJson &out, int depth)
    {
        if (m_at >= m_text.size())
            return false;
        out.m_begin = m_at;
        bool read = false;
        switch (m_text[m_at]) {
        case '{':
        case '[':
            read =
                depth < maximumDepth && (at('{') ? object(out, depth + 1) : array(out, depth + 1));
            break;
        case '"':
            out.m_kind = Kind::string;
            read = string(out.m_string);
            break;
        case 't':
        case 'f':
            out.m_kind = Kind::boolean;
            out.m_boolean = at('t');
            read = word(out.m_boolean ? "true" : "false");
            break;
        case 'n':
            read = word("null");
            break;
        default:
            read = number(out);
        }
        out.m_end = m_at;
        return read;
    }

    bool object(PlainJson &out, int depth)
    {
        out.m_kind = Kind::object;
        ++m_at;
        skipSpace();
        if (take('}'))
            return true;
        for (;;) {
            const size_t nameBegin = m_at;
            auto &member = out.m_members.emplace_back();
            if (!at('"') || !string(member.first))
                return false;
            skipSpace();
            if (!take(':'))
                return false;
            skipSpace();
            if (!value(member.second, depth))
                return false;
            member.second.m_nameBegin = nameBegin;
            skipSpace();
            if (take('}'))
                break;
            if (!take(','))
                return false;
            skipSpace();
        }
        // Qt keeps the last of equal names, sorted among the others: not mirrored here.
        if (out.m_members.size() > 1) {
            std::vector<std::string_view> names;
            names.reserve(out.m_members.size());
            for (const auto &member : out.m_members)
                names.push_back(member.first);
            std::sort(names.begin(), names.end());
            if (std::adjacent_find(names.begin(), names.end()) != names.end())
                m_exact = false;
        }
        return true;
    }

    bool array(PlainJson &out, int depth)
    {
        out.m_kind = Kind::array;
        ++m_at;
        skipSpace();
        if (take(']'))
            return true;
        for (;;) {
            if (!value(out.m_items.emplace_back(), depth))
                return false;
            skipSpace();
            if (take(']'))
                return true;
            if (!take(','))
                return false;
            skipSpace();
        }
    }

    bool string(std::string &out)
    {
        ++m_at;
        while (m_at < m_text.size()) {
            // Control characters are kept as they are, as Qt keeps them.
            const size_t run = m_at;
            while (m_at < m_text.size() && (unsigned char)m_text[m_at] < 0x80 &&
                   m_text[m_at] != '"' && m_text[m_at] != '\\')
                ++m_at;
            out.append(m_text.substr(run, m_at - run));
            if (m_at >= m_text.size())
                return false;
            const auto c = (unsigned char)m_text[m_at];
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c >= 0x80) {
                const size_t length = utf8Length(m_text, m_at);
                if (length == 0)
                    return false;
                out.append(m_text.substr(m_at, length));
                m_at += length;
                continue;
            }
            if (++m_at >= m_text.size())
                return false;
            if (!escape(out, (unsigned char)m_text[m_at++]))
                return false;
        }
        return false;
    }

    bool escape(std::string &out, unsigned char escape)
    {
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            out += char(escape);
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            // Qt takes the byte itself as a character; JSON knows no such escape.
            m_exact = false;
            appendUtf8(out, escape);
            return true;
        }
        std::optional<char32_t> code = hexCode();
        if (!code)
            return false;
        if (isHighSurrogate(*code) && m_text.substr(m_at, 2) == "\\u") {
            const size_t pairStart = m_at;
            m_at += 2;
            const std::optional<char32_t> low = hexCode();
            if (low && isLowSurrogate(*low))
                code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
            else
                m_at = pairStart;
        }
        if (isHighSurrogate(*code) || isLowSurrogate(*code)) {
            m_exact = false;
            out += '?';
        } else {
            appendUtf8(out, *code);
        }
        return true;
    }

    std::optional<char32_t> hexCode()
    {
        if (m_text.size() - m_at < 4)
            return std::nullopt;
        char32_t code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = m_text[m_at++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= char32_t(h - '0');
            else if (h >= 'a' && h <= 'f')
                code |= char32_t(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                code |= char32_t(h - 'A' + 10);
            else
                return std::nullopt;
        }
        return code;
    }

    // Qt's grammar, which lets digits be missing around the point or after the exponent; exact
    // only for RFC 8259's, within the range of a double.
    bool number(PlainJson &out)
    {
        const size_t start = m_at;
        take('-');
        const bool integral = take('0') || digits() > 0;
        bool rfc = integral;
        if (take('.'))
            rfc = digits() > 0 && rfc;
        if (take('e') || take('E')) {
            if (!take('+'))
                take('-');
            rfc = digits() > 0 && rfc;
        }
        const std::string literal(m_text.substr(start, m_at - start));
        errno = 0;
        char *end = nullptr;
        out.m_kind = Kind::number;
        out.m_number = std::strtod(literal.c_str(), &end);
        if (literal.empty() || end != literal.c_str() + literal.size())
            return false;
        if (!rfc || errno == ERANGE || !std::isfinite(out.m_number))
            m_exact = false;
        return true;
    }

    size_t digits()
    {
        const size_t from = m_at;
        while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9')
            ++m_at;
        return m_at - from;
    }

    bool word(std::string_view expected)
    {
        if (m_text.substr(m_at, expected.size()) != expected)
            return false;
        m_at += expected.size();
        return true;
    }

    bool at(char c) const { return m_at < m_text.size() && m_text[m_at] == c; }

    bool take(char c)
    {
        if (!at(c))
            return false;
        ++m_at;
        return true;
    }

    void skipSpace()
    {
        while (m_at < m_text.size() && isJsonSpace(m_text[m_at]))
            ++m_at;
    }

    std::string_view m_text;
    size_t m_at = 0;
    bool m_exact = true;
};

std::optional<PlainJson> PlainJson::parse(std::string_view text, bool *exact)
{
    Reader reader(text);
    std::optional<PlainJson> document = reader.document();
    if (exact)
        *exact = document && reader.exact();
    return document;
}

const PlainJson *PlainJson::member(std::string_view name) const
{
    const auto found = std::find_if(m_members.begin(), m_members.end(),
                                    [name](const auto &member) { return member.first == name; });
    return found == m_members.end() ? nullptr : &found->second;
}

std::string PlainJson::text(std::string_view name) const
{
    const PlainJson *value = member(name);
    return value && value->isString() ? value->m_string : std::string();
}
