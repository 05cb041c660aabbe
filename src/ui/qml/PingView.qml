// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Brisvale

// The ping tab: a source card, an address, and the log of the pings made from here. The state
// lives in PingTab, which this view only draws and drives.
ScrollView {
    id: root

    required property AppModel appModel
    readonly property PingTab tab: pingTab

    contentWidth: availableWidth
    ScrollBar.vertical.policy: ScrollBar.AsNeeded

    PingTab {
        id: pingTab
        appModel: root.appModel
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
                    font.pixelSize: ThemeState.textSize.pageTitle
                    font.bold: true
                    color: ThemeState.palette.text
                }
                Text {
                    Layout.topMargin: 4
                    Layout.fillWidth: true
                    text: "Choisissez la carte qui doit envoyer le test, puis saisissez une adresse IPv4 à joindre."
                    font.pixelSize: ThemeState.textSize.label
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
                            font.pixelSize: ThemeState.textSize.caption
                            color: ThemeState.palette.textMuted
                        }
                        // Every label is measured, so that the button is as wide as the
                        // longest one and keeps its width whichever is chosen. The choices
                        // change with every refresh and may be hundreds: they are measured
                        // without making an item for each, and only while the tab is shown.
                        QtObject {
                            id: labels
                            property real widest: 0
                            property bool stale: true

                            function measure() {
                                if (!root.visible) {
                                    labels.stale = true
                                    return
                                }
                                labels.stale = false
                                labels.widest = Math.ceil(ChoiceWidth.widest(pingTab, labels.font))
                            }

                            readonly property font font: Qt.font({
                                pixelSize: ThemeState.textSize.body
                            })
                            onFontChanged: Qt.callLater(measure)
                            Component.onCompleted: measure()
                        }
                        Connections {
                            target: pingTab
                            function onSelectionChanged() { Qt.callLater(labels.measure) }
                        }
                        Connections {
                            target: root
                            function onVisibleChanged() {
                                if (root.visible && labels.stale)
                                    labels.measure()
                            }
                        }
                        T.ComboBox {
                            id: sourceButton
                            objectName: "sourceMenuButton"

                            // Read only while the list is open: the choices change with every
                            // refresh, and there may be hundreds of them.
                            property bool listed: false
                            // The key that opened the list: its release must not choose.
                            property int openingKey: 0

                            // Room for the field and "Ping" beside it stays in the panel.
                            implicitWidth: Math.min(
                                Math.max(260, labels.widest + chevron.implicitWidth
                                              + sourceRow.spacing + 2 * 12),
                                Math.max(260, column.width - targetField.width
                                              - pingButton.width - 2 * 14))
                            implicitHeight: 36
                            leftPadding: 12
                            rightPadding: 12
                            hoverEnabled: true
                            model: listed ? pingTab.choices : []
                            textRole: "label"
                            valueRole: "id"
                            displayText: pingTab.selectedLabel
                            Accessible.name: "Carte réseau (source) : " + pingTab.selectedLabel
                            onActivated: index => {
                                const id = valueAt(index)
                                if (id)
                                    pingTab.choose(id)
                            }

                            // Qt opens the list with Space; Return, Enter and Down open it too.
                            Keys.onPressed: event => {
                                if (popup.visible || (event.key !== Qt.Key_Return
                                        && event.key !== Qt.Key_Enter && event.key !== Qt.Key_Down))
                                    return
                                event.accepted = true
                                if (!event.isAutoRepeat) {
                                    openingKey = event.key
                                    popup.open()
                                }
                            }
                            Keys.onReleased: event => {
                                if (event.key !== openingKey)
                                    return
                                event.accepted = true
                                if (!event.isAutoRepeat)
                                    openingKey = 0
                            }

                            background: Rectangle {
                                radius: 8
                                color: sourceButton.hovered ? ThemeState.palette.surfaceMuted
                                                            : ThemeState.palette.surface
                                border.color: sourceButton.visualFocus ? ThemeState.palette.accent
                                                                       : ThemeState.palette.border
                                border.width: sourceButton.visualFocus ? 2 : 1
                            }
                            contentItem: RowLayout {
                                id: sourceRow
                                spacing: 8
                                Text {
                                    Layout.fillWidth: true
                                    text: sourceButton.displayText
                                    font.pixelSize: ThemeState.textSize.body
                                    color: ThemeState.palette.text
                                    elide: Text.ElideRight
                                }
                                SymbolIcon {
                                    id: chevron
                                    name: "chevron.down"
                                    size: 10
                                    weight: Font.DemiBold
                                    color: ThemeState.palette.textMuted
                                }
                            }

                            // As wide as its longest item, within the window.
                            popup: T.Popup {
                                id: sourceMenu
                                objectName: "sourceMenu"
                                y: sourceButton.height + 2
                                margins: 8
                                width: Math.min(
                                    Math.max(sourceButton.width, labels.widest + 2 * 12 + 2 * 4),
                                    (root.Window.width > 0 ? root.Window.width : root.width) - 16)
                                implicitHeight: contentHeight + topPadding + bottomPadding
                                padding: 4
                                // The list opens with nothing marked, as a menu does: the choice
                                // is the tab's, not an index of the list's.
                                onAboutToShow: {
                                    sourceButton.listed = true
                                    sourceButton.currentIndex = -1
                                }
                                onClosed: sourceButton.listed = false

                                background: Rectangle {
                                    radius: 8
                                    color: ThemeState.palette.surface
                                    border.color: ThemeState.palette.border
                                    border.width: 1
                                }
                                contentItem: ListView {
                                    implicitHeight: contentHeight
                                    model: sourceButton.delegateModel
                                    currentIndex: sourceButton.highlightedIndex
                                    highlightMoveDuration: 0
                                    interactive: Window.window
                                                 ? contentHeight + sourceMenu.topPadding
                                                   + sourceMenu.bottomPadding > Window.window.height
                                                 : false
                                    clip: true
                                    ScrollIndicator.vertical: ScrollIndicator {}
                                }
                            }
                            delegate: T.ItemDelegate {
                                id: choice
                                required property var modelData
                                required property int index
                                width: ListView.view.width
                                implicitHeight: 30
                                leftPadding: 12
                                rightPadding: 12
                                text: modelData.label
                                enabled: modelData.id !== ""
                                highlighted: sourceButton.highlightedIndex === index
                                hoverEnabled: sourceButton.hoverEnabled
                                Accessible.name: text
                                contentItem: Text {
                                    objectName: "choiceText"
                                    text: choice.text
                                    font.pixelSize: ThemeState.textSize.body
                                    color: choice.enabled ? ThemeState.palette.text
                                                          : ThemeState.palette.textFaint
                                    elide: Text.ElideRight
                                    verticalAlignment: Text.AlignVCenter
                                }
                                background: Rectangle {
                                    radius: 6
                                    color: choice.highlighted ? ThemeState.palette.surfaceMuted
                                                              : "transparent"
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
                        onSubmitted: pingTab.start()
                    }

                    FlatButton {
                        id: pingButton
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
                        font.pixelSize: ThemeState.textSize.caption
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
                            font.pixelSize: ThemeState.textSize.caption
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
                            font.pixelSize: ThemeState.textSize.caption
                            color: ThemeState.palette.textMuted
                        }
                    }
                }

                Text {
                    objectName: "stateLine"
                    Layout.topMargin: 8
                    Layout.fillWidth: true
                    text: pingTab.stateText
                    font.pixelSize: ThemeState.textSize.small
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
