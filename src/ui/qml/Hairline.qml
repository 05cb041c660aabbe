// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Layouts
import Brisvale

// A one-point separator across the available width.
Rectangle {
    implicitHeight: 1
    height: 1
    Layout.fillWidth: true
    Layout.preferredHeight: 1
    color: ThemeState.palette.border
    Accessible.ignored: true
}
