#include "support/TestSupport.h"
#include "system/NetworkWriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// An osascript that records each script it is given and fails the runs the test prepared a
// reply for, so the writer's retry decisions can be counted.
class FakeOsascript {
public:
    FakeOsascript()
    {
        TestSupport::writeExecutable(
            m_root.filePath(QStringLiteral("usr/bin/osascript")),
            "#!/bin/sh\n"
            "root=\"$(dirname \"$0\")/../..\"\n"
            "printf '%s\\n' \"$2\" >> \"$root/calls.log\"\n"
            "n=$(cat \"$root/count\" 2>/dev/null || echo 0); n=$((n + 1))\n"
            "echo $n > \"$root/count\"\n"
            "if [ -f \"$root/reply.$n\" ]; then cat \"$root/reply.$n\" >&2; exit 1; fi\n");
    }

    SystemTools tools() const { return SystemTools(m_root.path()); }

    void failRun(int run, const QByteArray &text)
    {
        QFile file(m_root.filePath(QStringLiteral("reply.%1").arg(run)));
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }

    QStringList scripts() const
    {
        return TestSupport::loggedLines(m_root.filePath(QStringLiteral("calls.log")));
    }

private:
    QTemporaryDir m_root;
};

CommandResult resultOf(QFuture<CommandResult> future)
{
    future.waitForFinished();
    return future.result();
}

// Names with everything that could break the quoting on the way: quotes of both kinds,
// backslashes, dollars, backquotes, blanks, line breaks and text beyond ASCII.
QString generatedName(QRandomGenerator &random)
{
    static const QStringList pieces = {
        "'",     "\"", "\\", "$",  "`", " ", "\n", "\t", "$(id)",    "\\\"",
        "'\\''", "é",  "«",  "»",  "—", "…", "網", "😀",  "Ethernet", "Wi-Fi",
        "a",     "0",  ";",  "&&", "|", "*", "%",  "!",
    };
    QString name;
    const int length = 1 + int(random.bounded(8));
    for (int i = 0; i < length; ++i)
        name += pieces.at(int(random.bounded(pieces.size())));
    return name;
}

} // namespace

class tst_NetworkWriter : public QObject {
    Q_OBJECT

private slots:
    void privilegedScript_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("script");

