// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppInfo.h"
#include "AppModel.h"
#include "NetworkManagerReader.h"
#include "NetworkManagerRig.h"
#include "NetworkManagerServices.h"
#include "PlatformServices.h"

#include <QFile>
#include <QGuiApplication>
#include <QMetaEnum>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <signal.h>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

namespace {

using namespace std::chrono_literals;
using NetworkManagerRig::profileId;

AdapterRead readNow(NetworkManagerReader::Bus bus = {})
{
    return NetworkManagerReader::readAsync(bus).result();
}

// One line per record, every field shown; the id by its profile's number.
QString describe(const AdapterInfo &a)
{
    const QString kind = QMetaEnum::fromType<AdapterKind>().valueToKey(int(a.kind));
    const QStringList flags{a.enabled ? "on" : "off", a.connected ? "up" : "down",
                            a.dhcp ? "dhcp" : "manual"};
    return QStringList{a.id.right(2),    a.serviceName, a.device, a.hardwareName, kind,
                       flags.join(u'|'), a.ip,          a.mask,   a.router}
        .join(u'|');
}

QString leasedAddress()
{
    QFile leases(qEnvironmentVariable("BRISVALE_RIG_DIR") + "/dnsmasq-dhcp.leases");
    return QString::fromLatin1(
        leases.open(QIODevice::ReadOnly) ? leases.readLine().split(' ').value(2) : QByteArray());
}

} // namespace

