// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "CommandResult.h"

#include <QFuture>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// Changes NetworkManager's connection profiles over D-Bus, each reached by its UUID: the profile
// is saved to disk, then applied at once to the device it is active on. Every call allows
// interactive authorization, so the desktop's agent asks for a password where the system's
// policy wants one. Results are CommandResults, like the Mac's writer: status 0 means the daemon
// took the change; otherwise the text says why, in words ChangeMessages::failure knows,
// and the profile is as it was. The callers verify by reading again.
namespace NetworkManagerWriter {

// A profile as the daemon hands it over and takes it back: setting name → property → value.
using Settings = QMap<QString, QVariantMap>;

// The DNS servers a change sets, in order (empty: none by hand, DHCP's are taken); none: the
// change leaves them alone and sends the profile's DNS settings back as they were.
using Dns = std::optional<QStringList>;

// name is the profile's id, for the messages only. An empty bus address is the system bus. The
// DNS servers go in the same save as the addressing, so they are applied together.
QFuture<CommandResult> setManual(const QString &uuid, const QString &name, const QString &ip,
                                 const QString &mask, const QString &router, const Dns &dns = {},
                                 const QString &busAddress = {});
QFuture<CommandResult> setDHCP(const QString &uuid, const QString &name, const Dns &dns = {},
                               const QString &busAddress = {});
QFuture<CommandResult> setEnabled(const QString &uuid, const QString &name, bool enabled,
                                  const QString &busAddress = {});

// The profile as the daemon takes it back without loss: the older lists (addresses, routes,
// dns) left out where the newer ones are there, as the daemon would take the older.
Settings withoutDeprecated(Settings profile);
// The profile with one manual address, the router as gateway (none when empty), and everything
// else as it was.
Settings withManualAddress(Settings profile, const QString &ip, int prefix, const QString &router);
// The profile taking its address from DHCP, its manual addresses and gateway gone.
Settings withDHCP(Settings profile);
Settings withAutoconnect(Settings profile, bool autoconnect);
// The profile with these IPv4 DNS servers set by hand, in order, DHCP's ignored while there are
// any; its search domains and the rest as they were.
Settings withDns(Settings profile, const QStringList &servers);

} // namespace NetworkManagerWriter
