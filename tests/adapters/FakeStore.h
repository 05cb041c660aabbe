// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "ConfigurationStore.h"

#include <QHash>
#include <QStringList>

// A configuration store that answers from prepared services and counts the handles it hands
// out, so a test can see that every read releases what it created. Services, interfaces and
// protocols are all handed out as the prepared service itself, which the test owns.
class FakeStore : public ConfigurationStore {
public:
    // A plain Ethernet service unless told otherwise.
    struct Service {
        std::optional<QString> name = QString("Ethernet"), id = QString("ID-Ethernet");
        std::optional<QString> device = QString("en0"), type = QString("Ethernet");
        std::optional<QString> displayName = QString("Ethernet");
        bool hasInterface = true, enabled = true, hasProtocol = true;
        QVariant configuration;
    };

    QList<Service> services;
    QHash<QString, QVariant> dynamicValues; // by key
    QString failing; // "preferences", "services" or "dynamic store": what it cannot give
    int created = 0, released = 0; // handles of either kind
    QStringList dynamicKeysAsked;

    Ref createPreferences(const QString &) override { return handle("preferences"); }
    Ref createDynamicStore(const QString &) override { return handle("dynamic store"); }
    std::optional<QList<Ref>> copyAllServices(const Ref &) override
    {
        if (failing == QLatin1String("services"))
            return std::nullopt;
        QList<Ref> refs;
        for (const Service &service : services)
            refs.append(Ref(&service, [](const void *) {}));
        return refs;
    }
    Ref serviceInterface(const Ref &s) override { return of(s).hasInterface ? s : Ref(); }
    std::optional<QString> serviceName(const Ref &s) override { return of(s).name; }
    std::optional<QString> serviceID(const Ref &s) override { return of(s).id; }
    bool serviceEnabled(const Ref &s) override { return of(s).enabled; }
    Ref copyIPv4Protocol(const Ref &s) override { return of(s).hasProtocol ? s : Ref(); }
    QVariant protocolConfiguration(const Ref &p) override { return of(p).configuration; }
    std::optional<QString> interfaceBSDName(const Ref &i) override { return of(i).device; }
    std::optional<QString> interfaceType(const Ref &i) override { return of(i).type; }
    std::optional<QString> interfaceDisplayName(const Ref &i) override { return of(i).displayName; }
    QVariant copyDynamicValue(const Ref &, const QString &key) override
    {
        dynamicKeysAsked.append(key);
        return dynamicValues.value(key);
    }

private:
    static const Service &of(const Ref &ref) { return *static_cast<const Service *>(ref.get()); }
    Ref handle(const char *kind)
    {
        if (failing == QLatin1String(kind))
            return {};
        ++created;
        return Ref(this, [this](const void *) { ++released; });
    }
};
