#include "model/AppModel.h"
#include "support/FakeSystem.h"

#include <QPointer>
#include <QTest>

using namespace std::chrono_literals;
using Adapters = QList<AdapterInfo>;

class AppModelTestAccess {
public:
    static void merge(AppModel &model, const Adapters &list, bool preserveMissing)
    {
        model.merge(list, {}, preserveMissing);
    }
};

namespace {

const QString cancelled =
    QStringLiteral("Opération annulée : aucune modification n'a été appliquée.");

// The machine: a manual Ethernet service, a DHCP Wi-Fi service and a disabled one.
Adapters machine()
{
    AdapterInfo ethernet = adapter("eth", "Ethernet", "192.168.1.20");
    AdapterInfo wifi = adapter("wifi", "Wi-Fi", "192.168.0.42");
    wifi.dhcp = true;
    AdapterInfo dock = adapter("dock", "Ethernet Dock", "10.0.0.5");
    dock.enabled = false;
    dock.connected = false;
    return {ethernet, wifi, dock};
}

// Steps such as "mode:dhcp", "ip:10.0.0.2", "mask:255.0.0.0", "router:".
void edit(AdapterCardModel *card, const QStringList &steps)
{
    for (const QString &step : steps) {
        const QString field = step.section(u':', 0, 0);
        const QString value = step.section(u':', 1);
        if (field == QLatin1String("mode"))
            card->changeMode(value == QLatin1String("dhcp") ? ConfigMode::dhcp
                                                            : ConfigMode::manual);
        else if (field == QLatin1String("ip"))
            card->setIp(value);
        else if (field == QLatin1String("mask"))
            card->setMask(value);
        else if (field == QLatin1String("router"))
            card->setRouter(value);
    }
}

// What a re-read returns, by token: the service as requested ("shows"), as before ("old"),
// with the address written without its leading zeros ("normalised"), absent ("gone"), or
// nothing at all ("empty").
Adapters reRead(const QString &token, const AdapterCardModel &card)
{
    Adapters list = machine();
    AdapterInfo &service = list[0];
    if (token == QLatin1String("shows")) {
        service.dhcp = card.mode() == ConfigMode::dhcp;
        if (!service.dhcp) {
            service.ip = card.ip().trimmed();
            service.mask = card.mask().trimmed();
            service.router = card.router().trimmed().isEmpty() ? QStringLiteral("192.168.1.254")
                                                               : card.router().trimmed();
        }
    } else if (token == QLatin1String("normalised")) {
        service.ip = QStringLiteral("192.168.1.50");
    } else if (token == QLatin1String("gone")) {
        list.removeFirst();
    } else if (token == QLatin1String("empty")) {
        list.clear();
    }
    return list;
}

} // namespace

class tst_ApplyFlow : public QObject {
    Q_OBJECT

private slots:
    void apply_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<CommandResult>("command");
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("cardMessage");
        QTest::addColumn<MessageKind>("cardKind");
        QTest::addColumn<QString>("status");
        QTest::addColumn<MessageKind>("statusKind");
        QTest::addColumn<bool>("dirtyAfter");

        const CommandResult ok;
        const QString applied = QStringLiteral("Configuration appliquée et vérifiée.");
        const QString appliedStatus = QStringLiteral("Configuration appliquée sur « Ethernet ».");
        const QString stillShows =
            QStringLiteral("Configuration envoyée, mais macOS affiche encore : adresse fixe "
                           "192.168.1.20/255.255.255.0.");
        const QString incomplete =
            QStringLiteral("Configuration envoyée ; vérification incomplète.");
        const QString readFailed = QStringLiteral(
            "Configuration envoyée, mais la relecture des cartes réseau a échoué. Utilisez "
            "Actualiser pour vérifier.");
        const QString notFound = QStringLiteral("Configuration envoyée, mais la carte n'a pas été "
                                                "retrouvée. Utilisez Actualiser pour vérifier.");
        const QString manualCommand =
            QStringLiteral("setManual|Ethernet|192.168.1.50|255.255.255.0|192.168.1.1");

