// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileApply.h"
#include "ProfileMatching.h"
#include "support/FakeSystem.h"

#include <QRegularExpression>
#include <QTest>

namespace {

// A machine whose changes change what it reads next, with faults planted by the words of the
// commands they hit: a command whose log line contains a word of `refuse` fails; one that
// contains a word of `ignore` succeeds and changes nothing; reads from the `readsFailFrom`-th on
// fail.
struct Machine {
    QList<AdapterInfo> services;
    QStringList log;
    QStringList refuse, ignore;
    int reads = 0, readsFailFrom = -1;
    bool transactions = false, rollbackRestores = false, batch = false;
    QList<AdapterInfo> checkpoint;
    bool restoring = false;
};

CommandResult run(Machine &m, const QStringList &words,
                  const std::function<void(AdapterInfo &)> &change, const QString &id)
{
    const QString line = words.join(u'|');
    m.log << line;
    for (const QString &word : std::as_const(m.refuse))
        if (line.contains(word))
            return {1, {}, "refusé", false, ChangeCause::refused};
    for (AdapterInfo &info : m.services)
        if (info.id == id && !std::any_of(m.ignore.cbegin(), m.ignore.cend(),
                                          [&](const QString &w) { return line.contains(w); }))
            change(info);
    return {};
}

CommandResult runChange(Machine &m, const ServiceChange &c)
{
    const QString id = c.target.id;
    if (c.enable == true)
        if (CommandResult r = run(
                m, {"on", c.target.name}, [](auto &i) { i.enabled = true; }, id);
            r.status)
            return r;
    if (const std::optional<Addressing> a = c.addressing) {
        const QString dns = a->dns ? "dns=" + a->dns->join(u',') : QString();
        const QStringList words = a->dhcp
                                      ? QStringList{"dhcp", c.target.name, dns}
                                      : QStringList{"manual", c.target.name, a->ip, a->router, dns};
        const auto set = [a](AdapterInfo &i) {
            i.dhcp = a->dhcp;
            i.ip = a->dhcp ? "10.0.0.77" : a->ip;
            i.mask = a->dhcp ? "255.0.0.0" : a->mask;
            i.router = a->router;
            // As a reader does: the IPv6 servers are kept aside.
            if (a->dns) {
                i.dnsServers = a->dns->filter(QRegularExpression("^[0-9.]+$"));
                i.dnsKept = a->dns->filter(":");
            }
        };
        if (CommandResult r = run(m, words, set, id); r.status)
            return r;
    }
    if (c.enable == false)
        return run(
            m, {"off", c.target.name}, [](auto &i) { i.enabled = false; }, id);
    return {};
}

SystemServices servicesOf(const std::shared_ptr<Machine> &m)
{
    SystemServices s;
    s.readAdapters = [m] {
        const QList<AdapterInfo> shown = m->services;
        if (std::exchange(m->restoring, false))
            m->services = m->checkpoint;
        return QtFuture::makeReadyFuture(m->readsFailFrom >= 0 && m->reads++ >= m->readsFailFrom
                                             ? AdapterRead{{}, "Lecture impossible."}
                                             : AdapterRead{shown, {}});
    };
    const auto one = [m](ServiceChange c) { return QtFuture::makeReadyFuture(runChange(*m, c)); };
    s.setManual = [one](ServiceTarget t, QString ip, QString mask, QString router, DnsChange dns) {
        return one({t, {}, Addressing{false, ip, mask, router, dns}});
    };
    s.setDHCP = [one](ServiceTarget t, DnsChange dns) {
        return one({t, {}, Addressing{true, {}, {}, {}, dns}});
    };
    s.setServiceEnabled = [one](ServiceTarget t, bool on) { return one({t, on, {}}); };
    if (m->batch)
        s.changeServices = [m](QList<ServiceChange> changes) {
            m->log << "batch";
            for (const ServiceChange &c : changes)
                if (CommandResult r = runChange(*m, c); r.status)
                    return QtFuture::makeReadyFuture(r);
            return QtFuture::makeReadyFuture(CommandResult{});
        };
    if (m->transactions) {
        s.beginTransaction = [m](QList<ServiceTarget> targets) {
            const CommandResult r = run(m->refuse.contains("begin") ? *m : *m,
                                        {"begin", QString::number(targets.size())}, {}, {});
            m->checkpoint = m->services;
            QStringList ids;
            for (const ServiceTarget &t : targets)
                ids << t.id;
            return QtFuture::makeReadyFuture(
                Transaction{r, "/cp/1", m->rollbackRestores ? ids : QStringList()});
        };
        s.commitTransaction = [m](QString h) {
            return QtFuture::makeReadyFuture(run(*m, {"commit", h}, {}, {}));
        };
        s.rollbackTransaction = [m](QString h) {
            const CommandResult r = run(*m, {"rollback", h}, {}, {});
            // The daemon takes a moment: the next read still shows the changes.
            m->restoring = r.status == 0 && m->rollbackRestores;
            return QtFuture::makeReadyFuture(r);
        };
    }
    s.wait = [](std::chrono::milliseconds) -> QCoro::Task<> { co_return; };
    s.addressesServicesByName = false;
    s.systemName = "le système";
    return s;
}

AdapterInfo service(const QString &id, const QString &name, const QString &device, bool dhcp)
{
    AdapterInfo info = adapter(id, name, dhcp ? "10.0.0.77" : "192.168.1.20");
    info.device = device;
    info.dhcp = dhcp;
    info.mask = dhcp ? "255.0.0.0" : "255.255.255.0";
    info.router = dhcp ? QString() : "192.168.1.1";
    return info;
}

// Ethernet manual, Wi-Fi on DHCP, Bond switched off.
QList<AdapterInfo> machine()
{
    QList<AdapterInfo> list{service("eth", "Ethernet", "en0", false),
                            service("wifi", "Wi-Fi", "en1", true),
                            service("bond", "Bond 1", "bond0", false)};
    list[2].enabled = false;
    list[0].dnsKept = {"fd00::53"};
    return list;
}

ProfileEntry entry(const AdapterInfo &info)
{
    return ProfileEntry::fromRecord(info);
}

// Ethernet to 10.1.0.5 with a DNS server, Wi-Fi to a fixed address, Bond on, on DHCP.
Profile bench()
{
    const QList<AdapterInfo> now = machine();
    Profile p{"Banc 3", {}, {entry(now[0]), entry(now[1]), entry(now[2])}};
    p.entries[0].ip = "10.1.0.5";
    p.entries[0].router = "10.1.0.1";
    p.entries[0].dnsServers = {"10.1.0.53"};
    p.entries[1] = {"wifi", "Wi-Fi",      "en1",         "Ethernet", true,
                    false,  "172.16.0.9", "255.255.0.0", ""};
    p.entries[2].enabled = true;
    p.entries[2].dhcp = true;
    return p;
}

ProfileOutcome applied(const std::shared_ptr<Machine> &m, const Profile &profile)
{
    QCoro::Task<ProfileOutcome> task = applyProfile(servicesOf(m), profile);
    return QCoro::waitFor(task);
}

} // namespace

