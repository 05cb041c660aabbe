// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

Rectangle {
    id: root

    required property AppModel model

    // The specified content keeps its room at every width from the window's minimum up; the
    // pill that says which machine the window works on, which is ours, takes what is left: its
    // whole text, a cut one, then its symbol alone (the text goes to its tip).
    readonly property real machineRoom: {
        const others = row.anchors.leftMargin + row.anchors.rightMargin + logo.implicitWidth
                     + titleColumn.naturalWidth + themeSwitch.implicitWidth
                     + adminPill.implicitWidth + refreshButton.implicitWidth + 5 * row.spacing
        // Layouts place items on whole pixels: a few of them are kept in hand.
        return width - others - 6
    }

    component MachinePill: StatusPill {
        implicitWidth: {
            const room = root.machineRoom
            const least = symbolWidth + 6 + Math.min(shortestText, fullWidth - symbolWidth - 6)
            return room >= fullWidth ? fullWidth : room >= least ? room : symbolWidth
        }
        Layout.minimumWidth: symbolWidth
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
            id: titleColumn

            readonly property real naturalWidth: Math.max(titleLine.implicitWidth,
                                                          subtitle.implicitWidth)

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
                    font.pixelSize: ThemeState.textSize.appTitle
                    font.bold: true
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                }
                Text {
                    objectName: "versionLabel"
                    Layout.alignment: Qt.AlignBaseline
                    text: "v" + AppInfo.version
                    color: ThemeState.palette.textMuted
                    font.pixelSize: ThemeState.textSize.body
                    font.weight: Font.Medium
                    Accessible.name: "Version " + AppInfo.version
                }
            }

            Text {
                id: subtitle

                objectName: "subtitle"
                Layout.fillWidth: true
                text: "Changement d'adresse IP en quelques clics"
                color: ThemeState.palette.textMuted
                font.pixelSize: ThemeState.textSize.label
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }

        ThemeSwitch {
            id: themeSwitch
        }

        MachinePill {
            id: simulatedPill

            objectName: "simulatedPill"
            visible: AppInfo.simulated
            icon: "desktopcomputer"
            text: "Machine simulée"
            tint: ThemeState.palette.warning
            soft: ThemeState.palette.warningSoft
            toolTip: (AppInfo.machinePath !== "" ? "Machine simulée : " + AppInfo.machinePath
                                                   + "\n" : "")
                     + (AppInfo.simulationCause !== "" ? AppInfo.simulationCause + "\n" : "")
                     + "Brisvale travaille sur une machine simulée : aucun réglage réseau réel "
                     + "n'est modifié."
        }

        // Quiet: the real system is the usual case, but it is said all the same.
        MachinePill {
            objectName: "systemPill"
            visible: !AppInfo.simulated && AppInfo.systemName !== ""
            icon: "network"
            text: AppInfo.systemName
            toolTip: "Brisvale travaille sur le système réel, par " + AppInfo.systemName
                     + (AppInfo.systemVersion !== "" ? " " + AppInfo.systemVersion : "")
                     + " : chaque changement modifie vraiment le réseau de cette machine."
        }

        StatusPill {
            id: adminPill

            objectName: "adminPill"
            Layout.minimumWidth: fullWidth
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
            icon.name: "arrow.clockwise"
            kind: "secondary"
            enabled: root.model.canRefresh
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
