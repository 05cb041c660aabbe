// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "support/FakeSystem.h"

#include <QPointer>
#include <QTest>

namespace {

const QString previous = QStringLiteral("previous");
// The reader words its failures; the model passes any of them on.
const QString readFailure = QStringLiteral("Lecture réseau impossible : la raison du lecteur.");

void answer(FakeSystem &system, const QStringList &ids)
{
    system.answerRead(adaptersFor(ids));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class tst_AppModel : public QObject {
    Q_OBJECT

private slots:
    // Cards shown before ({"-"}: never read), "a" and "b" with drafts; an empty read keeps them.
    void refresh_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("hint");

        const QStringList never{"-"}, none, ab{"a", "b"};
        const QString incomplete = "Lecture réseau incomplète : les cartes affichées sont "
                                   "conservées. Réessayez avec Actualiser.";
        const QString empty =
            "Aucune carte réseau détectée. Vérifiez les réglages Réseau de macOS.";
        const QString clean = "Aucune modification en attente.";
        const QString one = "1 carte modifiée — utilisez le bouton Changer de la carte concernée.";
        const QString two = "2 cartes modifiées — utilisez le bouton Changer de chaque carte.";
        const auto row = [](const char *name, QStringList before, bool manual, QStringList read,
                            QString status, QString hint) {
            QTest::newRow(name) << before << manual << read << status << hint;
        };
        row("manual", ab, true, ab, "Cartes réseau actualisées.", two);
        row("automatic: reordered, added, dropped", {"a", "b", "c", "d"}, false, {"c", "e", "a"},
            previous, one);
        row("empty read, cards kept", ab, false, none, incomplete, two);
        row("first read empty", never, false, none, empty, clean);
        row("later automatic read empty", none, false, none, previous, clean);
        row("manual read empty", none, true, none, empty, clean);
    }

    void refresh()
    {
        QFETCH(QStringList, before);
        QFETCH(bool, manual);
        QFETCH(QStringList, read);
        QFETCH(QString, status);
        QFETCH(QString, hint);

        FakeModel fake;
        auto &[system, model] = fake;
        QString heardHint;
        connect(&model, &AppModel::pendingHintChanged, [&] { heardHint = model.pendingHint(); });
        QHash<QString, QPointer<AdapterCardModel>> shown;
        if (before != QStringList{"-"}) {
            model.refresh(false);
            answer(system, before);
            for (AdapterCardModel *card : model.cards()) {
                shown.insert(card->id(), card);
                card->setIp(card->id() <= "b" ? "10.0.0.99" : card->ip());
            }
        }
        model.announce(previous);

        model.refresh(manual);
        // Requests meeting a read in flight, or a busy card below, are dropped.
        model.requestRefresh(true);
        model.requestAutoRefresh();
        QCOMPARE(system.readsPending(), 1);
        QVERIFY(model.loading());
        QCOMPARE(model.statusText(), manual ? "Actualisation des cartes réseau…" : previous);
        if (shown.isEmpty())
            QCOMPARE(model.pendingHint(), QStringLiteral("Chargement des cartes réseau…"));
        answer(system, read);
        QVERIFY(!model.loading());
        QCOMPARE(model.statusText(), status);
        QCOMPARE(model.pendingHint(), hint);
        QCOMPARE(heardHint, hint);
        QStringList ids;
        for (AdapterCardModel *card : model.cards())
            ids << card->id();
        QCOMPARE(ids, read.isEmpty() && !shown.isEmpty() ? before : read);
        for (const QString &id : shown.keys())
            QCOMPARE(shown[id].data(), ids.contains(id) ? cardOf(model, id) : nullptr);
        if (!ids.isEmpty()) {
            model.cards().first()->setBusy(true);
            model.requestRefresh(true);
            model.requestAutoRefresh();
            QCOMPARE(system.readsPending(), 0);
        }
    }

    // A read that failed for a known reason says it, the cards on screen kept.
    void failedReadSaysWhy_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("status");

        QTest::newRow("no cards yet") << QStringList() << readFailure;
        QTest::newRow("cards kept")
            << QStringList{"a", "b"} << readFailure + " Les cartes affichées sont conservées.";
    }

    void failedReadSaysWhy()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, status);

        FakeModel fake;
        auto &[system, model] = fake;
        fake.load(adaptersFor(before));
        system.queueFailedRead(readFailure);
        model.refresh(true);
        QCOMPARE(model.statusText(), status);
        QCOMPARE(model.statusKind(), MessageKind::warning);
        QCOMPARE(model.cards().size(), before.size());
    }
};

QTEST_GUILESS_MAIN(tst_AppModel)
#include "tst_AppModel.moc"
