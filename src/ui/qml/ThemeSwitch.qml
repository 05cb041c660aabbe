// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// The header's light and dark choice. Each press writes the choice, the selected one too, so
// that it is stored even when it only confirms the system's appearance.
Rectangle {
    id: root

    component Segment: FlatButton.Segment {
        id: segment

        implicitWidth: 34
        implicitHeight: 26

        background: Rectangle {
            radius: height / 2
            visible: segment.selected
            color: ThemeState.palette.surface
        }
        contentItem: Item {
            SymbolIcon {
                objectName: "symbol"
                anchors.centerIn: parent
                name: segment.icon.name
                size: 12.5
                weight: Font.DemiBold
                color: segment.selected ? ThemeState.palette.text : ThemeState.palette.textMuted
            }
        }
        FlatButton.FocusRing { radius: 16 }
    }

    implicitWidth: segments.implicitWidth + 2 * 3
    implicitHeight: segments.implicitHeight + 2 * 3
    radius: height / 2
    color: ThemeState.palette.surfaceSunken
    border.color: ThemeState.palette.border
    border.width: 1

    Accessible.role: Accessible.Grouping
    Accessible.name: "Thème"
    Accessible.description: hint.text

    Row {
        id: segments
        anchors.centerIn: parent
        spacing: 2

        Segment {
            objectName: "light"
            icon.name: "sun.max.fill"
            text: "Thème clair"
            selected: !ThemeState.isDark
            onClicked: ThemeState.isDark = false
        }
        Segment {
            objectName: "dark"
            icon.name: "moon.fill"
            text: "Thème sombre"
            selected: ThemeState.isDark
            onClicked: ThemeState.isDark = true
        }
    }

    HoverHandler { id: hover }

    FlatButton.Tip {
        id: hint
        shown: hover.hovered
        text: "Basculer entre le thème clair et sombre"
    }
}
