import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

// Typing, messages, the dirty count and the buttons' operations.
TestCase {
    id: testCase
    name: "CardEditing"
    when: windowShown
    width: 1200
    height: 900
    visible: true

    Component {
        id: cardComponent
        AdapterCardView {}
    }

    property var fixtureModel: null

    function makeView(cardId) {
        fixtureModel = Fixtures.makeModel()
        const card = Fixtures.card(fixtureModel, cardId)
        verify(card, "fixture card " + cardId)
        const view = createTemporaryObject(cardComponent, testCase,
                                           { card: card, model: fixtureModel, width: 1000 })
        verify(view)
        return view
    }

    function child(view, name) {
        const item = findChild(view, name)
        verify(item, name)
        return item
    }

    function typeInto(field, keys) {
        field.field.forceActiveFocus()
        verify(field.field.activeFocus, "focus on " + field.objectName)
        field.field.cursorPosition = field.field.text.length
        for (const key of keys)
            keyClick(key)
    }

    function test_typingClearsTheMessage_data() {
        return [
            { tag: "address", field: "addressField", property: "ip", typed: "5",
              expected: "192.168.1.205" },
            { tag: "mask", field: "maskField", property: "mask", typed: "\b",
              expected: "255.255.255." },
            { tag: "router", field: "routerField", property: "router", typed: "0",
              expected: "192.168.1.10" },
        ]
    }

    function test_typingClearsTheMessage(data) {
        const view = makeView("eth")
        view.card.message = "Échec de la modification"
        view.card.messageKind = Kinds.MessageKind.error
        compare(child(view, "messageText").text, "Échec de la modification")

        typeInto(child(view, data.field), [data.typed === "\b" ? Qt.Key_Backspace : data.typed])
        compare(view.card[data.property], data.expected)
        compare(view.card.message, "")
        compare(view.card.messageKind, Kinds.MessageKind.info)
        verify(child(view, "messageText").text !== "Échec de la modification")
    }

    function test_messageColourAndHeight_data() {
        const p = ThemeState.palette
        return [
            { tag: "info", kind: Kinds.MessageKind.info, color: p.textMuted },
            { tag: "success", kind: Kinds.MessageKind.success, color: p.success },
            { tag: "warning", kind: Kinds.MessageKind.warning, color: p.warning },
            { tag: "error", kind: Kinds.MessageKind.error, color: p.danger },
        ]
    }

    function test_messageColourAndHeight(data) {
        const view = makeView("eth")
        const message = child(view, "messageText")
        compare(message.text.trim(), "", "no message on a clean card")
        verify(message.height >= 16)
        const blankHeight = view.implicitHeight

        view.card.message = "Adresse appliquée"
        view.card.messageKind = data.kind
        compare(message.text, "Adresse appliquée")
        verify(Qt.colorEqual(message.color, data.color), message.color + " vs " + data.color)
        compare(view.implicitHeight, blankHeight, "one line of message takes the blank's place")
    }

    function test_longMessageWrapsAndGrowsTheCard() {
        const view = makeView("eth")
        view.width = 500
        const message = child(view, "messageText")
        const before = view.implicitHeight
        view.card.message = "La passerelle ne répond pas. ".repeat(8)
        view.card.messageKind = Kinds.MessageKind.warning
        tryVerify(() => message.lineCount > 1)
        verify(!message.truncated)
        tryVerify(() => view.implicitHeight > before)
    }

    function test_dirtyFlipsCountTwice() {
        const view = makeView("eth")
        const start = fixtureModel.draftRevision
        const address = child(view, "addressField")

        typeInto(address, ["9"])
        verify(view.card.isDirty)
        compare(fixtureModel.draftRevision, start + 1)

        typeInto(address, ["9"])
        compare(fixtureModel.draftRevision, start + 1, "still dirty: no new revision")

        view.card.message = "x"
        compare(fixtureModel.draftRevision, start + 1, "unrelated change: no new revision")

        child(view, "cancelButton").clicked()
        verify(!view.card.isDirty)
        compare(fixtureModel.draftRevision, start + 2)
    }

    function test_typedFieldSurvivesARefresh() {
        const view = makeView("eth")
        const address = child(view, "addressField")
        typeInto(address, ["7"])
        address.field.cursorPosition = 3
        const text = address.field.text

        Fixtures.refreshWith(fixtureModel, "eth", { connected: false, router: "192.168.1.254" })
        compare(view.card.info.router, "192.168.1.254", "the refresh reached the card")
        compare(child(view, "statusLabel").text, "Non connectée")

        compare(findChild(view, "addressField"), address)
        verify(address.field.activeFocus, "focus kept")
        compare(address.field.cursorPosition, 3)
        compare(address.field.text, text)
        typeInto(address, ["1"])
        compare(view.card.ip, text + "1")
    }

    function test_modeControlChangesTheDraft() {
        const view = makeView("eth")
        const segment = child(view, "modeSegment")
        compare(segment.mode, Kinds.ConfigMode.manual)
        segment.modeRequested(Kinds.ConfigMode.dhcp)
        compare(view.card.mode, Kinds.ConfigMode.dhcp)
        compare(segment.mode, Kinds.ConfigMode.dhcp)
        verify(!child(view, "addressField").enabled)
        verify(child(view, "applyButton").enabled)
        compare(child(view, "modeHint").text, view.card.hintText)
    }

    function test_buttonsStartTheirOperations_data() {
        return [
            { tag: "apply", card: "eth", button: "applyButton", edit: true,
              commands: ["setManual|Ethernet|192.168.1.21|255.255.255.0|192.168.1.1"], pings: 0 },
            { tag: "test", card: "eth", button: "testButton", edit: false, commands: [],
              pings: 1 },
            { tag: "switch off", card: "eth", button: "activationSwitch", edit: false,
              commands: ["setServiceEnabled|Ethernet|off"], pings: 0 },
            { tag: "switch on", card: "off", button: "activationSwitch", edit: false,
              commands: ["setServiceEnabled|Thunderbolt Bridge|on"], pings: 0 },
        ]
    }

    function test_buttonsStartTheirOperations(data) {
        const view = makeView(data.card)
        if (data.edit)
            typeInto(child(view, "addressField"), [Qt.Key_Backspace, "1"])
        const control = child(view, data.button)
        verify(control.enabled)
        mouseClick(control)
        tryVerify(() => Fixtures.commands(fixtureModel).length === data.commands.length
                         && Fixtures.pings(fixtureModel).length >= data.pings)
        compare(Fixtures.commands(fixtureModel), data.commands)
        if (data.pings > 0)
            verify(Fixtures.pings(fixtureModel)[0].startsWith("192.168.1.20|en0|"))
    }
}