        QTest::newRow("confirmed at the first re-read")
            << QStringList{"ip:192.168.1.50"} << ok << QStringList{"shows"} << true << manualCommand
            << applied << MessageKind::success << appliedStatus << MessageKind::success << false;
        QTest::newRow("confirmed at the third re-read")
            << QStringList{"ip:192.168.1.50"} << ok << QStringList{"old", "old", "shows"} << true
            << manualCommand << applied << MessageKind::success << appliedStatus
            << MessageKind::success << false;
        QTest::newRow("unconfirmed after four re-reads")
            << QStringList{"ip:192.168.1.50"} << ok << QStringList{"old", "old", "old", "old"}
            << false << manualCommand << stillShows << MessageKind::warning << incomplete
            << MessageKind::warning << true;
        QTest::newRow("prompt cancelled: no re-read")
            << QStringList{"ip:192.168.1.50"}
            << CommandResult{1, "", "0:120: execution error: User canceled. (-128)"}
            << QStringList{} << false << manualCommand << cancelled << MessageKind::error
            << cancelled << MessageKind::error << true;
        QTest::newRow("every re-read empty")
            << QStringList{"ip:192.168.1.50"} << ok
            << QStringList{"empty", "empty", "empty", "empty"} << false << manualCommand
            << readFailed << MessageKind::warning << readFailed << MessageKind::warning << true;
        QTest::newRow("service never seen")
            << QStringList{"ip:192.168.1.50"} << ok << QStringList{"gone", "gone", "gone", "gone"}
            << false << manualCommand << notFound << MessageKind::warning << notFound
            << MessageKind::warning << true;
        QTest::newRow("seen once, then gone")
            << QStringList{"ip:192.168.1.50"} << ok << QStringList{"old", "gone", "gone", "gone"}
            << false << manualCommand << stillShows << MessageKind::warning << incomplete
            << MessageKind::warning << true;
        QTest::newRow("invalid draft: nothing sent")
            << QStringList{"ip:192.168.1"} << ok << QStringList{} << false << QString() << QString()
            << MessageKind::info
            << QStringLiteral("Adresse IP invalide. Format attendu : 192.168.1.50")
            << MessageKind::error << true;
        QTest::newRow("dhcp requested")
            << QStringList{"mode:dhcp"} << ok << QStringList{"shows"} << true
            << QStringLiteral("setDHCP|Ethernet") << applied << MessageKind::success
            << appliedStatus << MessageKind::success << false;
        QTest::newRow("empty router: any router confirms")
            << QStringList{"ip:192.168.1.50", "router:"} << ok << QStringList{"shows"} << true
            << QStringLiteral("setManual|Ethernet|192.168.1.50|255.255.255.0|") << applied
            << MessageKind::success << appliedStatus << MessageKind::success << false;
        QTest::newRow("trimmed texts are sent")
            << QStringList{"ip: 192.168.1.50\t", "mask:255.255.255.0 "} << ok
            << QStringList{"shows"} << true << manualCommand << applied << MessageKind::success
            << appliedStatus << MessageKind::success << false;
        QTest::newRow("leading zeros sent as typed, never confirmed")
            << QStringList{"ip:192.168.001.050"} << ok
            << QStringList{"normalised", "normalised", "normalised", "normalised"} << false
            << QStringLiteral("setManual|Ethernet|192.168.001.050|255.255.255.0|192.168.1.1")
            << QStringLiteral("Configuration envoyée, mais macOS affiche encore : adresse fixe "
                              "192.168.1.50/255.255.255.0.")
            << MessageKind::warning << incomplete << MessageKind::warning << true;
    }

    void apply()
    {
        QFETCH(QStringList, steps);
        QFETCH(CommandResult, command);
        QFETCH(QStringList, reads);
        QFETCH(bool, result);
        QFETCH(QString, sent);
        QFETCH(QString, cardMessage);
        QFETCH(MessageKind, cardKind);
        QFETCH(QString, status);
        QFETCH(MessageKind, statusKind);
        QFETCH(bool, dirtyAfter);

        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({machine()});
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, "eth");
        edit(card, steps);
        system.answerCommandsWith(command);
        Adapters answers;
        for (const QString &token : reads)
            system.queueReads({reRead(token, *card)});
        const int readsBefore = system.readsStarted();

        bool returned = !result;
        [](AppModel &model, AdapterCardModel *card, bool &returned) -> QCoro::Task<> {
            returned = co_await model.apply(card);
        }(model, card, returned);

        QCOMPARE(returned, result);
        QCOMPARE(system.commands(), sent.isEmpty() ? QStringList() : QStringList{sent});
        QCOMPARE(system.readsStarted() - readsBefore, reads.size());
        // A wait of 0.3 s before every re-read, none after the last.
        QCOMPARE(system.waits(), QList<std::chrono::milliseconds>(reads.size(), 300ms));
        QCOMPARE(card->message(), cardMessage);
        QCOMPARE(card->messageKind(), cardKind);
        QCOMPARE(model.statusText(), status);
        QCOMPARE(model.statusKind(), statusKind);
        QVERIFY(!card->busy());
        QVERIFY(card->showErrors());
        QCOMPARE(card->isDirty(), dirtyAfter);
        // The service stays listed, at the end when the last read no longer had it.
        QCOMPARE(model.cards().contains(card), true);
        if (reads.size() == 4 && reads.last() == QLatin1String("gone") && reads.first() == "old")
            QCOMPARE(model.cards().last(), card);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("message");

        QTest::newRow("busy card") << "eth" << true << QString();
        QTest::newRow("disabled card")
            << "dock" << false
            << QStringLiteral(
                   "La carte est désactivée ; activez-la avant de changer son adressage.");
    }

    void refusals()
    {
        QFETCH(QString, id);
        QFETCH(bool, busy);
        QFETCH(QString, message);

        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({machine()});
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, id);
        card->setBusy(busy);
        card->setIp(QStringLiteral("10.9.9.9"));

        bool returned = true;
        [](AppModel &model, AdapterCardModel *card, bool &returned) -> QCoro::Task<> {
            returned = co_await model.apply(card);
        }(model, card, returned);

        QVERIFY(!returned);
        QVERIFY(system.commands().isEmpty());
        QCOMPARE(card->message(), message);
        QCOMPARE(model.statusText(), message);
        QCOMPARE(card->busy(), busy);
    }

    void applyAllPendingStopsAtTheFirstFailure()
    {
        FakeSystem system;
        AppModel model(system.services());
        Adapters list = machine();
        list.append(adapter("usb", "USB", "172.16.0.5"));
        system.queueReads({list});
        model.refresh(false);
        // Pending in display order: Ethernet, then the disabled dock, then USB.
        edit(cardOf(model, "eth"), {"ip:192.168.1.50"});
        edit(cardOf(model, "dock"), {"ip:10.0.0.6"});
        edit(cardOf(model, "usb"), {"ip:172.16.0.6"});
        QCOMPARE(model.cards()[0]->id(), QStringLiteral("eth"));
        system.queueReads({reRead("shows", *cardOf(model, "eth"))});

        bool returned = true;
        [](AppModel &model, bool &returned) -> QCoro::Task<> {
            returned = co_await model.applyAllPending();
        }(model, returned);

        QVERIFY(!returned);
        QCOMPARE(system.commands().size(), 1);
        QVERIFY(!cardOf(model, "eth")->isDirty());
        QCOMPARE(cardOf(model, "dock")->messageKind(), MessageKind::warning);
        QVERIFY(cardOf(model, "usb")->isDirty());
        QCOMPARE(cardOf(model, "usb")->message(), QString());
    }

    void applyAllPendingWithNothingPending()
    {
        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({machine()});
        model.refresh(false);

        bool returned = false;
        [](AppModel &model, bool &returned) -> QCoro::Task<> {
            returned = co_await model.applyAllPending();
        }(model, returned);

        QVERIFY(returned);
        QVERIFY(system.commands().isEmpty());
        QCOMPARE(model.statusText(), QString());
    }

    void aCardDroppedWhileApplyingStaysAliveUntilDone()
    {
        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({machine()});
        model.refresh(false);
        QPointer<AdapterCardModel> card = cardOf(model, "eth");
        edit(card, {"ip:192.168.1.50"});
        system.holdCommands();

        bool returned = false;
        [](AppModel &model, AdapterCardModel *card, bool &returned) -> QCoro::Task<> {
            returned = co_await model.apply(card);
        }(model, card, returned);
        // A refresh that was already reading merges a list without the service.
        AppModelTestAccess::merge(model, machine().mid(1), false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!card.isNull());
        QVERIFY(!model.cards().contains(card));

        system.queueReads({reRead("shows", *card)});
        system.releaseCommand({});
        QTRY_VERIFY(returned);
        // The service is listed again, on a card of its own; the old one is released once idle.
        QVERIFY(cardOf(model, "eth") != nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(card.isNull());
    }
};

QTEST_GUILESS_MAIN(tst_ApplyFlow)
#include "tst_ApplyFlow.moc"
