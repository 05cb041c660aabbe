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
    required property AppModel model
    property real measuredWidth: 980
    property real wideBreakpoint: 900

    readonly property bool wide: measuredWidth >= wideBreakpoint
    readonly property var colors: ThemeState.palette
    readonly property bool manualEditable: card.canEdit && card.mode === Kinds.ConfigMode.manual
    readonly property bool hasMessage: card.displayMessage.text !== ""

    // The isDirty notification also fires for unrelated derived changes; only a real flip counts.
    property bool lastDirty: false

    // Not from the content: a width that followed the layout would switch the layout it follows.
    implicitWidth: 980
    implicitHeight: layout.implicitHeight + 44
    opacity: card.busy ? 0.92 : 1

    Accessible.role: Accessible.Grouping
    Accessible.name: card.info.serviceName

    // A width of 0 only means the card is not laid out yet: keep the wide default until then.
    onWidthChanged: if (width > 0) measuredWidth = width
    Component.onCompleted: {
        if (width > 0)
            measuredWidth = width
        lastDirty = card.isDirty
    }

    Connections {
        target: root.card
        function onDerivedChanged() {
            if (root.card.isDirty === root.lastDirty)
                return
            root.lastDirty = root.card.isDirty
            root.model.draftRevision += 1
        }
    }

    // Typing replaces whatever the card said before.
    function clearMessage() {
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
            Layout.preferredWidth: root.wide ? 300 : -1
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
                    color: root.card.info.kind === Kinds.AdapterKind.wifi ? root.colors.wifiSoft
                         : root.card.info.kind === Kinds.AdapterKind.ethernet ? root.colors.accentSoft
                         : root.colors.surfaceSunken

                    SymbolIcon {
                        objectName: "kindSymbol"
                        anchors.centerIn: parent
                        name: root.card.info.kind === Kinds.AdapterKind.wifi ? "wifi" : "network"
                        size: 22
                        weight: Font.Medium
                        color: root.card.info.kind === Kinds.AdapterKind.wifi ? root.colors.wifi
                             : root.card.info.kind === Kinds.AdapterKind.ethernet ? root.colors.accent
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
                        text: root.card.info.serviceName
                        elide: Text.ElideRight
                        font.pointSize: 19
                        font.weight: Font.Bold
                        color: root.colors.text
                        ToolTip.visible: nameHover.hovered
                        ToolTip.text: text
                        HoverHandler { id: nameHover }
                    }
                    Text {
                        objectName: "metaLabel"
                        Layout.fillWidth: true
                        text: root.card.info.metaLabel
                        elide: Text.ElideRight
                        font.pointSize: 11.5
                        color: root.colors.textMuted
                        ToolTip.visible: metaHover.hovered
                        ToolTip.text: text
                        HoverHandler { id: metaHover }
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

                    readonly property color tint: !root.card.info.enabled ? root.colors.textMuted
                                                : root.card.info.connected ? root.colors.success
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
                        text: !root.card.info.enabled ? "Désactivée"
                            : root.card.info.connected ? "Connectée" : "Non connectée"
                        font.pointSize: 12.5
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
                        isOn: root.card.info.enabled
                        enabled: !root.card.busy
                        Accessible.name: "Carte active : " + root.card.info.serviceName
                        onToggled: root.model.requestSetEnabled(root.card, !root.card.info.enabled)
                    }
                    Text {
                        text: "Carte active"
                        font.pointSize: 12.5
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
                        mode: root.card.mode
                        enabled: root.card.canEdit
                        Accessible.name: "Mode d'adressage de " + root.card.info.serviceName
                        onModeRequested: (mode) => root.card.changeMode(mode)
                    }
                    Text {
                        objectName: "modeHint"
                        Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
                        Layout.fillWidth: true
                        text: root.card.hintText
                        wrapMode: Text.Wrap
                        font.pointSize: 12
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
                        text: root.card.ip
                        invalid: root.card.showErrors && root.card.ipError !== ""
                        enabled: root.manualEditable
                        onEdited: (text) => { root.card.ip = text; root.clearMessage() }
                    }
                    LabeledField {
                        objectName: "maskField"
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        label: "Masque"
                        placeholder: "255.255.255.0"
                        text: root.card.mask
                        invalid: root.card.showErrors && root.card.maskError !== ""
                        enabled: root.manualEditable
                        onEdited: (text) => { root.card.mask = text; root.clearMessage() }
                    }
                    LabeledField {
                        objectName: "routerField"
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        Layout.columnSpan: fields.columns === 2 ? 2 : 1
                        label: "Passerelle"
                        placeholder: "192.168.1.1"
                        text: root.card.router
                        invalid: root.card.showErrors && root.card.routerError !== ""
                        enabled: root.manualEditable
                        onEdited: (text) => { root.card.router = text; root.clearMessage() }
                    }
                }

                // A blank keeps the line's height so the buttons do not jump when a message comes.
                Text {
                    objectName: "messageText"
                    Layout.fillWidth: true
                    Layout.minimumHeight: 16
                    text: root.hasMessage ? root.card.displayMessage.text : " "
                    wrapMode: Text.Wrap
                    font.pointSize: 11.5
                    color: root.colors.forKind(root.card.displayMessage.kind)
                    ToolTip.visible: root.hasMessage && messageHover.hovered
                    ToolTip.text: text
                    HoverHandler { id: messageHover }
                }

                RowLayout {
                    objectName: "actionRow"
                    Layout.fillWidth: true
                    spacing: 10

                    // Made for each operation: a stopped indicator still fades out, frame
                    // after frame, once hidden.
                    Loader {
                        objectName: "busySpinner"
                        visible: root.card.busy
                        active: root.card.busy
                        Layout.preferredWidth: 20
                        Layout.preferredHeight: 20
                        sourceComponent: BusyIndicator {
                            palette.dark: root.colors.textMuted
                            Accessible.name: "Opération en cours"
                        }
                    }
                    Item { Layout.fillWidth: true }
                    FlatButton {
                        objectName: "testButton"
                        title: "Tester"
                        kind: "secondary"
                        enabled: root.card.info.enabled && !root.card.busy
                                 && root.card.info.ip.trim() !== ""
                        toolTip: "Tester la connectivité de cette carte"
                        onClicked: root.model.requestTest(root.card)
                    }
                    FlatButton {
                        objectName: "cancelButton"
                        title: "Annuler"
                        kind: "ghost"
                        enabled: root.card.isDirty && !root.card.busy
                        toolTip: "Revenir à la configuration actuelle"
                        onClicked: root.card.resetDraft()
                    }
                    FlatButton {
                        objectName: "applyButton"
                        title: "Changer"
                        kind: "primary"
                        enabled: root.card.isDirty && !root.card.busy && root.card.info.enabled
                        toolTip: "Appliquer cette configuration"
                        onClicked: root.model.requestApply(root.card)
                    }
                }
            }
        }
    }
}
