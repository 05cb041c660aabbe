// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "IPv4.h"
#include "PingRunner.h"
#include "PingTab.h"
#include "support/FakeSystem.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using namespace std::chrono_literals;

namespace {

const QString readFailure = QStringLiteral("Lecture réseau impossible : la raison du lecteur.");

CommandResult failure(ChangeCause cause, bool maybeApplied = false, const QString &error = {})
{
    return {1, {}, error, false, cause, maybeApplied};
}

// Ethernet with a manual address, USB with a draft that no flow on another card may lose, and a
// disabled dock, read once as at start-up; `card` is the one the test acts on.
struct Machine {
    FakeSystem system;
    AppModel model{system.services()};
    AdapterCardModel *card = nullptr;

    explicit Machine(bool loaded = true)
    {
        if (!loaded)
            return;
        load("old");
        cardOf(model, "usb")->setIp("10.0.0.99");
        card = cardOf(model, "eth");
    }

    // An automatic refresh that reads that, as answer() takes it.
    void load(const QString &token)
    {
        answer({token});
        model.refresh(false);
    }

    // "old" as loaded; the card's service "gone", showing its draft ("shows"), switched "on" or
    // "off", or on DHCP without a lease yet ("nolease"); "twin": USB named as Ethernet.
    QList<AdapterInfo> read(const QString &token) const
    {
        QList<AdapterInfo> list{adapter("eth", "Ethernet"),
                                adapter("usb", token == "twin" ? "Ethernet" : "USB", "10.0.0.5"),
                                adapter("dock", "Ethernet Dock")};
        list[2].enabled = false;
        list[0].dnsServers = {"192.168.1.1"};
        list[0].dnsKept = {"2001:db8::53"};
        const qsizetype acted = card ? QStringList{"eth", "usb", "dock"}.indexOf(card->id()) : -1;
        if (token == "empty" || acted < 0)
            return token == "empty" ? QList<AdapterInfo>() : list;
        AdapterInfo &info = list[acted];
        if (token == "shows" || token == "nolease") {
            info.ip = token == "shows" ? IPv4::canonical(card->ip()).value_or("") : "";
            info.dhcp = card->mode() == ConfigMode::dhcp;
        }
        if (token == "on" || token == "off")
            info.enabled = token == "on";
        if (token == "gone")
            list.removeAt(acted);
        return list;
    }

    // Also "fail": a failed read; "ok" and "lost": pings.
    void answer(const QStringList &tokens)
    {
        for (const QString &token : tokens) {
            if (token == "fail")
                system.queueFailedRead(readFailure);
            else if (token == "ok" || token == "lost")
                system.queuePings({{token == "ok", token, {}}});
            else
                system.queueReads({read(token)});
        }
    }
};

struct Tab : FakeModel {
    PingTab tab;

    // Refreshes the model with cards "id ip router" ("-" for empty); "off" disables a card.
    void show(const QStringList &cards)
    {
        QList<AdapterInfo> records;
        for (const QString &card : cards) {
            const QStringList p = QString(card).replace("-", "").split(u' ');
            AdapterInfo &info = records.emplace_back(adapter(p[0]));
            info.ip = p[1];
            info.router = p[2];
            info.enabled = !p.contains("off");
        }
        load(records);
        tab.setAppModel(&model);
    }
};

} // namespace

class tst_AppModel : public QObject {
    Q_OBJECT

private slots:
    // op: edits, then the action (apply, on, off, test:address|router, refresh, auto); "card:id"
    // picks the card, "unread" skips the first read, "note" is the shell's, other edits are reads.
    // message: the card's, or the hint under the cards after a refresh; status "": the card's.
    // steps: the waits before re-reads, or a test's pings; -1: nothing sent.
    void outcome_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status");
        QTest::addColumn<MessageKind>("kind");
        QTest::addColumn<int>("steps");
        QTest::addColumn<CommandResult>("result");

