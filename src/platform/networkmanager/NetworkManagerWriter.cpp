// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "platform/networkmanager/NetworkManagerWriter.h"

#include "net/IPv4.h"
#include "system/BlockingPool.h"

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
// A call may wait for the administrator's password: give the person time to type it.
constexpr int callTimeoutMs = 10 * 60 * 1000;

void registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<Settings>();
        qDBusRegisterMetaType<QList<QVariantMap>>();
        qDBusRegisterMetaType<PathList>();
    });
}

CommandResult failed(const QString &text)
{
    return {.status = 1, .output = {}, .error = text};
}

QString quoted(const QString &name)
{
    return QStringLiteral("« ") + name + QStringLiteral(" »");
}

// Who said no: the person at the prompt, the policy, or something else (the device, the
// daemon, the bus).
enum class Refusal { cancelled, denied, none };

Refusal refusalOf(const QDBusError &error)
{
    const QString name = error.name();
    const QString message = error.message();
    if (name.contains(QStringLiteral("Cancel"), Qt::CaseInsensitive) ||
        message.contains(QStringLiteral("cancel"), Qt::CaseInsensitive) ||
        message.contains(QStringLiteral("dismissed"), Qt::CaseInsensitive))
        return Refusal::cancelled;
    if (name.endsWith(QStringLiteral("PermissionDenied")) ||
        name.endsWith(QStringLiteral("AccessDenied")) ||
        name.contains(QStringLiteral("NotAuthorized")))
        return Refusal::denied;
    return Refusal::none;
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
                                   QVariantList *results = nullptr)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        message.setInteractiveAuthorizationAllowed(true);
        const QDBusMessage reply = m_connection.call(message, QDBus::Block, callTimeoutMs);
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

    // Finds the profile; a failed result when the bus or the profile is not there.
    std::optional<CommandResult> load()
    {
        if (!m_bus.connected())
            return failed(QStringLiteral("NetworkManager ne répond pas sur le bus système : ") +
                          m_bus.lastError().message());
        QVariantList results;
        if (auto error = m_bus.call(settingsPath, settingsInterface,
                                    QStringLiteral("GetConnectionByUuid"), {m_uuid}, &results)) {
            if (error->name().endsWith(QStringLiteral(".InvalidConnection")))
                return failed(QStringLiteral("Le profil ") + quoted(m_name) +
                              QStringLiteral(" n'existe plus ; rien n'a été modifié."));
            return NetworkManagerWriter::failure(*error,
                                                 QStringLiteral("de trouver ") + quoted(m_name));
        }
        m_profile.path = results.value(0).value<QDBusObjectPath>();
        if (auto error = m_bus.call(m_profile.path.path(), connectionInterface,
                                    QStringLiteral("GetSettings"), {}, &results))
            return NetworkManagerWriter::failure(*error,
                                                 QStringLiteral("de lire ") + quoted(m_name));
        m_profile.settings = qdbus_cast<Settings>(results.value(0));
        return std::nullopt;
    }

    const Settings &original() const { return m_profile.settings; }

    std::optional<CommandResult> save(const Settings &settings)
    {
        if (auto error =
                m_bus.call(m_profile.path.path(), connectionInterface, QStringLiteral("Update2"),
                           {QVariant::fromValue(settings), QVariant::fromValue(toDisk),
                            QVariant::fromValue(QVariantMap())}))
            return NetworkManagerWriter::failure(*error,
                                                 QStringLiteral("d'enregistrer ") + quoted(m_name));
        return std::nullopt;
    }

    // Puts the profile back as it was after a later step failed; the failure stays the story,
    // told with whether the profile could be put back.
    CommandResult restore(CommandResult failure)
    {
        if (auto error = save(original()))
            failure.error += QStringLiteral(" Le profil n'a pas pu être remis dans son état "
                                            "précédent : ") +
                             error->error;
        else
            failure.error += QStringLiteral(" Le profil a été remis dans son état précédent.");
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
    // where the device cannot take the change in place.
    std::optional<CommandResult> applyOn(const QDBusObjectPath &device)
    {
        const auto reapplied =
            m_bus.call(device.path(), deviceInterface, QStringLiteral("Reapply"),
                       {QVariant::fromValue(Settings()), QVariant::fromValue(qulonglong(0)),
                        QVariant::fromValue(uint(0))});
        if (!reapplied)
            return std::nullopt;
        if (isRefusal(*reapplied))
            return NetworkManagerWriter::failure(*reapplied,
                                                 QStringLiteral("d'appliquer ") + quoted(m_name));
        const auto activated = activate(device);
        if (!activated)
            return std::nullopt;
        if (isRefusal(*activated))
            return NetworkManagerWriter::failure(*activated,
                                                 QStringLiteral("d'appliquer ") + quoted(m_name));
        return failed(QStringLiteral("L'interface ") + interfaceName(device) +
                      QStringLiteral(" a refusé la configuration de ") + quoted(m_name) +
                      QStringLiteral(" : ") + activated->message() + u'.');
    }

    std::optional<QDBusError> activate(const QDBusObjectPath &device)
    {
        return m_bus.call(managerPath, managerInterface, QStringLiteral("ActivateConnection"),
                          {QVariant::fromValue(m_profile.path), QVariant::fromValue(device),
                           QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))});
    }

    std::optional<QDBusError> deactivate(const QDBusObjectPath &active)
    {
        return m_bus.call(managerPath, managerInterface, QStringLiteral("DeactivateConnection"),
                          {QVariant::fromValue(active)});
    }

    QString interfaceName(const QDBusObjectPath &device)
    {
        QVariant name;
        if (m_bus.property(device.path(), deviceInterface, QStringLiteral("Interface"), &name))
            return device.path();
        return name.toString();
    }

    QString name() const { return m_name; }

    // Whether the person or the policy said no, rather than the device.
    static bool isRefusal(const QDBusError &error) { return refusalOf(error) != Refusal::none; }

