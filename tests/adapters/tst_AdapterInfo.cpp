// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AdapterInfo.h"

#include <QLocale>
#include <QTest>

class tst_AdapterInfo : public QObject {
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<AdapterInfo>("info");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("label");
        const auto row = [](const char *name, bool enabled, bool dhcp, const char *ip,
                            const char *mask, const char *summary, const char *device = "en0",
                            const char *label = "Ethernet — en0") {
            const AdapterInfo info{.device = device,
                                   .hardwareName = "Ethernet",
                                   .enabled = enabled,
                                   .dhcp = dhcp,
                                   .ip = ip,
                                   .mask = mask};
            QTest::newRow(name) << info << QString(summary) << QString(label);
        };

        row("disabled whatever its addresses", false, false, "10.0.0.2", "255.0.0.0",
            "carte désactivée");
        row("DHCP without address", true, true, "", "255.0.0.0", "DHCP actif, aucune adresse");
        row("DHCP never shows the mask", true, true, "10.0.0.42", "255.0.0.0",
            "DHCP actif, 10.0.0.42");
        row("manual", true, false, "10.0.0.2", "255.0.0.0", "adresse fixe 10.0.0.2/255.0.0.0");
        row("manual without address", true, false, "", "255.0.0.0", "adresse fixe, aucune adresse");
        row("no device: the hardware name alone", true, true, "", "", "DHCP actif, aucune adresse",
            "", "Ethernet");
    }

    void texts()
    {
        QFETCH(AdapterInfo, info);
        QFETCH(QString, summary);
        QFETCH(QString, label);
        QCOMPARE(info.summaryText(), summary);
        QCOMPARE(info.metaLabel(), label);
    }

    void sortOrder_data()
    {
        // "state:name", comma-separated; the state is c (connected), u (enabled, unplugged) or d
        // (disabled).
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("expected");

        QTest::newRow("groups before names") << "d:Alpha,u:Bravo,c:Zulu,u:Alpha,c:Mike"
                                             << "Mike,Zulu,Alpha,Bravo,Alpha";
        QTest::newRow("accented capital collates with its letter")
            << "c:Ethernet,c:Écran Studio,c:Dock"
            << "Dock,Écran Studio,Ethernet";
        QTest::newRow("names equal but for case keep the platform's order")
            << "c:bond 1,c:Bond 1,c:Aa"
            << "Aa,bond 1,Bond 1";
        QTest::newRow("and the other way round") << "c:Bond 1,c:bond 1,c:Aa"
                                                 << "Aa,Bond 1,bond 1";
    }

    void sortOrder()
    {
        QFETCH(QString, listed);
        QFETCH(QString, expected);

        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        QList<AdapterInfo> adapters;
        for (const QString &entry : listed.split(u','))
            adapters.append({.serviceName = entry.mid(2),
                             .enabled = entry[0] != u'd',
                             .connected = entry[0] == u'c'});
        sortForDisplay(adapters);
        QStringList names;
        for (const AdapterInfo &adapter : adapters)
            names << adapter.serviceName;
        QCOMPARE(names.join(u','), expected);
    }

    // Services sharing an id (one without an identifier takes its name): each keeps a record of
    // its own, the first its id, the others one derived from the device, never one taken.
    void idsUniqueWithinOneRead()
    {
        QList<AdapterInfo> adapters;
        for (const char *deviceAndId : {"en1=Dock", "en2=Dock", "en3=Dock@en2", "en2=Dock"}) {
            const QStringList parts = QString(deviceAndId).split(u'=');
            adapters.append({.id = parts[1], .device = parts[0]});
        }
        makeIDsUnique(adapters);
        QStringList ids;
        for (const AdapterInfo &adapter : adapters)
            ids << adapter.device + '=' + adapter.id;
        QCOMPARE(ids,
                 (QStringList{"en1=Dock", "en2=Dock@en2#2", "en3=Dock@en2", "en2=Dock@en2#3"}));
    }
};

QTEST_GUILESS_MAIN(tst_AdapterInfo)
#include "tst_AdapterInfo.moc"
