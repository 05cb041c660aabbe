// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

ApplicationWindow {
    id: window

    required property AppModel appModel
    property ProfilesModel profiles: null

    title: "Brisvale v" + AppInfo.version
    width: 1120
    height: 840
    minimumWidth: 880
    minimumHeight: 620
    // The application sizes and places the window for the screen before showing it: shown
    // here, it would be mapped once at this size, then moved and resized, and its first frame
    // would wait for the window system to catch up.
    visible: false
    color: ThemeState.palette.bg

    // Standard pieces the views do not draw themselves (tooltips, selection, scroll bars)
    // inherit this palette, so they follow the theme too.
    palette.window: ThemeState.palette.bg
    palette.windowText: ThemeState.palette.text
    palette.base: ThemeState.palette.surfaceSunken
    palette.text: ThemeState.palette.text
    palette.button: ThemeState.palette.surface
    palette.buttonText: ThemeState.palette.text
    palette.highlight: ThemeState.palette.accent
    palette.highlightedText: ThemeState.palette.surface
    palette.link: ThemeState.palette.accent
    palette.toolTipBase: ThemeState.palette.surface
    palette.toolTipText: ThemeState.palette.text
    palette.light: ThemeState.palette.surfaceMuted
    palette.mid: ThemeState.palette.borderStrong
    palette.dark: ThemeState.palette.border
    palette.placeholderText: ThemeState.palette.textFaint

    ContentView {
        anchors.fill: parent
        model: window.appModel
        profiles: window.profiles
    }

    // On macOS the command lives in the native application menu, with its Command-R.
    Loader {
        active: Qt.platform.os === "osx"
        source: active ? "qrc:/qt/qml/Brisvale/macos/MacMenuBar.qml" : ""
        onLoaded: item.appModel = window.appModel
    }
    Shortcut {
        enabled: Qt.platform.os !== "osx"
        sequences: ["Ctrl+R"]
        context: Qt.WindowShortcut
        onActivated: window.appModel.requestRefresh(true)
    }
    Shortcut {
        sequence: StandardKey.Quit
        context: Qt.ApplicationShortcut
        // Closing the main window is a quit request: the application shell may ask first.
        onActivated: window.close()
    }
}
