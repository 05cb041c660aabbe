#pragma once

#include "adapters/ConfigurationStore.h"

#include <QHash>
#include <QStringList>

// A configuration store that answers from prepared services and counts the handles it hands
// out, so a test can see that every read releases what it created.
class FakeStore : public ConfigurationStore {
public:
    struct Service {
        std::optional<QString> name;
        std::optional<QString> id;
        bool hasInterface = true;
        std::optional<QString> device;
        std::optional<QString> type;
        std::optional<QString> displayName;
        bool enabled = true;
        bool hasProtocol = true;
        QVariant configuration;
    };

    QList<Service> services;
    // Values of the dynamic store, by key.
    QHash<QString, QVariant> dynamicValues;

    bool preferencesFail = false;
    bool dynamicStoreFail = false;
    bool servicesMissing = false;

    int preferencesCreated = 0;
    int preferencesReleased = 0;
    int dynamicStoresCreated = 0;
    int dynamicStoresReleased = 0;
    QStringList dynamicKeysAsked;

    Ref createPreferences(const QString &name) override;
    Ref createDynamicStore(const QString &name) override;
    std::optional<QList<Ref>> copyAllServices(const Ref &preferences) override;
    Ref serviceInterface(const Ref &service) override;
    std::optional<QString> serviceName(const Ref &service) override;
    std::optional<QString> serviceID(const Ref &service) override;
    bool serviceEnabled(const Ref &service) override;
    Ref copyIPv4Protocol(const Ref &service) override;
    QVariant protocolConfiguration(const Ref &protocol) override;
    std::optional<QString> interfaceBSDName(const Ref &interface) override;
    std::optional<QString> interfaceType(const Ref &interface) override;
    std::optional<QString> interfaceDisplayName(const Ref &interface) override;
    QVariant copyDynamicValue(const Ref &dynamicStore, const QString &key) override;

private:
    static const Service &serviceOf(const Ref &ref);
};
