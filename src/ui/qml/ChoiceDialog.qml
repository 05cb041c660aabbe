// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Brisvale

// A question inside the window: what it is about, and up to three answers. Return gives the
// first answer, Escape the way out. Open while `wanted` holds: the owner's state decides, so a
// dialog the user closes tells its owner (canceled) rather than losing a binding.
T.Popup {
    id: root

    property bool wanted: false
    property string title
    property string message
    property string acceptText
    property string alternativeText // "" hides the button
    property string cancelText: "Annuler"
    // More content under the message.
    default property alias extra: extraColumn.data

    signal accepted
    signal alternative
    signal canceled

    parent: T.Overlay.overlay
    x: parent ? Math.round((parent.width - width) / 2) : 0
    y: parent ? Math.round((parent.height - height) / 3) : 0
    width: Math.min(540, parent ? parent.width - 48 : 540)
    // Templates leave a popup's size to the style: it is its content's.
    implicitHeight: contentHeight + topPadding + bottomPadding
    modal: true
    focus: true
    padding: 26
    closePolicy: T.Popup.CloseOnEscape

    onWantedChanged: wanted ? open() : close()
    Component.onCompleted: if (wanted) open()
    onClosed: if (wanted) canceled()

    // The popup fades the dimmer in and out through its opacity: the shade is in its colour.
    T.Overlay.modal: Rectangle {
        readonly property color shade: ThemeState.palette.shadow
        color: Qt.rgba(shade.r, shade.g, shade.b, 0.35)
    }

    background: Rectangle {
        radius: 14
        color: ThemeState.palette.surface
        border.color: ThemeState.palette.borderStrong
        border.width: 1
    }

    contentItem: FocusScope {
        implicitWidth: column.implicitWidth
        implicitHeight: column.implicitHeight
        focus: true
        Accessible.role: Accessible.Dialog
        Accessible.name: root.title
        Accessible.description: root.message
        Keys.onReturnPressed: acceptButton.activate()
        Keys.onEnterPressed: acceptButton.activate()

        ColumnLayout {
            id: column

            anchors.fill: parent
            spacing: 16

            Text {
                objectName: "dialogTitle"
                Layout.fillWidth: true
                text: root.title
                font.pixelSize: ThemeState.textSize.dialogTitle
                font.bold: true
                color: ThemeState.palette.text
                wrapMode: Text.Wrap
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            Text {
                objectName: "dialogMessage"
                Layout.fillWidth: true
                visible: text !== ""
                text: root.message
                font.pixelSize: ThemeState.textSize.label
                color: ThemeState.palette.textMuted
                wrapMode: Text.Wrap
            }
            ColumnLayout {
                id: extraColumn

                Layout.fillWidth: true
                spacing: 8
            }
            RowLayout {
                Layout.fillWidth: true
                Layout.topMargin: 4
                spacing: 10

                Item { Layout.fillWidth: true }
                FlatButton {
                    objectName: "cancelButton"
                    title: root.cancelText
                    kind: "ghost"
                    onClicked: root.canceled()
                }
                FlatButton {
                    objectName: "alternativeButton"
                    visible: root.alternativeText !== ""
                    title: root.alternativeText
                    kind: "secondary"
                    onClicked: root.alternative()
                }
                FlatButton {
                    id: acceptButton
                    objectName: "acceptButton"
                    title: root.acceptText
                    kind: "primary"
                    isDefault: true
                    onClicked: root.accepted()
                }
            }
        }
    }
}
