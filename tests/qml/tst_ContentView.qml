// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

// With many cards only those near the viewport have a view, yet the card being edited keeps
// its view, focus and caret wherever a refresh moves it, and a draft outlives its card's view.
TestCase {
    id: testCase
    name: "ContentView"
    width: 1120
    height: 900
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

    function makeContent(visible) {
        return createTemporaryObject(contentComponent, testCase,
                                     { model: Fixtures.newModel(), visible: visible !== false })
    }

    // A view of these cards, by default "s0" to "s39", once it shows the first.
    function loaded(ids) {
        const content = makeContent()
        Fixtures.answerRead(ids ?? idsOf([...Array(40).keys()]))
        tryVerify(() => content.cardsLayer.list.itemAtIndex(0) !== null)
        return content
    }

    function idsOf(order) { return order.map(i => "s" + i) }

    function isShown(item) {
        return item.visible && item.opacity > 0 && (!item.parent || isShown(item.parent))
    }

    function viewOf(list, id) {
        for (let i = 0; i < list.count; ++i)
            if (list.itemAtIndex(i)?.card.id === id)
                return list.itemAtIndex(i)
        return null
    }

    function addressOf(slot) { return findChild(slot.cardView, "addressField").field }

    // A hidden view waits; a shown one reads once it is drawn, and once only, however often it
    // is shown. "Actualiser" reads again, not while a read runs or a card is busy. The ping tab
    // waits for the first cards.
    function test_reads() {
        const content = makeContent(false)
        const button = findChild(content, "refreshButton")
        wait(50)
        compare(Fixtures.readsStarted(), 0)
        content.visible = true
        verify(isShown(findChild(content, "searchingCard")), "searching before the read starts")
        tryVerify(() => Fixtures.readsStarted() === 1)
        content.visible = false
        content.visible = true
        wait(50)
        compare(Fixtures.readsStarted(), 1, "a read in flight is not doubled")
        verify(!content.pingLayer.active && !button.enabled, "during the first read")
        Fixtures.answerRead([])
        tryVerify(() => isShown(findChild(content, "emptyCard")))
        mouseClick(findChild(content, "emptyRefreshButton"))
        compare(Fixtures.readsStarted(), 2, "the empty card's button reads again")
        Fixtures.answerRead(["a"])
        tryVerify(() => button.enabled)
        mouseClick(button)
        verify(!button.enabled, "during a refresh")
        Fixtures.answerRead(["a"])
        tryVerify(() => button.enabled)
        Fixtures.holdCommands()
        content.model.requestSetEnabled(Fixtures.card("a"), false)
        verify(!button.enabled, "while a card is busy")
        mouseClick(button)
        createTemporaryObject(contentComponent, testCase, { model: content.model })
        compare(Fixtures.readsStarted(), 3, "neither while busy nor for a loaded model")
    }

    function test_statusBar_data() {
        return [
            { tag: "no status: the hint on the left", status: "", colour: "textMuted" },
            { tag: "long warning is cut", status: "Adaptateur ".repeat(40), colour: "warning" },
        ]
    }

    function test_statusBar(data) {
        const content = makeContent()
        const hint = content.model.pendingHint
        const leading = findChild(content, "leadingText")
        const trailing = findChild(content, "trailingText")
        if (data.status)
            content.model.warn(data.status)
        compare(leading.text, data.status || hint)
        verify(Qt.colorEqual(leading.color, ThemeState.palette[data.colour]))
        compare(trailing.visible, data.status !== "")
        if (data.status === "")
            return
        compare(trailing.text, hint)
        verify(leading.truncated)
        tryVerify(() => leading.mapToItem(trailing, leading.width, 0).x <= -16)
    }

    // Return starts a ping, and nothing starts another while one runs.
    function test_pingView() {
        const view = createTemporaryObject(pingComponent, testCase,
                                           { appModel: Fixtures.newModel(true) })
        const field = findChild(view, "targetField").field
        compare(field.text, "192.168.1.1")
        field.forceActiveFocus()
        keyClick(Qt.Key_Return)
        compare(Fixtures.pings().length, 1, "Return starts a ping")
        Fixtures.holdPings()
        view.tab.start()
        verify(!findChild(view, "pingButton").enabled && !field.enabled, "while a ping runs")
    }

    // Cards that change places slide there; a click at the same spot just after the move does
    // not reach the card that slid under the pointer.
    function test_resortedCards() {
        const content = loaded(["a", "b", "c"])
        const cards = content.cardsLayer, list = cards.list
        cards.moveDuration = 1500
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

    function test_vanishingServices_data() {
        const abcd = ["a", "b", "c", "d"]
        return [
            { tag: "moved and removed", before: abcd, after: ["d", "a"] },
            { tag: "out of sight", before: ["a", "x", "y", "b", "c", "d"],
              after: ["a", "x", "y", "d"] },
            { tag: "busy one", before: abcd, after: ["a", "c"], busy: true },
        ]
    }

    // Services that vanish take their cards and views with them without a word on the console;
    // a card whose operation started while the read ran stays until the operation ends.
    function test_vanishingServices(data) {
        const content = loaded(data.before)
        const removed = Fixtures.card("b")
        content.model.requestRefresh(true)
        Fixtures.setBusy(removed, data.busy === true)
        Fixtures.answerRead(data.after)
        tryCompare(content.cardsLayer.list, "count", data.after.length)
        wait(100)
        compare(Fixtures.exists(removed), data.busy === true)
        if (data.busy)
            Fixtures.setBusy(removed, false)
        tryVerify(() => !Fixtures.exists(removed))
        wait(100) // the frames after the deletions
    }

    function test_editedCardKeepsItsView_data() {
        const rest = [...Array(40).keys()].slice(2)
        return [
            { tag: "moved to the end", order: [0, ...rest, 1] },
            { tag: "moved to the top", order: [1, 0, ...rest] },
            { tag: "stays, others go", order: [1, 2, 3] },
        ]
    }

    // Focus a field, type, refresh with a new order: the same field keeps focus and caret.
    function test_editedCardKeepsItsView(data) {
        const content = loaded()
        const list = content.cardsLayer.list
        const slot = viewOf(list, "s1")
        const field = addressOf(slot)
        field.forceActiveFocus()
        field.cursorPosition = field.text.length
        keyClick(Qt.Key_Backspace)
        keyClick(Qt.Key_7)
        field.cursorPosition = 4
        content.model.requestRefresh(true)
        Fixtures.answerRead(idsOf(data.order))
        tryVerify(() => !content.model.loading)
        tryCompare(list, "currentIndex", data.order.indexOf(1))
        verify(list.currentItem === slot, "the card kept its view")
        verify(addressOf(slot) === field && field.activeFocus)
        compare(field.cursorPosition, 4)
        compare(field.text, "192.168.1.27")
    }

    // Scrolled far away, a card loses its view but not its draft, which lives in the card; a
    // view handed on to another card meanwhile shows that card, not the one it held.
    function test_draftOutlivesItsView() {
        const list = loaded().cardsLayer.list
        for (let i = 3; i < 40; ++i)
            Fixtures.card("s" + i).ip = "10.0.0." + i
        const field = addressOf(viewOf(list, "s2"))
        field.forceActiveFocus()
        field.selectAll()
        keyClick(Qt.Key_1)
        addressOf(viewOf(list, "s0")).forceActiveFocus()
        list.positionViewAtEnd()
        tryVerify(() => viewOf(list, "s2") === null)
        for (const at of [39, 20]) {
            list.positionViewAtIndex(at, ListView.Center)
            for (let i = 0; i < list.count; ++i)
                if (list.itemAtIndex(i))
                    compare(addressOf(list.itemAtIndex(i)).text, list.itemAtIndex(i).card.ip)
        }
        list.positionViewAtBeginning()
        tryVerify(() => viewOf(list, "s2") !== null)
        compare(addressOf(viewOf(list, "s2")).text, "1")
        verify(addressOf(viewOf(list, "s0")).activeFocus, "the focused card kept its focus")
    }

    // Where the keyboard focus is: the card holding it (-1 outside the list) and whether the
    // focused control lies within the list's viewport.
    function focusPlace(list) {
        const focused = testCase.Window.activeFocusItem
        let slot = focused
        while (slot && slot.cardView === undefined)
            slot = slot.parent
        const top = focused ? focused.mapToItem(list, 0, 0).y : -1
        return { index: slot ? slot.index : -1, shown: top >= 0 && top + focused.height <= list.height }
    }

    function test_keyboardWalksCardByCard_data() {
        const down = [...Array(11).keys()], up = down.map(i => 39 - i)
        return [
            { tag: "Tab, ten cards down", start: 0, forward: true, visits: down },
            { tag: "Shift+Tab, ten cards up", start: 39, forward: false, visits: up },
            { tag: "Tab past the last card", start: 38, forward: true, visits: [38, 39, -1],
              back: 39 },
            { tag: "Shift+Tab past the first card", start: 1, forward: false, visits: [1, 0, -1],
              back: 0 },
        ]
    }

    // Focus moves card after card in the list's order and the list follows it, showing the
    // focused control. Past either end the focus leaves the list; the other key brings it back.
    function test_keyboardWalksCardByCard(data) {
        const list = loaded().cardsLayer.list
        const press = (forward) => keyClick(Qt.Key_Tab, forward ? Qt.NoModifier : Qt.ShiftModifier)
        list.positionViewAtIndex(data.start, ListView.Contain)
        tryVerify(() => viewOf(list, "s" + data.start) !== null)
        addressOf(viewOf(list, "s" + data.start)).forceActiveFocus()
        const visits = [data.start]
        for (let presses = 0; presses < 400 && visits.length < data.visits.length; ++presses) {
            press(data.forward)
            const place = focusPlace(list)
            if (place.index !== visits[visits.length - 1])
                visits.push(place.index)
            if (place.index >= 0)
                verify(place.shown, "the focused control in card " + place.index + " is off screen")
        }
        compare(visits, data.visits)
        if (data.back === undefined)
            return
        press(!data.forward)
        compare(focusPlace(list).index, data.back)
        verify(focusPlace(list).shown)
    }
}
