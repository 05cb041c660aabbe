// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ChangeMessages.h"
#include "NetworkWriter.h"
#include "Shell.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Names made of everything that could break the quoting on the way, and text beyond ASCII.
QStringList generatedNames(int count, quint32 seed)
{
    const QStringList pieces = {"'",     "\"",   "\\",    "$", "`", " ", "\n", "\t",
                                "$(id)", "\\\"", "'\\''", "é", "«", "—", "網", "😀",
                                "Wi-Fi", ";",    "&&",    "|", "*", "%", "!"};
    QRandomGenerator random(seed);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        QString name;
        for (int length = 1 + random.bounded(8); length > 0; --length)
            name += pieces.at(random.bounded(pieces.size()));
        names << name;
    }
    return names;
}

// An AppleScript string's contents as the script runner reads them.
QString unescapedAppleScript(const QString &text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

} // namespace

class tst_NetworkWriter : public QObject {
    Q_OBJECT

private slots:
    // An osascript that logs each script and fails each run given a reply, with that reply.
    void routerRetry_data()
    {
        QTest::addColumn<QString>("router");
        QTest::addColumn<QStringList>("replies"); // to each run; empty: success
        QTest::addColumn<int>("runs");

        QTest::newRow("first run succeeds") << "" << QStringList() << 1;
        QTest::newRow("parameters not valid")
            << "" << QStringList{"** Error: The parameters were not valid."} << 2;
        QTest::newRow("INVALID in any case") << "" << QStringList{"INVALID router."} << 2;
        QTest::newRow("the second result is returned even when it fails")
            << "" << QStringList{"Gateway missing", "still wrong"} << 2;
        QTest::newRow("unrelated failure") << "" << QStringList{"User canceled. (-128)"} << 1;
        QTest::newRow("router given") << "10.0.0.1" << QStringList{"Invalid router"} << 1;
    }

    void routerRetry()
    {
        QFETCH(QString, router);
        QFETCH(QStringList, replies);
        QFETCH(int, runs);

        QTemporaryDir root;
        QString script =
            "#!/bin/sh\nprintf '%s\\n' \"$2\" >> \"$0.log\"\ncase $(wc -l < \"$0.log\") in\n";
        for (int run = 0; run < replies.size(); ++run)
            script +=
                QStringLiteral("*%1) echo '%2' >&2; exit 1;;\n").arg(run + 1).arg(replies[run]);
        TestSupport::writeExecutable(root.filePath("usr/bin/osascript"),
                                     (script + "esac\n").toUtf8());

        const CommandResult result =
            NetworkWriter::setManual(SystemTools(root.path()), "Bob's Dock", "10.0.0.2",
                                     "255.0.0.0", router)
                .result();
        // The last run decides; the retry sends the placeholder router.
        QCOMPARE(result.status, replies.size() >= runs ? 1 : 0);
        const QString sent = "do shell script \"'/usr/sbin/networksetup' '-setmanual' 'Bob'\\\\''s "
                             "Dock' '10.0.0.2' '255.0.0.0' '%1'\" with administrator privileges";
        QStringList expected{sent.arg(router)};
        if (runs == 2)
            expected << sent.arg("0.0.0.0");
        QCOMPARE(TestSupport::loggedLines(root.filePath("usr/bin/osascript.log")), expected);
    }

    // What networksetup and osascript print, classified where it is read, then worded.
    void classifiedAndWorded_data()
    {
        QTest::addColumn<CommandResult>("result");
        QTest::addColumn<QString>("message");

        const QString cancelled = "Opération annulée : aucune modification n'a été appliquée.";
        const QString refused = "Autorisation refusée : la configuration n'a pas été modifiée.";
        QTest::newRow("code -128")
            << CommandResult{1, "", "0:98: execution error: Abandon. (-128)"} << cancelled;
        QTest::newRow("cancel wins over not authorized")
            << CommandResult{1, "not authorized", "User canceled."} << cancelled;
        QTest::newRow("French annul") << CommandResult{1, "Opération ANNULÉE", ""} << cancelled;
        QTest::newRow("not authorized")
            << CommandResult{1, "", "Not authorized to do that"} << refused;
        QTest::newRow("any other text, as written")
            << CommandResult{4, "** Error: The parameters were not valid.\n", "Bad IP\n"}
            << "Échec de la commande réseau : Bad IP\n\n** Error: The parameters were not valid.";
        QTest::newRow("blanks only count as no text")
            << CommandResult{2, " \n\t", "\n"} << "La commande réseau a échoué (code 2).";
        QTest::newRow("wrong administrator password")
            << CommandResult{1, "",
                             "0:120: execution error: The administrator user name or password "
                             "was incorrect. (-60007)"}
            << refused;
        // The service's name echoed in the error decides nothing.
        const QString unknown =
            "0:99: execution error: %1 is not a recognized network service. (1)";
        for (const char *name : {"VLAN-128", "Cancel Lab", "Authorization net", "annulé"}) {
            const CommandResult result{1, "", unknown.arg(name)};
            QTest::addRow("named %s", name)
                << result << "Échec de la commande réseau : " + unknown.arg(name);
        }
        QTest::newRow("a named service cancelled all the same")
            << CommandResult{1, "", "0:98: execution error: User canceled. (-128)"} << cancelled;
    }

