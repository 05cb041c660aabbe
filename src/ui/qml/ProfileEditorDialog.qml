// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Brisvale

// "Nouveau profil…" and "Modifier": a name, a note, and for each service whether the profile
// holds it, on or off, and its addressing, typed in the network cards' own fields so that the
// same checks and router suggestion apply.
T.Popup {
    id: root

    required property ProfilesModel profiles
    readonly property ProfileEditor editor: profiles.editor
    readonly property bool wanted: editor !== null

    function save() {
        if (root.editor && root.editor.save())
            root.profiles.closeEditor()
    }

    // A tick box drawn from the palette.
    component Tick: T.CheckBox {
        id: tick

        implicitWidth: 20
        implicitHeight: 20
        focusPolicy: Qt.StrongFocus
        Accessible.role: Accessible.CheckBox
        Accessible.name: text
        Accessible.checked: checked
        Keys.onReturnPressed: event => {
            if (!event.isAutoRepeat) {
                toggle()
                toggled()
            }
        }
        indicator: Rectangle {
            width: tick.width
            height: tick.height
            radius: 5
            color: tick.checked ? ThemeState.palette.accent : ThemeState.palette.surface
            border.color: tick.checked ? ThemeState.palette.accent : ThemeState.palette.borderStrong
            border.width: 1.5
            SymbolIcon {
                anchors.centerIn: parent
                visible: tick.checked
                name: "checkmark"
                size: 14
                weight: Font.Bold
                color: ThemeState.palette.onAccent
                cutoutColor: ThemeState.palette.accent
            }
        }
        contentItem: Item {}
        FlatButton.FocusRing { radius: 7 }
    }

    parent: T.Overlay.overlay
    x: parent ? Math.round((parent.width - width) / 2) : 0
    y: parent ? Math.round((parent.height - height) / 2) : 0
    width: Math.min(820, parent ? parent.width - 48 : 820)
    height: Math.min(760, parent ? parent.height - 40 : 760)
    modal: true
    focus: true
    padding: 26
    closePolicy: T.Popup.CloseOnEscape

    onWantedChanged: wanted ? open() : close()
    Component.onCompleted: if (wanted) open()
    onClosed: if (wanted) profiles.closeEditor()
    onOpened: nameField.field.forceActiveFocus()

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
        focus: true
        Accessible.role: Accessible.Dialog
        Accessible.name: title.text

        ColumnLayout {
            anchors.fill: parent
            spacing: 14

            Text {
                id: title

                Layout.fillWidth: true
                text: root.editor && root.editor.editing ? "Modifier le profil" : "Nouveau profil"
                font.pixelSize: ThemeState.textSize.dialogTitle
                font.bold: true
                color: ThemeState.palette.text
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 12

                LabeledField {
                    id: nameField

                    objectName: "profileNameField"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    label: "Nom"
                    placeholder: "Bureau, Labo, Client…"
                    text: root.editor ? root.editor.name : ""
                    invalid: root.editor !== null && root.editor.error !== "" && text.trim() === ""
                    field.Accessible.name: "Nom du profil"
                    onEdited: (text) => root.editor.name = text
                    onSubmitted: root.save()
                }
                LabeledField {
                    objectName: "profileNoteField"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 2
                    label: "Note (facultative)"
                    text: root.editor ? root.editor.note : ""
                    field.Accessible.name: "Note du profil"
                    onEdited: (text) => root.editor.note = text
                    onSubmitted: root.save()
                }
            }

            Text {
                text: "Cartes réseau du profil"
                font.pixelSize: ThemeState.textSize.caption
                font.weight: Font.DemiBold
                color: ThemeState.palette.textMuted
            }

            ListView {
                id: rows

                objectName: "editorRows"
                Layout.fillWidth: true
                Layout.fillHeight: true
                clip: true
                spacing: 10
                model: root.editor
                boundsBehavior: Flickable.StopAtBounds
                // Every row is made: Tab must reach each field, and a profile has few services.
                cacheBuffer: 100000
                Accessible.role: Accessible.List
                Accessible.name: "Cartes réseau du profil"
                ScrollBar.vertical: ScrollBar {
                    contentItem: Rectangle {
                        implicitWidth: 6
                        radius: 3
                        color: ThemeState.palette.borderStrong
                        opacity: parent.active && parent.size < 1 ? 1 : 0
                    }
                }

                delegate: Rectangle {
                    id: row

                    required property int index
                    required property bool included
                    required property bool wantedOn
                    required property bool found
                    required property AdapterCardModel card
                    readonly property bool detailed: included && wantedOn
                    readonly property bool manual: card.mode === Kinds.ConfigMode.manual

                    width: ListView.view.width - 10
                    height: rowContent.implicitHeight + 24
                    radius: 12
                    color: included ? ThemeState.palette.surface : ThemeState.palette.surfaceMuted
                    border.color: ThemeState.palette.border
                    border.width: 1
                    Accessible.role: Accessible.Grouping
                    Accessible.name: card.info.serviceName

                    ColumnLayout {
                        id: rowContent

                        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 12 }
                        spacing: 10

                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 10

                            Tick {
                                objectName: "includedTick"
                                text: "Inclure " + row.card.info.serviceName
                                checked: row.included
                                onToggled: {
                                    root.editor.setIncluded(row.index, checked)
                                    checked = Qt.binding(() => row.included)
                                }
                            }
                            Text {
                                Layout.fillWidth: true
                                text: row.card.info.isolatedName
                                      + (row.card.info.device ? " — " + row.card.info.device : "")
                                elide: Text.ElideRight
                                font.pixelSize: ThemeState.textSize.body
                                font.weight: Font.DemiBold
                                color: ThemeState.palette.text
                            }
                            Text {
                                visible: !row.found
                                text: "Introuvable sur cet ordinateur"
                                font.pixelSize: ThemeState.textSize.small
                                color: ThemeState.palette.warning
                            }
                            CardSwitch {
                                objectName: "wantedOnSwitch"
                                isOn: row.wantedOn
                                enabled: row.included
                                Accessible.name: "Carte active dans le profil : " + row.card.info.serviceName
                                onToggled: root.editor.setEnabled(row.index, !row.wantedOn)
                            }
                            Text {
                                Layout.preferredWidth: 70
                                text: row.wantedOn ? "Active" : "Désactivée"
                                opacity: row.included ? 1 : 0.55
                                font.pixelSize: ThemeState.textSize.label
                                color: ThemeState.palette.textMuted
                            }
                        }

                        RowLayout {
                            visible: row.detailed
                            Layout.fillWidth: true
                            spacing: 12

                            ModeSegment {
                                mode: row.card.mode
                                Accessible.name: "Mode d'adressage de " + row.card.info.serviceName
                                onModeRequested: (mode) => row.card.changeMode(mode)
                            }
                            Text {
                                Layout.fillWidth: true
                                text: row.card.hintText
                                wrapMode: Text.Wrap
                                font.pixelSize: ThemeState.textSize.caption
                                color: ThemeState.palette.textMuted
                            }
                        }

                        GridLayout {
                            visible: row.detailed
                            Layout.fillWidth: true
                            columns: width >= 560 ? 3 : 2
                            columnSpacing: 12
                            rowSpacing: 10

                            LabeledField {
                                objectName: "addressField"
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                label: "Adresse IP"
                                placeholder: "192.168.1.50"
                                text: row.card.ip
                                enabled: row.manual
                                invalid: row.card.showErrors && row.card.ipError !== ""
                                field.Accessible.name: "Adresse IP de " + row.card.info.serviceName
                                onEdited: (text) => row.card.ip = text
                                onSubmitted: root.save()
                            }
                            LabeledField {
                                objectName: "maskField"
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                label: "Masque"
                                placeholder: "255.255.255.0"
                                text: row.card.mask
                                enabled: row.manual
                                invalid: row.card.showErrors && row.card.maskError !== ""
                                field.Accessible.name: "Masque de " + row.card.info.serviceName
                                onEdited: (text) => row.card.mask = text
                                onSubmitted: root.save()
                            }
                            LabeledField {
                                objectName: "routerField"
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                label: "Passerelle"
                                placeholder: "192.168.1.1"
                                text: row.card.router
                                enabled: row.manual
                                invalid: row.card.showErrors && row.card.routerError !== ""
                                field.Accessible.name: "Passerelle de " + row.card.info.serviceName
                                onEdited: (text) => row.card.router = text
                                onSubmitted: root.save()
                            }
                            LabeledField {
                                objectName: "dnsField"
                                Layout.fillWidth: true
                                Layout.columnSpan: parent.columns
                                label: "Serveurs DNS"
                                placeholder: row.card.dnsPlaceholder
                                text: row.card.dns
                                invalid: row.card.showErrors && row.card.dnsError !== ""
                                field.Accessible.name: "Serveurs DNS de " + row.card.info.serviceName
                                onEdited: (text) => row.card.dns = text
                                onSubmitted: root.save()
                            }
                        }
                    }
                }
            }

            Text {
                objectName: "editorError"
                Layout.fillWidth: true
                Layout.minimumHeight: 16
                text: root.editor ? root.editor.error : ""
                wrapMode: Text.Wrap
                font.pixelSize: ThemeState.textSize.small
                color: ThemeState.palette.danger
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 10

                Item { Layout.fillWidth: true }
                FlatButton {
                    objectName: "editorCancelButton"
                    title: "Annuler"
                    kind: "ghost"
                    onClicked: root.profiles.closeEditor()
                }
                FlatButton {
                    objectName: "editorSaveButton"
                    title: "Enregistrer"
                    kind: "primary"
                    isDefault: true
                    onClicked: root.save()
                }
            }
        }
    }
}
