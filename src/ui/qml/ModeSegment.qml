// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// Chooses between DHCP and a fixed address. It only asks: the owner writes the mode, so that a
// card may refuse or defer the change.
Rectangle {
    id: root

    property int mode: Kinds.ConfigMode.dhcp

    signal modeRequested(int mode)

    component Segment: FlatButton.Segment {
        id: segment

        implicitWidth: 108
        implicitHeight: 28

        contentItem: Item {
            Text {
                anchors.centerIn: parent
                text: segment.text
                color: segment.selected ? ThemeState.palette.text : ThemeState.palette.textMuted
                font.pixelSize: ThemeState.textSize.label
                font.weight: segment.selected ? Font.DemiBold : Font.Normal
            }
        }
        FlatButton.FocusRing { radius: 9 }
    }

    implicitWidth: segments.implicitWidth + 2 * 4
    implicitHeight: segments.implicitHeight + 2 * 4
    radius: 10
    color: ThemeState.palette.surfaceSunken
    border.color: ThemeState.palette.border
    border.width: 1
    opacity: enabled ? 1 : 0.55

    Accessible.role: Accessible.Grouping
    Accessible.name: "Mode de configuration"

    Rectangle {
        id: selection
        objectName: "selection"
        x: 4 + (root.mode === Kinds.ConfigMode.manual ? dhcp.width + segments.spacing : 0)
        y: 4
        width: 108
        height: 28
        radius: 7
        color: ThemeState.palette.surface
        border.color: ThemeState.palette.borderStrong
        border.width: 1

        Behavior on x {
            NumberAnimation { duration: 150; easing.type: Easing.InOutQuad }
        }
    }

    Row {
        id: segments
        x: 4
        y: 4
        spacing: 4

        Segment {
            id: dhcp
            objectName: "dhcp"
            text: "DHCP"
            selected: root.mode === Kinds.ConfigMode.dhcp
            onClicked: root.modeRequested(Kinds.ConfigMode.dhcp)
        }
        Segment {
            objectName: "manual"
            text: "Adresse fixe"
            selected: root.mode === Kinds.ConfigMode.manual
            onClicked: root.modeRequested(Kinds.ConfigMode.manual)
        }
    }
}
