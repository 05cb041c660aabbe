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

    component Segment: Item {
        id: segment

        property string title
        property bool selected
        signal activated

        function activate() {
            if (enabled)
                activated()
        }

        width: 108
        height: 28
        activeFocusOnTab: true

        Accessible.role: Accessible.RadioButton
        Accessible.name: title
        Accessible.checkable: true
        Accessible.checked: selected
        Accessible.focusable: true
        Accessible.onPressAction: activate()

        Keys.onPressed: event => {
            if (event.key === Qt.Key_Space || event.key === Qt.Key_Return
                    || event.key === Qt.Key_Enter) {
                event.accepted = true
                if (!event.isAutoRepeat)
                    activate()
            }
        }

        Text {
            anchors.centerIn: parent
            text: segment.title
            color: segment.selected ? ThemeState.palette.text : ThemeState.palette.textMuted
            font.pixelSize: ThemeState.textSize.label
            font.weight: segment.selected ? Font.DemiBold : Font.Normal
        }
        MouseArea {
            anchors.fill: parent
            onClicked: segment.activate()
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
            title: "DHCP"
            selected: root.mode === Kinds.ConfigMode.dhcp
            onActivated: root.modeRequested(Kinds.ConfigMode.dhcp)
        }
        Segment {
            objectName: "manual"
            title: "Adresse fixe"
            selected: root.mode === Kinds.ConfigMode.manual
            onActivated: root.modeRequested(Kinds.ConfigMode.manual)
        }
    }
}
