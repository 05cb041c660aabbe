#include "model/AppModel.h"
#include "model/CardListModel.h"
#include "support/FakeSystem.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

QStringList rowIds(const CardListModel &rows)
{
    QStringList ids;
    for (int row = 0; row < rows.rowCount(); ++row)
        ids << rows.index(row).data(CardListModel::CardIdRole).toString();
    return ids;
}

AdapterCardModel *cardAt(const CardListModel &rows, int row)
{
    return rows.index(row).data(CardListModel::CardRole).value<AdapterCardModel *>();
}

} // namespace

class tst_CardListModel : public QObject {
    Q_OBJECT

private slots:
    void rowsFollowEachNewOrder_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<bool>("inserts");
        QTest::addColumn<bool>("removals");

        QTest::newRow("same order")
            << QStringList{"a", "b", "c"} << QStringList{"a", "b", "c"} << false << false << false;
        QTest::newRow("reversed") << QStringList{"a", "b", "c"} << QStringList{"c", "b", "a"}
                                  << true << false << false;
        QTest::newRow("one added in the middle")
            << QStringList{"a", "c"} << QStringList{"a", "b", "c"} << false << true << false;
        QTest::newRow("one dropped")
            << QStringList{"a", "b", "c"} << QStringList{"a", "c"} << false << false << true;
        QTest::newRow("reorder, add and drop at once")
            << QStringList{"a", "b", "c", "d"} << QStringList{"d", "e", "a", "c"} << true << true
            << true;
        QTest::newRow("all replaced")
            << QStringList{"a", "b"} << QStringList{"x", "y", "z"} << false << true << true;
        QTest::newRow("from nothing")
            << QStringList{} << QStringList{"a", "b"} << false << true << false;
    }

    void rowsFollowEachNewOrder()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(bool, moves);
        QFETCH(bool, inserts);
        QFETCH(bool, removals);

        FakeSystem system;
        AppModel model(system.services());
        CardListModel &rows = *model.cardList();
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        system.answerReadsAtOnce(adaptersFor(before));
        model.refresh(false);
        QCOMPARE(rowIds(rows), before);

        QHash<QString, QPointer<AdapterCardModel>> kept;
        for (int row = 0; row < rows.rowCount(); ++row)
            kept.insert(rowIds(rows)[row], cardAt(rows, row));

        QSignalSpy moved(&rows, &QAbstractItemModel::rowsMoved);
        QSignalSpy inserted(&rows, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&rows, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&rows, &QAbstractItemModel::modelReset);
        system.answerReadsAtOnce(adaptersFor(after));
        model.refresh(false);

        QCOMPARE(rowIds(rows), after);
        QCOMPARE(!moved.isEmpty(), moves);
        QCOMPARE(!inserted.isEmpty(), inserts);
        QCOMPARE(!removed.isEmpty(), removals);
        QCOMPARE(reset.count(), 0);
        // A card present before and after is the very same object in its new row.
        for (int row = 0; row < rows.rowCount(); ++row) {
            const QString id = rowIds(rows)[row];
            QCOMPARE(cardAt(rows, row), model.cards()[row]);
            if (kept.contains(id))
                QCOMPARE(cardAt(rows, row), kept.value(id).data());
        }
    }
};

QTEST_GUILESS_MAIN(tst_CardListModel)
#include "tst_CardListModel.moc"
