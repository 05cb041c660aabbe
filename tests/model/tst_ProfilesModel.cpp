// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileEditor.h"
#include "ProfileFile.h"
#include "ProfilesModel.h"
#include "support/FakeSystem.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Ethernet (eth, manual, DNS 192.168.1.1) and Wi-Fi (wifi, DHCP), read once; the profiles kept
// in a scratch file that `bytes` fills before they are read.
struct Profiles {
    QTemporaryDir dir;
    FakeModel fake;
    QList<AdapterInfo> read = adaptersFor({"eth", "wifi"});
    std::unique_ptr<ProfilesModel> model;

    explicit Profiles(const QList<Profile> &kept = {}, const QByteArray &bytes = {})
    {
        read[0].dnsServers = {"192.168.1.1"};
        read[1].serviceName = "Wi-Fi", read[1].dhcp = true;
        reread();
        QTRY_COMPARE(fake.model.cardCount(), 2);
        if (!bytes.isEmpty() || !kept.isEmpty())
            write(bytes.isEmpty() ? ProfileFile::serialize(kept) : bytes);
        model = std::make_unique<ProfilesModel>(path(), &fake.model);
        QTRY_VERIFY(model->loaded());
    }
    // Every read from now on shows `read`, so that an apply's own reads are answered too.
    void reread()
    {
        fake.system.answerReadsAtOnce(read);
        fake.model.refresh(false);
    }
    QString path() const { return dir.filePath("profiles.json"); }
    void write(const QByteArray &bytes) const
    {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray bytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }
    QVariant at(int row, ProfilesModel::Role role) const
    {
        return model->data(model->index(row), role);
    }
    ProfileEntry entry(int card) const { return ProfileEntry::fromRecord(read[card]); }
};

Profile named(const QString &name, const QList<ProfileEntry> &entries = {})
{
    return {
        name, {}, entries.isEmpty() ? QList{ProfileEntry::fromRecord(adapter("eth"))} : entries};
}

} // namespace

