import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

ApplicationWindow {
    id: window

    required property AppModel appModel
    required property string machinePath

    title: "Brisvale"
    width: 880
    height: 620
    minimumWidth: 880
    minimumHeight: 620
    visible: true

    Component.onCompleted: {
        if (!appModel.hasLoadedOnce)
            appModel.requestRefresh(false)
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
                text: window.appModel.loading ? "Actualisation…" : "Actualiser"
                enabled: !window.appModel.loading && !window.appModel.isBusy
                Accessible.name: "Actualiser les cartes réseau"
                onClicked: window.appModel.requestRefresh(true)
            }
        }
    }

    ListView {
        id: list
        anchors.fill: parent
        anchors.margins: 16
        spacing: 8
        clip: true
        model: window.appModel.cardList
        keyNavigationEnabled: true
        focus: true

        delegate: Rectangle {
            id: row

            required property AdapterCardModel card

            width: ListView.view.width
            height: column.implicitHeight + 20
            radius: 8
            color: card.info.enabled ? "#f4f6f8" : "#ececec"
            border.color: ListView.isCurrentItem ? "#3b82f6" : "#d0d5dc"
            Accessible.role: Accessible.ListItem
            Accessible.name: card.info.serviceName + ", " + card.info.summaryText

            ColumnLayout {
                id: column
                anchors.fill: parent
                anchors.margins: 10
                spacing: 2
                Label {
                    text: row.card.info.serviceName
                    font.bold: true
                }
                Label {
                    text: row.card.info.metaLabel
                    opacity: 0.7
                }
                Label {
                    text: row.card.info.summaryText
                }
                Label {
                    text: row.card.hintText
                    opacity: 0.7
                }
            }
        }

        Label {
            anchors.centerIn: parent
            visible: list.count === 0 && !window.appModel.loading
            text: "Aucune carte réseau détectée."
        }
    }

    footer: ToolBar {
        ColumnLayout {
            anchors.fill: parent
            anchors.margins: 6
            spacing: 2
            Label {
                Layout.fillWidth: true
                text: window.appModel.statusText.length > 0 ? window.appModel.statusText
                                                            : window.machinePath
                elide: Text.ElideMiddle
                Accessible.role: Accessible.StatusBar
            }
            Label {
                Layout.fillWidth: true
                text: window.appModel.pendingHint
                opacity: 0.7
            }
        }
    }
}
