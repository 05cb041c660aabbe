#include "system/Shell.h"

#include <QTest>

namespace {

const QString sh = QStringLiteral("/bin/sh");

QMap<QString, QString> parseEnvironment(const QString &text)
{
    QMap<QString, QString> variables;
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts))
        variables.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    return variables;
}

} // namespace

class tst_Shell : public QObject {
    Q_OBJECT

private slots:
    void argumentsArriveUnchanged_data()
    {
        QTest::addColumn<QString>("argument");

        QTest::newRow("blanks") << "Ethernet USB  2";
        QTest::newRow("double quotes") << R"(say "hi")";
        QTest::newRow("single quotes") << "l'adaptateur";
        QTest::newRow("dollar and backquote") << "$HOME `id` $(id)";
        QTest::newRow("backslashes and semicolon") << R"(a\b; rm -rf c)";
        QTest::newRow("non-ascii") << "Écran « Studio » —";
        QTest::newRow("empty") << "";
    }

    void argumentsArriveUnchanged()
    {
        QFETCH(QString, argument);
        const CommandResult result =
            Shell::run(sh, {QStringLiteral("-c"), QStringLiteral("printf '%s' \"$1\""),
                            QStringLiteral("sh"), argument});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.output, argument);
        QCOMPARE(result.error, QString());
    }

    void childEnvironmentSpeaksEnglish()
    {
        qputenv("LC_ALL", "fr_FR.UTF-8");
        qputenv("LANG", "de_DE.UTF-8");
        qputenv("BRISVALE_PROBE", "kept as is = yes");
        const CommandResult result = Shell::run(QStringLiteral("/usr/bin/env"), {});
        qunsetenv("BRISVALE_PROBE");

        QCOMPARE(result.status, 0);
        const auto variables = parseEnvironment(result.output);
        QCOMPARE(variables.value("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        QCOMPARE(variables.value("LANG"), QStringLiteral("en_US.UTF-8"));
        QCOMPARE(variables.value("BRISVALE_PROBE"), QStringLiteral("kept as is = yes"));
        QCOMPARE(variables.value("PATH"), qEnvironmentVariable("PATH"));
        // The parent's own environment is left alone.
        QCOMPARE(qEnvironmentVariable("LC_ALL"), QStringLiteral("fr_FR.UTF-8"));
    }

    void results_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("combined");

        QTest::newRow("silent success") << "exit 0" << 0 << ""
                                        << ""
                                        << "";
        QTest::newRow("status passes through") << "exit 3" << 3 << ""
                                               << ""
                                               << "";
        QTest::newRow("newlines kept, combined trimmed") << "printf 'abc\\n\\n'" << 0 << "abc\n\n"
                                                         << ""
                                                         << "abc";
        QTest::newRow("error first in combined") << "echo y; echo x >&2; exit 4" << 4 << "y\n"
                                                 << "x\n"
                                                 << "x\n\ny";
        QTest::newRow("blank error is kept before trimming")
            << "printf ' '; printf ' ' >&2" << 0 << " "
            << " "
            << "";
        QTest::newRow("invalid utf-8 on standard output")
            << "printf 'ok\\377\\n'; echo 'still here' >&2; exit 2" << 2 << ""
            << "still here\n"
            << "still here";
        QTest::newRow("invalid utf-8 on standard error")
            << "printf '\\300\\200' >&2; echo fine" << 0 << "fine\n"
            << ""
            << "fine";
        QTest::newRow("utf-8 decoded") << "printf 'r\\303\\251seau'" << 0 << "réseau"
                                       << ""
                                       << "réseau";
    }

    void results()
    {
        QFETCH(QString, script);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);
        QFETCH(QString, combined);

        const CommandResult result = Shell::run(sh, {QStringLiteral("-c"), script});
        QCOMPARE(result.status, status);
        QCOMPARE(result.output, output);
        QCOMPARE(result.error, error);
        QCOMPARE(result.combined(), combined);
    }

    void launchFailure_data()
    {
        QTest::addColumn<QString>("program");

        QTest::newRow("missing program") << "/nonexistent/brisvale-no-such-tool";
        QTest::newRow("not executable") << "/etc/hostname";
        QTest::newRow("a directory") << "/tmp";
    }

    void launchFailure()
    {
        QFETCH(QString, program);
        const CommandResult result = Shell::run(program, {QStringLiteral("x")});
        QCOMPARE(result.status, -1);
        QCOMPARE(result.output, QString());
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(result.combined(), result.error.trimmed());
    }

    void killedChildIsNotASuccess()
    {
        const CommandResult result =
            Shell::run(sh, {QStringLiteral("-c"), QStringLiteral("kill -TERM $$")});
        QVERIFY(result.status != 0);
    }

    void megabytesOnStandardErrorFirstDoNotStall()
    {
        // More than any pipe buffer, written before standard output is touched.
        const CommandResult result = Shell::run(
            sh, {QStringLiteral("-c"),
                 QStringLiteral("head -c 1048576 /dev/zero | tr '\\0' e >&2; echo done")});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.output, QStringLiteral("done\n"));
        QCOMPARE(result.error.size(), 1048576);
        QVERIFY(result.error.startsWith(QStringLiteral("eeee")));
    }

    void aProgramThatNeverEndsIsStoppedAtTheLimit()
    {
        const CommandResult result =
            Shell::run(sh, {QStringLiteral("-c"), QStringLiteral("echo started; exec sleep 30")},
                       std::chrono::milliseconds(300));
        QCOMPARE(result.status, -1);
        QCOMPARE(result.output, QStringLiteral("started\n"));
        QVERIFY2(result.error.contains(QStringLiteral("300 ms")), qPrintable(result.error));
    }

    void runAsyncGivesTheSameResult()
    {
        QFuture<CommandResult> future = Shell::runAsync(
            sh, {QStringLiteral("-c"), QStringLiteral("echo out; echo err >&2; exit 5")});
        future.waitForFinished();
        const CommandResult expected{.status = 5, .output = "out\n", .error = "err\n"};
        QCOMPARE(future.result(), expected);
    }

    void combinedJoinsWhatIsThere_data()
    {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("combined");

        QTest::newRow("both empty") << ""
                                    << ""
                                    << "";
        QTest::newRow("output only") << ""
                                     << "abc\n"
                                     << "abc";
        QTest::newRow("error only") << "  boom \n"
                                    << ""
                                    << "boom";
        QTest::newRow("both, error first") << "x"
                                           << "y"
                                           << "x\ny";
        QTest::newRow("inner newlines stay") << "a\n\nb"
                                             << "\nc\n"
                                             << "a\n\nb\n\nc";
    }

    void combinedJoinsWhatIsThere()
    {
        QFETCH(QString, error);
        QFETCH(QString, output);
        QFETCH(QString, combined);
        QCOMPARE((CommandResult{.status = 0, .output = output, .error = error}.combined()),
                 combined);
    }
};

QTEST_GUILESS_MAIN(tst_Shell)
#include "tst_Shell.moc"
