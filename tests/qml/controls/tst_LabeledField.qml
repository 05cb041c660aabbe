import QtQuick
import QtTest
import Brisvale

TestCase {
    id: testCase
    name: "LabeledField"
    when: windowShown
    visible: true
    width: 400
    height: 300

    Component {
        id: fieldComponent
        LabeledField { label: "Adresse IP"; placeholder: "192.168.1.50"; width: 240 }
    }

    // Stands for the card: it writes every edit back into the bound text, as the model does.
    Component {
        id: echoComponent
        Item {
            property string ip: "10.0.0."
            property alias field: labeled
            property int writes: 0
            width: 240
            height: 80
            LabeledField {
                id: labeled
                width: parent.width
                label: "Adresse IP"
                text: parent.ip
                onEdited: newText => { parent.writes++; parent.ip = newText }
            }
        }
    }

    Component {
        id: spyComponent
        SignalSpy { signalName: "edited" }
    }

    function test_userEditsOnly() {
        const labeled = createTemporaryObject(fieldComponent, testCase, { text: "10.0.0.1" })
        const spy = createTemporaryObject(spyComponent, testCase, { target: labeled })
        compare(labeled.field.text, "10.0.0.1")

        labeled.text = "192.168.1.1" // the model suggests a router, say
        compare(labeled.field.text, "192.168.1.1")
        compare(spy.count, 0)

        mouseClick(labeled.field)
        verify(labeled.field.activeFocus)
        labeled.field.cursorPosition = labeled.field.length
        keyClick(Qt.Key_0)
        compare(spy.count, 1)
        compare(spy.signalArguments[0][0], "192.168.1.10")
    }

    function test_caretSurvivesEcho() {
        const card = createTemporaryObject(echoComponent, testCase)
        const field = card.field.field
        mouseClick(field)
        field.cursorPosition = 3
        keyClick(Qt.Key_9)
        compare(card.writes, 1)
        compare(card.ip, "10.90.0.")
        compare(field.text, "10.90.0.")
        compare(field.cursorPosition, 4)

        card.ip = "10.90.0." // the same text again, from the model
        compare(field.cursorPosition, 4)
        card.ip = "172.16.0.1"
        compare(field.text, "172.16.0.1")
        compare(card.writes, 1)
    }

    function test_invalidMark_data() {
        return [
            { tag: "valid, enabled", invalid: false, enabled: true, shown: 0, opacity: 1 },
            { tag: "invalid, enabled", invalid: true, enabled: true, shown: 1, opacity: 1 },
            { tag: "valid, disabled", invalid: false, enabled: false, shown: 0, opacity: 0.6 },
            { tag: "invalid, disabled", invalid: true, enabled: false, shown: 1, opacity: 0.6 },
        ]
    }

    function test_invalidMark(data) {
        const labeled = createTemporaryObject(fieldComponent, testCase,
                                              { invalid: data.invalid, enabled: data.enabled })
        const mark = findChild(labeled, "invalidMark")
        const outline = findChild(labeled, "invalidOutline")
        compare(mark.opacity, data.shown)
        compare(outline.border.width, 1.6)
        verify(Qt.colorEqual(outline.border.color, ThemeState.palette.danger))
        compare(labeled.field.opacity, data.opacity)

        labeled.invalid = !data.invalid
        verify(mark.opacity !== 1 - data.shown, "the mark fades rather than jumps")
        tryCompare(mark, "opacity", 1 - data.shown)
    }

    function test_disabledRefusesInput() {
        const labeled = createTemporaryObject(fieldComponent, testCase,
                                              { text: "10.0.0.1", enabled: false })
        const spy = createTemporaryObject(spyComponent, testCase, { target: labeled })
        mouseClick(labeled.field)
        labeled.field.forceActiveFocus()
        verify(!labeled.field.activeFocus)
        keyClick(Qt.Key_5)
        compare(labeled.field.text, "10.0.0.1")
        compare(spy.count, 0)
        compare(labeled.field.Accessible.name, "Adresse IP")
    }
}
