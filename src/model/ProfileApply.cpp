// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileApply.h"

#include "ChangeMessages.h"
#include "ProfileMatching.h"
#include "Settled.h"

#include <QHash>

namespace {

using namespace std::chrono_literals;

// As a card's change: the system takes a moment to show what it was sent.
constexpr std::chrono::milliseconds waitBeforeReRead = 300ms;
constexpr int maximumReReads = 4;

// One service the profile sets: what it wants, and what a read showed before anything was sent.
struct Touched {
    ProfileEntry wanted;
    AdapterInfo before;
};

// What is sent, and what was seen of it.
struct Sent {
    CommandResult result;
    // The service whose change failed, when the system says which.
    QString failedService;
};

struct Verified {
    QList<AdapterInfo> lastList;
    // The ids whose record, in the last read, showed what was wanted.
    QStringList shownIds;
    bool confirmed = false;
};

QString quoted(const QString &name)
{
    return QStringLiteral("« ") + name + QStringLiteral(" »");
}

const AdapterInfo *recordOf(const QList<AdapterInfo> &list, const QString &id)
{
    for (const AdapterInfo &info : list) {
        if (info.id == id)
            return &info;
    }
    return nullptr;
}

// Whether a service is as the snapshot found it: its state, and whether the device runs it.
bool sameAsBefore(const AdapterInfo &before, const AdapterInfo &now)
{
    ProfileEntry a = ProfileEntry::fromRecord(before), b = ProfileEntry::fromRecord(now);
    return a.enabled == b.enabled && a.dhcp == b.dhcp && a.ip == b.ip && a.mask == b.mask &&
           a.router == b.router && a.dnsServers == b.dnsServers && before.dnsKept == now.dnsKept &&
           (before.dhcp || before.inEffect == now.inEffect);
}

// The change that takes the service from what a read shows to the wanted state. Switched off, a
// service is left addressed as it is, unless it is being put back as it was.
std::optional<ServiceChange> changeTo(const ProfileEntry &wanted, const AdapterInfo &now,
                                      bool restoring)
{
    ServiceChange change{{now.id, now.serviceName}, {}, {}};
    if (wanted.enabled != now.enabled)
        change.enable = wanted.enabled;
    const bool addressable = wanted.dhcp || !wanted.ip.isEmpty();
    const bool shown = Shown::dns(now, wanted.dnsServers) &&
                       Shown::addressing(now, wanted.dhcp, wanted.ip, wanted.mask, wanted.router);
    if ((wanted.enabled || restoring) && addressable && !shown)
        change.addressing = Addressing{wanted.dhcp, wanted.ip, wanted.mask, wanted.router,
                                       wanted.dnsServers + now.dnsKept};
    if (!change.enable && !change.addressing)
        return std::nullopt;
    return change;
}

QCoro::Task<CommandResult> awaited(QFuture<CommandResult> future)
{
    QCoro::Task<std::optional<CommandResult>> settling = settled(future);
    const std::optional<CommandResult> answer = co_await settling;
    co_return answer.value_or(CommandResult{
        -1, {}, QStringLiteral("The command was interrupted."), false, ChangeCause::failed, true});
}

// Sends the changes in order, stopping at the first that fails: all in one request where the
// system takes them so, one by one otherwise.
QCoro::Task<Sent> send(SystemServices services, QList<ServiceChange> changes)
{
    if (changes.isEmpty())
        co_return Sent{};
    if (services.changeServices) {
        QCoro::Task<CommandResult> all = awaited(services.changeServices(changes));
        const CommandResult result = co_await all;
        co_return Sent{result, {}};
    }
    for (const ServiceChange &change : std::as_const(changes)) {
        QList<QFuture<CommandResult>> steps;
        // Each step is made only when the one before has succeeded.
        for (int step = 0; step < 3; ++step) {
            QFuture<CommandResult> future;
            if (step == 0 && change.enable == true)
                future = services.setServiceEnabled(change.target, true);
            else if (step == 1 && change.addressing && change.addressing->dhcp)
                future = services.setDHCP(change.target, change.addressing->dns);
            else if (step == 1 && change.addressing)
                future = services.setManual(change.target, change.addressing->ip,
                                            change.addressing->mask, change.addressing->router,
                                            change.addressing->dns);
            else if (step == 2 && change.enable == false)
                future = services.setServiceEnabled(change.target, false);
            else
                continue;
            QCoro::Task<CommandResult> sending = awaited(future);
            const CommandResult result = co_await sending;
            if (result.status != 0)
                co_return Sent{result, change.target.name};
        }
    }
    co_return Sent{};
}

// Reads the system until every touched service shows what `shows` asks of it, at most
// maximumReReads times.
QCoro::Task<Verified> verify(SystemServices services, QList<Touched> touched,
                             std::function<bool(const Touched &, const AdapterInfo &)> shows)
{
    Verified verified;
    for (int attempt = 0; attempt < maximumReReads && !verified.confirmed; ++attempt) {
        QCoro::Task<> waiting = services.wait(waitBeforeReRead);
        co_await waiting;
        QCoro::Task<std::optional<AdapterRead>> reading = settled(services.readAdapters());
        const std::optional<AdapterRead> read = co_await reading;
        if (!read || read->failed())
            continue;
        verified.lastList = read->adapters;
        verified.shownIds.clear();
        for (const Touched &service : std::as_const(touched)) {
            const AdapterInfo *now = recordOf(read->adapters, service.before.id);
            if (now && shows(service, *now))
                verified.shownIds << service.before.id;
        }
        verified.confirmed = verified.shownIds.size() == touched.size();
    }
    co_return verified;
}

QString cause(const CommandResult &result, const QString &systemName)
{
    switch (result.cause) {
    case ChangeCause::cancelled:
        return QStringLiteral("l'autorisation a été annulée");
    case ChangeCause::refused:
        return QStringLiteral("l'autorisation a été refusée");
    case ChangeCause::timedOut:
        return systemName + QStringLiteral(" n'a pas répondu à temps");
    case ChangeCause::serviceGone:
        return systemName + QStringLiteral(" a cessé de répondre");
    case ChangeCause::invalid:
        if (!result.error.isEmpty())
            return result.error;
        break;
    case ChangeCause::unclassified:
    case ChangeCause::failed:
        break;
    }
    const QString text = result.combined().trimmed();
    if (!text.isEmpty())
        return QStringLiteral("échec de la commande réseau : ") + text;
    return QStringLiteral("la commande réseau a échoué (code %1)").arg(result.status);
}

QString notShown(const QList<Touched> &touched, const Verified &verified, const QString &systemName)
{
    if (verified.lastList.isEmpty())
        return QStringLiteral("la relecture des cartes réseau a échoué");
    for (const Touched &service : touched) {
        if (verified.shownIds.contains(service.before.id))
            continue;
        const AdapterInfo *now = recordOf(verified.lastList, service.before.id);
        if (!now)
            return quoted(service.before.serviceName) +
                   QStringLiteral(" n'a pas été retrouvé à la relecture");
        return quoted(now->serviceName) + QStringLiteral(" : ") + systemName +
               QStringLiteral(" affiche encore ") + ChangeMessages::stillShown(*now, true);
    }
    return {};
}

} // namespace

