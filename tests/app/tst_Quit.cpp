// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppDelegate.h"
#include "QuitDialogController.h"
#include "support/FakeSystem.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

// Quitting with edits not applied: what the application asks, and what it does with the answer.
class tst_Quit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_engine.addImportPath(QStringLiteral("qrc:/qt/qml")); }

    // Of cards a, b and c, the first "dirty" are edited; applying them fails unless one quits.
    void choices_data()
    {
        QTest::addColumn<int>("dirty");
        QTest::addColumn<QString>("message"); // its start
        QTest::addColumn<QuitChoice>("choice");
        QTest::addColumn<bool>("quits");

        const QString one = "Une carte réseau a été modifiée", two = "2 cartes réseau ont été";
        QTest::newRow("nothing pending, quit") << 0 << "Aucune" << QuitChoice::primary << true;
        QTest::newRow("stay") << 2 << two << QuitChoice::stay << false;
        QTest::newRow("quit without applying") << 2 << two << QuitChoice::secondary << true;
        QTest::newRow("apply and quit") << 1 << one << QuitChoice::primary << true;
        QTest::newRow("apply refused: stay") << 1 << one << QuitChoice::primary << false;
    }

    void choices()
    {
        QFETCH(int, dirty);
        QFETCH(QString, message);
        QFETCH(QuitChoice, choice);
        QFETCH(bool, quits);

        FakeModel fake;
        fake.load(adaptersFor({"a", "b", "c"}));
        for (int i = 0; i < dirty; ++i)
            fake.model.cards()[i]->setIp(QStringLiteral("192.168.1.100"));
        fake.system.queueReads({{adapter("a", "a", "192.168.1.100"), adapter("b"), adapter("c")}});
        fake.system.answerCommandsWith({quits ? 0 : 1, {}, {}});

        QStringList events;
        std::function<void(QuitChoice)> answer;
        AppDelegate delegate(
            {[&](auto texts, auto handler) { events << texts.message, answer = handler; },
             [&](bool quit) { events << (quit ? "quit" : "stay"); }, [&] { events << "window"; }});
        // Without a model, or at the end of the desktop session, nothing is asked.
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::terminateNow);
        delegate.setModel(&fake.model);
        QCOMPARE(delegate.shouldTerminate(true), AppDelegate::Reply::terminateNow);
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::terminateLater);
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::cancel); // the dialog is open
        answer(choice);
        QCOMPARE(events.value(0).left(message.size()), message); // the dialog, once
        QCOMPARE(events.mid(1), quits ? QStringList{"quit"} : (QStringList{"stay", "window"}));
        QVERIFY(!delegate.terminationPending());
    }

    // A button or keys, then the window closes: one answer, after the close.
    void dialogAnswers_data()
    {
        QTest::addColumn<int>("dirty");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QuitChoice>("choice");

        QTest::newRow("escape stays") << 1 << "Escape" << QuitChoice::stay;
        QTest::newRow("closing stays") << 0 << "" << QuitChoice::stay;
        QTest::newRow("return, pending edits: stay") << 2 << "Return" << QuitChoice::stay;
        QTest::newRow("return, none: quit") << 0 << "Return" << QuitChoice::primary;
        QTest::newRow("quit without applying") << 1 << "secondaryButton" << QuitChoice::secondary;
        QTest::newRow("apply and quit") << 1 << "primaryButton" << QuitChoice::primary;
    }

    void dialogAnswers()
    {
        QFETCH(int, dirty);
        QFETCH(QString, action);
        QFETCH(QuitChoice, choice);

        QList<QuitChoice> answers; // an answer before the close counts as -1
        QuitDialogController controller(
            &m_engine, AppDelegate::quitTexts(dirty), [&](QuitChoice answer) {
                answers << (controller.window()->isVisible() ? QuitChoice(-1) : answer);
            });
        controller.show();
        QQuickView *window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const auto item = [window](const QString &name) {
            return window->rootObject()->findChild<QQuickItem *>(name);
        };
        QCOMPARE(item("secondaryButton")->isVisible(), dirty > 0);
        // The button Return presses is the one drawn as the default.
        const QString returnButton = dirty > 0 ? "stayButton" : "primaryButton";
        for (const QString name : {"stayButton", "secondaryButton", "primaryButton"})
            QCOMPARE(item(name)->property("isDefault").toBool(), name == returnButton);

        if (action.endsWith("Button"))
            QMetaObject::invokeMethod(item(action), "clicked");
        else if (!action.isEmpty())
            QTest::keySequence(window, QKeySequence(action));
        QTest::qWait(0);
        window->close();
        QMetaObject::invokeMethod(item("primaryButton"), "clicked");
        QTest::qWait(0);
        QCOMPARE(answers, QList<QuitChoice>{choice});
    }

private:
    QQmlEngine m_engine;
};

QTEST_MAIN(tst_Quit)
#include "tst_Quit.moc"