    void classifiedAndWorded()
    {
        QFETCH(CommandResult, result);
        QFETCH(QString, message);
        static const QStringList names{"VLAN-128", "Cancel Lab", "Authorization net", "annulé"};
        QString service = "Wi-Fi";
        for (const QString &name : names) {
            if (result.error.contains(name))
                service = name;
        }
        QCOMPARE(ChangeMessages::failure(NetworkWriter::classified(result, service)), message);
    }

    // A system that did not answer: only where the request never got through is "nothing
    // changed" said.
    void unansweredWorded_data()
    {
        QTest::addColumn<int>("cause");
        QTest::addColumn<bool>("maybeApplied");
        QTest::addColumn<QString>("message");
        const QString unknown = " : on ne sait pas si la modification a été enregistrée. La carte "
                                "sera relue dès qu'il répondra.";
        QTest::newRow("gone before") << int(ChangeCause::serviceGone) << false
                                     << "NetworkManager ne répond pas ; rien n'a été modifié.";
        QTest::newRow("gone during") << int(ChangeCause::serviceGone) << true
                                     << "NetworkManager a cessé de répondre pendant la "
                                        "modification" +
                                            unknown;
        QTest::newRow("silent before")
            << int(ChangeCause::timedOut) << false
            << "NetworkManager n'a pas répondu à temps ; rien n'a été modifié.";
        QTest::newRow("silent during") << int(ChangeCause::timedOut) << true
                                       << "NetworkManager n'a pas répondu à temps" + unknown;
        QTest::newRow("invalid, in the backend's words")
            << int(ChangeCause::invalid) << false << "Le masque est mauvais.";
    }

    void unansweredWorded()
    {
        QFETCH(int, cause);
        QFETCH(bool, maybeApplied);
        QFETCH(QString, message);
        CommandResult result{1, "", "Le masque est mauvais."};
        result.cause = ChangeCause(cause);
        result.maybeApplied = maybeApplied;
        QCOMPARE(ChangeMessages::failure(result, "NetworkManager"), message);
    }

    // Thousands of names through the quoting and the AppleScript escaping, read back by a real
    // /bin/sh as the privileged side would, one line per name in one shell.
    void generatedNamesSurviveTheQuoting()
    {
        const QStringList names = generatedNames(4000, 20261206);
        const QString head = "do shell script \"";
        const QString tail = "\" with administrator privileges";
        const QString tool = "'/usr/sbin/networksetup'";
        QString lines;
        for (const QString &name : names) {
            const QString script = NetworkWriter::privilegedScript({"-setdhcp", name});
            QVERIFY(script.startsWith(head) && script.endsWith(tail));
            const QString line = unescapedAppleScript(script.mid(head.size()).chopped(tail.size()));
            QVERIFY(line.startsWith(tool));
            // The tool replaced by a program that prints each argument it gets, NUL-terminated.
            lines += "printf '%s\\0'" + line.mid(tool.size()) + u'\n';
        }
        // Too long for one argument: the shell reads it from a file.
        QTemporaryDir dir;
        QFile file(dir.filePath("lines.sh"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lines.toUtf8());
        file.close();
        const CommandResult result = Shell::run("/bin/sh", {file.fileName()});
        QCOMPARE(result.status, 0);
        QStringList received = result.output.split(QChar(0));
        QCOMPARE(received.takeLast(), QString());
        QCOMPARE(received.size(), 2 * names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            QCOMPARE(received[2 * i], QStringLiteral("-setdhcp"));
            QCOMPARE(received[2 * i + 1], names[i]);
        }
    }
};

QTEST_GUILESS_MAIN(tst_NetworkWriter)
#include "tst_NetworkWriter.moc"
