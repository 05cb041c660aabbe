// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// The whole window content. The tabs stay alive side by side once shown, so that a hidden one
// keeps its state (drafts, the ping target and log); only their visibility follows the model's
// tab.
Rectangle {
    id: root

    required property AppModel model
    property ProfilesModel profiles: null
    readonly property alias refreshTimer: refreshTimer
    readonly property alias cardsLayer: cardsLayer
    readonly property alias pingLayer: pingLayer
    readonly property alias profilesLayer: profilesLayer

    color: ThemeState.palette.bg
    implicitWidth: 880
    implicitHeight: 620

    // The first load waits until the content is on screen, and only ever starts once per
    // model: a later showing finds hasLoadedOnce set (or a refresh in flight, which the model
    // drops). On screen means drawn once: the read's link tests start programs that would
    // otherwise take the processor from the first frame.
    readonly property bool shown: visible && Window.window !== null && Window.window.visible
                                  && drawn
    property bool drawn: false
    // The frame that shows the first read's answer (the cards) is done: what is not needed for
    // it may start.
    property bool answerDrawn: false
    onShownChanged: loadFirstTime()
    Component.onCompleted: loadFirstTime()
    // Emitted on this thread just before a frame is drawn; what is posted from here runs once
    // the frame is done (or, with a render thread, while it is being drawn there).
    Connections {
        target: root.Window.window
        enabled: !root.drawn || (root.model.hasLoadedOnce && !root.answerDrawn)
        function onAfterAnimating() { Qt.callLater(root.markDrawn) }
    }
    function markDrawn() {
        drawn = true
        if (model.hasLoadedOnce)
            answerDrawn = true
    }

    function loadFirstTime() {
        if (shown && !model.hasLoadedOnce)
            model.requestRefresh(false)
    }

    // The model decides whether a tick refreshes (not while a refresh or a card operation
    // runs), so the timer runs whatever the tab.
    Timer {
        id: refreshTimer
        interval: 30000
        repeat: true
        running: true
        onTriggered: root.model.requestAutoRefresh()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        HeaderView {
            Layout.fillWidth: true
            model: root.model
        }

        TabBarView {
            Layout.fillWidth: true
            model: root.model
        }

        Item {
            id: body

            Layout.fillWidth: true
            Layout.fillHeight: true
            // Nothing of a tab is ever drawn over the bars around it.
            clip: true

            CardsView {
                id: cardsLayer

                readonly property bool current: root.model.tab === Kinds.MainTab.cards

                anchors.fill: parent
                appModel: root.model
                profiles: root.profiles
                opacity: current ? 1 : 0
                // A hidden layer, even faded out and disabled, would still take the pointer's
                // hover from the one beneath it.
                visible: opacity > 0
                enabled: current
                Accessible.ignored: !current
                Behavior on opacity {
                    NumberAnimation { duration: 150; easing.type: Easing.InOutQuad }
                }
            }

            // Nothing of the ping tab delays the first frame or the cards: it is made in the
            // background once the first read's answer is drawn, or at once when chosen before
            // that (or while it is still being made), then kept with its state (the target, the
            // log). Made as the answer comes, its types would be compiled on another thread and
            // its first objects made between frames, beside the cards.
            // Named by its file rather than its type, so that its types (its menu above all)
            // are not even read before then.
            Loader {
                id: pingLayer

                readonly property bool current: root.model.tab === Kinds.MainTab.ping
                readonly property PingTab tab: item ? item.tab : null
                property bool used: false

                anchors.fill: parent
                active: used || current || root.answerDrawn
                // A load already under way stays in the background: turned synchronous midway,
                // the Loader starts again without the properties setSource() gave it.
                asynchronous: !current || status === Loader.Loading
                Component.onCompleted: setSource(Qt.resolvedUrl("PingView.qml"),
                                                 { appModel: root.model })
                onCurrentChanged: if (current) used = true
                opacity: current ? 1 : 0
                // A hidden layer, even faded out and disabled, would still take the pointer's
                // hover from the one beneath it.
                visible: opacity > 0
                enabled: current
                Accessible.ignored: !current
                Behavior on opacity {
                    NumberAnimation { duration: 150; easing.type: Easing.InOutQuad }
                }
            }

            // Made as the ping tab is, in the background once the cards are drawn.
            Loader {
                id: profilesLayer

                readonly property bool current: root.model.tab === Kinds.MainTab.profiles
                property bool used: false

                anchors.fill: parent
                active: root.profiles !== null && (used || current || root.answerDrawn)
                asynchronous: !current || status === Loader.Loading
                Component.onCompleted: setSource(Qt.resolvedUrl("ProfilesView.qml"),
                                                 { appModel: root.model, profiles: root.profiles })
                onCurrentChanged: if (current) used = true
                opacity: current ? 1 : 0
                visible: opacity > 0
                enabled: current
                Accessible.ignored: !current
                Behavior on opacity {
                    NumberAnimation { duration: 150; easing.type: Easing.InOutQuad }
                }
            }
        }

        StatusBarView {
            Layout.fillWidth: true
            model: root.model
        }

        FooterView {
            Layout.fillWidth: true
        }
    }

    // Over both tabs: a card's "Enregistrer dans un profil…" opens them from the cards.
    Loader {
        id: profileDialogs

        anchors.fill: parent
        active: root.profiles !== null && (root.answerDrawn || profilesLayer.used)
        asynchronous: true
        Component.onCompleted: setSource(Qt.resolvedUrl("ProfileDialogs.qml"),
                                         { profiles: root.profiles })
    }
}
