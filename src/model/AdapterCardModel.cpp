// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AdapterCardModel.h"

#include "IPv4.h"

#include <QRegularExpression>

namespace {

const QString defaultAddress = QStringLiteral("192.168.0.1");
const QString defaultMask = QStringLiteral("255.255.255.0");

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// A resolver asks its servers in turn: past a few, a longer list only slows a failing lookup.
constexpr qsizetype maximumDnsServers = 4;

// The servers typed in a DNS field, however they were separated: commas, blanks or both.
QStringList dnsEntries(const QString &text)
{
    // Unicode blanks too: a list pasted from a document may hold no-break spaces.
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    return text.split(separators, Qt::SkipEmptyParts);
}

// Compared and sent in canonical form: "192.168.001.001" is the server 192.168.1.1. A server
// typed twice is asked once: NetworkManager keeps one of them, and the re-read must match.
QStringList canonicalServers(const QStringList &servers)
{
    QStringList canonical;
    for (const QString &server : servers)
        canonical << IPv4::canonical(server).value_or(server);
    canonical.removeDuplicates();
    return canonical;
}

// The error for an address that is its subnet's network or broadcast address, none for a host.
std::optional<QString> subnetEdgeError(const QString &lead, quint32 address, quint32 mask)
{
    switch (IPv4::subnetRole(address, mask)) {
    case IPv4::SubnetRole::network:
        return lead + IPv4::format(address) + QStringLiteral(" est l'adresse du réseau.");
    case IPv4::SubnetRole::broadcast:
        return lead + IPv4::format(address) +
               QStringLiteral(" est l'adresse de diffusion du réseau.");
    case IPv4::SubnetRole::host:
        break;
    }
    return std::nullopt;
}

} // namespace

AdapterCardModel::AdapterCardModel(const AdapterInfo &info, QObject *parent)
    : QObject(parent)
    , m_id(info.id)
    , m_info(info)
    , m_mode(info.dhcp ? ConfigMode::dhcp : ConfigMode::manual)
    , m_ip(info.ip)
    , m_mask(info.mask)
    , m_router(info.router)
    , m_dns(info.dnsServers.join(QStringLiteral(", ")))
    , m_hasManualDraft(!info.dhcp && !info.ip.isEmpty())
{
    // Every stored property feeds the derived ones.
    for (auto signal : {&AdapterCardModel::infoChanged, &AdapterCardModel::modeChanged,
                        &AdapterCardModel::ipChanged, &AdapterCardModel::maskChanged,
                        &AdapterCardModel::routerChanged, &AdapterCardModel::dnsChanged,
                        &AdapterCardModel::busyChanged, &AdapterCardModel::showErrorsChanged,
                        &AdapterCardModel::messageChanged})
        connect(this, signal, this, &AdapterCardModel::derivedChanged);
}

void AdapterCardModel::setIp(const QString &ip)
{
    if (m_ip != ip) {
        m_ip = ip;
        emit ipChanged();
    }
    refreshSuggestedGateway();
}

void AdapterCardModel::setMask(const QString &mask)
{
    if (m_mask != mask) {
        m_mask = mask;
        emit maskChanged();
    }
    refreshSuggestedGateway();
}

void AdapterCardModel::setRouter(const QString &router)
{
    if (m_router != router) {
        m_router = router;
        emit routerChanged();
    }
    if (m_isSettingRouterInternally)
        return;
    // Whatever the user writes takes the router away from the suggestions; emptying it keeps
    // it empty.
    m_gatewayIsSuggested = false;
    m_gatewayIsInherited = false;
    m_userClearedGateway = isBlank(m_router);
}

void AdapterCardModel::setDns(const QString &dns)
{
    if (m_dns == dns)
        return;
    m_dns = dns;
    emit dnsChanged();
}

void AdapterCardModel::setRouterInternally(const QString &router)
{
    m_isSettingRouterInternally = true;
    setRouter(router);
    m_isSettingRouterInternally = false;
}

