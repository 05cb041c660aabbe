#include "app/DonationQR.h"
#include "app/QuitDialogController.h"

#include <QDir>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

namespace {

void writePng(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.save(path);
}

} // namespace

class tst_QuitDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_engine.addImportPath(QStringLiteral("qrc:/qt/qml")); }

    void answers_data()
    {
        QTest::addColumn<int>("dirty");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QuitChoice>("choice");

        QTest::newRow("escape stays") << 1 << "escape" << QuitChoice::stay;
        QTest::newRow("the close button stays") << 1 << "close" << QuitChoice::stay;
        QTest::newRow("return with pending edits stays") << 2 << "return" << QuitChoice::stay;
        QTest::newRow("return without pending edits quits") << 0 << "return" << QuitChoice::primary;
        QTest::newRow("quit without applying") << 1 << "secondaryButton" << QuitChoice::secondary;
        QTest::newRow("apply and quit") << 1 << "primaryButton" << QuitChoice::primary;
    }

    void answers()
    {
        QFETCH(int, dirty);
        QFETCH(QString, action);
        QFETCH(QuitChoice, choice);

        QList<QuitChoice> answers;
        bool closedBeforeAnswer = false;
        QuitDialogController *controller = nullptr;
        controller = new QuitDialogController(
            &m_engine, AppDelegate::quitTexts(dirty), [&](QuitChoice answer) {
                closedBeforeAnswer = !controller->window()->isVisible();
                answers << answer;
            });
        controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(controller->window()));
        QCOMPARE(controller->window()->size(), QSize(760, 440));
        QQuickItem *view = controller->window()->rootObject();
        QVERIFY(view);
        QCOMPARE(view->findChild<QQuickItem *>("secondaryButton")->isVisible(), dirty > 0);

        if (action == QLatin1String("escape"))
            QTest::keyClick(controller->window(), Qt::Key_Escape);
        else if (action == QLatin1String("return"))
            QTest::keyClick(controller->window(), Qt::Key_Return);
        else if (action == QLatin1String("close"))
            controller->window()->close();
        else
            QMetaObject::invokeMethod(view->findChild<QQuickItem *>(action), "clicked");
        // Whatever follows (the window's own close, a second press) answers nothing more.
        QTest::qWait(0);
        controller->window()->close();
        QMetaObject::invokeMethod(view->findChild<QQuickItem *>("primaryButton"), "clicked");
        QTest::qWait(0);

        QCOMPARE(answers, QList<QuitChoice>{choice});
        QVERIFY(closedBeforeAnswer);
        delete controller;
    }

    void donationPanelAndLongMessage_data()
    {
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<QString>("line");

        QTest::newRow("with the QR image")
            << true << "Scannez ce QR code ou cliquez dessus pour faire un don via PayPal.";
        QTest::newRow("without it")
            << false << "Ouvrez la page de don ci-dessous pour soutenir le projet.";
    }

    void donationPanelAndLongMessage()
    {
        QFETCH(bool, withImage);
        QFETCH(QString, line);

        QuitDialogController controller(&m_engine, AppDelegate::quitTexts(3), [](QuitChoice) {});
        controller.show();
        QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
        QQuickItem *view = controller.window()->rootObject();
        view->setProperty("qrImage",
                          withImage ? QUrl(QStringLiteral("qrc:/brisvale/assets/donation-qr.png"))
                                    : QUrl());
        const QString longMessage = AppDelegate::quitTexts(3).message.repeated(2);
        view->setProperty("message", longMessage);
        QTest::qWait(0);

        QCOMPARE(view->findChild<QQuickItem *>("qrButton")->isVisible(), withImage);
        bool found = false;
        for (const QQuickItem *item : view->findChildren<QQuickItem *>()) {
            if (item->property("text").toString() == line)
                found = true;
        }
        QVERIFY2(found, qPrintable(line));
        // The message wraps within its column, left of the panel, inside the fixed frame.
        const QQuickItem *message = view->findChild<QQuickItem *>("message");
        const QQuickItem *panel = view->findChild<QQuickItem *>("donationPanel");
        QVERIFY(message->property("lineCount").toInt() > 4);
        QVERIFY(message->mapToScene({message->width(), 0}).x() <= panel->mapToScene({0, 0}).x());
        QCOMPARE(controller.window()->size(), QSize(760, 440));
        controller.window()->close();
        QTest::qWait(0);
    }

    void qrImageLookup_data()
    {
        QTest::addColumn<bool>("resource");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("found");

        QTest::newRow("built into the application")
            << true << QStringList{"assets/donation-qr.png"} << "resource";
        QTest::newRow("assets below the working folder")
            << false << QStringList{"assets/donation-qr.png", "mac/assets/donation-qr.png"}
            << "assets/donation-qr.png";
        QTest::newRow("only mac/assets")
            << false << QStringList{"mac/assets/donation-qr.png"} << "mac/assets/donation-qr.png";
        QTest::newRow("nowhere") << false << QStringList{} << "";
    }

    void qrImageLookup()
    {
        QFETCH(bool, resource);
        QFETCH(QStringList, files);
        QFETCH(QString, found);

        QTemporaryDir dir;
        for (const QString &file : files)
            writePng(dir.filePath(file));
        const QString resourcePath =
            resource ? QStringLiteral(":/brisvale/assets/donation-qr.png") : QString();
        const QUrl image = DonationQR::find(resourcePath, dir.path());
        if (found == QLatin1String("resource"))
            QCOMPARE(image, QUrl(QStringLiteral("qrc:/brisvale/assets/donation-qr.png")));
        else if (found.isEmpty())
            QVERIFY(image.isEmpty());
        else
            QCOMPARE(image, QUrl::fromLocalFile(dir.filePath(found)));
    }

private:
    QQmlEngine m_engine;
};

QTEST_MAIN(tst_QuitDialog)
#include "tst_QuitDialog.moc"
