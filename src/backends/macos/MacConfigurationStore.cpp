// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "MacConfigurationStore.h"

#include "PropertyList.h"

#include <CoreFoundation/CoreFoundation.h>
#include <SystemConfiguration/SystemConfiguration.h>

using Ref = ConfigurationStore::Ref;

namespace {

// A Create or Copy result: released with the last Ref.
Ref adopt(CFTypeRef owned)
{
    if (!owned)
        return {};
    return Ref(owned, [](const void *object) { CFRelease(static_cast<CFTypeRef>(object)); });
}

// A Get result: owned by its parent, so retained for as long as the Ref lives.
Ref borrow(CFTypeRef unowned)
{
    if (!unowned)
        return {};
    CFRetain(unowned);
    return adopt(unowned);
}

template<typename T> T as(const Ref &ref)
{
    return static_cast<T>(const_cast<void *>(ref.get()));
}

std::optional<QString> text(CFStringRef string)
{
    if (!string || CFGetTypeID(string) != CFStringGetTypeID())
        return std::nullopt;
    return QString::fromCFString(string);
}

// Core Foundation values seen through the shapes every store hands the reader.
struct CFAdapter {
    static PropertyList::Kind kind(CFTypeRef value)
    {
        using PropertyList::Kind;
        if (!value)
            return Kind::none;
        const CFTypeID type = CFGetTypeID(value);
        if (type == CFStringGetTypeID())
            return Kind::string;
        if (type == CFNumberGetTypeID())
            return CFNumberIsFloatType(static_cast<CFNumberRef>(value)) ? Kind::real
                                                                        : Kind::integer;
        if (type == CFBooleanGetTypeID())
            return Kind::boolean;
        if (type == CFArrayGetTypeID())
            return Kind::array;
        if (type == CFDictionaryGetTypeID())
            return Kind::dictionary;
        if (type == CFDataGetTypeID())
            return Kind::data;
        if (type == CFDateGetTypeID())
            return Kind::date;
        return Kind::other;
    }
    static QString string(CFTypeRef value)
    {
        return QString::fromCFString(static_cast<CFStringRef>(value));
    }
    static qint64 integer(CFTypeRef value)
    {
        long long number = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberLongLongType, &number);
        return number;
    }
    static double real(CFTypeRef value)
    {
        double number = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberDoubleType, &number);
        return number;
    }
    static bool boolean(CFTypeRef value)
    {
        return CFBooleanGetValue(static_cast<CFBooleanRef>(value));
    }
    static QByteArray data(CFTypeRef value)
    {
        const auto data = static_cast<CFDataRef>(value);
        return QByteArray(reinterpret_cast<const char *>(CFDataGetBytePtr(data)),
                          qsizetype(CFDataGetLength(data)));
    }
    static QDateTime date(CFTypeRef value)
    {
        const CFAbsoluteTime seconds = CFDateGetAbsoluteTime(static_cast<CFDateRef>(value));
        return QDateTime::fromSecsSinceEpoch(qint64(seconds + kCFAbsoluteTimeIntervalSince1970),
                                             Qt::UTC);
    }
    static qsizetype count(CFTypeRef value)
    {
        return CFArrayGetCount(static_cast<CFArrayRef>(value));
    }
    static CFTypeRef at(CFTypeRef value, qsizetype index)
    {
        return CFArrayGetValueAtIndex(static_cast<CFArrayRef>(value), CFIndex(index));
    }
    static QList<std::pair<CFTypeRef, CFTypeRef>> entries(CFTypeRef value)
    {
        const auto dictionary = static_cast<CFDictionaryRef>(value);
        const CFIndex count = CFDictionaryGetCount(dictionary);
        QList<const void *> keys(count);
        QList<const void *> values(count);
        CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
        QList<std::pair<CFTypeRef, CFTypeRef>> entries;
        for (CFIndex i = 0; i < count; ++i)
            entries.append({keys[i], values[i]});
        return entries;
    }
};

} // namespace

