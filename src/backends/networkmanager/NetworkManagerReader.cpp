// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerReader.h"

#include "BlockingPool.h"
#include "DBusValues.h"
#include "IPv4.h"
#include "NetworkManagerBus.h"

#include <QDBusPendingCall>
#include <QHash>
#include <QtConcurrent/QtConcurrentRun>
#include <QtEndian>

#include <algorithm>

using namespace DBusValues;

namespace NetworkManagerReader {

namespace {

const QString &activeInterface = NetworkManagerBus::activeInterface;
const QString &deviceInterface = NetworkManagerBus::deviceInterface;
const QString &ip4Interface = NetworkManagerBus::ip4Interface;

// Device and active-connection states, and the device flag for a link with carrier.
constexpr quint32 deviceActivated = 100;
constexpr quint32 activeConnectionActivated = 2;
constexpr quint32 interfaceFlagCarrier = 0x10000;

struct Kind {
    AdapterKind kind;
    const char *hardwareName;
};

// The profile types that are services, and how a card names their hardware.
std::optional<Kind> kindOfType(const QString &type)
{
    static const QHash<QString, Kind> kinds = {
        {QStringLiteral("802-3-ethernet"), {AdapterKind::ethernet, "Ethernet"}},
        {QStringLiteral("802-11-wireless"), {AdapterKind::wifi, "Wi-Fi"}},
        {QStringLiteral("bridge"), {AdapterKind::other, "Pont"}},
        {QStringLiteral("bond"), {AdapterKind::other, "Agrégat de liens"}},
        {QStringLiteral("vlan"), {AdapterKind::other, "VLAN"}},
    };
    const auto found = kinds.constFind(type);
    return found == kinds.cend() ? std::nullopt : std::optional(*found);
}

QString objectPath(const QVariant &value)
{
    const QString path = text(value).value_or(QString());
    // "/" is how the daemon says "none".
    return path == QLatin1String("/") ? QString() : path;
}

struct Address {
    QString ip;
    quint32 prefix = 0;

