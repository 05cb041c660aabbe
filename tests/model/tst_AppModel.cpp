#include "model/AppModel.h"
#include "support/FakeSystem.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using Adapters = QList<AdapterInfo>;

class AppModelTestAccess {
public:
    static void merge(AppModel &model, const Adapters &list, const QSet<QString> &resetIDs,
                      bool preserveMissing)
    {
        model.merge(list, resetIDs, preserveMissing);
    }

    static void setStatus(AppModel &model, const QString &text, MessageKind kind)
    {
        model.setStatus(text, kind);
    }
};

namespace {

const QString previous = QStringLiteral("previous");
const QString refreshing = QStringLiteral("Actualisation des cartes réseau…");
const QString refreshed = QStringLiteral("Cartes réseau actualisées.");
const QString incomplete = QStringLiteral("Lecture réseau incomplète : les cartes affichées sont "
                                          "conservées. Réessayez avec Actualiser.");
const QString noAdapters =
    QStringLiteral("Aucune carte réseau détectée. Vérifiez les réglages Réseau de macOS.");

QStringList idsOf(const AppModel &model)
{
    QStringList ids;
    for (const AdapterCardModel *card : model.cards())
        ids << card->id();
    return ids;
}

// Lets the continuation of an answered read run.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void deliverDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void load(AppModel &model, FakeSystem &system, const Adapters &list)
{
    model.refresh(false);
    system.answerRead(list);
    settle();
}

} // namespace

class tst_AppModel : public QObject {
    Q_OBJECT

private slots:
    void firstAutomaticRefreshShowsCardsQuietly()
    {
        FakeSystem system;
        AppModel model(system.services());
        QVERIFY(!model.hasLoadedOnce());

        model.refresh(false);
        QVERIFY(model.loading());
        QCOMPARE(model.pendingHint(), QStringLiteral("Chargement des cartes réseau…"));
        system.answerRead(adaptersFor({"b", "a", "c"}));
        settle();

        QVERIFY(!model.loading());
        QVERIFY(model.hasLoadedOnce());
        QCOMPARE(idsOf(model), QStringList({"b", "a", "c"}));
        QCOMPARE(model.statusText(), QString());
        QCOMPARE(model.statusKind(), MessageKind::none);
        QCOMPARE(model.pendingHint(), QStringLiteral("Aucune modification en attente."));
    }

    void statusLineOfARefresh_data()
    {
        QTest::addColumn<bool>("loadedBefore");
        QTest::addColumn<bool>("cardsBefore");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<bool>("emptyRead");
        QTest::addColumn<QString>("whileReading");
        QTest::addColumn<QString>("after");
        QTest::addColumn<MessageKind>("afterKind");

        QTest::newRow("manual, adapters found")
            << true << true << true << false << refreshing << refreshed << MessageKind::success;
        QTest::newRow("automatic, adapters found")
            << true << true << false << false << previous << previous << MessageKind::info;
        QTest::newRow("manual, empty read, cards shown")
            << true << true << true << true << refreshing << incomplete << MessageKind::warning;
        QTest::newRow("automatic, empty read, cards shown")
            << true << true << false << true << previous << incomplete << MessageKind::warning;
        QTest::newRow("first read empty")
            << false << false << false << true << previous << noAdapters << MessageKind::warning;
        QTest::newRow("later automatic read empty, no cards")
            << true << false << false << true << previous << previous << MessageKind::info;
        QTest::newRow("manual read empty, no cards")
            << true << false << true << true << refreshing << noAdapters << MessageKind::warning;
    }

