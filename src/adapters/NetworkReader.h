#pragma once

#include "adapters/AdapterInfo.h"
#include "adapters/AdapterRead.h"
#include "adapters/ConfigurationStore.h"
#include "system/SystemTools.h"

#include <QFuture>
#include <QList>
#include <QStringList>

#include <chrono>

// Builds the list of switchable network services from the configuration, the live IPv4 state
// and the link status, sorted for display. Keeps nothing between reads and reports no errors:
// a read that fails at the root is an empty list, and the caller decides what that means.
class NetworkReader {
public:
    static constexpr auto handleName = "Brisvale";
    static const QStringList excludedDevicePrefixes;
    static constexpr std::chrono::seconds linkTestTimeLimit{10};

    NetworkReader(ConfigurationStore &platform, ConfigurationStore::Ref preferences,
                  ConfigurationStore::Ref dynamicStore, SystemTools tools);

    // One complete read with the handles given; blocks for one ifconfig run per enabled service.
    QList<AdapterInfo> read() const;

    // Creates both handles, reads, and releases them whatever path the read takes.
    static QList<AdapterInfo> readOnce(ConfigurationStore &platform, const SystemTools &tools);

    // One read on the blocking pool, with a store made by the factory for that read alone.
    static QFuture<AdapterRead> readAsync(ConfigurationStoreFactory factory, SystemTools tools);

    static bool isSupported(const QString &interfaceType, const QString &device);

private:
    struct IPv4Values {
        QString method;
        QString ip;
        QString mask;
        QString router;
    };

    std::optional<AdapterInfo> readService(const ConfigurationStore::Ref &service) const;
    IPv4Values configuredIPv4(const ConfigurationStore::Ref &service) const;
    void overlayLiveIPv4(const QString &id, IPv4Values &values) const;
    bool linkIsUp(const QString &device) const;

    ConfigurationStore &m_platform;
    ConfigurationStore::Ref m_preferences;
    ConfigurationStore::Ref m_dynamicStore;
    SystemTools m_tools;
};
