#include "model/AppModel.h"
#include "support/FakeSystem.h"

#include <QTest>

namespace {

const PingOutcome answered{.success = true, .detail = "3 paquets reçus sur 3", .raw = {}};
const PingOutcome silent{.success = false, .detail = "0 paquet reçu sur 3", .raw = {}};

void runTest(AppModel &model, AdapterCardModel *card)
{
    [](AppModel &model, AdapterCardModel *card) -> QCoro::Task<> {
        co_await model.test(card);
    }(model, card);
}

} // namespace

class tst_CardTest : public QObject {
    Q_OBJECT

private slots:
    void test_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("router");
        QTest::addColumn<QList<PingOutcome>>("outcomes");
        QTest::addColumn<QStringList>("pings");
        QTest::addColumn<QString>("message");
        QTest::addColumn<MessageKind>("kind");

        const QString ownAnswers = "L'adresse 192.168.1.20 répond (3 paquets reçus sur 3).";
        QTest::newRow("address and router answer")
            << "192.168.1.20"
            << "192.168.1.1" << QList<PingOutcome>{answered, answered}
            << QStringList{"192.168.1.20|en0|3", "192.168.1.1|en0|2"} << ownAnswers
            << MessageKind::success;
        QTest::newRow("router silent")
            << "192.168.1.20"
            << "192.168.1.1" << QList<PingOutcome>{answered, silent}
            << QStringList{"192.168.1.20|en0|3", "192.168.1.1|en0|2"}
            << ownAnswers + " La passerelle 192.168.1.1 ne répond pas." << MessageKind::error;
        QTest::newRow("own address silent: router never pinged")
            << "192.168.1.20"
            << "192.168.1.1" << QList<PingOutcome>{silent} << QStringList{"192.168.1.20|en0|3"}
            << "Aucune réponse de 192.168.1.20 : 0 paquet reçu sur 3." << MessageKind::error;
        QTest::newRow("no router")
            << "192.168.1.20"
            << "" << QList<PingOutcome>{answered} << QStringList{"192.168.1.20|en0|3"} << ownAnswers
            << MessageKind::success;
        QTest::newRow("router equals the address")
            << "192.168.1.20"
            << "192.168.1.20" << QList<PingOutcome>{answered} << QStringList{"192.168.1.20|en0|3"}
            << ownAnswers << MessageKind::success;
        QTest::newRow("router does not parse")
            << "192.168.1.20"
            << "passerelle" << QList<PingOutcome>{answered} << QStringList{"192.168.1.20|en0|3"}
            << ownAnswers << MessageKind::success;
        QTest::newRow("router 0.0.0.0 is pinged")
            << "192.168.1.20"
            << "0.0.0.0" << QList<PingOutcome>{answered, silent}
            << QStringList{"192.168.1.20|en0|3", "0.0.0.0|en0|2"}
            << ownAnswers + " La passerelle 0.0.0.0 ne répond pas." << MessageKind::error;
        QTest::newRow("blanks around the texts are trimmed")
            << " 192.168.1.20\n"
            << "\t192.168.1.1 " << QList<PingOutcome>{answered, answered}
            << QStringList{"192.168.1.20|en0|3", "192.168.1.1|en0|2"} << ownAnswers
            << MessageKind::success;

        const QString noAddress = "Cette carte n'a pas d'adresse IPv4 valide à tester.";
        for (const char *ip : {"", "   ", "192.168.1", "0.0.0.0", "255.255.255.255"})
            QTest::addRow("no valid address: '%s'", ip)
                << ip << "192.168.1.1" << QList<PingOutcome>{} << QStringList{} << noAddress
                << MessageKind::error;
    }

    void test()
    {
        QFETCH(QString, ip);
        QFETCH(QString, router);
        QFETCH(QList<PingOutcome>, outcomes);
        QFETCH(QStringList, pings);
        QFETCH(QString, message);
        QFETCH(MessageKind, kind);

        FakeSystem system;
        AdapterInfo info = adapter("eth", "Ethernet", "x");
        info.ip = ip;
        info.router = router;
        system.queueReads({{info}});
        AppModel model(system.services());
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, "eth");
        system.queuePings(outcomes);

        runTest(model, card);

        QCOMPARE(system.pings(), pings);
        QCOMPARE(card->message(), message);
        QCOMPARE(card->messageKind(), kind);
        QCOMPARE(model.statusText(), message);
        QCOMPARE(model.statusKind(), kind);
        QVERIFY(!card->busy());
    }

    void aSecondTestWhileBusyIsIgnored()
    {
        FakeSystem system;
        system.queueReads({{adapter("eth", "Ethernet", "192.168.1.20")}});
        AppModel model(system.services());
        model.refresh(false);
        AdapterCardModel *card = cardOf(model, "eth");
        card->setBusy(true);
        card->setMessage(QStringLiteral("en cours"));

        runTest(model, card);

        QVERIFY(system.pings().isEmpty());
        QCOMPARE(card->message(), QStringLiteral("en cours"));
        QCOMPARE(model.statusText(), QString());
    }
};

QTEST_GUILESS_MAIN(tst_CardTest)
#include "tst_CardTest.moc"