    void statusLineOfARefresh()
    {
        QFETCH(bool, loadedBefore);
        QFETCH(bool, cardsBefore);
        QFETCH(bool, manual);
        QFETCH(bool, emptyRead);
        QFETCH(QString, whileReading);
        QFETCH(QString, after);
        QFETCH(MessageKind, afterKind);

        FakeSystem system;
        AppModel model(system.services());
        if (loadedBefore)
            load(model, system, cardsBefore ? adaptersFor({"a", "b"}) : Adapters());
        AppModelTestAccess::setStatus(model, previous, MessageKind::info);

        model.refresh(manual);
        QCOMPARE(model.statusText(), whileReading);
        system.answerRead(emptyRead ? Adapters() : adaptersFor({"b", "c"}));
        settle();

        QCOMPARE(model.statusText(), after);
        QCOMPARE(model.statusKind(), afterKind);
        QVERIFY(model.hasLoadedOnce());
        // An empty read leaves the cards exactly as they were.
        const QStringList expected = emptyRead
                                         ? (cardsBefore ? QStringList{"a", "b"} : QStringList{})
                                         : QStringList{"b", "c"};
        QCOMPARE(idsOf(model), expected);
    }

    void emptyReadsRepeatTheirWarning()
    {
        FakeSystem system;
        AppModel model(system.services());
        load(model, system, adaptersFor({"a"}));
        for (int tick = 0; tick < 2; ++tick) {
            AppModelTestAccess::setStatus(model, previous, MessageKind::info);
            model.autoRefresh();
            system.answerRead({});
            settle();
            QCOMPARE(model.statusText(), incomplete);
        }
    }

    void requestsMeetingARaisedFlagAreDropped_data()
    {
        QTest::addColumn<bool>("readInFlight");
        QTest::addColumn<bool>("cardBusy");
        QTest::addColumn<bool>("automatic");

        QTest::newRow("manual while reading") << true << false << false;
        QTest::newRow("automatic while reading") << true << false << true;
        QTest::newRow("manual with a busy card") << false << true << false;
        QTest::newRow("automatic with a busy card") << false << true << true;
    }

    void requestsMeetingARaisedFlagAreDropped()
    {
        QFETCH(bool, readInFlight);
        QFETCH(bool, cardBusy);
        QFETCH(bool, automatic);

        FakeSystem system;
        AppModel model(system.services());
        load(model, system, adaptersFor({"a"}));
        if (cardBusy)
            model.cards().first()->setBusy(true);
        if (readInFlight)
            model.refresh(false);
        AppModelTestAccess::setStatus(model, previous, MessageKind::info);
        const int readsBefore = system.readsStarted();
        QSignalSpy loadingSpy(&model, &AppModel::loadingChanged);

        if (automatic)
            model.requestAutoRefresh();
        else
            model.requestRefresh(true);

        QCOMPARE(system.readsStarted(), readsBefore);
        QCOMPARE(model.statusText(), previous);
        QCOMPARE(loadingSpy.count(), 0);
        if (readInFlight) {
            // The refresh that was running still finishes normally.
            system.answerRead(adaptersFor({"a", "b"}));
            settle();
            QCOMPARE(idsOf(model), QStringList({"a", "b"}));
            QVERIFY(!model.loading());
        }
    }

    void mergeKeepsCardIdentity()
    {
        FakeSystem system;
        AppModel model(system.services());
        load(model, system, adaptersFor({"a", "b", "c"}));
        QPointer<AdapterCardModel> a = model.cards()[0];
        QPointer<AdapterCardModel> b = model.cards()[1];
        QPointer<AdapterCardModel> c = model.cards()[2];

        load(model, system, adaptersFor({"c", "d", "a"}));
        deliverDeferredDeletes();

        QCOMPARE(idsOf(model), QStringList({"c", "d", "a"}));
        QCOMPARE(model.cards()[0], c.data());
        QCOMPARE(model.cards()[2], a.data());
        QVERIFY(model.cards()[1] != a && model.cards()[1] != c);
        QVERIFY2(b.isNull(), "a card whose adapter vanished is released");
    }

    void mergeUpdatesRecordsAndResetsOnlyTheGivenDrafts_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("expectedIp");

