#include "system/Shell.h"

#include <QTest>

namespace {

// The script runs with /bin/sh, its argument as $1.
CommandResult sh(const QString &script, const QString &argument = {},
                 std::optional<std::chrono::milliseconds> limit = std::nullopt)
{
    return Shell::run(QStringLiteral("/bin/sh"), {"-c", script, "sh", argument}, limit);
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
        row("invalid UTF-8 is dropped, not half-decoded",
            "printf 'ok\\377\\n'; echo 'still here' >&2; exit 2", 2, "", "still here\n");
        row("UTF-8 decoded", "printf 'r\\303\\251seau'", 0, "réseau", "");
        row("killed by a signal", "kill -TERM $$", 15, "", "");
    }

    void results()
    {
        QFETCH(QString, script);
        QFETCH(QString, argument);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);

        const CommandResult result = sh(script, argument);
        QCOMPARE(result.status, status);
        QCOMPARE(result.output, output);
        QCOMPARE(result.error, error);
    }

    void aProgramThatCannotStartHasStatusMinusOne()
    {
        const CommandResult result = Shell::run("/nonexistent/brisvale-no-such-tool", {});
        QCOMPARE(result.status, -1);
        QVERIFY(result.output.isEmpty() && !result.error.isEmpty());
    }

    void childEnvironmentSpeaksEnglish()
    {
        qputenv("LC_ALL", "fr_FR.UTF-8");
        qputenv("LANG", "de_DE.UTF-8");
        const CommandResult result = sh("printf '%s|%s|%s' \"$LC_ALL\" \"$LANG\" \"$PATH\"");
        QCOMPARE(result.output, "en_US.UTF-8|en_US.UTF-8|" + qEnvironmentVariable("PATH"));
        // The parent's own environment is left alone.
        QCOMPARE(qEnvironmentVariable("LC_ALL"), QStringLiteral("fr_FR.UTF-8"));
    }

    void megabytesOnStandardErrorFirstDoNotStall()
    {
        const CommandResult result = sh("head -c 1048576 /dev/zero | tr '\\0' e >&2; echo done");
        QCOMPARE(result.output, QStringLiteral("done\n"));
        QCOMPARE(result.error.size(), 1048576);
    }

    void aProgramThatNeverEndsIsStoppedAtTheLimit()
    {
        const CommandResult result =
            sh("echo started; exec sleep 30", {}, std::chrono::milliseconds(300));
        QCOMPARE(result.status, -1);
        QCOMPARE(result.output, QStringLiteral("started\n"));
        QVERIFY2(result.error.contains(QStringLiteral("300 ms")), qPrintable(result.error));
    }
};

QTEST_GUILESS_MAIN(tst_Shell)
#include "tst_Shell.moc"
