// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import Brisvale

// The interface names its symbols with the system's names; the bundled Material Icons font
// draws them, so every platform shows the same glyphs.
Item {
    id: root

    property string name
    property real size: 13 // points, drawn as as many logical pixels
    property color color: ThemeState.palette.text
    property int weight: Font.Normal
    // The lock of "lock.shield.fill" is cut out of the shield in the colour behind the symbol.
    property color cutoutColor: ThemeState.palette.surface

    // Code points rather than ligatures: a ligature name the font lacks would show as text.
    function codepoint(symbol) {
        switch (symbol) {
        case "wifi": return 0xe63e                          // wifi
        case "network": return 0xeb2f                       // lan
        case "sun.max.fill": return 0xe518                  // light_mode
        case "moon.fill": return 0xe51c                     // dark_mode
        case "arrow.clockwise": return 0xe5d5               // refresh
        case "lock.shield.fill": return 0xe9e0              // shield (+ lock, below)
        case "arrow.left.arrow.right": return 0xe8d4        // swap_horiz
        case "chevron.down": return 0xe5cf                  // expand_more
        case "checkmark.circle.fill": return 0xe86c         // check_circle
        case "exclamationmark.triangle.fill": return 0xe002 // warning
        case "xmark.octagon.fill": return 0xe99a            // dangerous
        case "info.circle.fill": return 0xe88e              // info
        case "heart.fill": return 0xe87d                    // favorite
        case "desktopcomputer": return 0xe30b               // desktop_mac
        case "questionmark.circle": return 0xe8fd           // help_outline
        case "checkmark": return 0xe5ca                     // check
        case "bookmark": return 0xe866                      // bookmark
        default: return 0xe836                              // radio_button_unchecked
        }
    }

    implicitWidth: glyph.implicitWidth
    implicitHeight: glyph.implicitHeight
    Accessible.ignored: true

    Text {
        id: glyph
        objectName: "glyph"
        anchors.centerIn: parent
        text: String.fromCodePoint(root.codepoint(root.name))
        color: root.color
        font.family: ThemeState.symbolFontFamily
        font.pixelSize: Math.max(1, ThemeState.pixels(root.size))
        font.weight: root.weight
    }

    // Only the shield carries the lock: other symbols make nothing for it.
    Loader {
        active: root.name === "lock.shield.fill"
        anchors.centerIn: glyph
        anchors.verticalCenterOffset: glyph.implicitHeight * 0.04
        sourceComponent: Text {
            objectName: "lock"
            text: String.fromCodePoint(0xe897) // lock
            color: root.cutoutColor
            font.family: ThemeState.symbolFontFamily
            font.pixelSize: Math.max(1, ThemeState.pixels(root.size * 0.5))
        }
    }
}
