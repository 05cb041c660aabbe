import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

// The card lays itself out from its own width, at 900, 620 and 460, without recreating anything.
TestCase {
    id: testCase
    name: "CardLayout"
    when: windowShown
    width: 1200
    height: 900
    visible: true

    Component {
        id: cardComponent
        AdapterCardView {}
    }

    function makeView(cardId, width) {
        const model = Fixtures.makeModel()
        const card = Fixtures.card(model, cardId)
        verify(card, "fixture card " + cardId)
        const view = createTemporaryObject(cardComponent, testCase,
                                           { card: card, model: model, width: width })
        verify(view)
        return view
    }

    function child(view, name) {
        const item = findChild(view, name)
        verify(item, name)
        return item
    }

    function box(view, name) {
        const item = child(view, name)
        const p = item.mapToItem(view, 0, 0)
        return { x: p.x, y: p.y, width: item.width, height: item.height,
                 right: p.x + item.width, bottom: p.y + item.height }
    }

    function near(a, b) { return Math.abs(a - b) < 0.5 }

    function test_arrangementByWidth_data() {
        return [
            { tag: "1100 wide", width: 1100, wide: true, modeSideBySide: true, fields: "row" },
            { tag: "900 wide", width: 900, wide: true, modeSideBySide: true, fields: "row" },
            { tag: "899 compact", width: 899, wide: false, modeSideBySide: true, fields: "twoUp" },
            { tag: "620 mode side by side", width: 620, wide: false, modeSideBySide: true, fields: "twoUp" },
            { tag: "619 mode stacked", width: 619, wide: false, modeSideBySide: false, fields: "twoUp" },
            { tag: "460 fields two up", width: 460, wide: false, modeSideBySide: false, fields: "twoUp" },
            { tag: "459 fields stacked", width: 459, wide: false, modeSideBySide: false, fields: "stacked" },
        ]
    }

    function test_arrangementByWidth(data) {
        const view = makeView("eth", data.width)
        compare(view.measuredWidth, data.width)

        // Wide: the editing column stands beside the identity; compact: below it.
        tryVerify(() => {
            const identity = box(view, "identityBlock")
            const address = box(view, "addressField")
            return data.wide ? address.x >= 22 + 240 + 1 + 22 && address.y < identity.bottom
                             : near(address.x, 22) && address.y > identity.bottom
        }, 3000, "identity and fields placed for the layout")

        tryVerify(() => {
            const segment = box(view, "modeSegment")
            const hint = box(view, "modeHint")
            return data.modeSideBySide ? hint.x >= segment.right && hint.y < segment.bottom
                                       : near(hint.x, segment.x) && hint.y >= segment.bottom
        }, 3000, "mode control and hint")

        tryVerify(() => {
            const a = box(view, "addressField")
            const m = box(view, "maskField")
            const r = box(view, "routerField")
            switch (data.fields) {
            case "row":
                return near(a.y, m.y) && near(m.y, r.y) && a.right <= m.x && m.right <= r.x
            case "twoUp":
                return near(a.y, m.y) && a.right <= m.x && r.y >= a.bottom
                       && near(r.x, a.x) && near(r.right, m.right)
            default:
                return near(a.x, m.x) && near(m.x, r.x) && m.y >= a.bottom && r.y >= m.bottom
            }
        }, 3000, "fields arranged " + data.fields)

        // The list stacks cards by their implicit height: it must end right under the buttons.
        tryVerify(() => near(box(view, "actionRow").bottom + 22, view.implicitHeight)
                         || box(view, "actionRow").bottom + 22 < view.implicitHeight
                            && near(box(view, "rightColumn").y + 172 + 22, view.implicitHeight),
                  3000, "implicit height follows the content")
        compare(view.height, view.implicitHeight)
    }

    function test_stackingMakesTheCardTaller() {
        const view = makeView("eth", 1000)
        let previous = view.implicitHeight
        for (const width of [800, 600, 400]) {
            view.width = width
            tryVerify(() => view.implicitHeight > previous, 3000,
                      "taller at " + width + " than " + previous)
            previous = view.implicitHeight
        }
    }

    function test_resizingKeepsTheFieldBeingTyped() {
        const view = makeView("eth", 1000)
        const address = child(view, "addressField")
        address.field.forceActiveFocus()
        address.field.cursorPosition = 4
        verify(address.field.activeFocus)

        for (const width of [899, 600, 450, 950]) {
            view.width = width
            compare(view.measuredWidth, width)
            compare(findChild(view, "addressField"), address, "same field at " + width)
            verify(address.field.activeFocus, "focus kept at " + width)
            compare(address.field.cursorPosition, 4)
        }
    }
}
