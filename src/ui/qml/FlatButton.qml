// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Brisvale

// A borderless button in one of three kinds, drawn from the palette. Its symbol, if any, is
// named by icon.name with the system's name for it.
T.Button {
    id: root

    property string title
    property string kind: "secondary" // "primary", "secondary" or "ghost"
    property string toolTip
    // The button Return presses in its window: drawn with an accent outline and title.
    property bool isDefault: false
    // A disabled button hears no pointer, so what it last heard must not keep it lit.
    readonly property bool hovering: enabled && hovered
    readonly property alias tip: tip

    // The themed tooltip and keyboard focus ring every control of the module shares. A tip is
    // shown while `shown` holds (its control is hovered) and its control stays where it was:
    // once the control moves under a still pointer (the list scrolled or re-sorted), the tip
    // goes until the pointer leaves and comes back.
    // The tooltip itself (a popup with its own items and timer) is made only while it is
    // wanted: every card has several controls with a tip, and few are ever hovered. The slot
    // is invisible and sizeless, so layouts pass over it.
    component Tip: Loader {
        id: slot
        objectName: "toolTip"

        property bool shown: false
        property string text
        readonly property bool opened: item !== null && item.opened
        readonly property bool showing: item !== null && item.visible
        // Told by the tooltip, not read through `item`: a slot whose `active` reads its own
        // item runs that binding again inside the load and unload it causes.
        property bool popupVisible: false

        visible: false
        active: shown || popupVisible
        sourceComponent: Component {
            ToolTip {
                id: tip

                readonly property bool shown: slot.shown
                property Item owner: slot.parent
                property bool moved: false
                property point anchor

                function sceneSpot() {
                    return owner ? owner.mapToItem(null, 0, 0) : Qt.point(0, 0)
                }

                parent: owner
                text: slot.text
                // Still true while it fades out: the slot keeps it until it is gone.
                onVisibleChanged: slot.popupVisible = visible
                // Opened and closed rather than bound: a tip that closes itself (a press
                // elsewhere) would otherwise lose its binding and never come back.
                readonly property bool wanted: shown && !moved && text !== ""
                onWantedChanged: wanted ? open() : close()
                Component.onCompleted: {
                    anchor = sceneSpot()
                    if (wanted)
                        open()
                }

                delay: 600
                width: Math.min(implicitWidth, 360)
                onShownChanged: {
                    moved = false
                    anchor = sceneSpot()
                }

                // Nothing tells an item that an ancestor moved; a look a few times a second,
                // only while the tip is wanted, is enough.
                Timer {
                    interval: 80
                    repeat: true
                    running: tip.shown && !tip.moved
                    onTriggered: {
                        const spot = tip.sceneSpot()
                        if (spot.x !== tip.anchor.x || spot.y !== tip.anchor.y)
                            tip.moved = true
                    }
                }

                contentItem: Text {
                    text: tip.text
                    color: ThemeState.palette.text
                    font.pixelSize: ThemeState.textSize.toolTip
                    wrapMode: Text.Wrap
                }
                background: Rectangle {
                    color: ThemeState.palette.surface
                    border.color: ThemeState.palette.borderStrong
                    border.width: 1
                    radius: 6
                }
            }
        }
    }
    component FocusRing: Rectangle {
        property Item target: parent
        anchors.fill: target
        anchors.margins: -3
        visible: target.activeFocus
        color: "transparent"
        border.color: ThemeState.palette.accent
        border.width: 2
    }

    // One choice of a segmented control. A press only asks: the owner writes the state that
    // `selected` reads, and the segment shows it.
    component Segment: T.RadioButton {
        id: segment

        property bool selected

        function activate() {
            if (enabled)
                clicked()
        }

        checked: selected
        // Qt checks the segment as it is pressed (or unchecks the selected one): until the
        // owner answers, it shows what the owner says.
        onToggled: checked = Qt.binding(() => selected)
        autoExclusive: false
        // A click leaves the keyboard focus where it was.
        focusPolicy: Qt.TabFocus

        Accessible.name: text
        Accessible.onPressAction: activate()
        Accessible.onToggleAction: activate()
        // Qt presses with Space; Return and Enter press too.
        Keys.onReturnPressed: event => { if (!event.isAutoRepeat) activate() }
        Keys.onEnterPressed: event => { if (!event.isAutoRepeat) activate() }
    }

    function activate() {
        if (enabled)
            clicked()
    }

    text: title
    implicitWidth: content.implicitWidth + 2 * 14
    implicitHeight: 34
    opacity: enabled ? 1 : 0.45
    // A click leaves the keyboard focus where it was, in a field being typed in say.
    focusPolicy: Qt.TabFocus
    hoverEnabled: true

    Accessible.name: title
    Accessible.description: toolTip
    Accessible.onPressAction: activate()
    // Qt presses with Space; Return and Enter press too.
    Keys.onReturnPressed: event => { if (!event.isAutoRepeat) activate() }
    Keys.onEnterPressed: event => { if (!event.isAutoRepeat) activate() }

    background: Rectangle {
        id: fill
        objectName: "fill"
        radius: 8
        color: {
            const p = ThemeState.palette
            switch (root.kind) {
            case "primary":
                // Dimmed accent on the dark surfaces still reads as a live button: a disabled one
                // there is drawn in a neutral fill.
                if (!root.enabled && ThemeState.isDark)
                    return p.borderStrong
                return root.hovering ? p.accentHover : p.accent
            case "ghost": return root.hovering ? p.surfaceMuted : "transparent"
            default: return root.hovering ? p.surfaceMuted : p.surface
            }
        }
        border.width: root.isDefault && root.kind !== "primary" ? 1.5
                    : root.kind === "secondary" ? 1 : 0
        border.color: root.isDefault ? ThemeState.palette.accent
                    : root.hovering ? ThemeState.palette.borderStrong : ThemeState.palette.border
    }

    contentItem: Item {
        Row {
            id: content
            objectName: "content"
            anchors.centerIn: parent
            spacing: 7

            readonly property color ink: root.kind === "primary" ? ThemeState.palette.onAccent
                                       : root.isDefault ? ThemeState.palette.accent
                                       : root.kind === "ghost" ? ThemeState.palette.textMuted
                                       : ThemeState.palette.text

            // Most buttons (those of every card) have no symbol: none is made for them.
            Loader {
                anchors.verticalCenter: parent.verticalCenter
                active: root.icon.name !== ""
                visible: active
                sourceComponent: SymbolIcon {
                    name: root.icon.name
                    size: 12
                    weight: Font.DemiBold
                    color: content.ink
                    cutoutColor: fill.color
                }
            }
            Text {
                objectName: "title"
                anchors.verticalCenter: parent.verticalCenter
                text: root.title
                color: content.ink
                font.pixelSize: ThemeState.textSize.body
                font.weight: Font.DemiBold
            }
        }
    }

    FocusRing { radius: 11 }

    Tip {
        id: tip
        shown: root.hovering
        text: root.toolTip
    }
}
