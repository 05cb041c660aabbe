// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlatformServices.h"
#include "SystemTools.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_PlatformChoice : public QObject {
    Q_OBJECT

private slots:
    // networksetup would change the first of two services that share the name: one added since
    // the read is found right before the privileged request, and nothing is asked.
    void aNameSharedSinceTheReadIsRefused()
    {
        const QTemporaryDir dir;
        const QJsonObject service{{"ServiceID", "S1"},
                                  {"UserDefinedName", "Bureau"},
                                  {"Interface", QJsonObject{{"DeviceName", "en0"}}}};
        const QString path = TestSupport::writeMachine(
            dir,
            {{"services", QJsonArray{service, TestSupport::with(service, "ServiceID", "S2")}}});
        const CommandResult result =
            simulatedServices(path, SystemTools(dir.path())).setDHCP({"S1", "Bureau"}).result();
        QCOMPARE(int(result.cause), int(ChangeCause::invalid));
    }

    void listing_data()
    {
        QTest::addColumn<QList<AdapterInfo>>("adapters");
        QTest::addColumn<QString>("listing");

        const AdapterInfo wifi{"id-1",    "Wi-Fi", "wlan0", "Wi-Fi",    AdapterKind::wifi,
                               true,      true,    true,    "10.0.0.2", "255.255.255.0",
                               "10.0.0.1"};
        QTest::newRow("one line per service; tabs, line ends and backslashes escaped")
            << QList<AdapterInfo>{wifi,
                                  {"a\\b", "L1\nL2\tx\r", "", "Bond", AdapterKind::other, false,
                                   false, false, "", "", ""}}
            << "Wi-Fi\tid-1\twlan0\twifi\tyes\tyes\tdhcp\t10.0.0.2\t255.255.255.0\t10.0.0.1\n"
               "L1\\nL2\\tx\\r\ta\\\\b\t\tother\tno\tno\tmanual\t\t\t\n";
        // Nothing a terminal acts on, or that starts a line, reaches it raw; other text does.
        QTest::newRow("control characters and line separators escaped")
            << QList<AdapterInfo>{{QString::fromUtf16(u"\x1b]0;\a\b\v\f\x7f\x01\u0085\u009b"),
                                   QString::fromUtf16(u"x\u2028y\u2029é東\u00a0"),
                                   QString(1, QChar(0)), "Ethernet", AdapterKind::ethernet, true,
                                   false, false, "", "", ""}}
            << QString::fromUtf16(u"x\\u2028y\\u2029é東\u00a0\t\\e]0;\\a\\b\\v\\f\\x7f\\x01"
                                  u"\\u0085\\u009b\t\\x00\tethernet\tyes\tno\tmanual\t\t\t\n");
    }

    void listing()
    {
        QFETCH(QList<AdapterInfo>, adapters);
        QFETCH(QString, listing);
        QCOMPARE(serviceListing(adapters), listing);
    }

    // `brisvale --list` where no real system answers lists only a simulated machine asked for,
    // so that a script never takes the demo machine for this one. Each refusal names its culprit.
    void commandLineRefusals_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --list
        QTest::addColumn<QString>("culprit");
        QTest::newRow("no machine asked") << QStringList() << "--simulate FICHIER";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "bogus";
        QTest::newRow("stray argument") << QStringList{"machine.json"} << "« machine.json »";
        QTest::newRow("missing machine") << QStringList{"--simulate", "/nonexistent/machine.json"}
                                         << "/nonexistent/machine.json";
        const QString notAMachine = BRISVALE_SOURCE_DIR "/CMakeLists.txt";
        QTest::newRow("malformed machine") << QStringList{"--simulate", notAMachine} << notAMachine;
    }

    void commandLineRefusals()
    {
#if !defined(Q_OS_LINUX)
        QSKIP("only Linux may have no system to list");
#endif
        QFETCH(QStringList, arguments);
        QFETCH(QString, culprit);
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // No display at all: the listing must not need one. The user's files stay untouched,
        // and no real daemon is asked.
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        environment.insert("HOME", home.path());
        environment.insert("XDG_DATA_HOME", home.filePath("data"));
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent");
        QProcess brisvale;
        brisvale.setProcessEnvironment(environment);
        brisvale.start(QStringLiteral(BRISVALE_APP_PATH), QStringList{"--list"} + arguments);
        QVERIFY(brisvale.waitForFinished(60000));
        QCOMPARE(brisvale.exitCode(), 2);
        const QString error = QString::fromUtf8(brisvale.readAllStandardError());
        QVERIFY2(error.startsWith("brisvale: ") && error.contains(culprit), qPrintable(error));
        QVERIFY(brisvale.readAllStandardOutput().isEmpty());
        QVERIFY(!QFile::exists(home.filePath("data")));
    }
};

QTEST_GUILESS_MAIN(tst_PlatformChoice)
#include "tst_PlatformChoice.moc"
