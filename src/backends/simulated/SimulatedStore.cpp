// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "SimulatedStore.h"

#include "SimulatedMachine.h"

#include <QJsonValue>
#include <QtDebug>

namespace {

// What every Ref of this store points to. The kind guards against a handle of one sort being
// passed where another is expected, which the platform would also reject.
struct Node {
    enum class Kind { preferences, dynamicStore, service, interface, protocol };

    Kind kind;
    std::shared_ptr<const SimulatedMachine> machine;
    QJsonObject object;
    QJsonValue value;
};

using Ref = ConfigurationStore::Ref;

Ref makeNode(Node::Kind kind, std::shared_ptr<const SimulatedMachine> machine,
             QJsonObject object = {}, QJsonValue value = {})
{
    return std::make_shared<const Node>(
        Node{kind, std::move(machine), std::move(object), std::move(value)});
}

const Node *nodeOf(const Ref &ref, Node::Kind kind)
{
    const auto *node = static_cast<const Node *>(ref.get());
    if (!node || node->kind != kind)
        return nullptr;
    return node;
}

// A property-list string, or none when the key is missing or holds another type.
std::optional<QString> stringValue(const Ref &ref, Node::Kind kind, QLatin1String key)
{
    const Node *node = nodeOf(ref, kind);
    if (!node)
        return std::nullopt;
    const QJsonValue value = node->object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

// The service's entry of that name as a protocol, whatever its type: the reader judges it.
Ref protocolNode(const Ref &service, QLatin1String key)
{
    const Node *node = nodeOf(service, Node::Kind::service);
    if (!node || !node->object.contains(key))
        return {};
    return makeNode(Node::Kind::protocol, node->machine, {}, node->object.value(key));
}

} // namespace

SimulatedStore::SimulatedStore(QString path, Clock clock)
    : m_path(std::move(path))
    , m_clock(std::move(clock))
{
}

ConfigurationStoreFactory SimulatedStore::factory(QString path)
{
    return [path = std::move(path)]() -> std::unique_ptr<ConfigurationStore> {
        return std::make_unique<SimulatedStore>(path);
    };
}

std::shared_ptr<const SimulatedMachine> SimulatedStore::machineFor(bool preferences)
{
    bool &taken = preferences ? m_preferencesTaken : m_dynamicStoreTaken;
    if (!m_parsed || taken) {
        m_parsed = true;
        m_preferencesTaken = false;
        m_dynamicStoreTaken = false;
        QString problem;
        std::optional<SimulatedMachine> machine = SimulatedMachine::load(m_path, &problem);
        if (machine) {
            m_machine = std::make_shared<const SimulatedMachine>(std::move(*machine));
            m_problem.clear();
        } else {
            m_machine.reset();
            m_problem = problem;
            qWarning().noquote() << problem;
        }
    }
    taken = true;
    return m_machine;
}

Ref SimulatedStore::createPreferences(const QString &)
{
    std::shared_ptr<const SimulatedMachine> machine = machineFor(true);
    if (!machine)
        return {};
    return makeNode(Node::Kind::preferences, std::move(machine));
}

Ref SimulatedStore::createDynamicStore(const QString &)
{
    std::shared_ptr<const SimulatedMachine> machine = machineFor(false);
    if (!machine)
        return {};
    return makeNode(Node::Kind::dynamicStore, std::move(machine));
}

std::optional<QList<Ref>> SimulatedStore::copyAllServices(const Ref &preferences)
{
    const Node *node = nodeOf(preferences, Node::Kind::preferences);
    if (!node)
        return std::nullopt;
    QList<Ref> services;
    for (const QJsonValue service : node->machine->services())
        services.append(makeNode(Node::Kind::service, node->machine, service.toObject()));
    return services;
}

Ref SimulatedStore::serviceInterface(const Ref &service)
{
    const Node *node = nodeOf(service, Node::Kind::service);
    if (!node)
        return {};
    const QJsonValue interface = node->object.value(QLatin1String("Interface"));
    if (!interface.isObject())
        return {};
    return makeNode(Node::Kind::interface, node->machine, interface.toObject());
}

std::optional<QString> SimulatedStore::serviceName(const Ref &service)
{
    return stringValue(service, Node::Kind::service, QLatin1String("UserDefinedName"));
}

std::optional<QString> SimulatedStore::serviceID(const Ref &service)
{
    return stringValue(service, Node::Kind::service, QLatin1String("ServiceID"));
}

bool SimulatedStore::serviceEnabled(const Ref &service)
{
    const Node *node = nodeOf(service, Node::Kind::service);
    if (!node)
        return true;
    const QJsonValue enabled = node->object.value(QLatin1String("Enabled"));
    return enabled.isBool() ? enabled.toBool() : true;
}

Ref SimulatedStore::copyIPv4Protocol(const Ref &service)
{
    return protocolNode(service, QLatin1String("IPv4"));
}

Ref SimulatedStore::copyDNSProtocol(const Ref &service)
{
    return protocolNode(service, QLatin1String("DNS"));
}

QVariant SimulatedStore::protocolConfiguration(const Ref &protocol)
{
    const Node *node = nodeOf(protocol, Node::Kind::protocol);
    if (!node)
        return {};
    // Whatever the file holds goes through as it is; judging it is the reader's business.
    return node->value.toVariant();
}

std::optional<QString> SimulatedStore::interfaceBSDName(const Ref &interface)
{
    return stringValue(interface, Node::Kind::interface, QLatin1String("DeviceName"));
}

std::optional<QString> SimulatedStore::interfaceType(const Ref &interface)
{
    return stringValue(interface, Node::Kind::interface, QLatin1String("Type"));
}

std::optional<QString> SimulatedStore::interfaceDisplayName(const Ref &interface)
{
    return stringValue(interface, Node::Kind::interface, QLatin1String("UserDefinedName"));
}

QVariant SimulatedStore::copyDynamicValue(const Ref &dynamicStore, const QString &key)
{
    const Node *node = nodeOf(dynamicStore, Node::Kind::dynamicStore);
    if (!node)
        return {};
    static const QLatin1String prefix("State:/Network/Service/");
    if (!key.startsWith(prefix))
        return {};
    const qsizetype slash = key.lastIndexOf(u'/');
    const QString id = key.mid(prefix.size(), slash - prefix.size());
    const QStringView entity = QStringView(key).mid(slash + 1);
    if (slash < prefix.size() || id.isEmpty())
        return {};
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
    std::optional<QJsonObject> live;
    if (entity == QLatin1String("IPv4"))
        live = node->machine->liveIPv4(id, now);
    else if (entity == QLatin1String("DNS"))
        live = node->machine->liveDNS(id, now);
    return live ? live->toVariantMap() : QVariant();
}
