import QtQuick
import QtQuick.Controls.Basic
import Brisvale

// A borderless button in one of three kinds, drawn from the palette.
Item {
    id: root

    property string title
    property string icon // a system-symbol name, "" for none
    property string kind: "secondary" // "primary", "secondary" or "ghost"
    property string toolTip
    readonly property bool hovering: pointer.containsMouse

    signal clicked

    // The themed tooltip and keyboard focus ring every control of the module shares.
    component Tip: ToolTip {
        id: tip
        delay: 600
        width: Math.min(implicitWidth, 360)
        contentItem: Text {
            text: tip.text
            color: ThemeState.palette.text
            font.pointSize: 11
            wrapMode: Text.Wrap
        }
        background: Rectangle {
            color: ThemeState.palette.surface
            border.color: ThemeState.palette.borderStrong
            border.width: 1
            radius: 6
        }
    }
    component FocusRing: Rectangle {
        property Item target: parent
        anchors.fill: target
        anchors.margins: -3
        visible: target.activeFocus
        color: "transparent"
        border.color: ThemeState.palette.accent
        border.width: 2
    }

    function activate() {
        if (enabled)
            clicked()
    }

    implicitWidth: content.implicitWidth + 2 * 14
    implicitHeight: 34
    opacity: enabled ? 1 : 0.45
    activeFocusOnTab: true

    Accessible.role: Accessible.Button
    Accessible.name: title
    Accessible.description: toolTip
    Accessible.focusable: true
    Accessible.onPressAction: activate()

    Keys.onPressed: event => {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return
                || event.key === Qt.Key_Enter) {
            event.accepted = true
            if (!event.isAutoRepeat)
                activate()
        }
    }

    Rectangle {
        id: fill
        objectName: "fill"
        anchors.fill: parent
        radius: 8
        color: {
            const p = ThemeState.palette
            switch (root.kind) {
            case "primary": return root.hovering ? p.accentHover : p.accent
            case "ghost": return root.hovering ? p.surfaceMuted : "transparent"
            default: return root.hovering ? p.surfaceMuted : p.surface
            }
        }
        border.width: root.kind === "secondary" ? 1 : 0
        border.color: root.hovering ? ThemeState.palette.borderStrong : ThemeState.palette.border
    }

    Row {
        id: content
        objectName: "content"
        anchors.centerIn: parent
        spacing: 7

        readonly property color ink: root.kind === "primary" ? ThemeState.palette.onAccent
                                   : root.kind === "ghost" ? ThemeState.palette.textMuted
                                   : ThemeState.palette.text

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: root.icon !== ""
            name: root.icon
            size: 12
            weight: Font.DemiBold
            color: content.ink
            cutoutColor: fill.color
        }
        Text {
            objectName: "title"
            anchors.verticalCenter: parent.verticalCenter
            text: root.title
            color: content.ink
            font.pointSize: 13
            font.weight: Font.DemiBold
        }
    }

    MouseArea {
        id: pointer
        anchors.fill: parent
        hoverEnabled: true
        onClicked: root.activate()
    }

    FocusRing { radius: 11 }

    Tip {
        visible: root.toolTip !== "" && root.hovering
        text: root.toolTip
    }
}
