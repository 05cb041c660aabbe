// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppInfo.h"
#include "AppModel.h"
#include "ChangeMessages.h"
#include "DBusValues.h"
#include "NetworkManagerBus.h"
#include "NetworkManagerReader.h"
#include "NetworkManagerRig.h"
#include "NetworkManagerServices.h"
#include "NetworkManagerWriter.h"
#include "PingRunner.h"
#include "PlatformServices.h"
#include "ProfileApply.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMetaEnum>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTest>
#include <QThread>
#include <QtQml/QQmlExtensionPlugin>

#include <csignal>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

// The real daemon's profiles, read through the product's own code on the rig's bus, and the
// product's changes to them, seen by nmcli, ip and the keyfiles.
namespace {

using namespace std::chrono_literals;
using NetworkManagerRig::profileId;

AdapterRead readNow()
{
    return NetworkManagerReader::readAsync({}).result();
}

const QString fixedProfile = profileId(0x02);
const QString wifiProfile = profileId(0x08);
const QString officeProfile = profileId(0x0a);

const QString inactiveProfile = profileId(0x09);

// Set in the environment of a child that makes one change and prints its cause.
const char *childChange = "BRISVALE_TEST_CHANGE_AS_CHILD";
// Set in the environment of a child that begins a group, makes its first change and waits.
const char *childGroup = "BRISVALE_TEST_GROUP_AS_CHILD";

QString field(const QString &uuid, const QString &name)
{
    return NetworkManagerRig::nmcli({"-g", name, "connection", "show", uuid}).output.trimmed();
}

bool arranged(const QStringList &arguments)
{
    const CommandResult result = NetworkManagerRig::nmcli(arguments);
    if (result.status != 0)
        qWarning("nmcli: %s", qPrintable(result.combined()));
    return result.status == 0;
}

QString addresses(const QString &device)
{
    return NetworkManagerRig::run("ip", {"-4", "-br", "addr", "show", device}).output;
}

QString keyfileOf(const QString &uuid)
{
    const QDir folder(NetworkManagerRig::connectionsFolder());
    for (const QString &name : folder.entryList(QDir::Files)) {
        QFile file(folder.filePath(name));
        const QString text =
            file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "";
        if (text.contains("uuid=" + uuid))
            return text;
    }
    return {};
}

// A manual or DHCP change may end with its DNS servers.
CommandResult change(const QStringList &request)
{
    const QString &kind = request.value(0);
    NetworkManagerWriter::Dns dns;
    if (request.size() > (kind == "manual" ? 6 : 3))
        dns = request.last().split(u' ', Qt::SkipEmptyParts);
    if (kind == "manual")
        return NetworkManagerWriter::setManual(request.value(1), request.value(2), request.value(3),
                                               request.value(4), request.value(5), dns)
            .result();
    if (kind == "dhcp")
        return NetworkManagerWriter::setDHCP(request.value(1), request.value(2), dns).result();
    return NetworkManagerWriter::setEnabled(request.value(1), request.value(2),
                                            request.value(3) == "on")
        .result();
}

// What the group tests change, each profile's address in it: two active, one inactive.
const QList<QStringList> group = {
    {fixedProfile, "Salle B", "10.77.2.61", "255.255.255.0", "10.77.2.1"},
    {inactiveProfile, "Filaire inactif", "10.77.9.61", "255.255.0.0", ""},
    {officeProfile, "Bureau", "10.77.5.61", "255.255.255.0", "10.77.5.1"},
};

QList<ServiceTarget> targetsOf(const QList<QStringList> &changes)
{
    QList<ServiceTarget> targets;
    for (const QStringList &change : changes)
        targets.append({change[0], change[1]});
    return targets;
}

// How many entries one of the daemon's array properties holds.
qsizetype listed(const QString &path, const QString &interface, const char *name)
{
    NetworkManagerBus bus({});
    const auto value = bus.property(path, NetworkManagerBus::service + interface, name).value();
    return DBusValues::list(value).value_or(QVariantList()).size();
}

CommandResult changed(SystemServices &system, const QStringList &c)
{
    return system.setManual({c[0], c[1]}, c[2], c[3], c[4], std::nullopt).result();
}

AdapterCardModel *cardOf(AppModel &model, const QString &id)
{
    QCoro::waitFor(model.refresh(true));
    const QList<AdapterCardModel *> cards = model.cards();
    const auto found =
        std::find_if(cards.begin(), cards.end(), [&](auto *c) { return c->id() == id; });
    return found == cards.end() ? nullptr : *found;
}

} // namespace