        const auto row = [](const char *name, const char *op, const char *answers,
                            const QString &message, const QString &status, MessageKind kind,
                            int steps, const CommandResult &result = {}) {
            QTest::newRow(name) << QString(op) << QString(answers) << message << status << kind
                                << steps << result;
        };
        const QString unknown = " : on ne sait pas si la modification a été enregistrée. La carte "
                                "sera relue dès qu'il répondra.";
        const QString own = "L'adresse 192.168.1.20 répond (ok).";
        using enum MessageKind;
        using enum ChangeCause;
        const QString applied = "Configuration appliquée et vérifiée.";
        const QString appliedOn = "Configuration appliquée sur « Ethernet ».";
        row("confirmed at the third re-read", "ip:\t192.168.1.50 apply", "old old shows", applied,
            appliedOn, success, 3);
        row("dhcp never leased: four more looks", "dhcp apply",
            "nolease nolease nolease nolease nolease nolease", applied, appliedOn, success, 5);
        row("seen once, then gone: card kept", "ip:192.168.1.50 apply", "old gone gone gone",
            "Configuration envoyée, mais macOS affiche encore : adresse fixe "
            "192.168.1.20/255.255.255.0.",
            "Configuration envoyée ; vérification incomplète.", warning, 4);
        row("every re-read empty", "apply", "empty empty empty empty",
            "Configuration envoyée, mais la relecture des cartes réseau a échoué. Utilisez "
            "Actualiser pour vérifier.",
            "", warning, 4);
        row("service never seen", "apply", "gone gone gone gone",
            "Configuration envoyée, mais la carte n'a pas été retrouvée. Utilisez Actualiser pour "
            "vérifier.",
            "", warning, 4);
        row("invalid draft: the card shows why", "ip:192.168.1 apply", "", "", "", error, -1);
        row("disabled card", "card:dock apply", "",
            "La carte est désactivée ; activez-la avant de changer son adressage.", "", warning,
            -1);
        const QString twin =
            "Plusieurs services portent le nom « Ethernet » : le système modifierait "
            "peut-être l'autre. Renommez l'un d'eux dans les réglages Réseau du "
            "système, puis réessayez.";
        row("a name two services share", "twin apply", "", twin, "", error, -1);
        row("cancelled", "apply", "", "Opération annulée : aucune modification n'a été appliquée.",
            "", error, 0, failure(cancelled));
        row("refused", "off", "", "Autorisation refusée : la configuration n'a pas été modifiée.",
            "", error, 0, failure(refused));
        row("silent before sending", "apply", "",
            "macOS n'a pas répondu à temps ; rien n'a été modifié.", "", warning, 0,
            failure(timedOut));
        row("silent after sending: read until it answers", "ip:192.168.1.50 apply",
            "fail fail shows", "", "macOS n'a pas répondu à temps" + unknown, warning, 3,
            failure(timedOut, true));
        row("gone before sending", "apply", "", "macOS ne répond pas ; rien n'a été modifié.", "",
            warning, 0, failure(serviceGone));
        row("gone while sending", "off", "old", "",
            "macOS a cessé de répondre pendant la modification" + unknown, warning, 1,
            failure(serviceGone, true));
        row("malformed, in the backend's words", "apply", "", "Nom refusé.", "", error, 0,
            failure(invalid, false, "Nom refusé."));
        row("failed, with its text", "apply", "", "Échec de la commande réseau : sortie", "", error,
            0, failure(failed, false, "sortie\n"));
        row("failed, nothing printed", "card:dock on", "", "La commande réseau a échoué (code 1).",
            "", error, 0, failure(unclassified));
        row("enabling, confirmed at once", "card:dock on", "on", "Carte activée.",
            "« Ethernet Dock » est activée.", success, 1);
        row("disabling, confirmed at the second look", "off", "on off", "Carte désactivée.",
            "« Ethernet » est désactivée.", success, 2);
        row("state never read back", "off", "gone gone gone",
            "L'état de la carte n'a pas pu être relu. Utilisez Actualiser pour vérifier.", "",
            warning, 4);
        row("unconfirmed, the last re-read without it", "off", "on on gone",
            "macOS n'a pas confirmé le changement d'état.", "", warning, 4);
        row("address and router answer, blanks trimmed", "test:\t192.168.1.20\n|\t192.168.1.1\n",
            "ok ok", own, "", success, 2);
        row("router silent", "test:192.168.1.20|192.168.1.1", "ok lost",
            own + " La passerelle 192.168.1.1 ne répond pas.", "", error, 2);
        row("address silent: router never pinged", "test:192.168.1.20|192.168.1.1", "lost",
            "Aucune réponse de 192.168.1.20 : lost.", "", error, 1);
        row("router is the address", "test:192.168.1.20|192.168.1.20", "ok", own, "", success, 1);
        row("bad router not pinged", "test:192.168.1.20|192.168.1", "ok", own, "", success, 1);
        row("router 0.0.0.0 pinged", "test:192.168.1.20|0.0.0.0", "ok ok", own, "", success, 2);
        row("no address to test", "test:0.0.0.0|192.168.1.1", "",
            "Cette carte n'a pas d'adresse IPv4 valide à tester.", "", error, 0);
        const QString one = "1 carte modifiée — utilisez le bouton Changer de la carte concernée.";
        const QString two = "2 cartes modifiées — utilisez le bouton Changer de chaque carte.";
        row("manual refresh", "refresh", "old", one, "Cartes réseau actualisées.", success, 0);
        row("manual, under way", "unread refresh", "", "Chargement des cartes réseau…",
            "Actualisation des cartes réseau…", info, 0);
        row("first read empty", "unread auto", "empty", "Aucune modification en attente.",
            "Aucune carte réseau détectée. Vérifiez les réglages Réseau de macOS.", warning, 0);
        row("later automatic read empty: the note stays", "unread empty note auto", "empty",
            "Aucune modification en attente.", "note", info, 0);
        row("first read failed", "unread auto", "fail", "Aucune modification en attente.",
            readFailure, warning, 0);
        row("failed read, cards kept", "auto", "fail", one,
            readFailure + " Les cartes affichées sont conservées.", warning, 0);
        row("empty read, cards kept", "ip:10.0.0.9 auto", "empty", two,
            "Lecture réseau incomplète : les cartes affichées sont conservées. Réessayez avec "
            "Actualiser.",
            warning, 0);
    }

    void outcome()
    {
        QFETCH(QString, op);
        QFETCH(QString, answers);
        QFETCH(QString, message);
        QFETCH(QString, status);
        QFETCH(MessageKind, kind);
        QFETCH(int, steps);
        QFETCH(CommandResult, result);

        QStringList edits = op.split(u' ');
        const QString action = edits.takeLast().section(u':', 0, 0);
        const QString arg = op.section(u':', -1);
        Machine machine(!edits.contains("unread"));
        auto &[system, model, card] = machine;
        for (const QString &edit : edits) {
            if (edit.startsWith("ip:"))
                card->setIp(edit.mid(3));
            else if (edit == "dhcp")
                card->changeMode(ConfigMode::dhcp);
            else if (edit.startsWith("card:"))
                card = cardOf(model, edit.mid(5));
            else if (edit == "note")
                model.announce("note");
            else if (edit != "unread")
                machine.load(edit);
        }
        machine.answer(answers.split(u' ', Qt::SkipEmptyParts));
        system.answerCommandsWith(result);
        if (action == "apply")
            model.requestApply(card);
        else if (action == "on" || action == "off")
            model.requestSetEnabled(card, action == "on");
        else if (action == "refresh" || action == "auto")
            model.refresh(action == "refresh");
        if (action == "test") {
            AdapterInfo info = card->info();
            info.ip = arg.section(u'|', 0, 0);
            info.router = arg.section(u'|', 1);
            card->update(info, false);
            model.requestTest(card);
        }

        const bool change = action == "apply" || action == "on" || action == "off";
        QCOMPARE(system.commands().size(), change && steps >= 0 ? 1 : 0);
        QCOMPARE(action == "test" ? system.pings().size() : system.waits().size(), qMax(steps, 0));
        QCOMPARE(model.statusKind(), kind);
        const bool onCard = change || action == "test";
        QCOMPARE(onCard ? card->message() : model.pendingHint(), message);
        QCOMPARE(model.statusText(),
                 status.isEmpty() ? card->displayMessage().value_or(CardMessage()).text : status);
        if (!card)
            return;
        QVERIFY(!card->busy());
        QVERIFY(model.cards().contains(card));
        if (action == "on" || action == "off")
            QCOMPARE(card->info().enabled, (action == "on") == (kind == MessageKind::success));
        QCOMPARE(cardOf(model, "usb")->ip(), "10.0.0.99");
    }

    // draft: the router ("dhcp": none, on DHCP), then the address if not 192.168.1.50 ("-": none);
    // shown: mask and router read back, "saved" when not yet in effect. dns: "typed|sent|shown"
    // for Ethernet's 192.168.1.1 and kept 2001:db8::53.
    void verification_data()
    {
        QTest::addColumn<QString>("draft");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("dns");

        const auto row = [](const char *name, QString draft, QString shown, bool confirmed,
                            QString dns = "192.168.1.1||192.168.1.1") {
            QTest::newRow(name) << draft << shown << confirmed << dns;
        };
        const QString shown = "255.255.255.0 192.168.1.1";
        row("another mask", "192.168.1.1", "255.255.0.0 192.168.1.1", false);
        row("another router", "192.168.1.1", "255.255.255.0 192.168.1.254", false);
        row("no router asked, the old one kept", "-", shown, false);
        row("no router asked, none shown", "-", "255.255.255.0 -", true);
        row("no router asked, 0.0.0.0 shown", "-", "255.255.255.0 0.0.0.0", true);
        row("typed with leading zeros", "192.168.001.001 192.168.001.050", shown, true);
        row("saved, not yet taken by the device", "192.168.1.1", shown + " saved", false);
        row("DNS too, in order", "192.168.1.1", shown, true,
            "9.9.9.9_001.1.1.1|9.9.9.9,1.1.1.1,2001:db8::53|9.9.9.9,1.1.1.1");
        row("DNS shown in another order", "192.168.1.1", shown, false,
            "9.9.9.9,1.1.1.1|9.9.9.9,1.1.1.1,2001:db8::53|1.1.1.1,9.9.9.9");
        row("DNS emptied, still shown", "192.168.1.1", shown, false, "|2001:db8::53|192.168.1.1");
        row("DHCP, DNS emptied", "dhcp", shown, true, "_|2001:db8::53|");
    }

    void verification()
    {
        QFETCH(QString, draft);
        QFETCH(QString, shown);
        QFETCH(bool, confirmed);
        QFETCH(QString, dns);

        Machine machine;
        auto &[system, model, card] = machine;
        const QStringList typed = draft.replace("-", "").split(u' ');
        const QStringList servers = dns.replace(u'_', u' ').split(u'|');
        if (typed[0] == "dhcp")
            card->changeMode(ConfigMode::dhcp);
        card->setRouter(typed[0]);
        card->setIp(typed.value(1, "192.168.1.50"));
        card->setDns(servers[0]);
        QList<AdapterInfo> read = machine.read("shows");
        const QStringList parts = shown.replace("-", "").split(u' ');
        read[0].mask = parts[0];
        read[0].router = parts[1];
        read[0].inEffect = !parts.contains("saved");
        read[0].dnsServers = servers[2].split(u',', Qt::SkipEmptyParts);
        system.queueReads({read, read, read, read});
        model.requestApply(card);
        // Sent in canonical form: a C tool reads a leading zero as octal.
        const QString address = card->mode() == ConfigMode::dhcp
                                    ? "setDHCP|Ethernet"
                                    : "setManual|Ethernet|192.168.1.50|255.255.255.0|" +
                                          IPv4::canonical(typed[0]).value_or("");
        QCOMPARE(system.commands(),
                 QStringList{address + (servers[1].isEmpty() ? "" : "|dns=" + servers[1])});
        QCOMPARE(model.statusKind(), confirmed ? MessageKind::success : MessageKind::warning);
        QCOMPARE(system.readsStarted(), confirmed ? 2 : 5);
        // Reloaded once confirmed; otherwise the servers shown are named, when they were sent.
        if (confirmed)
            QCOMPARE(card->dns(), read[0].dnsServers.join(", "));
        else
            QCOMPARE(card->message().section(" ; ", 1),
                     servers[1].isEmpty()
                         ? ""
                         : "DNS " + (read[0].dnsServers + read[0].dnsKept).join(", ") + '.');
    }

    // A system that did not answer: its message stays until a read finds the service, where a
    // refusal stays for good; the next change's own message no longer waits for a read.
    void unansweredChange_data()
    {
        QTest::addColumn<CommandResult>("result");

        QTest::newRow("gone before sending") << failure(ChangeCause::serviceGone);
        QTest::newRow("a refusal stays") << failure(ChangeCause::refused);
    }

    void unansweredChange()
    {
        QFETCH(CommandResult, result);

        Machine machine;
        auto &[system, model, card] = machine;
        system.answerCommandsWith(result);
        model.requestApply(card);
        const QString said = card->message();
        machine.load("fail");
        machine.load("empty");
        QCOMPARE(card->message(), said);
        machine.load("old");
        QCOMPARE(card->message().isEmpty(), result.cause != ChangeCause::refused);

        system.answerCommandsWith({});
        machine.answer({"old"});
        model.requestApply(card);
        machine.load("old");
        QCOMPARE(card->messageKind(), MessageKind::success);
        QVERIFY(!card->message().isEmpty());
    }

    void sharedNameGoesThroughById()
    {
        FakeSystem system;
        system.setAddressesServicesByName(false);
        AppModel model(system.services());
        system.queueReads({{adapter("one", "Dock"), adapter("two", "Dock")}});
        model.refresh(false);
        model.requestSetEnabled(cardOf(model, "two"), false);
        model.requestApply(cardOf(model, "one"));
        QCOMPARE(system.commands().size(), 2);
    }

    // Also a manual refresh: it would pull a busy card's record from under its operation.
    void refreshRequestsDropped()
    {
        FakeModel fake;
        fake.model.refresh(false);
        fake.model.requestRefresh(true);
        fake.system.answerRead(adaptersFor({"a"}));
        QTRY_VERIFY(!fake.model.loading());
        fake.model.cards().first()->setBusy(true);
        fake.model.requestRefresh(true);
        fake.model.requestAutoRefresh();
        QCOMPARE(fake.system.readsStarted(), 1);
    }

    // Ids shared within a read, as a service without one shares its name, still get a card each;
    // rows move rather than reset, so a view keeps its cards' objects.
    void rowsFollowAnySequence()
    {
        FakeSystem system;
        AppModel model(system.services());
        CardListModel &rows = *model.cardList();
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(&rows, &QAbstractItemModel::modelReset);
        QRandomGenerator random(13);
        for (int step = 0; step < 400; ++step) {
            QList<AdapterInfo> read;
            for (int n = random.bounded(7); n > 0; --n) {
                read << adapter(QString(QChar(u'a' + random.bounded(6))));
                read.last().device = QStringLiteral("en%1").arg(random.bounded(3));
            }
            const QList<AdapterCardModel *> before = model.cards();
            system.queueReads({read});
            model.refresh(false);
            const QList<AdapterCardModel *> cards = model.cards();
            QCOMPARE(rows.rowCount(), cards.size());
            for (int row = 0; row < rows.rowCount(); ++row) {
                QCOMPARE(rows.index(row).data(CardListModel::CardRole).value<AdapterCardModel *>(),
                         cards[row]);
                for (AdapterCardModel *old : before)
                    QVERIFY(old->id() != cards[row]->id() || before.contains(cards[row]));
            }
            QCOMPARE(QSet(cards.cbegin(), cards.cend()).size(),
                     read.isEmpty() ? cards.size() : read.size());
        }
        QCOMPARE(reset.count(), 0);
    }

    // Pending in display order: Ethernet, a bare disabled record, then USB, never sent.
    void applyAllPendingStopsAtTheFirstFailure()
    {
        FakeModel fake;
        fake.load({adapter("eth", "Ethernet"), AdapterInfo(), adapter("usb")});
        for (AdapterCardModel *card : fake.model.cards())
            card->setIp(card->ip() + '0');
        fake.system.queueReads({{adapter("eth", "Ethernet", "192.168.1.200")}});
        fake.model.applyAllPending();
        QCOMPARE(fake.system.commands().size(), 1);
        QVERIFY(!cardOf(fake.model, "eth")->isDirty());
        QCOMPARE(cardOf(fake.model, "")->messageKind(), MessageKind::warning);
    }

    // A refresh already reading drops the service while its apply waits for the system; a busy
    // card takes no second change.
    void aCardDroppedWhileApplyingStaysAliveUntilDone()
    {
        FakeModel fake;
        auto &[system, model] = fake;
        fake.load(adaptersFor({"eth", "usb"}));
        QPointer<AdapterCardModel> card = cardOf(model, "eth");
        card->setIp("192.168.1.50");
        model.refresh(false);
        system.holdCommands();
        model.requestApply(card);
        model.requestApply(card);
        model.requestSetEnabled(card, false);
        QCOMPARE(system.commands().size(), 1);
        system.answerRead(adaptersFor({"usb"}));
        QTRY_VERIFY(!model.cards().contains(card));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!card.isNull());
        system.queueReads({{adapter("eth", {}, "192.168.1.50"), adapter("usb")}});
        system.releaseCommand({});
        QTRY_VERIFY(card.isNull()); // released once idle
        QCOMPARE(model.statusKind(), MessageKind::success);
    }

    // A refresh during the first ping changes the router and the device: the second ping
    // follows the new record. A second test meanwhile sends nothing.
    void routerAndDeviceReReadAfterTheFirstPing()
    {
        FakeModel fake;
        fake.system.holdPings();
        AdapterCardModel card(adapter("eth", "eth", " 192.168.1.20"));
        fake.model.requestTest(&card);
        fake.model.requestTest(&card);
        QCOMPARE(fake.system.pings(), QStringList{"192.168.1.20|en0|3"});
        AdapterInfo moved = card.info();
        moved.router = "192.168.1.254";
        moved.device = "en5";
        card.update(moved, false);
        fake.system.releasePing({true, "ok", {}});
        QTRY_COMPARE(fake.system.pings().last(), "192.168.1.254|en5|2");
        fake.system.releasePing({true, "ok", {}});
        QTRY_VERIFY(!card.busy());
    }

    void aPingThatNeverEndsFreesTheCard()
    {
        QTemporaryDir root;
        const QString ping = root.filePath("ping");
        TestSupport::writeExecutable(ping, "#!/bin/sh\nsleep 60\n");
        FakeSystem system;
        SystemServices services = system.services();
        services.ping = [ping](QString address, QString device, int count) {
            return PingRunner::send(PingRunner::macOS(), ping, address, device, count, 0ms);
        };
        AppModel model(services);
        AdapterCardModel card(adapter("eth"));
        model.requestTest(&card);
        QTRY_VERIFY_WITH_TIMEOUT(!card.busy(), 20000);
        // The limit the ping words shows that three requests were asked for.
        QVERIFY2(card.message().endsWith(" 3600 ms."), qPrintable(card.message()));
        QCOMPARE(model.statusKind(), MessageKind::error);
    }

    // The source and the target a start pings. The user picks a card flagged "chosen"; a refresh
    // disables one flagged "offLater".
    void pingTabSelection_data()
    {
        QTest::addColumn<QStringList>("cards");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("target");

        const auto row = [](const char *name, QStringList cards, QString label, QString target) {
            QTest::newRow(name) << cards << label << target;
        };
        row("router first", {"a 10.0.0.2 10.0.0.1"}, "a — 10.0.0.2 (fixe)", "10.0.0.1");
        row("first usable card, no router", {"a 10.0.0.1 - off", "b - 10.0.0.9", "c 10.0.0.3 -"},
            "c — 10.0.0.3 (fixe)", "10.0.0.3");
        row("chosen card kept with the target", {"a 10.0.0.1 -", "b 10.0.0.2 - chosen"},
            "b — 10.0.0.2 (fixe)", "10.0.0.1");
        row("chosen card disabled by a refresh", {"a 10.0.0.1 -", "b 10.0.0.2 - chosen offLater"},
            "a — 10.0.0.1 (fixe)", "10.0.0.1");
        row("none", {"a - 10.0.0.1", "b 10.0.0.2 - off"}, "Aucune carte avec adresse IPv4", "");
    }

    void pingTabSelection()
    {
        QFETCH(QStringList, cards);
        QFETCH(QString, label);
        QFETCH(QString, target);

        Tab fixture;
        PingTab &tab = fixture.tab;
        fixture.show(cards);
        for (const QString &card : cards.filter("chosen"))
            tab.choose(card.first(1));
        fixture.show(cards.replaceInStrings("offLater", "off"));
        QCOMPARE(tab.selectedLabel(), label);
        QCOMPARE(tab.selectedID(), label.contains(u'—') ? label.first(1) : "");
        QCOMPARE(tab.target(), target);
        tab.start();
        QCOMPARE(fixture.system.pings().value(0), target.isEmpty() ? "" : target + "|en0|4");
    }

    // The address sent is trimmed; invalid targets, and a start while one runs, send nothing.
    void pingTabSends()
    {
        Tab fixture;
        auto [system, model, tab] = std::tie(fixture.system, fixture.model, fixture.tab);
        fixture.show({"eth 192.168.1.20 192.168.1.1"});
        system.queuePings({{true, "4 reçus", {}}});
        for (const char *target : {"  192.168.1.1 \n", "192.168.1.99", "0.0.0.0", "routeur"}) {
            tab.setTarget(target);
            tab.start();
        }
        QCOMPARE(system.pings(), QStringList({"192.168.1.1|en0|4", "192.168.1.99|en0|4"}));
        QVERIFY(tab.targetInvalid());
        QCOMPARE(tab.stateText(), "Adresse invalide : utilisez le format 192.168.1.1");
        QCOMPARE(tab.entries()->entries().size(), 2); // one line per ping sent
        QCOMPARE(tab.entries()->entries()[1].kind, MessageKind::error);
        system.holdPings();
        tab.setTarget("192.168.1.1"); // an edit clears the invalid mark and the error
        QVERIFY(!tab.targetInvalid());
        QCOMPARE(tab.stateText(), "Aucun test lancé pour le moment.");
        tab.start();
        tab.start();
        QCOMPARE(system.pings().size(), 3);
        // The log names the card as a refresh during the ping left it.
        model.cards().first()->update(adapter("eth", "Dock", "192.168.1.30"), false);
        system.releasePing({true, "ok", {}});
        QTRY_COMPARE(tab.entries()->entries().size(), 3);
        QVERIFY(tab.entries()->entries().last().text.contains(" via Dock (192.168.1.30)   ·   ok"));
    }
};

QTEST_GUILESS_MAIN(tst_AppModel)
#include "tst_AppModel.moc"
