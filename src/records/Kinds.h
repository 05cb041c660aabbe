// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QObject>

// The small enumerations every layer speaks in. They share one namespace so that QML reaches
// them as Kinds.AdapterKind.wifi: QML only resolves lowercase cases through their enum's name.
namespace Kinds {
Q_NAMESPACE

// Family of a network interface.
enum class AdapterKind { wifi, ethernet, other };
Q_ENUM_NS(AdapterKind)

// Editing mode of a card, and the two positions of the mode control.
enum class ConfigMode { dhcp, manual };
Q_ENUM_NS(ConfigMode)

// Severity that travels with every message shown to the user.
enum class MessageKind { none, info, success, warning, error };
Q_ENUM_NS(MessageKind)

// The main window's tabs.
enum class MainTab { cards, ping, profiles };
Q_ENUM_NS(MainTab)

// The quit dialog's answer; closing the dialog counts as stay.
enum class QuitChoice { primary, secondary, stay };
Q_ENUM_NS(QuitChoice)

} // namespace Kinds

using Kinds::AdapterKind;
using Kinds::ConfigMode;
using Kinds::MainTab;
using Kinds::MessageKind;
using Kinds::QuitChoice;
