#include "model/AdapterCardModel.h"

#include <QHash>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>

namespace {

AdapterInfo record(bool dhcp, const QString &ip, const QString &mask, const QString &router,
                   bool enabled = true)
{
    AdapterInfo info;
    info.id = QStringLiteral("svc-1");
    info.serviceName = info.hardwareName = QStringLiteral("Ethernet");
    info.device = QStringLiteral("en0");
    info.kind = AdapterKind::ethernet;
    info.enabled = info.connected = enabled;
    info.dhcp = dhcp;
    info.ip = ip;
    info.mask = mask;
    info.router = router;
    return info;
}

// The records the cases start from or receive, all of the same service.
AdapterInfo named(const QString &name)
{
    static const QHash<QString, AdapterInfo> records{
        {"manual", record(false, "192.168.1.50", "255.255.255.0", "192.168.1.1")},
        {"manualNoRouter", record(false, "10.0.0.5", "255.0.0.0", "")},
        {"manualNoIp", record(false, "", "", "")},
        {"manualDisabled", record(false, "192.168.1.50", "255.255.255.0", "192.168.1.1", false)},
        {"dhcpBare", record(true, "", "", "")},
        {"dhcpLease", record(true, "192.168.1.50", "255.255.255.0", "192.168.1.254")},
        {"dhcpLinkLocalRouter", record(true, "169.1.2.3", "255.0.0.0", "169.254.1.1")},
        {"dhcpUnusable", record(true, "169.254.7.7", "255.0.255.0", "10.0.0.1")},
    };
    Q_ASSERT(records.contains(name));
    return records.value(name);
}

// Plays what the user and the flows do to a card: space-separated "verb:argument" steps, where
// "_" in an argument stands for a space.
void drive(AdapterCardModel &card, const QString &steps)
{
    for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
        const QString verb = step.section(u':', 0, 0);
        const QString argument = step.section(u':', 1).replace(u'_', u' ');
        if (verb == "mode")
            card.changeMode(argument == "dhcp" ? ConfigMode::dhcp : ConfigMode::manual);
        else if (verb == "ip")
            card.setIp(argument);
        else if (verb == "mask")
            card.setMask(argument);
        else if (verb == "router")
            card.setRouter(argument);
        else if (verb == "reset")
            card.resetDraft();
        else if (verb == "update" || verb == "confirm")
            card.update(named(argument), verb == "confirm");
        else if (verb == "errors")
            card.setShowErrors(true);
        else if (verb == "busy")
            card.setBusy(true);
        else if (verb == "message") { // message:kind:text, text first as the flows write it
            card.setMessage(argument.section(u':', 1));
            card.setMessageKind(MessageKind(QMetaEnum::fromType<MessageKind>().keyToValue(
                argument.section(u':', 0, 0).toLatin1())));
        } else
            QFAIL(qPrintable("unknown step " + step));
    }
}

const QString noError = QStringLiteral("(none)");
const QString pending = QStringLiteral("Modification non appliquée");
const QString badIp = QStringLiteral("Adresse IP invalide. Format attendu : 192.168.1.50");
const QString forbiddenIp =
    QStringLiteral("Adresse IP invalide : 0.0.0.0 et 255.255.255.255 sont interdites.");
const QString linkLocalIp =
    QStringLiteral("Adresse 169.254.x.x réservée au réseau local : choisissez une autre adresse.");
const QString badMask = QStringLiteral("Masque invalide. Format attendu : 255.255.255.0");
const QString sparseMask =
    QStringLiteral("Masque non contigu : utilisez par exemple 255.255.255.0 ou 255.255.0.0.");
const QString badRouter = QStringLiteral("Passerelle invalide. Format attendu : 192.168.1.1");
const QString routerIsIp = QStringLiteral("La passerelle doit être différente de l'adresse IP.");
QString outside(const QString &network)
{
    return QStringLiteral("La passerelle n'est pas dans le sous-réseau ") + network + u'.';
}

} // namespace

