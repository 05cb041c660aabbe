// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AdapterCardModel.h"
#include "IPv4.h"

#include <QHash>
#include <QMetaEnum>
#include <QTest>

namespace {

AdapterInfo record(bool dhcp, QString ip, QString mask, QString router, bool on = true,
                   QStringList dns = {})
{
    return {{}, {}, {}, {}, AdapterKind::other, on, on, dhcp, ip, mask, router, {}, true, dns};
}

const QHash<QString, AdapterInfo> records{
    {"fixed", record(false, "192.168.1.50", "255.255.255.0", "192.168.1.1")},
    {"noRouter", record(false, "10.0.0.5", "255.0.0.0", "")},
    {"fixedOff", record(false, "192.168.1.50", "255.255.255.0", "192.168.1.1", false)},
    {"bare", record(true, "", "", "")},
    {"lease", record(true, "192.168.1.50", "255.255.255.0", "192.168.1.254")},
    {"lease169", record(true, "169.1.2.3", "255.0.0.0", "169.254.1.1")},
    {"dns", record(false, "192.168.1.50", "255.255.255.0", "", true, {"192.168.1.1", "9.9.9.9"})},
};

// "_" stands for a space; "kind:text" sets the message.
void drive(AdapterCardModel &card, const QString &steps)
{
    for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
        const QString verb = step.section(u':', 0, 0);
        const QString arg = step.section(u':', 1).replace(u'_', u' ');
        if (verb == "manual" || verb == "dhcp")
            card.changeMode(verb == "dhcp" ? ConfigMode::dhcp : ConfigMode::manual);
        else if (verb == "ip" || verb == "mask" || verb == "router" || verb == "dns")
            card.setProperty(verb.toLatin1(), arg);
        else if (verb == "reset")
            card.resetDraft();
        else if (verb == "update" || verb == "confirm")
            card.update(records.value(arg), verb == "confirm");
        else if (verb == "errors")
            card.setShowErrors(true);
        else {
            card.setMessage(arg);
            card.setProperty("messageKind", verb);
        }
    }
}

} // namespace

class tst_AdapterCardModel : public QObject {
    Q_OBJECT

private slots:
    // normalised "-": does not parse; none: stands for no router.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<bool>("none");

