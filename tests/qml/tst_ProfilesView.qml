// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtTest
import Brisvale
import BrisvaleTest

// The Profils tab says what its file holds, offers the backup only when it reads, and asks
// before a profile goes.
TestCase {
    id: testCase
    name: "ProfilesView"
    width: 880
    height: 620
    visible: true
    when: windowShown

    Component {
        id: viewComponent
        ProfilesView { width: testCase.width; height: testCase.height }
    }
    Component {
        id: dialogsComponent
        ProfileDialogs { anchors.fill: parent }
    }

    function init() { failOnWarning(/.*/) }

    function makeView(file, backup) {
        const appModel = Fixtures.newModel(true)
        const profiles = Fixtures.newProfiles(file, backup)
        const view = createTemporaryObject(viewComponent, testCase, { appModel, profiles })
        tryVerify(() => profiles.loaded)
        return view
    }

    // file, backup: the texts ("labo": a file with one profile); state: the card shown, if any.
    function test_states_data() {
        return [
            { tag: "no file", file: "", backup: "", state: "emptyCard", restore: false },
            { tag: "unreadable", file: "{", backup: "", state: "problemCard", restore: false },
            { tag: "unreadable backup", file: "{", backup: "{", state: "problemCard",
              restore: false },
            { tag: "backup reads", file: "{", backup: "labo", state: "problemCard",
              restore: true },
            { tag: "one profile", file: "labo", backup: "", state: "", restore: false },
        ]
    }
    function test_states(data) {
        const text = name => name === "labo" ? Fixtures.profilesText(["Labo"]) : name
        const view = makeView(text(data.file), text(data.backup))
        const card = view.list.headerItem.children[0]
        compare(card.visible ? card.objectName : "", data.state)
        const restore = findChild(view.list.headerItem, "restoreBackupButton")
        compare(restore.visible, data.restore)
        if (!data.restore)
            return
        mouseClick(restore)
        tryVerify(() => view.profiles.count === 1 && view.profiles.problem === "")
        verify(!card.visible)
    }

    // Escape keeps the profile; only the dialog's "Supprimer" removes it.
    function test_removeAsksFirst() {
        const view = makeView(Fixtures.profilesText(["Labo", "Bureau"]), "")
        tryVerify(() => view.list.itemAtIndex(0) !== null)
        const dialog = findChild(view, "removeDialog")
        mouseClick(findChild(view.list.itemAtIndex(0), "removeButton"))
        tryVerify(() => dialog.opened)
        keyClick(Qt.Key_Escape)
        tryVerify(() => !dialog.visible)
        compare(view.profiles.names, ["Labo", "Bureau"])
        mouseClick(findChild(view.list.itemAtIndex(1), "removeButton"))
        tryVerify(() => dialog.opened)
        mouseClick(findChild(dialog.contentItem, "acceptButton"))
        compare(view.profiles.names, ["Labo"])
    }

    // A card's draft saved into a profile from the chooser, then that profile applied after the
    // question about the draft, answered with Return.
    function test_saveThenApply() {
        const view = makeView(Fixtures.profilesText(["Labo"]), "")
        const dialogs = createTemporaryObject(dialogsComponent, testCase,
                                              { profiles: view.profiles })
        const card = Fixtures.card("wifi")
        card.dns = "9.9.9.9"
        view.profiles.offerSaveOf(card)
        const chooser = findChild(dialogs, "saveToProfileDialog")
        tryVerify(() => chooser.opened)
        const labo = findChild(chooser.contentItem, "profileChoice")
        compare(labo.title, "Labo")
        mouseClick(labo)
        tryVerify(() => !chooser.visible)
        tryVerify(() => view.list.itemAtIndex(0)?.lines.length === 2)
        view.profiles.requestApply("Labo")
        const question = findChild(dialogs, "applyDialog")
        tryVerify(() => question.opened)
        compare(question.message,
                "« wifi » a une modification non appliquée que le profil remplacera.")
        keyClick(Qt.Key_Return)
        tryVerify(() => (view.list.itemAtIndex(0)?.message ?? "") !== "")
    }
}
