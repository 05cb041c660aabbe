// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// One network service as a card. A single tree of items serves both layouts: switching between
// wide and compact only changes grid columns and margins, so no field is ever recreated and a
// field being typed in keeps its focus and caret through refreshes and resizes.
Item {
    id: root

    required property AdapterCardModel card
    required property AppModel appModel
    property ProfilesModel profiles: null
    property real measuredWidth: 980
    property real wideBreakpoint: 900

    readonly property bool wide: measuredWidth >= wideBreakpoint
    readonly property var colors: ThemeState.palette
    // A removed card can go a moment before its view does: until then the view reads nothing of
    // it and shows an empty card.
    readonly property bool present: card !== null
    readonly property bool manualEditable: present && card.canEdit
                                           && card.mode === Kinds.ConfigMode.manual
    readonly property bool hasMessage: present && card.displayMessage.text !== ""
    readonly property bool busy: present && card.busy
    readonly property bool serviceEnabled: present && card.info.enabled
    readonly property bool dirty: present && card.isDirty
    readonly property string serviceName: present ? card.info.serviceName : ""
    readonly property int kind: present ? card.info.kind : Kinds.AdapterKind.other

    // One piece of the hardware line.
    component MetaPiece: Text {
        font.pixelSize: ThemeState.textSize.small
        color: ThemeState.palette.textMuted
        Accessible.ignored: true
    }

    // The isDirty notification also fires for unrelated derived changes; only a real flip counts.
    property bool lastDirty: false

    // Not from the content: a width that followed the layout would switch the layout it follows.
    implicitWidth: 980
    implicitHeight: layout.implicitHeight + 44
    opacity: busy ? 0.92 : 1

    Accessible.role: Accessible.Grouping
    Accessible.name: serviceName

    // A width of 0 only means the card is not laid out yet: keep the wide default until then.
    onWidthChanged: if (width > 0) measuredWidth = width
    Component.onCompleted: {
        if (width > 0)
            measuredWidth = width
        lastDirty = dirty
    }

    Connections {
        target: root.card
        function onDerivedChanged() {
            if (root.dirty === root.lastDirty)
                return
            root.lastDirty = root.dirty
            root.appModel.draftRevision += 1
        }
    }

    // This view now shows another card (the list hands views on while scrolling): nothing
    // of the previous card's state may stay.
    function reused() {
        lastDirty = dirty
    }

    // Return in a field does what "Changer" does, when it may.
    function applyIfReady() {
        if (applyButton.enabled)
            applyButton.clicked()
    }

    // Typing replaces whatever the card said before.
    function clearMessage() {
        if (!present)
            return
        card.message = ""
        card.messageKind = Kinds.MessageKind.info
    }

    Rectangle {
        anchors.fill: parent
        radius: 16
        color: root.colors.surface
        border.color: root.colors.border
        border.width: 1
    }

    GridLayout {
        id: layout
        objectName: "cardLayout"
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 22 }
        columns: root.wide ? 3 : 1
        columnSpacing: 0
        rowSpacing: 14

        ColumnLayout {
            id: leftColumn
            objectName: "leftColumn"
            Layout.alignment: Qt.AlignLeft | Qt.AlignTop
            Layout.fillWidth: !root.wide
            Layout.minimumWidth: root.wide ? 240 : 0
            // Between 240 and 340, it takes half the card when it can (ideally 300 is only what
            // it would take with no width offered at all).
            Layout.preferredWidth: root.wide ? Math.max(240, Math.min(340, (layout.width - 1) / 2))
                                             : -1
            Layout.maximumWidth: root.wide ? 340 : Number.POSITIVE_INFINITY
            spacing: root.wide ? 10 : 14

            RowLayout {
                id: identity
                objectName: "identityBlock"
                Layout.fillWidth: true
                spacing: 13

                Rectangle {
                    objectName: "kindBadge"
                    Layout.alignment: Qt.AlignTop
                    Layout.preferredWidth: 54
                    Layout.preferredHeight: 54
                    radius: 27
                    color: root.kind === Kinds.AdapterKind.wifi ? root.colors.wifiSoft
                         : root.kind === Kinds.AdapterKind.ethernet ? root.colors.accentSoft
                         : root.colors.surfaceSunken

                    SymbolIcon {
                        objectName: "kindSymbol"
                        anchors.centerIn: parent
                        name: root.kind === Kinds.AdapterKind.wifi ? "wifi" : "network"
                        size: 22
                        weight: Font.Medium
                        color: root.kind === Kinds.AdapterKind.wifi ? root.colors.wifi
                             : root.kind === Kinds.AdapterKind.ethernet ? root.colors.accent
                             : root.colors.textMuted
                    }
                }

                ColumnLayout {
                    Layout.alignment: Qt.AlignTop
                    Layout.fillWidth: true
                    spacing: 3

                    Text {
                        objectName: "serviceName"
                        Layout.fillWidth: true
                        text: root.present ? root.card.info.isolatedName : ""
                        elide: Text.ElideRight
                        font.pixelSize: ThemeState.textSize.cardName
                        font.weight: Font.Bold
                        color: root.colors.text
                        HoverHandler { id: nameHover }
                        FlatButton.Tip { shown: nameHover.hovered; text: parent.text }
                    }
                    // A row of pieces: short of room, the hardware name gives way and the pieces
                    // after it stay whole. The line is read, and its tip shown, whole. A Row, not
                    // a RowLayout: a layout rounds places to the pixel, and the device would stand
                    // apart from the hardware name by a fraction more than the text's own space.
                    Row {
                        id: metaLine
                        objectName: "metaLabel"

                        // The width of the pieces that never give way.
                        readonly property real wholeWidth: devicePiece.implicitWidth
                                                           + addressesPiece.implicitWidth

                        Layout.fillWidth: true
                        // Asked from what the pieces want, not from what they were given.
                        Layout.preferredWidth: hardwarePiece.implicitWidth + wholeWidth
                        Accessible.role: Accessible.StaticText
                        Accessible.name: root.card?.info.metaToolTip ?? ""

                        // As wide as the name shows once cut, so that the device follows it
                        // closely rather than the end of the room it was given.
                        Item {
                            width: hardwarePiece.contentWidth
                            height: hardwarePiece.height

                            MetaPiece {
                                id: hardwarePiece
                                objectName: "hardwareName"
                                width: Math.max(0, Math.min(implicitWidth,
                                                            metaLine.width - metaLine.wholeWidth))
                                text: root.card?.info.hardwareName ?? ""
                                elide: Text.ElideRight
                            }
                        }
                        MetaPiece {
                            id: devicePiece
                            objectName: "deviceName"
                            text: root.card?.info.device ? " — " + root.card.info.device : ""
                        }
                        MetaPiece {
                            id: addressesPiece
                            objectName: "otherAddresses"
                            text: root.card?.info.otherAddressesLabel
                                  ? " · " + root.card.info.otherAddressesLabel : ""
                        }

                        HoverHandler { id: metaHover }
                        FlatButton.Tip { shown: metaHover.hovered; text: parent.Accessible.name }
                    }
                }
            }

            // Stacked under the identity when wide, one line beside a flexible space when compact.
            GridLayout {
                Layout.fillWidth: true
                columns: root.wide ? 1 : 3
                rowSpacing: 10
                columnSpacing: 18

                RowLayout {
                    id: statusRow
                    objectName: "statusRow"
                    Layout.topMargin: root.wide ? 3 : 0
                    Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
                    spacing: 7

                    readonly property color tint: !root.serviceEnabled ? root.colors.textMuted
                                                : root.card?.info.connected ? root.colors.success
                                                : root.colors.warning

                    Rectangle {
                        objectName: "statusDot"
                        Layout.preferredWidth: 8
                        Layout.preferredHeight: 8
                        radius: 4
                        color: statusRow.tint
                    }
                    Text {
                        objectName: "statusLabel"
                        text: !root.serviceEnabled ? "Désactivée"
                            : root.card?.info.connected ? "Connectée" : "Non connectée"
                        font.pixelSize: ThemeState.textSize.label
                        font.weight: Font.DemiBold
                        color: statusRow.tint
                    }
                }

                RowLayout {
                    objectName: "activationRow"
                    Layout.topMargin: root.wide ? 1 : 0
                    Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
                    spacing: 10

                    // Shows the state read from the system; the model flips it once confirmed.
                    CardSwitch {
                        objectName: "activationSwitch"
                        isOn: root.serviceEnabled
                        enabled: root.present && !root.busy
                        Accessible.name: "Carte active : " + root.serviceName
                        onToggled: root.appModel.requestSetEnabled(root.card, !root.serviceEnabled)
                    }
                    Text {
                        text: "Carte active"
                        font.pixelSize: ThemeState.textSize.label
                        color: root.colors.textMuted
                    }
                }

                Item {
                    visible: !root.wide
                    Layout.fillWidth: true
                }
            }
        }

        Rectangle {
            objectName: "verticalDivider"
            visible: root.wide
            color: root.colors.border
            Layout.preferredWidth: 1
            Layout.fillHeight: true
            Layout.topMargin: 2
            Layout.bottomMargin: 2
        }

        Rectangle {
            objectName: "horizontalDivider"
            visible: !root.wide
            color: root.colors.border
            Layout.fillWidth: true
            Layout.preferredHeight: 1
        }

        // A plain item keeps the column's content at the top when the 172 minimum is taller.
        Item {
            objectName: "rightColumn"
            Layout.alignment: Qt.AlignLeft | Qt.AlignTop
            Layout.fillWidth: true
            Layout.leftMargin: root.wide ? 22 : 0
            implicitWidth: rightColumn.implicitWidth
            implicitHeight: Math.max(172, rightColumn.implicitHeight)

            ColumnLayout {
                id: rightColumn
                anchors { left: parent.left; right: parent.right; top: parent.top }
                spacing: 12

                GridLayout {
                    objectName: "modeRow"
                    Layout.fillWidth: true
                    columns: root.measuredWidth >= 620 ? 2 : 1
                    columnSpacing: 12
                    rowSpacing: 8

                    ModeSegment {
                        objectName: "modeSegment"
                        Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
                        mode: root.card?.mode ?? Kinds.ConfigMode.dhcp
                        enabled: root.card?.canEdit ?? false
                        Accessible.name: "Mode d'adressage de " + root.serviceName
                        onModeRequested: (mode) => root.card.changeMode(mode)
                    }
                    Text {
                        objectName: "modeHint"
                        Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
                        Layout.fillWidth: true
                        text: root.card?.hintText ?? ""
                        wrapMode: Text.Wrap
                        font.pixelSize: ThemeState.textSize.caption
                        color: root.colors.textMuted
                    }
                }

                GridLayout {
                    id: fields
                    objectName: "fieldsGrid"
                    Layout.fillWidth: true
                    columns: root.measuredWidth >= 900 ? 3 : root.measuredWidth >= 460 ? 2 : 1
                    columnSpacing: 12
                    rowSpacing: 12

                    LabeledField {
                        objectName: "addressField"
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        label: "Adresse IP"
                        placeholder: "192.168.1.50"
                        text: root.card?.ip ?? ""
                        invalid: root.present && root.card.showErrors && root.card.ipError !== ""
                        enabled: root.manualEditable
                        onEdited: (text) => { root.card.ip = text; root.clearMessage() }
                        onSubmitted: root.applyIfReady()
                    }
                    LabeledField {
                        objectName: "maskField"
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        label: "Masque"
                        placeholder: "255.255.255.0"
                        text: root.card?.mask ?? ""
                        invalid: root.present && root.card.showErrors && root.card.maskError !== ""
                        enabled: root.manualEditable
                        onEdited: (text) => { root.card.mask = text; root.clearMessage() }
                        onSubmitted: root.applyIfReady()
                    }
                    LabeledField {
                        objectName: "routerField"
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        Layout.columnSpan: fields.columns === 2 ? 2 : 1
                        label: "Passerelle"
                        placeholder: "192.168.1.1"
                        text: root.card?.router ?? ""
                        invalid: root.present && root.card.showErrors && root.card.routerError !== ""
                        enabled: root.manualEditable
                        onEdited: (text) => { root.card.router = text; root.clearMessage() }
                        onSubmitted: root.applyIfReady()
                    }
                    // Under the address at every width, and open in both modes: DHCP gives
                    // servers, but the user may set them by hand all the same.
                    LabeledField {
                        objectName: "dnsField"
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        Layout.columnSpan: fields.columns
                        label: "Serveurs DNS"
                        placeholder: root.card?.dnsPlaceholder ?? ""
                        text: root.card?.dns ?? ""
                        invalid: root.present && root.card.showErrors && root.card.dnsError !== ""
                        enabled: root.card?.canEdit ?? false
                        onEdited: (text) => { root.card.dns = text; root.clearMessage() }
                        onSubmitted: root.applyIfReady()
                    }
                }

                // A blank keeps the line's height so the buttons do not jump when a message comes.
                Text {
                    objectName: "messageText"
                    Layout.fillWidth: true
                    Layout.minimumHeight: 16
                    text: root.hasMessage ? root.card.displayMessage.text : " "
                    wrapMode: Text.Wrap
                    font.pixelSize: ThemeState.textSize.small
                    color: root.colors.forKind(root.card?.displayMessage.kind ?? Kinds.MessageKind.none)
                    HoverHandler { id: messageHover }
                    FlatButton.Tip {
                        shown: root.hasMessage && messageHover.hovered
                        text: parent.text
                    }
                }

                RowLayout {
                    objectName: "actionRow"
                    Layout.fillWidth: true
                    spacing: 10

                    // Made only while the card is busy, which most cards never are.
                    Loader {
                        active: root.busy
                        visible: active
                        sourceComponent: Spinner {
                            objectName: "busySpinner"
                            running: true
                            Accessible.name: "Opération en cours"
                        }
                    }
                    // A symbol alone: the row keeps its width on the narrowest cards.
                    FlatButton {
                        objectName: "saveToProfileButton"
                        visible: root.profiles !== null
                        // No symbol is made for a button that is not shown.
                        icon.name: root.profiles !== null ? "bookmark" : ""
                        kind: "ghost"
                        implicitWidth: 34
                        enabled: root.present && root.profiles !== null && root.profiles.canChange
                        toolTip: "Enregistrer dans un profil…"
                        Accessible.name: toolTip
                        onClicked: root.profiles.offerSaveOf(root.card)
                    }
                    Item { Layout.fillWidth: true }
                    FlatButton {
                        objectName: "testButton"
                        title: "Tester"
                        kind: "secondary"
                        enabled: root.card?.canTest ?? false
                        toolTip: "Tester la connectivité de cette carte"
                        onClicked: root.appModel.requestTest(root.card)
                    }
                    FlatButton {
                        objectName: "cancelButton"
                        title: "Annuler"
                        kind: "ghost"
                        enabled: root.dirty && !root.busy
                        toolTip: "Revenir à la configuration actuelle"
                        onClicked: root.card.resetDraft()
                    }
                    FlatButton {
                        id: applyButton
                        objectName: "applyButton"
                        title: "Changer"
                        kind: "primary"
                        enabled: root.dirty && !root.busy && root.serviceEnabled
                        toolTip: "Appliquer cette configuration"
                        onClicked: root.appModel.requestApply(root.card)
                    }
                }
            }
        }
    }
}
