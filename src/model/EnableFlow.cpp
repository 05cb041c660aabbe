#include "model/AppModel.h"
#include "system/NetworkWriter.h"

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

    card->setBusy(true);
    setStatus(
        (enabled ? QStringLiteral("Activation de « ") : QStringLiteral("Désactivation de « ")) +
            service + QStringLiteral(" »…"),
        MessageKind::info);

    QPointer<AppModel> self(this);
    // Built before awaiting: g++ 12 frees an aggregate temporary inside co_await twice.
    const ServiceTarget target{id, service};
    const CommandResult result = co_await m_services.setServiceEnabled(target, enabled);
    if (!self)
        co_return;
    if (result.status != 0) {
        card->setBusy(false);
        report(card, NetworkWriter::friendlyMessage(result), MessageKind::error);
        co_return;
    }

    QList<AdapterInfo> lastList;
    std::optional<AdapterInfo> lastSeen;
    co_await m_services.wait(waitBetweenReads);
    for (int attempt = 0; self && attempt < maximumReReads;) {
        const AdapterRead read = co_await m_services.readAdapters();
        const QList<AdapterInfo> &list = read.adapters;
        if (!self)
            co_return;
        if (!list.isEmpty())
            lastList = list;
        if (const std::optional<AdapterInfo> seen = findRecord(list, id)) {
            lastSeen = seen;
            if (seen->enabled == enabled)
                break;
        }
        co_await m_services.wait(waitBetweenReads);
        ++attempt;
    }
    if (!self)
        co_return;
    card->setBusy(false);

    if (lastList.isEmpty() || !lastSeen) {
        report(card,
               QStringLiteral(
                   "L'état de la carte n'a pas pu être relu. Utilisez Actualiser pour vérifier."),
               MessageKind::warning);
        co_return;
    }

    if (!findRecord(lastList, id))
        lastList.append(*lastSeen);
    merge(lastList, {}, true);

    if (lastSeen->enabled != enabled) {
        report(card,
               m_services.systemName + QStringLiteral(" n'a pas confirmé le changement d'état."),
               MessageKind::warning);
        co_return;
    }
    card->setMessage(enabled ? QStringLiteral("Carte activée.")
                             : QStringLiteral("Carte désactivée."));
    card->setMessageKind(MessageKind::success);
    setStatus(
        QStringLiteral("« ") + lastSeen->serviceName +
            (enabled ? QStringLiteral(" » est activée.") : QStringLiteral(" » est désactivée.")),
        MessageKind::success);
}
