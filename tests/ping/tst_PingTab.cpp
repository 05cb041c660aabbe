// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PingTab.h"
#include "support/FakeSystem.h"

#include <QTest>

#include <tuple>

namespace {

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

class tst_PingTab : public QObject {
    Q_OBJECT

private slots:
    // The source and the target a start pings. The user picks a card flagged "chosen"; a refresh
    // disables one flagged "offLater".
    void selection_data()
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

    void selection()
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
    void pings()
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
        const QList<PingLogEntry> log = tab.entries()->entries();
        QCOMPARE(log.size(), 2); // one line per ping sent
        QCOMPARE(log[1].kind, MessageKind::error);
        system.holdPings();
        tab.setTarget("192.168.1.1"); // an edit clears the invalid mark and the error
        QVERIFY(!tab.targetInvalid());
        QCOMPARE(tab.stateText(), "Aucun test lancé pour le moment.");
        tab.start();
        tab.start();
        QCOMPARE(system.pings().size(), 3);
        // The log names the card as a refresh during the ping left it.
        AdapterInfo moved = model.cards().first()->info();
        moved.serviceName = "Dock";
        moved.ip = "192.168.1.30";
        model.cards().first()->update(moved, false);
        system.releasePing({true, "ok", {}});
        QTRY_COMPARE(tab.entries()->entries().size(), 3);
        QVERIFY(tab.entries()->entries().last().text.contains(" via Dock (192.168.1.30)   ·   ok"));
    }
};

QTEST_GUILESS_MAIN(tst_PingTab)
#include "tst_PingTab.moc"
