import QtQuick
import QtTest
import Brisvale

TestCase {
    id: testCase
    name: "FlatButton"
    when: windowShown
    visible: true
    width: 400
    height: 300

    Component {
        id: buttonComponent
        FlatButton { title: "Actualiser" }
    }

    Component {
        id: focusScene
        Column {
            property alias before: before
            property alias disabledButton: disabledButton
            property alias button: button
            Rectangle { id: before; width: 20; height: 20; activeFocusOnTab: true }
            FlatButton { id: disabledButton; title: "Inactif"; enabled: false }
            FlatButton { id: button; title: "Appliquer" }
        }
    }

    Component {
        id: spyComponent
        SignalSpy { signalName: "clicked" }
    }

    function makeButton(properties) {
        const button = createTemporaryObject(buttonComponent, testCase, properties)
        verify(button)
        return button
    }

    function spyOn(target) {
        return createTemporaryObject(spyComponent, testCase, { target: target })
    }

    function test_click_data() {
        return [
            { tag: "enabled primary", kind: "primary", enabled: true, clicks: 1, opacity: 1 },
            { tag: "enabled ghost", kind: "ghost", enabled: true, clicks: 1, opacity: 1 },
            { tag: "disabled primary", kind: "primary", enabled: false, clicks: 0, opacity: 0.45 },
            { tag: "disabled secondary", kind: "secondary", enabled: false, clicks: 0, opacity: 0.45 },
        ]
    }

    function test_click(data) {
        const button = makeButton({ kind: data.kind, enabled: data.enabled })
        const spy = spyOn(button)
        mouseClick(button)
        compare(spy.count, data.clicks)
        compare(button.opacity, data.opacity)
    }

    function test_geometry_data() {
        return [
            { tag: "title only", icon: "" },
            { tag: "symbol and title", icon: "arrow.clockwise" },
        ]
    }

    function test_geometry(data) {
        const button = makeButton({ icon: data.icon })
        const content = findChild(button, "content")
        const title = findChild(button, "title")
        compare(button.height, 34)
        compare(content.x, 14)
        compare(button.width - content.x - content.width, 14)
        if (data.icon === "")
            compare(content.width, title.width)
        else
            verify(content.width > title.width + 7)
    }

    function test_hoverFill_data() {
        return [
            { tag: "primary", kind: "primary", rest: "accent", hover: "accentHover" },
            { tag: "secondary", kind: "secondary", rest: "surface", hover: "surfaceMuted" },
            { tag: "ghost", kind: "ghost", rest: "", hover: "surfaceMuted" },
        ]
    }

    function test_hoverFill(data) {
        const button = makeButton({ kind: data.kind, x: 50, y: 50 })
        const fill = findChild(button, "fill")
        const palette = ThemeState.palette
        if (data.rest === "")
            compare(fill.color.a, 0)
        else
            verify(Qt.colorEqual(fill.color, palette[data.rest]))
        mouseMove(button)
        tryCompare(button, "hovering", true)
        verify(Qt.colorEqual(fill.color, palette[data.hover]))
        mouseMove(testCase, 5, 5)
        tryCompare(button, "hovering", false)
    }

    function test_keyboard_data() {
        return [
            { tag: "space", key: Qt.Key_Space },
            { tag: "return", key: Qt.Key_Return },
            { tag: "enter", key: Qt.Key_Enter },
        ]
    }

    function test_keyboard(data) {
        const scene = createTemporaryObject(focusScene, testCase)
        const spy = spyOn(scene.button)
        const disabledSpy = spyOn(scene.disabledButton)
        scene.before.forceActiveFocus()
        keyClick(Qt.Key_Tab)
        verify(scene.button.activeFocus, "Tab passes over the disabled button to the next one")
        keyClick(data.key)
        compare(spy.count, 1)
        compare(disabledSpy.count, 0)
    }
}
