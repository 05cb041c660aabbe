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
    readonly property var fields: ["addressField", "maskField", "routerField", "dnsField"]

    function init() { failOnWarning(/.*/) } // a binding loop, above all
    function makeView(cardId) {
        appModel = Fixtures.newModel(true)
        return createTemporaryObject(cardComponent, testCase,
                                     { card: Fixtures.card(cardId), appModel: appModel, width: 1000 })
    }

    function child(view, name) { return findChild(view, name) || fail("no " + name) }

    function rightOf(view, name) {
        const item = child(view, name)
        return item.mapToItem(view, item.width, 0).x
    }

    function type(view, name, keys) {
        const field = child(view, name).field
        field.forceActiveFocus()
        field.cursorPosition = field.text.length
        for (const key of keys)
            keyClick(key)
        return field
    }

    // Nothing to apply on a clean draft nor on a disabled service, nothing to press while the
    // system answers; a draft can still be dropped.
    function test_stateOfTheService_data() {
        return [
            { tag: "manual", card: "eth", status: "Connectée", edit: true, test: true },
            { tag: "dhcp", card: "wifi", status: "Connectée", edit: false, dns: true, test: true },
            { tag: "no address", card: "noip", status: "Non connectée", edit: false, dns: true,
              test: false },
            { tag: "blank address", card: "eth", changes: { ip: " \t\n " }, status: "Connectée",
              edit: true, test: false },
            { tag: "disabled", card: "off", status: "Désactivée", edit: false, test: false },
            { tag: "disabled under an edit", card: "eth", draft: true, status: "Désactivée",
              changes: { enabled: false, connected: false }, edit: false, test: false },
            { tag: "busy", card: "eth", busy: true, status: "Connectée", edit: false, test: false },
        ]
    }

    function test_stateOfTheService(data) {
        const view = makeView(data.card)
        if (data.draft)
            view.card.ip = "192.168.1.21"
        if (data.changes)
            Fixtures.refreshWith(data.card, data.changes)
        Fixtures.setBusy(view.card, data.busy === true)
        compare(child(view, "statusLabel").text, data.status)
        compare(child(view, "activationSwitch").isOn, data.status !== "Désactivée")
        compare(child(view, "activationSwitch").enabled, data.busy !== true)
        compare(child(view, "modeSegment").enabled, data.status !== "Désactivée" && !data.busy)
        for (const name of fields)
            compare(child(view, name).enabled, name === "dnsField" && data.dns || data.edit, name)
        compare(child(view, "testButton").enabled, data.test)
        verify(!child(view, "applyButton").enabled)
        compare(child(view, "cancelButton").enabled, data.draft === true)
        if (data.draft) {
            compare(child(view, "addressField").text, "192.168.1.21", "the edit survives")
            mouseClick(child(view, "cancelButton"))
            compare(child(view, "addressField").text, "192.168.1.20")
        }
    }

    // Typing drops the card's message and raises the draft revision once, not per key nor on
    // a refresh; the typed text stays through it; cancelling raises the revision again.
    function test_typing() {
        const view = makeView("eth")
        const start = appModel.draftRevision
        view.card.message = "Échec de la modification"
        const field = type(view, "routerField", [Qt.Key_0, Qt.Key_0])
        verify(child(view, "messageText").text !== "Échec de la modification")
        compare(appModel.draftRevision, start + 1)
        Fixtures.refreshWith("eth", { connected: false, router: "192.168.1.254" })
        compare(field.text, "192.168.1.100")
        compare(appModel.draftRevision, start + 1)
        mouseClick(child(view, "cancelButton"))
        compare(appModel.draftRevision, start + 2)
    }

    // At the window's default width a service name shows whole, in a 19-pixel font; one that
    // steers direction is isolated; a hardware name too long gives way to the device.
    function test_namesShowWhole_data() {
        return [{ tag: "long name", name: "Liaison basse latence", hardware: "Ethernet" },
                { tag: "right-to-left override", name: "Wi\u202EFi", hardware: "Wi-Fi",
                  shown: "\u2068Wi\u202EFi\u2069" },
                { tag: "Hebrew", name: "רשת", hardware: "Ethernet", shown: "\u2068רשת\u2069" },
                { tag: "long hardware name", name: "Écran Studio", cut: true,
                  hardware: "Adaptateur Ethernet Thunderbolt 4 de l'écran Studio" }]
    }

    function test_namesShowWhole(data) {
        const view = makeView("eth")
        view.width = 1120 - 2 * 28
        Fixtures.refreshWith("eth", { serviceName: data.name, hardwareName: data.hardware })
        const name = child(view, "serviceName")
        compare(name.text, data.shown ?? data.name)
        compare(name.fontInfo.pixelSize, 19)
        tryVerify(() => name.width > 0 && !name.truncated, 1000, name.width + " wide")
        tryVerify(() => rightOf(view, "deviceName") <= rightOf(view, "metaLabel") + 0.5, 1000,
                  "the device shows whole")
        compare(child(view, "hardwareName").truncated, data.cut === true)
    }

    // Return in a field does what "Changer" does, with the draft, and nothing when it could
    // not: then the field refused, and only it, is marked.
    function test_returnInAField_data() {
        return [
            { tag: "changed address", field: "addressField", keys: [Qt.Key_1],
              sent: "192.168.1.201|255.255.255.0|192.168.1.1" },
            { tag: "changed router", field: "routerField", keys: [Qt.Key_0],
              sent: "192.168.1.20|255.255.255.0|192.168.1.10" },
            { tag: "unchanged draft", field: "addressField", keys: [] },
            { tag: "invalid address", field: "addressField", keys: [Qt.Key_Period], marked: true },
            { tag: "invalid router", field: "routerField", keys: [Qt.Key_Period], marked: true },
            { tag: "invalid DNS", field: "dnsField", keys: [Qt.Key_Period], marked: true,
              said: "Serveur DNS invalide : ." },
        ]
    }

    function test_returnInAField(data) {
        const view = makeView("eth")
        type(view, data.field, data.keys)
        keyClick(Qt.Key_Return)
        compare(Fixtures.commands(), data.sent ? ["setManual|eth|" + data.sent] : [])
        for (const name of fields)
            compare(child(view, name).invalid, data.marked === true && name === data.field, name)
        if (data.said)
            compare(child(view, "messageText").text, data.said)
    }

    // A removed card's view goes at the list's next frame, which may come after the card itself
    // was deleted: the view then shows an empty card quietly.
    function test_cardGoesBeforeItsView_data() {
        return [{ tag: "idle" }, { tag: "busy", busy: true }, { tag: "with a draft", draft: true }]
    }

    function test_cardGoesBeforeItsView(data) {
        const card = Fixtures.looseCard()
        Fixtures.setBusy(card, data.busy === true)
        if (data.draft)
            card.ip = "192.168.1.21"
        const view = createTemporaryObject(cardComponent, testCase,
                                           { card: card, appModel: Fixtures.newModel() })
        compare(view.busy, data.busy === true)
        Fixtures.dropCard(card)
        compare(view.card, null)
        compare(view.busy, false)
        wait(0)
    }
}
