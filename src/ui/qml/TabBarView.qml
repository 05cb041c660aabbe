// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

Rectangle {
    id: root

    required property AppModel model

    color: ThemeState.palette.bg
    implicitHeight: row.implicitHeight

    component TabItem: AbstractButton {
        id: tab

        required property int value
        readonly property bool selected: root.model.tab === value

        focusPolicy: Qt.StrongFocus
        hoverEnabled: true
        Accessible.role: Accessible.PageTab
        Accessible.name: text
        Accessible.selected: selected
        Accessible.onPressAction: clicked()
        checkable: false
        onClicked: root.model.tab = value

        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight + 26 + 2

        contentItem: Item {}
        background: Item {
            Text {
                id: label

                anchors.top: parent.top
                anchors.topMargin: 13
                anchors.horizontalCenter: parent.horizontalCenter
                text: tab.text
                color: tab.selected ? ThemeState.palette.text : ThemeState.palette.textMuted
                font.pixelSize: ThemeState.textSize.tab
                font.weight: tab.selected ? Font.DemiBold : Font.Normal
            }

            Rectangle {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                height: 2
                radius: 1
                color: tab.selected ? ThemeState.palette.accent : "transparent"
            }

            // Keyboard focus shows as a thin ring, which the underline alone would not.
            Rectangle {
                anchors.fill: label
                anchors.margins: -4
                radius: 4
                color: "transparent"
                border.width: 1
                border.color: ThemeState.palette.accent
                visible: tab.visualFocus
            }
        }
    }

    // Under the row, so that the selected tab's underline covers it.
    Hairline {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        color: ThemeState.palette.border
    }

    RowLayout {
        id: row

        anchors.fill: parent
        anchors.leftMargin: 28
        anchors.rightMargin: 28
        spacing: 28

        TabItem {
            objectName: "cardsTab"
            Layout.alignment: Qt.AlignBottom
            text: "Cartes réseau"
            value: Kinds.MainTab.cards
        }

        TabItem {
            objectName: "pingTab"
            Layout.alignment: Qt.AlignBottom
            text: "Test de ping"
            value: Kinds.MainTab.ping
        }

        TabItem {
            objectName: "profilesTab"
            Layout.alignment: Qt.AlignBottom
            text: "Profils"
            value: Kinds.MainTab.profiles
        }

        Item {
            Layout.fillWidth: true
        }

        FlatButton {
            title: "Réglages Réseau"
            icon.name: "network"
            kind: "secondary"
            toolTip: SystemSettings.networkSettingsToolTip
            onClicked: SystemSettings.openNetwork(root.model)
        }
    }
}
