// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkWriter.h"
#include "Shell.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

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

    // What networksetup and osascript print, classified where it is read; the service's name
    // echoed in the error decides nothing.
    void classified_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("service");
        QTest::addColumn<int>("cause");
        const auto row = [](const char *name, const char *output, const QString &error,
                            ChangeCause cause, const char *service = "Wi-Fi") {
            QTest::newRow(name) << QString(output) << error << QString(service) << int(cause);
        };

        using C = ChangeCause;
        row("code -128", "", "0:98: execution error: Abandon. (-128)", C::cancelled);
        row("cancel wins over not authorized", "not authorized", "User canceled.", C::cancelled);
        row("French annul, on standard output", "Opération ANNULÉE", " \n", C::cancelled);
        row("not authorized", "", "Not authorized to do that", C::refused);
        row("wrong administrator password", "",
            "0:120: execution error: The administrator user name or password was incorrect. "
            "(-60007)",
            C::refused);
        row("any other text", "** Error: The parameters were not valid.\n", "Bad IP\n", C::failed);
        const QString unknown = "0:99: execution error: %1 is not a recognized network service.";
        for (const char *name : {"VLAN-128", "Cancel Lab", "Authorization net", "annulé"})
            row(name, "", unknown.arg(name), C::failed, name);
        row("a named service cancelled all the same", "",
            "0:98: execution error: User canceled. (-128)", C::cancelled, "VLAN-128");
    }

    void classified()
    {
        QFETCH(QString, output);
        QFETCH(QString, error);
        QFETCH(QString, service);
        QFETCH(int, cause);
        const CommandResult result = NetworkWriter::classified({1, output, error}, service);
        QCOMPARE(int(result.cause), cause);
    }

    // Names made of everything that could break the quoting on the way, through it and the
    // AppleScript escaping, read back by a real /bin/sh as the privileged side would.
    void hostileNamesSurviveTheQuoting()
    {
        const QStringList names = {"'",      "\"",           "\\",         "\\\"",  "\\'",
                                   "'\\''",  "\"\\'\\\\\"'", "$HOME `id`", "$(id)", "a\nb\tc ",
                                   "é«—網😀", "Wi-Fi;&&|*%!", "\\\\\\\"\"'"};
        const QString script = NetworkWriter::privilegedScript(QStringList{"-setdhcp"} + names);
        const QString head = "do shell script \"", tail = "\" with administrator privileges";
        const QString tool = "'/usr/sbin/networksetup'";
        QVERIFY(script.startsWith(head + tool) && script.endsWith(tail));
        // The tool replaced by a program that prints each argument it gets, NUL-terminated.
        const QString line = unescapedAppleScript(script.mid(head.size()).chopped(tail.size()));
        const CommandResult result =
            Shell::run("/bin/sh", {"-c", "printf '%s\\0'" + line.mid(tool.size())});
        QCOMPARE(result.output.split(QChar(0)), QStringList{"-setdhcp"} + names + QStringList{""});
    }
};

QTEST_GUILESS_MAIN(tst_NetworkWriter)
#include "tst_NetworkWriter.moc"
