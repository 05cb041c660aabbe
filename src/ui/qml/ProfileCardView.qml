// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// One profile as a card, in the look of the network cards: its name and note, what it sets on
// each service, whether the system shows it now, and what its last apply did.
Item {
    id: root

    required property AppModel appModel
    required property ProfilesModel profiles
    required property string name
    required property string shownName
    required property string note
    required property var lines
    required property bool active
    required property bool applying
    required property string message
    required property int messageKind

    // Asks before the profile goes.
    signal removeRequested(string name)
    // Asks where to write this profile alone.
    signal exportRequested(string name)

    readonly property var colors: ThemeState.palette

    implicitWidth: 980
    implicitHeight: layout.implicitHeight + 44
    opacity: applying ? 0.92 : 1

    Accessible.role: Accessible.Grouping
    Accessible.name: name

    Rectangle {
        anchors.fill: parent
        radius: 16
        color: root.colors.surface
        border.color: root.colors.border
        border.width: 1
    }

    ColumnLayout {
        id: layout

        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 22 }
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            spacing: 12

            Text {
                objectName: "profileName"
                Layout.fillWidth: true
                text: root.shownName
                elide: Text.ElideRight
                font.pixelSize: ThemeState.textSize.cardName
                font.weight: Font.Bold
                color: root.colors.text
                HoverHandler { id: nameHover }
                FlatButton.Tip { shown: nameHover.hovered && parent.truncated; text: parent.text }
            }
            StatusPill {
                objectName: "activePill"
                visible: root.active
                text: "Actif"
                icon: "checkmark.circle.fill"
                tint: root.colors.success
                soft: root.colors.surfaceMuted
                toolTip: "La dernière lecture montre chaque carte comme le profil la veut."
            }
        }

        Text {
            objectName: "profileNote"
            Layout.fillWidth: true
            visible: root.note !== ""
            text: root.note
            wrapMode: Text.Wrap
            font.pixelSize: ThemeState.textSize.label
            color: root.colors.textMuted
        }

        Hairline {
            Layout.fillWidth: true
            color: root.colors.border
        }

        Repeater {
            model: root.lines

            Text {
                required property string modelData

                Layout.fillWidth: true
                text: modelData
                wrapMode: Text.Wrap
                font.pixelSize: ThemeState.textSize.body
                color: root.colors.text
            }
        }

        Text {
            objectName: "profileMessage"
            Layout.fillWidth: true
            visible: root.message !== ""
            text: root.message
            wrapMode: Text.Wrap
            font.pixelSize: ThemeState.textSize.small
            color: root.colors.forKind(root.messageKind)
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 4
            spacing: 10

            Loader {
                active: root.applying
                visible: active
                sourceComponent: Spinner {
                    running: true
                    Accessible.name: "Application du profil en cours"
                }
            }
            Item { Layout.fillWidth: true }
            FlatButton {
                objectName: "removeButton"
                title: "Supprimer"
                kind: "ghost"
                enabled: root.profiles.canChange && !root.applying
                toolTip: "Supprimer ce profil"
                onClicked: root.removeRequested(root.name)
            }
            FlatButton {
                objectName: "exportProfileButton"
                title: "Exporter…"
                kind: "ghost"
                toolTip: "Enregistrer ce profil seul dans un fichier"
                onClicked: root.exportRequested(root.name)
            }
            FlatButton {
                objectName: "duplicateButton"
                title: "Dupliquer"
                kind: "secondary"
                enabled: root.profiles.canChange
                toolTip: "Faire une copie de ce profil"
                onClicked: root.profiles.duplicate(root.name)
            }
            FlatButton {
                objectName: "editButton"
                title: "Modifier"
                kind: "secondary"
                enabled: root.profiles.canChange && !root.applying
                toolTip: "Modifier ce profil"
                onClicked: root.profiles.editProfile(root.name)
            }
            FlatButton {
                objectName: "applyProfileButton"
                title: "Appliquer"
                kind: "primary"
                enabled: !root.appModel.applyingProfile && root.appModel.hasLoadedOnce
                toolTip: "Appliquer ce profil aux cartes réseau, tout ou rien"
                onClicked: root.profiles.requestApply(root.name)
            }
        }
    }
}