class tst_AdapterCardModel : public QObject {
    Q_OBJECT

private slots:
    // "draft" is "mode ip mask router", "-" for an empty text and "_" for a space.
    void draft_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("draft");

        const struct {
            const char *name, *start, *steps, *draft;
        } rows[] = {
            // hasManualDraft decides whether switching to manual seeds the draft again.
            {"new manual card", "manual", "", "manual 192.168.1.50 255.255.255.0 192.168.1.1"},
            {"new dhcp card", "dhcpLease", "", "dhcp 192.168.1.50 255.255.255.0 192.168.1.254"},
            {"manual record: typed draft found again", "manual",
             "ip:10.9.9.9 mode:dhcp mode:manual", "manual 10.9.9.9 255.255.255.0 192.168.1.1"},
            {"manual record without address is seeded", "manualNoIp", "mode:dhcp mode:manual",
             "manual 192.168.0.1 255.255.255.0 192.168.0.2"},
            {"dhcp: seeded once, typed draft found again", "dhcpBare",
             "mode:manual ip:10.0.0.5 mode:dhcp mode:manual",
             "manual 10.0.0.5 255.255.255.0 10.0.0.1"},
            // Seeding from the record.
            {"seeded with defaults", "dhcpBare", "mode:manual",
             "manual 192.168.0.1 255.255.255.0 192.168.0.2"},
            {"unusable lease; inherited router off the default subnet", "dhcpUnusable",
             "mode:manual", "manual 192.168.0.1 255.255.255.0 192.168.0.2"},
            {"lease inherited", "dhcpLease", "mode:manual",
             "manual 192.168.1.50 255.255.255.0 192.168.1.254"},
            {"link-local router not inherited", "dhcpLinkLocalRouter", "mode:manual",
             "manual 169.1.2.3 255.0.0.0 169.0.0.1"},
            // An inherited router stays only while it fits the subnet.
            {"inherited, wider subnet", "dhcpLease", "mode:manual mask:255.255.0.0 ip:192.168.7.7",
             "manual 192.168.7.7 255.255.0.0 192.168.1.254"},
            {"inherited, /25 leaves it outside", "dhcpLease", "mode:manual mask:255.255.255.128",
             "manual 192.168.1.50 255.255.255.128 192.168.1.1"},
            {"inherited, address moves away", "dhcpLease", "mode:manual ip:10.0.0.5",
             "manual 10.0.0.5 255.255.255.0 10.0.0.1"},
            {"inherited, address takes its value", "dhcpLease", "mode:manual ip:192.168.1.254",
             "manual 192.168.1.254 255.255.255.0 192.168.1.1"},
            {"inherited, kept while the address is half typed", "dhcpLease",
             "mode:manual ip:10.0.0.", "manual 10.0.0. 255.255.255.0 192.168.1.254"},
            {"inherited, replaced once the address is complete", "dhcpLease",
             "mode:manual ip:10.0.0. ip:10.0.0.9", "manual 10.0.0.9 255.255.255.0 10.0.0.1"},
            {"inherited, then typed over", "dhcpLease",
             "mode:manual router:192.168.1.200 mask:255.255.255.128",
             "manual 192.168.1.50 255.255.255.128 192.168.1.200"},
            // A suggested router follows the address and mask.
            {"suggestion follows", "dhcpBare", "mode:manual ip:172.16.5.9 mask:255.255.240.0",
             "manual 172.16.5.9 255.255.240.0 172.16.0.1"},
            {"suggestion withdrawn for /32", "dhcpBare", "mode:manual mask:255.255.255.255",
             "manual 192.168.0.1 255.255.255.255 -"},
            {"suggestion back after a half-typed address", "dhcpBare",
             "mode:manual ip:192.168.0. ip:192.168.0.9",
             "manual 192.168.0.9 255.255.255.0 192.168.0.1"},
            // Whatever the user types in the router ends the suggestions.
            {"typed router kept", "dhcpBare", "mode:manual router:192.168.0.254 ip:10.0.0.5",
             "manual 10.0.0.5 255.255.255.0 192.168.0.254"},
            {"typed router equal to the suggestion kept", "dhcpBare",
             "mode:manual router:192.168.0.2 ip:10.0.0.5",
             "manual 10.0.0.5 255.255.255.0 192.168.0.2"},
            {"emptied router stays empty", "dhcpBare",
             "mode:manual router: ip:10.0.0.5 mask:255.0.0.0", "manual 10.0.0.5 255.0.0.0 -"},
            {"blank router counts as emptied", "dhcpLease", "mode:manual router:_ ip:10.0.0.5",
             "manual 10.0.0.5 255.255.255.0 _"},
            {"seeding forgets an emptied router", "manualNoIp",
             "router: mode:dhcp mode:manual mask:255.255.255.255 mask:255.255.255.0",
             "manual 192.168.0.1 255.255.255.0 192.168.0.2"},
            {"emptied router survives dhcp and back", "dhcpBare",
             "mode:manual router: mode:dhcp mode:manual", "manual 192.168.0.1 255.255.255.0 -"},
            // A router loaded from a record counts as typed; an empty one lets suggestions resume.
            {"record router kept off its subnet", "manual", "ip:10.0.0.5",
             "manual 10.0.0.5 255.255.255.0 192.168.1.1"},
            {"record without router: suggestions", "manualNoRouter", "ip:10.1.2.3",
             "manual 10.1.2.3 255.0.0.0 10.0.0.1"},
            {"resetDraft reloads the record", "manual",
             "mode:dhcp mode:manual ip:10.0.0.5 router: reset",
             "manual 192.168.1.50 255.255.255.0 192.168.1.1"},
            {"resetDraft forgets an emptied router", "manualNoRouter", "router: reset ip:10.1.2.3",
             "manual 10.1.2.3 255.0.0.0 10.0.0.1"},
            {"resetDraft: record router counts as typed", "manual", "router: reset ip:10.0.0.5",
             "manual 10.0.0.5 255.255.255.0 192.168.1.1"},
            {"resetDraft on a dhcp record: seeded again", "dhcpBare",
             "mode:manual ip:10.0.0.5 reset mode:manual",
             "manual 192.168.0.1 255.255.255.0 192.168.0.2"},
            // update: a clean draft is reloaded, a dirty one kept unless the record is confirmed.
            {"clean card reloaded", "manual", "update:manualNoRouter",
             "manual 10.0.0.5 255.0.0.0 -"},
            {"reloaded empty router: suggestions", "manual", "update:manualNoRouter ip:10.1.2.3",
             "manual 10.1.2.3 255.0.0.0 10.0.0.1"},
            {"reloaded router counts as typed", "dhcpBare",
             "mode:manual mode:dhcp update:manual ip:10.0.0.5",
             "manual 10.0.0.5 255.255.255.0 192.168.1.1"},
            {"dirty card kept", "manual", "ip:10.0.0.5 update:manualNoRouter",
             "manual 10.0.0.5 255.255.255.0 192.168.1.1"},
            {"dirty card kept, not seeded again", "manualNoRouter",
             "mode:dhcp update:dhcpLease mode:manual", "manual 10.0.0.5 255.0.0.0 10.0.0.1"},
            {"confirmed: dirty draft reloaded", "manual", "ip:10.0.0.5 confirm:manualNoRouter",
             "manual 10.0.0.5 255.0.0.0 -"},
            {"confirmed dhcp record: seeded from it", "manualNoRouter",
             "mode:dhcp confirm:dhcpLease mode:manual mask:255.255.255.128",
             "manual 192.168.1.50 255.255.255.128 192.168.1.1"},
            {"clean dhcp card still seeded", "dhcpBare", "update:dhcpLease mode:manual",
             "manual 192.168.1.50 255.255.255.0 192.168.1.254"},
            {"reloaded manual record not seeded again", "dhcpBare",
             "update:manualNoRouter ip:10.9.9.9 mode:dhcp mode:manual",
             "manual 10.9.9.9 255.0.0.0 10.0.0.1"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name)
                << QString(row.start) << QString(row.steps) << QString(row.draft);
    }

