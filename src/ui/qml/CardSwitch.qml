// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Brisvale

// The on/off switch of a network service. Pressing it only asks: the owner decides whether the
// service changes, and isOn follows its answer.
T.Switch {
    id: root

    property bool isOn

    function activate() {
        if (enabled)
            toggled()
    }

    readonly property string toolTip: isOn ? "Désactiver le service réseau"
                                           : "Activer le service réseau"

    checked: isOn
    // Qt flips the switch as it is pressed: until the owner answers, it shows what the owner says.
    onToggled: checked = Qt.binding(() => isOn)
    implicitWidth: 42
    implicitHeight: 24
    opacity: enabled ? 1 : 0.55
    // A click leaves the keyboard focus where it was.
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.name: "Service réseau"
    Accessible.description: toolTip
    Accessible.onPressAction: activate()
    Accessible.onToggleAction: activate()
    // Qt presses with Space; Return and Enter press too.
    Keys.onReturnPressed: event => { if (!event.isAutoRepeat) activate() }
    Keys.onEnterPressed: event => { if (!event.isAutoRepeat) activate() }

    indicator: Rectangle {
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

    FlatButton.FocusRing { radius: 15 }

    FlatButton.Tip {
        shown: root.enabled && root.hovered
        text: root.toolTip
    }
}
