#include "model/CardListModel.h"
#include "support/FakeSystem.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

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
};

QTEST_GUILESS_MAIN(tst_CardListModel)
#include "tst_CardListModel.moc"
