// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "support/FakeSystem.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

// Ethernet, enabled, and a dock, disabled; the service of the test turned "on", "off" or "gone".
QList<AdapterInfo> machine(const QString &id = {}, const QString &token = {})
{
    QList<AdapterInfo> list{adapter("eth", "Ethernet"), adapter("dock", "Ethernet Dock")};
    for (AdapterInfo &info : list)
        info.enabled = info.id == id ? token == "on" : info.id == "eth";
    list.removeIf([&](const AdapterInfo &info) { return info.id == id && token == "gone"; });
    return list;
}

} // namespace

class tst_EnableFlow : public QObject {
    Q_OBJECT

private slots:
    // The dock is switched on, Ethernet off with an unapplied draft; status "" is the card's.
    void setEnabled_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status");
        QTest::addColumn<MessageKind>("kind");
        QTest::addColumn<int>("waits"); // of 0.3 s each

        const auto row = [](const char *name, const char *id, const QString &reads,
                            const QString &message, const QString &status, MessageKind kind,
                            int waits) {
            QTest::newRow(name) << QString(id) << reads.split(u' ', Qt::SkipEmptyParts) << message
                                << status << kind << waits;
        };
        using enum MessageKind;
        row("enabling, confirmed at once", "dock", "on", "Carte activée.",
            "« Ethernet Dock » est activée.", success, 1);
        row("disabling, confirmed at the second look", "eth", "on off", "Carte désactivée.",
            "« Ethernet » est désactivée.", success, 2);
        row("service never seen", "eth", "gone gone gone",
            "L'état de la carte n'a pas pu être relu. Utilisez Actualiser pour vérifier.", "",
            warning, 4);
        row("unconfirmed after three re-reads, the last without it", "eth", "on on gone",
            "macOS n'a pas confirmé le changement d'état.", "", warning, 4);
        // The writer words a failed command; here only its status is looked for.
        row("command failed: no re-read, no wait", "eth", "", "(code 1)", "", error, 0);
    }

    void setEnabled()
    {
        QFETCH(QString, id);
        QFETCH(QStringList, reads);
        QFETCH(QString, message);
        QFETCH(QString, status);
        QFETCH(MessageKind, kind);
        QFETCH(int, waits);

        FakeModel fake;
        auto &[system, model] = fake;
        fake.load(machine());
        AdapterCardModel *card = cardOf(model, id);
        card->setIp(QStringLiteral("192.168.1.99"));
        for (const QString &token : reads)
            system.queueReads({machine(id, token)});
        const bool enable = id == "dock";
        if (reads.isEmpty())
            system.answerCommandsWith({1, {}, {}});
        model.requestSetEnabled(card, enable);

        QCOMPARE(system.commands(), QStringList{"setServiceEnabled|" + card->info().serviceName +
                                                (enable ? "|on" : "|off")});
        QCOMPARE(system.readsStarted(), 1 + reads.size());
        if (kind == MessageKind::error)
            QVERIFY2(card->message().contains(message), qPrintable(card->message()));
        else
            QCOMPARE(card->message(), message);
        QCOMPARE(model.statusText(), status.isEmpty() ? card->message() : status);
        QCOMPARE(model.statusKind(), kind);
        QCOMPARE(system.waits(), QList<std::chrono::milliseconds>(waits, 300ms));
        QCOMPARE(card->info().enabled, kind == MessageKind::success ? enable : !enable);
        QVERIFY(!card->busy());
        QVERIFY(model.cards().contains(card));
        QCOMPARE(card->ip(), QStringLiteral("192.168.1.99"));
    }

    // A busy card takes no second change; the first goes on as if nothing had been asked.
    void busyCardRefused()
    {
        FakeModel fake;
        auto &[system, model] = fake;
        fake.load(machine());
        AdapterCardModel *card = cardOf(model, "eth");
        system.holdCommands();
        model.requestSetEnabled(card, false);
        model.requestSetEnabled(card, false);
        model.requestApply(card);
        QCOMPARE(system.commands().size(), 1);
        QVERIFY(card->busy());
        system.queueReads({machine("eth", "off")});
        system.releaseCommand({});
        QTRY_VERIFY(!card->busy());
        QCOMPARE(card->message(), "Carte désactivée.");
    }
};

QTEST_GUILESS_MAIN(tst_EnableFlow)
#include "tst_EnableFlow.moc"
