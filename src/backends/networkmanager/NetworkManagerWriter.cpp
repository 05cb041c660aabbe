// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerWriter.h"

#include "BlockingPool.h"
#include "DBusValues.h"
#include "IPv4.h"
#include "NetworkManagerBus.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QtConcurrent/QtConcurrentRun>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <mutex>

namespace {

using Settings = NetworkManagerWriter::Settings;
using Wait = NetworkManagerBus::Wait;
using namespace DBusValues;

const QString &managerPath = NetworkManagerBus::managerPath;
const QString &managerInterface = NetworkManagerBus::managerInterface;
const QString &profileInterface = NetworkManagerBus::profileInterface;
const QString &activeInterface = NetworkManagerBus::activeInterface;
const QString &deviceInterface = NetworkManagerBus::deviceInterface;

// Update2's flag that writes the profile to disk, so the change survives a restart.
constexpr uint toDisk = 0x1;

void registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<Settings>();
        qDBusRegisterMetaType<QList<QVariantMap>>();
    });
}

QVariant objectPath(const QString &path)
{
    return QVariant::fromValue(QDBusObjectPath(path));
}

CommandResult failed(const QString &text, ChangeCause cause)
{
    return {.status = 1, .output = {}, .error = text, .timedOut = false, .cause = cause};
}

QString quoted(const QString &name)
{
    return QStringLiteral("« ") + name + QStringLiteral(" »");
}

// A failed call as a failed result; `sent` when the daemon may have acted on the request. The
// daemon's own words are English and may quote the profile: they are kept as the detail, never
// read for the cause.
CommandResult failure(const QDBusError &error, const QString &context, bool sent)
{
    CommandResult result = failed(QStringLiteral("NetworkManager a refusé ") + context +
                                      QStringLiteral(" : ") + error.message(),
                                  NetworkManagerBus::causeOf(error));
    result.maybeApplied = sent && NetworkManagerBus::daemonDidNotAnswer(error);
    return result;
}

// The profile as it stands, and where it lives on the bus.
struct Profile {
    QString path;
    // As the daemon sent them, so that what Brisvale does not change goes back with its types.
    Settings settings;
    // The daemon's version of the profile, where it keeps one (1.44 and later).
    std::optional<qulonglong> version;
};

// Where a profile is active: the active connection and its devices.
struct Activation {
    QString active;
    QStringList devices;
};

