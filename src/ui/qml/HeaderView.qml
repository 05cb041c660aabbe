import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

Rectangle {
    id: root

    required property AppModel model

    // How many pills show only their symbol: 0 all texts, 1 the simulated machine's, 2 both.
    // Pills give way before the refresh button ever leaves the window; the subtitle is cut
    // first of all.
    readonly property int pillsIconOnly: {
        const simulated = simulatedPill.visible ? row.spacing : 0
        const fixed = row.anchors.leftMargin + row.anchors.rightMargin + logo.implicitWidth
                    + titleLine.implicitWidth + themeSwitch.implicitWidth
                    + refreshButton.implicitWidth + 4 * row.spacing
        const room = width - fixed - simulated
        const simulatedFull = simulatedPill.visible ? simulatedPill.fullWidth : 0
        const simulatedShort = simulatedPill.visible ? simulatedPill.shortWidth : 0
        if (room >= simulatedFull + adminPill.fullWidth)
            return 0
        if (room >= simulatedShort + adminPill.fullWidth)
            return 1
        return 2
    }

    // A pill that can drop its text. Both forms exist, so their widths are known without
    // depending on the form shown.
    component HeaderPill: Item {
        id: pill

        property bool compact: false
        property string icon
        property string text
        property color tint
        property color soft
        property string toolTip
        readonly property real fullWidth: full.implicitWidth
        readonly property real shortWidth: iconOnly.implicitWidth

        implicitWidth: compact ? shortWidth : fullWidth
        implicitHeight: full.implicitHeight

        StatusPill {
            id: full

            anchors.fill: parent
            visible: !pill.compact
            icon: pill.icon
            text: pill.text
            tint: pill.tint
            soft: pill.soft
            toolTip: pill.toolTip
        }
        StatusPill {
            id: iconOnly

            anchors.fill: parent
            visible: pill.compact
            icon: pill.icon
            tint: pill.tint
            soft: pill.soft
            toolTip: pill.text + " — " + pill.toolTip
            Accessible.name: pill.text
        }
    }

    color: ThemeState.palette.surface
    implicitHeight: row.implicitHeight + 28

    RowLayout {
        id: row

        anchors.fill: parent
        anchors.leftMargin: 28
        anchors.rightMargin: 28
        anchors.topMargin: 14
        anchors.bottomMargin: 14
        spacing: 14

        BrandLogo {
            id: logo

            size: 40
        }

        ColumnLayout {
            Layout.alignment: Qt.AlignLeft | Qt.AlignVCenter
            Layout.fillWidth: true
            Layout.minimumWidth: titleLine.implicitWidth
            spacing: 2

            RowLayout {
                id: titleLine

                spacing: 8

                Text {
                    Layout.alignment: Qt.AlignBaseline
                    text: "Brisvale"
                    color: ThemeState.palette.text
                    font.pointSize: 24
                    font.bold: true
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                Text {
                    objectName: "versionLabel"
                    Layout.alignment: Qt.AlignBaseline
                    text: "v" + AppInfo.version
                    color: ThemeState.palette.textMuted
                    font.pointSize: 13
                    font.weight: Font.Medium
                    Accessible.name: "Version " + AppInfo.version
                }
            }

            Text {
                Layout.fillWidth: true
                text: "Changement d'adresse IP en quelques clics"
                color: ThemeState.palette.textMuted
                font.pointSize: 12.5
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }

        ThemeSwitch {
            id: themeSwitch
        }

        HeaderPill {
            id: simulatedPill

            objectName: "simulatedPill"
            visible: AppInfo.simulated
            compact: root.pillsIconOnly >= 1
            icon: "desktopcomputer"
            text: "Machine simulée"
            tint: ThemeState.palette.warning
            soft: ThemeState.palette.warningSoft
            toolTip: "Brisvale travaille sur une machine simulée : aucun réglage réseau réel "
                     + "n'est modifié."
        }

        HeaderPill {
            id: adminPill

            objectName: "adminPill"
            compact: root.pillsIconOnly >= 2
            icon: "lock.shield.fill"
            text: "Autorisation admin."
            tint: ThemeState.palette.accent
            soft: ThemeState.palette.accentSoft
            toolTip: SystemSettings.authorizationToolTip
        }

        FlatButton {
            id: refreshButton

            objectName: "refreshButton"
            title: "Actualiser"
            icon: "arrow.clockwise"
            kind: "secondary"
            enabled: !root.model.loading && !root.model.isBusy
            toolTip: "Mettre à jour la liste et l'état des cartes réseau ("
                     + SystemSettings.refreshShortcut + ")"
            onClicked: root.model.requestRefresh(true)
        }
    }

    Hairline {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        color: ThemeState.palette.border
    }
}
