#include "app/AppDelegate.h"
#include "support/FakeSystem.h"

#include <QTest>

using Reply = AppDelegate::Reply;
using OptionalRect = std::optional<QRect>;
Q_DECLARE_METATYPE(OptionalRect)

namespace {

// Records what the delegate asks of the platform and lets the test answer the dialog.
struct PlatformLog {
    AppDelegate::Platform platform()
    {
        return {
            [this](const AppDelegate::QuitTexts &texts, std::function<void(QuitChoice)> handler) {
                dialogs << texts;
                answer = std::move(handler);
            },
            [this](bool quit) { replies << quit; },
            [this] { ++windowShown; },
        };
    }

    QList<AppDelegate::QuitTexts> dialogs;
    std::function<void(QuitChoice)> answer;
    QList<bool> replies;
    int windowShown = 0;
};

} // namespace

class tst_AppDelegate : public QObject {
    Q_OBJECT

private slots:
    void quitTexts_data()
    {
        QTest::addColumn<int>("dirty");
        QTest::addColumn<QString>("messageStart");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<bool>("hasSecondary");

        QTest::newRow("nothing pending") << 0 << "Aucune modification n'est en attente.\n\nMerci"
                                         << "Quitter" << false;
        QTest::newRow("one card") << 1
                                  << "Une carte réseau a été modifiée mais la nouvelle "
                                     "configuration n'a pas encore été appliquée.\n\nVous pouvez"
                                  << "Appliquer et quitter" << true;
        QTest::newRow("three cards")
            << 3
            << "3 cartes réseau ont été modifiées mais leurs nouvelles configurations n'ont pas "
               "encore été appliquées.\n\nVous pouvez appliquer"
            << "Appliquer et quitter" << true;
    }

    void quitTexts()
    {
        QFETCH(int, dirty);
        QFETCH(QString, messageStart);
        QFETCH(QString, primary);
        QFETCH(bool, hasSecondary);

        const AppDelegate::QuitTexts texts = AppDelegate::quitTexts(dirty);
        QCOMPARE(texts.title, QStringLiteral("Quitter Brisvale ?"));
        QVERIFY2(texts.message.startsWith(messageStart), qPrintable(texts.message));
        QCOMPARE(texts.primaryText, primary);
        QCOMPARE(texts.secondaryText.has_value(), hasSecondary);
        if (hasSecondary)
            QCOMPARE(*texts.secondaryText, QStringLiteral("Quitter sans appliquer"));
        QCOMPARE(texts.stayText, QStringLiteral("Rester"));
        QCOMPARE(texts.hasPendingChanges, dirty > 0);
    }

    void initialContentSize_data()
    {
        QTest::addColumn<OptionalRect>("area");
        QTest::addColumn<QSize>("size");

        QTest::newRow("1280 × 800") << OptionalRect(QRect(0, 0, 1280, 800)) << QSize(1120, 740);
        QTest::newRow("2560 × 1440") << OptionalRect(QRect(0, 0, 2560, 1440)) << QSize(1120, 880);
        QTest::newRow("900 × 600") << OptionalRect(QRect(0, 0, 900, 600)) << QSize(880, 620);
        QTest::newRow("no screen") << OptionalRect() << QSize(1120, 840);
    }

    void initialContentSize()
    {
        QFETCH(OptionalRect, area);
        QFETCH(QSize, size);
        QCOMPARE(AppDelegate::initialContentSize(area), size);
    }

    void choices_data()
    {
        QTest::addColumn<int>("dirty");
        QTest::addColumn<QuitChoice>("choice");
        QTest::addColumn<bool>("applyConfirmed");
        QTest::addColumn<bool>("quits");
        QTest::addColumn<int>("windowShown");

        QTest::newRow("nothing pending, quit") << 0 << QuitChoice::primary << true << true << 0;
        QTest::newRow("stay") << 1 << QuitChoice::stay << true << false << 1;
        QTest::newRow("quit without applying") << 2 << QuitChoice::secondary << true << true << 0;
        QTest::newRow("apply and quit") << 1 << QuitChoice::primary << true << true << 0;
        QTest::newRow("apply refused: stay and show the window")
            << 1 << QuitChoice::primary << false << false << 1;
    }

    void choices()
    {
        QFETCH(int, dirty);
        QFETCH(QuitChoice, choice);
        QFETCH(bool, applyConfirmed);
        QFETCH(bool, quits);
        QFETCH(int, windowShown);

        FakeSystem system;
        system.queueReads({adaptersFor({"a", "b", "c"})});
        AppModel model(system.services());
        model.refresh(false);
        for (int i = 0; i < dirty; ++i)
            model.cards()[i]->setIp(QStringLiteral("192.168.1.%1").arg(100 + i));
        if (applyConfirmed) {
            AdapterInfo applied = adapter("a", "a", "192.168.1.100");
            system.queueReads({{applied, adapter("b"), adapter("c")}});
        } else {
            system.answerCommandsWith({1, "", "User canceled. (-128)"});
        }

        PlatformLog log;
        AppDelegate delegate(log.platform());
        delegate.setModel(&model);

        QCOMPARE(delegate.shouldTerminate(false), Reply::terminateLater);
        QCOMPARE(log.dialogs.size(), 1);
        QCOMPARE(log.dialogs.first().hasPendingChanges, dirty > 0);
        // A second request while the dialog is open is cancelled, and no dialog is added.
        QCOMPARE(delegate.shouldTerminate(false), Reply::cancel);
        QCOMPARE(log.dialogs.size(), 1);

        log.answer(choice);
        QCOMPARE(log.replies, QList<bool>{quits});
        QCOMPARE(log.windowShown, windowShown);
        QVERIFY(!delegate.terminationPending());
    }

    void quitsAtOnceWithoutAsking_data()
    {
        QTest::addColumn<bool>("sessionEnding");
        QTest::addColumn<bool>("withModel");

        QTest::newRow("end of the desktop session") << true << true;
        QTest::newRow("no model any more") << false << false;
    }

    void quitsAtOnceWithoutAsking()
    {
        QFETCH(bool, sessionEnding);
        QFETCH(bool, withModel);

        FakeSystem system;
        system.queueReads({adaptersFor({"a"})});
        AppModel model(system.services());
        model.refresh(false);
        model.cards().first()->setIp(QStringLiteral("10.0.0.9"));
        PlatformLog log;
        AppDelegate delegate(log.platform());
        if (withModel)
            delegate.setModel(&model);

        QCOMPARE(delegate.shouldTerminate(sessionEnding), Reply::terminateNow);
        QVERIFY(log.dialogs.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_AppDelegate)
#include "tst_AppDelegate.moc"
