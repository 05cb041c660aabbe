// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppModel.h"

#include "CardListModel.h"
#include "Settled.h"

#include <QCoroFuture>
#include <QHash>
#include <QPointer>
#include <QSet>

#include <algorithm>

AppModel::AppModel(SystemServices services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_cardList(new CardListModel(this))
{
    connect(this, &AppModel::loadingChanged, this, &AppModel::pendingHintChanged);
    connect(this, &AppModel::hasLoadedOnceChanged, this, &AppModel::pendingHintChanged);
    connect(this, &AppModel::cardsChanged, this, &AppModel::pendingHintChanged);
    for (auto signal :
         {&AppModel::hasLoadedOnceChanged, &AppModel::loadingChanged, &AppModel::cardsChanged})
        connect(this, signal, this, &AppModel::canRefreshChanged);
}

AppModel::~AppModel() = default;

void AppModel::setTab(MainTab tab)
{
    if (m_tab == tab)
        return;
    m_tab = tab;
    emit tabChanged();
}

void AppModel::setDraftRevision(int revision)
{
    if (m_draftRevision == revision)
        return;
    m_draftRevision = revision;
    emit draftRevisionChanged();
    emit pendingHintChanged();
}

bool AppModel::isBusy() const
{
    return m_applyingProfile ||
           std::any_of(m_cards.cbegin(), m_cards.cend(),
                       [](const AdapterCardModel *card) { return card->busy(); });
}

bool AppModel::canRefresh() const
{
    return m_hasLoadedOnce && !m_loading && !isBusy();
}

QString AppModel::pendingHint() const
{
    // Until the first read has answered the cards are loading, also in the moment before the
    // window, once drawn, starts it.
    if ((m_loading || !m_hasLoadedOnce) && m_cards.isEmpty())
        return QStringLiteral("Chargement des cartes réseau…");
    const auto dirty = std::count_if(m_cards.cbegin(), m_cards.cend(),
                                     [](const AdapterCardModel *card) { return card->isDirty(); });
    if (dirty == 0)
        return QStringLiteral("Aucune modification en attente.");
    if (dirty == 1)
        return QStringLiteral(
            "1 carte modifiée — utilisez le bouton Changer de la carte concernée.");
    return QString::number(dirty) +
           QStringLiteral(" cartes modifiées — utilisez le bouton Changer de chaque carte.");
}

void AppModel::requestRefresh(bool manual)
{
    refresh(manual);
}

void AppModel::requestAutoRefresh()
{
    autoRefresh();
}

void AppModel::requestApply(AdapterCardModel *card)
{
    apply(card);
}

void AppModel::requestSetEnabled(AdapterCardModel *card, bool enabled)
{
    setEnabled(card, enabled);
}

void AppModel::requestTest(AdapterCardModel *card)
{
    test(card);
}

QCoro::Task<> AppModel::refresh(bool manual)
{
    // Both guards drop the request without a trace, also a manual one.
    if (m_refreshInFlight || isBusy())
        co_return;
    m_refreshInFlight = true;
    setLoading(true);
    if (manual)
        setStatus(QStringLiteral("Actualisation des cartes réseau…"), MessageKind::info);

    QPointer<AppModel> self(this);
    QCoro::Task<std::optional<AdapterRead>> reading = settled(m_services.readAdapters());
    const std::optional<AdapterRead> answer = co_await reading;
    const AdapterRead read =
        answer.value_or(AdapterRead{{}, QStringLiteral("La lecture réseau a été interrompue.")});
    if (!self)
        co_return;
    const QList<AdapterInfo> &list = read.adapters;

    m_refreshInFlight = false;
    setLoading(false);

    if (!list.isEmpty()) {
        merge(list, {}, false);
        setHasLoadedOnce(true);
        if (manual)
            setStatus(QStringLiteral("Cartes réseau actualisées."), MessageKind::success);
        co_return;
    }

    // An empty read is how a failed read shows: the cards on screen stay as they are.
    const bool hadLoadedBefore = m_hasLoadedOnce;
    setHasLoadedOnce(true);
    if (read.failed() && !m_cards.isEmpty())
        setStatus(read.failure + QStringLiteral(" Les cartes affichées sont conservées."),
                  MessageKind::warning);
    else if (read.failed())
        setStatus(read.failure, MessageKind::warning);
    else if (!m_cards.isEmpty())
        setStatus(QStringLiteral("Lecture réseau incomplète : les cartes affichées sont "
                                 "conservées. Réessayez avec Actualiser."),
                  MessageKind::warning);
    else if (manual || !hadLoadedBefore)
        setStatus(QStringLiteral("Aucune carte réseau détectée. Vérifiez les réglages Réseau de ") +
                      m_services.systemName + u'.',
                  MessageKind::warning);
}

QCoro::Task<> AppModel::autoRefresh()
{
    if (m_refreshInFlight || isBusy())
        co_return;
    co_await refresh(false);
}

std::optional<AdapterInfo> AppModel::findRecord(const QList<AdapterInfo> &list, const QString &id)
{
    for (const AdapterInfo &info : list) {
        if (info.id == id)
            return info;
    }
    return std::nullopt;
}

void AppModel::merge(QList<AdapterInfo> list, const QSet<QString> &resetIDs, bool preserveMissing)
{
    // Two records sharing an id would share one card; every backend's list gets the same
    // treatment as the reader's own.
    makeIDsUnique(list);
    QSet<QString> newIDs;
    for (const AdapterInfo &info : std::as_const(list))
        newIDs.insert(info.id);

    // Looked up by id: with hundreds of services a scan per record would cost a frame.
    QHash<QString, AdapterCardModel *> byID;
    byID.reserve(m_cards.size());
    for (AdapterCardModel *card : std::as_const(m_cards))
        byID.insert(card->id(), card);

    QList<AdapterCardModel *> cards;
    cards.reserve(list.size());
    for (const AdapterInfo &info : std::as_const(list)) {
        if (AdapterCardModel *existing = byID.value(info.id)) {
            existing->update(info, resetIDs.contains(info.id));
            existing->seenByRead();
            cards.append(existing);
        } else {
            cards.append(new AdapterCardModel(info, this));
        }
    }
    if (preserveMissing) {
        for (AdapterCardModel *card : std::as_const(m_cards)) {
            if (!newIDs.contains(card->id()))
                cards.append(card);
        }
    }
    setCards(std::move(cards));
    emit readMerged();
}

void AppModel::setCards(QList<AdapterCardModel *> cards)
{
    const QList<AdapterCardModel *> previous = std::exchange(m_cards, std::move(cards));
    const QSet<AdapterCardModel *> before(previous.cbegin(), previous.cend());
    const QSet<AdapterCardModel *> after(m_cards.cbegin(), m_cards.cend());
    for (AdapterCardModel *card : std::as_const(m_cards)) {
        if (!before.contains(card))
            adopt(card);
    }
    emit cardsChanged();
    for (AdapterCardModel *card : previous) {
        if (!after.contains(card))
            release(card);
    }
}

void AppModel::adopt(AdapterCardModel *card)
{
    connect(card, &AdapterCardModel::busyChanged, this, &AppModel::canRefreshChanged);
    connect(card, &AdapterCardModel::derivedChanged, this, &AppModel::pendingHintChanged);
}

void AppModel::release(AdapterCardModel *card)
{
    disconnect(card, nullptr, this, nullptr);
    // An operation still working on a dropped card holds it until it is idle again.
    if (!card->busy()) {
        card->deleteLater();
        return;
    }
    connect(card, &AdapterCardModel::busyChanged, card, [card] {
        if (!card->busy())
            card->deleteLater();
    });
}

void AppModel::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    emit loadingChanged();
}

void AppModel::setHasLoadedOnce(bool loaded)
{
    if (m_hasLoadedOnce == loaded)
        return;
    m_hasLoadedOnce = loaded;
    emit hasLoadedOnceChanged();
}

void AppModel::setStatus(const QString &text, MessageKind kind)
{
    m_statusText = text;
    m_statusKind = kind;
    emit statusChanged();
}

void AppModel::report(AdapterCardModel *card, const QString &text, MessageKind kind)
{
    card->setMessage(text);
    card->setMessageKind(kind);
    setStatus(text, kind);
}
