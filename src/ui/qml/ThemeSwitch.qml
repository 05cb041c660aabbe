// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// The header's light and dark choice. Each press writes the choice, the selected one too, so
// that it is stored even when it only confirms the system's appearance.
Rectangle {
    id: root

    component Segment: Item {
        id: segment

        property string symbol
        property string accessibleName
        property bool selected
        signal activated

        width: 34
        height: 26
        activeFocusOnTab: true

        Accessible.role: Accessible.RadioButton
        Accessible.name: accessibleName
        Accessible.checkable: true
        Accessible.checked: selected
        Accessible.focusable: true
        Accessible.onPressAction: activated()

        Keys.onPressed: event => {
            if (event.key === Qt.Key_Space || event.key === Qt.Key_Return
                    || event.key === Qt.Key_Enter) {
                event.accepted = true
                if (!event.isAutoRepeat)
                    segment.activated()
            }
        }

        Rectangle {
            anchors.fill: parent
            radius: height / 2
            visible: segment.selected
            color: ThemeState.palette.surface
        }
        SymbolIcon {
            objectName: "symbol"
            anchors.centerIn: parent
            name: segment.symbol
            size: 12.5
            weight: Font.DemiBold
            color: segment.selected ? ThemeState.palette.text : ThemeState.palette.textMuted
        }
        MouseArea {
            anchors.fill: parent
            onClicked: segment.activated()
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
            symbol: "sun.max.fill"
            accessibleName: "Thème clair"
            selected: !ThemeState.isDark
            onActivated: ThemeState.isDark = false
        }
        Segment {
            objectName: "dark"
            symbol: "moon.fill"
            accessibleName: "Thème sombre"
            selected: ThemeState.isDark
            onActivated: ThemeState.isDark = true
        }
    }

    HoverHandler { id: hover }

    FlatButton.Tip {
        id: hint
        shown: hover.hovered
        text: "Basculer entre le thème clair et sombre"
    }
}