class tst_ProfileApply : public QObject {
    Q_OBJECT

private slots:
    // The profile's three services with a fault planted at each step: everything ends as it was
    // before, or the message names exactly what is left and in which state.
    void safeApply_data()
    {
        QTest::addColumn<QStringList>("refuse");
        QTest::addColumn<QStringList>("ignore");
        QTest::addColumn<int>("readsFailFrom");
        QTest::addColumn<QString>("system"); // "", "batch", "checkpoint", "checkpoint+restores"
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("left"); // services not as before at the end
        QTest::addColumn<QString>("message");

        const QStringList apply{"manual|Ethernet|10.1.0.5|10.1.0.1|dns=10.1.0.53,fd00::53",
                                "manual|Wi-Fi|172.16.0.9||dns=", "on|Bond 1", "dhcp|Bond 1|dns="};
        const QString putEthBack = "manual|Ethernet|192.168.1.20|192.168.1.1|dns=fd00::53";
        const QString putWifiBack = "dhcp|Wi-Fi|dns=";
        const QStringList putBondBack{"manual|Bond 1|192.168.1.20|192.168.1.1|dns=", "off|Bond 1"};
        const int applied = int(ProfileResult::applied), restored = int(ProfileResult::restored),
                  failed = int(ProfileResult::restoreFailed),
                  notStarted = int(ProfileResult::notStarted);

        QTest::newRow("every change made and shown, each service once")
            << QStringList() << QStringList() << -1 << "" << applied << apply << QStringList()
            << "Profil « Banc 3 » appliqué et vérifié.";
        QTest::newRow("first change refused: nothing to put back")
            << QStringList{"Ethernet|10.1"} << QStringList() << -1 << "" << restored
            << apply.mid(0, 1) << QStringList()
            << "(« Ethernet » : l'autorisation a été refusée) ; la configuration précédente a été "
               "rétablie.";
        QTest::newRow("second change refused: the first put back")
            << QStringList{"Wi-Fi|172"} << QStringList() << -1 << "" << restored
            << apply.mid(0, 2) + QStringList{putEthBack} << QStringList()
            << "(« Wi-Fi » : l'autorisation";
        QTest::newRow("switching on refused: both others put back")
            << QStringList{"on|Bond"} << QStringList() << -1 << "" << restored
            << apply.mid(0, 3) + QStringList{putEthBack, putWifiBack} << QStringList()
            << "rétablie.";
        QTest::newRow("last change refused after the switch: all three put back")
            << QStringList{"dhcp|Bond"} << QStringList() << -1 << "" << restored
            << apply + QStringList{putEthBack, putWifiBack} + QStringList{putBondBack.last()}
            << QStringList() << "rétablie.";
        QTest::newRow("a change taken but never shown")
            << QStringList() << QStringList{"Wi-Fi|172"} << -1 << "" << restored
            << apply + QStringList{putEthBack} + putBondBack << QStringList()
            << "(« Wi-Fi » : le système affiche encore DHCP actif, 10.0.0.77 ; DNS automatiques) ; "
               "la configuration";
        QTest::newRow("the restore refused too: what is left, named")
            << QStringList{"dhcp|Bond", putWifiBack} << QStringList() << -1 << "" << failed
            << apply + QStringList{putEthBack, putWifiBack} << QStringList{"wifi", "bond"}
            << "n'a pas pu être rétablie (l'autorisation a été refusée) : « Wi-Fi » affiche "
               "adresse fixe "
               "172.16.0.9/255.255.0.0 ; aucun serveur DNS ; « Bond 1 » affiche activée, adresse "
               "fixe 192.168.1.20/255.255.255.0 ; aucun serveur DNS.";
        QTest::newRow("the restore taken but never shown")
            << QStringList{"dhcp|Bond"} << QStringList{putEthBack} << -1 << "" << failed
            << apply + QStringList{putEthBack, putWifiBack, putBondBack.last()}
            << QStringList{"eth"}
            << "rétablie : « Ethernet » affiche adresse fixe 10.1.0.5/255.255.255.0 ; DNS "
               "10.1.0.53, fd00::53.";
        QTest::newRow("no read after the changes: the whole snapshot sent, the outcome unknown")
            << QStringList() << QStringList() << 1 << "" << failed
            << apply + QStringList{"on|Ethernet", putEthBack, "on|Wi-Fi", putWifiBack} + putBondBack
            << QStringList()
            << "(la relecture des cartes réseau a échoué), et la configuration précédente n'a pas "
               "pu être rétablie : "
               "« Ethernet » état inconnu, la relecture a échoué ;";
        QTest::newRow("one request for all, the restore in another")
            << QStringList{"Wi-Fi|172"} << QStringList() << -1 << "batch" << restored
            << QStringList{"batch"} + apply.mid(0, 2) + QStringList{"batch", putEthBack}
            << QStringList() << "(l'autorisation a été refusée) ; la";
        QTest::newRow("checkpoint: committed once shown")
            << QStringList() << QStringList() << -1 << "checkpoint" << applied
            << QStringList{"begin|3"} + apply + QStringList{"commit|/cp/1"} << QStringList()
            << "vérifié.";
        QTest::newRow("checkpoint refused: nothing sent")
            << QStringList{"begin"} << QStringList() << -1 << "checkpoint" << notStarted
            << QStringList{"begin|3"} << QStringList()
            << "le système n'a pas pu préparer le retour en arrière (l'autorisation a été "
               "refusée). "
               "Aucune modification n'a été envoyée.";
        QTest::newRow("rolled back by the system, shown a read later: Brisvale sends nothing")
            << QStringList{"dhcp|Bond"} << QStringList() << -1 << "checkpoint+restores" << restored
            << QStringList{"begin|3"} + apply + QStringList{"rollback|/cp/1"} << QStringList()
            << "rétablie.";
        QTest::newRow("a rollback that fails: Brisvale puts back all itself")
            << QStringList{"dhcp|Bond", "rollback"} << QStringList() << -1 << "checkpoint+restores"
            << restored
            << QStringList{"begin|3"} + apply +
                   QStringList{"rollback|/cp/1", putEthBack, putWifiBack} +
                   QStringList{putBondBack.last()}
            << QStringList() << "rétablie.";
        QTest::newRow("uncovered by the checkpoint: Brisvale puts them back")
            << QStringList{"dhcp|Bond"} << QStringList() << -1 << "checkpoint" << restored
            << QStringList{"begin|3"} + apply +
                   QStringList{"rollback|/cp/1", putEthBack, putWifiBack} +
                   QStringList{putBondBack.last()}
            << QStringList() << "rétablie.";
    }
    void safeApply()
    {
        QFETCH(QStringList, refuse);
        QFETCH(QStringList, ignore);
        QFETCH(int, readsFailFrom);
        QFETCH(QString, system);
        QFETCH(int, result);
        QFETCH(QStringList, log);
        QFETCH(QStringList, left);
        QFETCH(QString, message);

        auto m = std::make_shared<Machine>(Machine{machine(),
                                                   {},
                                                   refuse,
                                                   ignore,
                                                   0,
                                                   readsFailFrom,
                                                   system.startsWith("checkpoint"),
                                                   system.endsWith("restores"),
                                                   system == "batch"});
        const QList<AdapterInfo> before = m->services;
        const ProfileOutcome outcome = applied(m, bench());
        QCOMPARE(int(outcome.result), result);
        QCOMPARE(m->log, log);
        QVERIFY2(outcome.message.contains(message), qPrintable(outcome.message));
        if (result == int(ProfileResult::applied)) {
            for (qsizetype i = 0; i < before.size(); ++i)
                QVERIFY(bench().entries.at(i).shownBy(m->services.at(i)));
            return;
        }
        QStringList changed;
        for (qsizetype i = 0; i < before.size(); ++i)
            if (!(ProfileEntry::fromRecord(before.at(i)) ==
                  ProfileEntry::fromRecord(m->services.at(i))))
                changed << before.at(i).id;
        // Unread, the services may well be back; the message says only that nothing showed it.
        if (readsFailFrom < 0)
            QCOMPARE(changed, left);
    }

