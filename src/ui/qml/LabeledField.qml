// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// A caption over a one-line text field. The card model treats every write as typing, so only
// the user's own edits are reported; the model's changes are shown without being reported.
Item {
    id: root

    property string label
    property string text
    property string placeholder
    property bool invalid
    property alias field: field

    signal edited(string text)
    // Return or Enter in the field.
    signal submitted

    implicitWidth: 200
    implicitHeight: caption.implicitHeight + 7 + field.height

    // Assigning only what differs keeps the caret where the user left it when the model echoes
    // the text back.
    onTextChanged: {
        if (field.text !== text)
            field.text = text
    }

    Text {
        id: caption
        objectName: "caption"
        width: parent.width
        text: root.label
        color: ThemeState.palette.textMuted
        font.pixelSize: ThemeState.textSize.caption
        elide: Text.ElideRight
        Accessible.ignored: true
    }

    TextField {
        id: field
        objectName: "field"
        y: caption.implicitHeight + 7
        width: parent.width
        height: 36
        leftPadding: 12
        rightPadding: 12
        topPadding: 0
        bottomPadding: 0
        verticalAlignment: TextInput.AlignVCenter
        opacity: enabled ? 1 : 0.6
        Component.onCompleted: text = root.text

        placeholderText: root.placeholder
        placeholderTextColor: ThemeState.palette.textFaint
        color: ThemeState.palette.text
        selectionColor: ThemeState.palette.accent
        selectedTextColor: ThemeState.palette.onAccent
        font.pixelSize: ThemeState.textSize.body
        selectByMouse: true

        Accessible.name: root.label
        Accessible.description: root.placeholder

        onTextEdited: root.edited(text)
        onAccepted: root.submitted()
        // Reached with the keyboard, the field is ready to be typed over.
        onActiveFocusChanged: {
            if (activeFocus && (focusReason === Qt.TabFocusReason
                                || focusReason === Qt.BacktabFocusReason))
                selectAll()
        }

        background: Rectangle {
            radius: 8
            color: ThemeState.palette.surfaceSunken
            border.color: ThemeState.palette.border
            border.width: 1

            // Glow and outline fade in and out over the plain outline, so that a change of
            // theme recolours them at once. Made only while shown or fading: most fields are
            // never invalid. The mark tells the loader whether it shows: an `active` that read
            // it through `item` would run again inside the load and unload it causes.
            Loader {
                id: mark

                property bool showing: false

                anchors.fill: parent
                active: root.invalid || showing
                sourceComponent: Item {
                    objectName: "invalidMark"
                    // Made clear, then bound: the first change fades in like any other.
                    opacity: 0
                    Component.onCompleted: opacity = Qt.binding(() => root.invalid ? 1 : 0)
                    onOpacityChanged: mark.showing = opacity > 0
                    Behavior on opacity {
                        NumberAnimation { duration: 180; easing.type: Easing.InOutQuad }
                    }

                    Rectangle {
                        anchors.fill: parent
                        anchors.margins: -4
                        radius: 12
                        color: "transparent"
                        border.color: ThemeState.palette.danger
                        border.width: 2
                        opacity: 0.09
                    }
                    Rectangle {
                        anchors.fill: parent
                        anchors.margins: -2
                        radius: 10
                        color: "transparent"
                        border.color: ThemeState.palette.danger
                        border.width: 2
                        opacity: 0.18
                    }
                    Rectangle {
                        objectName: "invalidOutline"
                        anchors.fill: parent
                        radius: 8
                        color: "transparent"
                        border.color: ThemeState.palette.danger
                        border.width: 1.6
                    }
                }
            }
        }

        FlatButton.FocusRing {
            radius: 11
            visible: field.activeFocus && !root.invalid
        }
    }
}
