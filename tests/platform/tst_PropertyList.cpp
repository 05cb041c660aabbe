// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PropertyList.h"

#include <QTest>

#include <memory>
#include <variant>

namespace {

// A hand-built property-list value of the same shapes the platform hands out.
struct Node {
    using Entries = QList<std::pair<std::shared_ptr<Node>, std::shared_ptr<Node>>>;
    PropertyList::Kind kind = PropertyList::Kind::none;
    QString text;
    double number = 0;
    QList<std::shared_ptr<Node>> items;
    Entries entries;
};
using Value = std::shared_ptr<Node>;

using K = PropertyList::Kind;
Value make(Node node)
{
    return std::make_shared<Node>(std::move(node));
}
const auto string = [](const QString &text) { return make({K::string, text}); };
const auto integer = [](qint64 n) { return make({K::integer, {}, double(n)}); };
const auto boolean = [](bool b) { return make({K::boolean, {}, b ? 1.0 : 0.0}); };
const auto array = [](const QList<Value> &items) { return make({K::array, {}, 0, items}); };
const auto dictionary = [](const Node::Entries &entries) {
    return make({K::dictionary, {}, 0, {}, entries});
};
const auto other = [] { return make({K::other}); };

struct Adapter {
    static PropertyList::Kind kind(const Value &v)
    {
        return v ? v->kind : PropertyList::Kind::none;
    }
    static QString string(const Value &v) { return v->text; }
    static qint64 integer(const Value &v) { return qint64(v->number); }
    static double real(const Value &v) { return v->number; }
    static bool boolean(const Value &v) { return v->number != 0; }
    static QByteArray data(const Value &v) { return v->text.toUtf8(); }
    static QDateTime date(const Value &) { return {}; }
    static qsizetype count(const Value &v) { return v->items.size(); }
    static Value at(const Value &v, qsizetype i) { return v->items.at(i); }
    static Node::Entries entries(const Value &v) { return v->entries; }
};

QVariant convert(const Value &value)
{
    return PropertyList::toVariant<Adapter>(value);
}

} // namespace

Q_DECLARE_METATYPE(Value)

class tst_PropertyList : public QObject {
    Q_OBJECT

private slots:
    void shapesTheReaderExpects()
    {
        // The IPv4 configuration of a manual service, as the system stores it.
        const Value configuration = dictionary({
            {string("ConfigMethod"), string("Manual")},
            {string("Addresses"), array({string("192.168.1.20")})},
            {string("SubnetMasks"), array({string("255.255.255.0")})},
            {string("Router"), string("192.168.1.1")},
        });
        const QVariant converted = convert(configuration);
        QCOMPARE(converted.typeId(), QMetaType::QVariantMap);
        const QVariantMap map = converted.toMap();
        QCOMPARE(map.value("ConfigMethod").typeId(), QMetaType::QString);
        QCOMPARE(map.value("Addresses").typeId(), QMetaType::QVariantList);
        QCOMPARE(map.value("Addresses").toList().first().toString(), "192.168.1.20");
        QCOMPARE(map.value("Router").toString(), "192.168.1.1");
    }

    void valuesTheReaderMustTellApart_data()
    {
        QTest::addColumn<Value>("value");
        QTest::addColumn<int>("typeId");

        QTest::newRow("number") << integer(42) << int(QMetaType::LongLong);
        QTest::newRow("boolean") << boolean(true) << int(QMetaType::Bool);
        QTest::newRow("list with a number")
            << array({string("a"), integer(1)}) << int(QMetaType::QVariantList);
        QTest::newRow("empty list") << array({}) << int(QMetaType::QVariantList);
        QTest::newRow("dictionary with a number key")
            << dictionary({{integer(1), string("x")}}) << int(QMetaType::UnknownType);
        QTest::newRow("nested non-string key spoils only the inner dictionary")
            << dictionary({{string("inner"), dictionary({{integer(1), string("x")}})}})
            << int(QMetaType::QVariantMap);
        QTest::newRow("unexpected type") << other() << int(QMetaType::UnknownType);
        QTest::newRow("nothing") << Value() << int(QMetaType::UnknownType);
    }

    void valuesTheReaderMustTellApart()
    {
        QFETCH(Value, value);
        QFETCH(int, typeId);
        QCOMPARE(convert(value).typeId(), typeId);
    }
};

QTEST_GUILESS_MAIN(tst_PropertyList)
#include "tst_PropertyList.moc"
