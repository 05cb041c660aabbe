// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerRig.h"
#include "platform/PlatformServices.h"
#include "platform/networkmanager/NetworkManagerReader.h"
#include "platform/networkmanager/NetworkManagerServices.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <signal.h>

namespace {

using namespace std::chrono_literals;

QString rigId(const char *suffix)
{
    return QStringLiteral("0a1b2c3d-%1-4000-8000-000000000%2")
        .arg(QLatin1String(suffix))
        .arg(QString::fromLatin1(suffix).right(3));
}

AdapterRead readNow(NetworkManagerReader::Bus bus = {})
{
    QFuture<AdapterRead> reading = NetworkManagerReader::readAsync(bus);
    reading.waitForFinished();
    return reading.result();
}

std::optional<AdapterInfo> find(const QList<AdapterInfo> &adapters, const QString &id)
{
    for (const AdapterInfo &adapter : adapters) {
        if (adapter.id == id)
            return adapter;
    }
    return std::nullopt;
}

// The address dnsmasq leased on the rig's DHCP network.
QString leasedAddress()
{
    QFile leases(qEnvironmentVariable("BRISVALE_RIG_DIR") + QStringLiteral("/dnsmasq-dhcp.leases"));
    if (!leases.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> fields = leases.readLine().split(' ');
    return fields.size() > 2 ? QString::fromLatin1(fields.at(2)) : QString();
}

} // namespace

// The real daemon's profiles, read through the product's own code on the rig's bus.
class tst_NetworkManagerRig : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { BRISVALE_REQUIRE_RIG(); }

    void readFindsTheRigsServices_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("device");
        QTest::addColumn<AdapterKind>("kind");
        QTest::addColumn<QString>("hardware");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("router");

