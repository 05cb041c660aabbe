// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// The small progress spinner: twelve spokes fading round the clock, 20 × 20. The indicator has
// no padding, so its whole box is the drawing; the Basic style's own would leave it a few
// pixels wide.
BusyIndicator {
    id: root

    property color color: ThemeState.palette.textMuted

    implicitWidth: 20
    implicitHeight: 20
    padding: 0
    visible: running

    contentItem: Item {
        id: wheel
        objectName: "spinnerWheel"

        implicitWidth: 20
        implicitHeight: 20

        Repeater {
            model: 12

            Rectangle {
                required property int index

                x: (wheel.width - width) / 2
                y: 0
                width: Math.max(1.5, wheel.width / 10)
                height: wheel.height * 0.28
                radius: width / 2
                color: root.color
                // The leading spoke is the darkest; the others trail off behind it.
                opacity: 0.2 + 0.8 * (index + 1) / 12
                transform: Rotation {
                    origin.x: width / 2
                    origin.y: wheel.height / 2
                    angle: index * 30
                }
            }
        }

        // A twelfth of a turn at a time, as the system's spoke spinner moves: twelve frames a
        // second rather than one per screen refresh, which a start-up or an apply would pay for.
        // The first step waits a quarter of a second: a wait that ends sooner shows a still
        // wheel rather than a twitch, and the one on screen at start-up does not draw a frame
        // of its own between the window's first and the one with the cards.
        property int step: 0
        property bool turning: false

        rotation: step * 30

        Timer {
            interval: wheel.turning ? 83 : 250
            repeat: true
            running: root.running && root.visible
            onRunningChanged: if (!running) wheel.turning = false
            onTriggered: {
                wheel.turning = true
                wheel.step = (wheel.step + 1) % 12
            }
        }
    }
}
