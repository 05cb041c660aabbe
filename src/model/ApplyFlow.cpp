#include "model/AppModel.h"
#include "system/NetworkWriter.h"

#include <QCoroFuture>
#include <QPointer>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds waitBeforeReRead = 300ms;
constexpr int maximumReReads = 4;

// What the user asked for, taken when the command is about to be sent.
struct Request {
    QString service;
    QString id;
    ConfigMode mode;
    QString ip;
    QString mask;
    QString router;
};

// Texts compared exactly: a request typed with leading zeros is confirmed only if the system
// reports those very characters.
bool matches(const AdapterInfo &info, const Request &request)
{
    if (request.mode == ConfigMode::dhcp)
        return info.dhcp;
    return !info.dhcp && info.ip == request.ip && info.mask == request.mask &&
           (request.router.isEmpty() || info.router == request.router);
}

} // namespace

QCoro::Task<bool> AppModel::apply(AdapterCardModel *card)
{
    if (!card || card->busy())
        co_return false;
    if (!card->info().enabled) {
        report(
            card,
            QStringLiteral("La carte est désactivée ; activez-la avant de changer son adressage."),
            MessageKind::warning);
        co_return false;
    }
    card->setShowErrors(true);
    for (const std::optional<QString> &error :
         {card->ipError(), card->maskError(), card->routerError()}) {
        if (error) {
            // The card shows the error itself, through its display message.
            setStatus(*error, MessageKind::error);
            co_return false;
        }
    }

    const Request request{card->info().serviceName,
                          card->id(),
                          card->mode(),
                          card->ip().trimmed(),
                          card->mask().trimmed(),
                          card->router().trimmed()};
    card->setBusy(true);
    card->setMessage(QString());
    card->setMessageKind(MessageKind::info);
    setStatus(QStringLiteral("Application de la configuration sur « ") + request.service +
                  QStringLiteral(" »…"),
              MessageKind::info);

    // The card stays alive while busy even if a merge drops it; the model might not.
    QPointer<AppModel> self(this);
    // Chosen before awaiting: g++ 12 evaluates both arms of a conditional inside co_await.
    QFuture<CommandResult> sending;
    if (request.mode == ConfigMode::dhcp)
        sending = m_services.setDHCP(ServiceTarget{request.id, request.service});
    else
        sending = m_services.setManual(ServiceTarget{request.id, request.service}, request.ip,
                                       request.mask, request.router);
    const CommandResult result = co_await sending;
    if (!self)
        co_return false;
    if (result.status != 0) {
        card->setBusy(false);
        report(card, NetworkWriter::friendlyMessage(result), MessageKind::error);
        co_return false;
    }

    QList<AdapterInfo> lastList;
    std::optional<AdapterInfo> lastSeen;
    bool confirmed = false;
    for (int attempt = 0; attempt < maximumReReads && !confirmed; ++attempt) {
        co_await m_services.wait(waitBeforeReRead);
        if (!self)
            co_return false;
        const AdapterRead read = co_await m_services.readAdapters();
        const QList<AdapterInfo> &list = read.adapters;
        if (!self)
            co_return false;
        if (!list.isEmpty())
            lastList = list;
        if (const std::optional<AdapterInfo> seen = findRecord(list, request.id)) {
            lastSeen = seen;
            confirmed = matches(*seen, request);
        }
    }
    card->setBusy(false);

    if (lastList.isEmpty()) {
        report(card,
               QStringLiteral("Configuration envoyée, mais la relecture des cartes réseau a "
                              "échoué. Utilisez Actualiser pour vérifier."),
               MessageKind::warning);
        co_return false;
    }
    if (!lastSeen) {
        report(card,
               QStringLiteral("Configuration envoyée, mais la carte n'a pas été retrouvée. "
                              "Utilisez Actualiser pour vérifier."),
               MessageKind::warning);
        co_return false;
    }

    // A service seen earlier but gone from the last read keeps its card.
    if (!findRecord(lastList, request.id))
        lastList.append(*lastSeen);
    merge(lastList, confirmed ? QSet<QString>{request.id} : QSet<QString>{}, true);

    if (confirmed) {
        card->setMessage(QStringLiteral("Configuration appliquée et vérifiée."));
        card->setMessageKind(MessageKind::success);
        setStatus(QStringLiteral("Configuration appliquée sur « ") + lastSeen->serviceName +
                      QStringLiteral(" »."),
                  MessageKind::success);
        co_return true;
    }
    card->setMessage(QStringLiteral("Configuration envoyée, mais ") + m_services.systemName +
                     QStringLiteral(" affiche encore : ") + lastSeen->summaryText() + u'.');
    card->setMessageKind(MessageKind::warning);
    setStatus(QStringLiteral("Configuration envoyée ; vérification incomplète."),
              MessageKind::warning);
    co_return false;
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
        if (!co_await apply(card))
            co_return false;
    }
    co_return true;
}
