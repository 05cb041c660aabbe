// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QString>

#include <optional>

// IPv4 text as the application reads it: the dotted form of DottedQuad.h, shared with the
// simulated machine's Qt-free core, with blanks at the ends of typed text allowed. An address is a
// 32-bit value with the first octet most significant.
namespace IPv4 {

std::optional<quint32> parse(const QString &text);
QString format(quint32 value);
// The dotted form of what parse() read, without leading zeros, which C tools would take
// for octal; none when the text does not parse.
std::optional<QString> canonical(const QString &text);

// A router for the address and mask: the subnet's first host, or its second when the address
// is the first; none for masks of /31 and /32, unusable addresses or text that does not parse.
std::optional<QString> suggestedGateway(const QString &address, const QString &mask);

// A non-zero mask whose one bits run unbroken from the top bit.
constexpr bool isContiguousMask(quint32 mask)
{
    return mask != 0 && ((mask - 1) | mask) == 0xFFFFFFFFu;
}

constexpr bool isLinkLocal(quint32 address)
{
    return (address >> 16) == 0xA9FEu;
}

// Neither "this host" (0.0.0.0) nor the limited broadcast (255.255.255.255): an address one
// may send to or give an interface.
constexpr bool isHost(quint32 address)
{
    return address != 0 && address != 0xFFFFFFFFu;
}

// The text read as a host address (see isHost), or none.
std::optional<quint32> parseHost(const QString &text);

// The text read as an address an interface may be given by hand or keep from a lease: a host
// address outside the self-assigned range (169.254.0.0/16), or none.
std::optional<quint32> parseUsableHost(const QString &text);

// The text read as a subnet mask (see isContiguousMask), or none.
std::optional<quint32> parseMask(const QString &text);

// The mask of a prefix length; 0 for 0 or less, all ones for 32 or more.
constexpr quint32 maskOfPrefix(int prefix)
{
    if (prefix <= 0)
        return 0;
    return prefix >= 32 ? 0xFFFFFFFFu : ~quint32(0) << (32 - prefix);
}

// The prefix length of a mask given as text, or none when it is not a mask.
std::optional<int> prefixOfMask(const QString &text);

// The address with its prefix length ("10.0.0.8/24"), or alone when the mask is not one.
QString withPrefix(const QString &address, const QString &mask);

constexpr bool sameSubnet(quint32 first, quint32 second, quint32 mask)
{
    return ((first ^ second) & mask) == 0;
}

// Whether a router text means there is none: empty, as the user leaves it, or "0.0.0.0", as
// the systems write it.
bool isNoRouter(const QString &text);

// Whether text is an address of the other family as systems write one in a list of DNS servers,
// its zone after '%' when it has one ("fe80::1%en0"). The reader keeps such servers and the
// stand-in networksetup takes them back, so both must agree on what one is.
bool isIPv6(const QString &text);

// What an address is within its subnet. Masks of /31 and /32 have no network or broadcast
// address: every address of theirs is a host.
enum class SubnetRole { host, network, broadcast };
constexpr SubnetRole subnetRole(quint32 address, quint32 mask)
{
    if (mask >= 0xFFFFFFFEu)
        return SubnetRole::host;
    if ((address & ~mask) == 0)
        return SubnetRole::network;
    if ((address | mask) == 0xFFFFFFFFu)
        return SubnetRole::broadcast;
    return SubnetRole::host;
}

} // namespace IPv4
