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
}
