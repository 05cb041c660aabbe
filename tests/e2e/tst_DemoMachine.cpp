// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Whole stories through the application's main window, on a copy of the demo machine with the
// real stand-in programs behind it.
#include "AppDelegate.h"
#include "AppModel.h"
#include "ChangeMessages.h"
#include "PlatformServices.h"
#include "ProfileEditor.h"
#include "ProfileFile.h"
#include "ProfilesModel.h"
#include "QuitGuard.h"
#include "SimulatedMachine.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QtQml/QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

namespace {

// A copy of the demo machine and the main window over it, made as the application makes them.
// The flows' pauses are the product's; the machine answers without them.
class Session {
public:
    Session()
    {
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
        SystemServices services = simulatedServices(path, SystemTools(TestSupport::simRoot()));
        services.wait = [](std::chrono::milliseconds) -> QCoro::Task<> { co_return; };
        model = std::make_unique<AppModel>(services);
        profiles = std::make_unique<ProfilesModel>(dir.filePath("profiles.json"), model.get());
        engine.addImportPath("qrc:/qt/qml");
        engine.setInitialProperties({{"appModel", QVariant::fromValue(model.get())},
                                     {"profiles", QVariant::fromValue(profiles.get())}});
        engine.load(QUrl("qrc:/qt/qml/Brisvale/qml/Main.qml"));
        window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
        window->show();
        window->requestActivate();
        if (!QTest::qWaitForWindowActive(window) ||
            !QTest::qWaitFor([this] { return model->hasLoadedOnce(); }, 10000))
            qFatal("the demo machine's cards did not come");
    }

    QByteArray bytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // As another program would change the file.
    bool write(const QByteArray &text) const
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) >= 0;
    }
    QJsonObject service(const QString &name) const
    {
        for (const QJsonValue &service : QJsonDocument::fromJson(bytes())["services"].toArray())
            if (service["UserDefinedName"].toString() == name)
                return service.toObject();
        return {};
    }
    AdapterCardModel *card(const QString &name) const
    {
        for (AdapterCardModel *card : model->cards())
            if (card->info().serviceName == name)
                return card;
        qFatal("no card %s", qPrintable(name));
    }

    // An item of the card's view, scrolled into sight once the cards have stopped moving: the
    // list hands views from card to card, so it is looked for at every step.
    QQuickItem *item(AdapterCardModel *card, const char *name) const
    {
        auto *list = window->findChild<QQuickItem *>("cardList");
        QTest::qWait(700); // clicks are held a moment after the cards changed places
        QQuickItem *slot = nullptr;
        const bool shown = QTest::qWaitFor([&] {
            const int index = int(model->cards().indexOf(card));
            QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, index),
                                      Q_ARG(int, 4 /* ListView.Contain */));
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, slot),
                                      Q_ARG(int, index));
            return slot != nullptr;
        });
        QQuickItem *found = shown ? slot->findChild<QQuickItem *>(name) : nullptr;
        if (!found || !found->isVisible() || !found->isEnabled())
            qFatal("%s cannot be used", name);
        return found;
    }
    void click(QQuickItem *item) const
    {
        QTest::mouseClick(window, Qt::LeftButton, {},
                          item->mapToScene({item->width() / 2, item->height() / 2}).toPoint());
    }
    // A usable item under `root` (the window, a popup's content, a list's row).
    QQuickItem *find(QObject *root, const char *name) const
    {
        QQuickItem *found = nullptr;
        // Long enough for a dialog made in the background under the sanitizers.
        if (!QTest::qWaitFor(
                [&] {
                    found = root->findChild<QQuickItem *>(name);
                    return found && found->isVisible() && found->isEnabled();
                },
                30000))
            qFatal("%s cannot be used", name);
        return found;
    }
    // The content of a popup, once its dialogs are made (in the background).
    QQuickItem *popup(const char *name) const
    {
        QObject *found = nullptr;
        if (!QTest::qWaitFor([&] { return (found = window->findChild<QObject *>(name)); }, 30000))
            qFatal("no %s", name);
        return found->property("contentItem").value<QQuickItem *>();
    }
    // A row of a list other than the cards', scrolled into sight.
    QQuickItem *row(const char *list, int index) const
    {
        // The list builds the row once it has laid itself out again, later on a slow machine.
        QQuickItem *view = find(window, list), *found = nullptr;
        QTest::qWaitFor(
            [&] {
                QMetaObject::invokeMethod(view, "positionViewAtIndex", Q_ARG(int, index),
                                          Q_ARG(int, 4));
                QMetaObject::invokeMethod(view, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, found),
                                          Q_ARG(int, index));
                return found != nullptr;
            },
            30000);
        if (!found)
            qFatal("row %d of %s never came", index, list);
        return found;
    }
    void type(AdapterCardModel *card, const char *field, const QByteArray &text)
    {
        type(item(card, field), text);
    }
    // Into a text field, or the field of a labelled one.
    void type(QQuickItem *item, const QByteArray &text)
    {
        QQuickItem *field = item->findChild<QQuickItem *>("field");
        click(field ? field : item);
        QTest::keySequence(window, QKeySequence::SelectAll);
        QTest::keyClick(window, Qt::Key_Backspace);
        for (const char c : text)
            QTest::keyClick(window, c);
    }
    MessageKind press(AdapterCardModel *card, const char *button)
    {
        card->setMessageKind(MessageKind::info);
        click(item(card, button));
        const bool done = QTest::qWaitFor(
            [card] { return !card->busy() && card->messageKind() > MessageKind::info; }, 30000);
        return done ? card->messageKind() : MessageKind::none;
    }

    QTemporaryDir dir;
    const QString path = TestSupport::copyDemoMachine(dir);
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ProfilesModel> profiles;
    QQmlApplicationEngine engine;
    QQuickWindow *window = nullptr;
};

} // namespace

