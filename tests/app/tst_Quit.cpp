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

class tst_Quit : public QObject {
    Q_OBJECT

private slots:
    // Of cards a, b and c, the first "dirty" are edited (their DNS servers alone when negative);
    // the dialog gets a button or keys, then its window closes. Applying fails unless the row
    // quits, so that an apply shows.
    void choices_data()
    {
        QTest::addColumn<int>("dirty");
        QTest::addColumn<QString>("message"); // its start
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("quits");

        const QString none = "Aucune", one = "Une carte réseau", two = "2 cartes réseau";
        QTest::newRow("nothing pending, quit") << 0 << none << "Return" << true;
        QTest::newRow("closing stays") << 0 << none << "" << false;
        QTest::newRow("escape stays, DNS alone edited") << -1 << one << "Escape" << false;
        QTest::newRow("return, pending edits: stay") << 2 << two << "Return" << false;
        QTest::newRow("quit without applying") << 2 << two << "secondaryButton" << true;
        QTest::newRow("apply and quit") << 1 << one << "primaryButton" << true;
        QTest::newRow("apply refused: stay") << 1 << one << "primaryButton" << false;
    }

    void choices()
    {
        QFETCH(int, dirty);
        QFETCH(QString, message);
        QFETCH(QString, action);
        QFETCH(bool, quits);

        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        FakeModel fake;
        fake.load(adaptersFor({"a", "b", "c"}));
        for (int i = 0; i < qAbs(dirty); ++i)
            fake.model.cards()[i]->setProperty(dirty > 0 ? "ip" : "dns", "192.168.1.100");
        fake.system.queueReads({{adapter("a", "a", "192.168.1.100"), adapter("b"), adapter("c")}});
        fake.system.answerCommandsWith({quits && action == "primaryButton" ? 0 : 1, {}, {}});

        QStringList events; // an answer before the window closes shows as "early"
        std::unique_ptr<QuitDialogController> dialog;
        const auto open = [&](auto texts, auto handler) {
            events << texts.message;
            dialog = std::make_unique<QuitDialogController>(&engine, texts, [&, handler](auto c) {
                if (dialog->window()->isVisible())
                    events << "early";
                handler(c);
            });
            dialog->show();
        };
        AppDelegate delegate({open, [&](bool quit) { events << (quit ? "quit" : "stay"); },
                              [&] { events << "window"; }});
        // Without a model, or at the end of the desktop session, nothing is asked.
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::terminateNow);
        delegate.setModel(&fake.model);
        QCOMPARE(delegate.shouldTerminate(true), AppDelegate::Reply::terminateNow);
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::terminateLater);
        QCOMPARE(delegate.shouldTerminate(false), AppDelegate::Reply::cancel); // the dialog is open

        QQuickView *window = dialog->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const auto item = [window](const QString &name) {
            return window->rootObject()->findChild<QQuickItem *>(name);
        };
        QCOMPARE(item("secondaryButton")->isVisible(), dirty != 0);
        // The button Return presses is the one drawn as the default.
        const QString returnButton = dirty != 0 ? "stayButton" : "primaryButton";
        for (const QString name : {"stayButton", "secondaryButton", "primaryButton"})
            QCOMPARE(item(name)->property("isDefault").toBool(), name == returnButton);
        if (action.endsWith("Button"))
            QMetaObject::invokeMethod(item(action), "clicked");
        else if (!action.isEmpty())
            QTest::keySequence(window, QKeySequence(action));
        QTest::qWait(0);
        window->close();
        QMetaObject::invokeMethod(item("primaryButton"), "clicked"); // too late to count
        QTest::qWait(0);
        QCOMPARE(events.mid(1), (quits ? QStringList{"quit"} : QStringList{"stay", "window"}));
        QCOMPARE(events.value(0).left(message.size()), message); // the dialog, once
        QVERIFY(!delegate.terminationPending());
    }
};

QTEST_MAIN(tst_Quit)
#include "tst_Quit.moc"
