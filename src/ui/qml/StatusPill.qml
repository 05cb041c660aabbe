import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// A short state, tinted by its meaning.
Rectangle {
    id: root

    property string icon // a system-symbol name, "" for none
    property string text
    property color tint: ThemeState.palette.textMuted
    property color soft: ThemeState.palette.surfaceMuted
    property string toolTip

    implicitWidth: content.implicitWidth + 2 * 12
    implicitHeight: 28
    radius: height / 2
    color: soft
    border.color: Qt.rgba(tint.r, tint.g, tint.b, 0.25)
    border.width: 1

    Accessible.role: Accessible.StaticText
    Accessible.name: text
    Accessible.description: toolTip

    Row {
        id: content
        anchors.centerIn: parent
        spacing: 6

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: root.icon !== ""
            name: root.icon
            size: 11
            weight: Font.DemiBold
            color: root.tint
            cutoutColor: root.soft
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: root.text
            color: root.tint
            font.pointSize: 12
            font.weight: Font.DemiBold
            maximumLineCount: 1
            textFormat: Text.PlainText
        }
    }

    HoverHandler { id: hover }

    FlatButton.Tip {
        visible: root.toolTip !== "" && hover.hovered
        text: root.toolTip
    }
}
