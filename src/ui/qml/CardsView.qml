// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// The cards tab. A ListView over the card list keeps each card's view (its focus, caret and
// measured width) through the moves, inserts and removals of a refresh.
ScrollView {
    id: root

    required property AppModel appModel
    property ProfilesModel profiles: null

    readonly property real columnWidth: Math.min(availableWidth, 1120) - 2 * 28
    readonly property alias list: list
    // Set for a moment after the cards changed places: a click meant for the card that was
    // under the pointer must not reach the one that slid there.
    readonly property bool holdingClicks: clickHold.running
    // How long a change of places takes on screen.
    property int moveDuration: 250

    function holdClicks() {
        if (list.count > 0)
            clickHold.restart()
    }

    // The cards scroll under the header and tab bar, never over them.
    clip: true
    contentWidth: availableWidth
    ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
    ScrollBar.vertical: ScrollBar {
        parent: root
        x: root.mirrored ? 0 : root.width - width
        y: root.topPadding
        height: root.availableHeight
        active: root.ScrollBar.horizontal.active
        contentItem: Rectangle {
            implicitWidth: 6
            implicitHeight: 6
            radius: 3
            color: ThemeState.palette.borderStrong
            opacity: parent.policy === ScrollBar.AlwaysOn || (parent.active && parent.size < 1)
                     ? 1 : 0
            Behavior on opacity {
                NumberAnimation { duration: 200 }
            }
        }
    }

    ListView {
        id: list

        objectName: "cardList"
        model: root.appModel.cardList
        spacing: 16
        topMargin: 20
        bottomMargin: 20
        // Only the cards in sight have a view, so that hundreds of services cost only what is
        // seen: a card scrolled to takes the view of one scrolled away, and the keyboard walk
        // makes the next card's view before the focus reaches it. A card being edited is the
        // current item, which the list keeps wherever it goes.
        cacheBuffer: 0
        // A card scrolled out gives its view to the one scrolled in: making a card view costs
        // far more than a frame, handing it another card only re-reads the card.
        reuseItems: true
        highlightFollowsCurrentItem: false
        boundsBehavior: Flickable.StopAtBounds
        activeFocusOnTab: false

        // The cards keep the order the model gives; a card that changes places slides there,
        // and so do those it pushes aside.
        move: Transition {
            NumberAnimation { property: "y"; duration: root.moveDuration; easing.type: Easing.InOutQuad }
        }
        displaced: Transition {
            NumberAnimation { property: "y"; duration: root.moveDuration; easing.type: Easing.InOutQuad }
        }
        Accessible.role: Accessible.List
        Accessible.name: "Cartes réseau"

        // What follows is inside the list: a second child of the scroll view would take the
        // list's place as its content.

        // Tab goes from card to card in the list's order, and the list follows it.
        ListFocusChain {
            list: list
        }
        Timer {
            id: clickHold
            interval: root.moveDuration + 400
        }
        Connections {
            target: root.appModel.cardList
            function onRowsMoved() { root.holdClicks() }
            function onRowsInserted() { root.holdClicks() }
            function onRowsRemoved() { root.holdClicks() }
        }

        header: Item {
            width: list.width
            height: root.appModel.cardCount === 0 ? stateCard.height : 0
            visible: root.appModel.cardCount === 0

            Rectangle {
                id: stateCard

                x: (parent.width - width) / 2
                width: root.columnWidth
                height: stateContent.implicitHeight + 64
                radius: 16
                color: ThemeState.palette.surface
                border.width: 1
                border.color: ThemeState.palette.border

                Item {
                    id: stateContent

                    anchors.fill: parent
                    anchors.topMargin: 32
                    anchors.bottomMargin: 32
                    anchors.leftMargin: 24
                    anchors.rightMargin: 24
                    // Also in the moment before the first read starts.
                    readonly property bool searchingNow: root.appModel.loading
                                                         || !root.appModel.hasLoadedOnce
                    implicitHeight: searchingNow ? searching.implicitHeight : empty.implicitHeight

                    RowLayout {
                        id: searching

                        objectName: "searchingCard"
                        anchors.centerIn: parent
                        visible: stateContent.searchingNow
                        spacing: 12

                        Spinner {
                            objectName: "searchingSpinner"
                            running: searching.visible
                            Accessible.name: "Recherche en cours"
                        }
                        Text {
                            text: "Recherche des cartes réseau…"
                            color: ThemeState.palette.textMuted
                            font.pixelSize: ThemeState.textSize.body
                        }
                    }

                    ColumnLayout {
                        id: empty

                        objectName: "emptyCard"
                        anchors.centerIn: parent
                        width: parent.width
                        visible: !stateContent.searchingNow
                        spacing: 10

                        Text {
                            Layout.alignment: Qt.AlignHCenter
                            text: "Aucune carte réseau détectée."
                            color: ThemeState.palette.text
                            font.pixelSize: ThemeState.textSize.emphasis
                            font.weight: Font.DemiBold
                        }
                        Text {
                            Layout.fillWidth: true
                            horizontalAlignment: Text.AlignHCenter
                            wrapMode: Text.Wrap
                            text: SystemSettings.emptyListHint
                            color: ThemeState.palette.textMuted
                            font.pixelSize: ThemeState.textSize.label
                        }
                        FlatButton {
                            objectName: "emptyRefreshButton"
                            Layout.alignment: Qt.AlignHCenter
                            Layout.topMargin: 4
                            title: "Actualiser"
                            icon.name: "arrow.clockwise"
                            kind: "secondary"
                            toolTip: "Mettre à jour la liste et l'état des cartes réseau ("
                                     + SystemSettings.refreshShortcut + ")"
                            onClicked: root.appModel.requestRefresh(true)
                        }
                    }
                }
            }
        }

        // Roles reach only required properties declared by the delegate itself, not those a
        // type inherits, so a slot takes the card and hands it to the card view.
        delegate: FocusScope {
            id: slot

            required property AdapterCardModel card
            required property int index
            readonly property alias cardView: cardView

            x: (ListView.view.width - width) / 2
            width: root.columnWidth
            height: cardView.implicitHeight
            onActiveFocusChanged: if (activeFocus) ListView.view.currentIndex = index
            ListView.onReused: cardView.reused()

            AdapterCardView {
                id: cardView

                width: parent.width
                height: parent.height
                card: slot.card
                appModel: root.appModel
                profiles: root.profiles
            }

            // Over the card while clicks are held.
            MouseArea {
                objectName: "clickHold"
                anchors.fill: parent
                enabled: root.holdingClicks
                acceptedButtons: Qt.AllButtons
            }
        }
    }
}