private:
    Bus m_bus;
    QString m_uuid;
    QString m_name;
    Profile m_profile;
};

// Saves the changed profile, then applies it wherever it is active. Any step that fails after
// the save puts the saved profile back.
CommandResult changeAddressing(const QString &uuid, const QString &name, const QString &busAddress,
                               const std::function<Settings(Settings)> &changed)
{
    Change change(uuid, name, busAddress);
    if (auto failure = change.load())
        return *failure;
    if (auto failure = change.save(changed(change.original())))
        return *failure;
    for (const Activation &activation : change.activations()) {
        for (const QDBusObjectPath &device : activation.devices) {
            if (auto failure = change.applyOn(device))
                return change.restore(*failure);
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
    if (auto failure =
            change.save(NetworkManagerWriter::withAutoconnect(change.original(), enabled)))
        return *failure;
    const QList<Activation> activations = change.activations();
    if (!enabled) {
        for (const Activation &activation : activations) {
            if (auto error = change.deactivate(activation.active))
                return change.restore(NetworkManagerWriter::failure(
                    *error, QStringLiteral("de désactiver ") + quoted(name)));
        }
        return {};
    }
    if (!activations.isEmpty())
        return {};
    const auto error = change.activate(QDBusObjectPath(QStringLiteral("/")));
    if (!error || (!Change::isRefusal(*error) && isMissingDevice(*error)))
        return {};
    return change.restore(
        NetworkManagerWriter::failure(*error, QStringLiteral("d'activer ") + quoted(name)));
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
    ipv4.insert(QStringLiteral("method"), QStringLiteral("manual"));
    const QVariantMap address{{QStringLiteral("address"), ip},
                              {QStringLiteral("prefix"), QVariant::fromValue(uint(prefix))}};
    ipv4.insert(QStringLiteral("address-data"), QVariant::fromValue(QList<QVariantMap>{address}));
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
    ipv4.insert(QStringLiteral("method"), QStringLiteral("auto"));
    ipv4.remove(QStringLiteral("address-data"));
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
    const QString message = error.message();
    // A refusal is told in the words friendlyMessage knows; NetworkManager's own are English.
    switch (refusalOf(error)) {
    case Refusal::cancelled:
        return failed(QStringLiteral("cancelled: ") + message);
    case Refusal::denied:
        return failed(QStringLiteral("not authorized: ") + message);
    case Refusal::none:
        break;
    }
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
        error.type() == QDBusError::TimedOut)
        return failed(QStringLiteral("NetworkManager n'a pas répondu à temps ; utilisez "
                                     "Actualiser pour vérifier l'état de la carte."));
    if (error.type() == QDBusError::ServiceUnknown || error.type() == QDBusError::NoServer ||
        error.type() == QDBusError::Disconnected)
        return failed(QStringLiteral("NetworkManager ne répond pas sur le bus système ; rien n'a "
                                     "été modifié."));
    return failed(QStringLiteral("NetworkManager a refusé ") + context + QStringLiteral(" : ") +
                  message);
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
                                         "doivent se suivre) ; rien n'a été modifié."));
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
