// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import Qt.labs.platform as Platform

// The native application menu of macOS, carrying the refresh command after the About group.
Item {
    property var appModel

    Platform.MenuBar {
        Platform.Menu {
            title: "Brisvale"
            Platform.MenuItem {
                text: "Actualiser les cartes réseau"
                shortcut: "Ctrl+R"
                role: Platform.MenuItem.ApplicationSpecificRole
                onTriggered: appModel.requestRefresh(true)
            }
        }
    }
}
