import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

TestCase {
    id: testCase
    name: "ThemeSwitch"
    when: windowShown
    visible: true
    width: 400
    height: 200

    Component {
        id: switchComponent
        ThemeSwitch {}
    }

    Component {
        id: buttonComponent
        FlatButton { title: "Appliquer"; kind: "secondary" }
    }

    function init() {
        ThemeState.isDark = false
        StoredSettings.remove("Brisvale.isDark")
    }

    function cleanupTestCase() {
        ThemeState.isDark = false
    }

    function test_press_data() {
        return [
            { tag: "light, press moon", start: false, segment: "dark", dark: true },
            { tag: "dark, press sun", start: true, segment: "light", dark: false },
            { tag: "light, press sun again", start: false, segment: "light", dark: false },
            { tag: "dark, press moon again", start: true, segment: "dark", dark: true },
        ]
    }

    // Every press is stored, also one that confirms the theme already shown.
    function test_press(data) {
        ThemeState.isDark = data.start
        StoredSettings.remove("Brisvale.isDark")
        const control = createTemporaryObject(switchComponent, testCase)
        mouseClick(findChild(control, data.segment))
        compare(ThemeState.isDark, data.dark)
        verify(StoredSettings.contains("Brisvale.isDark"))
        compare(String(StoredSettings.value("Brisvale.isDark")), String(data.dark))
    }

    function test_keyboard_data() {
        return [
            { tag: "space on moon", segment: "dark", key: Qt.Key_Space, dark: true },
            { tag: "return on moon", segment: "dark", key: Qt.Key_Return, dark: true },
            { tag: "space on sun", segment: "light", key: Qt.Key_Space, dark: false },
        ]
    }

    function test_keyboard(data) {
        ThemeState.isDark = !data.dark
        const control = createTemporaryObject(switchComponent, testCase)
        const segment = findChild(control, data.segment)
        segment.forceActiveFocus()
        verify(segment.activeFocus)
        keyClick(data.key)
        compare(ThemeState.isDark, data.dark)
        verify(segment.Accessible.checked)
    }

    function test_recolours() {
        const control = createTemporaryObject(switchComponent, testCase)
        const button = createTemporaryObject(buttonComponent, testCase, { y: 60 })
        const fill = findChild(button, "fill")
        const moon = findChild(findChild(control, "dark"), "symbol")
        verify(Qt.colorEqual(fill.color, "#FFFFFF"))
        verify(Qt.colorEqual(moon.color, "#667085"))

        mouseClick(findChild(control, "dark"))
        verify(Qt.colorEqual(fill.color, "#141D2C"), "recoloured at once, without animation")
        verify(Qt.colorEqual(moon.color, "#E8EEF8"))
        compare(findChild(control, "dark").width, 34)
        compare(findChild(control, "dark").height, 26)
    }
}
