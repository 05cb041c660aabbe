// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "IPv4.h"

#include "DottedQuad.h"

#include <QStringList>

#include <arpa/inet.h>
#include <array>
#include <bit>

namespace {

// Unicode white space and line breaks, at the ends only.
QStringView trimmedView(const QString &text)
{
    QStringView view(text);
    auto isBlank = [](QChar c) { return c.isSpace(); };
    while (!view.isEmpty() && isBlank(view.front()))
        view = view.sliced(1);
    while (!view.isEmpty() && isBlank(view.back()))
        view.chop(1);
    return view;
}

} // namespace

std::optional<quint32> IPv4::parse(const QString &text)
{
    // Typed text may carry blanks at its ends; inside, anything beyond ASCII is no digit.
    const QStringView trimmed = trimmedView(text);
    std::array<char, 16> ascii{};
    if (trimmed.size() >= qsizetype(ascii.size()))
        return std::nullopt;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i].unicode() > 0x7F)
            return std::nullopt;
        ascii[i] = char(trimmed[i].unicode());
    }
    return DottedQuad::parse(std::string_view(ascii.data(), trimmed.size()));
}

QString IPv4::format(quint32 value)
{
    return QString::fromStdString(DottedQuad::format(value));
}

std::optional<QString> IPv4::canonical(const QString &text)
{
    const std::optional<quint32> value = parse(text);
    if (!value)
        return std::nullopt;
    return format(*value);
}

std::optional<quint32> IPv4::parseHost(const QString &text)
{
    const std::optional<quint32> value = parse(text);
    if (!value || !isHost(*value))
        return std::nullopt;
    return value;
}

std::optional<quint32> IPv4::parseUsableHost(const QString &text)
{
    const std::optional<quint32> value = parseHost(text);
    if (!value || isLinkLocal(*value))
        return std::nullopt;
    return value;
}

std::optional<quint32> IPv4::parseMask(const QString &text)
{
    const std::optional<quint32> value = parse(text);
    if (!value || !isContiguousMask(*value))
        return std::nullopt;
    return value;
}

std::optional<int> IPv4::prefixOfMask(const QString &text)
{
    const std::optional<quint32> mask = parseMask(text);
    if (!mask)
        return std::nullopt;
    return std::popcount(*mask);
}

QString IPv4::withPrefix(const QString &address, const QString &mask)
{
    const std::optional<int> prefix = prefixOfMask(mask);
    return prefix ? address + u'/' + QString::number(*prefix) : address;
}

bool IPv4::isNoRouter(const QString &text)
{
    const QStringView trimmed = trimmedView(text);
    return trimmed.isEmpty() || trimmed == QLatin1String("0.0.0.0");
}

std::optional<QString> IPv4::suggestedGateway(const QString &addressText, const QString &maskText)
{
    const std::optional<quint32> address = parseUsableHost(addressText);
    const std::optional<quint32> mask = parseMask(maskText);
    // /31 and /32 leave no room for a separate router.
    if (!address || !mask || *mask > 0xFFFFFFFDu)
        return std::nullopt;

    const quint32 network = *address & *mask;
    quint32 candidate = network + 1;
    if (candidate == *address)
        candidate = network + 2;
    const quint32 broadcast = *address | ~*mask;
    if (candidate >= broadcast)
        return std::nullopt;
    return format(candidate);
}

bool IPv4::isIPv6(const QString &text)
{
    const qsizetype percent = text.indexOf(u'%');
    const QString zone = percent < 0 ? QString() : text.mid(percent + 1);
    const auto inZone = [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); };
    if (percent >= 0 && (zone.isEmpty() || !std::all_of(zone.cbegin(), zone.cend(), inZone)))
        return false;
    const QByteArray address = text.left(percent).toLatin1();
    in6_addr parsed;
    return !address.contains('\0') && inet_pton(AF_INET6, address.constData(), &parsed) == 1;
}
