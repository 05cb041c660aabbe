// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkReader.h"

#include "BlockingPool.h"
#include "IPv4.h"
#include "Shell.h"

#include <QCollator>
#include <QLoggingCategory>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>

Q_LOGGING_CATEGORY(lcReader, "brisvale.reader")

using Ref = ConfigurationStore::Ref;

const QStringList NetworkReader::excludedDevicePrefixes = {
    QStringLiteral("utun"), QStringLiteral("ipsec"), QStringLiteral("ppp"), QStringLiteral("gif"),
    QStringLiteral("stf"),  QStringLiteral("awdl"),  QStringLiteral("llw"), QStringLiteral("p2p"),
    QStringLiteral("anpi"), QStringLiteral("ap"),
};

namespace {

bool isString(const QVariant &value)
{
    return value.typeId() == QMetaType::QString;
}

std::optional<QVariantMap> asDictionary(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value.toMap();
}

// The first element of a non-empty list made only of strings; anything else is no value.
// A list whose entries are all text; none for anything else, a lone string included (which
// QVariant would otherwise split into its characters).
std::optional<QStringList> stringList(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList list = value.toList();
    if (!std::all_of(list.cbegin(), list.cend(), isString))
        return std::nullopt;
    return value.toStringList();
}

std::optional<QString> firstOfStringList(const QVariant &value)
{
    const std::optional<QStringList> list = stringList(value);
    if (!list || list->isEmpty())
        return std::nullopt;
    return list->first();
}

QString liveIPv4Key(const QString &id)
{
    return QStringLiteral("State:/Network/Service/") + id + QStringLiteral("/IPv4");
}

QString liveDNSKey(const QString &id)
{
    return QStringLiteral("State:/Network/Service/") + id + QStringLiteral("/DNS");
}

// The texts of the ServerAddresses list of a DNS entity; an entry of another type is skipped,
// so that one damaged entry hides none of the others.
QStringList serverAddresses(const QVariant &entity)
{
    const std::optional<QVariantMap> dictionary = asDictionary(entity);
    const QVariant servers =
        dictionary ? dictionary->value(ConfigurationStore::keyServerAddresses) : QVariant();
    QStringList texts;
    if (servers.typeId() == QMetaType::QStringList)
        return servers.toStringList();
    if (servers.typeId() != QMetaType::QVariantList)
        return texts;
    for (const QVariant &server : servers.toList()) {
        if (isString(server))
            texts.append(server.toString());
    }
    return texts;
}

} // namespace

NetworkReader::NetworkReader(ConfigurationStore &platform, Ref preferences, Ref dynamicStore,
                             SystemTools tools)
    : m_platform(platform)
    , m_preferences(std::move(preferences))
    , m_dynamicStore(std::move(dynamicStore))
    , m_tools(std::move(tools))
{
}

AdapterRead NetworkReader::readOnceWithCause(ConfigurationStore &platform, const SystemTools &tools,
                                             int linkTestConcurrency)
{
    const QString name = QString::fromLatin1(handleName);
    // Both handles live exactly as long as this reader.
    NetworkReader reader(platform, platform.createPreferences(name),
                         platform.createDynamicStore(name), tools);
    reader.setLinkTestConcurrency(linkTestConcurrency);
    return reader.readAll();
}

QFuture<AdapterRead> NetworkReader::readAsync(ConfigurationStoreFactory factory, SystemTools tools)
{
    return QtConcurrent::run(
        BlockingPool::instance(), [factory = std::move(factory), tools = std::move(tools)] {
            const std::unique_ptr<ConfigurationStore> platform = factory();
            if (!platform) {
                qCWarning(lcReader) << "the network configuration could not be opened";
                return AdapterRead{{},
                                   QStringLiteral("Lecture réseau impossible : la configuration "
                                                  "réseau du système n'a pas pu être ouverte.")};
            }
            return readOnceWithCause(*platform, tools);
        });
}

std::optional<int> NetworkReader::servicesNamed(ConfigurationStore &platform, const QString &name)
{
    const std::optional<QList<Ref>> services =
        platform.copyAllServices(platform.createPreferences(QString::fromLatin1(handleName)));
    if (!services)
        return std::nullopt;
    return int(std::count_if(services->cbegin(), services->cend(), [&](const Ref &service) {
        return platform.serviceName(service) == name;
    }));
}