    QString mask() const
    {
        return prefix > 32 ? QString() : IPv4::format(IPv4::maskOfPrefix(int(prefix)));
    }
    QString text() const { return ip + u'/' + QString::number(prefix); }
    friend bool operator==(const Address &, const Address &) = default;
};

// An address-data list (aa{sv}: address, prefix), in its order; entries without an address are
// left out.
QList<Address> addressData(const QVariant &value)
{
    QList<Address> addresses;
    for (const QVariant &entry : list(value).value_or(QVariantList())) {
        const QVariantMap fields = map(entry).value_or(QVariantMap());
        Address address;
        address.ip = text(fields.value(QStringLiteral("address"))).value_or(QString());
        address.prefix = unsignedNumber(fields.value(QStringLiteral("prefix"))).value_or(33);
        if (!address.ip.isEmpty())
            addresses.append(address);
    }
    return addresses;
}

QString dottedFromNetworkOrder(quint32 value)
{
    const quint32 host = qFromBigEndian(value);
    return QStringLiteral("%1.%2.%3.%4")
        .arg(host >> 24)
        .arg((host >> 16) & 0xff)
        .arg((host >> 8) & 0xff)
        .arg(host & 0xff);
}

// An array of IPv4 addresses in network byte order (au), dotted, in its order; entries of
// another type are left out.
QStringList dottedList(const QVariant &value)
{
    QStringList dotted;
    for (const QVariant &entry : list(value).value_or(QVariantList())) {
        if (const std::optional<quint32> address = unsignedNumber(entry))
            dotted.append(dottedFromNetworkOrder(*address));
    }
    return dotted;
}

// The DNS servers a live IPv4 configuration uses, in order. NameserverData is the newer form and
// may carry what the older one cannot, so where the daemon has it, it alone counts.
QStringList liveDns(const QVariantMap &ip4)
{
    const auto data = ip4.constFind(QStringLiteral("NameserverData"));
    if (data == ip4.cend())
        return dottedList(ip4.value(QStringLiteral("Nameservers")));
    QStringList servers;
    for (const QVariant &entry : list(*data).value_or(QVariantList())) {
        const QString address =
            text(map(entry).value_or(QVariantMap()).value(QStringLiteral("address")))
                .value_or(QString());
        if (const std::optional<QString> server = IPv4::canonical(address))
            servers.append(*server);
    }
    return servers;
}

// What the profile itself says: its addresses in order, and its gateway.
struct Configured {
    QList<Address> addresses;
    QString gateway;
};

Configured configuredIPv4(const QVariantMap &ipv4)
{
    Configured configured;
    configured.addresses = addressData(ipv4.value(QStringLiteral("address-data")));
    configured.gateway = text(ipv4.value(QStringLiteral("gateway"))).value_or(QString());
    if (!configured.addresses.isEmpty())
        return configured;
    // Older daemons give only the legacy form: aau of (address, prefix, gateway), network order.
    for (const QVariant &entry :
         list(ipv4.value(QStringLiteral("addresses"))).value_or(QVariantList())) {
        const QVariantList fields = list(entry).value_or(QVariantList());
        const std::optional<quint32> ip = unsignedNumber(fields.value(0));
        const std::optional<quint32> prefix = unsignedNumber(fields.value(1));
        if (!ip || !prefix)
            continue;
        configured.addresses.append({dottedFromNetworkOrder(*ip), *prefix});
        const std::optional<quint32> gateway = unsignedNumber(fields.value(2));
        if (configured.gateway.isEmpty() && gateway && *gateway != 0)
            configured.gateway = dottedFromNetworkOrder(*gateway);
    }
    return configured;
}

// What the daemon says about the profiles that are active now, by profile path.
struct Activation {
    quint32 state = 0;
    QString devicePath;
    QString ip4ConfigPath;
};

QHash<QString, Activation> activations(const QVariantMap &objects)
{
    QHash<QString, Activation> byProfile;
    for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
        const QVariantMap interfaces = map(object.value()).value_or(QVariantMap());
        if (!interfaces.contains(activeInterface))
            continue;
        const QVariantMap active = member(interfaces, activeInterface);
        const QString profile = objectPath(active.value(QStringLiteral("Connection")));
        if (profile.isEmpty())
            continue;
        Activation activation;
        activation.state = unsignedNumber(active.value(QStringLiteral("State"))).value_or(0);
        const QVariantList devices =
            list(active.value(QStringLiteral("Devices"))).value_or(QVariantList());
        if (!devices.isEmpty())
            activation.devicePath = objectPath(devices.first());
        activation.ip4ConfigPath = objectPath(active.value(QStringLiteral("Ip4Config")));
        byProfile.insert(profile, activation);
    }
    return byProfile;
}

// Whether the device is activated and its link has carrier. Devices without a carrier notion
// (Wi-Fi before 1.22-era flags) count as having one once activated.
bool deviceIsUp(const QVariantMap &interfaces)
{
    const QVariantMap device = member(interfaces, deviceInterface);
    if (unsignedNumber(device.value(QStringLiteral("State"))).value_or(0) != deviceActivated)
        return false;
    if (const std::optional<quint32> flags =
            unsignedNumber(device.value(QStringLiteral("InterfaceFlags"))))
        return (*flags & interfaceFlagCarrier) != 0;
    for (const QVariant &properties : interfaces) {
        const QVariantMap values = map(properties).value_or(QVariantMap());
        if (const std::optional<bool> carrier = boolean(values.value(QStringLiteral("Carrier"))))
            return *carrier;
    }
    return true;
}

std::optional<AdapterInfo> adapterOf(const Profile &profile, const QVariantMap &objects,
                                     const QHash<QString, Activation> &active)
{
    const QVariantMap connection = member(profile.settings, QStringLiteral("connection"));
    const std::optional<Kind> kind =
        kindOfType(text(connection.value(QStringLiteral("type"))).value_or(QString()));
    if (!kind)
        return std::nullopt;
    // A port of a bridge or bond has no addressing of its own: its controller is the service.
    for (const char *key : {"master", "controller"}) {
        if (!text(connection.value(QLatin1String(key))).value_or(QString()).isEmpty())
            return std::nullopt;
    }
    const QString uuid = text(connection.value(QStringLiteral("uuid"))).value_or(QString());
    if (uuid.isEmpty())
        return std::nullopt;

    AdapterInfo adapter;
    adapter.id = uuid;
    adapter.serviceName = text(connection.value(QStringLiteral("id"))).value_or(QString());
    if (adapter.serviceName.isEmpty())
        adapter.serviceName = uuid;
    adapter.kind = kind->kind;
    adapter.hardwareName = QString::fromUtf8(kind->hardwareName);

    const QVariantMap ipv4 = member(profile.settings, QStringLiteral("ipv4"));
    adapter.dhcp = text(ipv4.value(QStringLiteral("method"))) == QStringLiteral("auto");
    const Configured configured = configuredIPv4(ipv4);

    const auto activation = active.constFind(profile.path);
    const bool isActive = activation != active.cend();
    const QVariantMap device =
        isActive ? map(objects.value(activation->devicePath)).value_or(QVariantMap())
                 : QVariantMap();
    adapter.device = text(member(device, deviceInterface).value(QStringLiteral("Interface")))
                         .value_or(QString());
    if (adapter.device.isEmpty())
        adapter.device =
            text(connection.value(QStringLiteral("interface-name"))).value_or(QString());

    // An absent autoconnect is the daemon's default: on.
    const bool autoconnect =
        boolean(connection.value(QStringLiteral("autoconnect"))).value_or(true);
    adapter.enabled = isActive || autoconnect;
    adapter.connected =
        isActive && activation->state == activeConnectionActivated && deviceIsUp(device);

    QList<Address> live;
    QString liveGateway;
    if (isActive) {
        QString ip4Path = activation->ip4ConfigPath;
        if (ip4Path.isEmpty())
            ip4Path =
                objectPath(member(device, deviceInterface).value(QStringLiteral("Ip4Config")));
        const QVariantMap ip4 =
            member(map(objects.value(ip4Path)).value_or(QVariantMap()), ip4Interface);
        live = addressData(ip4.value(QStringLiteral("AddressData")));
        liveGateway = text(ip4.value(QStringLiteral("Gateway"))).value_or(QString());
        adapter.dnsInEffect = liveDns(ip4);
    }
    // The daemon's plain form, which it keeps beside the newer dns-data; IPv6 servers live in the
    // ipv6 setting, which Brisvale leaves alone, so nothing is kept aside here.
    adapter.dnsServers = dottedList(ipv4.value(QStringLiteral("dns")));

    // The card's address is the profile's first, as the daemon lists the live ones in an order
    // of its own; with DHCP it is the lease, and the profile's addresses stay beside it.
    std::optional<Address> shown;
    QList<Address> others = configured.addresses;
    adapter.router = configured.gateway;
    if (adapter.dhcp) {
        for (const Address &address : std::as_const(live)) {
            if (!configured.addresses.contains(address)) {
                shown = address;
                break;
            }
        }
        if (!liveGateway.isEmpty())
            adapter.router = liveGateway;
    } else if (!others.isEmpty()) {
        shown = others.takeFirst();
        // Active, the device runs the saved address and gateway, or a change waits to be taken.
        adapter.inEffect =
            !isActive || (live.contains(*shown) &&
                          (configured.gateway.isEmpty() || liveGateway == configured.gateway));
    } else if (!live.isEmpty()) {
        shown = live.first();
        if (!liveGateway.isEmpty())
            adapter.router = liveGateway;
    }
    if (shown) {
        adapter.ip = shown->ip;
        adapter.mask = shown->mask();
    }
    for (const Address &address : std::as_const(others))
        adapter.otherAddresses.append(address.text());
    if (IPv4::isNoRouter(adapter.router))
        adapter.router.clear();
    // Where no DHCP server adds its own, the device uses the saved servers exactly, in order, as
    // soon as it has taken the profile: until then a DNS change is saved but not in effect.
    const bool ownServersOnly =
        !adapter.dhcp || boolean(ipv4.value(QStringLiteral("ignore-auto-dns"))).value_or(false);
    if (isActive && ownServersOnly && adapter.dnsInEffect != adapter.dnsServers)
        adapter.inEffect = false;
    return adapter;
}

// --- The conversation with the daemon ---------------------------------------------------------

enum class Stage { beforeAnyAnswer, afterAnAnswer };

// Why a call went unanswered, as the end of a sentence.
QString cause(const QDBusError &error, Stage stage)
{
    switch (NetworkManagerBus::faultOf(error)) {
    case NetworkManagerBus::Fault::absent:
        if (stage == Stage::beforeAnyAnswer)
            return QStringLiteral("le service ne fonctionne pas.");
        [[fallthrough]];
    case NetworkManagerBus::Fault::left:
        return QStringLiteral("le service s'est arrêté pendant la lecture.");
    case NetworkManagerBus::Fault::silent:
        return QStringLiteral("le service n'a pas répondu à temps.");
    case NetworkManagerBus::Fault::unreachable:
        return QStringLiteral("le bus système est injoignable.");
    case NetworkManagerBus::Fault::refused:
        return QStringLiteral("accès refusé.");
    case NetworkManagerBus::Fault::cancelled:
    case NetworkManagerBus::Fault::other:
        break;
    }
    return QStringLiteral("le service a répondu par une erreur (%1).").arg(error.name());
}

QString failureText(const QDBusError &error, Stage stage)
{
    return QStringLiteral("Lecture de NetworkManager impossible : ") + cause(error, stage);
}

QString unexpectedAnswer()
{
    return QStringLiteral("Lecture de NetworkManager impossible : réponse inattendue du service.");
}

AdapterRead readOn(NetworkManagerBus &bus)
{
    QDBusPendingCall objectsCall =
        bus.send(NetworkManagerBus::objectsPath, NetworkManagerBus::objectsInterface,
                 QStringLiteral("GetManagedObjects"));
    QDBusPendingCall listCall =
        bus.send(NetworkManagerBus::settingsPath, NetworkManagerBus::settingsInterface,
                 QStringLiteral("ListConnections"));

    listCall.waitForFinished();
    if (listCall.isError())
        return {{}, failureText(listCall.error(), Stage::beforeAnyAnswer)};
    const std::optional<QVariant> listed =
        NetworkManagerBus::valueOf(listCall.reply(), QLatin1String("ao"));
    // Kept in a local: a range-for over a member of a temporary would outlive the temporary.
    const std::optional<QVariantList> listedPaths =
        listed ? list(*listed) : std::optional<QVariantList>();
    if (!listedPaths)
        return {{}, unexpectedAnswer()};
    QStringList paths;
    for (const QVariant &path : *listedPaths)
        paths.append(text(path).value_or(QString()));

    // Every profile's settings at once, while the managed objects may still be on their way.
    QList<QDBusPendingCall> settingsCalls;
    settingsCalls.reserve(paths.size());
    for (const QString &path : paths)
        settingsCalls.append(
            bus.send(path, NetworkManagerBus::profileInterface, QStringLiteral("GetSettings")));

    objectsCall.waitForFinished();
    if (objectsCall.isError())
        return {{}, failureText(objectsCall.error(), Stage::afterAnAnswer)};
    const std::optional<QVariant> objects =
        NetworkManagerBus::valueOf(objectsCall.reply(), QLatin1String("a{oa{sa{sv}}}"));
    if (!objects || !map(*objects))
        return {{}, unexpectedAnswer()};

    QList<Profile> profiles;
    profiles.reserve(paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QDBusPendingCall &call = settingsCalls[i];
        call.waitForFinished();
        // An error about the profile alone (deleted since it was listed, say) leaves it out.
        if (call.isError()) {
            if (NetworkManagerBus::daemonDidNotAnswer(call.error()))
                return {{}, failureText(call.error(), Stage::afterAnAnswer)};
            continue;
        }
        const std::optional<QVariant> settings =
            NetworkManagerBus::valueOf(call.reply(), QLatin1String("a{sa{sv}}"));
        if (!settings || !map(*settings))
            return {{}, unexpectedAnswer()};
        profiles.append({paths.at(i), map(*settings).value()});
    }
    return {adapters(map(*objects).value(), profiles), {}};
}

} // namespace

QString causeOfNoAnswer(const QDBusError &error)
{
    return cause(error, Stage::beforeAnyAnswer);
}

QList<AdapterInfo> adapters(const QVariantMap &managedObjects, const QList<Profile> &profiles)
{
    const QHash<QString, Activation> active = activations(managedObjects);
    QList<AdapterInfo> result;
    for (const Profile &profile : profiles) {
        if (std::optional<AdapterInfo> adapter = adapterOf(profile, managedObjects, active))
            result.append(std::move(*adapter));
    }
    sortForDisplay(result);
    return result;
}

AdapterRead read(const Bus &bus)
{
    NetworkManagerBus connection(bus.address, bus.timeLimit);
    if (!connection.connected())
        return {{},
                QStringLiteral(
                    "Lecture de NetworkManager impossible : le bus système est injoignable.")};
    return readOn(connection);
}

QFuture<AdapterRead> readAsync(Bus bus)
{
    return QtConcurrent::run(BlockingPool::instance(),
                             [bus = std::move(bus)] { return read(bus); });
}

} // namespace NetworkManagerReader