class tst_ProfilesModel : public QObject {
    Q_OBJECT

private slots:
    // Actif: every entry's service found, and its last read shows exactly what the entry wants.
    void active_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("active");
        QTest::newRow("as read") << "" << true;
        QTest::newRow("another address") << "ip" << false;
        QTest::newRow("other DNS servers") << "dns" << false;
        QTest::newRow("no DNS servers wanted") << "nodns" << false;
        QTest::newRow("wanted off, but on") << "off" << false;
        QTest::newRow("found by name, id changed") << "id" << true;
        QTest::newRow("service not found") << "gone" << false;
        QTest::newRow("the next read shows it") << "ip reread" << true;
    }
    void active()
    {
        QFETCH(QString, change);
        QFETCH(bool, active);
        Profiles p;
        ProfileEntry wanted = p.entry(0);
        if (change.contains("ip"))
            wanted.ip = "192.168.1.77";
        if (change == "dns")
            wanted.dnsServers = {"9.9.9.9"};
        if (change == "nodns")
            wanted.dnsServers.clear();
        if (change == "off")
            wanted.enabled = false;
        if (change == "id" || change == "gone")
            wanted.serviceId = "old-id";
        if (change == "gone")
            wanted.serviceName = "Thunderbolt";
        p.model->store(named("P", {wanted, p.entry(1)}), {});
        if (change.contains("reread")) {
            QTRY_VERIFY(!p.at(0, ProfilesModel::ActiveRole).toBool());
            p.read[0].ip = "192.168.1.77";
            p.reread();
        }
        QTRY_COMPARE(p.at(0, ProfilesModel::ActiveRole).toBool(), active);
    }

    // edit: "new" or the kept profile edited; name typed; what is changed in the rows; the
    // refusal shown, or "" when kept.
    void editorSave_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("blank name") << "new"
                                    << "  "
                                    << ""
                                    << "Donnez un nom au profil.";
        QTest::newRow("another's name, other case") << "new"
                                                    << "bureau"
                                                    << ""
                                                    << "Un profil porte déjà le nom « bureau ».";
        QTest::newRow("its own name") << "Bureau"
                                      << "BUREAU"
                                      << ""
                                      << "";
        QTest::newRow("renamed as the other one") << "Bureau"
                                                  << "LABO"
                                                  << ""
                                                  << "Un profil porte déjà le nom « LABO ».";
        QTest::newRow("nothing ticked") << "new"
                                        << "Maison"
                                        << "untick0 untick1"
                                        << "Cochez au moins une carte réseau.";
        QTest::newRow("wrong address on a ticked card")
            << "new"
            << "Maison"
            << "badip"
            << "« eth » : Adresse IP invalide. Format attendu : 192.168.1.50";
        QTest::newRow("wrong address, card wanted off") << "new"
                                                        << "Maison"
                                                        << "badip off0"
                                                        << "";
        QTest::newRow("wrong address, card left out") << "new"
                                                      << "Maison"
                                                      << "badip untick0"
                                                      << "";
    }
    void editorSave()
    {
        QFETCH(QString, edit);
        QFETCH(QString, name);
        QFETCH(QString, rows);
        QFETCH(QString, refusal);
        Profiles p({named("Bureau"), named("Labo")});
        const QByteArray before = p.bytes();
        edit == "new" ? p.model->newProfile() : p.model->editProfile(edit);
        ProfileEditor *editor = p.model->editor();
        QVERIFY(editor);
        editor->setName(name);
        if (rows.contains("badip"))
            editor->card(0)->setIp("192.168.1");
        for (int row : {0, 1}) {
            if (rows.contains("untick" + QString::number(row)))
                editor->setIncluded(row, false);
            if (rows.contains("off" + QString::number(row)))
                editor->setEnabled(row, false);
        }
        QCOMPARE(editor->save(), refusal.isEmpty());
        QCOMPARE(editor->error(), refusal);
        if (!refusal.isEmpty()) {
            QCOMPARE(p.model->names(), QStringList({"Bureau", "Labo"}));
            QCOMPARE(p.bytes(), before);
            return;
        }
        // Kept in place when edited, appended when new, and written to the file.
        const QStringList names = edit == "new" ? QStringList{"Bureau", "Labo", name.trimmed()}
                                                : QStringList{name, "Labo"};
        QCOMPARE(p.model->names(), names);
        QTRY_VERIFY(!p.model->saving());
        QCOMPARE(ProfileFile::load(p.path()).profiles.size(), 3 - (edit != "new"));
    }

    void duplicate_data()
    {
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("first copy")
            << QStringList{"Labo", "Bureau"} << QStringList{"Labo", "Labo (2)", "Bureau"};
        QTest::newRow("next free number") << QStringList{"Labo", "Bureau", "labo (2)"}
                                          << QStringList{"Labo", "Labo (3)", "Bureau", "labo (2)"};
    }
    void duplicate()
    {
        QFETCH(QStringList, kept);
        QFETCH(QStringList, after);
        QList<Profile> profiles;
        for (const QString &name : kept)
            profiles << named(name);
        Profiles p(profiles);
        p.model->duplicate("Labo");
        QCOMPARE(p.model->names(), after);
        QTRY_VERIFY(!p.model->saving());
        QCOMPARE(ProfileFile::load(p.path()).profiles.size(), after.size());
    }

    // "Enregistrer dans un profil…": the card's draft replaces its service's entry in place, or
    // comes last; "eth*" is the draft.
    void saveCard_data()
    {
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("after");
        QTest::newRow("entry replaced") << "eth wifi"
                                        << "eth* wifi";
        QTest::newRow("entry added") << "wifi"
                                     << "wifi eth*";
    }
    void saveCard()
    {
        QFETCH(QString, kept);
        QFETCH(QString, after);
        Profiles p;
        Profile profile = named("P", {p.entry(1)});
        if (kept.startsWith("eth"))
            profile.entries.prepend(p.entry(0));
        p.model->store(profile, {});
        cardOf(p.fake.model, "eth")->setIp("192.168.1.99");
        p.model->offerSaveOf(cardOf(p.fake.model, "eth"));
        p.model->saveCardInto("P");
        QStringList ids;
        const Profile saved = p.model->profile("P").value();
        for (const ProfileEntry &entry : saved.entries)
            ids << entry.serviceId + (entry.ip == "192.168.1.99" ? "*" : "");
        QCOMPARE(ids.join(' '), after);
    }

    // Whatever the user does, a file that could not be read keeps every byte.
    void unreadableFileKept_data()
    {
        QTest::addColumn<QString>("call");
        for (const char *call : {"store", "remove", "duplicate", "editor", "import"})
            QTest::newRow(call) << QString(call);
    }
    void unreadableFileKept()
    {
        QFETCH(QString, call);
        const QByteArray broken = R"({"format": "brisvale-profiles", "profiles": [{"name": )";
        Profiles p({}, broken);
        QVERIFY(!p.model->problem().isEmpty());
        QTemporaryDir other;
        const QString imported = other.filePath("in.json");
        QFile file(imported);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ProfileFile::serialize({named("Nouveau")}));
        file.close();
        if (call == "store")
            p.model->store(named("Nouveau"), {});
        if (call == "remove")
            p.model->remove("Bureau");
        if (call == "duplicate")
            p.model->duplicate("Bureau");
        if (call == "editor") {
            p.model->newProfile();
            ProfileEditor *editor = p.model->editor();
            if (editor)
                editor->setName("Nouveau"), editor->save();
        }
        if (call == "import") {
            p.model->openImport(QUrl::fromLocalFile(imported));
            QTest::qWait(50);
            p.model->confirmImport(true);
        }
        QTest::qWait(50);
        QTRY_VERIFY(!p.model->saving());
        QCOMPARE(p.bytes(), broken);
        QCOMPARE(p.model->count(), 0);
    }

    // From the preview to the profiles kept: nothing changes before the answer.
    void import_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("labNote");
        QTest::newRow("cancelled") << "cancel" << QStringList{"Bureau", "Labo"} << "kept";
        QTest::newRow("replace") << "replace" << QStringList{"Bureau", "LABO", "Client"}
                                 << "imported";
        QTest::newRow("keep both")
            << "both" << QStringList{"Bureau", "Labo", "LABO (2)", "Client"} << "kept";
    }
    void import()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, names);
        QFETCH(QString, labNote);
        Profiles p({named("Bureau"), {"Labo", "kept", named("").entries}});
        QTemporaryDir other;
        const QString path = other.filePath("in.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            ProfileFile::serialize({{"LABO", "imported", named("").entries}, named("Client")}));
        file.close();
        p.model->openImport(QUrl::fromLocalFile(path));
        QTRY_VERIFY(p.model->importOpen());
        QCOMPARE(p.model->importAdded(), QStringList{"Client"});
        QCOMPARE(p.model->importClashing(), QStringList{"LABO"});
        QCOMPARE(p.model->names(), QStringList({"Bureau", "Labo"}));
        if (answer == "cancel")
            p.model->cancelImport();
        else
            p.model->confirmImport(answer == "replace");
        QVERIFY(!p.model->importOpen());
        // Which of the two spellings a replaced profile keeps is the merge's business.
        QCOMPARE(p.model->names().join(',').toLower(), names.join(',').toLower());
        QCOMPARE(p.at(1, ProfilesModel::NoteRole).toString(), labNote);
    }

    // drafts: the cards with an edit not applied; the question asked before the apply.
    void applyAsks_data()
    {
        QTest::addColumn<QStringList>("drafts");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("question");
        QTest::newRow("no draft: applied at once") << QStringList{} << false << "";
        QTest::newRow("one draft, confirmed")
            << QStringList{"eth"} << true
            << "« eth » a une modification non appliquée que le profil remplacera.";
        QTest::newRow("two drafts, cancelled")
            << QStringList{"eth", "wifi"} << false
            << "« eth » et « Wi-Fi » ont des modifications non appliquées que le profil "
               "remplacera.";
    }
    void applyAsks()
    {
        QFETCH(QStringList, drafts);
        QFETCH(bool, confirm);
        QFETCH(QString, question);
        Profiles p;
        p.model->store(named("P", {p.entry(0), p.entry(1)}), {});
        for (const QString &id : drafts)
            cardOf(p.fake.model, id)->setDns("9.9.9.9");
        p.model->requestApply("P");
        QCOMPARE(p.model->applyQuestion(), question);
        if (!question.isEmpty())
            confirm ? p.model->confirmApply() : p.model->cancelApply();
        QVERIFY(p.model->applyQuestion().isEmpty());
        const bool applied = question.isEmpty() || confirm;
        QTRY_COMPARE(!p.at(0, ProfilesModel::MessageRole).toString().isEmpty(), applied);
        QTRY_VERIFY(!p.fake.model.applyingProfile());
        // Replaced once the system showed the profile; kept when the user said no.
        for (const QString &id : drafts)
            QCOMPARE(cardOf(p.fake.model, id)->isDirty(), !applied);
    }
};

QTEST_GUILESS_MAIN(tst_ProfilesModel)
#include "tst_ProfilesModel.moc"