        const QString eth = QStringLiteral("Ethernet");
        // In display order; "lease" stands for the address dnsmasq handed out.
        QTest::newRow("active duplicate name")
            << rigId("000a") << "Bureau"
            << "rig-dup" << AdapterKind::ethernet << eth << true << true << false << "10.77.5.10"
            << "255.255.255.0"
            << "10.77.5.1";
        QTest::newRow("DHCP lease")
            << rigId("0001") << "Filaire DHCP"
            << "rig-dhcp" << AdapterKind::ethernet << eth << true << true << true << "lease"
            << "255.255.255.0"
            << "10.77.1.1";
        QTest::newRow("bridge") << rigId("0003") << "Pont du labo"
                                << "rig-br" << AdapterKind::other << "Pont" << true << true << false
                                << "10.77.3.10"
                                << "255.255.255.0"
                                << "10.77.3.1";
        QTest::newRow("quotes and dollar")
            << rigId("0002") << "Salle \"B\" $HOME 'n'"
            << "rig-fixe" << AdapterKind::ethernet << eth << true << true << false << "10.77.2.10"
            << "255.255.255.0"
            << "10.77.2.1";
        QTest::newRow("Wi-Fi without device, may autoconnect")
            << rigId("0008") << "Réseau café — 東京"
            << "" << AdapterKind::wifi << "Wi-Fi" << true << false << true << ""
            << ""
            << "";
        QTest::newRow("bond") << rigId("0005") << "Agrégat"
                              << "rig-bond" << AdapterKind::other << "Agrégat de liens" << false
                              << false << false << "10.77.4.10"
                              << "255.255.255.128"
                              << "10.77.4.1";
        QTest::newRow("inactive duplicate name")
            << rigId("000b") << "Bureau"
            << "rig-dup" << AdapterKind::ethernet << eth << false << false << true << ""
            << ""
            << "";
        QTest::newRow("inactive, mask from the prefix")
            << rigId("0009") << "Filaire inactif"
            << "rig-idle" << AdapterKind::ethernet << eth << false << false << false << "10.77.9.10"
            << "255.255.0.0"
            << "10.77.9.1";
        QTest::newRow("newline and tab, no router")
            << rigId("000c") << "Ligne 1\nLigne\t2"
            << "" << AdapterKind::ethernet << eth << false << false << false << "10.77.6.10"
            << "255.255.255.0"
            << "";
        QTest::newRow("VLAN") << rigId("0007") << "VLAN 42"
                              << "rig-vlan" << AdapterKind::other << "VLAN" << false << false
                              << false << "10.77.42.10"
                              << "255.255.255.0"
                              << "10.77.42.1";
    }

    void readFindsTheRigsServices()
    {
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(QString, device);
        QFETCH(AdapterKind, kind);
        QFETCH(QString, hardware);
        QFETCH(bool, enabled);
        QFETCH(bool, connected);
        QFETCH(bool, dhcp);
        QFETCH(QString, ip);
        QFETCH(QString, mask);
        QFETCH(QString, router);
        if (ip == QLatin1String("lease")) {
            ip = leasedAddress();
            QVERIFY(ip.startsWith(QLatin1String("10.77.1.")));
        }

        const AdapterRead read = readNow();
        QVERIFY2(!read.failed(), qPrintable(read.failure));
        const std::optional<AdapterInfo> found = find(read.adapters, id);
        QVERIFY(found);
        const AdapterInfo expected{id,        name, device, hardware, kind,  enabled,
                                   connected, dhcp, ip,     mask,     router};
        QCOMPARE(*found, expected);
    }

    void readHasExactlyTheServicesInDisplayOrder()
    {
        const AdapterRead read = readNow();
        QStringList ids;
        for (const AdapterInfo &adapter : read.adapters)
            ids.append(adapter.id.right(4));
        // Ports, the loopback and the dummy profile are not services.
        QCOMPARE(ids, QStringList({"000a", "0001", "0003", "0002", "0008", "0005", "000b", "0009",
                                   "000c", "0007"}));
    }

    void listPrintsWhatTheCardsShow()
    {
        QProcess brisvale;
        brisvale.start(QStringLiteral(BRISVALE_APP_PATH), {QStringLiteral("--list")});
        QVERIFY(brisvale.waitForFinished(60000));
        QCOMPARE(brisvale.exitCode(), 0);
        const QString printed = QString::fromUtf8(brisvale.readAllStandardOutput());
        QCOMPARE(printed, serviceListing(readNow().adapters));
        QVERIFY(printed.contains(QStringLiteral("Ligne 1\\nLigne\\t2\t") + rigId("000c")));
    }

    void changesBehindOurBackShowInTheNextRead_data()
    {
        QTest::addColumn<QStringList>("nmcli");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("address of an inactive profile")
            << QStringList{"connection", "modify", rigId("0009"), "ipv4.addresses", "10.77.9.20/24"}
            << rigId("0009") << "ip" << QVariant("10.77.9.20");
        QTest::newRow("its new prefix")
            << QStringList{"connection", "modify", rigId("0009"), "ipv4.addresses", "10.77.9.20/26"}
            << rigId("0009") << "mask" << QVariant("255.255.255.192");
        QTest::newRow("an active profile shows its live address until reapplied")
            << QStringList{"connection", "modify", rigId("0002"), "ipv4.addresses", "10.77.2.11/24"}
            << rigId("0002") << "ip" << QVariant("10.77.2.10");
        QTest::newRow("renamed") << QStringList{"connection", "modify", rigId("000c"),
                                                "connection.id", "Renommé"}
                                 << rigId("000c") << "serviceName" << QVariant("Renommé");
        QTest::newRow("may autoconnect")
            << QStringList{"connection", "modify", rigId("000b"), "connection.autoconnect", "yes"}
            << rigId("000b") << "enabled" << QVariant(true);
        QTest::newRow("taken down") << QStringList{"connection", "down", rigId("000a")}
                                    << rigId("000a") << "connected" << QVariant(false);
        QTest::newRow("deleted") << QStringList{"connection", "delete", rigId("0007")}
                                 << rigId("0007") << "" << QVariant();
        QTest::newRow("added") << QStringList{"connection",
                                              "add",
                                              "type",
                                              "ethernet",
                                              "con-name",
                                              "Nouveau",
                                              "ifname",
                                              "rig-new",
                                              "autoconnect",
                                              "no",
                                              "connection.uuid",
                                              rigId("00ff"),
                                              "ipv4.method",
                                              "manual",
                                              "ipv4.addresses",
                                              "10.77.8.10/24"}
                               << rigId("00ff") << "ip" << QVariant("10.77.8.10");
    }

    void changesBehindOurBackShowInTheNextRead()
    {
        QFETCH(QStringList, nmcli);
        QFETCH(QString, id);
        QFETCH(QString, field);
        QFETCH(QVariant, value);

        const CommandResult changed = NetworkManagerRig::nmcli(nmcli);
        QVERIFY2(changed.status == 0, qPrintable(changed.combined()));
        const AdapterRead read = readNow();
        QVERIFY2(!read.failed(), qPrintable(read.failure));
        const std::optional<AdapterInfo> found = find(read.adapters, id);
        if (field.isEmpty()) {
            QVERIFY(!found);
            return;
        }
        QVERIFY(found);
        const QMetaObject &meta = AdapterInfo::staticMetaObject;
        const QVariant actual =
            meta.property(meta.indexOfProperty(field.toLatin1().constData())).readOnGadget(&*found);
        QCOMPARE(actual, value);
    }

    void backendChoiceFindsTheDaemon() { QVERIFY(realSystemAvailable()); }

    // The daemon's troubles, last: each one leaves it stopped until cleanup() restarts it.
    void daemonKilledMidReadGivesAnEmptyReadAndTheCause()
    {
        const pid_t daemon = pid_t(NetworkManagerRig::daemonPid());
        QVERIFY(daemon > 0);
        // Frozen, the daemon holds the read's calls unanswered; killed, it leaves them.
        QCOMPARE(kill(daemon, SIGSTOP), 0);
        QFuture<AdapterRead> reading = NetworkManagerReader::readAsync({});
        QTest::qWait(500);
        QVERIFY(!reading.isFinished());
        QCOMPARE(kill(daemon, SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(reading.isFinished(), 30000);
        QVERIFY(reading.result().adapters.isEmpty());
        QCOMPARE(reading.result().failure,
                 QStringLiteral("Lecture de NetworkManager impossible : le service s'est arrêté "
                                "pendant la lecture."));
    }

    void absentDaemonGivesAnEmptyReadAndTheCause()
    {
        QVERIFY(NetworkManagerRig::stopDaemon());
        const AdapterRead read = readNow();
        QVERIFY(read.adapters.isEmpty());
        QCOMPARE(read.failure, QStringLiteral("Lecture de NetworkManager impossible : le service "
                                              "ne fonctionne pas."));
        QVERIFY(!realSystemAvailable());
    }

    void frozenDaemonGivesUpAfterTheTimeLimit()
    {
        const pid_t daemon = pid_t(NetworkManagerRig::daemonPid());
        QVERIFY(daemon > 0);
        QCOMPARE(kill(daemon, SIGSTOP), 0);
        const AdapterRead read = readNow({QString(), 300ms});
        const bool frozenAnswer = NetworkManagerServices::available({}, 300ms);
        kill(daemon, SIGCONT);
        QVERIFY(read.adapters.isEmpty());
        QCOMPARE(read.failure, QStringLiteral("Lecture de NetworkManager impossible : le service "
                                              "n'a pas répondu à temps."));
        QVERIFY(!frozenAnswer);
    }

    void cleanup()
    {
        if (NetworkManagerRig::inside() && NetworkManagerRig::daemonPid() == 0)
            QVERIFY(NetworkManagerRig::startDaemon());
    }
};

BRISVALE_RIG_TEST_MAIN(tst_NetworkManagerRig, QCoreApplication)
#include "tst_NetworkManagerRig.moc"