class tst_NetworkManagerRig : public QObject {
    Q_OBJECT

public:
    // The children: refusalsChangeNothing's, unprivileged, makes one change and prints its cause
    // (-1: changed); aGroupOfChangesIsAllOrNothing's begins a group under a short checkpoint,
    // makes its first change, prints both statuses and waits to be killed.
    static void initMain()
    {
        if (!qEnvironmentVariableIsSet(childChange) && !qEnvironmentVariableIsSet(childGroup))
            return;
        int argc = 1;
        char name[] = "child", *argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        if (qEnvironmentVariableIsSet(childGroup)) {
            SystemServices system = NetworkManagerServices::services({}, 4s);
            const Transaction begun = system.beginTransaction(targetsOf({group[0]})).result();
            QStringList first = group[0];
            first[2] = "10.77.2.62";
            std::printf("%d %d\n", begun.result.status, changed(system, first).status);
            std::fflush(stdout);
            QThread::sleep(60);
            std::exit(1);
        }
        const CommandResult result = change(qEnvironmentVariable(childChange).split(u'\x1f'));
        std::printf("%d\n", result.status == 0 ? -1 : int(result.cause));
        std::exit(0);
    }

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
        QFile leases(qEnvironmentVariable("BRISVALE_RIG_DIR") + "/dnsmasq-dhcp.leases");
        QVERIFY(leases.open(QIODevice::ReadOnly));
        const QString lease = QString::fromLatin1(leases.readLine().split(' ').value(2));
        QVERIFY(lease.startsWith(QLatin1String("10.77.1.")));
        const AdapterRead read = readNow();
        QVERIFY2(!read.failed(), qPrintable(read.failure));
        // One line per record, every field shown; the id by its profile's number.
        QStringList lines;
        for (const AdapterInfo &a : read.adapters) {
            const QString kind = QMetaEnum::fromType<AdapterKind>().valueToKey(int(a.kind));
            const QStringList flags{a.enabled ? "on" : "off", a.connected ? "up" : "down",
                                    a.dhcp ? "dhcp" : "manual"};
            lines << QStringList{a.id.right(2),    a.serviceName, a.device, a.hardwareName, kind,
                                 flags.join(u'|'), a.ip,          a.mask,   a.router}
                         .join(u'|');
        }
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

    // Search domains, IPv6, routes and Wi-Fi secrets are not Brisvale's business: every change
    // keeps the keyfile's other lines as they were, and the DNS servers where it does not set
    // them; a read then shows the servers as nmcli does. The Wi-Fi profile has no device here: its
    // changes are saved only, and enabling it leaves the rest to autoconnect.
    void theRestOfTheProfileIsKept_data()
    {
        QTest::addColumn<QStringList>("request");
        QTest::addColumn<QString>("setting"); // as the change leaves it; several: a,b
        QTest::addColumn<QString>("value");   // as nmcli -g gives it, one a line
        const auto row = [](const char *name, const QStringList &request, const char *setting,
                            const char *value) {
            QTest::newRow(name) << request << QString(setting) << QString::fromUtf8(value);
        };
        row("manual",
            {"manual", fixedProfile, "Salle B", "10.77.2.30", "255.255.255.0", "10.77.2.1"},
            "ipv4.addresses", "10.77.2.30/24");
        row("DNS servers, the addressing as it is",
            {"manual", fixedProfile, "Salle B", "10.77.2.30", "255.255.255.0", "10.77.2.1",
             "10.77.2.92 10.77.2.91"},
            "ipv4.dns,ipv4.ignore-auto-dns", "10.77.2.92,10.77.2.91\nyes");
        row("DHCP, and its DNS servers", {"dhcp", fixedProfile, "Salle B", ""},
            "ipv4.method,ipv4.addresses,ipv4.dns,ipv4.ignore-auto-dns", "auto\n\n\nno");
        row("disable", {"enabled", fixedProfile, "Salle B", "off"}, "connection.autoconnect", "no");
        row("enable", {"enabled", fixedProfile, "Salle B", "on"}, "connection.autoconnect", "yes");
        row("no device, manual",
            {"manual", wifiProfile, "Réseau café", "192.168.50.7", "255.255.255.0", ""},
            "ipv4.addresses", "192.168.50.7/24");
        row("no device, enable", {"enabled", wifiProfile, "Réseau café", "on"},
            "connection.autoconnect", "yes");
    }

