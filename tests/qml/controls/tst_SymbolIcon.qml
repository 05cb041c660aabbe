import QtQuick
import QtQuick.Layouts
import QtTest
import Brisvale

TestCase {
    id: testCase
    name: "SymbolIcon"
    when: windowShown
    visible: true
    width: 400
    height: 200

    Component {
        id: iconComponent
        SymbolIcon { size: 12 }
    }

    Component {
        id: layoutComponent
        ColumnLayout {
            width: 300
            property alias line: line
            Hairline { id: line }
        }
    }

    readonly property var names: [
        "wifi", "network", "sun.max.fill", "moon.fill", "arrow.clockwise", "lock.shield.fill",
        "arrow.left.arrow.right", "chevron.down", "checkmark.circle.fill",
        "exclamationmark.triangle.fill", "xmark.octagon.fill", "info.circle.fill", "heart.fill",
        "desktopcomputer", "questionmark.circle"
    ]

    function test_fontIsBundled() {
        verify(Qt.fontFamilies().indexOf(ThemeState.symbolFontFamily) >= 0,
               ThemeState.symbolFontFamily + " is registered")
    }

    // A misspelt name would silently fall back; each name must reach a glyph of its own.
    function test_everyNameHasItsGlyph() {
        const icon = createTemporaryObject(iconComponent, testCase)
        const fallback = icon.codepoint("no.such.symbol")
        const seen = {}
        for (const name of names) {
            const point = icon.codepoint(name)
            verify(point !== fallback, name + " falls back")
            verify(!(point in seen), name + " shares its glyph with " + seen[point])
            seen[point] = name
        }
    }

    function test_unknownNameDrawsSomething() {
        const icon = createTemporaryObject(iconComponent, testCase, { name: "no.such.symbol" })
        verify(findChild(icon, "glyph").text.length > 0)
        verify(icon.implicitWidth > 0)
    }

    function test_hairlineSpansItsLayout() {
        const layout = createTemporaryObject(layoutComponent, testCase)
        compare(layout.line.width, 300)
        compare(layout.line.height, 1)
    }
}