void AdapterCardModel::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged();
}

void AdapterCardModel::setShowErrors(bool showErrors)
{
    if (m_showErrors == showErrors)
        return;
    m_showErrors = showErrors;
    emit showErrorsChanged();
}

void AdapterCardModel::setMessage(const QString &message)
{
    m_messageAwaitsRead = false;
    if (m_message == message)
        return;
    m_message = message;
    emit messageChanged();
}

void AdapterCardModel::setMessageKind(MessageKind kind)
{
    if (m_messageKind == kind)
        return;
    m_messageKind = kind;
    emit messageChanged();
}

void AdapterCardModel::setMode(ConfigMode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    emit modeChanged();
}

void AdapterCardModel::setInfo(const AdapterInfo &info)
{
    if (m_info == info)
        return;
    m_info = info;
    emit infoChanged();
}

void AdapterCardModel::clearMessage()
{
    setMessage(QString());
    setMessageKind(MessageKind::info);
}

bool AdapterCardModel::canEdit() const
{
    return m_info.enabled && !m_busy;
}

bool AdapterCardModel::canTest() const
{
    return canEdit() && !m_info.ip.trimmed().isEmpty();
}

bool AdapterCardModel::isDirty() const
{
    if (dnsEdited())
        return true;
    if (m_mode == ConfigMode::dhcp)
        return !m_info.dhcp;
    // Exact texts: "192.168.1.050" or a trailing space is a change the user made.
    return m_info.dhcp || m_ip != m_info.ip || m_mask != m_info.mask || m_router != m_info.router;
}

QString AdapterCardModel::hintText() const
{
    if (!m_info.enabled)
        return QStringLiteral("Carte désactivée");
    if (m_mode == ConfigMode::dhcp)
        return QStringLiteral("Adresse attribuée automatiquement par le réseau");
    if (isDirty())
        return QStringLiteral("Configuration fixe en attente");
    return QStringLiteral("Adresse configurée manuellement");
}

std::optional<QString> AdapterCardModel::ipError() const
{
    if (m_mode != ConfigMode::manual)
        return std::nullopt;
    const std::optional<quint32> address = IPv4::parse(m_ip);
    if (!address)
        return QStringLiteral("Adresse IP invalide. Format attendu : 192.168.1.50");
    if (!IPv4::isHost(*address))
        return QStringLiteral("Adresse IP invalide : 0.0.0.0 et 255.255.255.255 sont interdites.");
    if (IPv4::isLinkLocal(*address))
        return QStringLiteral(
            "Adresse 169.254.x.x réservée au réseau local : choisissez une autre adresse.");
    // An interface given its subnet's network or broadcast address stops working.
    if (const std::optional<quint32> mask = IPv4::parseMask(m_mask))
        return subnetEdgeError(QStringLiteral("Adresse IP invalide : "), *address, *mask);
    return std::nullopt;
}

std::optional<QString> AdapterCardModel::maskError() const
{
    if (m_mode != ConfigMode::manual)
        return std::nullopt;
    const std::optional<quint32> mask = IPv4::parse(m_mask);
    if (!mask)
        return QStringLiteral("Masque invalide. Format attendu : 255.255.255.0");
    if (!IPv4::isContiguousMask(*mask))
        return QStringLiteral(
            "Masque non contigu : utilisez par exemple 255.255.255.0 ou 255.255.0.0.");
    return std::nullopt;
}

