// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Dotted-quad IPv4 text without Qt, so that the ifconfig front, which must start without it,
// reads addresses by the same rule as the application: four decimal parts of 0 to 255 in ASCII
// digits, nothing around them. An address is host-order, first octet most significant.
namespace DottedQuad {

constexpr std::optional<std::uint32_t> parse(std::string_view text)
{
    std::uint32_t value = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && (at >= text.size() || text[at++] != '.'))
            return std::nullopt;
        std::size_t digits = 0;
        std::uint32_t octet = 0;
        // One digit past three is read so that "1234" fails instead of splitting.
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
            octet = octet * 10 + std::uint32_t(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 3 || octet > 255)
            return std::nullopt;
        value = (value << 8) | octet;
    }
    if (at != text.size())
        return std::nullopt;
    return value;
}

inline std::string format(std::uint32_t address)
{
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

} // namespace DottedQuad
