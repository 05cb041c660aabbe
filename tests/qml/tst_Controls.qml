// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

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
    Component { id: statusPill; StatusPill { text: "Connectée"; toolTip: "Lien actif" } }
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

    function init() { failOnWarning(/.*/) } // a binding loop, above all
    function cleanup() { ThemeState.isDark = false }

    // Return and Enter press as they always did here, besides Space and the screen reader. A
    // press only asks: the control goes on showing its owner's state (here the owner ignores
    // it, but for the theme), and a disabled one asks nothing.
    function test_used_data() {
        return [
            { tag: "button", component: flatButton, props: { toolTip: "Astuce" },
              role: Accessible.Button, name: "Appliquer", signal: "clicked" },
            { tag: "switch", component: cardSwitch, role: Accessible.CheckBox,
              name: "Service réseau", signal: "toggled" },
            { tag: "mode", component: modeSegment, part: "manual", role: Accessible.RadioButton,
              name: "Adresse fixe", signal: "modeRequested" },
            { tag: "theme", component: themeSwitch, part: "dark", role: Accessible.RadioButton,
              name: "Thème sombre", signal: "clicked", checked: true },
            { tag: "pill", component: statusPill, untabbed: true, role: Accessible.StaticText,
              name: "Connectée" },
        ]
    }

    function test_used(data) {
        const control = createTemporaryObject(data.component, testCase, data.props ?? {})
        const target = data.part ? findChild(control, data.part) : control
        keyClick(Qt.Key_Tab)
        const inside = item => item === control || (item !== null && inside(item.parent))
        verify(inside(testCase.Window.activeFocusItem) !== !!data.untabbed, "in the Tab chain")
        compare(Fixtures.readAloud(target), { role: data.role, checked: false, name: data.name })
        if (!data.signal)
            return
        const spy = createTemporaryObject(spyComponent, testCase, {
            target: control[data.signal] ? control : target, signalName: data.signal
        })
        const presses = [() => mouseClick(target), () => keyClick(Qt.Key_Space),
                         () => keyClick(Qt.Key_Return), () => keyClick(Qt.Key_Enter),
                         () => target.Accessible.pressAction()]
        for (const enabled of [true, false]) {
            control.enabled = enabled
            target.forceActiveFocus()
            for (const press of presses) {
                press()
                compare(Fixtures.readAloud(target).checked, data.checked === true)
            }
        }
        compare(spy.count, presses.length)
        if (data.signal === "modeRequested")
            compare(spy.signalArguments[0][0], Kinds.ConfigMode.manual)
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