std::optional<QString> AdapterCardModel::routerError() const
{
    if (m_mode != ConfigMode::manual || isBlank(m_router))
        return std::nullopt;
    const std::optional<quint32> router = IPv4::parse(m_router);
    if (!router)
        return QStringLiteral("Passerelle invalide. Format attendu : 192.168.1.1");
    const std::optional<quint32> address = IPv4::parse(m_ip);
    if (!address)
        return std::nullopt;
    if (*router == *address)
        return QStringLiteral("La passerelle doit être différente de l'adresse IP.");
    const std::optional<quint32> mask = IPv4::parseMask(m_mask);
    if (!mask)
        return std::nullopt;
    if ((*router & *mask) != (*address & *mask))
        return QStringLiteral("La passerelle n'est pas dans le sous-réseau ") +
               IPv4::format(*address & *mask) + u'.';
    return subnetEdgeError(QStringLiteral("Passerelle invalide : "), *router, *mask);
}

std::optional<QString> AdapterCardModel::dnsError() const
{
    const QStringList entries = dnsEntries(m_dns);
    for (const QString &entry : entries) {
        // Queries are sent to a server: neither "this host" nor the broadcast address can take
        // them.
        if (!IPv4::parseHost(entry)) {
            // A whole paste would bury the message.
            const QString named = entry.size() > 40 ? entry.left(39) + QChar(0x2026) : entry;
            return QStringLiteral("Serveur DNS invalide : ") + named;
        }
    }
    if (dnsServers().size() > maximumDnsServers)
        return QStringLiteral("Quatre serveurs DNS au plus.");
    return std::nullopt;
}

QStringList AdapterCardModel::dnsServers() const
{
    return canonicalServers(dnsEntries(m_dns));
}

bool AdapterCardModel::dnsEdited() const
{
    return dnsServers() != canonicalServers(m_info.dnsServers);
}

QString AdapterCardModel::dnsPlaceholder() const
{
    // Without DHCP, no server comes unless one is given.
    if (m_mode == ConfigMode::manual)
        return QStringLiteral("Aucun serveur DNS");
    // What a lease gave is known only while the service runs on one, with no server by hand.
    if (!m_info.dhcp || m_info.dnsManual() || m_info.dnsInEffect.isEmpty())
        return QStringLiteral("Automatiques");
    return QStringLiteral("Automatiques : ") + m_info.dnsInEffect.join(QStringLiteral(", "));
}

std::optional<CardMessage> AdapterCardModel::displayMessage() const
{
    if (m_showErrors) {
        for (const std::optional<QString> &error :
             {ipError(), maskError(), routerError(), dnsError()}) {
            if (error)
                return CardMessage{*error, MessageKind::error};
        }
    }
    const CardMessage pending{QStringLiteral("Modification non appliquée"), MessageKind::warning};
    const bool dirty = isDirty();
    // A pending edit hides an informative or success message, not a warning or an error.
    if (dirty && m_messageKind != MessageKind::warning && m_messageKind != MessageKind::error)
        return pending;
    if (!m_message.isEmpty())
        return CardMessage{m_message, m_messageKind};
    if (dirty)
        return pending;
    return std::nullopt;
}

void AdapterCardModel::changeMode(ConfigMode mode)
{
    if (mode == m_mode)
        return;
    if (mode == ConfigMode::dhcp) {
        setMode(ConfigMode::dhcp);
    } else {
        if (!m_hasManualDraft) {
            // Seeded while the mode is still dhcp, so the address observers stay quiet.
            setIp(IPv4::parseUsableHost(m_info.ip) ? m_info.ip : defaultAddress);
            setMask(IPv4::parseMask(m_info.mask) ? m_info.mask : defaultMask);
            if (IPv4::parseUsableHost(m_info.router)) {
                setRouter(m_info.router);
                m_gatewayIsInherited = true;
                m_gatewayIsSuggested = false;
            } else {
                if (!m_router.isEmpty())
                    setRouterInternally(QString());
                m_gatewayIsSuggested = true;
            }
            m_userClearedGateway = false;
            m_hasManualDraft = true;
        }
        setMode(ConfigMode::manual);
        refreshSuggestedGateway();
    }
    setShowErrors(false);
    clearMessage();
}

