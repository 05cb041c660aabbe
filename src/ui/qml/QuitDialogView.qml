import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// The content of the quit dialog: what is pending, the ways out, and the donation panel.
Rectangle {
    id: root

    property string title
    property string message
    property string primaryText
    property string secondaryText // "" hides the button
    property string stayText
    property bool hasPendingChanges
    property url qrImage // empty when no image was found
    property url donationUrl: AppInfo.donationURL

    signal chosen(int choice)

    // Return presses the stay button when edits are pending, else the primary one.
    readonly property Item defaultButton: secondaryText !== "" ? stayButton : primaryButton

    implicitWidth: 760
    implicitHeight: 440
    color: ThemeState.palette.surface
    focus: true

    Keys.onEscapePressed: chosen(Kinds.QuitChoice.stay)
    Keys.onReturnPressed: defaultButton.clicked()
    Keys.onEnterPressed: defaultButton.clicked()

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
                    font.pointSize: root.hasPendingChanges ? 20 : 18
                    font.bold: true
                    color: root.hasPendingChanges ? ThemeState.palette.warning
                                                  : ThemeState.palette.accent
                }
            }
            Text {
                Layout.fillWidth: true
                text: root.title
                font.pointSize: 17
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
                font.pointSize: 12.5
                lineHeightMode: Text.FixedHeight
                lineHeight: Math.ceil(fontMetrics.height + 2)
                color: ThemeState.palette.textMuted
                wrapMode: Text.Wrap
                verticalAlignment: Text.AlignTop
                FontMetrics {
                    id: fontMetrics
                    font.pointSize: 12.5
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
                    font.pointSize: 12
                    font.weight: Font.DemiBold
                    color: ThemeState.palette.text
                }
                Text {
                    Layout.fillWidth: true
                    text: root.qrImage.toString() !== ""
                          ? "Scannez ce QR code ou cliquez dessus pour faire un don via PayPal."
                          : "Ouvrez la page de don ci-dessous pour soutenir le projet."
                    font.pointSize: 11.5
                    color: ThemeState.palette.textMuted
                    wrapMode: Text.Wrap
                }
                Rectangle {
                    objectName: "qrButton"
                    visible: root.qrImage.toString() !== ""
                    // 170 with its inset, smaller only when larger text leaves less room.
                    Layout.fillHeight: true
                    Layout.minimumHeight: 60
                    Layout.maximumHeight: 170 + 12
                    Layout.preferredWidth: height
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
                    ToolTip.visible: qrArea.containsMouse
                    ToolTip.delay: 600
                    ToolTip.text: "Ouvrir la page de don PayPal"
                }
                Text {
                    objectName: "donationLink"
                    text: "Ouvrir la page de don"
                    font.pointSize: 12
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
                    ToolTip.visible: linkArea.containsMouse
                    ToolTip.delay: 600
                    ToolTip.text: root.donationUrl
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
                onClicked: root.chosen(Kinds.QuitChoice.primary)
            }
        }
    }
}
