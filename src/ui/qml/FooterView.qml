// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

Rectangle {
    id: root

    color: ThemeState.palette.surface
    implicitHeight: column.implicitHeight

    component Link: AbstractButton {
        id: link

        required property string url
        property color color: ThemeState.palette.textMuted
        property int weight: Font.Normal

        focusPolicy: Qt.StrongFocus
        hoverEnabled: true
        padding: 0
        Accessible.role: Accessible.Link
        Accessible.name: text
        Accessible.description: url
        Accessible.onPressAction: clicked()
        onClicked: Qt.openUrlExternally(url)

        contentItem: Text {
            text: link.text
            color: link.color
            font.pixelSize: ThemeState.textSize.small
            font.weight: link.weight
            font.underline: link.hovered || link.visualFocus
        }

        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
        FlatButton.Tip {
            shown: link.hovered
            text: link.url
        }
    }

    ColumnLayout {
        id: column

        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 0

        Hairline {
            Layout.fillWidth: true
            color: ThemeState.palette.border
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.preferredHeight: 44
            Layout.leftMargin: 28
            Layout.rightMargin: 28
            spacing: 10

            Text {
                id: rights

                objectName: "rightsLine"
                Layout.fillWidth: true
                // Asked again whenever the window comes back to the front, so a window left
                // open over New Year shows the new year.
                text: {
                    void root.Window.active
                    return AppInfo.rightsLine()
                }
                color: ThemeState.palette.textMuted
                font.pixelSize: ThemeState.textSize.small
                elide: Text.ElideRight
                maximumLineCount: 1
            }

            Row {
                spacing: 8

                Link {
                    objectName: "websiteLink"
                    anchors.verticalCenter: parent.verticalCenter
                    text: AppInfo.websiteLabel
                    url: AppInfo.websiteURL
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "·"
                    color: ThemeState.palette.textFaint
                    font.pixelSize: ThemeState.textSize.small
                    Accessible.ignored: true
                }
                Link {
                    objectName: "donationLink"
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Faire un don"
                    url: AppInfo.donationURL
                    color: ThemeState.palette.accent
                    weight: Font.DemiBold
                }
            }
        }
    }
}