    void finding_data()
    {
        QTest::addColumn<ProfileEntry>("wanted");
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("found"); // an id, or the message's fragment
        const QList<AdapterInfo> now = machine();
        const auto moved = [](QString id, QString name, QString device,
                              QString hardware = "Ethernet") {
            return ProfileEntry{id, name, device, hardware};
        };
        QTest::newRow("by id, whatever the name")
            << moved("wifi", "Airport", "en9") << false << "wifi";
        QTest::newRow("id changed: name and device")
            << moved("gone", "Ethernet", "en0") << false << "eth";
        QTest::newRow("id changed: name and hardware")
            << moved("gone", "Bond 1", "bond7", "Ethernet") << false << "bond";
        QTest::newRow("id changed: name only, another device")
            << moved("gone", "Wi-Fi", "en5", "Wi-Fi") << false << "wifi";
        QTest::newRow("none") << moved("gone", "Thunderbolt", "en8") << false
                              << "le service « Thunderbolt » est introuvable sur cette machine.";
        QTest::newRow("two candidates")
            << moved("gone", "Twin", "en9") << false
            << "le service « Twin » désigne plusieurs services de cette machine (en3, en4).";
        QTest::newRow("two by device: the device decides")
            << moved("gone", "Twin", "en4", "USB") << false << "twin2";
        QTest::newRow("a shared name a system by name cannot reach")
            << moved("twin1", "Twin", "en3") << true
            << "Plusieurs services portent le nom « Twin »";
    }
    void finding()
    {
        QFETCH(ProfileEntry, wanted);
        QFETCH(bool, byName);
        QFETCH(QString, found);
        QList<AdapterInfo> now = machine();
        now << service("twin1", "Twin", "en3", true) << service("twin2", "Twin", "en4", true);
        now[3].hardwareName = now[4].hardwareName = "Ethernet";
        const ProfileMatching::Found result =
            ProfileMatching::find({"P", {}, {wanted}}, now, byName);
        if (result.failed())
            QVERIFY2(result.problem.contains(found), qPrintable(result.problem));
        else
            QCOMPARE(result.services.value(0).id, found);
        // Two entries for one service are one too many.
        QVERIFY(ProfileMatching::find({"P", {}, {wanted, wanted}}, now, byName).failed());
    }
};

QTEST_GUILESS_MAIN(tst_ProfileApply)
#include "tst_ProfileApply.moc"
