// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileFile.h"
#include "ProfileImport.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray entry =
    R"({"service":{"id":"s1","name":"Ethernet"},"enabled":true,"mode":"manual",)"
    R"("address":"192.168.0.10","mask":"255.255.255.0","router":"192.168.0.1",)"
    R"("dns":["192.168.0.1"]})";
const QByteArray file = R"({"format":"brisvale-profiles","version":1,"profiles":[{"name":"Banc 3",)"
                        R"("note":"n","entries":[)" +
                        entry + R"(]},{"name":"Labo","entries":[]}]})";

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_ProfileFile : public QObject {
    Q_OBJECT

private slots:
    // The file above with `from` replaced by `to`; fragment empty: the text reads.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("fragment");
        const auto row = [](const char *name, QByteArray from, QByteArray to, QString fragment) {
            QTest::newRow(name) << from << to << fragment;
        };
        row("optional keys absent", R"(,"router":"192.168.0.1","dns":["192.168.0.1"])", "", "");
        row("unknown keys ignored", R"("version":1,)", R"("version":1,"x":{"y":[]},)", "");
        row("disabled without address", R"(true,"mode":"manual","address":"192.168.0.10")",
            R"(false,"mode":"manual","address":"")", "");
        row("dhcp without address", R"("manual","address")", R"("dhcp","x")", "");
        row("not JSON", R"("version":1,)", R"("version":1)", "illisible vers l'octet 42");
        row("other format", "brisvale-profiles", "other", "pas un fichier de profils de Brisvale");
        row("version as text", R"("version":1)", R"("version":"1")", "pas de version lisible");
        row("newer version", R"("version":1)", R"("version":2)",
            "plus récente de Brisvale (format 2)");
        row("version zero", R"("version":1)", R"("version":0)", "format inconnu (0)");
        row("profile not an object", R"({"name":"Labo","entries":[]})", "3",
            "Profil n° 2 : un objet");
        row("blank name", R"("Labo")", R"(" \t")", "Profil n° 2 : le nom est vide");
        row("same name in another case", R"("Labo")", R"("bANC 3")", "déjà celui du profil n° 1");
        row("entries not a list", R"("entries":[])", R"("entries":{})", "« Labo » : « entries »");
        row("service unnamed", R"("id":"s1","name":"Ethernet")", "", "ni « id » ni « name »");
        row("unknown mode", "manual", "static", "« Banc 3 », entrée 1 : le mode « static »");
        row("address not IPv4", "192.168.0.10", "192.168.0.300", "Adresse IP invalide. Format");
        row("network address", "192.168.0.10", "192.168.0.0", "0.0 est l'adresse du réseau");
        row("router elsewhere", R"("router":"192.168.0.1")", R"("router":"10.0.0.1")",
            "sous-réseau");
        row("DNS not IPv4", R"(["192.168.0.1"])", R"(["fe80::1"])",
            "Serveur DNS invalide : fe80::1");
        row("thousands of DNS", R"(["192.168.0.1"])",
            "[" + QByteArray(R"("1.1.1.1",)").repeated(5000) + "1]",
            "Quatre serveurs DNS au plus.");
        row("service twice", R"("entries":[])", R"("entries":[)" + entry + "," + entry + "]",
            "« Labo », entrée 2 : le service « s1 » figure déjà à l'entrée 1.");
    }
    void parse()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, fragment);
        const ProfileFile::Read read = ProfileFile::parse(QByteArray(file).replace(from, to));
        QVERIFY2(fragment.isEmpty() ? !read.failed() : read.problem.contains(fragment),
                 qPrintable(read.problem));
        QCOMPARE(read.profiles.size(), read.failed() ? 0 : 2);
    }

    void roundTrip()
    {
        QList<Profile> profiles = ProfileFile::parse(file).profiles;
        profiles[1] = {"B \"3\" \\ « x » שלום 🙂\u202E\x01\n", "l\n\\u0000", {}};
        profiles[1].entries << profiles[0].entries[0] << profiles[0].entries[0];
        profiles[1].entries[0].dhcp = true;
        profiles[1].entries[1] = {"s2", "Wi-Fi", "", "", false, false, "", "", "", {}};
        const QByteArray text = ProfileFile::serialize(profiles);
        QVERIFY(
            text.startsWith("{\n    \"format\": \"brisvale-profiles\",\n    \"version\": 1,\n"));
        const ProfileFile::Read read = ProfileFile::parse(text);
        QVERIFY2(read.profiles == profiles, qPrintable(read.problem + text));
    }

    // before: the file in place (none when null), an older backup beside it, which takes the file
    // in place when it reads; limit: the largest file the process may write, 0 for none.
    void saving_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("loadFragment");
        QTest::newRow("first save") << QByteArray() << 0ll << ""
                                    << "";
        QTest::newRow("second save") << file << 0ll << ""
                                     << "";
        QTest::newRow("unreadable") << QByteArray("{\"format\"") << 0ll << "illisible"
                                    << "octet 9";
        QTest::newRow("full disk") << file << 4096ll << "enregistrés : l'écriture s'est arrêtée"
                                   << "";
        QTest::newRow("huge") << QByteArray(ProfileFile::maximumSize + 1, ' ') << 0ll
                              << "trop grand"
                              << "trop grand (4,0 Mo)";
    }
    void saving()
    {
        QFETCH(QByteArray, before);
        QFETCH(qint64, limit);
        QFETCH(QString, fragment);
        QFETCH(QString, loadFragment);
        const QTemporaryDir dir;
        const QString path = dir.filePath("a/p.json"), backup = dir.filePath("a/p.previous.json");
        QCOMPARE(ProfileFile::backupPath(path), backup);
        const QByteArray older = ProfileFile::serialize({});
        for (auto [at, text] : {std::pair{path, before}, {backup, older}}) {
            QFile f(at);
            QVERIFY(before.isNull() || (QDir().mkpath(dir.filePath("a")) &&
                                        f.open(QFile::WriteOnly) && f.write(text) == text.size()));
        }
        QList<Profile> wanted;
        for (int i = 0; i < 100; ++i)
            wanted << Profile{"Profil " + QString::number(i), "note", {}};

        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit lowered{rlim_t(limit), saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(limit == 0 || setrlimit(RLIMIT_FSIZE, &lowered) == 0);
        const std::optional<QString> problem = ProfileFile::save(path, wanted);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);

        QVERIFY2(fragment.isEmpty() ? !problem : problem->contains(fragment),
                 qPrintable(problem.value_or("")));
        QCOMPARE(contents(path), problem ? before : ProfileFile::serialize(wanted));
        QCOMPARE(contents(backup), before.isNull()          ? QByteArray()
                                   : loadFragment.isEmpty() ? before
                                                            : older);
        const ProfileFile::Read read = ProfileFile::load(path);
        QVERIFY2(loadFragment.isEmpty() ? !read.failed() : read.problem.contains(loadFragment),
                 qPrintable(read.problem));
    }

    // Names split at commas; kept profiles have the note "k", imported ones "i", shown by "*".
    void importing_data()
    {
        for (const char *column : {"kept", "imported", "merged", "clashing"})
            QTest::addColumn<QStringList>(column);
        QTest::addColumn<bool>("replace");
        const auto row = [](const char *name, QString kept, QString imported, QString merged,
                            QString clashing, bool replace = false) {
            QTest::newRow(name) << kept.split(',', Qt::SkipEmptyParts)
                                << imported.split(',', Qt::SkipEmptyParts) << merged.split(',')
                                << clashing.split(',', Qt::SkipEmptyParts) << replace;
        };
        row("new names appended in order", "A,B", "D,C", "A,B,D*,C*", "");
        row("replaced in place, without case", "Labo,B", "C,labo", "labo*,B,C*", "labo", true);
        row("kept both from 2", "Nom", "nom", "Nom,nom (2)*", "nom");
        row("kept both past a taken number", "Nom,NOM (2)", "Nom", "Nom,NOM (2),Nom (3)*", "Nom");
        row("kept both past an imported name", "A", "A,a (2)", "A,A (3)*,a (2)*", "A");
    }
    void importing()
    {
        QFETCH(QStringList, kept);
        QFETCH(QStringList, imported);
        QFETCH(bool, replace);
        QList<Profile> ours, theirs;
        for (const QString &name : kept)
            ours << Profile{name, "k", {}};
        for (const QString &name : imported)
            theirs << Profile{name, "i", {}};
        const ProfileImport::Preview preview = ProfileImport::preview(ours, theirs);
        QTEST(preview.clashing, "clashing");
        QCOMPARE(preview.added.size() + preview.clashing.size(), imported.size());
        QStringList names;
        const auto how =
            replace ? ProfileImport::OnSameName::replace : ProfileImport::OnSameName::keepBoth;
        for (const Profile &p : ProfileImport::merged(ours, theirs, how))
            names << p.name + (p.note == "i" ? "*" : "");
        QTEST(names, "merged");
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