    void draft()
    {
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(QString, draft);

        AdapterCardModel card(named(start));
        drive(card, steps);
        const QString mode = card.mode() == ConfigMode::dhcp ? "dhcp" : "manual";
        QStringList shown{mode, card.ip(), card.mask(), card.router()};
        for (QString &text : shown)
            text = text.isEmpty() ? "-" : text.replace(u' ', u'_');
        QCOMPARE(shown.join(u' '), draft);
    }

    void state_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("dirty");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("canEdit");

        const QString automatic = "Adresse attribuée automatiquement par le réseau";
        const QString waiting = "Configuration fixe en attente";
        const QString fixed = "Adresse configurée manuellement";
        const struct {
            const char *name, *start, *steps;
            bool dirty;
            QString hint;
            bool canEdit;
        } rows[] = {
            {"clean manual", "manual", "", false, fixed, true},
            {"trailing space", "manual", "ip:192.168.1.50_", true, waiting, true},
            {"leading zero", "manual", "ip:192.168.1.050", true, waiting, true},
            {"mask", "manual", "mask:255.255.0.0", true, waiting, true},
            {"router emptied", "manual", "router:", true, waiting, true},
            {"typed back", "manual", "ip:10.0.0.5 ip:192.168.1.50", false, fixed, true},
            {"manual record, dhcp mode", "manual", "mode:dhcp", true, automatic, true},
            {"clean dhcp", "dhcpLease", "", false, automatic, true},
            {"dhcp ignores the texts", "dhcpLease", "ip:10.0.0.5 router:", false, automatic, true},
            {"dhcp record, manual mode, same texts", "dhcpLease", "mode:manual", true, waiting,
             true},
            {"resetDraft", "manual", "ip:10.0.0.5 reset", false, fixed, true},
            {"disabled beats dirty", "manualDisabled", "ip:10.0.0.5", true, "Carte désactivée",
             false},
            {"update: the record now matches the draft", "manual",
             "router: mask:255.0.0.0 ip:10.0.0.5 update:manualNoRouter", false, fixed, true},
            {"busy", "manual", "busy", false, fixed, false},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name)
                << QString(row.start) << QString(row.steps) << row.dirty << row.hint << row.canEdit;
    }

    void state()
    {
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(bool, dirty);
        QFETCH(QString, hint);
        QFETCH(bool, canEdit);

        AdapterCardModel card(named(start));
        drive(card, steps);
        QCOMPARE(card.isDirty(), dirty);
        QCOMPARE(card.hintText(), hint);
        QCOMPARE(card.canEdit(), canEdit);
    }

    void errors_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("router");
        QTest::addColumn<QStringList>("expected"); // address, mask and router errors

        const struct {
            const char *name, *ip, *mask, *router;
            QString ipError, maskError, routerError;
        } rows[] = {
            {"valid", "192.168.1.50", "255.255.255.0", "192.168.1.1", noError, noError, noError},
            {"short address, router ignored", "192.168.1", "255.255.255.0", "10.0.0.1", badIp,
             noError, noError},
            {"zero address", "0.0.0.0", "255.255.255.0", "", forbiddenIp, noError, noError},
            {"all-ones address", "255.255.255.255", "255.255.255.0", "", forbiddenIp, noError,
             noError},
            {"link-local address, router still checked", "169.254.1.1", "255.255.0.0", "10.0.0.1",
             linkLocalIp, noError, outside("169.254.0.0")},
            {"short mask", "192.168.1.50", "255.255.255", "10.0.0.1", noError, badMask, noError},
            {"zero mask", "192.168.1.50", "0.0.0.0", "10.0.0.1", noError, sparseMask, noError},
            {"sparse mask", "192.168.1.50", "255.0.255.0", "", noError, sparseMask, noError},
            {"/32 mask", "192.168.1.50", "255.255.255.255", "", noError, noError, noError},
            {"/31 mask", "192.168.1.50", "255.255.255.254", "", noError, noError, noError},
            {"blank router", "192.168.1.50", "255.255.255.0", " \t", noError, noError, noError},
            {"bad router", "192.168.1.50", "255.255.255.0", "192.168.1", noError, noError,
             badRouter},
            {"bad router before bad address", "x", "255.255.255.0", "routeur", badIp, noError,
             badRouter},
            {"router is the address, written otherwise", "192.168.1.50", "255.255.255.0",
             " 192.168.1.050", noError, noError, routerIsIp},
            {"router is the address, bad mask", "192.168.1.50", "255.0.255.0", "192.168.1.50",
             noError, sparseMask, routerIsIp},
            {"router outside", "192.168.1.50", "255.255.255.0", "10.0.0.1", noError, noError,
             outside("192.168.1.0")},
            {"address moved away", "10.0.0.5", "255.255.255.0", "192.168.1.1", noError, noError,
             outside("10.0.0.0")},
            {"router outside, bad mask", "192.168.1.50", "255.0.255.0", "10.0.0.1", noError,
             sparseMask, noError},
            {"router outside /25", "192.168.1.50", "255.255.255.128", "192.168.1.254", noError,
             noError, outside("192.168.1.0")},
            {"router is the network", "192.168.1.50", "255.255.255.0", "192.168.1.0", noError,
             noError, noError},
            {"router is the broadcast", "192.168.1.50", "255.255.255.0", "192.168.1.255", noError,
             noError, noError},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << QString(row.ip) << QString(row.mask) << QString(row.router)
                                    << QStringList{row.ipError, row.maskError, row.routerError};
    }

    void errors()
    {
        QFETCH(QString, ip);
        QFETCH(QString, mask);
        QFETCH(QString, router);
        QFETCH(QStringList, expected);

        // The router goes first: typed, it stays as written whatever follows.
        AdapterCardModel card(named("manual"));
        card.setRouter(router);
        card.setIp(ip);
        card.setMask(mask);
        QCOMPARE(card.router(), router);
        const QStringList shown{card.ipError().value_or(noError),
                                card.maskError().value_or(noError),
                                card.routerError().value_or(noError)};
        QCOMPARE(shown, expected);

        // In dhcp mode nothing is wrong with the draft.
        card.changeMode(ConfigMode::dhcp);
        QVERIFY(!card.ipError() && !card.maskError() && !card.routerError());
    }

    void displayMessage_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("text");
        QTest::addColumn<MessageKind>("kind"); // none: no message at all

        using enum MessageKind;
        const struct {
            const char *name, *start, *steps;
            QString text;
            MessageKind kind;
        } rows[] = {
            {"clean, silent", "manual", "", "", none},
            {"clean, info", "manual", "message:info:Lecture…", "Lecture…", info},
            {"clean, empty warning", "manual", "message:warning:", "", none},
            {"dirty", "manual", "ip:10.0.0.5", pending, warning},
            {"dirty hides info", "manual", "ip:10.0.0.5 message:info:Lecture…", pending, warning},
            {"dirty hides success", "manual", "ip:10.0.0.5 message:success:Appliqué.", pending,
             warning},
            {"dirty shows warning", "manual", "ip:10.0.0.5 message:warning:Pas_vérifié.",
             "Pas vérifié.", warning},
            {"dirty shows error", "manual", "ip:10.0.0.5 message:error:Refusé.", "Refusé.", error},
            {"dirty, error without text", "manual", "ip:10.0.0.5 message:error:", pending, warning},
            {"errors shown beat a message", "manual", "ip:192.168.1 message:error:Refusé. errors",
             badIp, error},
            {"errors not shown", "manual", "ip:192.168.1", pending, warning},
            {"address error first", "manual", "ip:0.0.0.0 mask:255.0.255.0 errors", forbiddenIp,
             error},
            {"mask error before router error", "manual", "router:x mask:255.0.255.0 errors",
             sparseMask, error},
            {"router error", "manual", "router:10.0.0.1 errors", outside("192.168.1.0"), error},
            {"errors shown, none present", "manual", "errors message:success:Fait.", "Fait.",
             success},
            {"dhcp mode has no errors", "dhcpLease", "ip:x errors message:success:Fait.", "Fait.",
             success},
            {"changeMode clears errors and message", "manual",
             "ip:x errors message:error:Refusé. mode:dhcp mode:manual", pending, warning},
            {"resetDraft clears errors and message", "manual",
             "ip:x errors message:error:Refusé. reset", "", none},
            // A newer record clears the message only when the enabled state changed.
            {"update, clean", "manual", "message:error:Refusé. update:manualNoRouter", "Refusé.",
             error},
            {"update, clean, now disabled", "manual", "message:error:Refusé. update:manualDisabled",
             "", none},
            {"update, dirty, errors kept", "manual",
             "ip:192.168.1 errors message:error:Refusé. update:manualNoRouter", badIp, error},
            {"update, dirty, now disabled", "manual",
             "ip:10.9.9.9 message:error:Refusé. update:manualDisabled", pending, warning},
            {"update, confirmed", "manual",
             "ip:10.9.9.9 message:error:Refusé. confirm:manualNoRouter", "Refusé.", error},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name)
                << QString(row.start) << QString(row.steps) << row.text << row.kind;
    }

    void displayMessage()
    {
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(QString, text);
        QFETCH(MessageKind, kind);

        AdapterCardModel card(named(start));
        drive(card, steps);
        const std::optional<CardMessage> shown = card.displayMessage();
        QCOMPARE(shown.has_value(), kind != MessageKind::none);
        QCOMPARE(shown.value_or(CardMessage()).text, text);
        QCOMPARE(shown.value_or(CardMessage()).kind, kind);
    }

    // A view bound to a property must hear of every change to it, the card's own included.
    void notifications_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("steps"); // only the last one is watched
        QTest::addColumn<QString>("heard");
        QTest::addColumn<QString>("silent");

        const struct {
            const char *name, *start, *steps, *heard, *silent;
        } rows[] = {
            {"typed address", "manual", "ip:10.0.0.5", "ip derived", "router mask mode"},
            {"suggestion follows the address", "dhcpBare", "mode:manual ip:10.0.0.5",
             "ip router derived", "mask"},
            {"suggestion withdrawn", "dhcpBare", "mode:manual mask:255.255.255.255", "mask router",
             ""},
            {"inherited router replaced", "dhcpLease", "mode:manual mask:255.255.255.128",
             "mask router", ""},
            {"seeding", "dhcpBare", "mode:manual", "mode ip mask router derived", "info"},
            {"same mode", "manual", "message:error:x errors mode:manual", "",
             "info mode ip mask router busy showErrors message derived"},
            {"busy", "manual", "busy", "busy derived", "ip"},
            {"errors shown", "manual", "errors", "showErrors derived", ""},
            {"new record", "manual", "update:manualNoRouter", "info ip mask router derived",
             "mode"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << QString(row.start) << QString(row.steps)
                                    << QString(row.heard) << QString(row.silent);
    }

    void notifications()
    {
        QFETCH(QString, start);
        QFETCH(QString, steps);
        QFETCH(QString, heard);
        QFETCH(QString, silent);

        AdapterCardModel card(named(start));
        const qsizetype last = steps.lastIndexOf(u' ') + 1;
        drive(card, steps.first(last));
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        const auto names = [](const QString &list) { return list.split(u' ', Qt::SkipEmptyParts); };
        for (const QString &name : names(heard) + names(silent))
            spies[name] = std::make_unique<QSignalSpy>(&card, qPrintable("2" + name + "Changed()"));
        drive(card, steps.sliced(last));
        for (const QString &name : names(heard))
            QVERIFY2(!spies[name]->isEmpty(), qPrintable(name));
        for (const QString &name : names(silent))
            QVERIFY2(spies[name]->isEmpty(), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(tst_AdapterCardModel)
#include "tst_AdapterCardModel.moc"
