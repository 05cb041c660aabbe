// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

TestCase {
    id: testCase
    name: "ContentView"
    width: 1120
    height: 700
    visible: true
    when: windowShown

    Component {
        id: contentComponent
        ContentView { width: testCase.width; height: testCase.height }
    }
    Component {
        id: pingComponent
        PingView { width: testCase.width; height: testCase.height }
    }

    function init() { failOnWarning(/.*/) } // a binding loop, above all
    function cleanup() { Fixtures.simulateMachine("") }

    function makeContent(visible) {
        return createTemporaryObject(contentComponent, testCase,
                                     { model: Fixtures.newModel(), visible: visible !== false })
    }

    function isShown(item) {
        for (let it = item; it; it = it.parent)
            if (!it.visible || it.opacity === 0)
                return false
        return item !== null
    }

    // A hidden view waits, showing it searching; a shown one reads once it is drawn, and once
    // only, whatever it shows next or how often.
    function test_firstLoad() {
        const content = makeContent(false)
        wait(50)
        compare(Fixtures.readsStarted(), 0)
        verify(!findChild(content, "refreshButton").enabled, "Actualiser waits for the first read")
        content.visible = true
        verify(isShown(findChild(content, "searchingCard")), "searching before the read starts")
        compare(content.model.pendingHint, "Chargement des cartes réseau…")
        content.visible = false
        content.visible = true
        tryVerify(() => Fixtures.readsStarted() === 1)
        content.visible = false
        content.visible = true
        wait(50)
        compare(Fixtures.readsStarted(), 1, "a read in flight is not doubled")
        verify(isShown(findChild(content, "searchingCard")))
        const spinner = findChild(content, "searchingSpinner")
        verify(isShown(spinner) && spinner.running)
        verify(spinner.contentItem.width >= 16 && spinner.contentItem.height >= 16)
        Fixtures.answerRead([])
        tryVerify(() => isShown(findChild(content, "emptyCard")))
        verify(!isShown(findChild(content, "searchingCard")))
        mouseClick(findChild(content, "emptyRefreshButton"))
        compare(Fixtures.readsStarted(), 2, "the empty card's button reads again")
        Fixtures.answerRead(["a", "b"])
        tryVerify(() => content.cardsLayer.list.itemAtIndex(1) !== null)
        compare(content.cardsLayer.list.itemAtIndex(1).cardView.card.id, "b")
        verify(!isShown(findChild(content, "emptyCard")))
        content.visible = false
        content.visible = true
        createTemporaryObject(contentComponent, testCase, { model: content.model })
        compare(Fixtures.readsStarted(), 2, "a loaded model is not read again")
    }

    // "Actualiser" reads again, but not while a read runs or a card is busy.
    function test_refreshButton() {
        const content = makeContent()
        const button = findChild(content, "refreshButton")
        tryVerify(() => Fixtures.readsStarted() === 1)
        verify(!button.enabled, "during the first read")
        Fixtures.answerRead(["a"])
        tryVerify(() => button.enabled)
        mouseClick(button)
        verify(!button.enabled, "during a refresh")
        compare(Fixtures.readsStarted(), 2)
        Fixtures.answerRead(["a"])
        tryVerify(() => button.enabled)
        Fixtures.holdCommands()
        content.model.requestSetEnabled(Fixtures.card("a"), false)
        verify(!button.enabled, "while a card is busy")
        mouseClick(button)
        compare(Fixtures.readsStarted(), 2)
    }

    // The hidden tab stays alive: its views, scroll position and drafts are there on return.
    function test_tabsKeepBothLayers() {
        const content = makeContent()
        const cardsLayer = content.cardsLayer, pingLayer = content.pingLayer
        const list = cardsLayer.list
        Fixtures.answerRead(["a", "b", "c", "d", "e", "f"])
        tryVerify(() => list.itemAtIndex(0) !== null)
        const firstCard = list.itemAtIndex(0)
        Fixtures.card("b").ip = "10.0.0.9"
        list.contentY = 150

        mouseClick(findChild(content, "pingTab"))
        compare(content.model.tab, Kinds.MainTab.ping)
        verify(!cardsLayer.enabled, "the hidden cards take no input at once")
        tryCompare(cardsLayer, "opacity", 0)
        tryCompare(pingLayer, "opacity", 1)
        content.refreshTimer.triggered()
        compare(Fixtures.readsStarted(), 2, "a tick on the ping tab still refreshes")
        Fixtures.answerRead(["a", "b", "c", "d", "e", "f"])

        mouseClick(findChild(content, "cardsTab"))
        tryCompare(cardsLayer, "opacity", 1)
        tryCompare(pingLayer, "opacity", 0)
        verify(!pingLayer.enabled)
        verify(list.itemAtIndex(0) === firstCard, "the card views were not rebuilt")
        compare(list.contentY, 150)
        compare(Fixtures.card("b").ip, "10.0.0.9")
    }

    function test_statusBar_data() {
        const text = "Application de la configuration sur « " + "Adaptateur ".repeat(40) + "»…"
        return [
            { tag: "no status: the hint on the left", status: "", kind: Kinds.MessageKind.none,
              colour: "textMuted" },
            { tag: "long error is cut", status: text, kind: Kinds.MessageKind.error,
              colour: "danger" },
        ]
    }

    function test_statusBar(data) {
        const content = makeContent()
        const hint = content.model.pendingHint
        const leading = findChild(content, "leadingText")
        const trailing = findChild(content, "trailingText")
        const right = item => item.mapToItem(content, item.width, 0).x
        Fixtures.setStatus(data.status, data.kind)
        verify(hint.length > 0)
        compare(leading.mapToItem(content, 0, 0).x, 28)
        compare(leading.text, data.status || hint)
        verify(Qt.colorEqual(leading.color, ThemeState.palette[data.colour]))
        compare(trailing.visible, data.status !== "")
        if (data.status === "")
            return
        compare(trailing.text, hint)
        tryVerify(() => right(trailing) === content.width - 28, 1000, "the hint keeps right")
        verify(leading.truncated)
        verify(right(leading) <= trailing.mapToItem(content, 0, 0).x - 16)
    }

    function test_pingView() {
        const view = createTemporaryObject(pingComponent, testCase,
                                           { appModel: Fixtures.newModel(true) })
        const field = findChild(view, "targetField").field
        const log = findChild(view, "pingLog")
        compare(field.text, "192.168.1.1")
        field.forceActiveFocus()
        keyClick(Qt.Key_Return)
        compare(Fixtures.pings().length, 1, "Return starts a ping")
        compare(findChild(view, "stateLine").text,
                "Réponse de 192.168.1.1 : 4 paquets reçus sur 4.")
        for (let i = 0; i < 30; ++i)
            view.tab.start()
        compare(log.count, 31)
        tryVerify(() => log.contentHeight > log.height)
        tryCompare(log, "atYEnd", true, 5000, "the newest line is in view")
        verify(log.contentY > 0)
    }

    // Scrolled cards pass under the header and the tab bar, never over them.
    function test_cardsScrollUnderTheBars() {
        const content = makeContent()
        const list = content.cardsLayer.list
        Fixtures.answerRead(["a", "b", "c", "d", "e", "f"])
        tryVerify(() => list.itemAtIndex(1) !== null)
        list.contentY = list.originY + 120
        const tabBar = findChild(content, "cardsTab")
        const spot = tabBar.mapToItem(content, 0, tabBar.height - 4)
        waitForRendering(content)
        const image = grabImage(content)
        verify(Qt.colorEqual(image.pixel(content.width / 2, spot.y), ThemeState.palette.bg),
               "the tab bar shows through")
        verify(Qt.colorEqual(image.pixel(content.width / 2, 4), ThemeState.palette.surface),
               "the header shows through")
    }

    // The header keeps "Autorisation admin." whole at every width from the window's minimum;
    // the pill naming the machine gives way, and its tip says what the status line does not:
    // the simulated machine's file, the real system's version.
    function test_header_data() {
        return [
            { tag: "default width", width: 1120, pillWhole: true },
            { tag: "1000", width: 1000 },
            { tag: "minimum width", width: 880 },
            { tag: "real system", width: 1120, pillWhole: true, system: "NetworkManager" },
        ]
    }

    function test_header(data) {
        Fixtures.simulateMachine(data.system ? "" : "/srv/démo/machine-simulee.json",
                                 data.system ?? "")
        const content = makeContent()
        content.width = data.width
        Fixtures.answerRead(["a"])
        const admin = findChild(content, "adminPill")
        const adminText = findChild(admin, "pillText")
        const simulated = findChild(content, "simulatedPill")
        const pill = data.system ? findChild(content, "systemPill") : simulated
        const refresh = findChild(content, "refreshButton")
        tryVerify(() => refresh.mapToItem(content, refresh.width, 0).x <= data.width - 28 + 0.5)
        verify(adminText.visible && !adminText.truncated, "the admin pill keeps its text")
        compare(adminText.text, "Autorisation admin.")
        verify(pill.visible)
        compare(simulated.visible, !data.system)
        verify(pill.toolTip.startsWith(data.system ? "Brisvale travaille sur le système réel, par "
                                                     + "NetworkManager 1.42.4 : "
                                                   : "Machine simulée : /srv/démo/machine-simulee.json"))
        const pillText = findChild(pill, "pillText")
        const subtitle = findChild(content, "subtitle")
        if (data.pillWhole)
            tryVerify(() => pillText.visible && !pillText.truncated)
        tryVerify(() => !subtitle.truncated || !pillText.visible, 1000,
                  "the pill gives way before the subtitle")
        tryVerify(() => pill.mapToItem(content, pill.width, 0).x
                        <= admin.mapToItem(content, 0, 0).x - 14 + 0.5, 1000,
                  "the pills do not overlap")
        compare(content.model.statusText, "", "the status line starts empty")
        compare(findChild(content, "leadingText").text, content.model.pendingHint)
    }

    // Cards that change places slide there; a click at the same spot just after the move does
    // not reach the card that slid under the pointer.
    function test_resortedCards() {
        const content = makeContent()
        const cards = content.cardsLayer, list = cards.list
        cards.moveDuration = 1500
        Fixtures.answerRead(["a", "b", "c"])
        tryVerify(() => list.itemAtIndex(2) !== null && !cards.holdingClicks, 5000)
        const toggle = findChild(list.itemAtIndex(0), "activationSwitch")
        const spot = toggle.mapToItem(content, toggle.width / 2, toggle.height / 2)
        const slotB = list.itemAtIndex(1), startB = slotB.y
        content.model.requestRefresh(true)
        Fixtures.answerRead(["b", "c", "a"])
        tryVerify(() => list.itemAtIndex(0) === slotB)
        verify(cards.holdingClicks)
        mouseClick(content, spot.x, spot.y)
        compare(Fixtures.commands(), [], "no other service is switched")
        tryVerify(() => slotB.y < startB - 10 && slotB.y > 10, 3000, "the move is shown")
        tryVerify(() => !cards.holdingClicks, 5000)
        tryCompare(slotB, "y", 0)
        mouseClick(content, spot.x, spot.y)
        compare(Fixtures.commands(), ["setServiceEnabled|b|off"])
    }

    // The source menu shows every label whole and fits the window; the button keeps its width
    // whichever source is chosen, so the field and "Ping" stay put.
    function test_pingSourceMenu() {
        const view = createTemporaryObject(pingComponent, testCase,
                                           { appModel: Fixtures.newModel(true) })
        Fixtures.refreshWith("wifi", { serviceName: "Adaptateur Thunderbolt vers Ethernet du bureau" })
        const button = findChild(view, "sourceMenuButton")
        const field = findChild(view, "targetField")
        tryVerify(() => button.width > 300)
        const width = button.width, fieldX = field.mapToItem(view, 0, 0).x
        mouseClick(button)
        const menu = findChild(view, "sourceMenu")
        tryVerify(() => menu.opened)
        compare(button.count, 2)
        const list = menu.contentItem
        tryVerify(() => list.itemAtIndex(1) !== null)
        for (let i = 0; i < button.count; ++i) {
            const item = list.itemAtIndex(i)
            verify(!item.contentItem.truncated, item.text)
            verify(item.contentItem.implicitWidth <= item.availableWidth, item.text)
        }
        verify(menu.width <= testCase.width)
        keyClick(Qt.Key_Down)
        keyClick(Qt.Key_Down)
        keyClick(Qt.Key_Return)
        tryVerify(() => !menu.visible)
        verify(view.tab.selectedLabel.startsWith("Adaptateur Thunderbolt"))
        compare(button.width, width)
        compare(field.mapToItem(view, 0, 0).x, fieldX)
    }

    // The ping tab is made once the frame with the first cards is drawn, not beside them.
    function test_pingTabWaitsForTheCards() {
        const content = makeContent()
        const list = content.cardsLayer.list
        let cardsWhenMade = null
        const note = () => {
            if (content.pingLayer.active && cardsWhenMade === null)
                cardsWhenMade = list.itemAtIndex(0) !== null
        }
        content.pingLayer.activeChanged.connect(note)
        tryVerify(() => Fixtures.readsStarted() === 1)
        verify(!content.pingLayer.active, "not while the first read runs")
        Fixtures.answerRead(["a"])
        tryVerify(() => content.pingLayer.item !== null, 5000)
        verify(cardsWhenMade, "made only once the cards are")
    }

    // The hidden ping tab lies over the cards: where the platform gives controls hover effects,
    // it must not take the pointer's hover from the cards beneath.
    function test_hoverReachesTheCards() {
        const content = makeContent()
        const list = content.cardsLayer.list
        Fixtures.answerRead(["a", "b", "c"])
        tryVerify(() => list.itemAtIndex(0) !== null && !content.cardsLayer.holdingClicks, 5000)
        tryVerify(() => content.pingLayer.item !== null, 5000, "the ping tab is made after the read")
        content.pingLayer.item.hoverEnabled = true
        const button = findChild(list.itemAtIndex(0), "testButton")
        mouseMove(button, 5, 5)
        mouseMove(button, 10, 10)
        tryVerify(() => button.hovering, 2000)
    }
}

