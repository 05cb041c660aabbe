// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerWriter.h"

#include "BlockingPool.h"
#include "IPv4.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <bit>
#include <functional>
#include <mutex>

namespace {

using Settings = NetworkManagerWriter::Settings;
using PathList = QList<QDBusObjectPath>;

const QString service = QStringLiteral("org.freedesktop.NetworkManager");
const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString managerInterface = service;
const QString settingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString settingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString connectionInterface =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString activeInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString deviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// Update2's flag that writes the profile to disk, so the change survives a restart.
constexpr uint toDisk = 0x1;

// How long a call may take. Only a call that may wait for the administrator's password gives
// the person time to type it; polkit ends it at once when the prompt is dismissed. Any other
// call has the read's limit, so a daemon that hangs holds a change for seconds, not minutes.
enum class Wait { forDaemon, forPerson };
constexpr int daemonLimitMs = 5 * 1000;
constexpr int personLimitMs = 10 * 60 * 1000;

void registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<Settings>();
        qDBusRegisterMetaType<QList<QVariantMap>>();
        qDBusRegisterMetaType<PathList>();
    });
}

CommandResult failed(const QString &text, ChangeCause cause)
{
    return {.status = 1, .output = {}, .error = text, .timedOut = false, .cause = cause};
}

QString quoted(const QString &name)
{
    return QStringLiteral("« ") + name + QStringLiteral(" »");
}

// The cause of a failed call, from the error's name alone: its message may quote the profile's
// name, which may be anything ("Réseau cancel", "not authorized").
ChangeCause causeOf(const QDBusError &error)
{
    const QString name = error.name();
    if (name == QLatin1String("org.freedesktop.PolicyKit1.Error.Cancelled") ||
        name == QLatin1String("org.freedesktop.NetworkManager.AgentManager.UserCanceled"))
        return ChangeCause::cancelled;
    if ((name.startsWith(QLatin1String("org.freedesktop.NetworkManager.")) &&
         name.endsWith(QLatin1String(".PermissionDenied"))) ||
        name == QLatin1String("org.freedesktop.PolicyKit1.Error.NotAuthorized") ||
        name == QLatin1String("org.freedesktop.DBus.Error.AccessDenied") ||
        name == QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"))
        return ChangeCause::refused;
    if (name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return ChangeCause::serviceGone;
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
        return ChangeCause::serviceGone;
    // Also what the bus answers at once when the daemon leaves without answering.
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return ChangeCause::timedOut;
    default:
        return ChangeCause::failed;
    }
}

bool isRefusal(const QDBusError &error)
{
    const ChangeCause cause = causeOf(error);
    return cause == ChangeCause::refused || cause == ChangeCause::cancelled;
}

// Whether the daemon itself is missing, rather than a device or the settings refusing.
bool daemonDidNotAnswer(const QDBusError &error)
{
    const ChangeCause cause = causeOf(error);
    return cause == ChangeCause::serviceGone || cause == ChangeCause::timedOut;
}

// One private connection to the system bus for one change, made and dropped on the pool thread
// that runs it, so no blocking call ever waits on another thread's connection.
class Bus {
public:
    explicit Bus(const QString &address)
        : m_name(QStringLiteral("brisvale-change-%1").arg(counter++))
        , m_connection(address.isEmpty()
                           ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_name)
                           : QDBusConnection::connectToBus(address, m_name))
    {
    }
    ~Bus() { QDBusConnection::disconnectFromBus(m_name); }
    Bus(const Bus &) = delete;
    Bus &operator=(const Bus &) = delete;

    bool connected() const { return m_connection.isConnected(); }
    QDBusError lastError() const { return m_connection.lastError(); }

    // The reply's arguments, or the error that came back instead.
    std::optional<QDBusError> call(const QString &path, const QString &interface,
                                   const QString &method, const QVariantList &arguments,
                                   QVariantList *results = nullptr, Wait wait = Wait::forDaemon)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        message.setAutoStartService(false);
        message.setInteractiveAuthorizationAllowed(wait == Wait::forPerson);
        const QDBusMessage reply = m_connection.call(
            message, QDBus::Block, wait == Wait::forPerson ? personLimitMs : daemonLimitMs);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return QDBusError(reply);
        if (results)
            *results = reply.arguments();
        return std::nullopt;
    }

    std::optional<QDBusError> property(const QString &path, const QString &interface,
                                       const QString &name, QVariant *value)
    {
        QVariantList results;
        if (auto error =
                call(path, propertiesInterface, QStringLiteral("Get"), {interface, name}, &results))
            return error;
        *value = results.value(0).value<QDBusVariant>().variant();
        return std::nullopt;
    }