ConfigurationStoreFactory MacConfigurationStore::factory()
{
    return [] { return std::unique_ptr<ConfigurationStore>(new MacConfigurationStore); };
}

Ref MacConfigurationStore::createPreferences(const QString &name)
{
    const Ref cfName = adopt(name.toCFString());
    return adopt(SCPreferencesCreate(nullptr, as<CFStringRef>(cfName), nullptr));
}

Ref MacConfigurationStore::createDynamicStore(const QString &name)
{
    const Ref cfName = adopt(name.toCFString());
    return adopt(SCDynamicStoreCreate(nullptr, as<CFStringRef>(cfName), nullptr, nullptr));
}

std::optional<QList<Ref>> MacConfigurationStore::copyAllServices(const Ref &preferences)
{
    const Ref all = adopt(SCNetworkServiceCopyAll(as<SCPreferencesRef>(preferences)));
    if (!all || CFGetTypeID(all.get()) != CFArrayGetTypeID())
        return std::nullopt;
    QList<Ref> services;
    const auto array = as<CFArrayRef>(all);
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
        CFTypeRef service = CFArrayGetValueAtIndex(array, i);
        if (!service || CFGetTypeID(service) != SCNetworkServiceGetTypeID())
            return std::nullopt;
        services.append(borrow(service));
    }
    return services;
}

Ref MacConfigurationStore::serviceInterface(const Ref &service)
{
    return borrow(SCNetworkServiceGetInterface(as<SCNetworkServiceRef>(service)));
}

std::optional<QString> MacConfigurationStore::serviceName(const Ref &service)
{
    return text(SCNetworkServiceGetName(as<SCNetworkServiceRef>(service)));
}

std::optional<QString> MacConfigurationStore::serviceID(const Ref &service)
{
    return text(SCNetworkServiceGetServiceID(as<SCNetworkServiceRef>(service)));
}

bool MacConfigurationStore::serviceEnabled(const Ref &service)
{
    return SCNetworkServiceGetEnabled(as<SCNetworkServiceRef>(service));
}

Ref MacConfigurationStore::copyIPv4Protocol(const Ref &service)
{
    return adopt(
        SCNetworkServiceCopyProtocol(as<SCNetworkServiceRef>(service), kSCNetworkProtocolTypeIPv4));
}

Ref MacConfigurationStore::copyDNSProtocol(const Ref &service)
{
    return adopt(
        SCNetworkServiceCopyProtocol(as<SCNetworkServiceRef>(service), kSCNetworkProtocolTypeDNS));
}

QVariant MacConfigurationStore::protocolConfiguration(const Ref &protocol)
{
    return PropertyList::toVariant<CFAdapter>(static_cast<CFTypeRef>(
        SCNetworkProtocolGetConfiguration(as<SCNetworkProtocolRef>(protocol))));
}

std::optional<QString> MacConfigurationStore::interfaceBSDName(const Ref &interface)
{
    return text(SCNetworkInterfaceGetBSDName(as<SCNetworkInterfaceRef>(interface)));
}

std::optional<QString> MacConfigurationStore::interfaceType(const Ref &interface)
{
    return text(SCNetworkInterfaceGetInterfaceType(as<SCNetworkInterfaceRef>(interface)));
}

std::optional<QString> MacConfigurationStore::interfaceDisplayName(const Ref &interface)
{
    return text(SCNetworkInterfaceGetLocalizedDisplayName(as<SCNetworkInterfaceRef>(interface)));
}

QVariant MacConfigurationStore::copyDynamicValue(const Ref &dynamicStore, const QString &key)
{
    const Ref cfKey = adopt(key.toCFString());
    const Ref value =
        adopt(SCDynamicStoreCopyValue(as<SCDynamicStoreRef>(dynamicStore), as<CFStringRef>(cfKey)));
    return PropertyList::toVariant<CFAdapter>(static_cast<CFTypeRef>(value.get()));
}
