// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "DBusValues.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>

namespace DBusValues {

namespace {

// Deeper than any reply NetworkManager sends; a reply nested further is not one of its.
constexpr int maxDepth = 16;

QVariant plainAt(const QDBusArgument &argument, int depth);

QVariant plainValue(const QVariant &value, int depth)
{
    if (depth > maxDepth)
        return {};
    if (value.canConvert<QDBusArgument>() && value.typeId() == qMetaTypeId<QDBusArgument>())
        return plainAt(value.value<QDBusArgument>(), depth + 1);
    if (value.typeId() == qMetaTypeId<QDBusVariant>())
        return plainValue(value.value<QDBusVariant>().variant(), depth + 1);
    if (value.typeId() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (value.typeId() == qMetaTypeId<QDBusSignature>())
        return value.value<QDBusSignature>().signature();
    // An aa{sv} as this program builds one to send, such as a changed address list.
    if (value.typeId() == qMetaTypeId<QList<QVariantMap>>()) {
        QVariantList items;
        for (const QVariantMap &item : value.value<QList<QVariantMap>>())
            items.append(item);
        return items;
    }
    return value;
}

QVariant plainAt(const QDBusArgument &argument, int depth)
{
    if (depth > maxDepth)
        return {};
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
        return plainValue(argument.asVariant(), depth);
    case QDBusArgument::VariantType: {
        QDBusVariant variant;
        argument >> variant;
        return plainValue(variant.variant(), depth + 1);
    }
    case QDBusArgument::ArrayType: {
        // Byte arrays (an SSID, a MAC address) come whole.
        if (argument.currentSignature() == QLatin1String("ay")) {
            QByteArray bytes;
            argument >> bytes;
            return bytes;
        }
        QVariantList items;
        argument.beginArray();
        while (!argument.atEnd())
            items.append(plainAt(argument, depth + 1));
        argument.endArray();
        return items;
    }
    case QDBusArgument::MapType: {
        QVariantMap entries;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QVariant key = plainAt(argument, depth + 1);
            const QVariant value = plainAt(argument, depth + 1);
            argument.endMapEntry();
            entries.insert(key.toString(), value);
        }
        argument.endMap();
        return entries;
    }
    case QDBusArgument::StructureType: {
        QVariantList fields;
        argument.beginStructure();
        while (!argument.atEnd())
            fields.append(plainAt(argument, depth + 1));
        argument.endStructure();
        return fields;
    }
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return {};
}

} // namespace

QVariant plain(const QVariant &value)
{
    return plainValue(value, 0);
}

QVariant plain(const QDBusArgument &argument)
{
    return plainAt(argument, 0);
}

std::optional<QString> text(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<bool> boolean(const QVariant &value)
{
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

std::optional<quint32> unsignedNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return value.toUInt();
    case QMetaType::Int:
    case QMetaType::Short:
        return value.toInt() < 0 ? std::nullopt : std::optional<quint32>(value.toUInt());
    default:
        return std::nullopt;
    }
}

std::optional<QVariantMap> map(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value.toMap();
}

std::optional<QVariantList> list(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    return value.toList();
}

std::optional<QStringList> strings(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    const std::optional<QVariantList> items = list(value);
    if (!items)
        return std::nullopt;
    QStringList found;
    for (const QVariant &item : *items) {
        const std::optional<QString> entry = text(item);
        if (!entry)
            return std::nullopt;
        found.append(*entry);
    }
    return found;
}

QVariantMap member(const QVariantMap &value, const QString &key)
{
    return map(value.value(key)).value_or(QVariantMap());
}

} // namespace DBusValues
