// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// Turns a property-list value into the QVariant shapes every configuration store hands the
// reader: QString, qint64 or double, bool, QVariantList, QVariantMap (only when every key is a
// string), QByteArray, QDateTime. A dictionary with a key of another type stays recognisable as
// "not a dictionary with string keys" by becoming an invalid QVariant, and so does any value of
// a type the reader never expects.
//
// The walk is written once against an adapter, so that the same code converts the platform's
// own values and hand-built ones in tests. An adapter provides, for its Value type:
//   static Kind kind(const Value &);
//   static QString string(const Value &);        static double real(const Value &);
//   static qint64 integer(const Value &);        static bool boolean(const Value &);
//   static QByteArray data(const Value &);       static QDateTime date(const Value &);
//   static qsizetype count(const Value &);       static Value at(const Value &, qsizetype);
//   static QList<std::pair<Value, Value>> entries(const Value &);
namespace PropertyList {

enum class Kind { none, string, integer, real, boolean, array, dictionary, data, date, other };

template<typename Adapter, typename Value> QVariant toVariant(const Value &value)
{
    switch (Adapter::kind(value)) {
    case Kind::string:
        return Adapter::string(value);
    case Kind::integer:
        return QVariant::fromValue(Adapter::integer(value));
    case Kind::real:
        return Adapter::real(value);
    case Kind::boolean:
        return Adapter::boolean(value);
    case Kind::data:
        return Adapter::data(value);
    case Kind::date:
        return Adapter::date(value);
    case Kind::array: {
        QVariantList list;
        const qsizetype count = Adapter::count(value);
        list.reserve(count);
        for (qsizetype i = 0; i < count; ++i)
            list.append(toVariant<Adapter>(Adapter::at(value, i)));
        return list;
    }
    case Kind::dictionary: {
        QVariantMap map;
        for (const auto &[key, item] : Adapter::entries(value)) {
            if (Adapter::kind(key) != Kind::string)
                return {};
            map.insert(Adapter::string(key), toVariant<Adapter>(item));
        }
        return map;
    }
    case Kind::none:
    case Kind::other:
        break;
    }
    return {};
}

} // namespace PropertyList