// The real daemon's profiles, read through the product's own code on the rig's bus.
class tst_NetworkManagerRig : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        BRISVALE_REQUIRE_RIG();
        QQuickStyle::setStyle("Basic");
    }

    // Every service in display order: connected, then enabled, then by name. Ports, the dummy
    // profile and the loopback are not services; bond and VLAN stay down on any kernel.
    void readShowsEveryServiceInDisplayOrder()
    {
        const QString lease = leasedAddress();
        QVERIFY(lease.startsWith(QLatin1String("10.77.1.")));
        const AdapterRead read = readNow();
        QVERIFY2(!read.failed(), qPrintable(read.failure));
        QStringList lines;
        for (const AdapterInfo &adapter : read.adapters)
            lines << describe(adapter);
        const QString c24 = "255.255.255.0";
        QCOMPARE(
            lines,
            QStringList({
                "0a|Bureau|rig-dup|Ethernet|ethernet|on|up|manual|10.77.5.10|" + c24 + "|10.77.5.1",
                "01|Filaire DHCP|rig-dhcp|Ethernet|ethernet|on|up|dhcp|" + lease + '|' + c24 +
                    "|10.77.1.1",
                "03|Pont du labo|rig-br|Pont|other|on|up|manual|10.77.3.10|" + c24 + "|10.77.3.1",
                "02|Salle \"B\" $HOME 'n'|rig-fixe|Ethernet|ethernet|on|up|manual|10.77.2.10|" +
                    c24 + "|10.77.2.1",
                "08|Réseau café — 東京||Wi-Fi|wifi|on|down|dhcp|||",
                "05|Agrégat|rig-bond|Agrégat de liens|other|off|down|manual|10.77.4.10|"
                "255.255.255.128|10.77.4.1",
                "0b|Bureau|rig-dup|Ethernet|ethernet|off|down|dhcp|||",
                "09|Filaire inactif|rig-idle|Ethernet|ethernet|off|down|manual|10.77.9.10|"
                "255.255.0.0|10.77.9.1",
                "0c|Ligne 1\nLigne\t2||Ethernet|ethernet|off|down|manual|10.77.6.10|" + c24 + '|',
                "07|VLAN 42|rig-vlan|VLAN|other|off|down|manual|10.77.42.10|" + c24 + "|10.77.42.1",
            }));
        // The servers dnsmasq hands out with the lease.
        QCOMPARE(read.adapters[1].dnsInEffect, QStringList({"10.77.1.53", "10.77.1.54"}));
    }

    // The real window, with the real system's pill, and `brisvale --list` show what reads give.
    void windowAndListingShowTheDaemonsServices()
    {
        const RealSystem system = probeRealSystem();
        QVERIFY2(system.available && system.version.startsWith("1."), qPrintable(system.version));
        AppInfo::instance()->setRealSystem(system.name, system.version);
        AppModel model(realSystemServices());
        QQmlApplicationEngine engine;
        engine.addImportPath("qrc:/qt/qml");
        engine.setInitialProperties({{"appModel", QVariant::fromValue(&model)}});
        engine.load(QUrl("qrc:/qt/qml/Brisvale/qml/Main.qml"));
        auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
        QVERIFY(window);
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(model.hasLoadedOnce() && !model.loading(), 30000);
        QStringList ids, read;
        for (const AdapterCardModel *card : model.cards())
            ids.append(card->id());
        const QList<AdapterInfo> adapters = readNow().adapters;
        for (const AdapterInfo &adapter : adapters)
            read.append(adapter.id);
        QCOMPARE(ids, read);
        QVERIFY(!AppInfo::instance()->simulated());
        QVERIFY(!window->findChild<QObject *>("simulatedPill")->property("visible").toBool());
        QVERIFY(window->findChild<QObject *>("systemPill")->property("visible").toBool());

        QProcess brisvale;
        brisvale.start(QStringLiteral(BRISVALE_APP_PATH), {"--list"});
        QVERIFY(brisvale.waitForFinished(60000));
        QCOMPARE(brisvale.exitCode(), 0);
        const QString printed = QString::fromUtf8(brisvale.readAllStandardOutput());
        QCOMPARE(printed, serviceListing(adapters));
        QVERIFY(printed.contains("Ligne 1\\nLigne\\t2\t" + profileId(0x0c)));
    }

    // Each row builds on the rows before it.
    void changesBehindOurBackShowInTheNextRead_data()
    {
        QTest::addColumn<QStringList>("nmcli");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("field"); // empty: the service is gone
        QTest::addColumn<QVariant>("value");
        // The command's %1 is the profile's UUID.
        const auto row = [](const char *name, const char *command, int profile, const char *field,
                            const QVariant &value) {
            const QString id = profileId(profile);
            QTest::newRow(name) << QString::fromUtf8(command).arg(id).split(u' ') << id
                                << QString::fromLatin1(field) << value;
        };

        row("prefix of an inactive profile", "connection modify %1 ipv4.addresses 10.77.9.20/26",
            0x09, "mask", "255.255.255.192");
        row("an active profile shows its saved address",
            "connection modify %1 ipv4.addresses 10.77.2.11/24", 0x02, "ip", "10.77.2.11");
        row("not in effect until reapplied", "connection modify %1 ipv4.addresses 10.77.2.11/24",
            0x02, "inEffect", false);
        row("renamed", "connection modify %1 connection.id Renommé", 0x0c, "serviceName",
            "Renommé");
        row("may autoconnect", "connection modify %1 connection.autoconnect yes", 0x0b, "enabled",
            true);
        row("taken down", "connection down %1", 0x0a, "connected", false);
        row("deleted", "connection delete %1", 0x07, "", {});
        row("added",
            "connection add type ethernet con-name Nouveau ifname rig-new autoconnect no "
            "connection.uuid %1 ipv4.method manual ipv4.addresses 10.77.8.10/24",
            0xff, "ip", "10.77.8.10");
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
        const auto found =
            std::find_if(read.adapters.cbegin(), read.adapters.cend(),
                         [&id](const AdapterInfo &adapter) { return adapter.id == id; });
        QCOMPARE(found != read.adapters.cend(), !field.isEmpty());
        const QMetaObject &meta = AdapterInfo::staticMetaObject;
        if (!field.isEmpty())
            QCOMPARE(meta.property(meta.indexOfProperty(field.toLatin1())).readOnGadget(&*found),
                     value);
    }

    // Each trouble leaves the daemon stopped until cleanup() restarts it. The read gives nothing
    // and says why; the probe, asked then, gives the same cause.
    void daemonTroubles_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("cause");
        QTest::newRow("killed mid-read") << "kill"
                                         << "le service s'est arrêté pendant la lecture.";
        QTest::newRow("absent") << "stop"
                                << "le service ne fonctionne pas.";
        QTest::newRow("frozen") << "freeze"
                                << "le service n'a pas répondu à temps.";
    }

    void daemonTroubles()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, cause);
        const pid_t daemon = pid_t(NetworkManagerRig::daemonPid());
        QVERIFY(daemon > 0);
        if (trouble == "stop")
            QVERIFY(NetworkManagerRig::stopDaemon());
        else
            QCOMPARE(kill(daemon, SIGSTOP), 0);
        // Frozen, the daemon holds the read's calls unanswered; killed, it leaves them.
        const auto limit = trouble == "kill" ? NetworkManagerBus::callTimeLimit : 300ms;
        QFuture<AdapterRead> reading = NetworkManagerReader::readAsync({QString(), limit});
        if (trouble == "kill") {
            QTest::qWait(500);
            QVERIFY(!reading.isFinished());
            QCOMPARE(kill(daemon, SIGKILL), 0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(reading.isFinished(), 30000);
        const NetworkManagerServices::Probe probe = NetworkManagerServices::probe({}, 300ms);
        kill(daemon, SIGCONT);
        QVERIFY(reading.result().adapters.isEmpty());
        QCOMPARE(reading.result().failure, "Lecture de NetworkManager impossible : " + cause);
        QVERIFY(!probe.answers);
        if (trouble != "kill")
            QCOMPARE(probe.cause, "NetworkManager ne répond pas : " + cause);
    }

    void cleanup()
    {
        if (NetworkManagerRig::inside() && NetworkManagerRig::daemonPid() == 0)
            QVERIFY(NetworkManagerRig::startDaemon());
    }
};

BRISVALE_RIG_TEST_MAIN(tst_NetworkManagerRig, QGuiApplication)
#include "tst_NetworkManagerRig.moc"
