#pragma once

#include <QString>

#include <optional>

// The one definition of valid dotted-quad IPv4 text in Brisvale. An address is a 32-bit value
// with the first octet most significant.
namespace IPv4 {

std::optional<quint32> parse(const QString &text);
QString format(quint32 value);

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

} // namespace IPv4
