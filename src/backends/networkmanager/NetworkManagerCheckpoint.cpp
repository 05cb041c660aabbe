// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerCheckpoint.h"

#include "BlockingPool.h"
#include "DBusValues.h"
#include "NetworkManagerBus.h"
#include "NetworkManagerWriter.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QHash>
#include <QMutex>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <mutex>
#include <variant>

namespace {

using Settings = NetworkManagerWriter::Settings;
using Wait = NetworkManagerBus::Wait;
using namespace DBusValues;

const QString &managerPath = NetworkManagerBus::managerPath;
const QString &managerInterface = NetworkManagerBus::managerInterface;
const QString &profileInterface = NetworkManagerBus::profileInterface;
const QString &activeInterface = NetworkManagerBus::activeInterface;
const QString &deviceInterface = NetworkManagerBus::deviceInterface;

// Update2's flag that writes the profile to disk.
constexpr uint toDisk = 0x1;

// None of NMCheckpointCreateFlags. Not DESTROY_ALL: it would destroy other programs'
// checkpoints. Not DELETE_NEW_CONNECTIONS nor DISCONNECT_NEW_DEVICES: a rollback would undo
// what others add meanwhile, and Brisvale adds nothing. Not ALLOW_OVERLAPPING: a device already
// in a checkpoint is being changed by another program, or by a Brisvale that died and whose
// checkpoint has yet to run out, and the rollback of that older checkpoint would silently undo
// this group; creating then fails, before anything is changed.
constexpr uint checkpointFlags = 0;

// One profile of a group, as it was when the group began.
struct KeptProfile {
    QString uuid;
    QString name;
    QString path;
    // As the daemon sent them, to be sent back.
    Settings settings;
    // The same as plain values, to tell whether the profile changed since.
    QVariant comparable;
    // Where it was active.
    QStringList devices;
};

struct Group {
    // Empty where no profile was active.
    QString checkpoint;
    QList<KeptProfile> profiles;
};

struct Activation {
    QString active;
    QStringList devices;
};

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

QStringList paths(const QVariant &value)
{
    QStringList found;
    for (const QVariant &path : list(value).value_or(QVariantList()))
        found.append(text(path).value_or(QString()));
    return found;
}

QString quoted(const QString &name)
{
    return QStringLiteral("« ") + name + QStringLiteral(" »");
}

CommandResult failed(const QString &text, ChangeCause cause)
{
    return {.status = 1, .output = {}, .error = text, .timedOut = false, .cause = cause};
}

// As the writer words a failed call: the cause from the error's name, the daemon's own words
// kept as the detail.
CommandResult failure(const QDBusError &error, const QString &context)
{
    CommandResult result = failed(QStringLiteral("NetworkManager a refusé ") + context +
                                      QStringLiteral(" : ") + error.message(),
                                  NetworkManagerBus::causeOf(error));
    result.maybeApplied = NetworkManagerBus::daemonDidNotAnswer(error);
    return result;
}

// The daemon renews a profile's timestamp while it is active: that is no change.
QVariant comparable(const QVariant &settings)
{
    QVariantMap groups = map(plain(settings)).value_or(QVariantMap());
    QVariantMap connection = member(groups, QStringLiteral("connection"));
    connection.remove(QStringLiteral("timestamp"));
    groups.insert(QStringLiteral("connection"), connection);
    return groups;
}

// Where each profile is active now, by UUID.
QHash<QString, QList<Activation>> activations(NetworkManagerBus &bus)
{
    QHash<QString, QList<Activation>> found;
    const QStringList active = paths(
        bus.property(managerPath, managerInterface, QStringLiteral("ActiveConnections")).value());
    for (const QString &path : active) {
        const QString uuid =
            text(bus.property(path, activeInterface, QStringLiteral("Uuid")).value())
                .value_or(QString());
        found[uuid].append(
            {path, paths(bus.property(path, activeInterface, QStringLiteral("Devices")).value())});
    }
    return found;
}

// Whether the daemon still holds the checkpoint; one that ran out was rolled back by it.
bool stillThere(NetworkManagerBus &bus, const QString &checkpoint)
{
    const auto listed = bus.property(managerPath, managerInterface, QStringLiteral("Checkpoints"));
    return listed.error || paths(listed.value()).contains(checkpoint);
}

QString interfaceOf(NetworkManagerBus &bus, const QString &device)
{
    return text(bus.property(device, deviceInterface, QStringLiteral("Interface")).value())
        .value_or(device);
}

std::optional<CommandResult> unreachable(const NetworkManagerBus &bus)
{
    if (bus.connected())
        return std::nullopt;
    return failed(QStringLiteral("NetworkManager ne répond pas sur le bus système : ") +
                      bus.lastError().message(),
                  ChangeCause::serviceGone);
}

// The profile read as it is now, to be kept.
std::variant<KeptProfile, CommandResult> keep(NetworkManagerBus &bus, const ServiceTarget &target)
{
    const auto found =
        bus.call(NetworkManagerBus::settingsPath, NetworkManagerBus::settingsInterface,
                 QStringLiteral("GetConnectionByUuid"), {target.id});
    if (found.error && found.error->name().endsWith(QLatin1String(".InvalidConnection")))
        return failed(QStringLiteral("Le profil ") + quoted(target.name) +
                          QStringLiteral(" n'existe plus ; rien n'a été modifié."),
                      ChangeCause::failed);
    if (found.error)
        return failure(*found.error, QStringLiteral("de trouver ") + quoted(target.name));
    const QString path = text(found.value()).value_or(QString());
    const auto read = bus.call(path, profileInterface, QStringLiteral("GetSettings"));
    if (read.error)
        return failure(*read.error, QStringLiteral("de lire ") + quoted(target.name));
    const QVariant settings = read.arguments.value(0);
    return KeptProfile{
        target.id, target.name, path, qdbus_cast<Settings>(settings), comparable(settings), {}};
}

// The profile's settings saved back where they changed, and its activation as it was where no
// checkpoint put its devices back.
std::optional<CommandResult> restore(NetworkManagerBus &bus, const KeptProfile &kept,
                                     const QStringList &restoredDevices)
{
    const auto read = bus.call(kept.path, profileInterface, QStringLiteral("GetSettings"));
    if (read.error)
        return failure(*read.error, QStringLiteral("de relire ") + quoted(kept.name));
    if (comparable(read.arguments.value(0)) != kept.comparable) {
        const Settings settings = NetworkManagerWriter::withoutDeprecated(kept.settings);
        const auto saved =
            bus.call(kept.path, profileInterface, QStringLiteral("Update2"),
                     {QVariant::fromValue(settings), QVariant::fromValue(toDisk), QVariantMap()},
                     Wait::forPerson);
        if (saved.error)
            return failure(*saved.error, QStringLiteral("de remettre ") + quoted(kept.name) +
                                             QStringLiteral(" dans son état précédent"));
    }
    const QList<Activation> now = activations(bus).value(kept.uuid);
    // Active nowhere before, it is taken down wherever the group brought it up.
    for (const Activation &activation : kept.devices.isEmpty() ? now : QList<Activation>()) {
        const auto error =
            bus.call(managerPath, managerInterface, QStringLiteral("DeactivateConnection"),
                     {objectPath(activation.active)}, Wait::forPerson)
                .error;
        if (error)
            return failure(*error, QStringLiteral("de désactiver ") + quoted(kept.name));
    }
    for (const QString &device : kept.devices) {
        if (restoredDevices.contains(device))
            continue;
        const bool activeThere = std::any_of(now.cbegin(), now.cend(), [&](const Activation &a) {
            return a.devices.contains(device);
        });
        const auto error =
            activeThere
                ? bus.call(device, deviceInterface, QStringLiteral("Reapply"),
                           {QVariant::fromValue(Settings()), QVariant::fromValue(qulonglong(0)),
                            QVariant::fromValue(uint(0))},
                           Wait::forPerson)
                      .error
                : bus.call(managerPath, managerInterface, QStringLiteral("ActivateConnection"),
                           {objectPath(kept.path), objectPath(device), objectPath("/")},
                           Wait::forPerson)
                      .error;
        if (error)
            return failure(*error, QStringLiteral("d'appliquer de nouveau ") + quoted(kept.name) +
                                       QStringLiteral(" sur ") + interfaceOf(bus, device));
    }
    return std::nullopt;
}

} // namespace

