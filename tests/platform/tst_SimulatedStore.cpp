// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkReader.h"
#include "SimulatedMachine.h"
#include "SimulatedStore.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One service on en0, link up; %1 is its address, %2 its router.
const char *const machineText = R"({ "services": [ { "ServiceID": "S1", "UserDefinedName": "Bureau",
    "Interface": { "DeviceName": "en0", "Type": "Ethernet" },
    "IPv4": { "ConfigMethod": "Manual", "Addresses": ["%1"], "Router": "%2" } } ],
  "devices": { "en0": { "link": "active" } } })";

const auto machineWith = [](const char *address, const char *router = "") {
    return QJsonDocument::fromJson(QString(machineText).arg(address, router).toUtf8()).object();
};

const SystemTools tools(TestSupport::simRoot()); // read the machine named in the environment

// One line per record, every field shown.
QString describe(const AdapterInfo &a)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%11")
        .arg(a.serviceName, a.id, a.device, a.hardwareName,
             QLatin1String(QMetaEnum::fromType<AdapterKind>().valueToKey(int(a.kind))),
             QLatin1String(a.enabled ? "enabled" : "disabled"),
             QLatin1String(a.connected ? "connected" : "unplugged"),
             QLatin1String(a.dhcp ? "DHCP" : "manual"), a.ip, a.mask, a.router);
}

} // namespace

class tst_SimulatedStore : public QObject {
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // one of the records; none at all when empty

        const QString demo = TestSupport::demoMachinePath();
        QTest::newRow("no ServiceID, leased by name")
            << demo
            << "VLAN Stockage|VLAN Stockage|vlan0|VLAN|other|enabled|connected|DHCP|"
               "10.20.1.58|255.255.0.0|10.20.0.1";
        QTest::newRow("disabled keeps its configuration")
            << demo
            << "Ethernet Dock|A7B3C9D1-4E6F-4081-92A3-B5C7D9E1F308|en7|Ethernet Dock|"
               "ethernet|disabled|unplugged|manual|192.168.1.50|255.255.255.0|192.168.1.1";
        QTest::newRow("missing file") << "/nonexistent/machine.json" << QString();
    }

    void reads()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);

        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
        SimulatedStore store(path);
        if (expected.isEmpty())
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QRegularExpression::escape(path)));
        QStringList lines;
        for (const AdapterInfo &adapter : NetworkReader::readOnce(store, tools))
            lines << describe(adapter);
        QVERIFY2(expected.isEmpty() ? lines.isEmpty() : lines.contains(expected),
                 qPrintable(lines.join(u'\n')));
    }

    void bothHandlesOfOneReadSeeTheSameFile_data()
    {
        QTest::addColumn<bool>("dynamicStoreFirst");
        QTest::newRow("preferences first") << false;
        QTest::newRow("dynamic store first") << true;
    }

    // The reader makes both handles in an order the compiler chooses; a change must not split them.
    void bothHandlesOfOneReadSeeTheSameFile()
    {
        QFETCH(bool, dynamicStoreFirst);

        const QTemporaryDir dir;
        const QString path = TestSupport::writeMachine(dir, machineWith("10.0.0.5"));
        SimulatedStore store(path);
        const auto create = [&store](bool dynamic) {
            return dynamic ? store.createDynamicStore("test") : store.createPreferences("test");
        };
        ConfigurationStore::Ref handles[2]; // the preferences, then the dynamic store
        handles[dynamicStoreFirst] = create(dynamicStoreFirst);
        TestSupport::writeMachine(dir, machineWith("10.0.0.6", "10.0.0.1"));
        handles[!dynamicStoreFirst] = create(!dynamicStoreFirst);

        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
        const AdapterInfo read =
            NetworkReader(store, handles[0], handles[1], tools).read().value(0);
        // Either handle on the changed file would bring its address or its router.
        QCOMPARE(read.id + '|' + read.ip + '|' + read.router, "S1|10.0.0.5|");
    }
};

QTEST_GUILESS_MAIN(tst_SimulatedStore)
#include "tst_SimulatedStore.moc"
