import QtQuick
import QtTest
import Brisvale

TestCase {
    id: testCase
    name: "CardSwitch"
    when: windowShown
    visible: true
    width: 300
    height: 200

    Component {
        id: switchComponent
        CardSwitch {}
    }

    Component {
        id: spyComponent
        SignalSpy { signalName: "toggled" }
    }

    function test_press_data() {
        return [
            { tag: "off, enabled", isOn: false, enabled: true, toggles: 1, opacity: 1 },
            { tag: "on, enabled", isOn: true, enabled: true, toggles: 1, opacity: 1 },
            { tag: "off, disabled", isOn: false, enabled: false, toggles: 0, opacity: 0.55 },
            { tag: "on, disabled", isOn: true, enabled: false, toggles: 0, opacity: 0.55 },
        ]
    }

    // The owner decides: a press only asks, and isOn stays what the owner set.
    function test_press(data) {
        const control = createTemporaryObject(switchComponent, testCase,
                                              { isOn: data.isOn, enabled: data.enabled })
        const spy = createTemporaryObject(spyComponent, testCase, { target: control })
        compare(control.width, 42)
        compare(control.height, 24)
        mouseClick(control)
        control.forceActiveFocus()
        keyClick(Qt.Key_Space)
        compare(spy.count, 2 * data.toggles)
        compare(control.isOn, data.isOn)
        compare(control.opacity, data.opacity)
    }

    function test_knobFollowsState() {
        const control = createTemporaryObject(switchComponent, testCase, { isOn: false })
        const knob = findChild(control, "knob")
        const track = findChild(control, "track")
        compare(knob.width, 18)
        compare(knob.height, 18)
        const offX = knob.x
        control.isOn = true
        tryVerify(() => knob.x > offX && knob.x + knob.width <= track.width - 3)
        tryCompare(findChild(control, "onFill"), "opacity", 1)
        compare(control.toolTip, "Désactiver le service réseau")
        control.isOn = false
        tryCompare(knob, "x", offX)
        compare(control.toolTip, "Activer le service réseau")
    }
}