private:
    static inline std::atomic<int> counter{0};
    QString m_name;
    QDBusConnection m_connection;
};

// The profile as it stands, and where it lives on the bus.
struct Profile {
    QDBusObjectPath path;
    Settings settings;
    // The daemon's version of the profile, where it keeps one (1.44 and later).
    std::optional<qulonglong> version;
};

// Where a profile is active: the active connection and its devices.
struct Activation {
    QDBusObjectPath active;
    PathList devices;
};

class Change {
public:
    Change(QString uuid, QString name, const QString &busAddress)
        : m_bus(busAddress)
        , m_uuid(std::move(uuid))
        , m_name(std::move(name))
    {
        registerTypes();
    }

    // Finds the profile and reads its settings as they are now; a failed result when the bus or
    // the profile is not there. Nothing has been sent yet, so nothing has changed.
    std::optional<CommandResult> load()
    {
        if (!m_bus.connected())
            return failed(QStringLiteral("NetworkManager ne répond pas sur le bus système : ") +
                              m_bus.lastError().message(),
                          ChangeCause::serviceGone);
        QVariantList results;
        if (auto error = m_bus.call(settingsPath, settingsInterface,
                                    QStringLiteral("GetConnectionByUuid"), {m_uuid}, &results)) {
            if (error->name().endsWith(QStringLiteral(".InvalidConnection")))
                return failed(QStringLiteral("Le profil ") + quoted(m_name) +
                                  QStringLiteral(" n'existe plus ; rien n'a été modifié."),
                              ChangeCause::failed);
            return failure(*error, QStringLiteral("de trouver ") + quoted(m_name), false);
        }
        m_profile.path = results.value(0).value<QDBusObjectPath>();
        // The version first: a change slipped in before the settings are read makes it stale,
        // and the daemon then refuses the update rather than lose that change.
        QVariant version;
        m_profile.version.reset();
        if (!m_bus.property(m_profile.path.path(), connectionInterface, QStringLiteral("VersionId"),
                            &version) &&
            version.canConvert<qulonglong>())
            m_profile.version = version.toULongLong();
        if (auto error = m_bus.call(m_profile.path.path(), connectionInterface,
                                    QStringLiteral("GetSettings"), {}, &results))
            return failure(*error, QStringLiteral("de lire ") + quoted(m_name), false);
        m_profile.settings = qdbus_cast<Settings>(results.value(0));
        return std::nullopt;
    }

    const Settings &original() const { return m_profile.settings; }

    // `stale` is set when the daemon refused the save because the profile changed since it
    // was read.
    std::optional<CommandResult> save(const Settings &settings, bool *stale = nullptr)
    {
        QVariantMap arguments;
        if (m_profile.version)
            arguments.insert(QStringLiteral("version-id"), QVariant::fromValue(*m_profile.version));
        if (auto error =
                m_bus.call(m_profile.path.path(), connectionInterface, QStringLiteral("Update2"),
                           {QVariant::fromValue(settings), QVariant::fromValue(toDisk),
                            QVariant::fromValue(arguments)},
                           nullptr, Wait::forPerson)) {
            if (stale)
                *stale = error->name().endsWith(QLatin1String(".VersionIdMismatch"));
            // Refused, the daemon saved nothing; gone or silent, it may have saved it.
            return failure(*error, QStringLiteral("d'enregistrer ") + quoted(m_name),
                           daemonDidNotAnswer(*error));
        }
        return std::nullopt;
    }

    // Saves the profile as `changed` makes it out of its settings as they are now. Another
    // client's change that lands between the read and the save is kept: where the daemon keeps
    // versions, the save is refused and made once more on top of it.
    std::optional<CommandResult> saveChanged(const std::function<Settings(Settings)> &changed)
    {
        for (int attempt = 0;; ++attempt) {
            bool stale = false;
            std::optional<CommandResult> failure = save(changed(original()), &stale);
            if (!failure || !stale || attempt > 0)
                return failure;
            if (auto reloadFailure = load())
                return reloadFailure;
        }
    }

