#include "ping/PingTab.h"
#include "support/FakeSystem.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QString noTestYet = QStringLiteral("Aucun test lancé pour le moment.");
const QString invalidHint = QStringLiteral("Adresse invalide : utilisez le format 192.168.1.1");

AdapterInfo source(const QString &id, const QString &ip, const QString &router, bool enabled = true)
{
    AdapterInfo info = adapter(id, id, ip);
    info.ip = ip;
    info.router = router;
    info.enabled = enabled;
    info.device = QStringLiteral("en-") + id;
    return info;
}

// A model whose cards come from these records, and a tab over it.
struct Fixture {
    explicit Fixture(const QList<AdapterInfo> &records)
        : model(system.services())
    {
        reload(records);
        tab.setAppModel(&model);
    }

    void reload(const QList<AdapterInfo> &records)
    {
        system.queueReads({records});
        model.refresh(false);
    }

    QStringList logLines() const
    {
        QStringList lines;
        for (const PingLogEntry &entry : tab.entries()->entries())
            lines << entry.text;
        return lines;
    }

    FakeSystem system;
    AppModel model;
    PingTab tab;
};

const PingOutcome answered{
    .success = true, .detail = "4 paquets reçus sur 4 · 0,0 % de perte", .raw = {}};
const PingOutcome silent{
    .success = false, .detail = "0 paquet reçu sur 4 · 100,0 % de perte", .raw = {}};

} // namespace

class tst_PingTab : public QObject {
    Q_OBJECT

private slots:
    void noSelectableAdapter()
    {
        Fixture fixture({source("a", "", "10.0.0.1"), source("b", "10.0.0.2", "", false)});

        QVERIFY(!fixture.tab.hasSelectableAdapters());
        QCOMPARE(fixture.tab.selectedID(), QString());
        QCOMPARE(fixture.tab.selectedLabel(), QStringLiteral("Aucune carte avec adresse IPv4"));
        QCOMPARE(fixture.tab.choices().size(), 1);
        fixture.tab.setTarget(QStringLiteral("10.0.0.1"));
        fixture.tab.start();
        QCOMPARE(fixture.tab.stateText(),
                 QStringLiteral("Aucune carte réseau avec une adresse IPv4 n'est disponible."));
        QCOMPARE(fixture.tab.stateKind(), MessageKind::error);
        QVERIFY(fixture.system.pings().isEmpty());
    }

    void prefillAndSelection_data()
    {
        QTest::addColumn<QList<AdapterInfo>>("records");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("label");

        QTest::newRow("router first")
            << QList<AdapterInfo>{source("a", "192.168.1.20", "192.168.1.1")} << "a"
            << "192.168.1.1"
            << "a — 192.168.1.20 (fixe)";
        QTest::newRow("own address without router")
            << QList<AdapterInfo>{source("a", "192.168.1.20", "")} << "a"
            << "192.168.1.20"
            << "a — 192.168.1.20 (fixe)";
        QTest::newRow("first selectable card, skipping disabled and addressless")
            << QList<AdapterInfo>{source("a", "10.0.0.1", "", false), source("b", "", "10.0.0.9"),
                                  source("c", "10.0.0.3", "10.0.0.254")}
            << "c"
            << "10.0.0.254"
            << "c — 10.0.0.3 (fixe)";
    }

    void prefillAndSelection()
    {
        QFETCH(QList<AdapterInfo>, records);
        QFETCH(QString, selected);
        QFETCH(QString, target);
        QFETCH(QString, label);

        Fixture fixture(records);
        QCOMPARE(fixture.tab.selectedID(), selected);
        QCOMPARE(fixture.tab.target(), target);
        QCOMPARE(fixture.tab.selectedLabel(), label);
    }

    void selectionMovesWhenItsCardCannotSend_data()
    {
        QTest::addColumn<AdapterInfo>("changed");

        QTest::newRow("disabled") << source("b", "10.0.0.2", "", false);
        QTest::newRow("lost its address") << source("b", "", "");
    }

    void selectionMovesWhenItsCardCannotSend()
    {
        QFETCH(AdapterInfo, changed);

        Fixture fixture({source("a", "10.0.0.1", ""), source("b", "10.0.0.2", "")});
        fixture.tab.choose(QStringLiteral("b"));
        QCOMPARE(fixture.tab.selectedID(), QStringLiteral("b"));

        fixture.reload({source("a", "10.0.0.1", ""), changed});
        QCOMPARE(fixture.tab.selectedID(), QStringLiteral("a"));
    }

