// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

// The read-only view of the system's network configuration that the reader needs, one
// operation per platform call. macOS answers from SystemConfiguration; the simulated machine
// answers from its file; tests answer from prepared services.
//
// Values come back as QVariant shaped like property-list values (QString, QVariantList,
// QVariantMap, numbers), so that a value of the wrong type can be told from a missing one.
class ConfigurationStore {
public:
    // An object handed out by the platform, kept alive while a copy exists and released with
    // the last one. An empty Ref means the platform returned nothing.
    using Ref = std::shared_ptr<const void>;

    // The platform's names for interface types, configuration keys and methods.
    static constexpr auto interfaceTypeEthernet = "Ethernet";
    static constexpr auto interfaceTypeIEEE80211 = "IEEE80211";
    static constexpr auto keyConfigMethod = "ConfigMethod";
    static constexpr auto keyAddresses = "Addresses";
    static constexpr auto keySubnetMasks = "SubnetMasks";
    static constexpr auto keyRouter = "Router";
    static constexpr auto keyServerAddresses = "ServerAddresses";
    static constexpr auto methodDHCP = "DHCP";
    static constexpr auto methodBOOTP = "BOOTP";

    virtual ~ConfigurationStore() = default;

    virtual Ref createPreferences(const QString &name) = 0;
    virtual Ref createDynamicStore(const QString &name) = 0;

    // nullopt when there is no answer or the answer is not a list of services.
    virtual std::optional<QList<Ref>> copyAllServices(const Ref &preferences) = 0;
    virtual Ref serviceInterface(const Ref &service) = 0;
    virtual std::optional<QString> serviceName(const Ref &service) = 0;
    virtual std::optional<QString> serviceID(const Ref &service) = 0;
    virtual bool serviceEnabled(const Ref &service) = 0;
    virtual Ref copyIPv4Protocol(const Ref &service) = 0;
    // The DNS protocol of the service, which holds the servers set by hand.
    virtual Ref copyDNSProtocol(const Ref &service) = 0;
    virtual QVariant protocolConfiguration(const Ref &protocol) = 0;

    virtual std::optional<QString> interfaceBSDName(const Ref &interface) = 0;
    virtual std::optional<QString> interfaceType(const Ref &interface) = 0;
    virtual std::optional<QString> interfaceDisplayName(const Ref &interface) = 0;

    virtual QVariant copyDynamicValue(const Ref &dynamicStore, const QString &key) = 0;
};

// Makes the platform's store for one read; called on the thread that reads.
using ConfigurationStoreFactory = std::function<std::unique_ptr<ConfigurationStore>()>;
