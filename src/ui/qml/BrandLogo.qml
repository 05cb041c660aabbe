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

    // Larger than the tile, so that the shadow below it is not clipped.
    BrandTile {
        x: -spill
        y: -spill
        width: root.size + 2 * spill
        height: root.size + 2 * spill + drop
        startColor: ThemeState.palette.brandStart
        endColor: ThemeState.palette.brandEnd
    }

    SymbolIcon {
        anchors.centerIn: parent
        name: "arrow.left.arrow.right"
        size: 0.44 * root.size
        weight: Font.Bold
        color: ThemeState.palette.onAccent
    }
}
