// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"
#include "ProfileMatching.h"

#include <QPointer>

namespace {

QList<AdapterInfo> recordsOf(const QList<AdapterCardModel *> &cards)
{
    QList<AdapterInfo> records;
    records.reserve(cards.size());
    for (const AdapterCardModel *card : cards)
        records << card->info();
    return records;
}

} // namespace

QStringList AppModel::draftsAmong(const Profile &profile) const
{
    const QList<AdapterInfo> records = recordsOf(m_cards);
    QStringList names;
    for (const ProfileEntry &entry : profile.entries) {
        const std::optional<AdapterInfo> service = ProfileMatching::service(entry, records);
        if (!service)
            continue;
        for (const AdapterCardModel *card : std::as_const(m_cards)) {
            if (card->id() == service->id && card->isDirty())
                names << service->serviceName;
        }
    }
    return names;
}

QCoro::Task<ProfileOutcome> AppModel::applyProfile(Profile profile)
{
    if (m_refreshInFlight || isBusy()) {
        ProfileOutcome busy;
        busy.message = QStringLiteral("Une autre opération est en cours ; réessayez dans un "
                                      "instant.");
        co_return busy;
    }
    m_applyingProfile = true;
    emit applyingProfileChanged();
    emit canRefreshChanged();
    setStatus(QStringLiteral("Application du profil « ") + profile.name + QStringLiteral(" »…"),
              MessageKind::info);

    // The cards the profile is meant for wait with it; the flow finds the services again in a
    // read of its own.
    QList<QPointer<AdapterCardModel>> held;
    const QList<AdapterInfo> records = recordsOf(m_cards);
    for (const ProfileEntry &entry : profile.entries) {
        const std::optional<AdapterInfo> service = ProfileMatching::service(entry, records);
        for (AdapterCardModel *card : std::as_const(m_cards)) {
            if (service && card->id() == service->id && !card->busy()) {
                card->setBusy(true);
                held << card;
            }
        }
    }

    QPointer<AppModel> self(this);
    QCoro::Task<ProfileOutcome> applying = ::applyProfile(m_services, profile);
    const ProfileOutcome outcome = co_await applying;
    for (const QPointer<AdapterCardModel> &card : std::as_const(held)) {
        if (card)
            card->setBusy(false);
    }
    if (!self)
        co_return outcome;
    m_applyingProfile = false;
    emit applyingProfileChanged();
    emit canRefreshChanged();
    // The drafts the user agreed to replace go where the system confirmed the profile; the
    // others stay, to be applied or discarded.
    if (!outcome.lastList.isEmpty()) {
        const QStringList confirmed = outcome.confirmedIds;
        merge(outcome.lastList, QSet<QString>(confirmed.cbegin(), confirmed.cend()), true);
    }
    const MessageKind kind = outcome.result == ProfileResult::applied ? MessageKind::success
                             : outcome.result == ProfileResult::restoreFailed
                                 ? MessageKind::error
                                 : MessageKind::warning;
    setStatus(outcome.message, kind);
    co_return outcome;
}
