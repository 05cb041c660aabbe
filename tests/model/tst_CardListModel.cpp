// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "CardListModel.h"
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
    // are the model's cards after each, moved, inserted and removed, never reset, and a card
    // kept keeps its object.
    void rowsFollowAnySequence()
    {
        FakeSystem system;
        AppModel model(system.services());
        CardListModel &rows = *model.cardList();
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(&rows, &QAbstractItemModel::modelReset);
        QRandomGenerator random(13);
        const QStringList pool{"a", "b", "c", "d", "e", "f"};
        for (int step = 0; step < 400; ++step) {
            QList<AdapterInfo> read;
            for (int n = random.bounded(7); n > 0; --n) {
                AdapterInfo info = adapter(pool.at(random.bounded(pool.size())));
                info.device = QStringLiteral("en%1").arg(random.bounded(3));
                read << info;
            }
            QHash<QString, AdapterCardModel *> before;
            for (AdapterCardModel *card : model.cards())
                before.insert(card->id(), card);
            system.queueReads({read});
            model.refresh(false);
            QCOMPARE(rowsOf(rows), model.cards());
            for (AdapterCardModel *card : model.cards())
                QCOMPARE(before.value(card->id(), card), card);
            QSet<QString> ids;
            for (const AdapterCardModel *card : model.cards())
                ids.insert(card->id());
            QCOMPARE(ids.size(), model.cards().size());
            if (!read.isEmpty())
                QCOMPARE(model.cards().size(), read.size());
        }
        QCOMPARE(reset.count(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_CardListModel)
#include "tst_CardListModel.moc"
