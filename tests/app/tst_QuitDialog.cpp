// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "DonationQR.h"
#include "QuitDialogController.h"

#include <QDir>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

class tst_QuitDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_engine.addImportPath(QStringLiteral("qrc:/qt/qml")); }

    // A button or keys, then the window closes: one answer, after the close. Long messages wrap.
    void answers_data()
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

    void answers()
    {
        QFETCH(int, dirty);
        QFETCH(QString, action);
        QFETCH(QuitChoice, choice);

        QList<QuitChoice> answers; // an answer before the close counts as -1
        AppDelegate::QuitTexts texts = AppDelegate::quitTexts(dirty);
        texts.message = texts.message.repeated(3);
        QuitDialogController controller(&m_engine, texts, [&](QuitChoice answer) {
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
        QVERIFY(item("message")->property("lineCount").toInt() > 4);
        QVERIFY(item("message")->mapToScene({item("message")->width(), 0}).x() <=
                item("donationPanel")->mapToScene({0, 0}).x());

        if (action.endsWith("Button"))
            QMetaObject::invokeMethod(item(action), "clicked");
        else if (!action.isEmpty())
            QTest::keySequence(window, QKeySequence(action));
        QTest::qWait(0);
        window->close();
        QMetaObject::invokeMethod(item("primaryButton"), "clicked");
        QTest::qWait(0);
        QCOMPARE(answers, QList<QuitChoice>{choice});
        QCOMPARE(window->size(), QSize(760, 440));
    }

    // The image is the one built into the application, never a file of the build machine.
    void qrImageLookup()
    {
        QCOMPARE(DonationQR::find(":/brisvale/assets/donation-qr.png"),
                 QUrl("qrc:/brisvale/assets/donation-qr.png"));
        QCOMPARE(DonationQR::find(":/brisvale/assets/nothing.png"), QUrl());
        QCOMPARE(DonationQR::find(QString()), QUrl());
    }

private:
    QQmlEngine m_engine;
};

QTEST_MAIN(tst_QuitDialog)
#include "tst_QuitDialog.moc"