        const auto row = [](const char *name, QString text, QString normalised, bool none = false) {
            QTest::newRow(name) << text << normalised << none;
        };
        row("blanks at the ends", " \t192.168.1.50\n\u00A0", "192.168.1.50");
        row("leading zeros are decimal", "192.168.001.010", "192.168.1.10");
        row("the systems' no router", " 0.0.0.0\n", "0.0.0.0", true);
        row("extremes", "000.0.255.255", "0.0.255.255");
        row("blanks only", " \t", "-", true);
        row("empty piece", "1..2.3", "-");
        row("octet above 255", "256.1.1.1", "-");
        row("four digits", "0001.2.3.4", "-");
        row("sign", "+1.2.3.4", "-");
        row("arabic-indic digit", "1.2.3.\u0664", "-");
        row("three pieces", "1.2.3", "-");
        row("trailing dot", "1.2.3.4.", "-");
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalised);
        QFETCH(bool, none);
        const std::optional<quint32> value = IPv4::parse(text);
        QCOMPARE(value ? IPv4::format(*value) : "-", normalised);
        QCOMPARE(IPv4::isNoRouter(text), none);
    }

    // prefix -1: not a mask; router "-": none suggested.
    void subnet_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("prefix");
        QTest::addColumn<QString>("router");

        const auto row = [](const char *name, QString address, QString mask, int prefix,
                            QString router) {
            QTest::newRow(name) << address << mask << prefix << router;
        };
        row("first host, blanks", " 192.168.1.50", "255.255.255.0\n", 24, "192.168.1.1");
        row("address is the first host", "192.168.1.1", "255.255.255.0", 24, "192.168.1.2");
        row("/30, last host", "10.0.0.3", "255.255.255.252", 30, "10.0.0.1");
        row("/31", "10.0.0.2", "255.255.255.254", 31, "-");
        row("/32", "10.0.0.2", "255.255.255.255", 32, "-");
        row("/1, top of the range", "127.255.255.254", "128.0.0.0", 1, "0.0.0.1");
        row("link-local", "169.254.3.4", "255.255.0.0", 16, "-");
        row("holes in the mask", "192.168.1.50", "255.0.255.0", -1, "-");
        row("/0 is no mask", "10.0.0.1", "0.0.0.0", -1, "-");
        row("mask not an address", "10.0.0.1", "24", -1, "-");
        row("0.0.0.0", "0.0.0.0", "255.255.255.0", 24, "-");
    }

    void subnet()
    {
        QFETCH(QString, address);
        QFETCH(QString, mask);
        QFETCH(int, prefix);
        QFETCH(QString, router);
        QCOMPARE(IPv4::suggestedGateway(address, mask).value_or("-"), router);
        QCOMPARE(IPv4::prefixOfMask(mask).value_or(-1), prefix);
        QCOMPARE(IPv4::withPrefix("10.0.0.8", mask),
                 prefix < 0 ? QString("10.0.0.8") : "10.0.0.8/" + QString::number(prefix));
        if (prefix >= 0)
            QCOMPARE(IPv4::format(IPv4::maskOfPrefix(prefix)), IPv4::canonical(mask));
    }

    // draft: "[dhcp] ip mask router", "-" for empty, "" unchecked. message "": the pending-edit
    // warning when dirty, else "none:".
    void sequence_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("draft");
        QTest::addColumn<bool>("dirty");
        QTest::addColumn<QString>("message");

        const auto row = [](const char *name, QString start, QString steps, QString draft,
                            bool dirty, QString message = {}) {
            QTest::newRow(name) << start << steps << draft << dirty << message;
        };
        const QString badIp = "error:Adresse IP invalide : ";
        row("default seed", "bare", "manual", "192.168.0.1 255.255.255.0 192.168.0.2", true);
        row("inherited router kept in /16", "lease", "manual mask:255.255.0.0 ip:192.168.7.7",
            "192.168.7.7 255.255.0.0 192.168.1.254", true);
        row("inherited router off a /25: suggestion", "lease", "manual mask:255.255.255.128",
            "192.168.1.50 255.255.255.128 192.168.1.1", true);
        row("169.254.1.1 not kept", "lease169", "manual", "169.1.2.3 255.0.0.0 169.0.0.1", true);
        row("no suggestion for /32", "bare", "manual mask:255.255.255.255",
            "192.168.0.1 255.255.255.255 -", true);
        row("typed router, even the suggestion, stops them", "bare",
            "manual router:192.168.0.2 ip:10.0.0.5", "10.0.0.5 255.255.255.0 192.168.0.2", true);
        row("emptied router stays empty", "bare", "manual router: ip:10.0.0.5 mask:255.0.0.0",
            "10.0.0.5 255.0.0.0 -", true);
        row("typed draft found again after dhcp", "bare", "manual ip:10.0.0.5 dhcp manual",
            "10.0.0.5 255.255.255.0 10.0.0.1", true);
        row("leading zero, trailing space: a change", "fixed", "ip:192.168.1.050_", "", true);
        row("typed back is clean", "fixed", "ip:10.0.0.5 ip:192.168.1.50", "", false);
        row("dhcp ignores the texts", "lease", "ip:x router: errors success:Ok",
            "dhcp x 255.255.255.0 -", false, "success:Ok");
        row("resetDraft", "fixed", "dhcp manual ip:10.0.0.5 reset",
            "192.168.1.50 255.255.255.0 192.168.1.1", false);
        row("update: clean reloaded", "fixed", "update:noRouter", "10.0.0.5 255.0.0.0 -", false);
        row("update: dirty card kept", "fixed", "ip:10.0.0.5 update:noRouter",
            "10.0.0.5 255.255.255.0 192.168.1.1", true);
        row("confirmed: dirty draft reloaded", "fixed", "ip:10.0.0.5 confirm:noRouter",
            "10.0.0.5 255.0.0.0 -", false);
        row("confirmed dhcp record: seeded from it", "noRouter", "dhcp confirm:lease manual",
            "192.168.1.50 255.255.255.0 192.168.1.254", true);
        row("dirty hides success", "fixed", "ip:10.0.0.5 success:Fait", "", true);
        row("dirty shows error", "fixed", "ip:10.0.0.5 error:Refusé", "", true, "error:Refusé");
        row("changeMode clears all", "fixed", "ip:x errors error:No dhcp manual", "", true);
        row("update to disabled clears", "fixed", "error:No update:fixedOff", "", false);
        // Shown errors beat any message, the address's first, then the mask's, then the router's.
        row("bad address", "fixed", "ip:1.2 mask:0.0.0.0 error:No errors", "", true,
            "error:Adresse IP invalide. Format attendu : 192.168.1.50");
        row("link-local address", "fixed", "ip:169.254.1.1 mask:255.255.0.0 errors", "", true,
            "error:Adresse 169.254.x.x réservée au réseau local : choisissez une autre adresse.");
        row("sparse mask", "fixed", "router:x mask:255.0.255.0 errors", "", true,
            "error:Masque non contigu : utilisez par exemple 255.255.255.0 ou 255.255.0.0.");
        row("mask format", "fixed", "mask:255.255.0 errors", "", true,
            "error:Masque invalide. Format attendu : 255.255.255.0");
        row("bad router", "fixed", "router:192.168.1 errors", "", true,
            "error:Passerelle invalide. Format attendu : 192.168.1.1");
        row("router is the address, written otherwise", "fixed", "router:_192.168.1.050 errors", "",
            true, "error:La passerelle doit être différente de l'adresse IP.");
        row("router off a /25", "fixed", "mask:255.255.255.128 router:192.168.1.254 errors", "",
            true, "error:La passerelle n'est pas dans le sous-réseau 192.168.1.0.");
        row("0.0.0.0", "fixed", "ip:0.0.0.0 errors", "", true,
            badIp + "0.0.0.0 et 255.255.255.255 sont interdites.");
        row("network address", "fixed", "ip:192.168.1.0 errors", "", true,
            badIp + "192.168.1.0 est l'adresse du réseau.");
        row("broadcast of a /30 is a host of a /24", "fixed",
            "router: ip:10.0.0.3 mask:255.255.255.252 errors", "", true,
            badIp + "10.0.0.3 est l'adresse de diffusion du réseau.");
        row("router is the broadcast", "fixed", "router:192.168.1.255 errors", "", true,
            "error:Passerelle invalide : 192.168.1.255 est l'adresse de diffusion du réseau.");
        row("/31: both addresses are hosts", "fixed",
            "router: ip:10.0.0.0 mask:255.255.255.254 router:10.0.0.1 errors", "", true);
        row("/32: a host", "fixed", "router: ip:10.0.0.255 mask:255.255.255.255 errors", "", true);
        const QString badDns = "error:Serveur DNS invalide : ";
        row("dns: blanks, commas, leading zeros, one twice", "dns",
            "dns:_192.168.001.001,,_9.9.9.9_192.168.1.1", "", false);
        row("dns: spaces, order is a change", "dns", "dns:9.9.9.9__192.168.1.1 errors", "", true);
        row("dns: blanks only mean none", "dns", "dns:_\t_ errors", "", true);
        row("dns: the first wrong one named, before the count", "fixed",
            "dns:1.1.1.1,300.1.1.1,0.0.0.0,4.4.4.4,5.5.5.5 errors", "", true, badDns + "300.1.1.1");
        row("dns: IPv6, in dhcp mode too", "lease", "dns:2001:db8::53 errors", "", true,
            badDns + "2001:db8::53");
        row("dns: five", "fixed", "dns:1.1.1.1,2.2.2.2,3.3.3.3,4.4.4.4,5.5.5.5 errors", "", true,
            "error:Quatre serveurs DNS au plus.");
    }

    void sequence()
    {
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(QString, draft);
        QFETCH(bool, dirty);
        QFETCH(QString, message);

        AdapterCardModel card(records.value(start));
        // What a bound view last heard, the card's own changes included.
        QString heardRouter = card.router();
        bool heardDirty = card.isDirty();
        connect(&card, &AdapterCardModel::routerChanged, [&] { heardRouter = card.router(); });
        connect(&card, &AdapterCardModel::derivedChanged, [&] { heardDirty = card.isDirty(); });
        drive(card, steps);
        const QString mode = card.mode() == ConfigMode::dhcp ? "dhcp " : "";
        const QString router = card.router().isEmpty() ? "-" : card.router();
        if (!draft.isEmpty())
            QCOMPARE(mode + card.ip() + ' ' + card.mask() + ' ' + router, draft);
        QCOMPARE(card.isDirty(), dirty);
        QCOMPARE(heardRouter, card.router());
        QCOMPARE(heardDirty, dirty);
        const CardMessage said = card.displayMessage().value_or(CardMessage{"", MessageKind::none});
        if (message.isEmpty())
            message = dirty ? "warning:Modification non appliquée" : "none:";
        QCOMPARE(QMetaEnum::fromType<MessageKind>().valueToKey(int(said.kind)) + (':' + said.text),
                 message);
    }
};

QTEST_GUILESS_MAIN(tst_AdapterCardModel)
#include "tst_AdapterCardModel.moc"
