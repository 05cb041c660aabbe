// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// The on/off switch of a network service. Pressing it only asks: the owner decides whether the
// service changes, and isOn follows its answer.
Item {
    id: root

    property bool isOn

    signal toggled

    function activate() {
        if (enabled)
            toggled()
    }

    readonly property string toolTip: isOn ? "Désactiver le service réseau"
                                           : "Activer le service réseau"

    implicitWidth: 42
    implicitHeight: 24
    opacity: enabled ? 1 : 0.55
    activeFocusOnTab: true

    Accessible.role: Accessible.CheckBox
    Accessible.name: "Service réseau"
    Accessible.description: toolTip
    Accessible.checkable: true
    Accessible.checked: isOn
    Accessible.focusable: true
    Accessible.onPressAction: activate()
    Accessible.onToggleAction: activate()

    Keys.onPressed: event => {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return
                || event.key === Qt.Key_Enter) {
            event.accepted = true
            if (!event.isAutoRepeat)
                activate()
        }
    }

    Rectangle {
        id: track
        objectName: "track"
        width: 42
        height: 24
        anchors.centerIn: parent
        radius: height / 2
        color: ThemeState.palette.surfaceSunken
        border.color: ThemeState.palette.border
        border.width: 1

        // A fade rather than a colour animation: a change of theme recolours at once.
        Rectangle {
            objectName: "onFill"
            anchors.fill: parent
            radius: parent.radius
            color: ThemeState.palette.accent
            opacity: root.isOn ? 1 : 0
            Behavior on opacity {
                NumberAnimation { duration: 160; easing.type: Easing.InOutQuad }
            }
        }

        Item {
            id: knob
            objectName: "knob"
            x: root.isOn ? track.width - width - 3 : 3
            y: 3
            width: 18
            height: 18
            Behavior on x {
                NumberAnimation { duration: 160; easing.type: Easing.InOutQuad }
            }

            Rectangle {
                anchors.fill: parent
                anchors.margins: -1
                anchors.topMargin: 0
                anchors.bottomMargin: -2
                radius: width / 2
                color: ThemeState.palette.shadow
                opacity: 0.08
            }
            Rectangle {
                anchors.fill: parent
                anchors.topMargin: 1
                anchors.bottomMargin: -1
                radius: width / 2
                color: ThemeState.palette.shadow
                opacity: 0.14
            }
            Rectangle {
                anchors.fill: parent
                radius: width / 2
                color: ThemeState.palette.knob
            }
        }
    }

    MouseArea {
        id: pointer
        anchors.fill: parent
        hoverEnabled: true
        onClicked: root.activate()
    }

    FlatButton.FocusRing { radius: 15 }

    FlatButton.Tip {
        shown: root.enabled && pointer.containsMouse
        text: root.toolTip
    }
}
