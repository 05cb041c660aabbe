// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A JSON value read without Qt, for the ifconfig stand-in, which the reader runs once per
// service on every refresh: loading Qt Core costs that program most of its run.
//
// The reading is strict on purpose. It takes only text that Qt's own parser reads the same
// way, and refuses the rest (duplicate names, escaped surrogates or NUL, a byte order mark,
// invalid UTF-8, deep nesting, numbers out of range): the stand-in then hands the run to the
// complete program, which says what is wrong in the machine's own words.
class PlainJson {
public:
    enum class Kind { null, boolean, number, string, array, object };

    static std::optional<PlainJson> parse(std::string_view text);

    Kind kind() const { return m_kind; }
    bool isString() const { return m_kind == Kind::string; }
    bool isNumber() const { return m_kind == Kind::number; }
    bool isArray() const { return m_kind == Kind::array; }
    bool isObject() const { return m_kind == Kind::object; }

    bool boolean() const { return m_boolean; }
    double number() const { return m_number; }
    // UTF-8.
    const std::string &string() const { return m_string; }
    const std::vector<PlainJson> &items() const { return m_items; }
    const std::vector<std::pair<std::string, PlainJson>> &members() const { return m_members; }

    // The member called name, null when there is none (or this is not an object).
    const PlainJson *member(std::string_view name) const;
    // The member's text when it is a string, else empty, as Qt's toString() gives.
    std::string text(std::string_view name) const;

private:
    class Reader;

    Kind m_kind = Kind::null;
    bool m_boolean = false;
    double m_number = 0;
    std::string m_string;
    std::vector<PlainJson> m_items;
    std::vector<std::pair<std::string, PlainJson>> m_members;
};
