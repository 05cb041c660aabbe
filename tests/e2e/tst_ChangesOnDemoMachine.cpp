// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Changes made through the application model on a copy of the demo machine, with the real
// stand-ins: the privileged path, the writes to the file and the re-reads that verify them.
#include "AppModel.h"
#include "PingTab.h"
#include "PlatformServices.h"
#include "SimulatedMachine.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

namespace {

QCoro::Task<> noWait(std::chrono::milliseconds)
{
    co_return;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject serviceNamed(const QString &path, const QString &name)
{
    for (const QJsonValue &service :
         QJsonDocument::fromJson(readFile(path))["services"].toArray()) {
        if (service.toObject().value("UserDefinedName").toString() == name)
            return service.toObject();
    }
    return {};
}

// One machine copy and a model over it, loaded once.
class Machine {
public:
    Machine()
        : path(TestSupport::copyDemoMachine(dir))
    {
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
    }

    // Edits the copy's text before the model first reads it.
    void change(const QByteArray &from, const QByteArray &to)
    {
        QFile file(path);
        const QByteArray text = readFile(path);
        QVERIFY(text.contains(from) && file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(text).replace(from, to));
    }

    AppModel &model()
    {
        if (!m_model) {
            SystemServices services = simulatedServices(path, SystemTools(TestSupport::simRoot()));
            // The flows' pauses are the product's; the machine answers without them.
            services.wait = &noWait;
            m_model = std::make_unique<AppModel>(services);
            m_model->refresh(false);
            if (!QTest::qWaitFor([this] { return m_model->hasLoadedOnce(); }, 10000))
                qFatal("the demo machine was not read");
        }
        return *m_model;
    }

    AdapterCardModel *card(const QString &name)
    {
        for (AdapterCardModel *card : model().cards()) {
            if (card->info().serviceName == name)
                return card;
        }
        return nullptr;
    }

    QTemporaryDir dir;
    QString path;

private:
    std::unique_ptr<AppModel> m_model;
};

} // namespace

class tst_ChangesOnDemoMachine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    // What the file holds afterwards: its router, or the whole file unchanged on a refusal.
    void apply_data()
    {
        QTest::addColumn<QString>("administrator");
        QTest::addColumn<QString>("router");
        QTest::addColumn<QString>("message"); // empty: the change went through
        QTest::addColumn<QString>("written");

        QTest::newRow("manual address, confirmed and written") << "approve"
                                                               << "192.168.1.1"
                                                               << ""
                                                               << "192.168.1.1";
        QTest::newRow("an empty router goes as the placeholder") << "approve"
                                                                 << ""
                                                                 << ""
                                                                 << "0.0.0.0";
        QTest::newRow("cancelled prompt changes nothing")
            << "cancel"
            << "192.168.1.1"
            << "Opération annulée : aucune modification n'a été appliquée."
            << "";
    }

    void apply()
    {
        QFETCH(QString, administrator);
        QFETCH(QString, router);
        QFETCH(QString, message);
        QFETCH(QString, written);

        Machine machine;
        machine.change("\"administrator\": \"approve\"",
                       "\"administrator\": \"" + administrator.toUtf8() + '"');
        const QByteArray before = readFile(machine.path);
        AdapterCardModel *card = machine.card("Ethernet");
        QVERIFY(card);
        card->setIp("192.168.1.77");
        card->setRouter(router);

        const bool applied = QCoro::waitFor(machine.model().apply(card));
        QCOMPARE(applied, message.isEmpty());
        QCOMPARE(card->isDirty(), !applied);
        if (!applied) {
            QCOMPARE(card->message(), message);
            QCOMPARE(card->messageKind(), MessageKind::error);
            QCOMPARE(readFile(machine.path), before);
            return;
        }
        QCOMPARE(card->message(), "Configuration appliquée et vérifiée.");
        QCOMPARE(card->info().ip, "192.168.1.77");
        QCOMPARE(card->info().router, router);
        const QJsonObject ipv4 = serviceNamed(machine.path, "Ethernet").value("IPv4").toObject();
        QCOMPARE(ipv4.value("Addresses").toArray().first().toString(), "192.168.1.77");
        QCOMPARE(ipv4.value("Router").toString(), written);
    }

    // A second address stays where the change replaces the first.
    void aSecondAddressIsKept()
    {
        Machine machine;
        machine.change("[\"192.168.1.20\"]", "[\"192.168.1.20\", \"10.0.0.2\"]");
        machine.change("[\"255.255.255.0\"],\n        \"Router\": \"192.168.1.1\"",
                       "[\"255.255.255.0\", \"255.0.0.0\"],\n        \"Router\": \"192.168.1.1\"");
        AdapterCardModel *card = machine.card("Ethernet");
        QCOMPARE(card->info().otherAddresses, QStringList{"10.0.0.2/8"});
        card->setIp("192.168.1.77");
        QVERIFY(QCoro::waitFor(machine.model().apply(card)));
        const QJsonObject ipv4 = serviceNamed(machine.path, "Ethernet").value("IPv4").toObject();
        QCOMPARE(ipv4.value("Addresses").toArray(), QJsonArray({"192.168.1.77", "10.0.0.2"}));
        QCOMPARE(ipv4.value("SubnetMasks").toArray(), QJsonArray({"255.255.255.0", "255.0.0.0"}));
    }