QCoro::Task<ProfileOutcome> applyProfile(SystemServices services, Profile profile)
{
    ProfileOutcome outcome;
    const QString title = QStringLiteral("Profil ") + quoted(profile.name);
    const auto notStarted = [&](const QString &why) {
        outcome.result = ProfileResult::notStarted;
        outcome.message = title + QStringLiteral(" non appliqué : ") + why +
                          QStringLiteral(" Aucune modification n'a été envoyée.");
        return outcome;
    };

    // 1. Every service, found in a fresh read, or nothing is sent.
    QCoro::Task<std::optional<AdapterRead>> reading = settled(services.readAdapters());
    const std::optional<AdapterRead> read = co_await reading;
    if (!read || read->failed())
        co_return notStarted(read ? read->failure
                                  : QStringLiteral("la lecture des cartes réseau a échoué."));
    outcome.lastList = read->adapters;
    const ProfileMatching::Found found =
        ProfileMatching::find(profile, read->adapters, services.addressesServicesByName);
    if (found.failed())
        co_return notStarted(found.problem);

    // 2. The snapshot, and the system's own way back where it has one.
    QList<Touched> touched;
    QList<ServiceTarget> targets;
    for (qsizetype i = 0; i < profile.entries.size(); ++i) {
        touched << Touched{profile.entries.at(i), found.services.at(i)};
        targets << ServiceTarget{found.services.at(i).id, found.services.at(i).serviceName};
    }
    Transaction transaction;
    if (services.beginTransaction) {
        QCoro::Task<std::optional<Transaction>> beginning =
            settled(services.beginTransaction(targets));
        const std::optional<Transaction> begun = co_await beginning;
        if (!begun || begun->result.status != 0)
            co_return notStarted(services.systemName +
                                 QStringLiteral(" n'a pas pu préparer le retour en arrière (") +
                                 (begun ? cause(begun->result, services.systemName)
                                        : QStringLiteral("pas de réponse")) +
                                 QStringLiteral(")."));
        transaction = *begun;
    }

    // 3. The entries in order, then a read that shows every one of them.
    QList<ServiceChange> changes;
    for (const Touched &service : std::as_const(touched)) {
        if (std::optional<ServiceChange> change = changeTo(service.wanted, service.before, false))
            changes << *change;
    }
    QCoro::Task<Sent> sending = send(services, changes);
    const Sent sent = co_await sending;
    QString why;
    if (sent.result.status == 0) {
        QCoro::Task<Verified> verifying =
            verify(services, touched, [](const Touched &service, const AdapterInfo &now) {
                return service.wanted.shownBy(now);
            });
        const Verified verified = co_await verifying;
        if (!verified.lastList.isEmpty())
            outcome.lastList = verified.lastList;
        outcome.confirmedIds = verified.shownIds;
        if (verified.confirmed) {
            outcome.result = ProfileResult::applied;
            outcome.message = title + QStringLiteral(" appliqué et vérifié.");
            for (const Touched &service : std::as_const(touched))
                outcome.lines << service.before.serviceName +
                                     QStringLiteral(" : appliqué et vérifié");
            if (!transaction.handle.isEmpty()) {
                QCoro::Task<CommandResult> committing =
                    awaited(services.commitTransaction(transaction.handle));
                const CommandResult committed = co_await committing;
                if (committed.status != 0)
                    outcome.message += QStringLiteral(" Attention : ") + services.systemName +
                                       QStringLiteral(" n'a pas confirmé la fin de la "
                                                      "transaction (") +
                                       cause(committed, services.systemName) +
                                       QStringLiteral(") et pourrait rétablir l'ancienne "
                                                      "configuration à son expiration.");
            }
            co_return outcome;
        }
        why = notShown(touched, verified, services.systemName);
    } else {
        why = (sent.failedService.isEmpty() ? QString()
                                            : quoted(sent.failedService) + QStringLiteral(" : ")) +
              cause(sent.result, services.systemName);
    }

    // 4. Every touched service back to its snapshot: the system's rollback first, then
    // Brisvale's own changes for what it does not cover or did not give back.
    QStringList covered;
    if (!transaction.handle.isEmpty()) {
        QCoro::Task<CommandResult> rollingBack =
            awaited(services.rollbackTransaction(transaction.handle));
        const CommandResult rolledBack = co_await rollingBack;
        if (rolledBack.status == 0)
            covered = transaction.covered;
    }
    QCoro::Task<std::optional<AdapterRead>> rereading = settled(services.readAdapters());
    const std::optional<AdapterRead> afterFailure = co_await rereading;
    QList<ServiceChange> restoring;
    for (const Touched &service : std::as_const(touched)) {
        if (covered.contains(service.before.id))
            continue;
        // Unread, the service is sent its whole snapshot.
        const AdapterInfo *now = afterFailure && !afterFailure->failed()
                                     ? recordOf(afterFailure->adapters, service.before.id)
                                     : nullptr;
        if (now && sameAsBefore(service.before, *now))
            continue;
        AdapterInfo assumed = service.before;
        assumed.enabled = !service.before.enabled;
        assumed.dhcp = !service.before.dhcp;
        if (std::optional<ServiceChange> change =
                changeTo(ProfileEntry::fromRecord(service.before), now ? *now : assumed, true))
            restoring << *change;
    }
    QCoro::Task<Sent> undoing = send(services, restoring);
    const Sent undone = co_await undoing;
    QCoro::Task<Verified> checking =
        verify(services, touched, [](const Touched &service, const AdapterInfo &now) {
            return sameAsBefore(service.before, now);
        });
    const Verified restored = co_await checking;
    if (!restored.lastList.isEmpty())
        outcome.lastList = restored.lastList;

    if (restored.confirmed) {
        outcome.result = ProfileResult::restored;
        outcome.message = title + QStringLiteral(" non appliqué (") + why +
                          QStringLiteral(") ; la configuration précédente a été rétablie.");
        for (const Touched &service : std::as_const(touched))
            outcome.lines << service.before.serviceName + QStringLiteral(" : rétabli");
        co_return outcome;
    }
    outcome.result = ProfileResult::restoreFailed;
    QStringList left;
    for (const Touched &service : std::as_const(touched)) {
        const QString name = service.before.serviceName;
        if (restored.shownIds.contains(service.before.id)) {
            outcome.lines << name + QStringLiteral(" : rétabli");
            continue;
        }
        const AdapterInfo *now = recordOf(restored.lastList, service.before.id);
        // Switched on by the profile, it shows its old addressing: that it is on is what is left.
        const QString switchedOn = now && now->enabled && !service.before.enabled
                                       ? QStringLiteral("activée, ")
                                       : QString();
        const QString state =
            now ? QStringLiteral("affiche ") + switchedOn + ChangeMessages::stillShown(*now, true)
            : restored.lastList.isEmpty() ? QStringLiteral("état inconnu, la relecture a échoué")
                                          : QStringLiteral("introuvable à la relecture");
        outcome.lines << name + QStringLiteral(" : non rétabli, ") + state;
        left << quoted(name) + u' ' + state;
    }
    outcome.message = title + QStringLiteral(" non appliqué (") + why +
                      QStringLiteral("), et la configuration précédente n'a pas pu être "
                                     "rétablie") +
                      (undone.result.status != 0
                           ? QStringLiteral(" (") + cause(undone.result, services.systemName) + u')'
                           : QString()) +
                      QStringLiteral(" : ") + left.join(QStringLiteral(" ; ")) + u'.';
    co_return outcome;
}
