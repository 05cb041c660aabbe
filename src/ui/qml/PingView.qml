import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// The ping tab: a source card, an address, and the log of the pings made from here. The state
// lives in PingTab, which this view only draws and drives.
ScrollView {
    id: root

    required property AppModel model
    readonly property PingTab tab: pingTab

    contentWidth: availableWidth
    ScrollBar.vertical.policy: ScrollBar.AsNeeded

    PingTab {
        id: pingTab
        appModel: root.model
    }

    Item {
        width: root.availableWidth
        implicitHeight: panel.height + 40

        Rectangle {
            id: panel
            objectName: "pingPanel"
            x: Math.max(28, (parent.width - width) / 2)
            y: 20
            width: Math.min(1120, parent.width - 56)
            height: column.implicitHeight + 44
            radius: 16
            color: ThemeState.palette.surface
            border.color: ThemeState.palette.border
            border.width: 1

            ColumnLayout {
                id: column
                anchors.fill: parent
                anchors.margins: 22
                spacing: 0

                Text {
                    text: "Tester une adresse IP sur le réseau"
                    font.pointSize: 18
                    font.bold: true
                    color: ThemeState.palette.text
                }
                Text {
                    Layout.topMargin: 4
                    Layout.fillWidth: true
                    text: "Choisissez la carte qui doit envoyer le test, puis saisissez une adresse IPv4 à joindre."
                    font.pointSize: 12.5
                    color: ThemeState.palette.textMuted
                    wrapMode: Text.Wrap
                }

                RowLayout {
                    Layout.topMargin: 20
                    spacing: 14

                    ColumnLayout {
                        Layout.alignment: Qt.AlignBottom
                        spacing: 7
                        Text {
                            text: "Carte réseau (source)"
                            font.pointSize: 12
                            color: ThemeState.palette.textMuted
                        }
                        Rectangle {
                            id: sourceButton
                            objectName: "sourceMenuButton"
                            implicitWidth: Math.max(260, sourceRow.implicitWidth + 24)
                            implicitHeight: 36
                            radius: 8
                            color: sourceArea.containsMouse ? ThemeState.palette.surfaceMuted
                                                            : ThemeState.palette.surface
                            border.color: sourceButton.activeFocus ? ThemeState.palette.accent
                                                                   : ThemeState.palette.border
                            border.width: sourceButton.activeFocus ? 2 : 1
                            activeFocusOnTab: true
                            Accessible.role: Accessible.ComboBox
                            Accessible.name: "Carte réseau (source) : " + pingTab.selectedLabel
                            Keys.onPressed: event => {
                                if (event.key === Qt.Key_Space || event.key === Qt.Key_Return
                                        || event.key === Qt.Key_Enter || event.key === Qt.Key_Down) {
                                    sourceMenu.open()
                                    event.accepted = true
                                }
                            }

                            RowLayout {
                                id: sourceRow
                                anchors.fill: parent
                                anchors.leftMargin: 12
                                anchors.rightMargin: 12
                                spacing: 8
                                Text {
                                    Layout.fillWidth: true
                                    text: pingTab.selectedLabel
                                    font.pointSize: 13
                                    color: ThemeState.palette.text
                                    elide: Text.ElideRight
                                }
                                SymbolIcon {
                                    name: "chevron.down"
                                    size: 10
                                    weight: Font.DemiBold
                                    color: ThemeState.palette.textMuted
                                }
                            }
                            MouseArea {
                                id: sourceArea
                                anchors.fill: parent
                                hoverEnabled: true
                                onClicked: sourceMenu.open()
                            }
                            Menu {
                                id: sourceMenu
                                y: sourceButton.height + 2
                                // Made when the menu opens: the choices change with every
                                // refresh, and there may be hundreds of them.
                                Repeater {
                                    model: sourceMenu.visible ? pingTab.choices : []
                                    MenuItem {
                                        required property var modelData
                                        text: modelData.label
                                        enabled: modelData.id !== ""
                                        onTriggered: pingTab.choose(modelData.id)
                                    }
                                }
                            }
                        }
                    }

                    LabeledField {
                        id: targetField
                        objectName: "targetField"
                        Layout.alignment: Qt.AlignBottom
                        Layout.preferredWidth: 220
                        label: "Adresse IPv4 à tester"
                        placeholder: "ex. 192.168.1.1"
                        text: pingTab.target
                        invalid: pingTab.targetInvalid
                        enabled: !pingTab.running
                        onEdited: text => pingTab.target = text
                    }
                    Connections {
                        target: targetField.field
                        function onAccepted() {
                            pingTab.start()
                        }
                    }

                    FlatButton {
                        objectName: "pingButton"
                        Layout.alignment: Qt.AlignBottom
                        title: "Ping"
                        kind: "primary"
                        enabled: !pingTab.running && pingTab.hasSelectableAdapters
                        onClicked: pingTab.start()
                    }
                }

                RowLayout {
                    Layout.topMargin: 22
                    Layout.fillWidth: true
                    Text {
                        text: "Journal des tests"
                        font.pointSize: 12
                        font.weight: Font.DemiBold
                        color: ThemeState.palette.text
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                    FlatButton {
                        objectName: "clearButton"
                        title: "Effacer"
                        kind: "ghost"
                        enabled: !pingTab.running
                        onClicked: pingTab.clear()
                    }
                }

                Rectangle {
                    Layout.topMargin: 8
                    Layout.fillWidth: true
                    Layout.preferredHeight: 300
                    radius: 10
                    color: ThemeState.palette.surfaceMuted
                    border.color: ThemeState.palette.border
                    border.width: 1
                    clip: true

                    ListView {
                        id: log
                        objectName: "pingLog"
                        anchors.fill: parent
                        anchors.margins: 12
                        spacing: 6
                        model: pingTab.entries
                        boundsBehavior: Flickable.StopAtBounds
                        ScrollBar.vertical: ScrollBar {
                            policy: ScrollBar.AsNeeded
                        }
                        Accessible.role: Accessible.List
                        Accessible.name: "Journal des tests"

                        delegate: Text {
                            required text
                            required property int kind
                            width: ListView.view.width
                            font.family: "monospace"
                            font.pointSize: 12
                            color: ThemeState.palette.forKind(kind)
                            wrapMode: Text.Wrap
                        }

                        // The newest line slides into view at the bottom.
                        NumberAnimation {
                            id: scrollToNewest
                            target: log
                            property: "contentY"
                            duration: 150
                            easing.type: Easing.OutQuad
                        }
                        onCountChanged: {
                            if (count === 0)
                                return
                            Qt.callLater(() => {
                                const bottom = Math.max(log.originY,
                                                        log.originY + log.contentHeight - log.height)
                                scrollToNewest.stop()
                                scrollToNewest.from = log.contentY
                                scrollToNewest.to = bottom
                                scrollToNewest.start()
                            })
                        }

                        Text {
                            anchors.left: parent.left
                            anchors.top: parent.top
                            visible: log.count === 0
                            text: "Les résultats des tests apparaîtront ici."
                            font.pointSize: 12
                            color: ThemeState.palette.textMuted
                        }
                    }
                }

                Text {
                    objectName: "stateLine"
                    Layout.topMargin: 8
                    Layout.fillWidth: true
                    text: pingTab.stateText
                    font.pointSize: 11.5
                    color: ThemeState.palette.forKind(pingTab.stateKind)
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
        }
    }
}
