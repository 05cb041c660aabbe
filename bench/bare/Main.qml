// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic

// The baseline the application's start-up is measured against: the smallest Qt Quick window
// with the same style and renderer, at the size the application opens at on the benchmark's
// 1920 x 1080 screen, so that both fill and send the same number of pixels.
ApplicationWindow {
    width: 1120
    height: 880
    visible: true
    title: "Bare window"

    Column {
        anchors.centerIn: parent
        spacing: 8

        Label { text: "Premier texte" }
        Label { text: "Deuxième texte" }
        Label { text: "Troisième texte" }
    }
}
