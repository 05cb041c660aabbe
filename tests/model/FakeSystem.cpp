#include "model/FakeSystem.h"

#include <QFuture>

namespace {

QCoro::Task<> finished()
{
    co_return;
}

} // namespace

FakeSystem::FakeSystem()
    : m_state(std::make_shared<State>())
{
}

SystemServices FakeSystem::services() const
{
    SystemServices services;
    services.readAdapters = [state = m_state] {
        ++state->readsStarted;
        if (state->immediateAnswer)
            return QtFuture::makeReadyFuture(*state->immediateAnswer);
        QPromise<QList<AdapterInfo>> &promise = state->pendingReads.emplace_back();
        promise.start();
        return promise.future();
    };
    services.wait = [state = m_state](std::chrono::milliseconds delay) {
        state->waits.append(delay);
        return finished();
    };
    return services;
}

void FakeSystem::answerRead(const QList<AdapterInfo> &adapters)
{
    Q_ASSERT(!m_state->pendingReads.empty());
    QPromise<QList<AdapterInfo>> promise = std::move(m_state->pendingReads.front());
    m_state->pendingReads.pop_front();
    promise.addResult(adapters);
    promise.finish();
}

void FakeSystem::answerReadsAtOnce(const QList<AdapterInfo> &adapters)
{
    m_state->immediateAnswer = adapters;
}

AdapterInfo adapter(const QString &id, const QString &name, const QString &ip)
{
    AdapterInfo info;
    info.id = id;
    info.serviceName = name.isEmpty() ? id : name;
    info.device = QStringLiteral("en0");
    info.hardwareName = QStringLiteral("Ethernet");
    info.kind = AdapterKind::ethernet;
    info.enabled = true;
    info.connected = true;
    info.ip = ip.isEmpty() ? QStringLiteral("192.168.1.20") : ip;
    info.mask = QStringLiteral("255.255.255.0");
    info.router = QStringLiteral("192.168.1.1");
    return info;
}
