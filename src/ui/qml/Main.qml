import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

ApplicationWindow {
    id: window

    required property string machinePath

    title: "Brisvale"
    width: 880
    height: 620
    minimumWidth: 880
    minimumHeight: 620
    visible: true

    AdapterListing {
        id: listing
        Component.onCompleted: refresh()
    }

    header: ToolBar {
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            anchors.rightMargin: 8

            Label {
                text: "Cartes réseau"
                font.bold: true
                font.pointSize: 15
            }
            Label {
                text: "Machine simulée"
                opacity: 0.7
            }
            Item { Layout.fillWidth: true }
            Button {
                text: listing.loading ? "Actualisation…" : "Actualiser"
                enabled: !listing.loading
                Accessible.name: "Actualiser les cartes réseau"
                onClicked: listing.refresh()
            }
        }
    }

    ListView {
        id: list
        anchors.fill: parent
        anchors.margins: 16
        spacing: 8
        clip: true
        model: listing.adapters
        keyNavigationEnabled: true
        focus: true

        delegate: Rectangle {
            id: row
            required property var modelData
            width: ListView.view.width
            height: column.implicitHeight + 20
            radius: 8
            color: modelData.enabled ? "#f4f6f8" : "#ececec"
            border.color: ListView.isCurrentItem ? "#3b82f6" : "#d0d5dc"
            Accessible.role: Accessible.ListItem
            Accessible.name: modelData.serviceName + ", " + modelData.summaryText

            ColumnLayout {
                id: column
                anchors.fill: parent
                anchors.margins: 10
                spacing: 2
                Label {
                    text: row.modelData.serviceName
                    font.bold: true
                }
                Label {
                    text: row.modelData.metaLabel
                    opacity: 0.7
                }
                Label {
                    text: row.modelData.summaryText
                        + (row.modelData.connected ? " · lien actif" : " · pas de lien")
                }
            }
        }

        Label {
            anchors.centerIn: parent
            visible: list.count === 0 && !listing.loading
            text: "Aucune carte réseau détectée."
        }
    }

    footer: Label {
        padding: 8
        text: window.machinePath
        elide: Text.ElideMiddle
        opacity: 0.6
    }
}