bool NetworkReader::isSupported(const QString &interfaceType, const QString &device)
{
    if (device.isEmpty())
        return false;
    for (const QString &prefix : excludedDevicePrefixes) {
        if (device.startsWith(prefix))
            return false;
    }
    static const QStringList supportedTypes = {
        QString::fromLatin1(ConfigurationStore::interfaceTypeEthernet),
        QString::fromLatin1(ConfigurationStore::interfaceTypeIEEE80211),
        QStringLiteral("Bridge"),
        QStringLiteral("VLAN"),
        QStringLiteral("Bond"),
    };
    return supportedTypes.contains(interfaceType);
}

AdapterRead NetworkReader::readAll() const
{
    if (!m_preferences) {
        qCWarning(lcReader) << "the network preferences could not be opened";
        return {{},
                QStringLiteral("Lecture réseau impossible : les préférences réseau du système "
                               "sont inaccessibles.")};
    }
    const std::optional<QList<Ref>> services = m_platform.copyAllServices(m_preferences);
    if (!services) {
        qCWarning(lcReader) << "the list of network services could not be read";
        return {{},
                QStringLiteral("Lecture réseau impossible : la liste des services réseau n'a "
                               "pas pu être lue.")};
    }

    QList<AdapterInfo> adapters;
    for (const Ref &service : *services) {
        if (std::optional<AdapterInfo> adapter = readService(service))
            adapters.append(std::move(*adapter));
    }
    // Before sorting, so that which record keeps the shared id follows the platform's order.
    makeIDsUnique(adapters);
    testLinks(adapters);

    sortForDisplay(adapters);
    return {adapters, {}};
}

void NetworkReader::testLinks(QList<AdapterInfo> &adapters) const
{
    // A disabled service has no link to test, and costs no process.
    QList<qsizetype> tested;
    for (qsizetype i = 0; i < adapters.size(); ++i) {
        if (adapters[i].enabled)
            tested.append(i);
    }
    // Each worker takes the next untested record until none is left; this thread is one of
    // them, so the read goes on even when the pool has no thread free.
    std::atomic<qsizetype> next{0};
    AdapterInfo *const records = adapters.data();
    auto work = [this, records, &tested, &next] {
        for (qsizetype k = next++; k < tested.size(); k = next++) {
            AdapterInfo &adapter = records[tested[k]];
            adapter.connected = linkIsUp(adapter.device);
        }
    };
    const qsizetype helpers =
        std::min<qsizetype>(m_linkTestConcurrency - 1, std::max<qsizetype>(tested.size() - 1, 0));
    QList<QFuture<void>> running;
    for (qsizetype h = 0; h < helpers; ++h)
        running.append(QtConcurrent::run(BlockingPool::instance(), work));
    work();
    // A helper the pool has not started yet is run here by the wait itself.
    for (QFuture<void> &helper : running)
        helper.waitForFinished();
}

std::optional<AdapterInfo> NetworkReader::readService(const Ref &service) const
{
    const Ref interface = m_platform.serviceInterface(service);
    if (!interface)
        return std::nullopt;
    const QString name = m_platform.serviceName(service).value_or(QString());
    if (name.isEmpty())
        return std::nullopt;
    const QString id = m_platform.serviceID(service).value_or(name);
    const QString device = m_platform.interfaceBSDName(interface).value_or(QString());
    const QString type = m_platform.interfaceType(interface).value_or(QString());
    if (!isSupported(type, device))
        return std::nullopt;

    AdapterInfo adapter;
    adapter.id = id;
    adapter.serviceName = name;
    adapter.device = device;
    adapter.hardwareName = m_platform.interfaceDisplayName(interface).value_or(device);
    if (type == QLatin1String(ConfigurationStore::interfaceTypeIEEE80211))
        adapter.kind = AdapterKind::wifi;
    else if (type == QLatin1String(ConfigurationStore::interfaceTypeEthernet))
        adapter.kind = AdapterKind::ethernet;
    else
        adapter.kind = AdapterKind::other;
    adapter.enabled = m_platform.serviceEnabled(service);

    IPv4Values ipv4 = configuredIPv4(service);
    adapter.dhcp = ipv4.method == QLatin1String(ConfigurationStore::methodDHCP) ||
                   ipv4.method == QLatin1String(ConfigurationStore::methodBOOTP);
    overlayLiveIPv4(id, ipv4);
    if (IPv4::isNoRouter(ipv4.router))
        ipv4.router.clear();
    adapter.ip = ipv4.ip;
    adapter.mask = ipv4.mask;
    adapter.router = ipv4.router;
    if (!adapter.dhcp)
        adapter.otherAddresses = ipv4.others;
    readDNS(service, adapter);

    adapter.connected = false;
    return adapter;
}