    // Puts the profile back as it was after a later step failed; the failure stays the story,
    // told with whether the profile could be put back.
    CommandResult restore(CommandResult failure)
    {
        if (auto error = save(original())) {
            failure.error += QStringLiteral(" Le profil n'a pas pu être remis dans son état "
                                            "précédent : ") +
                             error->error;
            failure.maybeApplied = true;
        } else {
            failure.error += QStringLiteral(" Le profil a été remis dans son état précédent.");
        }
        return failure;
    }

    QList<Activation> activations()
    {
        QList<Activation> found;
        QVariant value;
        if (m_bus.property(managerPath, managerInterface, QStringLiteral("ActiveConnections"),
                           &value))
            return found;
        for (const QDBusObjectPath &active : qdbus_cast<PathList>(value)) {
            QVariant connection;
            if (m_bus.property(active.path(), activeInterface, QStringLiteral("Connection"),
                               &connection) ||
                qdbus_cast<QDBusObjectPath>(connection) != m_profile.path)
                continue;
            QVariant devices;
            m_bus.property(active.path(), activeInterface, QStringLiteral("Devices"), &devices);
            found.append({active, qdbus_cast<PathList>(devices)});
        }
        return found;
    }

    // The saved profile on a device it is active on: reapplied in place, or activated again
    // where the device cannot take the change in place or is not asked to. The profile is saved by
    // then, so a daemon that does not answer leaves the outcome unknown.
    std::optional<CommandResult> applyOn(const QDBusObjectPath &device, bool inPlace)
    {
        if (inPlace) {
            const auto reapplied =
                m_bus.call(device.path(), deviceInterface, QStringLiteral("Reapply"),
                           {QVariant::fromValue(Settings()), QVariant::fromValue(qulonglong(0)),
                            QVariant::fromValue(uint(0))},
                           nullptr, Wait::forPerson);
            if (!reapplied)
                return std::nullopt;
            if (isRefusal(*reapplied) || daemonDidNotAnswer(*reapplied))
                return failure(*reapplied, QStringLiteral("d'appliquer ") + quoted(m_name), true);
        }
        const auto activated = activate(device);
        if (!activated)
            return std::nullopt;
        if (isRefusal(*activated) || daemonDidNotAnswer(*activated))
            return failure(*activated, QStringLiteral("d'appliquer ") + quoted(m_name), true);
        return failed(QStringLiteral("L'interface ") + interfaceName(device) +
                          QStringLiteral(" a refusé la configuration de ") + quoted(m_name) +
                          QStringLiteral(" : ") + activated->message() + u'.',
                      ChangeCause::failed);
    }

    std::optional<QDBusError> activate(const QDBusObjectPath &device)
    {
        return m_bus.call(managerPath, managerInterface, QStringLiteral("ActivateConnection"),
                          {QVariant::fromValue(m_profile.path), QVariant::fromValue(device),
                           QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))},
                          nullptr, Wait::forPerson);
    }

    std::optional<QDBusError> deactivate(const QDBusObjectPath &active)
    {
        return m_bus.call(managerPath, managerInterface, QStringLiteral("DeactivateConnection"),
                          {QVariant::fromValue(active)}, nullptr, Wait::forPerson);
    }

    QString interfaceName(const QDBusObjectPath &device)
    {
        QVariant name;
        if (m_bus.property(device.path(), deviceInterface, QStringLiteral("Interface"), &name))
            return device.path();
        return name.toString();
    }

    // A failed call as a failed result; `sent` when the daemon may have acted on the request.
    static CommandResult failure(const QDBusError &error, const QString &context, bool sent)
    {
        CommandResult result = NetworkManagerWriter::failure(error, context);
        result.maybeApplied = sent && daemonDidNotAnswer(error);
        return result;
    }

private:
    Bus m_bus;
    QString m_uuid;
    QString m_name;
    Profile m_profile;
};

