// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlainJson.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

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
        if (!at('{') && !at('['))
            return std::nullopt;
        std::optional<PlainJson> value = this->value(0);
        skipSpace();
        if (!value || m_at != m_text.size())
            return std::nullopt;
        return value;
    }

    bool exact() const { return m_exact; }

private:
    std::optional<PlainJson> value(int depth)
    {
        if (m_at >= m_text.size())
            return std::nullopt;
        std::optional<PlainJson> result;
        const size_t begin = m_at;
        switch (m_text[m_at]) {
        case '{':
        case '[':
            if (depth >= maximumDepth)
                return std::nullopt;
            result = at('{') ? object(depth + 1) : array(depth + 1);
            break;
        case '"':
            if (std::optional<std::string> text = string()) {
                result.emplace();
                result->m_kind = Kind::string;
                result->m_string = std::move(*text);
            }
            break;
        case 't':
        case 'f':
            if (word(at('t') ? "true" : "false")) {
                result.emplace();
                result->m_kind = Kind::boolean;
                result->m_boolean = m_text[begin] == 't';
            }
            break;
        case 'n':
            if (word("null"))
                result.emplace();
            break;
        default:
            result = number();
        }
        if (result) {
            result->m_begin = begin;
            result->m_end = m_at;
        }
        return result;
    }

    std::optional<PlainJson> object(int depth)
    {
        PlainJson result;
        result.m_kind = Kind::object;
        std::set<std::string, std::less<>> names;
        ++m_at;
        skipSpace();
        if (take('}'))
            return result;
        for (;;) {
            const size_t nameBegin = m_at;
            std::optional<std::string> name = at('"') ? string() : std::nullopt;
            if (!name)
                return std::nullopt;
            // Qt keeps the last of equal names, sorted among the others: not mirrored here.
            if (!names.insert(*name).second)
                m_exact = false;
            skipSpace();
            if (!take(':'))
                return std::nullopt;
            skipSpace();
            std::optional<PlainJson> member = value(depth);
            if (!member)
                return std::nullopt;
            member->m_nameBegin = nameBegin;
            result.m_members.emplace_back(std::move(*name), std::move(*member));
            skipSpace();
            if (take('}'))
                return result;
            if (!take(','))
                return std::nullopt;
            skipSpace();
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
            std::optional<PlainJson> item = value(depth);
            if (!item)
                return std::nullopt;
            result.m_items.push_back(std::move(*item));
            skipSpace();
            if (take(']'))
                return result;
            if (!take(','))
                return std::nullopt;
            skipSpace();
        }
    }

    std::optional<std::string> string()
    {
        std::string out;
        ++m_at;
        while (m_at < m_text.size()) {
            const auto c = (unsigned char)m_text[m_at];
            if (c == '"') {
                ++m_at;
                return out;
            }
            if (c >= 0x80) {
                const size_t length = utf8Length(m_text, m_at);
                if (length == 0)
                    return std::nullopt;
                out.append(m_text.substr(m_at, length));
                m_at += length;
                continue;
            }
            ++m_at;
            // Control characters are kept as they are, as Qt keeps them.
            if (c != '\\') {
                out += char(c);
                continue;
            }
            if (m_at >= m_text.size())
                return std::nullopt;
            const auto escape = (unsigned char)m_text[m_at++];
            switch (escape) {
            case '"':
            case '\\':
            case '/':
                out += char(escape);
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
                std::optional<char32_t> code = hexCode();
                if (!code)
                    return std::nullopt;
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
                break;
            }
            default:
                // Qt takes the byte itself as a character; JSON knows no such escape.
                m_exact = false;
                appendUtf8(out, escape);
            }
        }
        return std::nullopt;
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
    std::optional<PlainJson> number()
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
        if (literal.empty())
            return std::nullopt;
        errno = 0;
        char *end = nullptr;
        const double value = std::strtod(literal.c_str(), &end);
        if (end != literal.c_str() + literal.size())
            return std::nullopt;
        if (!rfc || errno == ERANGE || !std::isfinite(value))
            m_exact = false;
        PlainJson result;
        result.m_kind = Kind::number;
        result.m_number = value;
        return result;
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
