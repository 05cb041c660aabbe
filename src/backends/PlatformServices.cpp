// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlatformServices.h"

#include "ChangeMessages.h"
#include "NetworkReader.h"
#include "PingRunner.h"
#include "SimulatedStore.h"
#if defined(Q_OS_MACOS)
#include "MacConfigurationStore.h"
#elif defined(Q_OS_LINUX)
#include "NetworkManagerServices.h"
#endif
#include "NetworkWriter.h"

#include <QCoroTimer>
#include <QFuture>
#include <QTimer>

namespace {

// Where a minimum wait matters a coarse timer may fire a little early; this one does not.
QCoro::Task<> preciseWait(std::chrono::milliseconds delay)
{
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(delay);
    co_await timer;
}

// networksetup changes the first service that bears the name: one of the same name added since
// the cards were read would take the change. The name is looked up once more right before the
// privileged request.
NetworkWriter::Precheck nameStillUnique(ConfigurationStoreFactory stores, QString name)
{
    return [stores = std::move(stores), name = std::move(name)]() -> std::optional<CommandResult> {
        const std::unique_ptr<ConfigurationStore> platform = stores();
        const std::optional<int> named =
            platform ? NetworkReader::servicesNamed(*platform, name) : std::nullopt;
        // An unreadable configuration decides nothing here: networksetup will say what it finds.
        if (!named || *named <= 1)
            return std::nullopt;
        return CommandResult{.status = 1,
                             .output = {},
                             .error = ChangeMessages::sharedNameRefusal(name),
                             .timedOut = false,
                             .cause = ChangeCause::invalid};
    };
}

} // namespace

SystemServices platformServices(ConfigurationStoreFactory stores, const SystemTools &tools)
{
    SystemServices services;
    services.readAdapters = [stores, tools] { return NetworkReader::readAsync(stores, tools); };
    // networksetup knows services by name only.
    services.setManual = [stores, tools](ServiceTarget service, QString ip, QString mask,
                                         QString router, DnsChange dns) {
        return NetworkWriter::setManual(tools, service.name, ip, mask, router, std::move(dns),
                                        nameStillUnique(stores, service.name));
    };
    services.setDHCP = [stores, tools](ServiceTarget service, DnsChange dns) {
        return NetworkWriter::setDHCP(tools, service.name, std::move(dns),
                                      nameStillUnique(stores, service.name));
    };
    services.setServiceEnabled = [stores, tools](ServiceTarget service, bool enabled) {
        return NetworkWriter::setServiceEnabled(tools, service.name, enabled,
                                                nameStillUnique(stores, service.name));
    };
    // A profile's changes go in one privileged request: one password for the whole profile.
    services.changeServices = [stores, tools](QList<ServiceChange> changes) {
        QList<NetworkWriter::Precheck> checks;
        for (const ServiceChange &change : changes)
            checks.append(nameStillUnique(stores, change.target.name));
        return NetworkWriter::changeServices(
            tools, changes, [checks]() -> std::optional<CommandResult> {
                for (const NetworkWriter::Precheck &check : checks) {
                    if (std::optional<CommandResult> refusal = check())
                        return refusal;
                }
                return std::nullopt;
            });
    };
    services.addressesServicesByName = true;
    services.ping = [tools](QString address, QString device, int count) {
        return PingRunner::send(PingRunner::macOS(), tools.ping(), address, device, count);
    };
    services.wait = &preciseWait;
    return services;
}

SystemServices simulatedServices(const QString &machinePath, const SystemTools &tools)
{
    return platformServices(SimulatedStore::factory(machinePath), tools);
}

Backend chooseBackend(bool realSystemAvailable, bool simulationRequested)
{
    return realSystemAvailable && !simulationRequested ? Backend::realSystem
                                                       : Backend::simulatedMachine;
}

RealSystem probeRealSystem()
{
#if defined(Q_OS_MACOS)
    return {true, {}, {}, {}};
#elif defined(Q_OS_LINUX)
    // The version comes with the probe's one question, at no extra cost to the start.
    const NetworkManagerServices::Probe probe = NetworkManagerServices::probe();
    return {probe.answers, QStringLiteral("NetworkManager"), probe.version, probe.cause};
#else
    return {
        false, {}, {}, QStringLiteral("Brisvale ne sait pas modifier le réseau de ce système.")};
#endif
}

SystemServices realSystemServices()
{
#if defined(Q_OS_MACOS)
    return platformServices(MacConfigurationStore::factory(), SystemTools::native());
#elif defined(Q_OS_LINUX)
    SystemServices services = NetworkManagerServices::services();
    services.wait = &preciseWait;
    return services;
#else
    // No backend here: a read finds nothing, which the model reports as no adapters.
    return platformServices([] { return std::unique_ptr<ConfigurationStore>(); },
                            SystemTools::native());
#endif
}

namespace {

// How a listing writes BEL to CR, the controls with a C short form.
constexpr QLatin1String shortForms[] = {
    QLatin1String("\\a"), QLatin1String("\\b"), QLatin1String("\\t"), QLatin1String("\\n"),
    QLatin1String("\\v"), QLatin1String("\\f"), QLatin1String("\\r"),
};

} // namespace

// A field of a listing line: a name may hold anything, and a line end or a control character
// reaching a terminal would break the line apart or be acted on.
QString listingField(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        const char16_t code = c.unicode();
        if (code == u'\\')
            escaped += QLatin1String("\\\\");
        else if (code >= 0x07 && code <= 0x0d)
            escaped += shortForms[code - 0x07];
        else if (code == 0x1b)
            escaped += QLatin1String("\\e");
        else if (code < 0x20 || code == 0x7f)
            escaped += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        // C1 controls, and the line and paragraph separators: NEL (U+0085) and U+2028 end a
        // line as surely as a line feed.
        else if ((code >= 0x80 && code <= 0x9f) || code == 0x2028 || code == 0x2029)
            escaped += QStringLiteral("\\u%1").arg(int(code), 4, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}

namespace {

QString kindName(AdapterKind kind)
{
    switch (kind) {
    case AdapterKind::wifi:
        return QStringLiteral("wifi");
    case AdapterKind::ethernet:
        return QStringLiteral("ethernet");
    case AdapterKind::other:
        break;
    }
    return QStringLiteral("other");
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

QString serviceListing(const QList<AdapterInfo> &adapters)
{
    QString listing;
    for (const AdapterInfo &adapter : adapters) {
        const QStringList fields = {
            listingField(adapter.serviceName),
            listingField(adapter.id),
            listingField(adapter.device),
            kindName(adapter.kind),
            yesNo(adapter.enabled),
            yesNo(adapter.connected),
            adapter.dhcp ? QStringLiteral("dhcp") : QStringLiteral("manual"),
            listingField(adapter.ip),
            listingField(adapter.mask),
            listingField(adapter.router),
            listingField(adapter.dnsInEffect.join(u',')),
        };
        listing += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return listing;
}
