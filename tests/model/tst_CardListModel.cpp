// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "model/CardListModel.h"
#include "support/FakeSystem.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {

// The list's rows, as card objects.
QList<AdapterCardModel *> rowsOf(const CardListModel &rows)
{
    QList<AdapterCardModel *> cards;
    for (int row = 0; row < rows.rowCount(); ++row)
        cards << rows.index(row).data(CardListModel::CardRole).value<AdapterCardModel *>();
    return cards;
}

} // namespace

class tst_CardListModel : public QObject {
    Q_OBJECT

private slots:
    // A new order becomes moves, inserts and removals, never a reset; a card kept keeps its object.
    void rowsFollowEachNewOrder_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");

        QTest::newRow("reversed") << QStringList{"a", "b", "c"} << QStringList{"c", "b", "a"};
        QTest::newRow("reorder, add and drop at once")
            << QStringList{"a", "b", "c", "d"} << QStringList{"d", "e", "a", "c"};
        QTest::newRow("all replaced") << QStringList{"a", "b"} << QStringList{"x", "y", "z"};
    }

    void rowsFollowEachNewOrder()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);

        FakeSystem system;
        AppModel model(system.services());
        CardListModel &rows = *model.cardList();
        QAbstractItemModelTester tester(&rows); // reports through Qt Test
        system.answerReadsAtOnce(adaptersFor(before));
        model.refresh(false);
        const QList<AdapterCardModel *> kept = model.cards();

        QSignalSpy reset(&rows, &QAbstractItemModel::modelReset);
        system.answerReadsAtOnce(adaptersFor(after));
        model.refresh(false);

        QCOMPARE(reset.count(), 0);
        QCOMPARE(rows.rowCount(), after.size());
        for (int row = 0; row < rows.rowCount(); ++row) {
            const QModelIndex index = rows.index(row);
            QCOMPARE(index.data(CardListModel::CardIdRole).toString(), after[row]);
            if (before.contains(after[row]))
                QCOMPARE(index.data(CardListModel::CardRole).value<AdapterCardModel *>(),
                         kept[before.indexOf(after[row])]);
        }
    }

    // Services that share an id, as a service without one shares its name: each record keeps
    // a card of its own, the rows never hold a ghost, and a removal leaves as many rows as cards.
    void sharedIdsNeverShareACard()
    {
        FakeSystem system;
        AppModel model(system.services());
        CardListModel &rows = *model.cardList();
        QAbstractItemModelTester tester(&rows);
        QList<AdapterInfo> twice{adapter("a", "Dock"), adapter("a", "Dock")};
        twice[1].device = QStringLiteral("en7");
        system.queueReads({twice, twice, {adapter("a", "Dock")}});

        model.refresh(false);
        const QList<AdapterCardModel *> first = model.cards();
        QCOMPARE(first.size(), 2);
        QVERIFY(first[0] != first[1]);
        QCOMPARE(first[0]->id(), QStringLiteral("a"));
        model.refresh(false);
        // The derived id is the same at every read: the second card is the same object.
        QCOMPARE(model.cards(), first);
        model.refresh(false);
        QCOMPARE(model.cards().size(), 1);
        QCOMPARE(rowsOf(rows), model.cards());
    }

    // Any sequence of reads (repeats, removals, reorders, ids shared within a read): the rows
    // are the model's cards after each.
    void rowsFollowAnySequence()
    {
        FakeSystem system;
        AppModel model(system.services());
        CardListModel &rows = *model.cardList();
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QRandomGenerator random(13);
        const QStringList pool{"a", "b", "c", "d", "e", "f"};
        for (int step = 0; step < 400; ++step) {
            QList<AdapterInfo> read;
            for (int n = random.bounded(7); n > 0; --n) {
                AdapterInfo info = adapter(pool.at(random.bounded(pool.size())));
                info.device = QStringLiteral("en%1").arg(random.bounded(3));
                read << info;
            }
            system.queueReads({read});
            model.refresh(false);
            QCOMPARE(rowsOf(rows), model.cards());
            QSet<QString> ids;
            for (const AdapterCardModel *card : model.cards())
                ids.insert(card->id());
            QCOMPARE(ids.size(), model.cards().size());
            if (!read.isEmpty())
                QCOMPARE(model.cards().size(), read.size());
        }
    }
};

QTEST_GUILESS_MAIN(tst_CardListModel)
#include "tst_CardListModel.moc"