struct NetworkManagerCheckpoint::State {
    QString busAddress;
    std::chrono::seconds timeout;
    QMutex mutex;
    QHash<QString, Group> groups;
    int keys = 0;

    Transaction begin(const QList<ServiceTarget> &targets);
    CommandResult commit(const QString &handle);
    CommandResult rollback(const QString &handle);
};

Transaction NetworkManagerCheckpoint::State::begin(const QList<ServiceTarget> &targets)
{
    NetworkManagerBus bus(busAddress);
    if (auto failure = unreachable(bus))
        return {*failure, {}, {}};
    Group group;
    Transaction transaction;
    for (const ServiceTarget &target : targets) {
        auto kept = keep(bus, target);
        if (auto *failure = std::get_if<CommandResult>(&kept))
            return {*failure, {}, {}};
        group.profiles.append(std::get<KeptProfile>(std::move(kept)));
        transaction.covered.append(target.id);
    }
    const auto active = activations(bus);
    QList<QDBusObjectPath> devices;
    for (KeptProfile &kept : group.profiles) {
        for (const Activation &activation : active.value(kept.uuid))
            kept.devices += activation.devices;
        for (const QString &device : std::as_const(kept.devices)) {
            if (!devices.contains(QDBusObjectPath(device)))
                devices.append(QDBusObjectPath(device));
        }
    }
    // An empty list would be every device of the machine.
    if (!devices.isEmpty()) {
        const auto created =
            bus.call(managerPath, managerInterface, QStringLiteral("CheckpointCreate"),
                     {QVariant::fromValue(devices), QVariant::fromValue(uint(timeout.count())),
                      QVariant::fromValue(checkpointFlags)},
                     Wait::forPerson);
        if (created.error) {
            CommandResult result =
                failure(*created.error, QStringLiteral("de créer un point de restauration"));
            result.error += QStringLiteral(" ; aucun profil n'a été modifié.");
            return {result, {}, {}};
        }
        group.checkpoint = text(created.value()).value_or(QString());
    }
    const QMutexLocker lock(&mutex);
    transaction.handle = group.checkpoint.isEmpty() ? QStringLiteral("brisvale-kept-%1").arg(++keys)
                                                    : group.checkpoint;
    groups.insert(transaction.handle, group);
    return transaction;
}