    void theRestOfTheProfileIsKept()
    {
        QFETCH(QStringList, request);
        QFETCH(QString, setting);
        QFETCH(QString, value);
        QVERIFY(arranged({"connection", "modify", fixedProfile, "ipv4.dns", "10.77.2.53,10.77.2.54",
                          "ipv4.ignore-auto-dns", "yes", "ipv4.dns-search", "labo.test",
                          "ipv6.method", "manual", "ipv6.addresses", "fd77:2::10/64", "ipv6.dns",
                          "fd77:2::53", "ipv4.routes", "10.99.0.0/16 10.77.2.1"}));
        QVERIFY(arranged({"connection", "modify", wifiProfile, "wifi-sec.key-mgmt", "wpa-psk",
                          "wifi-sec.psk", "mot-de-passe-du-café", "connection.autoconnect", "no"}));
        // Every line but those of the row's settings (address1 is ipv4.addresses).
        const auto kept = [&setting] {
            QStringList lines{keyfileOf(wifiProfile).contains("psk=mot-de-passe-du-café") ? "psk"
                                                                                          : ""};
            QString section;
            for (const QString &line : keyfileOf(fixedProfile).split(u'\n')) {
                section = line.startsWith(u'[') ? line.mid(1).chopped(1) : section;
                const QString key = section + '.' + line.section(u'=', 0, 0);
                if (!setting.contains(key.chopped(key.endsWith(u'1'))) &&
                    !line.startsWith("timestamp="))
                    lines << line;
            }
            return lines;
        };
        const QStringList before = kept();
        const CommandResult result = change(request);
        QVERIFY2(result.status == 0, qPrintable(result.combined()));
        QCOMPARE(kept(), before);
        QCOMPARE(field(request[1], setting), value);
        // The device's servers: nmcli shows none for a profile still waiting for its lease.
        const QString live =
            NetworkManagerRig::nmcli({"-g", "IP4.DNS", "device", "show", "rig-fixe"}).output;
        for (const AdapterInfo &read : readNow().adapters) {
            if (read.id == fixedProfile)
                QCOMPARE(read.dnsServers.join(u',') + '|' + read.dnsInEffect.join(" | "),
                         field(fixedProfile, "ipv4.dns") + '|' + live.trimmed());
        }
    }

    // The cause comes from the error's name, never from a name the message may quote.
    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("request");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<int>("cause");

