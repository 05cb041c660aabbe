import QtQuick
import QtTest
import Brisvale

TestCase {
    id: testCase
    name: "ModeSegment"
    when: windowShown
    visible: true
    width: 400
    height: 200

    Component {
        id: segmentComponent
        ModeSegment {}
    }

    Component {
        id: spyComponent
        SignalSpy { signalName: "modeRequested" }
    }

    function test_press_data() {
        const dhcp = Kinds.ConfigMode.dhcp
        const manual = Kinds.ConfigMode.manual
        return [
            { tag: "DHCP shown, press fixed", mode: dhcp, segment: "manual", requested: manual },
            { tag: "fixed shown, press DHCP", mode: manual, segment: "dhcp", requested: dhcp },
            { tag: "DHCP shown, press DHCP", mode: dhcp, segment: "dhcp", requested: dhcp },
            { tag: "fixed shown, press fixed", mode: manual, segment: "manual", requested: manual },
        ]
    }

    // The owner writes the mode; the control only asks, also for the mode already shown.
    function test_press(data) {
        const control = createTemporaryObject(segmentComponent, testCase, { mode: data.mode })
        const spy = createTemporaryObject(spyComponent, testCase, { target: control })
        const selection = findChild(control, "selection")
        const selectedX = selection.x
        mouseClick(findChild(control, data.segment))
        compare(spy.count, 1)
        compare(spy.signalArguments[0][0], data.requested)
        compare(control.mode, data.mode)
        wait(200)
        compare(selection.x, selectedX)
    }

    function test_selectionMoves() {
        const control = createTemporaryObject(segmentComponent, testCase,
                                              { mode: Kinds.ConfigMode.dhcp })
        const selection = findChild(control, "selection")
        const manual = findChild(control, "manual")
        compare(manual.width, 108)
        compare(manual.height, 28)
        control.mode = Kinds.ConfigMode.manual
        verify(selection.x < manual.x + 4, "the selection slides rather than jumps")
        tryCompare(selection, "x", manual.x + 4)
        verify(manual.Accessible.checked)
    }

    function test_disabled_data() {
        return [
            { tag: "pointer on DHCP", segment: "dhcp" },
            { tag: "pointer on fixed", segment: "manual" },
        ]
    }

    function test_disabled(data) {
        const control = createTemporaryObject(segmentComponent, testCase, { enabled: false })
        const spy = createTemporaryObject(spyComponent, testCase, { target: control })
        const segment = findChild(control, data.segment)
        mouseClick(segment)
        segment.forceActiveFocus()
        keyClick(Qt.Key_Space)
        compare(spy.count, 0)
        compare(control.opacity, 0.55)
    }

    function test_keyboard() {
        const control = createTemporaryObject(segmentComponent, testCase)
        const spy = createTemporaryObject(spyComponent, testCase, { target: control })
        findChild(control, "dhcp").forceActiveFocus()
        keyClick(Qt.Key_Tab)
        verify(findChild(control, "manual").activeFocus)
        keyClick(Qt.Key_Return)
        compare(spy.count, 1)
        compare(spy.signalArguments[0][0], Kinds.ConfigMode.manual)
    }
}