QStringList paths(const QVariant &value)
{
    QStringList found;
    for (const QVariant &path : list(value).value_or(QVariantList()))
        found.append(text(path).value_or(QString()));
    return found;
}

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
        const auto found =
            m_bus.call(NetworkManagerBus::settingsPath, NetworkManagerBus::settingsInterface,
                       QStringLiteral("GetConnectionByUuid"), {m_uuid});
        if (found.error) {
            if (found.error->name().endsWith(QStringLiteral(".InvalidConnection")))
                return failed(QStringLiteral("Le profil ") + quoted(m_name) +
                                  QStringLiteral(" n'existe plus ; rien n'a été modifié."),
                              ChangeCause::failed);
            return failure(*found.error, QStringLiteral("de trouver ") + quoted(m_name), false);
        }
        m_profile.path = text(found.value()).value_or(QString());
        // The version first: a change slipped in before the settings are read makes it stale,
        // and the daemon then refuses the update rather than lose that change.
        const QVariant version =
            m_bus.property(m_profile.path, profileInterface, QStringLiteral("VersionId")).value();
        m_profile.version = version.typeId() == QMetaType::ULongLong
                                ? std::optional(version.toULongLong())
                                : std::nullopt;
        const auto read =
            m_bus.call(m_profile.path, profileInterface, QStringLiteral("GetSettings"));
        if (read.error)
            return failure(*read.error, QStringLiteral("de lire ") + quoted(m_name), false);
        m_profile.settings = qdbus_cast<Settings>(read.arguments.value(0));
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
        const auto saved = m_bus.call(m_profile.path, profileInterface, QStringLiteral("Update2"),
                                      {QVariant::fromValue(settings), QVariant::fromValue(toDisk),
                                       QVariant::fromValue(arguments)},
                                      Wait::forPerson);
        if (!saved.error)
            return std::nullopt;
        if (stale)
            *stale = saved.error->name().endsWith(QLatin1String(".VersionIdMismatch"));
        // Refused, the daemon saved nothing; gone or silent, it may have saved it.
        return failure(*saved.error, QStringLiteral("d'enregistrer ") + quoted(m_name), true);
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
        const QStringList active =
            paths(m_bus.property(managerPath, managerInterface, QStringLiteral("ActiveConnections"))
                      .value());
        for (const QString &path : active) {
            if (text(m_bus.property(path, activeInterface, QStringLiteral("Connection")).value()) !=
                m_profile.path)
                continue;
            found.append(
                {path,
                 paths(m_bus.property(path, activeInterface, QStringLiteral("Devices")).value())});
        }
        return found;
    }

    // The saved profile on a device it is active on: reapplied in place, or activated again
    // where the device cannot take the change in place or is not asked to. The profile is saved by
    // then, so a daemon that does not answer leaves the outcome unknown.
    std::optional<CommandResult> applyOn(const QString &device, bool inPlace)
    {
        if (inPlace) {
            const auto reapplied =
                m_bus.call(device, deviceInterface, QStringLiteral("Reapply"),
                           {QVariant::fromValue(Settings()), QVariant::fromValue(qulonglong(0)),
                            QVariant::fromValue(uint(0))},
                           Wait::forPerson);
            if (!reapplied.error)
                return std::nullopt;
            // Refused, cancelled or unanswered, activating again would fare no better.
            if (NetworkManagerBus::causeOf(*reapplied.error) != ChangeCause::failed)
                return failure(*reapplied.error, QStringLiteral("d'appliquer ") + quoted(m_name),
                               true);
        }
        const auto activated = activate(device);
        if (!activated)
            return std::nullopt;
        if (NetworkManagerBus::causeOf(*activated) != ChangeCause::failed)
            return failure(*activated, QStringLiteral("d'appliquer ") + quoted(m_name), true);
        const QString interface =
            text(m_bus.property(device, deviceInterface, QStringLiteral("Interface")).value())
                .value_or(device);
        return failed(QStringLiteral("L'interface ") + interface +
                          QStringLiteral(" a refusé la configuration de ") + quoted(m_name) +
                          QStringLiteral(" : ") + activated->message() + u'.',
                      ChangeCause::failed);
    }

    std::optional<QDBusError> activate(const QString &device)
    {
        return m_bus
            .call(managerPath, managerInterface, QStringLiteral("ActivateConnection"),
                  {objectPath(m_profile.path), objectPath(device), objectPath(QStringLiteral("/"))},
                  Wait::forPerson)
            .error;
    }

    std::optional<QDBusError> deactivate(const QString &active)
    {
        return m_bus
            .call(managerPath, managerInterface, QStringLiteral("DeactivateConnection"),
                  {objectPath(active)}, Wait::forPerson)
            .error;
    }

private:
    NetworkManagerBus m_bus;
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
        for (const QString &device : activation.devices) {
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
                const CommandResult result =
                    failure(*error, QStringLiteral("de désactiver ") + quoted(name), true);
                return result.maybeApplied ? result : change.restore(result);
            }
        }
        return {};
    }
    if (!activations.isEmpty())
        return {};
    const auto error = change.activate(QStringLiteral("/"));
    if (!error ||
        (NetworkManagerBus::causeOf(*error) == ChangeCause::failed && isMissingDevice(*error)))
        return {};
    const CommandResult result = failure(*error, QStringLiteral("d'activer ") + quoted(name), true);
    return result.maybeApplied ? result : change.restore(result);
}

void removeDeprecated(QVariantMap &ip)
{
    // The daemon ignores the newer lists when the old ones are sent along, and the old ones
    // lose route attributes and a DNS server's DNS-over-TLS name: keep only the newer.
    if (ip.contains(QStringLiteral("address-data")))
        ip.remove(QStringLiteral("addresses"));
    if (ip.contains(QStringLiteral("route-data")))
        ip.remove(QStringLiteral("routes"));
    if (ip.contains(QStringLiteral("dns-data")))
        ip.remove(QStringLiteral("dns"));
}

bool isManual(const QVariantMap &ipv4)
{
    return ipv4.value(QStringLiteral("method")).toString() == QLatin1String("manual");
}

// The profile's addresses as the daemon takes them back, in their order.
QList<QVariantMap> addressesOf(const QVariantMap &ipv4)
{
    QList<QVariantMap> addresses;
    for (const QVariant &entry :
         list(plain(ipv4.value(QStringLiteral("address-data")))).value_or(QVariantList()))
        addresses.append(map(entry).value_or(QVariantMap()));
    return addresses;
}

