// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerBus.h"

#include "DBusValues.h"

#include <atomic>

namespace {

constexpr std::chrono::milliseconds personTimeLimit = std::chrono::minutes(10);

QString connectionName()
{
    static std::atomic<int> connections = 0;
    return QStringLiteral("brisvale-networkmanager-%1").arg(++connections);
}

QDBusMessage methodCall(const QString &path, const QString &interface, const QString &method,
                        const QVariantList &arguments, NetworkManagerBus::Wait wait)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(NetworkManagerBus::service, path, interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    message.setInteractiveAuthorizationAllowed(wait == NetworkManagerBus::Wait::forPerson);
    return message;
}

} // namespace

QVariant NetworkManagerBus::Reply::value() const
{
    return error ? QVariant() : DBusValues::plain(arguments.value(0));
}

NetworkManagerBus::NetworkManagerBus(const QString &address, std::chrono::milliseconds timeLimit)
    : m_name(connectionName())
    , m_connection(address.isEmpty()
                       ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_name)
                       : QDBusConnection::connectToBus(address, m_name))
    , m_timeLimitMs(int(timeLimit.count()))
{
}

NetworkManagerBus::~NetworkManagerBus()
{
    QDBusConnection::disconnectFromBus(m_name);
}

NetworkManagerBus::Reply NetworkManagerBus::block(const QDBusMessage &message, Wait wait)
{
    const QDBusMessage reply =
        m_connection.call(message, QDBus::Block,
                          wait == Wait::forPerson ? int(personTimeLimit.count()) : m_timeLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {QDBusError(reply), {}};
    return {std::nullopt, reply.arguments()};
}

QDBusPendingCall NetworkManagerBus::send(const QString &path, const QString &interface,
                                         const QString &method)
{
    return m_connection.asyncCall(methodCall(path, interface, method, {}, Wait::forDaemon),
                                  m_timeLimitMs);
}

NetworkManagerBus::Reply NetworkManagerBus::call(const QString &path, const QString &interface,
                                                 const QString &method,
                                                 const QVariantList &arguments, Wait wait)
{
    return block(methodCall(path, interface, method, arguments, wait), wait);
}

NetworkManagerBus::Reply NetworkManagerBus::property(const QString &path, const QString &interface,
                                                     const QString &name)
{
    return call(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                {interface, name});
}

NetworkManagerBus::Reply NetworkManagerBus::hasOwner()
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    message << service;
    return block(message, Wait::forDaemon);
}

std::optional<QVariant> NetworkManagerBus::valueOf(const QDBusMessage &reply,
                                                   QLatin1String signature)
{
    if (reply.signature() != signature || reply.arguments().size() != 1)
        return std::nullopt;
    return DBusValues::plain(reply.arguments().first());
}

NetworkManagerBus::Fault NetworkManagerBus::faultOf(const QDBusError &error)
{
    const QString name = error.name();
    if (name == QLatin1String("org.freedesktop.PolicyKit1.Error.Cancelled") ||
        name == QLatin1String("org.freedesktop.NetworkManager.AgentManager.UserCanceled"))
        return Fault::cancelled;
    if ((name.startsWith(QLatin1String("org.freedesktop.NetworkManager.")) &&
         name.endsWith(QLatin1String(".PermissionDenied"))) ||
        name == QLatin1String("org.freedesktop.PolicyKit1.Error.NotAuthorized") ||
        name == QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"))
        return Fault::refused;
    // Asked not to start the daemon, the bus answers this (QDBusError::Other) when it is not
    // running.
    if (name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return Fault::absent;
    switch (error.type()) {
    case QDBusError::AccessDenied:
        return Fault::refused;
    case QDBusError::ServiceUnknown:
        return Fault::absent;
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
        return Fault::unreachable;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        // The bus answers NoReply at once when the daemon leaves without answering; the bus's
        // own words, not the daemon's, tell that apart.
        return error.message().contains(QLatin1String("disconnected"), Qt::CaseInsensitive)
                   ? Fault::left
                   : Fault::silent;
    default:
        return Fault::other;
    }
}

ChangeCause NetworkManagerBus::causeOf(const QDBusError &error)
{
    switch (faultOf(error)) {
    case Fault::absent:
    case Fault::unreachable:
        return ChangeCause::serviceGone;
    case Fault::left:
    case Fault::silent:
        return ChangeCause::timedOut;
    case Fault::refused:
        return ChangeCause::refused;
    case Fault::cancelled:
        return ChangeCause::cancelled;
    case Fault::other:
        break;
    }
    return ChangeCause::failed;
}

bool NetworkManagerBus::daemonDidNotAnswer(const QDBusError &error)
{
    const ChangeCause cause = causeOf(error);
    return cause == ChangeCause::serviceGone || cause == ChangeCause::timedOut;
}
