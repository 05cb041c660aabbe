// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// The content of the quit dialog: what is pending, the ways out, and the donation panel.
QuitDialogPane {
    id: root

    property string title
    property string message
    property string primaryText
    property string secondaryText // "" hides the button
    property string stayText
    property bool hasPendingChanges
    property url qrImage // empty when no image was found
    property url donationUrl: AppInfo.donationURL

    // Return presses the stay button when edits are pending, else the primary one.
    readonly property Item defaultButton: secondaryText !== "" ? stayButton : primaryButton

    implicitWidth: 760
    implicitHeight: 440
    focus: true

    Keys.onEscapePressed: chosen(Kinds.QuitChoice.stay)
    Keys.onReturnPressed: defaultButton.clicked()
    Keys.onEnterPressed: defaultButton.clicked()

    Rectangle {
        anchors.fill: parent
        color: ThemeState.palette.surface
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 26
        spacing: 18

        RowLayout {
            spacing: 12
            Rectangle {
                objectName: "badge"
                Layout.preferredWidth: 34
                Layout.preferredHeight: 34
                radius: 9
                color: root.hasPendingChanges ? ThemeState.palette.warningSoft
                                              : ThemeState.palette.accentSoft
                Text {
                    anchors.centerIn: parent
                    text: root.hasPendingChanges ? "!" : "♥"
                    font.pixelSize: ThemeState.pixels(root.hasPendingChanges ? 20 : 18)
                    font.bold: true
                    color: root.hasPendingChanges ? ThemeState.palette.warning
                                                  : ThemeState.palette.accent
                }
            }
            Text {
                Layout.fillWidth: true
                text: root.title
                font.pixelSize: ThemeState.textSize.dialogTitle
                font.bold: true
                color: ThemeState.palette.text
                wrapMode: Text.Wrap
                Accessible.role: Accessible.Heading
                Accessible.name: text
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 24

            Text {
                objectName: "message"
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumHeight: 0
                Layout.alignment: Qt.AlignTop | Qt.AlignLeft
                text: root.message
                font.pixelSize: ThemeState.textSize.label
                lineHeightMode: Text.FixedHeight
                lineHeight: Math.ceil(fontMetrics.height + 2)
                color: ThemeState.palette.textMuted
                wrapMode: Text.Wrap
                verticalAlignment: Text.AlignTop
                FontMetrics {
                    id: fontMetrics
                    font.pixelSize: ThemeState.textSize.label
                }
            }

            ColumnLayout {
                objectName: "donationPanel"
                Layout.preferredWidth: 250
                Layout.fillHeight: true
                Layout.alignment: Qt.AlignTop
                spacing: 8

                Text {
                    text: "Soutenir Brisvale"
                    font.pixelSize: ThemeState.textSize.caption
                    font.weight: Font.DemiBold
                    color: ThemeState.palette.text
                }
                Text {
                    Layout.fillWidth: true
                    text: root.qrImage.toString() !== ""
                          ? "Scannez ce QR code ou cliquez dessus pour faire un don via PayPal."
                          : "Ouvrez la page de don ci-dessous pour soutenir le projet."
                    font.pixelSize: ThemeState.textSize.small
                    color: ThemeState.palette.textMuted
                    wrapMode: Text.Wrap
                }
                Rectangle {
                    objectName: "qrButton"
                    visible: root.qrImage.toString() !== ""
                    // The code is 170 across, inside a white margin of 6.
                    Layout.preferredWidth: 170 + 12
                    Layout.preferredHeight: 170 + 12
                    radius: 4
                    color: "white"
                    border.color: ThemeState.palette.border
                    border.width: 1
                    activeFocusOnTab: true
                    Accessible.role: Accessible.Button
                    Accessible.name: "QR code pour faire un don"
                    Accessible.onPressAction: Qt.openUrlExternally(root.donationUrl)
                    Keys.onSpacePressed: Qt.openUrlExternally(root.donationUrl)
                    Image {
                        anchors.fill: parent
                        anchors.margins: 6
                        source: root.qrImage
                        fillMode: Image.PreserveAspectFit
                        smooth: false
                    }
                    MouseArea {
                        id: qrArea
                        anchors.fill: parent
                        hoverEnabled: true
                        cursorShape: Qt.PointingHandCursor
                        onClicked: Qt.openUrlExternally(root.donationUrl)
                    }
                    FlatButton.Tip {
                        shown: qrArea.containsMouse
                        text: "Ouvrir la page de don PayPal"
                    }
                }
                Text {
                    objectName: "donationLink"
                    text: "Ouvrir la page de don"
                    font.pixelSize: ThemeState.textSize.caption
                    font.weight: Font.DemiBold
                    color: ThemeState.palette.accent
                    activeFocusOnTab: true
                    Accessible.role: Accessible.Link
                    Accessible.name: text
                    Accessible.onPressAction: Qt.openUrlExternally(root.donationUrl)
                    Keys.onSpacePressed: Qt.openUrlExternally(root.donationUrl)
                    MouseArea {
                        id: linkArea
                        anchors.fill: parent
                        hoverEnabled: true
                        cursorShape: Qt.PointingHandCursor
                        onClicked: Qt.openUrlExternally(root.donationUrl)
                    }
                    FlatButton.Tip {
                        shown: linkArea.containsMouse
                        text: root.donationUrl
                    }
                }
            }
        }

        Hairline {
            Layout.fillWidth: true
            color: ThemeState.palette.border
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            Item {
                Layout.fillWidth: true
            }
            FlatButton {
                id: stayButton
                objectName: "stayButton"
                title: root.stayText
                kind: "ghost"
                isDefault: root.defaultButton === stayButton
                onClicked: root.chosen(Kinds.QuitChoice.stay)
            }
            FlatButton {
                id: secondaryButton
                objectName: "secondaryButton"
                visible: root.secondaryText !== ""
                title: root.secondaryText
                kind: "secondary"
                onClicked: root.chosen(Kinds.QuitChoice.secondary)
            }
            FlatButton {
                id: primaryButton
                objectName: "primaryButton"
                title: root.primaryText
                kind: "primary"
                isDefault: root.defaultButton === primaryButton
                onClicked: root.chosen(Kinds.QuitChoice.primary)
            }
        }
    }
}