    void choosingASourceKeepsATypedTarget()
    {
        Fixture fixture({source("a", "10.0.0.1", "10.0.0.254"), source("b", "10.1.0.1", "")});
        fixture.tab.setTarget(QStringLiteral("8.8.4.4"));
        fixture.tab.choose(QStringLiteral("b"));
        QCOMPARE(fixture.tab.target(), QStringLiteral("8.8.4.4"));
        fixture.tab.setTarget(QString());
        fixture.tab.choose(QStringLiteral("b"));
        QCOMPARE(fixture.tab.target(), QStringLiteral("10.1.0.1"));
    }

    void invalidTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("zero") << "0.0.0.0";
        QTest::newRow("all ones") << "255.255.255.255";
        QTest::newRow("octet out of range") << "192.168.1.256";
        QTest::newRow("not an address") << "routeur";
    }

    void invalidTargets()
    {
        QFETCH(QString, target);

        Fixture fixture({source("a", "10.0.0.1", "")});
        fixture.tab.setTarget(target);
        fixture.tab.start();
        QVERIFY(fixture.tab.targetInvalid());
        QCOMPARE(fixture.tab.stateText(), invalidHint);
        QCOMPARE(fixture.tab.stateKind(), MessageKind::error);
        QCOMPARE(fixture.tab.target(), target);
        QVERIFY(fixture.system.pings().isEmpty());

        // The first edit clears both marks.
        fixture.tab.setTarget(target + u'1');
        QVERIFY(!fixture.tab.targetInvalid());
        QCOMPARE(fixture.tab.stateText(), noTestYet);
        QCOMPARE(fixture.tab.stateKind(), MessageKind::info);
    }

    void pingsAreLoggedInOrder()
    {
        Fixture fixture({source("eth", "192.168.1.20", "192.168.1.1")});
        fixture.system.queuePings({answered, silent});

        fixture.tab.setTarget(QStringLiteral("  192.168.1.1 \n"));
        fixture.tab.start();
        QCOMPARE(fixture.tab.target(), QStringLiteral("  192.168.1.1 \n"));
        QCOMPARE(
            fixture.tab.stateText(),
            QStringLiteral("Réponse de 192.168.1.1 : 4 paquets reçus sur 4 · 0,0 % de perte."));
        QCOMPARE(fixture.tab.stateKind(), MessageKind::success);

        fixture.tab.setTarget(QStringLiteral("192.168.1.99"));
        fixture.tab.start();
        QCOMPARE(fixture.tab.stateText(),
                 QStringLiteral(
                     "Aucune réponse de 192.168.1.99 : 0 paquet reçu sur 4 · 100,0 % de perte."));
        QCOMPARE(fixture.tab.stateKind(), MessageKind::error);

        QCOMPARE(fixture.system.pings(),
                 QStringList({"192.168.1.1|en-eth|4", "192.168.1.99|en-eth|4"}));
        const QStringList lines = fixture.logLines();
        QCOMPARE(lines.size(), 2);
        const QRegularExpression line(QStringLiteral(
            "^\\d\\d:\\d\\d:\\d\\d   →   (\\S+) via eth \\(192\\.168\\.1\\.20\\)   ·   (.+)$"));
        QCOMPARE(line.match(lines[0]).captured(1), QStringLiteral("192.168.1.1"));
        QCOMPARE(line.match(lines[0]).captured(2), answered.detail);
        QCOMPARE(line.match(lines[1]).captured(1), QStringLiteral("192.168.1.99"));
        QCOMPARE(fixture.tab.entries()->entries()[0].kind, MessageKind::success);
        QCOMPARE(fixture.tab.entries()->entries()[1].kind, MessageKind::error);
        QVERIFY(!fixture.tab.running());

        fixture.tab.clear();
        QCOMPARE(fixture.tab.entries()->count(), 0);
        QCOMPARE(fixture.tab.stateText(), QStringLiteral("Journal effacé."));
        QCOMPARE(fixture.tab.stateKind(), MessageKind::info);
    }

    void aRunningPingRefusesAnother()
    {
        Fixture fixture({source("eth", "192.168.1.20", "192.168.1.1")});
        fixture.system.holdPings();
        fixture.tab.start();
        QVERIFY(fixture.tab.running());
        fixture.tab.start();
        QCOMPARE(fixture.system.pings().size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_PingTab)
#include "tst_PingTab.moc"
