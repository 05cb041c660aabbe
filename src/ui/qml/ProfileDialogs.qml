// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Brisvale

// The profiles' dialogs that the model opens, whichever tab is shown: a card's "Enregistrer dans
// un profil…" opens them from the cards.
Item {
    id: root

    required property ProfilesModel profiles

    function quotedList(names) {
        // Isolated, a right-to-left name keeps its own order instead of taking the sentence's;
        // no-break spaces keep the guillemets on the name's lines. The isolates are made here:
        // written in the text, they would land raw in the compiled cache's C++.
        const isolate = String.fromCharCode(0x2068), closing = String.fromCharCode(0x2069)
        return names.map(name => "«\u00a0" + isolate + name + closing + "\u00a0»").join(", ")
    }

    ProfileEditorDialog {
        objectName: "editorDialog"
        profiles: root.profiles
    }

    ChoiceDialog {
        objectName: "applyDialog"
        wanted: root.profiles.applyQuestion !== ""
        title: "Appliquer le profil ?"
        message: root.profiles.applyQuestion
        acceptText: "Appliquer"
        onAccepted: root.profiles.confirmApply()
        onCanceled: root.profiles.cancelApply()
    }

    ChoiceDialog {
        objectName: "importDialog"
        wanted: root.profiles.importOpen
        readonly property bool clashes: root.profiles.importClashing.length > 0
        title: "Importer des profils"
        message: "Rien ne change avant votre confirmation."
        acceptText: clashes ? "Remplacer" : "Importer"
        alternativeText: clashes ? "Garder les deux" : ""
        onAccepted: root.profiles.confirmImport(true)
        onAlternative: root.profiles.confirmImport(false)
        onCanceled: root.profiles.cancelImport()

        Text {
            objectName: "importAdded"
            Layout.fillWidth: true
            visible: root.profiles.importAdded.length > 0
            text: "Ajoutés : " + root.quotedList(root.profiles.importAdded)
            wrapMode: Text.Wrap
            font.pixelSize: ThemeState.textSize.label
            color: ThemeState.palette.text
        }
        Text {
            objectName: "importClashing"
            Layout.fillWidth: true
            visible: root.profiles.importClashing.length > 0
            text: "Même nom qu'un profil existant : " + root.quotedList(root.profiles.importClashing)
                  + ". «\u00a0Remplacer\u00a0» les remplace, «\u00a0Garder les deux\u00a0» les ajoute sous "
                  + "un autre nom."
            wrapMode: Text.Wrap
            font.pixelSize: ThemeState.textSize.label
            color: ThemeState.palette.warning
        }
    }

    ChoiceDialog {
        id: saveDialog

        objectName: "saveToProfileDialog"
        wanted: root.profiles.savingCard !== null
        title: "Enregistrer dans un profil"
        message: root.profiles.savingCard
                 ? "La configuration de " + root.quotedList([root.profiles.savingCard.info.serviceName])
                   + " (ou sa modification non appliquée) rejoint le profil choisi."
                 : ""
        acceptText: "Nouveau profil…"
        onAccepted: root.profiles.saveCardInto("")
        onCanceled: root.profiles.cancelSaveOfCard()

        Repeater {
            model: saveDialog.wanted ? root.profiles.names : []

            FlatButton {
                required property string modelData

                objectName: "profileChoice"
                Layout.fillWidth: true
                title: modelData
                kind: "secondary"
                Accessible.name: "Enregistrer dans le profil " + modelData
                onClicked: root.profiles.saveCardInto(modelData)
            }
        }
    }
}