// Saves the changed profile, then applies it wherever it is active. Any step that fails after
// the save puts the saved profile back, unless the daemon is gone.
CommandResult changeAddressing(const QString &uuid, const QString &name, const QString &busAddress,
                               const std::function<Settings(Settings)> &changed)
{
    Change change(uuid, name, busAddress);
    if (auto failure = change.load())
        return *failure;
    if (auto failure = change.saveChanged(changed))
        return *failure;
    // A device waiting for a lease accepts a fixed address in place and then never takes it
    // (NetworkManager 1.42): leaving DHCP activates the profile again.
    const auto methodOf = [](const Settings &profile) {
        return profile.value(QStringLiteral("ipv4")).value(QStringLiteral("method")).toString();
    };
    const bool inPlace = methodOf(change.original()) != QLatin1String("auto") ||
                         methodOf(changed(change.original())) == QLatin1String("auto");
    for (const Activation &activation : change.activations()) {
        for (const QDBusObjectPath &device : activation.devices) {
            if (auto failure = change.applyOn(device, inPlace))
                return failure->maybeApplied ? *failure : change.restore(*failure);
        }
    }
    return {};
}

bool isMissingDevice(const QDBusError &error)
{
    // "No suitable device found for this connection": a Wi-Fi profile on a laptop without its
    // card, a cable profile for a port that is gone. Autoconnect will bring it up.
    return error.name().endsWith(QStringLiteral(".UnknownDevice")) ||
           error.message().contains(QStringLiteral("suitable device"), Qt::CaseInsensitive) ||
           error.message().contains(QStringLiteral("not available"), Qt::CaseInsensitive);
}

CommandResult changeEnabled(const QString &uuid, const QString &name, bool enabled,
                            const QString &busAddress)
{
    Change change(uuid, name, busAddress);
    if (auto failure = change.load())
        return *failure;
    // Autoconnect first when disabling, so the daemon does not bring the profile straight back.
    if (auto failure = change.saveChanged([enabled](Settings profile) {
            return NetworkManagerWriter::withAutoconnect(std::move(profile), enabled);
        }))
        return *failure;
    const QList<Activation> activations = change.activations();
    if (!enabled) {
        for (const Activation &activation : activations) {
            if (auto error = change.deactivate(activation.active)) {
                const CommandResult failure =
                    Change::failure(*error, QStringLiteral("de désactiver ") + quoted(name), true);
                return failure.maybeApplied ? failure : change.restore(failure);
            }
        }
        return {};
    }
    if (!activations.isEmpty())
        return {};
    const auto error = change.activate(QDBusObjectPath(QStringLiteral("/")));
    if (!error || (causeOf(*error) == ChangeCause::failed && isMissingDevice(*error)))
        return {};
    const CommandResult failure =
        Change::failure(*error, QStringLiteral("d'activer ") + quoted(name), true);
    return failure.maybeApplied ? failure : change.restore(failure);
}

void removeDeprecated(QVariantMap &ip)
{
    // The daemon ignores the newer lists when the old ones are sent along, and the old ones
    // lose route attributes: keep only the newer.
    if (ip.contains(QStringLiteral("address-data")))
        ip.remove(QStringLiteral("addresses"));
    if (ip.contains(QStringLiteral("route-data")))
        ip.remove(QStringLiteral("routes"));
}

bool isManual(const QVariantMap &ipv4)
{
    return ipv4.value(QStringLiteral("method")).toString() == QLatin1String("manual");
}

// The profile's addresses as the daemon takes them back, in their order.
QList<QVariantMap> addressesOf(const QVariantMap &ipv4)
{
    const QVariant value = ipv4.value(QStringLiteral("address-data"));
    // As the daemon sent it, still marshalled; as a test or an earlier step made it, plain.
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QList<QVariantMap>>(value.value<QDBusArgument>());
    if (value.userType() == qMetaTypeId<QList<QVariantMap>>())
        return value.value<QList<QVariantMap>>();
    QList<QVariantMap> addresses;
    for (const QVariant &entry : value.toList())
        addresses.append(entry.toMap());
    return addresses;
}

Settings withoutDeprecated(Settings profile)
{
    for (const QString &family : {QStringLiteral("ipv4"), QStringLiteral("ipv6")}) {
        if (profile.contains(family))
            removeDeprecated(profile[family]);
    }
    return profile;
}

} // namespace

std::optional<int> NetworkManagerWriter::prefixLength(const QString &mask)
{
    const std::optional<quint32> value = IPv4::parse(mask);
    if (!value || !IPv4::isContiguousMask(*value))
        return std::nullopt;
    return std::popcount(*value);
}

