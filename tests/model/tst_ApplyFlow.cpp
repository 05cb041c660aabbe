// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "IPv4.h"
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

// The model over a fake system that has read both services once, Ethernet's card at hand.
struct Loaded {
    FakeSystem system;
    AppModel model{system.services()};
    AdapterCardModel *card = nullptr;

    Loaded()
    {
        system.queueReads({reRead("old")});
        model.refresh(false);
        card = cardOf(model, "eth");
    }
};

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
        row("leading zeros: the canonical form is sent and confirmed", "192.168.001.050", "shows",
            "Configuration appliquée et vérifiée.", "Configuration appliquée sur « Ethernet ».",
            success);
    }

    void apply()
    {
        QFETCH(QString, ip);
        QFETCH(QStringList, reads);
        QFETCH(QString, cardMessage);
        QFETCH(QString, status);
        QFETCH(MessageKind, kind);

        Loaded loaded;
        auto &[system, model, card] = loaded;
        card->setIp(ip);
        system.answerCommandsWith({int(reads.removeAll("fail")), {}, {}}); // status 1 or 0
        for (const QString &token : reads)
            system.queueReads({reRead(token, card)});
        model.requestApply(card);
        // Sent in canonical form: a C tool reads a leading zero as octal.
        const QString sent =
            "setManual|Ethernet|" + IPv4::canonical(ip).value_or("") + "|255.255.255.0|192.168.1.1";
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

    // The draft asks for 192.168.1.50/24 and the router given; the system shows the address
    // with that mask and router.
    void verification_data()
    {
        QTest::addColumn<QString>("router");
        QTest::addColumn<QString>("shownMask");
        QTest::addColumn<QString>("shownRouter");
        QTest::addColumn<QString>("sentRouter");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<bool>("inEffect");

        const auto row = [](const char *name, QString router, QString shownMask,
                            QString shownRouter, QString sentRouter, bool confirmed,
                            bool inEffect = true) {
            QTest::newRow(name) << router << shownMask << shownRouter << sentRouter << confirmed
                                << inEffect;
        };
        const QString mask = "255.255.255.0";
        row("all shown", "192.168.1.1", mask, "192.168.1.1", "192.168.1.1", true);
        row("another mask", "192.168.1.1", "255.255.0.0", "192.168.1.1", "192.168.1.1", false);
        row("another router", "192.168.1.1", mask, "192.168.1.254", "192.168.1.1", false);
        row("no router asked, the old one kept", "", mask, "192.168.1.1", "", false);
        row("no router asked, none shown", "", mask, "", "", true);
        row("no router asked, 0.0.0.0 shown", "", mask, "0.0.0.0", "", true);
        row("router typed with leading zeros", "192.168.001.001", mask, "192.168.1.1",
            "192.168.1.1", true);
        row("saved, not yet taken by the device", "192.168.1.1", mask, "192.168.1.1", "192.168.1.1",
            false, false);
    }

    void verification()
    {
        QFETCH(QString, router);
        QFETCH(QString, shownMask);
        QFETCH(QString, shownRouter);
        QFETCH(QString, sentRouter);
        QFETCH(bool, confirmed);
        QFETCH(bool, inEffect);

        Loaded loaded;
        auto &[system, model, card] = loaded;
        card->setIp("192.168.1.50");
        card->setRouter(router);
        QList<AdapterInfo> shown = reRead("shows", card);
        shown[0].mask = shownMask;
        shown[0].router = shownRouter;
        shown[0].inEffect = inEffect;
        system.queueReads({shown, shown, shown, shown});
        model.requestApply(card);
        QCOMPARE(system.commands(),
                 QStringList{"setManual|Ethernet|192.168.1.50|255.255.255.0|" + sentRouter});
        QCOMPARE(model.statusKind(), confirmed ? MessageKind::success : MessageKind::warning);
        QCOMPARE(system.readsStarted(), confirmed ? 2 : 5);
    }

    // Where the system finds a service by its name, a name two services share could change
    // the other one: nothing is sent.
    void sharedNameRefused_data()
    {
        QTest::addColumn<bool>("byName");
        QTest::addColumn<bool>("enable"); // the enable flow, else the apply flow

        QTest::newRow("apply, by name") << true << false;
        QTest::newRow("enable, by name") << true << true;
        QTest::newRow("apply, by id") << false << false;
        QTest::newRow("enable, by id") << false << true;
    }

    void sharedNameRefused()
    {
        QFETCH(bool, byName);
        QFETCH(bool, enable);

        FakeSystem system;
        system.setAddressesServicesByName(byName);
        AppModel model(system.services());
        system.queueReads({{adapter("one", "Dock"), adapter("two", "Dock", "10.0.0.5")}});
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, "two");
        card->changeMode(ConfigMode::dhcp);
        if (enable)
            model.requestSetEnabled(card, false);
        else
            model.requestApply(card);
        QCOMPARE(system.commands().size(), byName ? 0 : 1);
        if (byName) {
            const QString refusal = "Plusieurs services portent le nom « Dock » : le système "
                                    "modifierait peut-être l'autre. Renommez l'un d'eux dans les "
                                    "réglages Réseau du système, puis réessayez.";
            QCOMPARE(card->message(), refusal);
            QCOMPARE(model.statusText(), refusal);
            QCOMPARE(model.statusKind(), MessageKind::error);
            QVERIFY(!card->busy());
        }
    }

    // A switch to DHCP confirmed before the lease: short follow-up reads until it shows.
    void dhcpLeaseFollowed_data()
    {
        QTest::addColumn<QStringList>("leases"); // the address of each read after the switch
        QTest::addColumn<int>("reads");
        QTest::addColumn<QString>("shown");

        QTest::newRow("leased at once: no follow-up")
            << QStringList{"192.168.1.77"} << 1 << "192.168.1.77";
        QTest::newRow("leased at the third look")
            << QStringList{"", "169.254.9.9", "192.168.1.77"} << 3 << "192.168.1.77";
        QTest::newRow("never leased: four more looks")
            << QStringList{"", "", "", "", "", "", ""} << 5 << "";
    }

    void dhcpLeaseFollowed()
    {
        QFETCH(QStringList, leases);
        QFETCH(int, reads);
        QFETCH(QString, shown);

        Loaded loaded;
        auto &[system, model, card] = loaded;
        card->changeMode(ConfigMode::dhcp);
        for (const QString &lease : leases) {
            QList<AdapterInfo> list = reRead("old");
            list[0].dhcp = true;
            list[0].ip = lease;
            system.queueReads({list});
        }
        model.requestApply(card);
        QCOMPARE(system.readsStarted(), 1 + reads);
        QList<std::chrono::milliseconds> waits{300ms};
        for (int look = 1; look < reads; ++look)
            waits << 1000ms;
        QCOMPARE(system.waits(), waits);
        QCOMPARE(card->info().ip, shown);
        QCOMPARE(model.statusText(), "Configuration appliquée sur « Ethernet ».");
    }

    // A system that did not answer: its message stays until a read finds the service, where a
    // refusal stays for good; where the change may have been made, the model reads until the
    // system answers and shows what it holds.
    void unansweredChange_data()
    {
        QTest::addColumn<int>("cause");
        QTest::addColumn<bool>("maybeApplied");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("followUps");

        QTest::newRow("gone before sending") << int(ChangeCause::serviceGone) << false
                                             << "macOS ne répond pas ; rien n'a été modifié." << 0;
        QTest::newRow("silent after sending: read until it answers")
            << int(ChangeCause::timedOut) << true
            << "macOS n'a pas répondu à temps : on ne sait pas si la modification a été "
               "enregistrée. La carte sera relue dès qu'il répondra."
            << 3;
        QTest::newRow("a refusal stays") << int(ChangeCause::refused) << false
                                         << "Autorisation refusée : la configuration n'a pas été "
                                            "modifiée."
                                         << 0;
    }

    void unansweredChange()
    {
        QFETCH(int, cause);
        QFETCH(bool, maybeApplied);
        QFETCH(QString, message);
        QFETCH(int, followUps);

        Loaded loaded;
        auto &[system, model, card] = loaded;
        card->setIp("192.168.1.50");
        CommandResult failure{1, {}, "NoReply"};
        failure.cause = ChangeCause(cause);
        failure.maybeApplied = maybeApplied;
        system.answerCommandsWith(failure);
        // Down for two more reads, then up, with the change made if it may have been.
        system.queueFailedRead("Lecture impossible.");
        system.queueFailedRead("Lecture impossible.");
        system.queueReads({reRead(maybeApplied ? "shows" : "old", card)});
        model.requestApply(card);
        QCOMPARE(system.readsStarted(), 1 + followUps);
        QCOMPARE(system.waits(), QList<std::chrono::milliseconds>(followUps, 3000ms));
        QCOMPARE(model.statusText(), message);
        if (followUps == 0) {
            QCOMPARE(card->message(), message);
            model.requestRefresh(false);
            model.requestRefresh(false);
            QCOMPARE(card->message(), message);
            model.requestRefresh(false);
        }
        const bool unanswered = ChangeCause(cause) != ChangeCause::refused;
        QCOMPARE(card->message(), unanswered ? QString() : message);
        QCOMPARE(card->isDirty(), !maybeApplied);

        // The next change's own message is no longer one that waits for a read.
        system.answerCommandsWith({});
        card->setIp("192.168.1.60");
        system.queueReads({reRead("shows", card), reRead("shows", card)});
        model.requestApply(card);
        model.requestRefresh(false);
        QCOMPARE(card->message(), "Configuration appliquée et vérifiée.");
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