        QTest::newRow("worked example") << QStringList{"-setdhcp", "Bob's Dock"}
                                        << "do shell script \"'/usr/sbin/networksetup' '-setdhcp' "
                                           "'Bob'\\\\''s Dock'\" with administrator privileges";
        QTest::newRow("empty router travels as an empty word")
            << QStringList{"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0", ""}
            << "do shell script \"'/usr/sbin/networksetup' '-setmanual' 'Ethernet' '10.0.0.2' "
               "'255.0.0.0' ''\" with administrator privileges";
        QTest::newRow("double quotes and backslashes")
            << QStringList{"-setdhcp", "a\"b\\c"}
            << "do shell script \"'/usr/sbin/networksetup' '-setdhcp' 'a\\\"b\\\\c'\" with "
               "administrator privileges";
        QTest::newRow("on and off")
            << QStringList{"-setnetworkserviceenabled", "Wi-Fi", "off"}
            << "do shell script \"'/usr/sbin/networksetup' '-setnetworkserviceenabled' 'Wi-Fi' "
               "'off'\" with administrator privileges";
    }

    void privilegedScript()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, script);
        QCOMPARE(NetworkWriter::privilegedScript(arguments), script);
    }

    void routerRetry_data()
    {
        QTest::addColumn<QString>("router");
        QTest::addColumn<QByteArray>("firstFailure");
        QTest::addColumn<QByteArray>("secondFailure");
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("status");

        QTest::newRow("first run succeeds") << "" << QByteArray() << QByteArray() << 1 << 0;
        QTest::newRow("empty router, Invalid in any case")
            << "" << QByteArray("** Error: INVALID router.") << QByteArray() << 2 << 0;
        QTest::newRow("empty router, parameters not valid")
            << "" << QByteArray("** Error: The parameters were not valid.") << QByteArray() << 2
            << 0;
        QTest::newRow("the second result is returned even when it fails")
            << "" << QByteArray("Gateway missing") << QByteArray("still wrong") << 2 << 1;
        QTest::newRow("empty router, unrelated failure")
            << "" << QByteArray("User canceled. (-128)") << QByteArray() << 1 << 1;
        QTest::newRow("router given, marker present")
            << "10.0.0.1" << QByteArray("Invalid router") << QByteArray() << 1 << 1;
    }

    void routerRetry()
    {
        QFETCH(QString, router);
        QFETCH(QByteArray, firstFailure);
        QFETCH(QByteArray, secondFailure);
        QFETCH(int, runs);
        QFETCH(int, status);

        FakeOsascript osascript;
        if (!firstFailure.isEmpty())
            osascript.failRun(1, firstFailure);
        if (!secondFailure.isEmpty())
            osascript.failRun(2, secondFailure);

        const CommandResult result = resultOf(NetworkWriter::setManual(
            osascript.tools(), "Ethernet", "10.0.0.2", "255.0.0.0", router));
        QCOMPARE(result.status, status);
        const QStringList scripts = osascript.scripts();
        QCOMPARE(scripts.size(), runs);
        if (runs == 2)
            QVERIFY(scripts[1].contains(QStringLiteral("'255.0.0.0' '0.0.0.0'\"")));
    }

    void friendlyMessage_data()
    {
        QTest::addColumn<CommandResult>("result");
        QTest::addColumn<QString>("message");

        const QString cancelled =
            QStringLiteral("Opération annulée : aucune modification n'a été appliquée.");
        const QString refused =
            QStringLiteral("Autorisation refusée : la configuration n'a pas été modifiée.");
        QTest::newRow("code -128")
            << CommandResult{1, "", "0:98: execution error: Abandon. (-128)"} << cancelled;
        QTest::newRow("cancel wins over not authorized")
            << CommandResult{1, "not authorized", "User canceled."} << cancelled;
        QTest::newRow("French annul") << CommandResult{1, "Opération ANNULÉE", ""} << cancelled;
        QTest::newRow("not authorized")
            << CommandResult{1, "", "Not authorized to do that"} << refused;
        QTest::newRow("authorization") << CommandResult{1, "Authorization failed", ""} << refused;
        QTest::newRow("must be root") << CommandResult{1, "", "You must be root."} << refused;
        QTest::newRow("administrator privileges")
            << CommandResult{1, "", "needs administrator privileges"} << refused;
        QTest::newRow("any other text, as written")
            << CommandResult{4, "** Error: The parameters were not valid.\n", "Bad IP\n"}
            << "Échec de la commande réseau : Bad IP\n\n** Error: The parameters were not valid.";
        QTest::newRow("no text") << CommandResult{1, "", ""}
                                 << "La commande réseau a échoué (code 1).";
        QTest::newRow("launch failure without text")
            << CommandResult{-1, "", ""} << "La commande réseau a échoué (code -1).";
        QTest::newRow("blanks only count as no text")
            << CommandResult{2, " \n\t", "\n"} << "La commande réseau a échoué (code 2).";
    }

    void friendlyMessage()
    {
        QFETCH(CommandResult, result);
        QFETCH(QString, message);
        QCOMPARE(NetworkWriter::friendlyMessage(result), message);
    }

    void generatedNamesReachNetworksetupUnchanged()
    {
        // A machine with no services: every name comes back in the "not recognized" message.
        QTemporaryDir dir;
        const QString path =
            TestSupport::writeMachine(dir, QJsonObject{{"services", QJsonArray()}});
        qputenv("BRISVALE_SIMULATION", QFile::encodeName(path));
        const SystemTools tools(TestSupport::simRoot());

        QRandomGenerator random(20261206);
        QStringList names;
        for (int i = 0; i < 2000; ++i)
            names << generatedName(random);
        QList<QFuture<CommandResult>> runs;
        for (const QString &name : std::as_const(names))
            runs << NetworkWriter::setDHCP(tools, name);

        for (qsizetype i = 0; i < names.size(); ++i) {
            const CommandResult result = resultOf(runs[i]);
            const QString expected = names[i] + " is not a recognized network service.";
            QVERIFY2(result.status == 1 && result.combined().contains(expected),
                     qPrintable(QStringLiteral("name %1: %2").arg(names[i], result.combined())));
        }
    }
};

QTEST_GUILESS_MAIN(tst_NetworkWriter)
#include "tst_NetworkWriter.moc"