        const auto row = [](const char *name, const QStringList &request, bool asNobody,
                            ChangeCause cause) {
            QTest::newRow(name) << request << asNobody << int(cause);
        };
        row("an unprivileged caller, manual",
            {"manual", fixedProfile, "Salle B", "10.77.2.99", "255.255.255.0", ""}, true,
            ChangeCause::refused);
        row("an unprivileged caller, disable", {"enabled", officeProfile, "Bureau", "off"}, true,
            ChangeCause::refused);
        row("a real refusal of a profile named like no refusal",
            {"dhcp", fixedProfile, "Échec général"}, true, ChangeCause::refused);
        row("a profile named like a refusal, refused by the daemon",
            {"manual", fixedProfile, "Réseau cancel not authorized", "10.77.2.99", "255.255.255.0",
             "10.77.2.256"},
            false, ChangeCause::failed);
        row("a profile that vanished",
            {"manual", NetworkManagerRig::profileId(0xffff), "Parti", "10.77.2.99", "255.255.255.0",
             ""},
            false, ChangeCause::failed);
    }

    void refusalsChangeNothing()
    {
        QFETCH(QStringList, request);
        QFETCH(bool, asNobody);
        QFETCH(int, cause);

        const QString keyfilesBefore = keyfileOf(fixedProfile) + keyfileOf(officeProfile);
        const QString devicesBefore = addresses("rig-fixe") + addresses("rig-dup");
        if (asNobody) {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(childChange, request.join(u'\x1f'));
            child.setProcessEnvironment(environment);
            child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                    QCoreApplication::applicationFilePath()});
            QVERIFY(child.waitForFinished(60000));
            QVERIFY2(child.exitCode() == 0, qPrintable(child.readAllStandardError()));
            QCOMPARE(child.readAllStandardOutput().trimmed().toInt(), cause);
        } else {
            const CommandResult result = change(request);
            QVERIFY(result.status != 0 && !result.error.isEmpty());
            QCOMPARE(int(result.cause), cause);
        }
        QCOMPARE(keyfileOf(fixedProfile) + keyfileOf(officeProfile), keyfilesBefore);
        QCOMPARE(addresses("rig-fixe") + addresses("rig-dup"), devicesBefore);
    }

    // The system's own ping, bound to the rig's devices: the only run of real iputils output.
    void pingFromTheRigsDevices_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("device");
        QTest::newRow("the gateway, bound") << "10.77.5.1" << true << "rig-dup";
        QTest::newRow("an unused address, bound") << "10.77.5.77" << false << "rig-dup";
        QTest::newRow("the gateway, through a gone device") << "10.77.5.1" << true << "rig-gone";
    }

    void pingFromTheRigsDevices()
    {
        QFETCH(QString, address);
        QFETCH(bool, answered);
        QFETCH(QString, device);
        QTRY_VERIFY_WITH_TIMEOUT(addresses("rig-dup").contains("10.77.5."), 20000);
        const PingOutcome outcome =
            PingRunner::send(PingRunner::iputils(), PingRunner::systemProgram(), address, device, 2)
                .result();
        QVERIFY2(outcome.success == answered, qPrintable(outcome.detail + "\n" + outcome.raw));
    }

    // A profile with a second address, as a device's factory subnet beside the office one: the
    // card shows the first, whatever order the daemon lists the live ones in, and every change
    // keeps the second. DNS servers go with the fixed address and back to DHCP's with it.
    void aSecondAddressIsKept()
    {
        const QString both = "10.77.2.8/24, 10.77.2.200/24";
        QVERIFY(arranged({"connection", "modify", fixedProfile, "ipv4.method", "manual",
                          "ipv4.addresses", both, "ipv4.gateway", "10.77.2.1",
                          "connection.autoconnect", "yes"}));
        QVERIFY(arranged({"connection", "up", fixedProfile}));
        auto model = std::make_unique<AppModel>(realSystemServices());
        AdapterCardModel *card = cardOf(*model, fixedProfile);
        QVERIFY(card);
        QCOMPARE(card->info().ip, "10.77.2.8");
        QCOMPARE(card->info().otherAddresses, QStringList{"10.77.2.200/24"});

        const auto applied = [&](const char *step, const QString &expected) {
            QVERIFY2(QCoro::waitFor(model->apply(card)), step);
            QCOMPARE(card->messageKind(), MessageKind::success);
            QCOMPARE(field(fixedProfile, "ipv4.addresses"), expected);
            QVERIFY(keyfileOf(fixedProfile).contains("=10.77.2.200/24"));
        };
        card->setRouter("10.77.2.254");
        applied("router only", both);
        QCOMPARE(field(fixedProfile, "ipv4.gateway"), "10.77.2.254");
        card->setIp("10.77.2.30");
        card->setDns("10.77.2.92, 10.77.2.91");
        applied("address and DNS", "10.77.2.30/24, 10.77.2.200/24");
        QCOMPARE(field(fixedProfile, "ipv4.dns,ipv4.ignore-auto-dns"),
                 "10.77.2.92,10.77.2.91\nyes");
        QCOMPARE(card->info().dnsInEffect, (QStringList{"10.77.2.92", "10.77.2.91"}));
        QTRY_VERIFY_WITH_TIMEOUT(addresses("rig-fixe").contains("10.77.2.30/24"), 20000);
        card->changeMode(Kinds::ConfigMode::dhcp);
        card->setDns("");
        applied("DHCP, DNS from it", "10.77.2.200/24");
        QCOMPARE(field(fixedProfile, "ipv4.method,ipv4.dns,ipv4.ignore-auto-dns"), "auto\n\nno");
        QVERIFY(!keyfileOf(fixedProfile).contains("dns=10.77.2.9"));
        QVERIFY(!card->info().dnsManual());
        // No lease comes here, yet the model looks for one; gone, it stops at its next step
        // rather than outlive the test.
        model.reset();
        QTest::qWait(1500);
    }

    // Another client's change between Brisvale's read and its change is not overwritten. The
    // profile waits for a lease that never comes: a fixed address must still reach the device.
    void anotherClientsChangeIsKept()
    {
        AppModel model(realSystemServices());
        AdapterCardModel *card = cardOf(model, fixedProfile);
        QVERIFY(card);
        card->changeMode(Kinds::ConfigMode::manual);
        card->setIp("10.77.2.41");
        card->setMask("255.255.255.0");
        card->setRouter("10.77.2.1");
        QVERIFY(arranged({"connection", "modify", fixedProfile, "ipv4.dns", "10.77.2.53",
                          "ipv4.dns-search", "rig.test"}));
        QVERIFY2(QCoro::waitFor(model.apply(card)), qPrintable(model.statusText()));
        QCOMPARE(field(fixedProfile, "ipv4.dns"), "10.77.2.53");
        QCOMPARE(field(fixedProfile, "ipv4.dns-search"), "rig.test");
        QVERIFY(addresses("rig-fixe").contains("10.77.2.41/24"));
    }

    // A group of changes is kept whole, or undone whole: profiles on disk, active or not, and
    // devices. Killed in the middle, Brisvale leaves the undoing to the checkpoint's timeout.
    void aGroupOfChangesIsAllOrNothing_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("every change verified, committed") << "commit";
        QTest::newRow("the last change refused, rolled back") << "rollback";
        QTest::newRow("the checkpoint ran out before the commit") << "expire";
        QTest::newRow("no profile active, no checkpoint, rolled back") << "inactive";
        QTest::newRow("Brisvale killed after the first change") << "kill";
    }

    void aGroupOfChangesIsAllOrNothing()
    {
        QFETCH(QString, end);
        const auto keyfiles = [] {
            return keyfileOf(fixedProfile) + keyfileOf(inactiveProfile) + keyfileOf(officeProfile);
        };
        const auto devices = [] { return addresses("rig-fixe") + addresses("rig-dup"); };
        // The rig writes its keyfiles by hand and the daemon rewrites one in its own layout at
        // any save: a save that changes nothing gives the layout a rollback is compared to.
        for (const QStringList &change : group)
            QVERIFY(arranged({"connection", "modify", change[0], "connection.id",
                              field(change[0], "connection.id")}));
        const QString keyfilesBefore = keyfiles(), devicesBefore = devices();
        if (end == "kill") {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(childGroup, "1");
            child.setProcessEnvironment(environment);
            child.start(QCoreApplication::applicationFilePath());
            QVERIFY(child.waitForReadyRead(30000));
            QCOMPARE(child.readLine().trimmed(), "0 0");
            QVERIFY(addresses("rig-fixe").contains("10.77.2.62/24"));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(5000));
            QTRY_COMPARE_WITH_TIMEOUT(devices(), devicesBefore, 20000);
            QCOMPARE(keyfiles(), keyfilesBefore);
            return;
        }
        // Rolled back, every address differs from the one the commit left.
        QList<QStringList> changes = group;
        for (QStringList &change : changes)
            change[2].replace(".61", end == "commit" ? ".61" : ".71");
        if (end == "rollback")
            changes[2][4] = "10.77.5.256";
        if (end == "inactive")
            changes = {changes[1]};
        SystemServices system = NetworkManagerServices::services({}, end == "expire" ? 2s : 60s);
        const Transaction begun = system.beginTransaction(targetsOf(changes)).result();
        QVERIFY2(begun.result.status == 0, qPrintable(begun.result.error));
        QCOMPARE(begun.handle.startsWith(u'/'), end != "inactive");
        QCOMPARE(begun.covered.size(), changes.size());
        // The devices of the two active profiles; an empty list would have been every device.
        QCOMPARE(listed(NetworkManagerBus::managerPath, "", "Checkpoints"),
                 end == "inactive" ? 0 : 1);
        QCOMPARE(listed(begun.handle, ".Checkpoint", "Devices"), end == "inactive" ? 0 : 2);
        for (const QStringList &change : changes)
            QCOMPARE(changed(system, change).status == 0, change[4] != "10.77.5.256");
        // Gone before its commit, the checkpoint may have undone the group: the commit fails, and
        // the rollback that follows puts back what the daemon did not.
        if (end == "expire") {
            QTest::qWait(3000);
            QVERIFY(system.commitTransaction(begun.handle).result().status != 0);
        }
        const CommandResult ended = end == "commit"
                                        ? system.commitTransaction(begun.handle).result()
                                        : system.rollbackTransaction(begun.handle).result();
        QVERIFY2(ended.status == 0, qPrintable(ended.error));
        QCOMPARE(listed(NetworkManagerBus::managerPath, "", "Checkpoints"), 0);
        if (end != "commit") {
            QCOMPARE(keyfiles(), keyfilesBefore);
            QTRY_COMPARE_WITH_TIMEOUT(devices(), devicesBefore, 20000);
            return;
        }
        QStringList shown;
        for (const AdapterInfo &read : readNow().adapters) {
            if (begun.covered.contains(read.id))
                shown << read.ip;
        }
        QCOMPARE(shown, QStringList({"10.77.5.61", "10.77.2.61", "10.77.9.61"}));
    }

    // The flow the window and --apply-profile run, on the two active profiles: applied and
    // verified, or, the daemon refusing the second change, both keyfiles as they were.
    void aProfileAppliedAllOrNothing_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("applied and verified") << false;
        QTest::newRow("second change refused, the first put back") << true;
    }

    void aProfileAppliedAllOrNothing()
    {
        QFETCH(bool, refused);
        Profile profile{"Rig", {}, {}};
        for (const QStringList &c : {group[0], group[2]}) {
            ProfileEntry entry{c[0], c[1], {}, {}, true, false, c[2], c[3], c[4]};
            entry.ip.replace(".61", ".81");
            profile.entries << entry;
            QVERIFY(arranged(
                {"connection", "modify", c[0], "connection.id", field(c[0], "connection.id")}));
        }
        if (refused)
            profile.entries[1].router = "10.77.5.256";
        const auto state = [] {
            return keyfileOf(fixedProfile) + keyfileOf(officeProfile) + addresses("rig-fixe") +
                   addresses("rig-dup");
        };
        const QString before = state();
        QCoro::Task<ProfileOutcome> applying = applyProfile(realSystemServices(), profile);
        const ProfileOutcome outcome = QCoro::waitFor(applying);
        QVERIFY2(outcome.result == (refused ? ProfileResult::restored : ProfileResult::applied),
                 qPrintable(outcome.message));
        QCOMPARE(listed(NetworkManagerBus::managerPath, "", "Checkpoints"), 0);
        if (refused)
            QCOMPARE(state(), before);
        else
            QVERIFY(addresses("rig-fixe").contains("10.77.2.81/24") &&
                    addresses("rig-dup").contains("10.77.5.81/24"));
    }

    // A daemon that hangs holds a change for the read's few seconds, not for the password's
    // minutes; one that is gone changes nothing. Either way the message says only that.
    void aDaemonThatDoesNotAnswer_data()
    {
        QTest::addColumn<bool>("hung");
        QTest::addColumn<int>("cause");
        QTest::newRow("hung") << true << int(ChangeCause::timedOut);
        QTest::newRow("gone") << false << int(ChangeCause::serviceGone);
    }

    void aDaemonThatDoesNotAnswer()
    {
        QFETCH(bool, hung);
        QFETCH(int, cause);
        const QString before = keyfileOf(fixedProfile);
        const qint64 pid = NetworkManagerRig::daemonPid();
        QVERIFY(pid > 0);
        QVERIFY(hung ? ::kill(pid_t(pid), SIGSTOP) == 0 : NetworkManagerRig::stopDaemon());
        const CommandResult result =
            change({"manual", fixedProfile, "Salle B", "10.77.2.77", "255.255.255.0", ""});
        QVERIFY(hung ? ::kill(pid_t(pid), SIGCONT) == 0 : NetworkManagerRig::startDaemon());
        QCOMPARE(int(result.cause), cause);
        QVERIFY(!result.maybeApplied);
        QCOMPARE(keyfileOf(fixedProfile), before);
    }

    // The daemon killed at moments spread over a change: whenever the profile was saved, the
    // message never says that nothing changed.
    void aDaemonKilledDuringAChange()
    {
        for (int attempt = 0; attempt < 8; ++attempt) {
            const QString ip = QString("10.77.2.%1").arg(50 + attempt);
            QFuture<CommandResult> changing = NetworkManagerWriter::setManual(
                fixedProfile, "Salle B", ip, "255.255.255.0", "10.77.2.1");
            QThread::usleep(attempt * 800);
            ::kill(pid_t(NetworkManagerRig::daemonPid()), SIGKILL);
            const CommandResult result = changing.result();
            const bool saved = keyfileOf(fixedProfile).contains("address1=" + ip);
            QVERIFY(NetworkManagerRig::startDaemon());
            const QString message = ChangeMessages::failure(result, "NetworkManager");
            QVERIFY2(result.status == 0 || !saved || !message.contains("rien n'a été modifié"),
                     qPrintable(message));
        }
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
        QTest::newRow("killed mid-read")
            << "kill" << QString("le service s'est arrêté pendant la lecture.");
        QTest::newRow("absent") << "stop" << QString("le service ne fonctionne pas.");
        QTest::newRow("frozen") << "freeze" << QString("le service n'a pas répondu à temps.");
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
