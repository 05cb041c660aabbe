// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PingTab.h"

#include "AppModel.h"
#include "IPv4.h"
#include "Settled.h"

#include <QCoroFuture>
#include <QDateTime>

#include <algorithm>

namespace {

const QString noTestYet = QStringLiteral("Aucun test lancé pour le moment.");
const QString noSelectableCard = QStringLiteral("Aucune carte avec adresse IPv4");

} // namespace

PingTab::PingTab(QObject *parent)
    : QObject(parent)
    , m_entries(new PingLogModel(this))
    , m_stateText(noTestYet)
{
}

void PingTab::setAppModel(AppModel *model)
{
    if (m_appModel == model)
        return;
    if (m_appModel)
        disconnect(m_appModel, nullptr, this, nullptr);
    m_appModel = model;
    if (m_appModel)
        connect(m_appModel, &AppModel::cardsChanged, this, &PingTab::syncSelection);
    emit appModelChanged();
    syncSelection();
}

QList<AdapterCardModel *> PingTab::selectableAdapters() const
{
    QList<AdapterCardModel *> selectable;
    if (!m_appModel)
        return selectable;
    for (AdapterCardModel *card : m_appModel->cards()) {
        if (card->info().enabled && !card->info().ip.isEmpty())
            selectable.append(card);
    }
    return selectable;
}

AdapterCardModel *PingTab::selectedAdapter() const
{
    const QList<AdapterCardModel *> selectable = selectableAdapters();
    for (AdapterCardModel *card : selectable) {
        if (card->id() == m_selectedID)
            return card;
    }
    return selectable.isEmpty() ? nullptr : selectable.first();
}

QString PingTab::label(const AdapterCardModel *card)
{
    const AdapterInfo info = card->info();
    return info.isolatedName() + QStringLiteral(" — ") + info.ip + QStringLiteral(" (") +
           (info.dhcp ? QStringLiteral("DHCP") : QStringLiteral("fixe")) + u')';
}

QString PingTab::selectedLabel() const
{
    const AdapterCardModel *card = selectedAdapter();
    return card ? label(card) : noSelectableCard;
}

QVariantList PingTab::choices() const
{
    QVariantList choices;
    for (const AdapterCardModel *card : selectableAdapters())
        choices.append(QVariantMap{{QStringLiteral("id"), card->id()},
                                   {QStringLiteral("label"), label(card)}});
    if (choices.isEmpty())
        choices.append(QVariantMap{{QStringLiteral("id"), QString()},
                                   {QStringLiteral("label"), noSelectableCard}});
    return choices;
}

QStringList PingTab::choiceLabels() const
{
    const QList<AdapterCardModel *> selectable = selectableAdapters();
    if (selectable.isEmpty())
        return {noSelectableCard};
    QStringList labels;
    labels.reserve(selectable.size());
    for (const AdapterCardModel *card : selectable)
        labels.append(label(card));
    return labels;
}

void PingTab::syncSelection()
{
    const QList<AdapterCardModel *> selectable = selectableAdapters();
    const bool kept =
        std::any_of(selectable.cbegin(), selectable.cend(),
                    [this](const AdapterCardModel *card) { return card->id() == m_selectedID; });
    if (!kept)
        m_selectedID = selectable.isEmpty() ? QString() : selectable.first()->id();
    // Labels follow the records even when the choice stays.
    emit selectionChanged();
    if (m_target.isEmpty())
        prefillTarget();
}

void PingTab::prefillTarget()
{
    const AdapterCardModel *card = selectedAdapter();
    if (!card)
        return;
    const QString candidate = card->info().router.isEmpty() ? card->info().ip : card->info().router;
    if (!candidate.isEmpty())
        setTarget(candidate);
}

void PingTab::choose(const QString &id)
{
    m_selectedID = id;
    emit selectionChanged();
    if (m_target.isEmpty())
        prefillTarget();
}

void PingTab::setTarget(const QString &target)
{
    if (m_target == target)
        return;
    m_target = target;
    emit targetChanged();
    setTargetInvalid(false);
    if (m_stateKind == MessageKind::error)
        setState(noTestYet, MessageKind::info);
}

void PingTab::start()
{
    if (m_running)
        return;
    AdapterCardModel *card = selectedAdapter();
    if (!card) {
        setState(QStringLiteral("Aucune carte réseau avec une adresse IPv4 n'est disponible."),
                 MessageKind::error);
        return;
    }
    // The field keeps what was typed; the ping and the log use the trimmed address.
    const QString address = m_target.trimmed();
    if (!IPv4::parseHost(address)) {
        setTargetInvalid(true);
        setState(QStringLiteral("Adresse invalide : utilisez le format 192.168.1.1"),
                 MessageKind::error);
        return;
    }
    setTargetInvalid(false);
    setRunning(true);
    setState(
        QStringLiteral("Ping en cours vers %1 via %2…").arg(address, card->info().isolatedName()),
        MessageKind::info);
    ping(card, address);
}

QCoro::Task<> PingTab::ping(QPointer<AdapterCardModel> card, QString address)
{
    QPointer<PingTab> self(this);
    const QString device = card->info().device;
    QCoro::Task<std::optional<PingOutcome>> pinging =
        settled(m_appModel->services().ping(address, device, requestCount));
    const std::optional<PingOutcome> answer = co_await pinging;
    const PingOutcome outcome = answer.value_or(
        PingOutcome{.success = false, .detail = QStringLiteral("aucune réponse"), .raw = {}});
    if (!self)
        co_return;
    setRunning(false);

    const QString time = logTime(QDateTime::currentDateTime());
    // A refresh during the ping shows up here: the record is read again.
    QString via;
    if (card && !card->info().ip.isEmpty())
        via = QStringLiteral(" via %1 (%2)").arg(card->info().isolatedName(), card->info().ip);
    const QString line = time + QStringLiteral("   →   ") + address + via +
                         QStringLiteral("   ·   ") + outcome.detail;
    m_entries->append(
        {QUuid::createUuid(), line, outcome.success ? MessageKind::success : MessageKind::error});

    if (outcome.success)
        setState(QStringLiteral("Réponse de %1 : %2.").arg(address, outcome.detail.toLower()),
                 MessageKind::success);
    else
        setState(QStringLiteral("Aucune réponse de %1 : %2.").arg(address, outcome.detail),
                 MessageKind::error);
}

void PingTab::clear()
{
    m_entries->clear();
    setState(QStringLiteral("Journal effacé."), MessageKind::info);
}

QString PingTab::logTime(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

void PingTab::setState(const QString &text, MessageKind kind)
{
    m_stateText = text;
    m_stateKind = kind;
    emit stateChanged();
}

void PingTab::setTargetInvalid(bool invalid)
{
    if (m_targetInvalid == invalid)
        return;
    m_targetInvalid = invalid;
    emit targetInvalidChanged();
}

void PingTab::setRunning(bool running)
{
    if (m_running == running)
        return;
    m_running = running;
    emit runningChanged();
}
