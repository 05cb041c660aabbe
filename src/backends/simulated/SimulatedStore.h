// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "ConfigurationStore.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class SimulatedMachine;

// The configuration store of the simulated machine. The file is read afresh by every
// createPreferences(), so each read sees the machine as it is at that moment; live IPv4 state
// (DHCP leases) is derived when it is asked for, so no daemon needs to run.
class SimulatedStore : public ConfigurationStore {
public:
    using Clock = std::function<QDateTime()>;

    explicit SimulatedStore(QString path, Clock clock = &QDateTime::currentDateTimeUtc);

    // A factory for the reader: one store per read, over the same file.
    static ConfigurationStoreFactory factory(QString path);

    // Why the last createPreferences() gave nothing; empty after a good load.
    QString problem() const { return m_problem; }

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

private:
    // The preferences and the dynamic store of one read share one parse of the file, whichever
    // of the two is created first; the next pair parses again.
    std::shared_ptr<const SimulatedMachine> machineFor(bool preferences);

    QString m_path;
    Clock m_clock;
    QString m_problem;
    std::shared_ptr<const SimulatedMachine> m_machine;
    bool m_parsed = false;
    bool m_preferencesTaken = false;
    bool m_dynamicStoreTaken = false;
};
