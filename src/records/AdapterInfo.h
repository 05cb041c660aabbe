// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Kinds.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

// One snapshot of one network service as the system reports it. A newer state of the same
// service arrives as a new record with the same id; records are never edited in place.
struct AdapterInfo {
    Q_GADGET

    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString serviceName MEMBER serviceName)
    Q_PROPERTY(QString device MEMBER device)
    Q_PROPERTY(QString hardwareName MEMBER hardwareName)
    Q_PROPERTY(Kinds::AdapterKind kind MEMBER kind)
    Q_PROPERTY(bool enabled MEMBER enabled)
    Q_PROPERTY(bool connected MEMBER connected)
    Q_PROPERTY(bool dhcp MEMBER dhcp)
    Q_PROPERTY(QString ip MEMBER ip)
    Q_PROPERTY(QString mask MEMBER mask)
    Q_PROPERTY(QString router MEMBER router)
    Q_PROPERTY(QStringList otherAddresses MEMBER otherAddresses)
    Q_PROPERTY(bool inEffect MEMBER inEffect)
    Q_PROPERTY(QStringList dnsServers MEMBER dnsServers)
    Q_PROPERTY(QStringList dnsInEffect MEMBER dnsInEffect)
    Q_PROPERTY(QStringList dnsKept MEMBER dnsKept)
    Q_PROPERTY(bool dnsManual READ dnsManual STORED false)
    Q_PROPERTY(QString otherAddressesLabel READ otherAddressesLabel STORED false)
    Q_PROPERTY(QString metaLabel READ metaLabel STORED false)
    Q_PROPERTY(QString metaToolTip READ metaToolTip STORED false)
    Q_PROPERTY(QString isolatedName READ isolatedName STORED false)

public:
    QString id;
    QString serviceName;
    QString device;
    QString hardwareName;
    AdapterKind kind = AdapterKind::other;
    bool enabled = false;
    bool connected = false;
    bool dhcp = false;
    QString ip;
    QString mask;
    QString router;
    // The service's other addresses, "address/prefix" in the system's order: the card's address
    // is always the first one.
    QStringList otherAddresses;
    // Whether the device runs what the saved configuration says. A system that keeps both
    // (NetworkManager) may hold a change on disk that a device has not taken yet.
    bool inEffect = true;
    // The IPv4 DNS servers set by hand, in the system's order; empty when they come from DHCP.
    QStringList dnsServers;
    // The IPv4 DNS servers the system uses now, in order, wherever they came from.
    QStringList dnsInEffect;
    // Servers set by hand that the card does not show (IPv6): a DNS change sends them back
    // after the card's own, so they are never lost.
    QStringList dnsKept;

    // Whether the DNS servers were set by hand rather than given by DHCP.
    bool dnsManual() const { return !dnsServers.isEmpty() || !dnsKept.isEmpty(); }

    // One-line French description of the addressing state; the link plays no part in it.
    QString summaryText() const;
    // The card's secondary label: hardware name and device.
    QString metaLabel() const;
    // "+1 adresse", "+2 adresses"; empty for a service with one address or none.
    QString otherAddressesLabel() const;
    // The secondary label whole, with every address of a service that has several.
    QString metaToolTip() const;
    // The service name as the window shows it: in a first-strong isolate when it holds
    // right-to-left text or direction controls (U+202E), so that they reach no text around it
    // and the name takes its own direction.
    QString isolatedName() const;

    friend bool operator==(const AdapterInfo &, const AdapterInfo &) = default;
};

Q_DECLARE_METATYPE(AdapterInfo)

// Puts services in display order: connected first, then enabled, then by name as the user's
// language orders it; ties keep the system's order.
void sortForDisplay(QList<AdapterInfo> &adapters);

// Gives every record of one read its own id: the first keeps its own, a later one sharing it
// takes an id derived from its device, the same at every read of the same services.
void makeIDsUnique(QList<AdapterInfo> &adapters);
