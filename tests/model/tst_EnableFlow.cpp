#include "model/AppModel.h"
#include "support/FakeSystem.h"

#include <QTest>

using namespace std::chrono_literals;
using Adapters = QList<AdapterInfo>;

namespace {

// A manual Ethernet service, enabled, and a second one, disabled.
Adapters machine(bool ethernetEnabled = true, bool dockEnabled = false)
{
    AdapterInfo ethernet = adapter("eth", "Ethernet", "192.168.1.20");
    ethernet.enabled = ethernetEnabled;
    AdapterInfo dock = adapter("dock", "Ethernet Dock", "10.0.0.5");
    dock.enabled = dockEnabled;
    return {ethernet, dock};
}

// The service of the test as a re-read shows it: enabled ("on"), disabled ("off"), absent
// ("gone"), or no list at all ("empty").
Adapters reRead(const QString &id, const QString &token)
{
    if (token == QLatin1String("empty"))
        return {};
    Adapters list = machine();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].id != id)
            continue;
        if (token == QLatin1String("gone"))
            list.removeAt(i);
        else
            list[i].enabled = token == QLatin1String("on");
        break;
    }
    return list;
}

void runSetEnabled(AppModel &model, AdapterCardModel *card, bool enabled)
{
    [](AppModel &model, AdapterCardModel *card, bool enabled) -> QCoro::Task<> {
        co_await model.setEnabled(card, enabled);
    }(model, card, enabled);
}

} // namespace

class tst_EnableFlow : public QObject {
    Q_OBJECT

private slots:
    void setEnabled_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<CommandResult>("command");
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<int>("waits");
        QTest::addColumn<QString>("cardMessage");
        QTest::addColumn<MessageKind>("kind");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("enabledAfter");

        const CommandResult ok;
        const QString unconfirmed = QStringLiteral("macOS n'a pas confirmé le changement d'état.");
        const QString unreadable = QStringLiteral(
            "L'état de la carte n'a pas pu être relu. Utilisez Actualiser pour vérifier.");

        QTest::newRow("enabling, confirmed at once")
            << "dock" << true << ok << QStringList{"on"} << 1 << "Carte activée."
            << MessageKind::success << "« Ethernet Dock » est activée." << true;
        QTest::newRow("enabling what is already enabled")
            << "eth" << true << ok << QStringList{"on"} << 1 << "Carte activée."
            << MessageKind::success << "« Ethernet » est activée." << true;
        QTest::newRow("disabling, confirmed at the second re-read")
            << "eth" << false << ok << QStringList{"on", "off"} << 2 << "Carte désactivée."
            << MessageKind::success << "« Ethernet » est désactivée." << false;
        QTest::newRow("unconfirmed after three re-reads")
            << "eth" << false << ok << QStringList{"on", "on", "on"} << 4 << unconfirmed
            << MessageKind::warning << unconfirmed << true;
        QTest::newRow("prompt cancelled: no re-read")
            << "eth" << false << CommandResult{1, "", "execution error: User canceled. (-128)"}
            << QStringList{} << 0 << "Opération annulée : aucune modification n'a été appliquée."
            << MessageKind::error << "Opération annulée : aucune modification n'a été appliquée."
            << true;
        QTest::newRow("every re-read empty")
            << "eth" << false << ok << QStringList{"empty", "empty", "empty"} << 4 << unreadable
            << MessageKind::warning << unreadable << true;
        QTest::newRow("service never seen")
            << "eth" << false << ok << QStringList{"gone", "gone", "gone"} << 4 << unreadable
            << MessageKind::warning << unreadable << true;
        QTest::newRow("seen once, then gone: the card stays")
            << "eth" << false << ok << QStringList{"on", "gone", "gone"} << 4 << unconfirmed
            << MessageKind::warning << unconfirmed << true;
    }

    void setEnabled()
    {
        QFETCH(QString, id);
        QFETCH(bool, enable);
        QFETCH(CommandResult, command);
        QFETCH(QStringList, reads);
        QFETCH(int, waits);
        QFETCH(QString, cardMessage);
        QFETCH(MessageKind, kind);
        QFETCH(QString, status);
        QFETCH(bool, enabledAfter);

        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({machine()});
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, id);
        system.answerCommandsWith(command);
        for (const QString &token : reads)
            system.queueReads({reRead(id, token)});
        const int readsBefore = system.readsStarted();

        runSetEnabled(model, card, enable);

        QCOMPARE(system.commands(), QStringList{"setServiceEnabled|" + card->info().serviceName +
                                                "|" + (enable ? "on" : "off")});
        QCOMPARE(system.readsStarted() - readsBefore, reads.size());
        QCOMPARE(system.waits(), QList<std::chrono::milliseconds>(waits, 300ms));
        QCOMPARE(card->message(), cardMessage);
        QCOMPARE(card->messageKind(), kind);
        QCOMPARE(model.statusText(), status);
        QCOMPARE(model.statusKind(), kind);
        QCOMPARE(card->info().enabled, enabledAfter);
        QVERIFY(!card->busy());
        QVERIFY(model.cards().contains(card));
        if (reads.size() == 3 && reads.first() == QLatin1String("on") && reads.last() == "gone")
            QCOMPARE(model.cards().last(), card);
    }

    void aBusyCardIsLeftAlone()
    {
        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({machine()});
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, "eth");
        card->setBusy(true);

        runSetEnabled(model, card, false);

        QVERIFY(system.commands().isEmpty());
        QCOMPARE(model.statusText(), QString());
        QVERIFY(card->busy());
    }

    void disablingKeepsAPendingDraft()
    {
        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({machine()});
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, "eth");
        card->setIp(QStringLiteral("192.168.1.99"));
        card->setMessage(QStringLiteral("ancien message"));
        system.queueReads({reRead("eth", "off")});

        runSetEnabled(model, card, false);

        QCOMPARE(card->ip(), QStringLiteral("192.168.1.99"));
        QVERIFY(card->isDirty());
        QVERIFY(!card->canEdit());
        QCOMPARE(card->message(), QStringLiteral("Carte désactivée."));
        QCOMPARE(card->hintText(), QStringLiteral("Carte désactivée"));
    }
};

QTEST_GUILESS_MAIN(tst_EnableFlow)
#include "tst_EnableFlow.moc"
