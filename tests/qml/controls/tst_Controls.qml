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
    Component { id: symbolIcon; SymbolIcon {} }
    Component { id: spyComponent; SignalSpy {} }
    Component { id: pingView; PingView { width: 700; height: 300 } }
    ScreenReader { id: reader }
    Component {
        id: onSurface
        Rectangle {
            property alias button: button
            width: 200
            height: 60
            color: ThemeState.palette.surface
            FlatButton { id: button; x: 20; y: 13; title: "Changer"; kind: "primary" }
        }
    }
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

    // Each control hovered until its tip shows and left until it is gone, reached with Tab, read
    // by a screen reader, pressed by pointer, by Space (as Qt has it), Return and Enter (as they
    // always did here) and by the screen reader, toggled, then disabled and pressed again: all
    // without a warning (see init()). A press only asks: the control goes on showing its owner's
    // state, to the eye and to the reader (here the owner ignores it, but for the theme), and a
    // disabled one asks nothing. The source list opens instead, and stays open.
    function test_used_data() {
        return [
            { tag: "button", component: flatButton, props: { toolTip: "Astuce" },
              role: Accessible.Button, name: "Appliquer", signal: "clicked" },
            { tag: "switch", component: cardSwitch, toggle: "isOn", role: Accessible.CheckBox,
              name: "Service réseau", signal: "toggled" },
            { tag: "mode", component: modeSegment, part: "manual", role: Accessible.RadioButton,
              name: "Adresse fixe", signal: "modeRequested" },
            { tag: "theme", component: themeSwitch, part: "dark", role: Accessible.RadioButton,
              name: "Thème sombre", signal: "clicked", checked: true },
            { tag: "source list", component: pingView, part: "sourceMenuButton",
              role: Accessible.ComboBox, name: "Carte réseau (source) : ", list: "sourceMenu" },
            { tag: "pill", component: statusPill, untabbed: true, role: Accessible.StaticText,
              name: "Connectée" },
            { tag: "field", component: echoField, toggle: "invalid" },
        ]
    }

    function test_used(data) {
        const control = createTemporaryObject(data.component, testCase, data.list
                                              ? { appModel: Fixtures.newModel(true) }
                                              : data.props ?? {})
        const target = data.part ? findChild(control, data.part) : control
        const tip = data.list ? null : findChild(control, "toolTip")
        mouseMove(target, 5, 5)
        if (tip)
            tryVerify(() => tip.opened, 3000)
        mouseMove(testCase, 390, 290)
        if (tip)
            tryVerify(() => tip.item === null, 3000)
        keyClick(Qt.Key_Tab)
        let focused = testCase.Window.activeFocusItem
        while (focused && focused !== control)
            focused = focused.parent
        verify((focused === control) !== !!data.untabbed, "in the Tab chain, unless a mere label")
        if (data.role)
            compare(reader.read(target), { role: data.role, checked: false, name: data.name
                                           + (data.list ? control.tab.selectedLabel : "") })
        target.forceActiveFocus()
        const opening = [Qt.Key_Space, Qt.Key_Return, Qt.Key_Enter, Qt.Key_Down]
        for (const key of data.list ? opening : []) {
            const list = findChild(control, data.list)
            keyClick(key)
            verify(list.visible, "opened by " + key)
            keyClick(Qt.Key_Escape)
            tryVerify(() => !list.visible)
        }
        for (let flips = data.toggle ? 2 : 0; flips > 0; --flips) {
            control[data.toggle] = !control[data.toggle]
            wait(250)
        }
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
                compare(reader.read(target).checked, data.checked === true)
            }
        }
        compare(spy.count, presses.length)
        if (data.signal === "modeRequested")
            compare(spy.signalArguments[0][0], Kinds.ConfigMode.manual)
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

    // The invalid outline fades in and out, and is gone once faded out.
    function test_invalidMarkFades() {
        const labeled = createTemporaryObject(echoField, testCase, { text: "10.0.0." })
        verify(findChild(labeled, "invalidMark") === null)
        labeled.invalid = true
        const mark = findChild(labeled, "invalidMark")
        verify(mark !== null && mark.opacity < 1, "it fades in")
        tryCompare(mark, "opacity", 1)
        labeled.invalid = false
        tryVerify(() => findChild(labeled, "invalidMark") === mark && mark.opacity < 1
                  && mark.opacity > 0, 1000, "it fades out")
        tryVerify(() => findChild(labeled, "invalidMark") === null)
    }

    // Hover follows the pointer and the enabled state: a button disabled under the pointer
    // drops its hover fill and tip at once and does not light up again once the pointer left.
    function test_hoverFollowsEnabled() {
        const button = createTemporaryObject(flatButton, testCase,
                                             { kind: "secondary", toolTip: "Astuce", x: 20, y: 20 })
        const fill = findChild(button, "fill")
        mouseMove(button, 10, 10)
        tryVerify(() => button.hovering)
        verify(Qt.colorEqual(fill.color, ThemeState.palette.surfaceMuted))
        button.enabled = false
        verify(!button.hovering)
        verify(!button.tip.showing)
        verify(Qt.colorEqual(fill.color, ThemeState.palette.surface))
        mouseMove(testCase, 390, 290)
        button.enabled = true
        wait(50)
        verify(!button.hovering)
        verify(Qt.colorEqual(fill.color, ThemeState.palette.surface))
    }

    // A tip belongs to its control where it was: once the control moves under a still pointer
    // (the list scrolled or re-sorted), the tip goes.
    function test_tipLeavesWithItsControl_data() {
        return [
            { tag: "moved away", shift: 80 },
            { tag: "nudged", shift: 4 },
        ]
    }

    function test_tipLeavesWithItsControl(data) {
        const holder = createTemporaryObject(onSurface, testCase, { y: 20 })
        holder.button.toolTip = "Appliquer cette configuration"
        mouseMove(holder.button, 10, 10)
        tryVerify(() => holder.button.tip.opened, 3000)
        holder.y += data.shift
        tryVerify(() => !holder.button.tip.showing, 1000)
    }

    // The shield carries its lock, cut out in the colour behind it; no other symbol shows one,
    // and a symbol renamed gains or loses it.
    function test_shieldLock() {
        const icon = createTemporaryObject(symbolIcon, testCase, { name: "network" })
        const lockShown = () => {
            const lock = findChild(icon, "lock")
            return lock !== null && lock.visible
        }
        verify(!lockShown())
        icon.name = "lock.shield.fill"
        verify(lockShown())
        compare(findChild(icon, "lock").color, icon.cutoutColor)
        icon.name = "wifi"
        tryVerify(() => !lockShown())
    }

    // A disabled "Changer" reads as disabled on the dark card too: no accent left in it.
    function test_disabledPrimaryOnDark() {
        ThemeState.isDark = true
        const holder = createTemporaryObject(onSurface, testCase)
        const saturation = () => {
            const image = grabImage(holder)
            return image.pixel(holder.button.x + 4, holder.button.y + 17).hslSaturation
        }
        waitForRendering(holder)
        const live = saturation()
        holder.button.enabled = false
        waitForRendering(holder)
        const disabled = saturation()
        ThemeState.isDark = false
        verify(live > 0.5, "enabled: " + live)
        verify(disabled < 0.3, "disabled: " + disabled)
    }
}
