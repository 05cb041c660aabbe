// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "Shell.h"

#include <QFile>
#include <QTest>

#include <signal.h>

namespace {

// The script runs with /bin/sh, its argument as $1.
CommandResult sh(const QString &script, const QString &argument = {},
                 std::optional<std::chrono::milliseconds> limit = std::nullopt)
{
    return Shell::run(QStringLiteral("/bin/sh"), {"-c", script, "sh", argument}, limit);
}

bool isZombie(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
}

} // namespace

class tst_Shell : public QObject {
    Q_OBJECT

private slots:
    void results_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const char *script, int status, const char *output,
                            const char *error, const char *argument = "") {
            QTest::newRow(name) << QString(script) << QString(argument) << status << QString(output)
                                << QString(error);
        };

        // Arguments arrive unchanged: nothing on the way is a shell.
        for (const char *argument : {"say \"hi\" to l'adaptateur", "$HOME `id` $(id)",
                                     "a\\b; rm -rf c", "Écran « Studio » —"})
            row(argument, "printf '%s' \"$1\"", 0, argument, "", argument);
        row("streams apart, newlines kept", "printf 'y\\n\\n'; echo x >&2; exit 4", 4, "y\n\n",
            "x\n");
        row("a byte that is not UTF-8 hides nothing else",
            "printf 'caf\\351\\n\\tstatus: active\\n'; echo 'still here' >&2; exit 2", 2,
            "caf\uFFFD\n\tstatus: active\n", "still here\n");
        row("killed by a signal", "kill -TERM $$", 15, "", "");
        // Whatever the session's language, so that the programs' words can be read.
        row("a child speaks English", "printf '%s|%s' \"$LC_ALL\" \"$LANG\"", 0,
            "en_US.UTF-8|en_US.UTF-8", "");
    }

    void results()
    {
        QFETCH(QString, script);
        QFETCH(QString, argument);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);

        qputenv("LC_ALL", "fr_FR.UTF-8");
        qputenv("LANG", "de_DE.UTF-8");
        const CommandResult result = sh(script, argument);
        QCOMPARE(result.status, status);
        QCOMPARE(result.output, output);
        QCOMPARE(result.error, error);
    }

    void aProgramThatCannotStartHasStatusMinusOne()
    {
        QCOMPARE(Shell::run("/nonexistent/brisvale-no-such-tool", {}).status, -1);
    }

    void megabytesOnStandardErrorFirstDoNotStall()
    {
        const CommandResult result = sh("head -c 1048576 /dev/zero | tr '\\0' e >&2; echo done");
        QCOMPARE(result.output, QStringLiteral("done\n"));
        QCOMPARE(result.error.size(), 1048576);
    }

    // A script that hangs in a child: the child goes with it, and the pipes it held close.
    void aProgramThatNeverEndsIsStoppedAtTheLimitWithItsChildren()
    {
        const CommandResult result =
            sh("sleep 30 & echo $!; wait", {}, std::chrono::milliseconds(300));
        QCOMPARE(result.status, -1);
        QCOMPARE(result.error,
                 QStringLiteral("/bin/sh did not finish within 300 ms and was stopped."));
        // What it printed is kept: the child's pid. Killed at once; reaped by init, which may
        // take a moment.
        const qint64 child = result.output.trimmed().toLongLong();
        QVERIFY(child > 0 && result.output.endsWith(u'\n'));
        QTRY_VERIFY(::kill(pid_t(child), 0) != 0 || isZombie(child));
    }
};

QTEST_GUILESS_MAIN(tst_Shell)
#include "tst_Shell.moc"
