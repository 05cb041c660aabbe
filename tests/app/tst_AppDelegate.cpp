// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppDelegate.h"
#include "support/FakeSystem.h"

#include <QTest>

class tst_AppDelegate : public QObject {
    Q_OBJECT

private slots:
    void initialContentSize_data()
    {
        QTest::addColumn<QRect>("area"); // null: no screen
        QTest::addColumn<QSize>("size");

        QTest::newRow("2560 × 1440: at most") << QRect(0, 0, 2560, 1440) << QSize(1120, 880);
        QTest::newRow("900 × 600: at least") << QRect(0, 0, 900, 600) << QSize(880, 620);
        QTest::newRow("no screen") << QRect() << QSize(1120, 840);
    }

    void initialContentSize()
    {
        QFETCH(QRect, area);
        QFETCH(QSize, size);
        const auto screen = area.isNull() ? std::nullopt : std::optional(area);
        QCOMPARE(AppDelegate::initialContentSize(screen), size);
    }

    // Of cards a, b and c, the first "dirty" are edited; applying them fails unless one quits.
    void choices_data()
    {
        QTest::addColumn<int>("dirty");
        QTest::addColumn<QString>("message"); // its start
        QTest::addColumn<QuitChoice>("choice");
        QTest::addColumn<bool>("quits");

        const QString one = "Une carte réseau a été modifiée", two = "2 cartes réseau ont été";
        QTest::newRow("nothing pending, quit") << 0 << "Aucune" << QuitChoice::primary << true;
        QTest::newRow("stay") << 1 << one << QuitChoice::stay << false;
        QTest::newRow("quit without applying") << 2 << two << QuitChoice::secondary << true;
        QTest::newRow("apply and quit") << 1 << one << QuitChoice::primary << true;
        QTest::newRow("apply refused: stay") << 2 << two << QuitChoice::primary << false;
    }

    void choices()
    {
        QFETCH(int, dirty);
        QFETCH(QString, message);
        QFETCH(QuitChoice, choice);
        QFETCH(bool, quits);

        FakeSystem system;
        system.queueReads({adaptersFor({"a", "b", "c"})});
        AppModel model(system.services());
        model.refresh(false);
        for (int i = 0; i < dirty; ++i)
            model.cards()[i]->setIp(QStringLiteral("192.168.1.100"));
        system.queueReads({{adapter("a", "a", "192.168.1.100"), adapter("b"), adapter("c")}});
        system.answerCommandsWith({quits ? 0 : 1, {}, {}});

        QStringList events;
        std::function<void(QuitChoice)> answer;
        AppDelegate delegate(
            {[&](auto texts, auto handler) { events << texts.message, answer = handler; },
             [&](bool quit) { events << (quit ? "quit" : "stay"); }, [&] { events << "window"; }});
        // Without a model, or at the end of the desktop session, nothing is asked.
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::terminateNow);
        delegate.setModel(&model);
        QCOMPARE(delegate.shouldTerminate(true), AppDelegate::Reply::terminateNow);
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::terminateLater);
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::cancel); // the dialog is open
        answer(choice);
        QCOMPARE(events.value(0).left(message.size()), message); // the dialog, once
        QCOMPARE(events.mid(1), quits ? QStringList{"quit"} : (QStringList{"stay", "window"}));
        QVERIFY(!delegate.terminationPending());
    }
};

QTEST_GUILESS_MAIN(tst_AppDelegate)
#include "tst_AppDelegate.moc"
