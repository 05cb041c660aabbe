// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A JSON value read without Qt: the one reading of a machine file's text besides Qt's own, for
// the ifconfig front, which the reader runs once per service on every refresh (loading Qt Core
// would be most of its run), and for the writer, which keeps the text of what it does not
// change and so must know where each value lies.
//
// It takes what Qt's parser takes, the liberties included (a byte order mark, a name given
// twice, an escape JSON does not know, an escaped lone surrogate, a number outside RFC 8259's
// grammar), so that the writer can follow any file the application accepted. Where Qt reads
// such a liberty in a way this reading does not mirror, parse() says the reading is not exact:
// only an exact reading is vouched to be the application's.
class PlainJson {
public:
    enum class Kind { null, boolean, number, string, array, object };

    static constexpr std::size_t none = std::string_view::npos;

    // The document in text, an object or a list, or nothing for text outside Qt's grammar.
    // *exact tells whether Qt takes the text too and reads every value alike.
    static std::optional<PlainJson> parse(std::string_view text, bool *exact = nullptr);

    Kind kind() const { return m_kind; }
    bool isBool() const { return m_kind == Kind::boolean; }
    bool isNumber() const { return m_kind == Kind::number; }
    bool isString() const { return m_kind == Kind::string; }
    bool isArray() const { return m_kind == Kind::array; }
    bool isObject() const { return m_kind == Kind::object; }

    bool boolean() const { return m_boolean; }
    double number() const { return m_number; }
    // UTF-8; a lone surrogate reads as "?", as Qt's toUtf8() writes it.
    const std::string &string() const { return m_string; }
    const std::vector<PlainJson> &items() const { return m_items; }
    // In the order of the text, every one of a name given twice.
    const std::vector<std::pair<std::string, PlainJson>> &members() const { return m_members; }

    // The member called name, null when there is none (or this is not an object).
    const PlainJson *member(std::string_view name) const;
    // The member's text when it is a string, else empty, as Qt's toString() gives.
    std::string text(std::string_view name) const;

    // Where the value lies in the text it was read from: its first byte and one past its last;
    // for a member, where the opening quote of its name is (none for any other value).
    std::size_t begin() const { return m_begin; }
    std::size_t end() const { return m_end; }
    std::size_t nameBegin() const { return m_nameBegin; }

private:
    class Reader;

    Kind m_kind = Kind::null;
    bool m_boolean = false;
    double m_number = 0;
    std::string m_string;
    std::vector<PlainJson> m_items;
    std::vector<std::pair<std::string, PlainJson>> m_members;
    std::size_t m_begin = none;
    std::size_t m_end = none;
    std::size_t m_nameBegin = none;
};