void AdapterCardModel::loadDraftFromInfo()
{
    setMode(m_info.dhcp ? ConfigMode::dhcp : ConfigMode::manual);
    // The observers may suggest a router in between; the router assigned last wins.
    setIp(m_info.ip);
    setMask(m_info.mask);
    setRouter(m_info.router);
    setDns(m_info.dnsServers.join(QStringLiteral(", ")));
    m_gatewayIsSuggested = false;
    m_gatewayIsInherited = false;
    m_userClearedGateway = false;
}

ProfileEntry AdapterCardModel::draftEntry() const
{
    ProfileEntry entry = ProfileEntry::fromRecord(m_info);
    entry.dhcp = m_mode == ConfigMode::dhcp;
    const auto canonical = [](const QString &text) {
        return IPv4::canonical(text).value_or(text.trimmed());
    };
    entry.ip = entry.dhcp ? QString() : canonical(m_ip);
    entry.mask = entry.dhcp ? QString() : canonical(m_mask);
    entry.router = entry.dhcp ? QString() : canonical(m_router);
    entry.dnsServers = dnsServers();
    return entry;
}

void AdapterCardModel::loadEntry(const ProfileEntry &entry)
{
    changeMode(entry.dhcp ? ConfigMode::dhcp : ConfigMode::manual);
    if (!entry.dhcp) {
        setIp(entry.ip);
        setMask(entry.mask);
        setRouter(entry.router);
    }
    setDns(entry.dnsServers.join(QStringLiteral(", ")));
}

void AdapterCardModel::resetDraft()
{
    loadDraftFromInfo();
    m_hasManualDraft = !m_info.dhcp && !m_info.ip.isEmpty();
    setShowErrors(false);
    clearMessage();
}

void AdapterCardModel::update(const AdapterInfo &info, bool reset)
{
    const bool wasDirty = !reset && isDirty();
    const bool enabledChanged = info.enabled != m_info.enabled;
    setInfo(info);
    if (reset)
        m_hasManualDraft = false;
    if (enabledChanged)
        clearMessage();
    // The user's pending edit stays as it is against the new record.
    if (wasDirty)
        return;
    loadDraftFromInfo();
    if (m_mode == ConfigMode::manual && !m_info.ip.isEmpty())
        m_hasManualDraft = true;
}

void AdapterCardModel::seenByRead()
{
    if (m_messageAwaitsRead)
        clearMessage();
}

void AdapterCardModel::refreshSuggestedGateway()
{
    if (m_mode != ConfigMode::manual)
        return;
    const QString current = m_router.trimmed();

    if (m_gatewayIsInherited) {
        if (!current.isEmpty()) {
            const std::optional<quint32> router = IPv4::parse(current);
            const std::optional<quint32> address = IPv4::parse(m_ip);
            const std::optional<quint32> mask = IPv4::parseMask(m_mask);
            // The system's router stays while it still fits the subnet.
            if (router && address && mask && IPv4::sameSubnet(*router, *address, *mask) &&
                *router != *address)
                return;
            const std::optional<QString> suggestion = IPv4::suggestedGateway(m_ip, m_mask);
            if (!suggestion)
                return;
            if (m_router != *suggestion)
                setRouterInternally(*suggestion);
            m_gatewayIsInherited = false;
            m_gatewayIsSuggested = true;
            return;
        }
        m_gatewayIsInherited = false;
        m_gatewayIsSuggested = true;
    }

    if (!m_gatewayIsSuggested && (!current.isEmpty() || m_userClearedGateway))
        return;

    const std::optional<QString> suggestion = IPv4::suggestedGateway(m_ip, m_mask);
    if (!suggestion) {
        if (m_gatewayIsSuggested) {
            if (!m_router.isEmpty())
                setRouterInternally(QString());
            m_gatewayIsSuggested = false;
        }
        return;
    }
    if (current != *suggestion && m_router != *suggestion)
        setRouterInternally(*suggestion);
    m_gatewayIsSuggested = true;
}
