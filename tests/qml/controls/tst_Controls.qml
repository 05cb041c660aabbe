import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

TestCase {
    id: testCase
    name: "Controls"
    when: windowShown
    visible: true
    width: 400
    height: 300

    Component { id: flatButton; FlatButton { title: "Appliquer" } }
    Component { id: cardSwitch; CardSwitch {} }
    Component { id: modeSegment; ModeSegment {} }
    Component { id: themeSwitch; ThemeSwitch {} }
    Component { id: spyComponent; SignalSpy {} }
    // Stands for the card: it writes every edit back into the field, as the model does.
    Component {
        id: echoField
        LabeledField {
            property int writes: 0
            label: "Adresse IP"
            width: 240
            onEdited: newText => { writes++; text = newText }
        }
    }

    function cleanupTestCase() { ThemeState.isDark = false }

    // A control only asks, by mouse and by keyboard, and a disabled one not at all; its owner
    // writes the state it shows.
    function test_pressAsks_data() {
        return [
            { tag: "button", component: flatButton, signal: "clicked", dimmed: 0.45 },
            { tag: "switch", component: cardSwitch, signal: "toggled", dimmed: 0.55,
              state: "isOn", value: false },
            { tag: "segment", component: modeSegment, part: "manual", signal: "modeRequested",
              dimmed: 0.55, state: "mode", value: Kinds.ConfigMode.dhcp },
        ]
    }

    function test_pressAsks(data) {
        for (const enabled of [true, false]) {
            const control = createTemporaryObject(data.component, testCase, { enabled: enabled })
            const spy = createTemporaryObject(spyComponent, testCase,
                                              { target: control, signalName: data.signal })
            const target = data.part ? findChild(control, data.part) : control
            mouseClick(target)
            target.forceActiveFocus()
            keyClick(Qt.Key_Space)
            compare(spy.count, enabled ? 2 : 0)
            compare(control.opacity, enabled ? 1 : data.dimmed)
            if (data.state)
                compare(control[data.state], data.value)
            if (data.part && enabled)
                compare(spy.signalArguments[0][0], Kinds.ConfigMode.manual)
        }
    }

    // Every press is stored, also one confirming the theme shown; the change recolours at once.
    function test_themeSwitch_data() {
        return [
            { tag: "moon", segment: "dark", dark: true, fill: "#141D2C" },
            { tag: "sun, already shown", segment: "light", dark: false, fill: "#FFFFFF" },
        ]
    }

    function test_themeSwitch(data) {
        ThemeState.isDark = false
        Fixtures.forget("Brisvale.isDark")
        const control = createTemporaryObject(themeSwitch, testCase)
        const button = createTemporaryObject(flatButton, testCase, { kind: "secondary", y: 60 })
        mouseClick(findChild(control, data.segment))
        compare(ThemeState.isDark, data.dark)
        compare(Fixtures.stored("Brisvale.isDark"), String(data.dark))
        verify(Qt.colorEqual(findChild(button, "fill").color, data.fill))
        verify(findChild(control, data.segment).Accessible.checked)
    }

    function test_fieldEditsOnlyWhenTyped() {
        const labeled = createTemporaryObject(echoField, testCase, { text: "10.0.0." })
        const field = labeled.field
        mouseClick(field)
        field.cursorPosition = 3
        keyClick(Qt.Key_9)
        compare(labeled.writes, 1)
        compare(field.text, "10.90.0.")
        compare(field.cursorPosition, 4, "the echoed text keeps the caret")
        labeled.text = "172.16.0.1"
        compare(field.text, "172.16.0.1")
        compare(labeled.writes, 1, "text from the model is no edit")
    }
}
