// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// A short state, tinted by its meaning. Given less than its full width, its text is cut at the
// end; given too little for a word, the pill keeps only its symbol.
Rectangle {
    id: root

    property string icon // a system-symbol name, "" for none
    property string text
    property color tint: ThemeState.palette.textMuted
    property color soft: ThemeState.palette.surfaceMuted
    property string toolTip

    readonly property real symbolWidth: (icon !== "" ? symbol.implicitWidth : 0) + 2 * 12
    readonly property real fullWidth: symbolWidth + (icon !== "" ? row.spacing : 0)
                                      + label.implicitWidth
    // Less room than this for the text and the pill shows its symbol alone.
    readonly property real shortestText: 3 * label.font.pixelSize
    readonly property bool textShown: text !== ""
                                      && width - symbolWidth - row.spacing >= Math.min(
                                          shortestText, label.implicitWidth)
    readonly property bool textCut: label.truncated || (text !== "" && !textShown)

    implicitWidth: fullWidth
    implicitHeight: 28
    radius: height / 2
    color: soft
    border.color: Qt.rgba(tint.r, tint.g, tint.b, 0.25)
    border.width: 1

    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Accessible.description: toolTip

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 6

        SymbolIcon {
            id: symbol
            anchors.verticalCenter: parent.verticalCenter
            visible: root.icon !== ""
            name: root.icon
            size: 11
            weight: Font.DemiBold
            color: root.tint
            cutoutColor: root.soft
        }
        Text {
            id: label
            objectName: "pillText"
            anchors.verticalCenter: parent.verticalCenter
            visible: root.textShown
            width: Math.min(implicitWidth, root.width - root.symbolWidth - row.spacing)
            text: root.text
            color: root.tint
            font.pixelSize: ThemeState.textSize.caption
            font.weight: Font.DemiBold
            elide: Text.ElideRight
            maximumLineCount: 1
            textFormat: Text.PlainText
        }
    }

    HoverHandler { id: hover }

    FlatButton.Tip {
        shown: hover.hovered
        // What the pill no longer says goes into its tip.
        text: root.textCut && root.toolTip !== "" ? root.text + " — " + root.toolTip
                                                  : root.toolTip
    }
}
