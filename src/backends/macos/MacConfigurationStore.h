// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "ConfigurationStore.h"

// The network configuration of the Mac itself, read through the SystemConfiguration framework
// without any privilege. Every Create and Copy result is released with the last Ref holding it.
class MacConfigurationStore : public ConfigurationStore {
public:
    static ConfigurationStoreFactory factory();

    Ref createPreferences(const QString &name) override;
    Ref createDynamicStore(const QString &name) override;
    std::optional<QList<Ref>> copyAllServices(const Ref &preferences) override;
    Ref serviceInterface(const Ref &service) override;
    std::optional<QString> serviceName(const Ref &service) override;
    std::optional<QString> serviceID(const Ref &service) override;
    bool serviceEnabled(const Ref &service) override;
    Ref copyIPv4Protocol(const Ref &service) override;
    Ref copyDNSProtocol(const Ref &service) override;
    QVariant protocolConfiguration(const Ref &protocol) override;
    std::optional<QString> interfaceBSDName(const Ref &interface) override;
    std::optional<QString> interfaceType(const Ref &interface) override;
    std::optional<QString> interfaceDisplayName(const Ref &interface) override;
    QVariant copyDynamicValue(const Ref &dynamicStore, const QString &key) override;
};
