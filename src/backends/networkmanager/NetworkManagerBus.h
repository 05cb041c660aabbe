// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <chrono>
#include <optional>

// One private connection to NetworkManager, made and dropped on the thread that uses it: no
// blocking call ever waits on another thread's connection, and a bus or daemon that restarted
// is met afresh. No call it sends ever starts a daemon that the system has chosen not to run.
class NetworkManagerBus {
public:
    // How long a call may take before the daemon counts as not answering.
    static constexpr std::chrono::milliseconds callTimeLimit = std::chrono::seconds(5);

    static inline const QString service = QStringLiteral("org.freedesktop.NetworkManager");
    static inline const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");
    static inline const QString managerInterface = service;
    static inline const QString settingsPath = managerPath + QStringLiteral("/Settings");
    static inline const QString settingsInterface = service + QStringLiteral(".Settings");
    static inline const QString profileInterface =
        settingsInterface + QStringLiteral(".Connection");
    static inline const QString activeInterface = service + QStringLiteral(".Connection.Active");
    static inline const QString deviceInterface = service + QStringLiteral(".Device");
    static inline const QString ip4Interface = service + QStringLiteral(".IP4Config");
    // Where every object the daemon manages is listed at once.
    static inline const QString objectsPath = QStringLiteral("/org/freedesktop");
    static inline const QString objectsInterface =
        QStringLiteral("org.freedesktop.DBus.ObjectManager");

    // Only a call that may wait for the administrator's password gives the person time to type
    // it; polkit ends it at once when the prompt is dismissed. Any other call has the daemon's
    // limit, so a daemon that hangs holds a change for seconds, not minutes.
    enum class Wait { forDaemon, forPerson };

    // What a failed call says, told from the error's name: its message may quote a profile's
    // name, which may be anything ("Réseau cancel", "not authorized"). The daemon may be absent
    // from the bus, the bus unreachable; the daemon may have left without answering or stayed
    // silent past the limit; the policy, the bus or the authorization agent may have refused, the
    // person cancelled the administrator prompt; or the daemon answered with an error of its own.
    enum class Fault { absent, unreachable, left, silent, refused, cancelled, other };

    // What came back from a call that was waited for.
    struct Reply {
        std::optional<QDBusError> error;
        // As they came, containers still marshalled, so that they can be sent back unchanged.
        QVariantList arguments;

        // The first argument as a plain value (DBusValues); invalid after an error.
        QVariant value() const;
    };

    // An empty address is the system bus; `timeLimit` is the daemon's, for every call.
    explicit NetworkManagerBus(const QString &address,
                               std::chrono::milliseconds timeLimit = callTimeLimit);
    ~NetworkManagerBus();
    NetworkManagerBus(const NetworkManagerBus &) = delete;
    NetworkManagerBus &operator=(const NetworkManagerBus &) = delete;

    bool connected() const { return m_connection.isConnected(); }
    QDBusError lastError() const { return m_connection.lastError(); }

    // Sends the call without waiting, so that several can be on their way at once.
    QDBusPendingCall send(const QString &path, const QString &interface, const QString &method);
    Reply call(const QString &path, const QString &interface, const QString &method,
               const QVariantList &arguments = {}, Wait wait = Wait::forDaemon);
    Reply property(const QString &path, const QString &interface, const QString &name);
    // Whether the daemon runs now, asked of the bus itself: a boolean.
    Reply hasOwner();

    // The single argument of a reply of that signature, as a plain value; none for an error or
    // a reply of another shape.
    static std::optional<QVariant> valueOf(const QDBusMessage &reply, QLatin1String signature);

    static Fault faultOf(const QDBusError &error);
    static ChangeCause causeOf(const QDBusError &error);
    // Whether the daemon itself is missing, rather than something it was asked about refusing.
    static bool daemonDidNotAnswer(const QDBusError &error);

private:
    Reply block(const QDBusMessage &message, Wait wait);

    QString m_name;
    QDBusConnection m_connection;
    int m_timeLimitMs;
};