NetworkManagerWriter::Settings NetworkManagerWriter::withManualAddress(Settings profile,
                                                                       const QString &ip,
                                                                       int prefix,
                                                                       const QString &router)
{
    profile = withoutDeprecated(std::move(profile));
    QVariantMap &ipv4 = profile[QStringLiteral("ipv4")];
    QList<QVariantMap> addresses = addressesOf(ipv4);
    // A manual profile's first address is the card's; a DHCP profile's addresses all stand
    // beside the lease, and the new one goes before them.
    if (isManual(ipv4) && !addresses.isEmpty())
        addresses.removeFirst();
    addresses.prepend({{QStringLiteral("address"), ip},
                       {QStringLiteral("prefix"), QVariant::fromValue(uint(prefix))}});
    ipv4.insert(QStringLiteral("method"), QStringLiteral("manual"));
    ipv4.insert(QStringLiteral("address-data"), QVariant::fromValue(addresses));
    ipv4.remove(QStringLiteral("addresses"));
    if (router.isEmpty())
        ipv4.remove(QStringLiteral("gateway"));
    else
        ipv4.insert(QStringLiteral("gateway"), router);
    return profile;
}

NetworkManagerWriter::Settings NetworkManagerWriter::withDHCP(Settings profile)
{
    profile = withoutDeprecated(std::move(profile));
    QVariantMap &ipv4 = profile[QStringLiteral("ipv4")];
    // The card's address gives way to the lease; the others stay, as the daemon allows fixed
    // addresses beside DHCP.
    QList<QVariantMap> addresses = addressesOf(ipv4);
    if (isManual(ipv4) && !addresses.isEmpty())
        addresses.removeFirst();
    ipv4.insert(QStringLiteral("method"), QStringLiteral("auto"));
    if (addresses.isEmpty())
        ipv4.remove(QStringLiteral("address-data"));
    else
        ipv4.insert(QStringLiteral("address-data"), QVariant::fromValue(addresses));
    ipv4.remove(QStringLiteral("addresses"));
    ipv4.remove(QStringLiteral("gateway"));
    return profile;
}

NetworkManagerWriter::Settings NetworkManagerWriter::withAutoconnect(Settings profile,
                                                                     bool autoconnect)
{
    profile = withoutDeprecated(std::move(profile));
    profile[QStringLiteral("connection")].insert(QStringLiteral("autoconnect"), autoconnect);
    return profile;
}

CommandResult NetworkManagerWriter::failure(const QDBusError &error, const QString &context)
{
    // The daemon's own words are English and may quote the profile: they are kept as the detail,
    // never read for the cause.
    return failed(QStringLiteral("NetworkManager a refusé ") + context + QStringLiteral(" : ") +
                      error.message(),
                  causeOf(error));
}

QFuture<CommandResult> NetworkManagerWriter::setManual(const QString &uuid, const QString &name,
                                                       const QString &ip, const QString &mask,
                                                       const QString &router,
                                                       const QString &busAddress)
{
    return QtConcurrent::run(BlockingPool::instance(), [uuid, name, ip, mask, router, busAddress] {
        const std::optional<int> prefix = prefixLength(mask);
        if (!prefix)
            return failed(QStringLiteral("Le masque ") + mask +
                              QStringLiteral(" n'est pas un masque de sous-réseau (ses bits à 1 "
                                             "doivent se suivre) ; rien n'a été modifié."),
                          ChangeCause::invalid);
        return changeAddressing(uuid, name, busAddress, [&](Settings profile) {
            return withManualAddress(std::move(profile), ip, *prefix, router);
        });
    });
}

QFuture<CommandResult> NetworkManagerWriter::setDHCP(const QString &uuid, const QString &name,
                                                     const QString &busAddress)
{
    return QtConcurrent::run(BlockingPool::instance(), [uuid, name, busAddress] {
        return changeAddressing(uuid, name, busAddress, &withDHCP);
    });
}

QFuture<CommandResult> NetworkManagerWriter::setEnabled(const QString &uuid, const QString &name,
                                                        bool enabled, const QString &busAddress)
{
    return QtConcurrent::run(BlockingPool::instance(), [uuid, name, enabled, busAddress] {
        return changeEnabled(uuid, name, enabled, busAddress);
    });
}
