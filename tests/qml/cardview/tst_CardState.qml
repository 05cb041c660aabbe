import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

// What the card shows and allows for each state of its service and of its own operations.
TestCase {
    id: testCase
    name: "CardState"
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

    function sameColor(actual, expected, what) {
        verify(Qt.colorEqual(actual, expected), what + ": " + actual + " instead of " + expected)
    }

    function test_identityAndStatus_data() {
        const p = ThemeState.palette
        return [
            { tag: "connected ethernet", card: "eth", status: "Connectée", tint: p.success,
              symbol: "network", symbolColor: p.accent, badge: p.accentSoft,
              meta: "Ethernet — en0" },
            { tag: "wifi", card: "wifi", status: "Connectée", tint: p.success,
              symbol: "wifi", symbolColor: p.wifi, badge: p.wifiSoft, meta: "Wi-Fi — en1" },
            { tag: "enabled without link", card: "noip", status: "Non connectée", tint: p.warning,
              symbol: "network", symbolColor: p.accent, badge: p.accentSoft,
              meta: "Ethernet — en5" },
            { tag: "disabled other kind", card: "off", status: "Désactivée", tint: p.textMuted,
              symbol: "network", symbolColor: p.textMuted, badge: p.surfaceSunken,
              meta: "Ethernet — bridge0" },
        ]
    }

    function test_identityAndStatus(data) {
        const view = makeView(data.card)
        compare(child(view, "metaLabel").text, data.meta)
        compare(child(view, "statusLabel").text, data.status)
        sameColor(child(view, "statusLabel").color, data.tint, "status label")
        sameColor(child(view, "statusDot").color, data.tint, "status dot")
        compare(child(view, "kindSymbol").name, data.symbol)
        sameColor(child(view, "kindSymbol").color, data.symbolColor, "symbol")
        sameColor(child(view, "kindBadge").color, data.badge, "badge")
    }

    function test_editability_data() {
        return [
            { tag: "manual", card: "eth", mode: true, fields: true, test: true },
            { tag: "dhcp", card: "wifi", mode: true, fields: false, test: true },
            { tag: "no address", card: "noip", mode: true, fields: false, test: false },
            { tag: "disabled", card: "off", mode: false, fields: false, test: false },
        ]
    }

    function test_editability(data) {
        const view = makeView(data.card)
        compare(child(view, "modeSegment").enabled, data.mode)
        for (const name of ["addressField", "maskField", "routerField"])
            compare(child(view, name).enabled, data.fields, name)
        compare(child(view, "testButton").enabled, data.test)
        // A clean draft has nothing to cancel or apply.
        verify(!child(view, "cancelButton").enabled)
        verify(!child(view, "applyButton").enabled)
        verify(child(view, "activationSwitch").enabled)
        compare(child(view, "activationSwitch").isOn, data.card !== "off")
    }

    function test_testNeedsAnAddress_data() {
        return [
            { tag: "address", ip: "192.168.1.20", enabled: true },
            { tag: "empty", ip: "", enabled: false },
            { tag: "white space and line breaks", ip: " \t\n ", enabled: false },
        ]
    }

    function test_testNeedsAnAddress(data) {
        const view = makeView("eth")
        Fixtures.refreshWith(fixtureModel, "eth", { ip: data.ip })
        compare(view.card.info.ip, data.ip)
        compare(child(view, "testButton").enabled, data.enabled)
    }

    function test_serviceDisabledUnderAnEdit() {
        const view = makeView("eth")
        view.card.ip = "192.168.1.21"
        verify(view.card.isDirty)
        verify(child(view, "applyButton").enabled)

        Fixtures.refreshWith(fixtureModel, "eth", { enabled: false, connected: false })
        compare(child(view, "statusLabel").text, "Désactivée")
        sameColor(child(view, "statusLabel").color, ThemeState.palette.textMuted, "status")
        verify(!child(view, "activationSwitch").isOn)
        verify(!child(view, "applyButton").enabled, "nothing to apply on a disabled service")
        verify(!child(view, "testButton").enabled, "its address is there, the service is not")
        verify(!child(view, "modeSegment").enabled)
        for (const name of ["addressField", "maskField", "routerField"])
            verify(!child(view, name).enabled, name)
        compare(child(view, "addressField").text, "192.168.1.21", "the edit survives")

        const cancel = child(view, "cancelButton")
        verify(cancel.enabled, "the edit can still be dropped")
        cancel.clicked()
        verify(!view.card.isDirty)
        compare(child(view, "addressField").text, "192.168.1.20")
        verify(!cancel.enabled)
    }

    function test_busyCard() {
        const view = makeView("eth")
        view.card.ip = "192.168.1.21"
        const spinner = child(view, "busySpinner")
        compare(view.opacity, 1)
        verify(!spinner.visible)

        Fixtures.setBusy(view.card, true)
        compare(view.opacity, 0.92)
        verify(spinner.visible)
        verify(spinner.running)
        for (const name of ["activationSwitch", "testButton", "cancelButton", "applyButton",
                            "modeSegment", "addressField", "maskField", "routerField"])
            verify(!child(view, name).enabled, name + " disabled while busy")

        Fixtures.setBusy(view.card, false)
        compare(view.opacity, 1)
        verify(!spinner.visible)
        for (const name of ["activationSwitch", "testButton", "cancelButton", "applyButton",
                            "modeSegment", "addressField"])
            verify(child(view, name).enabled, name + " enabled again")
    }

    function test_operationInFlightKeepsTheCardBusy() {
        const view = makeView("eth")
        Fixtures.holdCommands(fixtureModel)
        child(view, "activationSwitch").toggled()
        compare(Fixtures.commands(fixtureModel), ["setServiceEnabled|Ethernet|off"])
        verify(view.card.busy)
        verify(child(view, "activationSwitch").isOn, "the switch waits for the system")
        verify(!child(view, "activationSwitch").enabled)
        compare(view.opacity, 0.92)
    }
}
