// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlainJson.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {

// Far below Qt's own limit; a machine file nests four levels.
constexpr int maximumDepth = 64;

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void appendUtf8(std::string &out, unsigned code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at text[at], 0 when there is none: no overlong
// forms, no surrogates, nothing past U+10FFFF.
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

} // namespace

class PlainJson::Reader {
public:
    explicit Reader(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<PlainJson> document()
    {
        skipSpace();
        std::optional<PlainJson> value = this->value(0);
        skipSpace();
        if (!value || m_at != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    std::optional<PlainJson> value(int depth)
    {
        if (depth > maximumDepth || m_at >= m_text.size())
            return std::nullopt;
        PlainJson result;
        switch (m_text[m_at]) {
        case '{':
            return object(depth);
        case '[':
            return array(depth);
        case '"': {
            std::optional<std::string> text = string();
            if (!text)
                return std::nullopt;
            result.m_kind = Kind::string;
            result.m_string = std::move(*text);
            return result;
        }
        case 't':
        case 'f':
            result.m_kind = Kind::boolean;
            result.m_boolean = m_text[m_at] == 't';
            return word(result.m_boolean ? "true" : "false") ? std::optional(result) : std::nullopt;
        case 'n':
            return word("null") ? std::optional(result) : std::nullopt;
        default:
            return number();
        }
    }

    std::optional<PlainJson> object(int depth)
    {
        PlainJson result;
        result.m_kind = Kind::object;
        std::set<std::string> names;
        ++m_at;
        skipSpace();
        if (take('}'))
            return result;
        for (;;) {
            skipSpace();
            if (m_at >= m_text.size() || m_text[m_at] != '"')
                return std::nullopt;
            std::optional<std::string> name = string();
            // Which of two equal names Qt keeps is its own affair: not ours to guess.
            if (!name || !names.insert(*name).second)
                return std::nullopt;
            skipSpace();
            if (!take(':'))
                return std::nullopt;
            skipSpace();
            std::optional<PlainJson> member = value(depth + 1);
            if (!member)
                return std::nullopt;
            result.m_members.emplace_back(std::move(*name), std::move(*member));
            skipSpace();
            if (take('}'))
                return result;
            if (!take(','))
                return std::nullopt;
        }
    }

    std::optional<PlainJson> array(int depth)
    {
        PlainJson result;
        result.m_kind = Kind::array;
        ++m_at;
        skipSpace();
        if (take(']'))
            return result;
        for (;;) {
            skipSpace();
            std::optional<PlainJson> item = value(depth + 1);
            if (!item)
                return std::nullopt;
            result.m_items.push_back(std::move(*item));
            skipSpace();
            if (take(']'))
                return result;
            if (!take(','))
                return std::nullopt;
        }
    }

    std::optional<std::string> string()
    {
        std::string out;
        ++m_at;
        while (m_at < m_text.size()) {
            const unsigned char c = (unsigned char)m_text[m_at];
            if (c == '"') {
                ++m_at;
                return out;
            }
            if (c < 0x20)
                return std::nullopt;
            if (c >= 0x80) {
                const size_t length = utf8Length(m_text, m_at);
                if (length == 0)
                    return std::nullopt;
                out.append(m_text.substr(m_at, length));
                m_at += length;
                continue;
            }
            ++m_at;
            if (c != '\\') {
                out += char(c);
                continue;
            }
            if (m_at >= m_text.size())
                return std::nullopt;
            const char escape = m_text[m_at++];
            switch (escape) {
            case '"':
            case '\\':
            case '/':
                out += escape;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (m_at + 4 > m_text.size())
                    return std::nullopt;
                unsigned code = 0;
                for (int i = 0; i < 4; ++i) {
                    const char h = m_text[m_at++];
                    code <<= 4;
                    if (h >= '0' && h <= '9')
                        code |= unsigned(h - '0');
                    else if (h >= 'a' && h <= 'f')
                        code |= unsigned(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F')
                        code |= unsigned(h - 'A' + 10);
                    else
                        return std::nullopt;
                }
                if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
                    return std::nullopt;
                appendUtf8(out, code);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    // RFC 8259's grammar exactly, and a value a double holds.
    std::optional<PlainJson> number()
    {
        const size_t start = m_at;
        const auto digits = [&] {
            const size_t from = m_at;
            while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9')
                ++m_at;
            return m_at - from;
        };
        take('-');
        if (m_at < m_text.size() && m_text[m_at] == '0')
            ++m_at;
        else if (digits() == 0)
            return std::nullopt;
        if (take('.') && digits() == 0)
            return std::nullopt;
        if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
            ++m_at;
            if (!take('+'))
                take('-');
            if (digits() == 0)
                return std::nullopt;
        }
        const std::string literal(m_text.substr(start, m_at - start));
        errno = 0;
        char *end = nullptr;
        const double value = std::strtod(literal.c_str(), &end);
        if (errno == ERANGE || !std::isfinite(value) || end != literal.c_str() + literal.size())
            return std::nullopt;
        PlainJson result;
        result.m_kind = Kind::number;
        result.m_number = value;
        return result;
    }

    bool word(std::string_view expected)
    {
        if (m_text.substr(m_at, expected.size()) != expected)
            return false;
        m_at += expected.size();
        return true;
    }

    bool take(char c)
    {
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    void skipSpace()
    {
        while (m_at < m_text.size() && isJsonSpace(m_text[m_at]))
            ++m_at;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

std::optional<PlainJson> PlainJson::parse(std::string_view text)
{
    return Reader(text).document();
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
