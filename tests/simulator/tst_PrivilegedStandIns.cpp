// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkWriter.h"
#include "Shell.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Laid out by hand, one service per line, so that a write shows it keeps what it did not change.
const QByteArray machineText =
    "{\n  \"administrator\": \"approve\",\n  \"services\": [\n"
    "    { \"UserDefinedName\": \"Ethernet\", \"IPv4\": { \"ConfigMethod\": \"Manual\" } },\n"
    "    { \"UserDefinedName\": \"Wi-Fi\", \"IPv4\": { \"ConfigMethod\": \"DHCP\" } },\n"
    "    { \"UserDefinedName\": \"Dock\", \"Enabled\": false }\n  ],\n  \"note\": \"kept\"\n}\n";
const QJsonObject dhcp{{"ConfigMethod", "DHCP"}};

const SystemTools tools(TestSupport::simRoot());

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_PrivilegedStandIns : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        write(machineText);
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(m_machine));
        qunsetenv(SimulatedMachine::privilegeVariable);
    }

    void osascript_data()
    {
        QTest::addColumn<QString>("administrator");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error"); // status 1 when there is one
        QTest::addColumn<QString>("output");
        const auto row = [](const char *name, const char *administrator, const QString &script,
                            const QString &error, const QString &output = {}) {
            QTest::newRow(name) << QString(administrator) << script << error << output;
        };

        const QString good = NetworkWriter::privilegedScript({"-setdhcp", "Ethernet"});
        row("approved", "approve", good, {}, "\n");
        row("cancelled", "cancel", good, "User canceled. (-128)");
        row("denied", "deny", good,
            "The administrator user name or password was incorrect. (-60007)");
        row("not a shell script", "approve", "display dialog \"x\"",
            "The simulated machine only runs do shell script \"…\" with administrator "
            "privileges. (-1708)");
        row("another command after networksetup", "approve",
            "do shell script \"'/usr/sbin/networksetup';ls\" with administrator privileges",
            "The simulated machine lends administrator privileges to /usr/sbin/networksetup "
            "only. (-10004)");
        // The refusal comes back on standard output, naming the service as it arrived.
        for (const char *name : {"Nulle part", "d'Anne", "Salle \"B\"", "fin\\", "a\nb", "$(id)"})
            row(name, "approve", NetworkWriter::privilegedScript({"-setdhcp", name}),
                QString(name) +
                    " is not a recognized network service.\n** Error: The parameters were not "
                    "valid. (4)");
        row("output, trailing newline trimmed", "approve",
            NetworkWriter::privilegedScript({"-listallnetworkservices"}), {},
            "An asterisk (*) denotes that a network service is disabled.\nEthernet\nWi-Fi\n"
            "*Dock\n");
    }

    void osascript()
    {
        QFETCH(QString, administrator);
        QFETCH(QString, script);
        QFETCH(QString, error);
        QFETCH(QString, output);

        const QByteArray text = QByteArray(machineText).replace("approve", administrator.toUtf8());
        write(text);
        const CommandResult result = Shell::run(tools.osascript(), {"-e", script});
        if (!error.isEmpty())
            error = QStringLiteral("0:%1: execution error: %2\n").arg(script.size()).arg(error);
        QCOMPARE(result.error, error);
        QCOMPARE(result.output, output);
        QCOMPARE(result.status, error.isEmpty() ? 0 : 1);
        QCOMPARE(contents(m_machine) != text, QTest::currentDataTag() == QLatin1String("approved"));
    }

    void networksetup_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("marker");
        QTest::addColumn<QString>("output"); // status 14 without the marker, else 4, when any
        // For a change: which service, and the value it now has under that key.
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        const auto row = [](const char *name, const QStringList &arguments, const char *marker,
                            QString output, int index = -1, const QString &key = {},
                            const QJsonValue &value = {}) {
            if (!output.isEmpty() && QByteArray(marker) == "1")
                output += "\n** Error: The parameters were not valid.";
            QTest::newRow(name) << arguments << QByteArray(marker) << output << index << key
                                << value;
        };

        const QStringList manual{"-setmanual", "Wi-Fi", "10.0.0.2", "255.0.0.0", "10.0.0.1"};
        row("manual", manual, "1", {}, 1, "IPv4",
            QJsonObject{{"ConfigMethod", "Manual"},
                        {"Addresses", QJsonArray{"10.0.0.2"}},
                        {"SubnetMasks", QJsonArray{"255.0.0.0"}},
                        {"Router", "10.0.0.1"}});
        row("DHCP", {"-setdhcp", "Ethernet"}, "1", {}, 0, "IPv4", dhcp);
        row("disable", {"-setnetworkserviceenabled", "Ethernet", "off"}, "1", {}, 0, "Enabled",
            false);
        row("enable", {"-setnetworkserviceenabled", "Dock", "on"}, "1", {}, 2, "Enabled", true);
        const QString admin = "** Error: Command requires admin privileges.";
        row("no marker", manual, nullptr, admin);
        row("marker 0", {"-setdhcp", "Ethernet"}, "0", admin);
        row("names match exactly", {"-setdhcp", "ethernet"}, "1",
            "ethernet is not a recognized network service.");
        row("address", {"-setmanual", "Ethernet", "192.168.1.256", "255.0.0.0", "0.0.0.0"}, "1",
            "Invalid IP address: 192.168.1.256");
        row("mask", {"-setmanual", "Ethernet", "10.0.0.2", "255.0.0", "0.0.0.0"}, "1",
            "Invalid subnet mask: 255.0.0");
        row("empty router", {"-setmanual", "Ethernet", "10.0.0.2", "255.0.0.0", ""}, "1",
            "Invalid router address: (empty)");
        row("state", {"-setnetworkserviceenabled", "Ethernet", "ON"}, "1",
            "Invalid state: ON (use on or off)");
        row("no router", manual.mid(0, 4), "1",
            "Usage: networksetup -setmanual <networkservice> <ip> <subnet> <router>");
    }

    void networksetup()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, marker);
        QFETCH(QString, output);
        QFETCH(int, index);
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);

        if (!marker.isNull())
            qputenv(SimulatedMachine::privilegeVariable, marker);
        const QDateTime start = QDateTime::currentDateTimeUtc();
        const CommandResult result = Shell::run(tools.networksetup(), arguments);
        QCOMPARE(result.output + result.error, output.isEmpty() ? output : output + '\n');
        QCOMPARE(result.status, output.isEmpty() ? 0 : marker == "1" ? 4 : 14);
        // No lock or temporary file is left behind; a refusal leaves the file as it was.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"machine.json"});
        const QByteArray after = contents(m_machine);
        QCOMPARE(after != machineText, index >= 0);
        if (index < 0)
            return;

        QJsonObject service = QJsonDocument::fromJson(after)["services"][index].toObject();
        QCOMPARE(service.value(key), value);
        QVERIFY(QDateTime::fromString(service.take("ChangedAt").toString(), Qt::ISODateWithMs) >=
                start);
        // Nothing else in the service moved, and the other lines are kept byte for byte.
        const QJsonObject old = QJsonDocument::fromJson(machineText)["services"][index].toObject();
        service.insert(key, old.value(key)); // an undefined value removes the key
        QCOMPARE(service, old);
        QByteArray line = machineText.split('\n').at(3 + index);
        line.chop(line.endsWith(',') ? 1 : 0);
        const qsizetype at = machineText.indexOf(line);
        QVERIFY2(after.startsWith(machineText.left(at)) &&
                     after.endsWith(machineText.mid(at + line.size())),
                 after.constData());
    }

    void concurrentWritersLoseNothing()
    {
        constexpr int count = 50;
        QJsonArray services;
        for (int i = 0; i < count; ++i)
            services.append(QJsonObject{{"UserDefinedName", QString::number(i)}});
        TestSupport::writeMachine(m_dir, QJsonObject{{"services", services}});

        qputenv(SimulatedMachine::privilegeVariable, "1");
        QProcess processes[count];
        for (int i = 0; i < count; ++i)
            processes[i].start(tools.networksetup(),
                               {"-setmanual", QString::number(i), "10.0.0." + QString::number(i),
                                "255.0.0.0", "0.0.0.0"});
        for (QProcess &process : processes) {
            QVERIFY(process.waitForFinished(60000));
            QVERIFY2(process.exitCode() == 0, process.readAllStandardOutput().constData());
        }
        const QJsonArray written =
            QJsonDocument::fromJson(contents(m_machine))["services"].toArray();
        for (int i = 0; i < count; ++i)
            QCOMPARE(written.at(i)["IPv4"]["Addresses"][0].toString(),
                     "10.0.0." + QString::number(i));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"machine.json"});
    }

private:
    void write(const QByteArray &text)
    {
        QFile file(m_machine);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QTemporaryDir m_dir;
    const QString m_machine = m_dir.filePath("machine.json");
};

QTEST_GUILESS_MAIN(tst_PrivilegedStandIns)
#include "tst_PrivilegedStandIns.moc"