    // networksetup changes the first service of a name: one named alike since the last read is
    // found right before the request, and nothing is sent.
    void aServiceNamedAlikeSinceTheReadIsRefused()
    {
        Machine machine;
        AdapterCardModel *card = machine.card("Ethernet");
        card->setIp("192.168.1.77");
        machine.change("\"UserDefinedName\": \"Wi-Fi\",", "\"UserDefinedName\": \"Ethernet\",");
        const QByteArray before = readFile(machine.path);
        QVERIFY(!QCoro::waitFor(machine.model().apply(card)));
        QVERIFY2(card->message().startsWith("Plusieurs services portent le nom « Ethernet »"),
                 qPrintable(card->message()));
        QCOMPARE(readFile(machine.path), before);
    }

    void dhcpIsConfirmedAndTheLeaseFollows()
    {
        Machine machine;
        machine.change("\"delayMs\": 1500", "\"delayMs\": 300");
        AdapterCardModel *card = machine.card("Ethernet");
        card->changeMode(ConfigMode::dhcp);

        QVERIFY(QCoro::waitFor(machine.model().apply(card)));
        QVERIFY(card->info().dhcp);

        // The network's server answers after its delay; a later refresh shows the lease.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QCoro::waitFor(machine.model().refresh(false));
                return card->info().ip.startsWith("192.168.1.1");
            }(),
            10000);
        QCOMPARE(card->info().summaryText(), "DHCP actif, " + card->info().ip);
    }

    void cardTests_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("message");
        QTest::addColumn<MessageKind>("kind");

        QTest::newRow("address and router answer")
            << "Ethernet"
            << "L'adresse 192.168.1.20 répond (3 paquets reçus sur 3 · 0,0 % de perte · 0,1 ms "
               "en moyenne)."
            << MessageKind::success;
        QTest::newRow("unplugged adapter")
            << "Adaptateur LAN USB"
            << "Cette carte n'a pas d'adresse IPv4 valide à tester." << MessageKind::error;
        QTest::newRow("link down, address configured")
            << "Ethernet Dock"
            << "Aucune réponse de 192.168.1.50 : 0 paquet reçu sur 3 · 100,0 % de perte."
            << MessageKind::error;
    }

    void cardTests()
    {
        QFETCH(QString, service);
        QFETCH(QString, message);
        QFETCH(MessageKind, kind);

        Machine machine;
        machine.change("\"pingDelayMs\": 300", "\"pingDelayMs\": 0");
        AdapterCardModel *card = machine.card(service);
        QVERIFY(card);

        QCoro::waitFor(machine.model().test(card));

        QCOMPARE(card->message(), message);
        QCOMPARE(card->messageKind(), kind);
        QCOMPARE(machine.model().statusText(), message);
    }

    void pingTabLogsASuccessFromTheEthernetCard()
    {
        Machine machine;
        machine.change("\"pingDelayMs\": 300", "\"pingDelayMs\": 0");
        PingTab tab;
        tab.setAppModel(&machine.model());
        tab.choose(machine.card("Ethernet")->id());
        tab.setTarget("192.168.1.1");

        tab.start();
        QTRY_VERIFY_WITH_TIMEOUT(!tab.running(), 10000);

        QCOMPARE(tab.entries()->count(), 1);
        const PingLogEntry entry = tab.entries()->entries().first();
        QCOMPARE(entry.kind, MessageKind::success);
        QVERIFY2(entry.text.contains(QStringLiteral(
                     "   →   192.168.1.1 via Ethernet (192.168.1.20)   ·   4 paquets reçus sur 4")),
                 qPrintable(entry.text));
        QCOMPARE(tab.stateKind(), MessageKind::success);
    }

    void disableThenEnable()
    {
        Machine machine;
        AdapterCardModel *card = machine.card("Écran Studio");
        QVERIFY(card);

        QCoro::waitFor(machine.model().setEnabled(card, false));
        QCOMPARE(card->message(), "Carte désactivée.");
        QVERIFY(!card->info().enabled);
        QVERIFY(!card->info().connected);
        QCOMPARE(serviceNamed(machine.path, "Écran Studio").value("Enabled").toBool(true), false);

        QCoro::waitFor(machine.model().setEnabled(card, true));
        QCOMPARE(card->message(), "Carte activée.");
        QCOMPARE(machine.model().statusText(), "« Écran Studio » est activée.");
        QVERIFY(card->info().enabled);
        QVERIFY(card->info().connected);
    }
};

QTEST_GUILESS_MAIN(tst_ChangesOnDemoMachine)
#include "tst_ChangesOnDemoMachine.moc"