NetworkReader::IPv4Values NetworkReader::configuredIPv4(const Ref &service) const
{
    IPv4Values values;
    const Ref protocol = m_platform.copyIPv4Protocol(service);
    if (!protocol)
        return values;
    const std::optional<QVariantMap> configuration =
        asDictionary(m_platform.protocolConfiguration(protocol));
    if (!configuration)
        return values;

    const QVariant method = configuration->value(ConfigurationStore::keyConfigMethod);
    if (isString(method))
        values.method = method.toString();
    values.ip = firstOfStringList(configuration->value(ConfigurationStore::keyAddresses))
                    .value_or(QString());
    values.mask = firstOfStringList(configuration->value(ConfigurationStore::keySubnetMasks))
                      .value_or(QString());
    const QVariant router = configuration->value(ConfigurationStore::keyRouter);
    if (isString(router))
        values.router = router.toString();
    const QStringList addresses =
        stringList(configuration->value(ConfigurationStore::keyAddresses)).value_or(QStringList());
    const QStringList masks = stringList(configuration->value(ConfigurationStore::keySubnetMasks))
                                  .value_or(QStringList());
    for (qsizetype i = 1; i < addresses.size(); ++i)
        values.others.append(IPv4::withPrefix(addresses.at(i), masks.value(i)));
    return values;
}

void NetworkReader::overlayLiveIPv4(const QString &id, IPv4Values &values) const
{
    if (!m_dynamicStore)
        return;
    const std::optional<QVariantMap> live =
        asDictionary(m_platform.copyDynamicValue(m_dynamicStore, liveIPv4Key(id)));
    if (!live)
        return;

    // A live value replaces the configured one only when it says something.
    const QString ip =
        firstOfStringList(live->value(ConfigurationStore::keyAddresses)).value_or(QString());
    if (!ip.isEmpty())
        values.ip = ip;
    const QString mask =
        firstOfStringList(live->value(ConfigurationStore::keySubnetMasks)).value_or(QString());
    if (!mask.isEmpty())
        values.mask = mask;
    const QVariant router = live->value(ConfigurationStore::keyRouter);
    if (isString(router) && !router.toString().isEmpty())
        values.router = router.toString();
}

// The IPv4 servers go to the card in their canonical form; IPv6 ones, which it does not show,
// are kept as written, so that a change of the card's servers sends them back untouched. Any
// other text is dropped: networksetup would refuse the whole change for it.
void NetworkReader::readDNS(const Ref &service, AdapterInfo &adapter) const
{
    const Ref protocol = m_platform.copyDNSProtocol(service);
    for (const QString &server :
         protocol ? serverAddresses(m_platform.protocolConfiguration(protocol)) : QStringList()) {
        if (const std::optional<QString> ipv4 = IPv4::canonical(server))
            adapter.dnsServers.append(*ipv4);
        else if (IPv4::isIPv6(server))
            adapter.dnsKept.append(server);
    }
    if (!m_dynamicStore)
        return;
    const QVariant live = m_platform.copyDynamicValue(m_dynamicStore, liveDNSKey(adapter.id));
    for (const QString &server : serverAddresses(live)) {
        if (const std::optional<QString> ipv4 = IPv4::canonical(server))
            adapter.dnsInEffect.append(*ipv4);
    }
}

bool NetworkReader::linkIsUp(const QString &device) const
{
    // An ifconfig that never ends would hold every later refresh off; after the limit the
    // link counts as down, like any other failed run.
    const CommandResult result = Shell::run(m_tools.ifconfig(), {device}, linkTestTimeLimit);
    if (result.status != 0)
        return false;
    if (result.output.contains(QLatin1String("status: active")))
        return true;
    if (result.output.contains(QLatin1String("status: inactive")))
        return false;
    // No status line at all: ifconfig prints one only for interfaces whose driver reports a
    // media state; a bridge, a VLAN or a bond without one is as up as its members, and calling
    // it down would hide a working service at the bottom of the list.
    return true;
}
