import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

TestCase {
    id: testCase

    name: "ContentView"
    width: 1120
    height: 700
    visible: true
    when: windowShown

    Component {
        id: contentComponent

        ContentView {
            width: testCase.width
            height: testCase.height
        }
    }

    function cleanup() {
        Fixtures.setSimulated(false)
    }

    function makeContent(model) {
        const content = createTemporaryObject(contentComponent, testCase, {model: model})
        verify(content, "the content view loads")
        return content
    }

    function isShown(item) {
        if (!item)
            return false
        for (let it = item; it; it = it.parent) {
            if (!it.visible || it.opacity === 0)
                return false
        }
        return true
    }

    function cardViews(content) {
        const list = content.cardsLayer.list
        tryVerify(() => list.itemAtIndex(list.count - 1) !== null, 5000, "every card view is made")
        const views = []
        for (let i = 0; i < list.count; ++i)
            views.push(list.itemAtIndex(i).cardView)
        return views
    }

    function test_searchingThenEmptyCard() {
        const model = Fixtures.newModel()
        const content = makeContent(model)

        compare(Fixtures.readsStarted(), 1, "showing the content starts the first read")
        verify(model.loading)
        verify(isShown(findChild(content, "searchingCard")))
        verify(!isShown(findChild(content, "emptyCard")))

        Fixtures.answerRead([])
        tryVerify(() => !model.loading)
        verify(!isShown(findChild(content, "searchingCard")))
        const emptyCard = findChild(content, "emptyCard")
        verify(isShown(emptyCard))

        const again = findChild(content, "emptyRefreshButton")
        verify(isShown(again))
        mouseClick(again)
        compare(Fixtures.readsStarted(), 2, "the empty card's button reads again")
        verify(model.loading)
        verify(isShown(findChild(content, "searchingCard")))
    }

    function test_cardsReplaceTheStateCard() {
        const model = Fixtures.newModel()
        const content = makeContent(model)
        Fixtures.answerRead(["a", "b", "c"])
        tryCompare(content.cardsLayer.list, "count", 3)
        verify(!isShown(findChild(content, "searchingCard")))
        verify(!isShown(findChild(content, "emptyCard")))
        const views = cardViews(content)
        compare(views.map(view => view.card.id), ["a", "b", "c"])
        for (const view of views) {
            verify(view.model === model)
            // Every card takes the 1120 column less its insets.
            compare(view.width, 1120 - 56)
            compare(view.mapToItem(content, 0, 0).x, 28)
        }
    }

    function test_firstLoadHappensOnce() {
        const model = Fixtures.newModel()
        const content = makeContent(model)
        compare(Fixtures.readsStarted(), 1)

        content.visible = false
        content.visible = true
        compare(Fixtures.readsStarted(), 1, "a read in flight is not doubled")

        Fixtures.answerRead(["a"])
        tryVerify(() => model.hasLoadedOnce)
        content.visible = false
        content.visible = true
        makeContent(model)
        compare(Fixtures.readsStarted(), 1, "a loaded model is not read again on showing")
    }

    function test_hiddenContentWaitsToLoad() {
        const model = Fixtures.newModel()
        const content = createTemporaryObject(contentComponent, testCase,
                                              {model: model, visible: false})
        compare(Fixtures.readsStarted(), 0)
        content.visible = true
        compare(Fixtures.readsStarted(), 1)
    }

    function test_refreshButton_data() {
        return [
            {tag: "idle", situation: "idle", enabled: true},
            {tag: "first read running", situation: "first read", enabled: false},
            {tag: "manual refresh running", situation: "refreshing", enabled: false},
            {tag: "a card busy", situation: "busy card", enabled: false},
        ]
    }

    function test_refreshButton(data) {
        const model = Fixtures.newModel()
        const content = makeContent(model)
        const button = findChild(content, "refreshButton")
        verify(button)
        if (data.situation !== "first read") {
            Fixtures.answerRead(["a"])
            tryVerify(() => !model.loading)
        }
        if (data.situation === "refreshing")
            model.requestRefresh(true)
        if (data.situation === "busy card") {
            Fixtures.holdCommands()
            model.requestSetEnabled(Fixtures.card("a"), false)
            verify(model.isBusy)
        }
        compare(button.enabled, data.enabled)

        const reads = Fixtures.readsStarted()
        mouseClick(button)
        compare(Fixtures.readsStarted(), reads + (data.enabled ? 1 : 0))
    }

    function test_tabsKeepBothLayers() {
        const model = Fixtures.newModel()
        const content = makeContent(model)
        Fixtures.answerRead(["a", "b", "c", "d", "e", "f"])
        tryCompare(content.cardsLayer.list, "count", 6)

        const cardsLayer = content.cardsLayer
        const pingLayer = content.pingLayer
        const list = cardsLayer.list
        tryVerify(() => list.itemAtIndex(0) !== null, 5000, "the first card view is made")
        const firstCard = list.itemAtIndex(0)
        Fixtures.card("b").ip = "10.0.0.9"
        list.contentY = 150
        compare(cardsLayer.opacity, 1)
        compare(pingLayer.opacity, 0)
        verify(!pingLayer.enabled)

        mouseClick(findChild(content, "pingTab"))
        compare(model.tab, Kinds.MainTab.ping)
        verify(!cardsLayer.enabled, "the hidden cards take no input at once")
        tryCompare(cardsLayer, "opacity", 0)
        tryCompare(pingLayer, "opacity", 1)
        verify(pingLayer.enabled)

        mouseClick(findChild(content, "cardsTab"))
        compare(model.tab, Kinds.MainTab.cards)
        tryCompare(cardsLayer, "opacity", 1)
        tryCompare(pingLayer, "opacity", 0)
        verify(content.cardsLayer === cardsLayer && content.pingLayer === pingLayer)
        verify(list.itemAtIndex(0) === firstCard, "the card views were not rebuilt")
        compare(list.contentY, 150)
        compare(Fixtures.card("b").ip, "10.0.0.9")
    }

    function test_tabsFromTheKeyboard() {
        const model = Fixtures.newModel()
        const content = makeContent(model)
        const pingTab = findChild(content, "pingTab")
        pingTab.forceActiveFocus(Qt.TabFocusReason)
        keyClick(Qt.Key_Space)
        compare(model.tab, Kinds.MainTab.ping)
        keyClick(Qt.Key_Backtab)
        verify(findChild(content, "cardsTab").activeFocus)
        keyClick(Qt.Key_Space)
        compare(model.tab, Kinds.MainTab.cards)
    }

    function test_timerRefreshesOnEveryTab() {
        const model = Fixtures.newModel()
        const content = makeContent(model)
        Fixtures.answerRead(["a"])
        tryVerify(() => !model.loading)

        model.tab = Kinds.MainTab.ping
        verify(content.refreshTimer.running)
        compare(content.refreshTimer.interval, 30000)
        content.refreshTimer.triggered()
        compare(Fixtures.readsStarted(), 2, "a tick on the ping tab still refreshes")
    }

    function test_headerFitsTheWindow_data() {
        return [
            {tag: "880", width: 880, simulated: false},
            {tag: "880, simulated machine", width: 880, simulated: true},
            {tag: "1000, simulated machine", width: 1000, simulated: true},
            {tag: "1120, simulated machine", width: 1120, simulated: true},
            {tag: "1600, simulated machine", width: 1600, simulated: true},
        ]
    }

    // However narrow the window (down to its minimum), the pills give way and the refresh
    // button stays whole at the right inset.
    function test_headerFitsTheWindow(data) {
        Fixtures.setSimulated(data.simulated)
        const content = makeContent(Fixtures.newModel())
        content.width = data.width
        const button = findChild(content, "refreshButton")
        const admin = findChild(content, "adminPill")
        waitForRendering(content)
        const right = button.mapToItem(content, button.width, 0).x
        compare(right, data.width - 28)
        verify(admin.mapToItem(content, admin.width, 0).x <= button.mapToItem(content, 0, 0).x - 14)
        const simulated = findChild(content, "simulatedPill")
        compare(simulated.visible, data.simulated)
        if (data.simulated)
            verify(simulated.mapToItem(content, simulated.width, 0).x <= admin.mapToItem(content, 0, 0).x - 14)
    }

    function test_footer() {
        const content = makeContent(Fixtures.newModel())
        const rights = findChild(content, "rightsLine")
        const year = new Date().getFullYear()
        verify(rights.text.startsWith("© " + year + " " + AppInfo.makerName),
               rights.text)
        compare(findChild(content, "websiteLink").text, AppInfo.websiteLabel)
        verify(!AppInfo.websiteLabel.includes("/"), AppInfo.websiteLabel)
        compare(findChild(content, "donationLink").text, "Faire un don")
    }
}
