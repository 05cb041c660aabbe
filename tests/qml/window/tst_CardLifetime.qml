// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

// Many cards: only those near the viewport have a view, yet the card being edited keeps its
// view, focus and caret wherever a refresh moves it, and a draft outlives its card's view.
TestCase {
    id: testCase
    name: "CardLifetime"
    width: 1120
    height: 700
    visible: true
    when: windowShown

    Component {
        id: contentComponent
        ContentView { width: testCase.width; height: testCase.height }
    }

    function init() { failOnWarning(/.*/) } // a binding loop, above all
    function idsFrom(order) {
        return order.map(i => "s" + i)
    }

    function range(n) {
        return [...Array(n).keys()]
    }

    function loaded(ids) {
        const content = createTemporaryObject(contentComponent, testCase,
                                              { model: Fixtures.newModel() })
        Fixtures.answerRead(ids)
        tryVerify(() => content.cardsLayer.list.itemAtIndex(0) !== null)
        return content
    }

    // The view now showing that card, or null when it has none.
    function viewOf(list, id) {
        for (let i = 0; i < list.count; ++i) {
            const slot = list.itemAtIndex(i)
            if (slot && slot.card.id === id)
                return slot
        }
        return null
    }

    function addressOf(slot) {
        return findChild(slot.cardView, "addressField").field
    }

    function test_farCardsHaveNoView() {
        const list = loaded(idsFrom(range(40))).cardsLayer.list
        compare(list.count, 40)
        verify(list.itemAtIndex(39) === null, "a card far below the window has no view")
        list.positionViewAtEnd()
        tryVerify(() => list.itemAtIndex(39) !== null)
        verify(list.itemAtIndex(0) === null, "nor has one far above it")
    }

    function test_editedCardKeepsItsView_data() {
        return [
            { tag: "moved to the end", order: [0, ...range(40).slice(2), 1] },
            { tag: "moved to the top", order: [1, 0, ...range(40).slice(2)] },
            { tag: "stays, others go", order: [1, 2, 3] },
        ]
    }

    // Focus a field, type, refresh with a new order: the same field keeps focus and caret.
    function test_editedCardKeepsItsView(data) {
        const content = loaded(idsFrom(range(40)))
        const list = content.cardsLayer.list
        const slot = viewOf(list, "s1")
        const field = addressOf(slot)
        field.forceActiveFocus()
        field.cursorPosition = field.text.length
        keyClick(Qt.Key_Backspace)
        keyClick(Qt.Key_7)
        field.cursorPosition = 4

        content.model.requestRefresh(true)
        Fixtures.answerRead(idsFrom(data.order))
        tryVerify(() => !content.model.loading)
        compare(list.count, data.order.length)
        tryCompare(list, "currentIndex", data.order.indexOf(1))
        verify(list.currentItem === slot, "the card kept its view")
        verify(addressOf(slot) === field)
        verify(field.activeFocus)
        compare(field.cursorPosition, 4)
        compare(field.text, "192.168.1.27")
        compare(Fixtures.card("s1").ip, "192.168.1.27")
    }

    // Scrolled far away, a card loses its view but not its draft, which lives in the card; a
    // view handed on to another card meanwhile shows that card, not the one it held.
    function test_draftOutlivesItsView() {
        const content = loaded(idsFrom(range(40)))
        const list = content.cardsLayer.list
        for (let i = 3; i < 40; ++i)
            Fixtures.card("s" + i).ip = "10.0.0." + i
        const edited = viewOf(list, "s2")
        const field = addressOf(edited)
        field.forceActiveFocus()
        field.selectAll()
        keyClick(Qt.Key_1)
        addressOf(viewOf(list, "s0")).forceActiveFocus()

        const showsItsCard = () => {
            for (let i = 0; i < list.count; ++i) {
                const slot = list.itemAtIndex(i)
                if (!slot)
                    continue
                compare(findChild(slot.cardView, "serviceName").text, slot.card.info.serviceName)
                compare(addressOf(slot).text, slot.card.ip)
            }
        }
        list.positionViewAtEnd()
        tryVerify(() => viewOf(list, "s2") === null)
        showsItsCard()
        list.positionViewAtIndex(20, ListView.Center)
        showsItsCard()
        list.positionViewAtBeginning()
        tryVerify(() => viewOf(list, "s2") !== null)
        compare(addressOf(viewOf(list, "s2")).text, "1")
        compare(Fixtures.card("s2").ip, "1")
        verify(addressOf(viewOf(list, "s0")).activeFocus, "the focused card kept its focus")
    }

    // Where the keyboard focus is: the card holding it (null outside the list) and whether the
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

    // Focus moves card after card in the list's order, whatever order their views were made
    // in, and the list follows it: a card off screen gets its view in time and shows the
    // focused control. Past either end the focus leaves the list, and the other key brings it
    // back to the card at that end.
    function test_keyboardWalksCardByCard(data) {
        const list = loaded(idsFrom(range(40))).cardsLayer.list
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

    // A card mostly below the window: Tab down its controls scrolls the list each time one
    // would be hidden, so the focus is never out of sight.
    function test_keyboardRevealsControlsBelowTheWindow() {
        const list = loaded(idsFrom(range(40))).cardsLayer.list
        const slot = viewOf(list, "s1")
        const start = findChild(slot.cardView, "activationSwitch")
        list.contentY += start.mapToItem(list, 0, 0).y - (list.height - start.height - 10)
        start.forceActiveFocus()
        verify(focusPlace(list).shown, "the card's first control is in view")
        verify(slot.mapToItem(list, 0, slot.height).y > list.height, "the rest is below the window")
        for (let presses = 0; presses < 12 && focusPlace(list).index === 1; ++presses) {
            keyClick(Qt.Key_Tab)
            if (focusPlace(list).index === 1)
                verify(focusPlace(list).shown, "control " + presses + " of the card is off screen")
        }
        compare(focusPlace(list).index, 2)
    }
}
