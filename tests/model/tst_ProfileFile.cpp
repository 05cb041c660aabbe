// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileFile.h"
#include "ProfileImport.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray file =
    R"({"format":"brisvale-profiles","version":1,"profiles":[{"name":"Banc 3",)"
    R"("note":"n","entries":[{"service":{"id":"s1","name":"Ethernet"},"enabled":)"
    R"(true,"mode":"manual","address":"192.168.0.10","mask":"255.255.255.0",)"
    R"("router":"192.168.0.1","dns":["192.168.0.1"]}]},{"name":"Labo","entries":[]}]})";

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<Profile> named(const QString &names, const QString &note)
{
    QList<Profile> profiles;
    for (const QString &name : names.split(',', Qt::SkipEmptyParts))
        profiles << Profile{name, note, {}};
    return profiles;
}

} // namespace

class tst_ProfileFile : public QObject {
    Q_OBJECT

private slots:
    // The file above with `from` replaced by `to`; fragment empty: the text reads.
    void parse_data()
    {
        for (const char *column : {"from", "to"})
            QTest::addColumn<QByteArray>(column);
        QTest::addColumn<QString>("fragment");
        const auto row = [](const char *name, QByteArray from, QByteArray to, QString fragment) {
            QTest::newRow(name) << from << to << fragment;
        };
        row("optional keys absent", R"(,"router":"192.168.0.1","dns":["192.168.0.1"])", "", "");
        row("unknown keys ignored", R"("version":1,)", R"("version":1,"x":{"y":[]},)", "");
        row("off, without address", R"(true,"mode":"manual","address":"192.168.0.10")",
            R"(false,"mode":"manual","address":"")", "");
        row("not JSON", R"("version":1,)", R"("version":1)", "illisible vers l'octet 42");
        row("other format", "brisvale-profiles", "other", "pas un fichier de profils de Brisvale");
        row("newer version", R"("version":1)", R"("version":2)", "de Brisvale (format 2)");
        row("blank name", R"("Labo")", R"(" \t")", "Profil n° 2 : le nom est vide");
        row("same name in another case", R"("Labo")", R"("bANC 3")", "déjà celui du profil n° 1");
        row("service unnamed", R"("id":"s1","name":"Ethernet")", "", "ni « id » ni « name »");
        row("unknown mode", "manual", "static", "« Banc 3 », entrée 1 : le mode « static »");
        row("address not IPv4", "192.168.0.10", "192.168.0.300", "Adresse IP invalide. Format");
        row("router elsewhere", R"(router":"192)", R"(router":"10)", "sous-réseau 192.168.0.0.");
        row("DNS not IPv4", "[\"192", "[\"fe80::1\",\"192", "Serveur DNS invalide : fe80::1");
        row("thousands of DNS", "[\"192", "[" + QByteArray(R"("1.1.1.1",)").repeated(5000) + "\"1",
            "Quatre serveurs DNS au plus.");
        row("service twice", "]}]},",
            R"(]},{"service":{"id":"s1"},"enabled":false,"mode":"dhcp"}]},)",
            "« Banc 3 », entrée 2 : le service « s1 » figure déjà à l'entrée 1.");
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

    // before: the file in place (none when null), an older backup beside it; limit: the largest
    // file the process may write, 0 for none.
    void saving_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("fragment");
        const auto row = [](const char *name, QByteArray before, qint64 limit, QString fragment) {
            QTest::newRow(name) << before << limit << fragment;
        };
        row("first save", {}, 0, "");
        row("second save", file, 0, "");
        row("unreadable", "{\"format\"", 0, "illisible : Ce fichier");
        row("full disk", file, 4096, "l'écriture s'est arrêtée avant la fin");
        row("huge", QByteArray(ProfileFile::maximumSize + 1, ' '), 0, "trop grand (4,0 Mo)");
    }
    void saving()
    {
        QFETCH(QByteArray, before);
        QFETCH(qint64, limit);
        QFETCH(QString, fragment);
        const QTemporaryDir dir;
        const QString path = dir.filePath("a/p.json"), backup = dir.filePath("a/p.previous.json");
        QCOMPARE(ProfileFile::backupPath(path), backup);
        const QByteArray older = ProfileFile::serialize({});
        for (auto [at, text] : {std::pair{path, before}, {backup, older}}) {
            QFile f(at);
            QVERIFY(before.isNull() || (QDir().mkpath(dir.filePath("a")) &&
                                        f.open(QFile::WriteOnly) && f.write(text) == text.size()));
        }
        // Odd texts, every kind of entry, and a note that outgrows the limit.
        QList<Profile> wanted = ProfileFile::parse(file).profiles;
        QCOMPARE(wanted.size(), 2);
        wanted[1] = {"B \"3\" \\ « x » שלום 🙂\u202E\x01\n",
                     "l\n\\u0000" + QString(5000, u'é'), wanted[0].entries};
        wanted[1].entries << ProfileEntry{"s2", "Wi-Fi", "", "", false, false, "", "", "", {}};
        wanted[1].entries[0].dhcp = true;

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
        const ProfileFile::Read read = ProfileFile::load(path);
        // A file in place that does not read is refused alike by both, and kept with its backup.
        QVERIFY(read.failed() ? problem.value_or("").endsWith(read.problem)
                              : problem || read.profiles == wanted);
        QCOMPARE(contents(backup), before.isNull() ? QByteArray() : read.failed() ? older : before);
    }

    // Kept profiles have the note "k", imported ones "i", shown by "*"; result: the preview's
    // added|clashing, then the merged list.
    void importing_data()
    {
        for (const char *column : {"kept", "imported", "result"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<bool>("replace");
        const auto row = [](const char *name, QString kept, QString imported, QString result,
                            bool replace = false) {
            QTest::newRow(name) << kept << imported << result << replace;
        };
        row("new names appended in order", "A,B", "D,C", "D,C| → A,B,D*,C*");
        row("replaced in place, without case", "Labo,B", "C,labo", "C|labo → labo*,B,C*", true);
        row("kept both from 2", "Nom", "nom", "|nom → Nom,nom (2)*");
        row("kept both past a taken number", "Nom,NOM (2)", "Nom", "|Nom → Nom,NOM (2),Nom (3)*");
        row("kept both past an imported name", "A", "A,a (2)", "a (2)|A → A,A (3)*,a (2)*");
    }
    void importing()
    {
        QFETCH(QString, kept);
        QFETCH(QString, imported);
        QFETCH(bool, replace);
        const QList<Profile> ours = named(kept, "k"), theirs = named(imported, "i");
        const ProfileImport::Preview preview = ProfileImport::preview(ours, theirs);
        QString result = preview.added.join(',') + '|' + preview.clashing.join(',') + " → ";
        const auto how =
            replace ? ProfileImport::OnSameName::replace : ProfileImport::OnSameName::keepBoth;
        for (const Profile &p : ProfileImport::merged(ours, theirs, how))
            result += p.name + (p.note == "i" ? "*," : ",");
        QTEST(result.chopped(1), "result");
    }
};

QTEST_GUILESS_MAIN(tst_ProfileFile)
#include "tst_ProfileFile.moc"
