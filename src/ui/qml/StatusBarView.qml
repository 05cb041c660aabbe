// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

Rectangle {
    id: root

    required property AppModel model

    readonly property bool hasStatus: model.statusText.length > 0
    readonly property color statusColor: ThemeState.palette.forKind(model.statusKind)

    color: ThemeState.palette.bg
    implicitHeight: row.implicitHeight + 18

    // Two slots rather than two arrangements: the leading one takes the spare width and cuts
    // its text, the trailing one holds the pending hint only while a status is shown.
    RowLayout {
        id: row

        anchors.fill: parent
        anchors.leftMargin: 28
        anchors.rightMargin: 28
        anchors.topMargin: 9
        anchors.bottomMargin: 9
        spacing: 16

        Text {
            id: leading

            objectName: "leadingText"
            Layout.fillWidth: true
            text: root.hasStatus ? root.model.statusText : root.model.pendingHint
            color: root.hasStatus ? root.statusColor : ThemeState.palette.textMuted
            font.pixelSize: ThemeState.textSize.small
            elide: Text.ElideRight
            maximumLineCount: 1
            textFormat: Text.PlainText
            Accessible.role: Accessible.StatusBar
            Accessible.name: text

            HoverHandler {
                id: leadingHover
            }
            FlatButton.Tip {
                shown: leading.truncated && leadingHover.hovered
                text: leading.text
            }
        }

        Text {
            objectName: "trailingText"
            visible: root.hasStatus
            text: root.model.pendingHint
            color: ThemeState.palette.textMuted
            font.pixelSize: ThemeState.textSize.small
            maximumLineCount: 1
            textFormat: Text.PlainText
            Accessible.name: text
        }
    }
}
