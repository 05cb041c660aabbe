// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "IPv4.h"
#include "Settled.h"

#include <QCoroFuture>
#include <QPointer>

namespace {

constexpr int requestsToOwnAddress = 3;
constexpr int requestsToRouter = 2;

} // namespace

QCoro::Task<> AppModel::test(AdapterCardModel *card)
{
    if (!card || card->busy())
        co_return;
    const QString ip = card->info().ip.trimmed();
    if (!IPv4::parseHost(ip)) {
        report(card, QStringLiteral("Cette carte n'a pas d'adresse IPv4 valide à tester."),
               MessageKind::error);
        co_return;
    }

    card->setBusy(true);
    report(card, QStringLiteral("Test de « ") + ip + QStringLiteral(" » en cours…"),
           MessageKind::info);

    QPointer<AppModel> self(this);
    QCoro::Task<std::optional<PingOutcome>> pinging =
        settled(m_services.ping(ip, card->info().device, requestsToOwnAddress));
    const std::optional<PingOutcome> firstAnswer = co_await pinging;
    const PingOutcome first = firstAnswer.value_or(
        PingOutcome{.success = false, .detail = QStringLiteral("aucune réponse"), .raw = {}});
    if (!self)
        co_return;

    // A refresh that was already reading may have replaced the record meanwhile.
    const QString router = card->info().router.trimmed();
    bool routerAnswers = true;
    if (first.success && !router.isEmpty() && router != ip && IPv4::parse(router)) {
        // The device too may have changed with the record.
        QCoro::Task<std::optional<PingOutcome>> pingingRouter =
            settled(m_services.ping(router, card->info().device, requestsToRouter));
        const std::optional<PingOutcome> secondAnswer = co_await pingingRouter;
        const PingOutcome second = secondAnswer.value_or(
            PingOutcome{.success = false, .detail = QStringLiteral("aucune réponse"), .raw = {}});
        if (!self)
            co_return;
        routerAnswers = second.success;
    }
    card->setBusy(false);

    if (!first.success) {
        report(card, QStringLiteral("Aucune réponse de %1 : %2.").arg(ip, first.detail),
               MessageKind::error);
        co_return;
    }
    const QString answers = QStringLiteral("L'adresse %1 répond (%2).").arg(ip, first.detail);
    if (routerAnswers)
        report(card, answers, MessageKind::success);
    else
        report(card, answers + QStringLiteral(" La passerelle %1 ne répond pas.").arg(router),
               MessageKind::error);
}
