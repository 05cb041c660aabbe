// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AdapterInfo.h"

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
            AdapterInfo info{.device = device,
                             .hardwareName = "Ethernet",
                             .enabled = enabled,
                             .dhcp = dhcp,
                             .ip = ip,
                             .mask = mask,
                             .router = "10.0.0.1"};
            QTest::newRow(name) << info << QString(summary) << QString(label);
        };

        row("disabled whatever its addresses", false, false, "10.0.0.2", "255.0.0.0",
            "carte désactivée");
        row("DHCP without address", true, true, "", "255.0.0.0", "DHCP actif, aucune adresse");
        row("DHCP never shows the mask", true, true, "10.0.0.42", "255.0.0.0",
            "DHCP actif, 10.0.0.42");
        row("manual", true, false, "10.0.0.2", "255.0.0.0", "adresse fixe 10.0.0.2/255.0.0.0");
        row("manual, empty mask ends with the slash", true, false, "10.0.0.2", "",
            "adresse fixe 10.0.0.2/");
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
};

QTEST_GUILESS_MAIN(tst_AdapterInfo)
#include "tst_AdapterInfo.moc"
