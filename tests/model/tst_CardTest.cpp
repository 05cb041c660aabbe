// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "PingRunner.h"
#include "support/FakeSystem.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

class tst_CardTest : public QObject {
    Q_OBJECT

private slots:
    // Each ping sent as "address|device|count", answered (":ok") or not (":lost").
    void test_data()
    {
        QTest::addColumn<QString>("addresses"); // the card's own and its router's
        QTest::addColumn<QString>("pings");
        QTest::addColumn<QString>("message");
        QTest::addColumn<MessageKind>("kind");

        const auto row = [](const char *name, QString addresses, QString pings, QString message,
                            MessageKind kind) {
            QTest::newRow(name) << addresses << pings << message << kind;
        };
        const QString own = "L'adresse 192.168.1.20 répond (ok).";
        using enum MessageKind;
        row("both answer, blanks trimmed", " 192.168.1.20\n|\t192.168.1.1 ",
            "192.168.1.20|en0|3:ok 192.168.1.1|en0|2:ok", own, success);
        row("router silent", "192.168.1.20|192.168.1.1",
            "192.168.1.20|en0|3:ok 192.168.1.1|en0|2:lost",
            own + " La passerelle 192.168.1.1 ne répond pas.", error);
        row("address silent: router never pinged", "192.168.1.20|192.168.1.1",
            "192.168.1.20|en0|3:lost", "Aucune réponse de 192.168.1.20 : lost.", error);
        row("router = address", "192.168.1.20|192.168.1.20", "192.168.1.20|en0|3:ok", own, success);
        row("address 0.0.0.0", "0.0.0.0|192.168.1.1", "",
            "Cette carte n'a pas d'adresse IPv4 valide à tester.", error);
        row("address 255.255.255.255", "255.255.255.255|192.168.1.1", "",
            "Cette carte n'a pas d'adresse IPv4 valide à tester.", error);
        row("unparsable router not pinged", "192.168.1.20|192.168.1", "192.168.1.20|en0|3:ok", own,
            success);
        row("router 0.0.0.0 pinged", "192.168.1.20|0.0.0.0",
            "192.168.1.20|en0|3:ok 0.0.0.0|en0|2:ok", own, success);
    }

    void test()
    {
        QFETCH(QString, addresses);
        QFETCH(QString, pings);
        QFETCH(QString, message);
        QFETCH(MessageKind, kind);

        FakeModel fake;
        auto &[system, model] = fake;
        AdapterInfo info = adapter("eth", "eth", addresses.section(u'|', 0, 0));
        info.router = addresses.section(u'|', 1);
        AdapterCardModel card(info);
        for (const QString &ping : pings.split(u' ', Qt::SkipEmptyParts))
            system.queuePings({{ping.endsWith(":ok"), ping.section(u':', 1), {}}});
        model.requestTest(&card);
        QCOMPARE(system.pings().join(u' '), pings.remove(":ok").remove(":lost"));
        QCOMPARE(card.message(), message);
        QCOMPARE(model.statusKind(), kind);
        QVERIFY(!card.busy());
    }

    // A refresh during the first ping changes the router and the device: the second ping
    // follows the new record. A second test meanwhile sends nothing.
    void routerAndDeviceReReadAfterTheFirstPing()
    {
        FakeModel fake;
        auto &[system, model] = fake;
        system.holdPings();
        AdapterCardModel card(adapter("eth", "eth", "192.168.1.20"));
        model.requestTest(&card);
        model.requestTest(&card);
        QCOMPARE(system.pings().size(), 1);
        AdapterInfo moved = card.info();
        moved.router = "192.168.1.254";
        moved.device = "en5";
        card.update(moved, false);
        system.releasePing({true, "ok", {}});
        QTRY_COMPARE(system.pings().size(), 2);
        QCOMPARE(system.pings().last(), "192.168.1.254|en5|2");
        system.releasePing({true, "ok", {}});
        QTRY_VERIFY(!card.busy());
    }

    // A ping that never ends is stopped at its limit: the card is free again and says so.
    void aPingThatNeverEndsFreesTheCard()
    {
        QTemporaryDir root;
        const QString ping = root.filePath("ping");
        TestSupport::writeExecutable(ping, "#!/bin/sh\nsleep 60\n");
        FakeSystem system;
        SystemServices services = system.services();
        services.ping = [ping](QString address, QString device, int count) {
            return PingRunner::send(PingRunner::macOS(), ping, address, device, count,
                                    std::chrono::milliseconds(0));
        };
        AppModel model(services);
        AdapterCardModel card(adapter("eth", "eth", "192.168.1.20"));
        model.requestTest(&card);
        QVERIFY(card.busy());
        QTRY_VERIFY_WITH_TIMEOUT(!card.busy(), 20000);
        // The ping words the time-out; its limit shows that three requests were asked for.
        QVERIFY2(card.message().startsWith("Aucune réponse de 192.168.1.20 : ") &&
                     card.message().endsWith(" 3600 ms."),
                 qPrintable(card.message()));
        QCOMPARE(model.statusKind(), MessageKind::error);
    }
};

QTEST_GUILESS_MAIN(tst_CardTest)
#include "tst_CardTest.moc"
