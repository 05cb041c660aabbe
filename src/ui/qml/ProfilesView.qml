// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import Brisvale

// The Profils tab: the kept profiles as cards, the ways to make, import and export them, and
// what to do when the file could not be read.
Item {
    id: root

    required property AppModel appModel
    required property ProfilesModel profiles

    readonly property real columnWidth: Math.min(width, 1120) - 2 * 28
    readonly property alias list: list
    readonly property bool showsProblem: profiles.problem !== ""
    readonly property bool showsEmpty: profiles.loaded && !showsProblem && profiles.count === 0
    // The profile the user asked to remove, until they answer.
    property string removing: ""
    // The profiles the export dialog writes: all when empty.
    property var exporting: []

    function exportProfiles(names) {
        exporting = names
        if (exportDialog.active)
            exportDialog.item.open()
        else
            exportDialog.active = true
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            objectName: "profilesHeader"
            Layout.alignment: Qt.AlignHCenter
            // A layout holding a filling item would fill the column itself.
            Layout.fillWidth: false
            Layout.preferredWidth: root.columnWidth
            Layout.topMargin: 20
            spacing: 10

            Text {
                Layout.fillWidth: true
                text: "Profils"
                elide: Text.ElideRight
                font.pixelSize: ThemeState.textSize.pageTitle
                font.weight: Font.Bold
                color: ThemeState.palette.text
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
            FlatButton {
                objectName: "importButton"
                title: "Importer…"
                kind: "secondary"
                enabled: root.profiles.canChange
                toolTip: "Ajouter les profils d'un fichier"
                onClicked: importDialog.active ? importDialog.item.open() : importDialog.active = true
            }
            FlatButton {
                objectName: "exportButton"
                title: "Exporter…"
                kind: "secondary"
                enabled: root.profiles.loaded && root.profiles.count > 0
                toolTip: "Enregistrer tous les profils dans un fichier"
                onClicked: root.exportProfiles([])
            }
            FlatButton {
                objectName: "newProfileButton"
                title: "Nouveau profil…"
                kind: "primary"
                enabled: root.profiles.canChange && root.appModel.hasLoadedOnce
                toolTip: "Garder la configuration des cartes réseau dans un profil"
                onClicked: root.profiles.newProfile("")
            }
        }

        ListView {
            id: list

            objectName: "profileList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: root.profiles
            spacing: 16
            topMargin: 16
            bottomMargin: 20
            boundsBehavior: Flickable.StopAtBounds
            Accessible.role: Accessible.List
            Accessible.name: "Profils"

            ScrollBar.vertical: ScrollBar {
                contentItem: Rectangle {
                    implicitWidth: 6
                    radius: 3
                    color: ThemeState.palette.borderStrong
                    opacity: parent.active && parent.size < 1 ? 1 : 0
                    Behavior on opacity { NumberAnimation { duration: 200 } }
                }
            }

            header: Item {
                width: list.width
                height: stateCard.visible ? stateCard.height + 16 : 0

                Rectangle {
                    id: stateCard

                    objectName: root.showsProblem ? "problemCard" : "emptyCard"
                    visible: root.showsProblem || root.showsEmpty
                    x: (parent.width - width) / 2
                    width: root.columnWidth
                    height: stateContent.implicitHeight + 64
                    radius: 16
                    color: ThemeState.palette.surface
                    border.width: 1
                    border.color: root.showsProblem ? ThemeState.palette.warning
                                                    : ThemeState.palette.border

                    ColumnLayout {
                        id: stateContent

                        anchors.centerIn: parent
                        width: parent.width - 48
                        spacing: 10

                        Text {
                            objectName: "stateTitle"
                            Layout.fillWidth: true
                            horizontalAlignment: Text.AlignHCenter
                            wrapMode: Text.Wrap
                            text: root.showsProblem ? "Le fichier des profils ne peut pas être lu."
                                                    : "Aucun profil enregistré."
                            color: ThemeState.palette.text
                            font.pixelSize: ThemeState.textSize.emphasis
                            font.weight: Font.DemiBold
                        }
                        Text {
                            objectName: "stateText"
                            Layout.fillWidth: true
                            horizontalAlignment: Text.AlignHCenter
                            wrapMode: Text.Wrap
                            text: root.showsProblem
                                  ? root.profiles.problem + "\nBrisvale n'écrira pas dans ce fichier."
                                  : "Un profil garde la configuration de vos cartes réseau (adresses, "
                                    + "serveurs DNS, activation) pour la rétablir d'un clic."
                            color: ThemeState.palette.textMuted
                            font.pixelSize: ThemeState.textSize.label
                        }
                        FlatButton {
                            objectName: "restoreBackupButton"
                            Layout.alignment: Qt.AlignHCenter
                            Layout.topMargin: 4
                            visible: root.showsProblem && root.profiles.backupOffered
                            title: "Repartir de la sauvegarde"
                            kind: "secondary"
                            toolTip: "Reprendre les profils de la version précédente du fichier"
                            onClicked: root.profiles.restoreBackup()
                        }
                    }
                }
            }

            delegate: ProfileCardView {
                x: (ListView.view.width - width) / 2
                width: root.columnWidth
                height: implicitHeight
                appModel: root.appModel
                profiles: root.profiles
                onRemoveRequested: (name) => root.removing = name
                onExportRequested: (name) => root.exportProfiles([name])
            }
        }
    }

    ChoiceDialog {
        objectName: "removeDialog"
        wanted: root.removing !== ""
        // Isolated, a right-to-left name keeps its own order instead of taking the sentence's
        // (the isolates made at run time: written in the text, they would land raw in the C++
        // the QML cache is compiled to).
        title: "Supprimer le profil «\u00a0" + String.fromCharCode(0x2068) + root.removing
               + String.fromCharCode(0x2069) + "\u00a0»\u00a0?"
        message: "Le profil sera supprimé de cet ordinateur. Les réglages réseau ne changent pas."
        acceptText: "Supprimer"
        onAccepted: {
            root.profiles.remove(root.removing)
            root.removing = ""
        }
        onCanceled: root.removing = ""
    }

    // Made when first asked for (most sessions never open one), then kept.
    Loader {
        id: importDialog

        active: false
        sourceComponent: FileDialog {
            objectName: "importFileDialog"
            title: "Importer des profils"
            fileMode: FileDialog.OpenFile
            nameFilters: ["Profils Brisvale (*.json)"]
            Component.onCompleted: open()
            onAccepted: root.profiles.openImport(selectedFile)
        }
    }
    Loader {
        id: exportDialog

        active: false
        sourceComponent: FileDialog {
            objectName: "exportFileDialog"
            title: "Exporter les profils"
            fileMode: FileDialog.SaveFile
            defaultSuffix: "json"
            nameFilters: ["Profils Brisvale (*.json)"]
            Component.onCompleted: open()
            onAccepted: root.profiles.exportTo(selectedFile, root.exporting)
        }
    }
}
