// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "support/FakeSystem.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QRegularExpression>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

// Services that vanish take their cards and views with them without a word on the console:
// a card may go before its view, and the view must not read it then.
class tst_CardsRemoval : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_engine.addImportPath("qrc:/qt/qml"); }

    void vanishingServices_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<bool>("busy");

        QTest::newRow("one of four")
            << QStringList{"a", "b", "c", "d"} << QStringList{"a", "c", "d"} << false;
        QTest::newRow("all but one") << QStringList{"a", "b", "c"} << QStringList{"c"} << false;
        QTest::newRow("moved and removed")
            << QStringList{"a", "b", "c", "d"} << QStringList{"d", "a"} << false;
        QTest::newRow("out of sight") << QStringList{"a", "x", "y", "b", "c", "d"}
                                      << QStringList{"a", "x", "y", "d"} << false;
        QTest::newRow("busy one") << QStringList{"a", "b", "c"} << QStringList{"a", "c"} << true;
    }

    void vanishingServices()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(bool, busy);

        FakeSystem fake;
        AppModel model(fake.services());
        QQuickView view(&m_engine, nullptr);
        view.setResizeMode(QQuickView::SizeRootObjectToView);
        view.setInitialProperties({{"model", QVariant::fromValue(&model)}});
        view.setSource(QUrl("qrc:/qt/qml/Brisvale/qml/ContentView.qml"));
        QCOMPARE(view.status(), QQuickView::Ready);
        // Room for about one card: the others wait out of sight, as in a long list.
        view.resize(1000, 620);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QObject *cards = view.rootObject()->property("cardsLayer").value<QObject *>();
        QObject *list = cards ? cards->property("list").value<QObject *>() : nullptr;
        QVERIFY(list);

        fake.answerRead(adaptersFor(before));
        QTRY_COMPARE(list->property("count").toInt(), before.size());
        const QPointer<AdapterCardModel> removed = cardOf(model, "b");
        QTest::failOnWarning(QRegularExpression(".*"));
        model.requestRefresh(true);
        // An operation that starts while the read runs: the read drops a busy card.
        if (busy)
            removed->setBusy(true);
        fake.answerRead(adaptersFor(after));
        // A threaded render loop lays the list out only at its next frame, after the event
        // loop has deleted what was let go.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTRY_COMPARE(list->property("count").toInt(), after.size());
        if (busy) {
            // The operation still holds its card; it lets it go once it ends.
            QTest::qWait(100);
            QVERIFY(!removed.isNull());
            removed->setBusy(false);
        }
        QTRY_VERIFY(removed.isNull());
        // The frames after the deletions.
        QTest::qWait(100);
    }

    // The list lets a removed card's view go at its next frame, which a threaded render loop
    // may draw after the card itself was deleted: the view then shows an empty card quietly.
    void cardGoesBeforeItsView_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("dirty");

        QTest::newRow("idle") << false << false;
        QTest::newRow("busy") << true << false;
        QTest::newRow("with a draft") << false << true;
    }

    void cardGoesBeforeItsView()
    {
        QFETCH(bool, busy);
        QFETCH(bool, dirty);

        FakeSystem fake;
        AppModel model(fake.services());
        auto *card = new AdapterCardModel(adapter("a"));
        card->setBusy(busy);
        if (dirty)
            card->setIp("192.168.1.21");
        QQmlComponent component(&m_engine, QUrl("qrc:/qt/qml/Brisvale/qml/AdapterCardView.qml"));
        std::unique_ptr<QObject> view(component.createWithInitialProperties(
            {{"card", QVariant::fromValue(card)}, {"appModel", QVariant::fromValue(&model)}}));
        QVERIFY2(view, qPrintable(component.errorString()));
        QCOMPARE(view->property("busy").toBool(), busy);

        QTest::failOnWarning(QRegularExpression(".*"));
        delete card;
        QCOMPARE(view->property("card").value<QObject *>(), nullptr);
        QCOMPARE(view->property("busy").toBool(), false);
        QTest::qWait(0);
    }

private:
    QQmlEngine m_engine;
};

QTEST_MAIN(tst_CardsRemoval)
#include "tst_CardsRemoval.moc"
