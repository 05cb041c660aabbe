// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterInfo.h"
#include "CommandResult.h"

#include <QString>

// The French sentences for a change that was not made, picked from the cause its backend gave.
namespace ChangeMessages {

// Why a change to a service whose name another one shares is refused: the system would change
// the first of them, perhaps the other.
QString sharedNameRefusal(const QString &serviceName);

// The message for a change whose status is not 0; systemName is the system as the user knows it
// ("macOS", "NetworkManager").
QString failure(const CommandResult &result, const QString &systemName = QStringLiteral("macOS"));

// What the system still shows of a service after a change it did not confirm: its addressing,
// and its DNS servers when the change set them.
QString stillShown(const AdapterInfo &info, bool withDns);

} // namespace ChangeMessages
