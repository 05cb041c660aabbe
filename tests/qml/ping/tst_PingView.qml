import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

TestCase {
    id: testCase
    name: "PingView"
    width: 1000
    height: 700
    visible: true
    when: windowShown

    Component {
        id: viewComponent
        PingView {
            width: testCase.width
            height: testCase.height
        }
    }

    function makeView() {
        return createTemporaryObject(viewComponent, testCase, {model: Fixtures.modelWithOneCard()})
    }

    function test_returnInTheFieldStartsAPing() {
        const view = makeView()
        const field = findChild(view, "targetField")
        compare(field.field.text, "192.168.1.1")
        const before = Fixtures.pingsSent()
        field.field.forceActiveFocus()
        keyClick(Qt.Key_Return)
        compare(Fixtures.pingsSent(), before + 1)
        compare(view.tab.entries.count, 1)
        compare(findChild(view, "stateLine").text, "Réponse de 192.168.1.1 : 4 paquets reçus sur 4.")
    }

    function test_theLogScrollsToTheNewestLine() {
        const view = makeView()
        const log = findChild(view, "pingLog")
        for (let i = 0; i < 30; ++i)
            view.tab.start()
        compare(log.count, 30)
        tryVerify(() => log.contentHeight > log.height)
        // The last line ends at the bottom of the box once the short animation is over.
        tryCompare(log, "atYEnd", true)
        verify(log.contentY > 0)
    }

    function test_typingAfterAnErrorResetsTheStateLine() {
        const view = makeView()
        const field = findChild(view, "targetField")
        field.field.forceActiveFocus()
        field.field.selectAll()
        keyClick(Qt.Key_0)
        keyClick(Qt.Key_Return)
        verify(view.tab.targetInvalid)
        keyClick(Qt.Key_1)
        verify(!view.tab.targetInvalid)
        compare(findChild(view, "stateLine").text, "Aucun test lancé pour le moment.")
    }
}
