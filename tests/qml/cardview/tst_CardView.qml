// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

TestCase {
    id: testCase
    name: "CardView"
    when: windowShown
    visible: true
    width: 1200
    height: 900

    Component { id: cardComponent; AdapterCardView {} }

    property var appModel: null
    readonly property var fields: ["addressField", "maskField", "routerField"]
    readonly property var controls: ["activationSwitch", "testButton", "cancelButton",
                                     "applyButton", "modeSegment"].concat(fields)

    function init() { failOnWarning(/.*/) } // a binding loop, above all
    function makeView(cardId) {
        appModel = Fixtures.newModel(true)
        return createTemporaryObject(cardComponent, testCase,
                                     { card: Fixtures.card(cardId), appModel: appModel, width: 1000 })
    }

    function child(view, name) { return findChild(view, name) || fail("no " + name) }

    function box(view, name) {
        const item = child(view, name), p = item.mapToItem(view, 0, 0)
        return { x: p.x, y: p.y, right: p.x + item.width, bottom: p.y + item.height }
    }

    function near(a, b) { return Math.abs(a - b) < 0.5 }

    function test_layoutByWidth_data() {
        return [
            { tag: "900 wide", width: 900, wide: true, modeRow: true, fields: "row" },
            { tag: "899 compact", width: 899, wide: false, modeRow: true, fields: "two" },
            { tag: "620 hint beside the mode", width: 620, modeRow: true, fields: "two" },
            { tag: "619 hint below it", width: 619, modeRow: false, fields: "two" },
            { tag: "460 fields two up", width: 460, modeRow: false, fields: "two" },
            { tag: "459 fields stacked", width: 459, modeRow: false, fields: "one" },
        ]
    }

    // The card rearranges itself without recreating the field being typed in.
    function test_layoutByWidth(data) {
        const view = makeView("eth")
        const address = child(view, "addressField").field
        address.forceActiveFocus()
        address.cursorPosition = 4
        view.width = data.width
        tryVerify(() => {
            const id = box(view, "identityBlock"), seg = box(view, "modeSegment")
            const hint = box(view, "modeHint"), a = box(view, "addressField")
            const m = box(view, "maskField"), r = box(view, "routerField")
            const fieldsPlaced = data.fields === "row"
                ? near(a.y, m.y) && near(m.y, r.y) && a.right <= m.x && m.right <= r.x
                : data.fields === "two"
                  ? near(a.y, m.y) && a.right <= m.x && r.y >= a.bottom && near(r.x, a.x)
                  : near(a.x, m.x) && near(m.x, r.x) && m.y >= a.bottom && r.y >= m.bottom
            return fieldsPlaced
                && (data.wide ? a.x > id.right && a.y < id.bottom
                              : near(a.x, 22) && a.y > id.bottom)
                && (data.modeRow ? hint.x >= seg.right && hint.y < seg.bottom
                                 : near(hint.x, seg.x) && hint.y >= seg.bottom)
                && box(view, "actionRow").bottom < view.implicitHeight
        }, 3000, "arranged for " + data.width)
        compare(child(view, "addressField").field, address)
        verify(address.activeFocus)
        compare(address.cursorPosition, 4)
    }

    // Nothing to apply on a clean draft nor on a disabled service; a draft can still be dropped.
    function test_stateOfTheService_data() {
        return [
            { tag: "manual", card: "eth", status: "Connectée", edit: true, test: true },
            { tag: "dhcp", card: "wifi", status: "Connectée", edit: false, test: true },
            { tag: "no address", card: "noip", status: "Non connectée", edit: false, test: false },
            { tag: "blank address", card: "eth", changes: { ip: " \t\n " }, status: "Connectée",
              edit: true, test: false },
            { tag: "disabled", card: "off", status: "Désactivée", edit: false, test: false },
            { tag: "disabled under an edit", card: "eth", draft: true, status: "Désactivée",
              changes: { enabled: false, connected: false }, edit: false, test: false },
        ]
    }

    function test_stateOfTheService(data) {
        const view = makeView(data.card)
        if (data.draft)
            view.card.ip = "192.168.1.21"
        if (data.changes)
            Fixtures.refreshWith(data.card, data.changes)
        const on = data.status !== "Désactivée"
        compare(child(view, "statusLabel").text, data.status)
        compare(child(view, "activationSwitch").isOn, on)
        verify(child(view, "activationSwitch").enabled)
        compare(child(view, "modeSegment").enabled, on)
        for (const name of fields)
            compare(child(view, name).enabled, data.edit, name)
        compare(child(view, "testButton").enabled, data.test)
        verify(!child(view, "applyButton").enabled)
        compare(child(view, "cancelButton").enabled, data.draft === true)
        if (data.draft) {
            compare(child(view, "addressField").text, "192.168.1.21", "the edit survives")
            mouseClick(child(view, "cancelButton"))
            compare(child(view, "addressField").text, "192.168.1.20")
        }
    }

    function test_busyCard() {
        const view = makeView("eth")
        view.card.ip = "192.168.1.21"
        Fixtures.holdCommands()
        mouseClick(child(view, "activationSwitch"))
        compare(Fixtures.commands(), ["setServiceEnabled|eth|off"])
        verify(child(view, "activationSwitch").isOn, "the switch waits for the system")
        verify(view.opacity < 1)
        const spinner = child(view, "busySpinner")
        verify(spinner.visible && spinner.running)
        verify(spinner.contentItem.width >= 16 && spinner.contentItem.height >= 16,
               "the spinner has room to draw in")
        for (const name of controls)
            verify(!child(view, name).enabled, name + " while busy")
        Fixtures.setBusy("eth", false)
        compare(view.opacity, 1)
        const gone = findChild(view, "busySpinner")
        verify(gone === null || !gone.visible)
        for (const name of controls)
            verify(child(view, name).enabled, name + " afterwards")
    }

    // "Tester" pings the system's address, not the draft's, then the router.
    function test_testThenApply() {
        const view = makeView("eth")
        view.card.ip = "192.168.1.21"
        mouseClick(child(view, "testButton"))
        tryVerify(() => Fixtures.pings().length === 2 && !view.card.busy)
        compare(Fixtures.pings().map(p => p.replace(/\|\d+$/, "")),
                ["192.168.1.20|en0", "192.168.1.1|en0"])
        mouseClick(child(view, "applyButton"))
        compare(Fixtures.commands(), ["setManual|eth|192.168.1.21|255.255.255.0|192.168.1.1"])
    }

    function test_typing_data() {
        const kinds = Kinds.MessageKind
        return [
            { tag: "address", field: "addressField", keys: [Qt.Key_Backspace, Qt.Key_5],
              property: "ip", typed: "192.168.1.25", kind: kinds.error, colour: "danger" },
            { tag: "router", field: "routerField", keys: [Qt.Key_0, Qt.Key_0],
              property: "router", typed: "192.168.1.100", kind: kinds.success, colour: "success" },
        ]
    }

    // Typing drops the card's message and raises the draft revision once, not per key; the
    // field keeps focus, caret and text through a refresh; cancelling raises it again.
    function test_typing(data) {
        const view = makeView("eth")
        const message = child(view, "messageText")
        const start = appModel.draftRevision
        view.card.message = "Échec de la modification"
        view.card.messageKind = data.kind
        verify(Qt.colorEqual(message.color, ThemeState.palette[data.colour]))
        const field = child(view, data.field).field
        field.forceActiveFocus()
        field.cursorPosition = field.text.length
        for (const key of data.keys)
            keyClick(key)
        verify(message.text !== "Échec de la modification")
        compare(appModel.draftRevision, start + 1)

        field.cursorPosition = 3
        Fixtures.refreshWith("eth", { connected: false, router: "192.168.1.254" })
        compare(child(view, "statusLabel").text, "Non connectée", "the refresh reached the card")
        compare(child(view, data.field).field, field)
        verify(field.activeFocus)
        compare(field.cursorPosition, 3)
        compare(view.card[data.property], data.typed)
        compare(field.text, data.typed)
        compare(appModel.draftRevision, start + 1)
        mouseClick(child(view, "cancelButton"))
        compare(appModel.draftRevision, start + 2)
    }

    // Sizes are logical pixels: at the window's default width every service name of the demo
    // machine shows whole, in a 19-pixel font; one that is right-to-left or steers direction is
    // isolated from the text around it; a hardware name too long gives way to the device.
    function test_namesShowWhole_data() {
        return ["Ethernet", "Wi-Fi", "Adaptateur LAN USB", "Pont Thunderbolt", "VLAN Stockage",
                "Bond 1", "Écran Studio", "Ethernet Dock", "Adaptateur Thunderbolt",
                "VPN (tunnel)", "Point d'accès", "Wi-Fi Direct", "Liaison basse latence"]
            .map(name => ({ tag: name, name: name, hardware: "Ethernet" })).concat([
                { tag: "right-to-left override", name: "Wi\u202EFi", hardware: "Wi-Fi",
                  shown: "\u2068Wi\u202EFi\u2069" },
                { tag: "Hebrew", name: "רשת", hardware: "Ethernet", shown: "\u2068רשת\u2069" },
                { tag: "long hardware name", name: "Écran Studio", cut: true,
                  hardware: "Adaptateur Ethernet Thunderbolt 4 de l'écran Studio" },
                { tag: "long hardware name, a second address", name: "Écran Studio", cut: true,
                  hardware: "Adaptateur Ethernet Thunderbolt 4 de l'écran Studio",
                  others: ["192.168.100.15/24"] },
            ])
    }

    function test_namesShowWhole(data) {
        const view = makeView("eth")
        view.width = 1120 - 2 * 28
        Fixtures.refreshWith("eth", { serviceName: data.name, hardwareName: data.hardware,
                                      otherAddresses: data.others ?? [] })
        const name = child(view, "serviceName")
        compare(name.text, data.shown ?? data.name)
        compare(name.fontInfo.pixelSize, 19)
        tryVerify(() => name.width > 0 && !name.truncated, 1000, name.width + " wide")
        const hardware = child(view, "hardwareName")
        tryVerify(() => {
            const line = box(view, "metaLabel"), device = box(view, "deviceName")
            const last = data.others ? box(view, "otherAddresses") : device
            return last.right <= line.right + 0.5 && near(last.x, data.others ? device.right : last.x)
                && near(device.x, box(view, "hardwareName").x + hardware.contentWidth)
        }, 1000, "the device and the count of addresses whole, right after the hardware name")
        compare(hardware.truncated, data.cut === true)
        compare(child(view, "otherAddresses").text, data.others ? " · +1 adresse" : "")
        const info = Fixtures.card("eth").info
        compare(child(view, "metaLabel").Accessible.name, data.hardware + " — en0" + (data.others
            ? " — adresses : " + info.ip + "/24, " + data.others[0] : ""))
        compare(child(view, "statusLabel").fontInfo.pixelSize, 12)
        compare(child(view, "applyButton").implicitHeight, 34)
    }

    // Return in a field does what "Changer" does, and nothing when it could not.
    function test_returnInAField_data() {
        return [
            { tag: "changed draft", card: "eth", keys: [Qt.Key_1], sent: 1 },
            { tag: "unchanged draft", card: "eth", keys: [], sent: 0 },
            { tag: "invalid draft", card: "eth", keys: [Qt.Key_Period], sent: 0 },
        ]
    }

    function test_returnInAField(data) {
        const view = makeView(data.card)
        const field = child(view, "addressField").field
        field.forceActiveFocus()
        field.cursorPosition = field.text.length
        for (const key of data.keys)
            keyClick(key)
        keyClick(Qt.Key_Return)
        compare(Fixtures.commands().length, data.sent)
    }

    // Reached with Tab or Shift+Tab a field has its text selected; clicked into, it has not.
    function test_tabSelectsText() {
        const view = makeView("eth")
        const address = child(view, "addressField").field
        const mask = child(view, "maskField").field
        address.forceActiveFocus()
        address.deselect()
        keyClick(Qt.Key_Tab)
        verify(mask.activeFocus)
        compare(mask.selectedText, "255.255.255.0")
        keyClick(Qt.Key_Tab, Qt.ShiftModifier)
        verify(address.activeFocus)
        compare(address.selectedText, "192.168.1.20")
        mouseClick(mask)
        verify(mask.activeFocus)
        compare(mask.selectedText, "")
    }
}