        QTest::newRow("pending draft kept") << false << "10.0.0.99";
        QTest::newRow("confirmed draft reloaded") << true << "192.168.1.77";
    }

    void mergeUpdatesRecordsAndResetsOnlyTheGivenDrafts()
    {
        QFETCH(bool, reset);
        QFETCH(QString, expectedIp);

        FakeSystem system;
        AppModel model(system.services());
        load(model, system, adaptersFor({"a"}));
        AdapterCardModel *card = model.cards().first();
        card->setIp(QStringLiteral("10.0.0.99"));

        AppModelTestAccess::merge(model, {adapter("a", "A", "192.168.1.77")},
                                  reset ? QSet<QString>{"a"} : QSet<QString>{}, true);
        QCOMPARE(model.cards().first(), card);
        QCOMPARE(card->info().ip, QStringLiteral("192.168.1.77"));
        QCOMPARE(card->ip(), expectedIp);
    }

    void preservedMissingCardsGoToTheEnd()
    {
        FakeSystem system;
        AppModel model(system.services());
        load(model, system, adaptersFor({"a", "b", "c", "d"}));
        const QList<AdapterCardModel *> before = model.cards();

        AppModelTestAccess::merge(model, adaptersFor({"c", "e"}), {}, true);
        deliverDeferredDeletes();

        QCOMPARE(idsOf(model), QStringList({"c", "e", "a", "b", "d"}));
        QCOMPARE(model.cards()[2], before[0]);
        QCOMPARE(model.cards()[3], before[1]);
        QCOMPARE(model.cards()[4], before[3]);
    }

    void aDroppedBusyCardLivesUntilIdle()
    {
        FakeSystem system;
        AppModel model(system.services());
        load(model, system, adaptersFor({"a", "b"}));
        QPointer<AdapterCardModel> b = model.cards()[1];
        b->setBusy(true);

        AppModelTestAccess::merge(model, adaptersFor({"a"}), {}, false);
        deliverDeferredDeletes();
        QVERIFY(!b.isNull());
        QVERIFY(!model.isBusy());

        b->setBusy(false);
        deliverDeferredDeletes();
        QVERIFY(b.isNull());
    }

    void pendingHint_data()
    {
        QTest::addColumn<int>("dirtyCards");
        QTest::addColumn<QString>("hint");

        QTest::newRow("none") << 0 << "Aucune modification en attente.";
        QTest::newRow("one") << 1
                             << "1 carte modifiée — utilisez le bouton Changer de la carte "
                                "concernée.";
        QTest::newRow("two") << 2
                             << "2 cartes modifiées — utilisez le bouton Changer de chaque "
                                "carte.";
        QTest::newRow("twelve") << 12
                                << "12 cartes modifiées — utilisez le bouton Changer de chaque "
                                   "carte.";
    }

    void pendingHint()
    {
        QFETCH(int, dirtyCards);
        QFETCH(QString, hint);

        FakeSystem system;
        AppModel model(system.services());
        QStringList ids;
        for (int i = 0; i < 12; ++i)
            ids << QStringLiteral("card%1").arg(i);
        load(model, system, adaptersFor(ids));
        QSignalSpy hintSpy(&model, &AppModel::pendingHintChanged);
        for (int i = 0; i < dirtyCards; ++i)
            model.cards()[i]->setIp(QStringLiteral("10.0.0.%1").arg(i + 1));
        QCOMPARE(model.pendingHint(), hint);
        QCOMPARE(hintSpy.isEmpty(), dirtyCards == 0);

        // A dirty card keeps its draft, and the hint its count, across an automatic refresh.
        load(model, system, adaptersFor(ids));
        QCOMPARE(model.pendingHint(), hint);
    }

    void isBusyFollowsTheCardsOnly()
    {
        FakeSystem system;
        AppModel model(system.services());
        QVERIFY(!model.isBusy());
        model.refresh(false);
        QVERIFY(model.loading());
        QVERIFY(!model.isBusy());
        system.answerRead(adaptersFor({"a", "b"}));
        settle();

        QSignalSpy busySpy(&model, &AppModel::isBusyChanged);
        model.cards()[1]->setBusy(true);
        QVERIFY(model.isBusy());
        QCOMPARE(busySpy.count(), 1);
        model.cards()[1]->setBusy(false);
        QVERIFY(!model.isBusy());
    }
};

QTEST_GUILESS_MAIN(tst_AppModel)
#include "tst_AppModel.moc"
