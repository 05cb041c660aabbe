#include "model/AppModel.h"
#include "model/IPv4.h"
#include "support/FakeSystem.h"

#include <QPointer>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// A re-read, with Ethernet as the system writes the card's address ("shows"), "old", "gone", or
// no list at all ("empty").
QList<AdapterInfo> reRead(const QString &token, const AdapterCardModel *card = nullptr)
{
    QList<AdapterInfo> list{adapter("eth", "Ethernet", "192.168.1.20"),
                            adapter("usb", "USB", "10.0.0.5")};
    if (token == "empty")
        return {};
    if (token == "gone")
        list.removeFirst();
    if (token == "shows")
        list[0].ip = IPv4::format(*IPv4::parse(card->ip()));
    return list;
}

} // namespace

class tst_ApplyFlow : public QObject {
    Q_OBJECT

private slots:
    // "reads": the re-reads, or "fail" for a failed command. A status of "" is the card's message.
    void apply_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QString>("cardMessage");
        QTest::addColumn<QString>("status");
        QTest::addColumn<MessageKind>("kind");

        const auto row = [](const char *name, const QString &ip, const QString &reads,
                            const QString &cardMessage, const QString &status, MessageKind kind) {
            QTest::newRow(name) << ip << reads.split(u' ', Qt::SkipEmptyParts) << cardMessage
                                << status << kind;
        };
        const QString shows = "Configuration envoyée, mais macOS affiche encore : adresse fixe ";
        const QString incomplete = "Configuration envoyée ; vérification incomplète.";
        using enum MessageKind;
        row("blanks trimmed, confirmed at the third re-read", "\t192.168.1.50 ", "old old shows",
            "Configuration appliquée et vérifiée.", "Configuration appliquée sur « Ethernet ».",
            success);
        row("command failed: no re-read", "192.168.1.50", "fail",
            "La commande réseau a échoué (code 1).", "", error);
        row("seen once, then gone: card kept at the end", "192.168.1.50", "old gone gone gone",
            shows + "192.168.1.20/255.255.255.0.", incomplete, warning);
        row("every re-read empty", "192.168.1.50", "empty empty empty empty",
            "Configuration envoyée, mais la relecture des cartes réseau a échoué. Utilisez "
            "Actualiser pour vérifier.",
            "", warning);
        row("service never seen", "192.168.1.50", "gone gone gone gone",
            "Configuration envoyée, mais la carte n'a pas été retrouvée. Utilisez Actualiser pour "
            "vérifier.",
            "", warning);
        row("invalid draft: nothing sent", "192.168.1", "", "",
            "Adresse IP invalide. Format attendu : 192.168.1.50", error);
        row("leading zeros sent as typed, never confirmed", "192.168.001.050",
            "shows shows shows shows", shows + "192.168.1.50/255.255.255.0.", incomplete, warning);
    }

    void apply()
    {
        QFETCH(QString, ip);
        QFETCH(QStringList, reads);
        QFETCH(QString, cardMessage);
        QFETCH(QString, status);
        QFETCH(MessageKind, kind);

        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({reRead("old")});
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, "eth");
        card->setIp(ip);
        system.answerCommandsWith({int(reads.removeAll("fail")), {}, {}}); // status 1 or 0
        for (const QString &token : reads)
            system.queueReads({reRead(token, card)});
        model.requestApply(card);
        // Sent trimmed, but never rewritten.
        const QString sent = "setManual|Ethernet|" + ip.trimmed() + "|255.255.255.0|192.168.1.1";
        QCOMPARE(system.commands(), IPv4::parse(ip) ? QStringList{sent} : QStringList());
        QCOMPARE(system.waits(), QList<std::chrono::milliseconds>(reads.size(), 300ms));
        QCOMPARE(card->message(), cardMessage);
        QCOMPARE(card->messageKind(), cardMessage.isEmpty() ? MessageKind::info : kind);
        QCOMPARE(model.statusText(), status.isEmpty() ? cardMessage : status);
        QCOMPARE(model.statusKind(), kind);
        QVERIFY(!card->busy());
        QCOMPARE(card->isDirty(), kind != MessageKind::success);
        QCOMPARE(model.cards().last() == card, reads.value(3) == "gone" && reads[0] == "old");
    }

    // Pending in display order: Ethernet, a bare disabled record, then USB, never sent.
    void applyAllPendingStopsAtTheFirstFailure()
    {
        FakeSystem system;
        AppModel model(system.services());
        system.queueReads(
            {{adapter("eth", "Ethernet", "192.168.1.20"), AdapterInfo(), adapter("usb")}});
        model.refresh(false);
        for (AdapterCardModel *card : model.cards())
            card->setIp(card->ip() + '0');
        system.queueReads({reRead("shows", cardOf(model, "eth"))});
        model.applyAllPending();
        QCOMPARE(system.commands().size(), 1);
        QVERIFY(!cardOf(model, "eth")->isDirty());
        QCOMPARE(cardOf(model, "")->message(),
                 "La carte est désactivée ; activez-la avant de changer son adressage.");
    }

    // A refresh already reading drops the service while its apply waits for the system.
    void aCardDroppedWhileApplyingStaysAliveUntilDone()
    {
        FakeSystem system;
        AppModel model(system.services());
        system.queueReads({reRead("old")});
        model.refresh(false);
        QPointer<AdapterCardModel> card = cardOf(model, "eth");
        card->setIp(QStringLiteral("192.168.1.50"));
        model.refresh(false);
        system.holdCommands();
        model.requestApply(card);
        model.requestApply(card);
        QCOMPARE(system.commands().size(), 1); // the card is busy

        system.answerRead(reRead("gone"));
        QTRY_VERIFY(!model.cards().contains(card));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!card.isNull());

        system.queueReads({reRead("shows", card)});
        system.releaseCommand({});
        QTRY_VERIFY(card.isNull()); // released once idle
        QCOMPARE(model.statusText(), "Configuration appliquée sur « Ethernet ».");
    }
};

QTEST_GUILESS_MAIN(tst_ApplyFlow)
#include "tst_ApplyFlow.moc"
