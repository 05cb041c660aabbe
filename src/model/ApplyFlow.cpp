// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "ChangeMessages.h"
#include "IPv4.h"
#include "Profile.h"
#include "Settled.h"

#include <QCoroFuture>
#include <QPointer>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds waitBeforeReRead = 300ms;
constexpr int maximumReReads = 4;

// A lease that the system confirmed late is looked for this often, at most this many times.
constexpr std::chrono::milliseconds waitForLease = 1000ms;
constexpr int leaseReReads = 4;

// A system that stopped answering during a change is read this often, at most this many times,
// until it shows what it holds.
constexpr std::chrono::milliseconds waitForAnswer = 3000ms;
constexpr int answerReReads = 20;

// What the user asked for, taken when the command is about to be sent, addresses in their
// canonical dotted form.
struct Request {
    QString service;
    QString id;
    ConfigMode mode;
    QString ip;
    QString mask;
    QString router;
    // The card's servers, when the change sets them: the service's kept entries follow them.
    std::optional<QStringList> dnsServers;
    QStringList dnsKept;

    DnsChange dns() const { return dnsServers ? DnsChange(*dnsServers + dnsKept) : std::nullopt; }
};

bool matches(const AdapterInfo &info, const Request &request)
{
    if (request.dnsServers && !Shown::dns(info, *request.dnsServers))
        return false;
    return Shown::addressing(info, request.mode == ConfigMode::dhcp, request.ip, request.mask,
                             request.router);
}

// An address that a DHCP server gave, rather than none or a self-assigned one.
bool hasLease(const AdapterInfo &info)
{
    return IPv4::parseUsableHost(info.ip).has_value();
}

} // namespace

std::optional<QString> AppModel::ambiguousTarget(const AdapterCardModel *card) const
{
    if (!m_services.addressesServicesByName)
        return std::nullopt;
    const QString name = card->info().serviceName;
    const bool shared = std::any_of(m_cards.cbegin(), m_cards.cend(), [card, &name](auto *other) {
        return other != card && other->info().serviceName == name;
    });
    if (!shared)
        return std::nullopt;
    return ChangeMessages::sharedNameRefusal(name);
}