class tst_DemoMachine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QQuickStyle::setStyle("Basic");
    }

    // On the card with a second address, a new first address is written beside the second; the
    // card is then switched off and on, and its test answers.
    void aCardIsChangedSwitchedAndTested()
    {
        Session session;
        AdapterCardModel *card = session.card("Écran Studio");
        QCOMPARE(card->info().otherAddresses, QStringList{"192.168.100.15/24"});

        session.type(card, "addressField", "192.168.3.77");
        QCOMPARE(session.press(card, "applyButton"), MessageKind::success);
        const QJsonValue ipv4 = session.service("Écran Studio")["IPv4"];
        QCOMPARE(ipv4["Addresses"].toArray(), QJsonArray({"192.168.3.77", "192.168.100.15"}));
        QCOMPARE(ipv4["SubnetMasks"].toArray(), QJsonArray({"255.255.255.0", "255.255.255.0"}));

        for (const bool on : {false, true}) {
            QCOMPARE(session.press(card, "activationSwitch"), MessageKind::success);
            QCOMPARE(session.service("Écran Studio")["Enabled"].toBool(), on);
            QCOMPARE(card->info().enabled, on);
            QCOMPARE(card->info().connected, on);
        }
        QCOMPARE(session.press(card, "testButton"), MessageKind::success);
    }

    // Quitting with an unapplied edit applies it first. While another program has given a second
    // service the card's name, the change is refused before anything is sent and the application
    // stays, the draft kept through a refresh; once the name is unique again, quitting applies it.
    void quittingAppliesTheUnappliedEdit()
    {
        Session session;
        AdapterCardModel *card = session.card("Ethernet");
        session.type(card, "addressField", "192.168.1.77");
        // An empty router goes as the placeholder.
        session.type(card, "routerField", "");
        QList<bool> replies;
        AppDelegate delegate({
            [](const AppDelegate::QuitTexts &, std::function<void(QuitChoice)> handler) {
                QTimer::singleShot(0, [handler] { handler(QuitChoice::primary); });
            },
            [&](bool quit) { replies << quit; },
            [] {},
        });
        delegate.setModel(session.model.get());
        QuitGuard guard(session.window, &delegate);

        const QByteArray original = session.bytes();
        QVERIFY(session.write(QByteArray(original).replace("\"UserDefinedName\": \"Wi-Fi\",",
                                                           "\"UserDefinedName\": \"Ethernet\",")));
        const QByteArray shared = session.bytes();
        session.window->close();
        QTRY_COMPARE_WITH_TIMEOUT(replies, QList<bool>{false}, 20000);
        QCOMPARE(card->message(), ChangeMessages::sharedNameRefusal("Ethernet"));
        QCOMPARE(session.bytes(), shared);
        QVERIFY(session.window->isVisible());

        QVERIFY(session.write(original));
        QTest::keyClick(session.window, Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY(!session.model->loading());
        QCOMPARE(card->ip(), "192.168.1.77");
        session.window->close();
        QTRY_COMPARE_WITH_TIMEOUT(replies, (QList<bool>{false, true}), 20000);
        QVERIFY(!card->isDirty());
        const QJsonValue ipv4 = session.service("Ethernet")["IPv4"];
        QCOMPARE(ipv4["Addresses"].toArray(), QJsonArray({"192.168.1.77"}));
        QCOMPARE(ipv4["Router"].toString(), "0.0.0.0");
    }

    // A profile of two services, made in its dialog with a new address for one, is applied over
    // a change made by hand, shown "Actif", exported, and imported into an empty profiles file.
    void aProfileIsMadeAppliedExportedAndImported()
    {
        Session session;
        session.click(session.find(session.window, "profilesTab"));
        session.click(session.find(session.window, "newProfileButton"));
        QQuickItem *editor = session.popup("editorDialog");
        session.type(session.find(editor, "profileNameField"), "Labo");
        const QStringList kept{"Ethernet", "Wi-Fi"};
        for (int index = 0; index < session.profiles->editor()->rowCount(); ++index) {
            QQuickItem *row = session.row("editorRows", index);
            const auto *card = row->property("card").value<AdapterCardModel *>();
            if (row->property("included").toBool() != kept.contains(card->info().serviceName))
                session.click(session.find(row, "includedTick"));
            if (card->info().serviceName == "Ethernet")
                session.type(session.find(row, "addressField"), "192.168.1.77");
        }
        session.click(session.find(editor, "editorSaveButton"));
        QTRY_COMPARE(session.profiles->names(), QStringList{"Labo"});

        session.click(session.find(session.window, "cardsTab"));
        AdapterCardModel *ethernet = session.card("Ethernet");
        session.type(ethernet, "addressField", "192.168.1.99");
        QCOMPARE(session.press(ethernet, "applyButton"), MessageKind::success);
        session.click(session.find(session.window, "profilesTab"));
        QQuickItem *card = nullptr;
        QTRY_VERIFY(card = session.row("profileList", 0));
        QVERIFY(!card->findChild<QQuickItem *>("activePill")->isVisible());

        session.click(session.find(card, "applyProfileButton"));
        QTRY_COMPARE_WITH_TIMEOUT(session.model->statusText(),
                                  "Profil « Labo » appliqué et vérifié.", 30000);
        QCOMPARE(session.service("Ethernet").value("IPv4")["Addresses"].toArray(),
                 QJsonArray({"192.168.1.77"}));
        QCOMPARE(session.service("Wi-Fi").value("IPv4")["ConfigMethod"].toString(), "DHCP");
        QTRY_VERIFY(card->findChild<QQuickItem *>("activePill")->isVisible());

        // Offscreen the file dialog is Qt Quick's own: its name field is typed in, its Open
        // button is the dialog's accept().
        session.click(session.find(session.window, "exportButton"));
        QObject *dialog = nullptr;
        QTRY_VERIFY(dialog = session.window->findChild<QObject *>("exportFileDialog"));
        dialog->setProperty("currentFolder", QUrl::fromLocalFile(session.dir.path()));
        session.type(session.find(session.window, "fileNameTextField"), "export");
        QMetaObject::invokeMethod(dialog, "accept");
        QTRY_COMPARE(session.model->statusText(), "1 profil exporté dans « export.json ».");

        const QString otherPath = session.dir.filePath("other.json");
        QVERIFY(!ProfileFile::save(otherPath, {}));
        ProfilesModel second(otherPath, session.model.get());
        QTRY_VERIFY(second.loaded());
        second.openImport(QUrl::fromLocalFile(session.dir.filePath("export.json")));
        QTRY_VERIFY(second.importOpen());
        QCOMPARE(second.importAdded(), QStringList{"Labo"});
        second.confirmImport(false);
        QTRY_VERIFY(second.count() == 1 && !second.saving());
        const auto read = [](const QString &path) {
            QFile file(path);
            return ProfileFile::parse(file.open(QIODevice::ReadOnly) ? file.readAll() : "");
        };
        QTRY_COMPARE(read(otherPath).profiles, read(session.profiles->path()).profiles);
        QCOMPARE(read(otherPath).profiles.size(), 1);
    }
};

QTEST_MAIN(tst_DemoMachine)
#include "tst_DemoMachine.moc"
