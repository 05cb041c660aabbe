// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import Brisvale

// The product's mark: a diagonal blue gradient tile carrying the exchange arrows.
Item {
    id: root

    property real size: 40

    implicitWidth: size
    implicitHeight: size
    Accessible.role: Accessible.Graphic
    Accessible.name: "Brisvale"

    // The canvas overflows the tile so that the blurred shadow below it is not clipped.
    Canvas {
        id: tile
        readonly property real spill: 10
        x: -spill
        y: -spill
        width: root.size + 2 * spill
        height: root.size + 2 * spill + 3
        onWidthChanged: requestPaint()
        onPaint: {
            const ctx = getContext("2d")
            const p = ThemeState.palette
            const side = root.size
            ctx.reset()
            ctx.translate(spill, spill)
            const gradient = ctx.createLinearGradient(0, 0, side, side)
            gradient.addColorStop(0, p.brandStart)
            gradient.addColorStop(1, p.brandEnd)
            ctx.fillStyle = gradient
            ctx.shadowColor = Qt.rgba(p.brandEnd.r, p.brandEnd.g, p.brandEnd.b, 0.35)
            ctx.shadowOffsetY = 3
            ctx.shadowBlur = 8
            ctx.beginPath()
            ctx.roundedRect(0, 0, side, side, 0.24 * side, 0.24 * side)
            ctx.fill()
        }
    }

    SymbolIcon {
        anchors.centerIn: parent
        name: "arrow.left.arrow.right"
        size: 0.44 * root.size
        weight: Font.Bold
        color: ThemeState.palette.onAccent
    }
}