QCoro::Task<bool> AppModel::apply(AdapterCardModel *card)
{
    if (!card || card->busy() || m_applyingProfile)
        co_return false;
    if (!card->info().enabled) {
        report(
            card,
            QStringLiteral("La carte est désactivée ; activez-la avant de changer son adressage."),
            MessageKind::warning);
        co_return false;
    }
    if (const std::optional<QString> refusal = ambiguousTarget(card)) {
        report(card, *refusal, MessageKind::error);
        co_return false;
    }
    card->setShowErrors(true);
    for (const std::optional<QString> &error :
         {card->ipError(), card->maskError(), card->routerError(), card->dnsError()}) {
        if (error) {
            // The card shows the error itself, through its display message.
            setStatus(*error, MessageKind::error);
            co_return false;
        }
    }

    // Validated above, so every non-empty text parses; what is sent is its canonical form,
    // never a leading zero that a C tool would read as octal.
    const Request request{card->info().serviceName,
                          card->id(),
                          card->mode(),
                          IPv4::canonical(card->ip()).value_or(QString()),
                          IPv4::canonical(card->mask()).value_or(QString()),
                          IPv4::canonical(card->router()).value_or(QString()),
                          card->dnsEdited() ? std::optional(card->dnsServers()) : std::nullopt,
                          card->info().dnsKept};
    card->setBusy(true);
    card->setMessage(QString());
    card->setMessageKind(MessageKind::info);
    setStatus(QStringLiteral("Application de la configuration sur « ") + request.service +
                  QStringLiteral(" »…"),
              MessageKind::info);

    // The card stays alive while busy even if a merge drops it; the model might not.
    QPointer<AppModel> self(this);
    const ServiceTarget target{request.id, request.service};
    // Chosen before awaiting: g++ 12 evaluates both arms of a conditional inside co_await.
    QFuture<CommandResult> sending;
    if (request.mode == ConfigMode::dhcp)
        sending = m_services.setDHCP(target, request.dns());
    else
        sending =
            m_services.setManual(target, request.ip, request.mask, request.router, request.dns());
    QCoro::Task<std::optional<CommandResult>> settling = settled(sending);
    const std::optional<CommandResult> answer = co_await settling;
    const CommandResult result =
        answer.value_or(CommandResult{-1, {}, QStringLiteral("The command was interrupted.")});
    if (!self)
        co_return false;
    if (result.status != 0) {
        card->setBusy(false);
        reportFailure(card, result);
        co_return false;
    }

    QCoro::Task<ReReadResult> verifying = reReadUntil(
        request.id, [request](const AdapterInfo &info) { return matches(info, request); },
        ReReadPlan{maximumReReads, waitBeforeReRead, false});
    ReReadResult verified = co_await verifying;
    if (!self)
        co_return false;
    card->setBusy(false);

    if (verified.lastList.isEmpty()) {
        reportUntilRead(card,
                        QStringLiteral("Configuration envoyée, mais la relecture des cartes "
                                       "réseau a échoué. Utilisez Actualiser pour vérifier."));
        co_return false;
    }
    if (!verified.lastSeen) {
        report(card,
               QStringLiteral("Configuration envoyée, mais la carte n'a pas été retrouvée. "
                              "Utilisez Actualiser pour vérifier."),
               MessageKind::warning);
        co_return false;
    }

    // A service seen earlier but gone from the last read keeps its card.
    const AdapterInfo lastSeen = *verified.lastSeen;
    if (!findRecord(verified.lastList, request.id))
        verified.lastList.append(lastSeen);
    merge(verified.lastList, verified.confirmed ? QSet<QString>{request.id} : QSet<QString>{},
          true);

    if (verified.confirmed) {
        card->setMessage(QStringLiteral("Configuration appliquée et vérifiée."));
        card->setMessageKind(MessageKind::success);
        setStatus(QStringLiteral("Configuration appliquée sur « ") + lastSeen.serviceName +
                      QStringLiteral(" »."),
                  MessageKind::success);
        if (request.mode == ConfigMode::dhcp && !hasLease(lastSeen))
            mergeOnceSeen(request.id, hasLease, ReReadPlan{leaseReReads, waitForLease, false});
        co_return true;
    }
    card->setMessage(QStringLiteral("Configuration envoyée, mais ") + m_services.systemName +
                     QStringLiteral(" affiche encore : ") +
                     ChangeMessages::stillShown(lastSeen, request.dnsServers.has_value()) + u'.');
    card->setMessageKind(MessageKind::warning);
    setStatus(QStringLiteral("Configuration envoyée ; vérification incomplète."),
              MessageKind::warning);
    co_return false;
}

QCoro::Task<> AppModel::mergeOnceSeen(QString id, std::function<bool(const AdapterInfo &)> shows,
                                      ReReadPlan plan)
{
    QPointer<AppModel> self(this);
    QCoro::Task<ReReadResult> looking = reReadUntil(id, std::move(shows), plan);
    const ReReadResult seen = co_await looking;
    // Like an automatic refresh, it gives way to a refresh or an operation under way, which
    // read the system themselves.
    if (!self || seen.lastList.isEmpty() || m_refreshInFlight || isBusy())
        co_return;
    merge(seen.lastList, {}, false);
}

void AppModel::reportFailure(AdapterCardModel *card, const CommandResult &result)
{
    const QString text = ChangeMessages::failure(result, m_services.systemName);
    const bool unanswered =
        result.cause == ChangeCause::timedOut || result.cause == ChangeCause::serviceGone;
    if (!unanswered) {
        report(card, text, MessageKind::error);
        return;
    }
    reportUntilRead(card, text);
    // Whether the change was made, only the system can say once it answers again.
    if (result.maybeApplied)
        mergeOnceSeen(
            card->id(), [](const AdapterInfo &) { return true; },
            ReReadPlan{answerReReads, waitForAnswer, false});
}

void AppModel::reportUntilRead(AdapterCardModel *card, const QString &text)
{
    report(card, text, MessageKind::warning);
    card->setMessageAwaitsRead();
}

QCoro::Task<bool> AppModel::applyAllPending()
{
    QList<QPointer<AdapterCardModel>> pending;
    for (AdapterCardModel *card : std::as_const(m_cards)) {
        if (card->isDirty())
            pending.append(card);
    }
    QPointer<AppModel> self(this);
    for (const QPointer<AdapterCardModel> &card : std::as_const(pending)) {
        // A card released by an earlier apply's merge is no longer pending anywhere.
        if (!self || !card)
            co_return false;
        QCoro::Task<bool> applying = apply(card);
        if (!co_await applying)
            co_return false;
    }
    co_return true;
}
