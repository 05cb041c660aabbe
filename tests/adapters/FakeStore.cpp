#include "adapters/FakeStore.h"

namespace {

// Services, interfaces and protocols are all handed out as a reference to the prepared
// service itself, whose lifetime the test owns.
ConfigurationStore::Ref refTo(const FakeStore::Service &service)
{
    return ConfigurationStore::Ref(&service, [](const void *) {});
}

} // namespace

const FakeStore::Service &FakeStore::serviceOf(const Ref &ref)
{
    return *static_cast<const Service *>(ref.get());
}

ConfigurationStore::Ref FakeStore::createPreferences(const QString &)
{
    if (preferencesFail)
        return {};
    ++preferencesCreated;
    return Ref(this, [this](const void *) { ++preferencesReleased; });
}

ConfigurationStore::Ref FakeStore::createDynamicStore(const QString &)
{
    if (dynamicStoreFail)
        return {};
    ++dynamicStoresCreated;
    return Ref(this, [this](const void *) { ++dynamicStoresReleased; });
}

std::optional<QList<ConfigurationStore::Ref>> FakeStore::copyAllServices(const Ref &)
{
    if (servicesMissing)
        return std::nullopt;
    QList<Ref> refs;
    for (const Service &service : services)
        refs.append(refTo(service));
    return refs;
}

ConfigurationStore::Ref FakeStore::serviceInterface(const Ref &service)
{
    return serviceOf(service).hasInterface ? service : Ref();
}

std::optional<QString> FakeStore::serviceName(const Ref &service)
{
    return serviceOf(service).name;
}

std::optional<QString> FakeStore::serviceID(const Ref &service)
{
    return serviceOf(service).id;
}

bool FakeStore::serviceEnabled(const Ref &service)
{
    return serviceOf(service).enabled;
}

ConfigurationStore::Ref FakeStore::copyIPv4Protocol(const Ref &service)
{
    return serviceOf(service).hasProtocol ? service : Ref();
}

QVariant FakeStore::protocolConfiguration(const Ref &protocol)
{
    return serviceOf(protocol).configuration;
}

std::optional<QString> FakeStore::interfaceBSDName(const Ref &interface)
{
    return serviceOf(interface).device;
}

std::optional<QString> FakeStore::interfaceType(const Ref &interface)
{
    return serviceOf(interface).type;
}

std::optional<QString> FakeStore::interfaceDisplayName(const Ref &interface)
{
    return serviceOf(interface).displayName;
}

QVariant FakeStore::copyDynamicValue(const Ref &, const QString &key)
{
    dynamicKeysAsked.append(key);
    return dynamicValues.value(key);
}