// Only IPv4 servers belong in the ipv4 setting. The card sends no other, but one that slipped
// through would reach the daemon as 0.0.0.0.
std::optional<CommandResult> invalidServer(const NetworkManagerWriter::Dns &dns)
{
    for (const QString &server : dns.value_or(QStringList())) {
        if (!IPv4::parse(server))
            return failed(QStringLiteral("Serveur DNS invalide : ") + server +
                              QStringLiteral(" ; rien n'a été modifié."),
                          ChangeCause::invalid);
    }
    return std::nullopt;
}

Settings withDnsChange(Settings profile, const NetworkManagerWriter::Dns &dns)
{
    return dns ? NetworkManagerWriter::withDns(std::move(profile), *dns) : profile;
}

} // namespace

NetworkManagerWriter::Settings NetworkManagerWriter::withoutDeprecated(Settings profile)
{
    for (const QString &family : {QStringLiteral("ipv4"), QStringLiteral("ipv6")}) {
        if (profile.contains(family))
            removeDeprecated(profile[family]);
    }
    return profile;
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

NetworkManagerWriter::Settings NetworkManagerWriter::withDns(Settings profile,
                                                             const QStringList &servers)
{
    profile = withoutDeprecated(std::move(profile));
    QVariantMap &ipv4 = profile[QStringLiteral("ipv4")];
    const auto data = ipv4.constFind(QStringLiteral("dns-data"));
    if (data != ipv4.cend()) {
        // A server that stays keeps its entry whole, DNS-over-TLS name ("…#name") included.
        const QStringList before = strings(plain(*data)).value_or(QStringList());
        QStringList entries;
        for (const QString &typed : servers) {
            const QString server = IPv4::canonical(typed).value_or(typed);
            const auto kept = std::find_if(before.cbegin(), before.cend(), [&](const QString &e) {
                return e.section(u'#', 0, 0) == server;
            });
            entries.append(kept == before.cend() ? server : *kept);
        }
        ipv4.insert(QStringLiteral("dns-data"), entries);
    } else {
        // Older daemons know only the plain form: addresses in network byte order.
        QList<uint> numbers;
        for (const QString &server : servers)
            numbers.append(qToBigEndian(IPv4::parse(server).value_or(0)));
        ipv4.insert(QStringLiteral("dns"), QVariant::fromValue(numbers));
    }
    ipv4.insert(QStringLiteral("ignore-auto-dns"), !servers.isEmpty());
    return profile;
}

QFuture<CommandResult> NetworkManagerWriter::setManual(const QString &uuid, const QString &name,
                                                       const QString &ip, const QString &mask,
                                                       const QString &router, const Dns &dns,
                                                       const QString &busAddress)
{
    return QtConcurrent::run(BlockingPool::instance(), [uuid, name, ip, mask, router, dns,
                                                        busAddress] {
        const std::optional<int> prefix = IPv4::prefixOfMask(mask);
        if (!prefix)
            return failed(QStringLiteral("Le masque ") + mask +
                              QStringLiteral(" n'est pas un masque de sous-réseau (ses bits à 1 "
                                             "doivent se suivre) ; rien n'a été modifié."),
                          ChangeCause::invalid);
        if (auto refusal = invalidServer(dns))
            return *refusal;
        return changeAddressing(uuid, name, busAddress, [&](Settings profile) {
            return withDnsChange(withManualAddress(std::move(profile), ip, *prefix, router), dns);
        });
    });
}

QFuture<CommandResult> NetworkManagerWriter::setDHCP(const QString &uuid, const QString &name,
                                                     const Dns &dns, const QString &busAddress)
{
    return QtConcurrent::run(BlockingPool::instance(), [uuid, name, dns, busAddress] {
        if (auto refusal = invalidServer(dns))
            return *refusal;
        return changeAddressing(uuid, name, busAddress, [&](Settings profile) {
            return withDnsChange(withDHCP(std::move(profile)), dns);
        });
    });
}

QFuture<CommandResult> NetworkManagerWriter::setEnabled(const QString &uuid, const QString &name,
                                                        bool enabled, const QString &busAddress)
{
    return QtConcurrent::run(BlockingPool::instance(), [uuid, name, enabled, busAddress] {
        return changeEnabled(uuid, name, enabled, busAddress);
    });
}
