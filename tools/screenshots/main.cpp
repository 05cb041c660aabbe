// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Renders the main states of the window content to PNG files. Everything runs offscreen on a
// scratch copy of the demo machine through its stand-in programs, so nothing touches the real
// network and the user's settings stay as they are.

#include "AppDelegate.h"
#include "AppInfo.h"
#include "AppModel.h"
#include "PingTab.h"
#include "PlatformServices.h"
#include "ProfileFile.h"
#include "ProfilesModel.h"
#include "QuitDialogController.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"
#include "ThemeState.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickView>
#include <QSettings>
#include <QTemporaryDir>
#include <QtQml/QQmlExtensionPlugin>

#include <cstdio>
#include <functional>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

namespace {

using namespace std::chrono_literals;

// One picture: the system the model sees, the window size and theme, and what to do to the
// model once the first read has ended.
struct Shot {
    QString file;
    QSize size;
    bool dark = false;
    enum class Reads { demo, never, empty } reads = Reads::demo;
    bool holdChanges = false;
    std::function<void(AppModel &)> prepare;
    // What to do to the window content once the model is ready (scroll, open a menu).
    std::function<void(AppModel &, QQuickItem &)> stage = {};
    // The header as on the real system under NetworkManager; the cards stay the demo's.
    bool realSystem = false;
    // What to do to the profiles once they and the cards are read.
    std::function<void(AppModel &, ProfilesModel &)> profiles = {};
};

void fail(const QString &message)
{
    std::fprintf(stderr, "brisvale_screenshots: %s\n", qPrintable(message));
    std::exit(1);
}

// Lets the event loop run for that long (reads, animations, layout).
void settle(std::chrono::milliseconds duration)
{
    QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool waitFor(const std::function<bool()> &condition, std::chrono::milliseconds limit)
{
    QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A future that never ends: the state it stands for stays on screen. Its promise is left
// alive on purpose, since a promise that goes away cancels its future and wakes the model.
template<typename T> QFuture<T> neverAnswered()
{
    auto *promise = new QPromise<T>;
    promise->start();
    return promise->future();
}

SystemServices servicesFor(const Shot &shot, const QString &machine)
{
    SystemServices services =
        simulatedServices(machine, SystemTools(QStringLiteral(BRISVALE_SIM_ROOT)));
    if (shot.reads == Shot::Reads::never)
        services.readAdapters = [] { return neverAnswered<AdapterRead>(); };
    if (shot.reads == Shot::Reads::empty)
        services.readAdapters = [] { return QtFuture::makeReadyFuture(AdapterRead()); };
    if (shot.holdChanges) {
        services.setManual = [](ServiceTarget, QString, QString, QString, DnsChange) {
            return neverAnswered<CommandResult>();
        };
        services.setDHCP = [](ServiceTarget, DnsChange) { return neverAnswered<CommandResult>(); };
    }
    return services;
}

// A card whose manual draft is complete, so that a change of its address alone is valid.
AdapterCardModel *firstManualCard(AppModel &model)
{
    for (AdapterCardModel *card : model.cards()) {
        if (card->mode() == ConfigMode::manual && card->info().enabled && card->canEdit() &&
            !card->ip().isEmpty() && !card->mask().isEmpty())
            return card;
    }
    fail(QStringLiteral("la machine de démonstration n'a aucune carte en adresse fixe"));
    return nullptr;
}

// The ping tab with a few lines in its log: the router, a host that answers, one that does not.
void pingAFewAddresses(AppModel &model, QQuickView &view)
{
    model.setTab(MainTab::ping);
    QObject *layer = view.rootObject()->property("pingLayer").value<QObject *>();
    auto *tab = layer ? layer->property("tab").value<PingTab *>() : nullptr;
    if (!tab)
        fail(QStringLiteral("l'onglet de ping est introuvable"));
    for (const AdapterCardModel *card : model.cards()) {
        if (card->info().serviceName == QLatin1String("Ethernet"))
            tab->choose(card->id());
    }
    for (const char *target : {"192.168.1.1", "192.168.1.10", "192.168.1.99"}) {
        tab->setTarget(QString::fromLatin1(target));
        tab->start();
        if (!waitFor([tab] { return !tab->running(); }, 20s))
            fail(QStringLiteral("le ping vers %1 ne se termine pas").arg(target));
    }
}

void render(QQmlEngine &engine, const Shot &shot, const QString &machine, const QDir &output,
            const QString &profilesFile)
{
    ThemeState::instance()->setIsDark(shot.dark);
    AppInfo::instance()->setSimulated(!shot.realSystem);
    AppInfo::instance()->setRealSystem(shot.realSystem ? QStringLiteral("NetworkManager")
                                                       : QString(),
                                       shot.realSystem ? QStringLiteral("1.42.4") : QString());
    AppModel model(servicesFor(shot, machine));
    // Each picture starts from no profiles file.
    QFile::remove(profilesFile);
    QFile::remove(ProfileFile::backupPath(profilesFile));
    ProfilesModel profiles(profilesFile, &model);

    QQuickView view(&engine, nullptr);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setInitialProperties({{QStringLiteral("model"), QVariant::fromValue(&model)},
                               {QStringLiteral("profiles"), QVariant::fromValue(&profiles)}});
    view.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisvale/qml/ContentView.qml")));
    if (view.status() != QQuickView::Ready)
        fail(QStringLiteral("ContentView.qml ne se charge pas"));
    view.resize(shot.size);
    view.show();

    if (shot.reads != Shot::Reads::never &&
        !waitFor([&] { return model.hasLoadedOnce() && !model.loading(); }, 20s))
        fail(QStringLiteral("la première lecture de %1 ne se termine pas").arg(shot.file));
    if (shot.prepare)
        shot.prepare(model);
    if (shot.profiles) {
        if (!waitFor([&] { return profiles.loaded(); }, 5s))
            fail(QStringLiteral("les profils de %1 ne se lisent pas").arg(shot.file));
        model.setTab(MainTab::profiles);
        shot.profiles(model, profiles);
        settle(300ms);
    }
    if (shot.file.startsWith(QLatin1String("ping")))
        pingAFewAddresses(model, view);
    if (shot.stage) {
        settle(300ms);
        shot.stage(model, *view.rootObject());
    }
    // Cross-fades, the caret and the layout of the cards take a few frames.
    settle(600ms);

    const QImage image = view.grabWindow();
    const QString path = output.filePath(shot.file);
    if (image.isNull() || !image.save(path))
        fail(QStringLiteral("impossible d'écrire %1").arg(path));
    std::printf("%s\n", qPrintable(path));
}

// The quit dialog as the application opens it, with or without pending edits.
void renderQuitDialog(QQmlEngine &engine, const QString &file, int dirtyCards, bool dark,
                      const QDir &output)
{
    ThemeState::instance()->setIsDark(dark);
    QuitDialogController dialog(&engine, AppDelegate::quitTexts(dirtyCards), [](QuitChoice) {});
    dialog.show();
    settle(400ms);
    const QImage image = dialog.window()->grabWindow();
    const QString path = output.filePath(file);
    if (image.isNull() || !image.save(path))
        fail(QStringLiteral("impossible d'écrire %1").arg(path));
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Brisvale"));
    QGuiApplication::setOrganizationName(QStringLiteral("Brisvale"));
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    const QStringList arguments = QCoreApplication::arguments();
    const QDir output(arguments.size() > 1 ? arguments.at(1) : QStringLiteral("screenshots"));
    if (!QDir().mkpath(output.path()))
        fail(QStringLiteral("impossible de créer %1").arg(output.path()));

    // The theme is chosen per picture; its choice is stored in a scratch place.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        fail(QStringLiteral("pas de dossier temporaire"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.filePath("settings"));

    // A copy of the demo machine whose pings answer at once.
    QFile demo(QStringLiteral(BRISVALE_DEMO_MACHINE));
    if (!demo.open(QIODevice::ReadOnly))
        fail(QStringLiteral("machine de démonstration introuvable"));
    QJsonObject root = QJsonDocument::fromJson(demo.readAll()).object();
    root.insert(QStringLiteral("pingDelayMs"), 0);
    const QString machine = scratch.filePath(QStringLiteral("machine-simulee.json"));
    QFile copy(machine);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(QJsonDocument(root).toJson()) < 0)
        fail(QStringLiteral("impossible d'écrire %1").arg(machine));
    copy.close();
    QString problem;
    if (!SimulatedMachine::load(machine, &problem))
        fail(problem);
    qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(machine));
    AppInfo::instance()->setMachinePath(machine);

    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));

    const auto invalidDraft = [](AppModel &model) {
        AdapterCardModel *card = firstManualCard(model);
        card->setIp(QStringLiteral("192.168.1.300"));
        card->setMask(QStringLiteral("255.255.0.255"));
        // Refused before anything is sent: the card now shows its errors.
        model.requestApply(card);
    };
    const auto pendingChange = [](AppModel &model) {
        AdapterCardModel *card = firstManualCard(model);
        // Another host of the same subnet, so the router stays valid.
        QStringList octets = card->ip().split(u'.');
        octets.last() = QString::number(octets.last().toInt() % 200 + 42);
        card->setIp(octets.join(u'.'));
        model.requestApply(card);
    };

    // A wrong server typed on the card whose servers were set by hand.
    const auto invalidDns = [](AppModel &model) {
        for (AdapterCardModel *card : model.cards()) {
            if (!card->info().dnsServers.isEmpty()) {
                card->setDns(card->dns() + QStringLiteral(", 300.1.1.1"));
                model.requestApply(card);
                return;
            }
        }
        fail(QStringLiteral("aucune carte n'a de serveurs DNS"));
    };

    // The cards scrolled a little: the first one passes under the tab bar.
    const auto scrolled = [](AppModel &, QQuickItem &content) {
        QObject *layer = content.property("cardsLayer").value<QObject *>();
        QObject *list = layer ? layer->property("list").value<QObject *>() : nullptr;
        if (!list)
            fail(QStringLiteral("la liste des cartes est introuvable"));
        list->setProperty("contentY", list->property("originY").toReal() + 150);
    };
    // The card of a service with a second address at the top of the list.
    const auto secondAddress = [](AppModel &model, QQuickItem &content) {
        QObject *layer = content.property("cardsLayer").value<QObject *>();
        QObject *list = layer ? layer->property("list").value<QObject *>() : nullptr;
        const QList<AdapterCardModel *> cards = model.cards();
        const auto found = std::find_if(cards.cbegin(), cards.cend(), [](auto *card) {
            return !card->info().otherAddresses.isEmpty();
        });
        if (!list || found == cards.cend())
            fail(QStringLiteral("aucune carte n'a de seconde adresse"));
        QMetaObject::invokeMethod(list, "positionViewAtIndex",
                                  Q_ARG(int, int(found - cards.cbegin())), Q_ARG(int, 1));
    };
    // The list scrolled to put the first card that fits at the top.
    const auto scrolledTo = [](std::function<bool(const AdapterCardModel *)> fits) {
        return [fits](AppModel &model, QQuickItem &content) {
            QObject *layer = content.property("cardsLayer").value<QObject *>();
            QObject *list = layer ? layer->property("list").value<QObject *>() : nullptr;
            const QList<AdapterCardModel *> cards = model.cards();
            const auto found = std::find_if(cards.cbegin(), cards.cend(), fits);
            if (!list || found == cards.cend())
                fail(QStringLiteral("aucune carte ne montre ses serveurs DNS"));
            QMetaObject::invokeMethod(list, "positionViewAtIndex",
                                      Q_ARG(int, int(found - cards.cbegin())), Q_ARG(int, 0));
        };
    };
    const auto byHand =
        scrolledTo([](const AdapterCardModel *card) { return !card->info().dnsServers.isEmpty(); });
    const auto leased = scrolledTo([](const AdapterCardModel *card) {
        return card->info().dhcp && !card->info().dnsInEffect.isEmpty();
    });
    const auto sourceMenuOpen = [](AppModel &, QQuickItem &content) {
        QObject *menu = content.findChild<QObject *>(QStringLiteral("sourceMenu"));
        if (!menu)
            fail(QStringLiteral("le menu des sources est introuvable"));
        QMetaObject::invokeMethod(menu, "open");
    };

    // Profiles of the demo machine's Ethernet and Wi-Fi: « Bureau » as they are now (so Actif),
    // « Labo » with Ethernet on a test network and Wi-Fi off.
    const auto someProfiles = [](AppModel &model, ProfilesModel &profiles) {
        Profile office{QStringLiteral("Bureau"), QStringLiteral("Le réseau de l'agence"), {}};
        Profile lab{QStringLiteral("Labo"), QStringLiteral("Banc de test, sans Wi-Fi"), {}};
        for (const AdapterCardModel *card : model.cards()) {
            const AdapterInfo info = card->info();
            if (!info.enabled ||
                (info.serviceName != QLatin1String("Ethernet") && info.kind != AdapterKind::wifi))
                continue;
            office.entries << ProfileEntry::fromRecord(info);
            ProfileEntry entry = ProfileEntry::fromRecord(info);
            if (info.serviceName == QLatin1String("Ethernet")) {
                entry.dhcp = false;
                entry.ip = QStringLiteral("10.0.0.20");
                entry.mask = QStringLiteral("255.255.255.0");
                entry.router = QStringLiteral("10.0.0.1");
                entry.dnsServers = {QStringLiteral("10.0.0.53")};
                lab.entries << entry;
            } else if (info.kind == AdapterKind::wifi) {
                entry.enabled = false;
                lab.entries << entry;
            }
        }
        profiles.store(office, {});
        profiles.store(lab, {});
    };
    const auto newProfileOpen = [someProfiles](AppModel &model, ProfilesModel &profiles) {
        someProfiles(model, profiles);
        profiles.newProfile();
    };
    const auto importOpen = [someProfiles, &scratch](AppModel &model, ProfilesModel &profiles) {
        someProfiles(model, profiles);
        const QString file = scratch.filePath(QStringLiteral("export.json"));
        QList<Profile> imported = profiles.profiles().mid(1);
        imported << Profile{QStringLiteral("Client Dupont"), {}, imported.first().entries};
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(ProfileFile::serialize(imported)) < 0)
            fail(QStringLiteral("impossible d'écrire %1").arg(file));
        out.close();
        profiles.openImport(QUrl::fromLocalFile(file));
        if (!waitFor([&] { return profiles.importOpen(); }, 5s))
            fail(QStringLiteral("l'aperçu de l'importation ne s'ouvre pas"));
    };
    // « Labo » really applied, with the administrator prompt refusing: the outcome is the flow's.
    const auto rolledBack = [someProfiles, machine](AppModel &model, ProfilesModel &profiles) {
        someProfiles(model, profiles);
        const auto answer = [&machine](const char *administrator) {
            QFile file(machine);
            QJsonObject object = file.open(QIODevice::ReadOnly)
                                     ? QJsonDocument::fromJson(file.readAll()).object()
                                     : QJsonObject();
            file.close();
            object.insert(QStringLiteral("administrator"), QLatin1String(administrator));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                file.write(QJsonDocument(object).toJson()) < 0)
                fail(QStringLiteral("impossible d'écrire %1").arg(machine));
        };
        answer("deny");
        profiles.requestApply(QStringLiteral("Labo"));
        const bool ended = waitFor([&] { return model.statusText().contains(u'('); }, 20s);
        answer("approve");
        if (!ended)
            fail(QStringLiteral("le profil « Labo » ne finit pas de s'appliquer"));
    };
    const auto noProfiles = [](AppModel &, ProfilesModel &) {};
    // The second profile at the top of its list.
    const auto toLab = [](AppModel &, QQuickItem &content) {
        QObject *layer = content.property("profilesLayer").value<QObject *>();
        QObject *view = layer ? layer->property("item").value<QObject *>() : nullptr;
        QObject *list = view ? view->property("list").value<QObject *>() : nullptr;
        if (!list)
            fail(QStringLiteral("la liste des profils est introuvable"));
        QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, 1), Q_ARG(int, 1));
    };

    const QList<Shot> shots{
        {"cards-light.png", {1120, 820}, false, Shot::Reads::demo, false, {}},
        {"cards-dark.png", {1120, 820}, true, Shot::Reads::demo, false, {}},
        {"cards-compact.png", {850, 900}, false, Shot::Reads::demo, false, {}},
        {"cards-narrow.png", {450, 1100}, false, Shot::Reads::demo, false, {}},
        {"searching.png", {1120, 620}, false, Shot::Reads::never, false, {}},
        {"empty.png", {1120, 620}, false, Shot::Reads::empty, false, {}},
        {"validation-errors.png", {1120, 820}, false, Shot::Reads::demo, false, invalidDraft},
        {"busy-card.png", {1120, 820}, true, Shot::Reads::demo, true, pendingChange},
        {"ping-light.png", {1120, 820}, false, Shot::Reads::demo, false, {}},
        {"ping-dark.png", {1120, 820}, true, Shot::Reads::demo, false, {}},
        {"cards-scrolled.png", {1120, 820}, false, Shot::Reads::demo, false, {}, scrolled},
        {"cards-scrolled-dark.png", {1120, 820}, true, Shot::Reads::demo, false, {}, scrolled},
        {"second-address.png", {1120, 620}, false, Shot::Reads::demo, false, {}, secondAddress},
        {"second-address-narrow-dark.png",
         {450, 900},
         true,
         Shot::Reads::demo,
         false,
         {},
         secondAddress},
        {"ping-menu.png", {1120, 820}, false, Shot::Reads::demo, false, {}, sourceMenuOpen},
        {"ping-menu-dark.png", {1120, 820}, true, Shot::Reads::demo, false, {}, sourceMenuOpen},
        {"minimum-light.png", {880, 620}, false, Shot::Reads::demo, false, {}},
        {"minimum-dark.png", {880, 620}, true, Shot::Reads::demo, false, {}},
        {"dns-wide-light.png", {1120, 820}, false, Shot::Reads::demo, false, {}, byHand},
        {"dns-wide-dark.png", {1120, 820}, true, Shot::Reads::demo, false, {}, leased},
        {"dns-compact-light.png", {850, 900}, false, Shot::Reads::demo, false, {}, byHand},
        {"dns-minimum-dark.png", {880, 620}, true, Shot::Reads::demo, false, {}, byHand},
        {"dns-narrow.png", {450, 1100}, false, Shot::Reads::demo, false, {}, byHand},
        {"dns-error-dark.png", {1120, 820}, true, Shot::Reads::demo, false, invalidDns, byHand},
        {"dns-error-narrow.png", {450, 1100}, false, Shot::Reads::demo, false, invalidDns, byHand},
        {"networkmanager-light.png", {1120, 620}, false, Shot::Reads::demo, false, {}, {}, true},
        {"networkmanager-minimum-dark.png",
         {880, 620},
         true,
         Shot::Reads::demo,
         false,
         {},
         {},
         true},
        {"profiles-empty-light.png",
         {880, 620},
         false,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         noProfiles},
        {"profiles-empty-dark.png",
         {1120, 620},
         true,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         noProfiles},
        {"profiles-light.png",
         {1120, 820},
         false,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         someProfiles},
        {"profiles-minimum-dark.png",
         {880, 620},
         true,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         someProfiles},
        {"profile-new-light.png",
         {1120, 820},
         false,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         newProfileOpen},
        {"profile-new-minimum-dark.png",
         {880, 620},
         true,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         newProfileOpen},
        {"profiles-import-light.png",
         {1120, 820},
         false,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         importOpen},
        {"profiles-import-minimum-dark.png",
         {880, 620},
         true,
         Shot::Reads::demo,
         false,
         {},
         {},
         false,
         importOpen},
        {"profile-rolled-back-minimum-light.png",
         {880, 620},
         false,
         Shot::Reads::demo,
         false,
         {},
         toLab,
         false,
         rolledBack},
        {"profile-rolled-back-dark.png",
         {1120, 820},
         true,
         Shot::Reads::demo,
         false,
         {},
         toLab,
         false,
         rolledBack},
    };
    const QString profilesFile = scratch.filePath(QStringLiteral("profiles.json"));
    for (const Shot &shot : shots)
        render(engine, shot, machine, output, profilesFile);
    renderQuitDialog(engine, QStringLiteral("quit-light.png"), 0, false, output);
    renderQuitDialog(engine, QStringLiteral("quit-dark.png"), 0, true, output);
    renderQuitDialog(engine, QStringLiteral("quit-pending-light.png"), 2, false, output);
    renderQuitDialog(engine, QStringLiteral("quit-pending-dark.png"), 2, true, output);
    return 0;
}
