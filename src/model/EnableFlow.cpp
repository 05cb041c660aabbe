// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "Settled.h"

#include <QCoroFuture>
#include <QPointer>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds waitBetweenReads = 300ms;
constexpr int maximumReReads = 3;

} // namespace

QCoro::Task<> AppModel::setEnabled(AdapterCardModel *card, bool enabled)
{
    if (!card || card->busy())
        co_return;
    // The current state is not consulted: asking for it again sends the command all the same.
    const QString service = card->info().serviceName;
    const QString id = card->id();

    if (const std::optional<QString> refusal = ambiguousTarget(card)) {
        report(card, *refusal, MessageKind::error);
        co_return;
    }

    card->setBusy(true);
    setStatus(
        (enabled ? QStringLiteral("Activation de « ") : QStringLiteral("Désactivation de « ")) +
            service + QStringLiteral(" »…"),
        MessageKind::info);

    QPointer<AppModel> self(this);
    // Built before awaiting: g++ 12 frees an aggregate temporary inside co_await twice.
    const ServiceTarget target{id, service};
    QFuture<CommandResult> sending = m_services.setServiceEnabled(target, enabled);
    QCoro::Task<std::optional<CommandResult>> settling = settled(sending);
    const std::optional<CommandResult> answer = co_await settling;
    const CommandResult result =
        answer.value_or(CommandResult{-1, {}, QStringLiteral("The command was interrupted.")});
    if (!self)
        co_return;
    if (result.status != 0) {
        card->setBusy(false);
        reportFailure(card, result);
        co_return;
    }

    QCoro::Task<ReReadResult> verifying = reReadUntil(
        id, [enabled](const AdapterInfo &info) { return info.enabled == enabled; },
        ReReadPlan{maximumReReads, waitBetweenReads, true});
    ReReadResult verified = co_await verifying;
    if (!self)
        co_return;
    card->setBusy(false);

    if (verified.lastList.isEmpty() || !verified.lastSeen) {
        reportUntilRead(card, QStringLiteral("L'état de la carte n'a pas pu être relu. Utilisez "
                                             "Actualiser pour vérifier."));
        co_return;
    }

    QList<AdapterInfo> lastList = verified.lastList;
    const AdapterInfo lastSeen = *verified.lastSeen;
    if (!findRecord(lastList, id))
        lastList.append(lastSeen);
    merge(lastList, {}, true);

    if (lastSeen.enabled != enabled) {
        report(card,
               m_services.systemName + QStringLiteral(" n'a pas confirmé le changement d'état."),
               MessageKind::warning);
        co_return;
    }
    card->setMessage(enabled ? QStringLiteral("Carte activée.")
                             : QStringLiteral("Carte désactivée."));
    card->setMessageKind(MessageKind::success);
    setStatus(
        QStringLiteral("« ") + lastSeen.serviceName +
            (enabled ? QStringLiteral(" » est activée.") : QStringLiteral(" » est désactivée.")),
        MessageKind::success);
}
