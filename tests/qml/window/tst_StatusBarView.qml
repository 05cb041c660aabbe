import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

TestCase {
    id: testCase

    name: "StatusBarView"
    width: 880
    height: 100
    visible: true
    when: windowShown

    Component {
        id: barComponent

        StatusBarView {
            width: testCase.width
        }
    }

    function test_layout_data() {
        const longText = "Application de la configuration sur « " + "Adaptateur ".repeat(40) + "»…"
        return [
            {tag: "no status: the hint on the left", status: "", kind: Kinds.MessageKind.none},
            {tag: "info", status: "Actualisation des cartes réseau…",
             kind: Kinds.MessageKind.info, colour: "textMuted"},
            {tag: "none", status: "Texte neutre", kind: Kinds.MessageKind.none,
             colour: "textMuted"},
            {tag: "success", status: "Cartes réseau actualisées.",
             kind: Kinds.MessageKind.success, colour: "success"},
            {tag: "warning", status: "Lecture réseau incomplète.",
             kind: Kinds.MessageKind.warning, colour: "warning"},
            {tag: "error", status: "Adresse IP invalide.", kind: Kinds.MessageKind.error,
             colour: "danger"},
            {tag: "long status is cut", status: longText, kind: Kinds.MessageKind.info,
             colour: "textMuted", cut: true},
        ]
    }

    function test_layout(data) {
        const model = Fixtures.newModel()
        Fixtures.setStatus(data.status, data.kind)
        const bar = createTemporaryObject(barComponent, testCase, {model: model})
        const leading = findChild(bar, "leadingText")
        const trailing = findChild(bar, "trailingText")
        const hint = model.pendingHint
        verify(hint.length > 0)
        const palette = ThemeState.palette

        const leadingX = leading.mapToItem(bar, 0, 0).x
        const trailingX = trailing.mapToItem(bar, 0, 0).x
        compare(leadingX, 28)
        if (data.status === "") {
            compare(leading.text, hint)
            verify(Qt.colorEqual(leading.color, palette.textMuted))
            verify(!trailing.visible)
            return
        }
        compare(leading.text, data.status)
        verify(Qt.colorEqual(leading.color, palette[data.colour]), leading.color)
        verify(trailing.visible)
        compare(trailing.text, hint)
        verify(Qt.colorEqual(trailing.color, palette.textMuted))
        compare(trailingX + trailing.width, bar.width - 28, "the hint keeps to the right")
        compare(leading.truncated, data.cut === true)
        verify(leadingX + leading.width <= trailingX - 16)
    }

    function test_followsTheModel() {
        const model = Fixtures.newModel()
        const bar = createTemporaryObject(barComponent, testCase, {model: model})
        const leading = findChild(bar, "leadingText")
        compare(leading.text, model.pendingHint)
        Fixtures.setStatus("Cartes réseau actualisées.", Kinds.MessageKind.success)
        compare(leading.text, "Cartes réseau actualisées.")
        verify(Qt.colorEqual(leading.color, ThemeState.palette.success))
        Fixtures.setStatus("", Kinds.MessageKind.none)
        compare(leading.text, model.pendingHint)
        verify(!findChild(bar, "trailingText").visible)
    }
}