CommandResult NetworkManagerCheckpoint::State::commit(const QString &handle)
{
    if (handle.startsWith(u'/')) {
        NetworkManagerBus bus(busAddress);
        if (auto failure = unreachable(bus))
            return *failure;
        const auto destroyed =
            bus.call(managerPath, managerInterface, QStringLiteral("CheckpointDestroy"),
                     {objectPath(handle)}, Wait::forPerson);
        if (destroyed.error && !stillThere(bus, handle))
            return failed(QStringLiteral("Le point de restauration de NetworkManager n'existe "
                                         "plus : il a expiré, et NetworkManager a alors remis les "
                                         "interfaces dans leur état précédent, ou un autre "
                                         "programme l'a supprimé."),
                          ChangeCause::failed);
        if (destroyed.error)
            return failure(*destroyed.error,
                           QStringLiteral("de supprimer le point de restauration"));
    }
    const QMutexLocker lock(&mutex);
    groups.remove(handle);
    return {};
}

CommandResult NetworkManagerCheckpoint::State::rollback(const QString &handle)
{
    if (handle.isEmpty())
        return {};
    Group group{handle.startsWith(u'/') ? handle : QString(), {}};
    {
        const QMutexLocker lock(&mutex);
        group = groups.value(handle, group);
    }
    if (group.checkpoint.isEmpty() && group.profiles.isEmpty())
        return failed(QStringLiteral("Brisvale n'a rien gardé de l'état précédent de ces profils."),
                      ChangeCause::failed);
    NetworkManagerBus bus(busAddress);
    if (auto failure = unreachable(bus))
        return *failure;
    QStringList problems;
    CommandResult outcome;
    const auto note = [&](const CommandResult &result) {
        problems.append(result.error);
        if (outcome.cause == ChangeCause::unclassified) {
            outcome.cause = result.cause;
            outcome.maybeApplied = result.maybeApplied;
        }
    };
    QStringList restoredDevices;
    if (!group.checkpoint.isEmpty()) {
        const auto rolledBack =
            bus.call(managerPath, managerInterface, QStringLiteral("CheckpointRollback"),
                     {objectPath(group.checkpoint)}, Wait::forPerson);
        if (rolledBack.error && NetworkManagerBus::daemonDidNotAnswer(*rolledBack.error))
            return failure(*rolledBack.error,
                           QStringLiteral("de revenir au point de restauration"));
        // Gone, it ran out and the daemon rolled it back, or another program destroyed it:
        // either way the kept settings put the profiles back.
        if (rolledBack.error && stillThere(bus, group.checkpoint))
            note(failure(*rolledBack.error, QStringLiteral("de revenir au point de restauration")));
        const QVariantMap results = map(rolledBack.value()).value_or(QVariantMap());
        for (auto device = results.cbegin(); device != results.cend(); ++device) {
            // NMRollbackResult: 0 is OK; then no device, unmanaged, failed.
            const quint32 result = unsignedNumber(device.value()).value_or(3);
            if (result == 0)
                restoredDevices.append(device.key());
            else
                note(failed(QStringLiteral("L'interface ") + interfaceOf(bus, device.key()) +
                                QStringLiteral(" n'a pas été remise dans son état précédent "
                                               "(NetworkManager répond %1).")
                                    .arg(result),
                            ChangeCause::failed));
        }
    }
    for (const KeptProfile &kept : std::as_const(group.profiles)) {
        if (auto failure = restore(bus, kept, restoredDevices))
            note(*failure);
    }
    if (!problems.isEmpty()) {
        outcome.status = 1;
        outcome.error = problems.join(u' ');
        return outcome;
    }
    const QMutexLocker lock(&mutex);
    groups.remove(handle);
    return {};
}

NetworkManagerCheckpoint::NetworkManagerCheckpoint(QString busAddress, std::chrono::seconds timeout)
    : m_state(std::make_shared<State>())
{
    registerTypes();
    m_state->busAddress = std::move(busAddress);
    m_state->timeout = timeout;
}

NetworkManagerCheckpoint::~NetworkManagerCheckpoint() = default;

QFuture<Transaction> NetworkManagerCheckpoint::begin(QList<ServiceTarget> targets)
{
    return QtConcurrent::run(BlockingPool::instance(),
                             [state = m_state, targets] { return state->begin(targets); });
}

QFuture<CommandResult> NetworkManagerCheckpoint::commit(QString handle)
{
    return QtConcurrent::run(BlockingPool::instance(),
                             [state = m_state, handle] { return state->commit(handle); });
}

QFuture<CommandResult> NetworkManagerCheckpoint::rollback(QString handle)
{
    return QtConcurrent::run(BlockingPool::instance(),
                             [state = m_state, handle] { return state->rollback(handle); });
}
