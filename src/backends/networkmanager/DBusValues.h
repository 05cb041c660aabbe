// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

class QDBusArgument;

// NetworkManager answers in nested D-Bus containers (a{oa{sa{sv}}}, aa{sv}, ao…). These helpers
// turn them into plain Qt values once, so the rest of the reader works on maps, lists, strings
// and numbers and checks each value's type where it uses it: a reply of an unexpected shape
// becomes missing values, never a crash.
namespace DBusValues {

// A plain copy of a value taken from a D-Bus message: containers become QVariantMap (keys as
// text, object paths included) and QVariantList, variants are unwrapped, object paths become
// their text, byte arrays stay QByteArray, numbers and strings stay as they are.
QVariant plain(const QVariant &value);
QVariant plain(const QDBusArgument &argument);

// Typed looks into plain values; nullopt when the value is missing or of another type.
std::optional<QString> text(const QVariant &value);
std::optional<bool> boolean(const QVariant &value);
std::optional<quint32> unsignedNumber(const QVariant &value);
std::optional<QVariantMap> map(const QVariant &value);
std::optional<QVariantList> list(const QVariant &value);
// An array of strings: Qt D-Bus hands an "as" over as a QStringList, not as a list of values. An
// entry of another type makes the whole value of another type.
std::optional<QStringList> strings(const QVariant &value);

// value[key] of a plain map, as a map; an empty map when either is missing or not a map.
QVariantMap member(const QVariantMap &value, const QString &key);

} // namespace DBusValues
