// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterInfo.h"
#include "AdapterRead.h"
#include "ConfigurationStore.h"
#include "SystemTools.h"

#include <QFuture>
#include <QList>
#include <QStringList>

#include <algorithm>
#include <chrono>

// Builds the list of switchable network services from the configuration, the live IPv4 state
// and the link status, sorted for display. Keeps nothing between reads. A read that fails at
// the root is an empty list with the cause in French; the caller decides what that means.
class NetworkReader {
public:
    static constexpr auto handleName = "Brisvale";
    static const QStringList excludedDevicePrefixes;
    static constexpr std::chrono::seconds linkTestTimeLimit{10};
    // Link tests of one read that run at once on the blocking pool, leaving room there for
    // the pings and changes that may run meanwhile.
    static constexpr int defaultLinkTestConcurrency = 8;

    NetworkReader(ConfigurationStore &platform, ConfigurationStore::Ref preferences,
                  ConfigurationStore::Ref dynamicStore, SystemTools tools);

    // At most that many link tests at once; 1 runs them one after the other on the reading
    // thread.
    void setLinkTestConcurrency(int concurrency)
    {
        m_linkTestConcurrency = std::max(1, concurrency);
    }

    // One complete read with the handles given; blocks for one ifconfig run per enabled service.
    AdapterRead readAll() const;
    QList<AdapterInfo> read() const { return readAll().adapters; }

    // Creates both handles, reads, and releases them whatever path the read takes.
    static AdapterRead readOnceWithCause(ConfigurationStore &platform, const SystemTools &tools,
                                         int linkTestConcurrency = defaultLinkTestConcurrency);
    static QList<AdapterInfo> readOnce(ConfigurationStore &platform, const SystemTools &tools)
    {
        return readOnceWithCause(platform, tools).adapters;
    }

    // One read on the blocking pool, with a store made by the factory for that read alone.
    static QFuture<AdapterRead> readAsync(ConfigurationStoreFactory factory, SystemTools tools);

    // How many of the system's services, switchable or not, bear that name now; nullopt when
    // the configuration cannot be read.
    static std::optional<int> servicesNamed(ConfigurationStore &platform, const QString &name);

    static bool isSupported(const QString &interfaceType, const QString &device);

private:
    struct IPv4Values {
        QString method;
        QString ip;
        QString mask;
        QString router;
        // The configured addresses after the first, "address/prefix".
        QStringList others;
    };

    // The record without its link state, which the caller tests.
    std::optional<AdapterInfo> readService(const ConfigurationStore::Ref &service) const;
    void testLinks(QList<AdapterInfo> &adapters) const;
    IPv4Values configuredIPv4(const ConfigurationStore::Ref &service) const;
    void overlayLiveIPv4(const QString &id, IPv4Values &values) const;
    void readDNS(const ConfigurationStore::Ref &service, AdapterInfo &adapter) const;
    bool linkIsUp(const QString &device) const;

    ConfigurationStore &m_platform;
    ConfigurationStore::Ref m_preferences;
    ConfigurationStore::Ref m_dynamicStore;
    SystemTools m_tools;
    int m_linkTestConcurrency = defaultLinkTestConcurrency;
};
