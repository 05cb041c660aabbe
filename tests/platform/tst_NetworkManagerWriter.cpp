// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ChangeMessages.h"
#include "NetworkManagerWriter.h"
#include "NetworkWriter.h"

#include <QTest>

using Settings = NetworkManagerWriter::Settings;

namespace {

// A profile as GetSettings hands it over, with what a change must leave alone.
Settings profile(const QString &method, bool secondAddress = false)
{
    QList<QVariantMap> addresses{{{"address", "10.0.0.5"}, {"prefix", 24u}}};
    if (secondAddress)
        addresses.append({{"address", "10.0.0.200"}, {"prefix", 24u}});
    Settings settings;
    settings["connection"] = {{"id", "Bureau"}, {"uuid", "0a1b"}, {"autoconnect", true}};
    settings["ipv4"] = {{"method", method},        {"address-data", QVariant::fromValue(addresses)},
                        {"addresses", "old form"}, {"gateway", "10.0.0.1"},
                        {"dns", "dns servers"},    {"route-data", "routes"},
                        {"routes", "old routes"}};
    settings["ipv6"] = {{"method", "manual"}, {"address-data", "fd00::5/64"}, {"addresses", "old"}};
    settings["802-3-ethernet"] = {{"mtu", 1400u}};
    return settings;
}

QString addresses(const Settings &settings)
{
    QStringList texts;
    for (const QVariantMap &address : settings["ipv4"]["address-data"].value<QList<QVariantMap>>())
        texts
            << QString("%1/%2").arg(address["address"].toString()).arg(address["prefix"].toUInt());
    return texts.join(u',');
}

} // namespace

class tst_NetworkManagerWriter : public QObject {
    Q_OBJECT

private slots:
    void changesKeepTheRest_data()
    {
        QTest::addColumn<Settings>("changed");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("address"); // every address, in order
        QTest::addColumn<QString>("gateway"); // empty: none
        const auto row = [](const char *name, const Settings &changed, const char *method,
                            const char *address, const char *gateway) {
            QTest::newRow(name) << changed << QString(method) << QString(address)
                                << QString(gateway);
        };

        namespace W = NetworkManagerWriter;
        // The card's address is a manual profile's first; a DHCP profile's stand beside the lease.
        row("manual from DHCP, before the fixed addresses",
            W::withManualAddress(profile("auto"), "192.168.4.20", 22, "192.168.4.1"), "manual",
            "192.168.4.20/22,10.0.0.5/24", "192.168.4.1");
        row("manual without a router drops the old one",
            W::withManualAddress(profile("manual"), "192.168.4.20", 24, ""), "manual",
            "192.168.4.20/24", "");
        row("manual replaces the first address only",
            W::withManualAddress(profile("manual", true), "10.0.0.8", 24, "10.0.0.254"), "manual",
            "10.0.0.8/24,10.0.0.200/24", "10.0.0.254");
        row("DHCP drops the manual address and gateway", W::withDHCP(profile("manual")), "auto", "",
            "");
        row("DHCP keeps the other addresses", W::withDHCP(profile("manual", true)), "auto",
            "10.0.0.200/24", "");
        row("autoconnect leaves the addressing", W::withAutoconnect(profile("manual"), false),
            "manual", "10.0.0.5/24", "10.0.0.1");
    }

    void changesKeepTheRest()
    {
        QFETCH(Settings, changed);
        QFETCH(QString, method);
        QFETCH(QString, address);
        QFETCH(QString, gateway);

        const QVariantMap ipv4 = changed["ipv4"];
        QCOMPARE(ipv4["method"].toString(), method);
        QCOMPARE(addresses(changed), address);
        QCOMPARE(ipv4.value("gateway").toString(), gateway);
        QCOMPARE(ipv4.contains("gateway"), !gateway.isEmpty());
        // The old address and route lists would override the new ones: never sent back.
        QVERIFY(!ipv4.contains("addresses"));
        QVERIFY(!ipv4.contains("routes"));
        QVERIFY(!changed["ipv6"].contains("addresses"));
        // Everything else as it came.
        QCOMPARE(ipv4["dns"].toString(), "dns servers");
        QCOMPARE(ipv4["route-data"].toString(), "routes");
        QCOMPARE(changed["ipv6"]["address-data"].toString(), "fd00::5/64");
        QCOMPARE(changed["802-3-ethernet"]["mtu"].toUInt(), 1400u);
        QCOMPARE(changed["connection"]["id"].toString(), "Bureau");
    }

    void maskRefusedBeforeTheBus()
    {
        const CommandResult result =
            NetworkManagerWriter::setManual("0a1b", "Bureau", "10.0.0.5", "255.0.255.0", "")
                .result();
        QCOMPARE(ChangeMessages::failure(result),
                 "Le masque 255.0.255.0 n'est pas un masque de sous-réseau (ses bits à 1 doivent "
                 "se suivre) ; rien n'a été modifié.");
    }
};

QTEST_GUILESS_MAIN(tst_NetworkManagerWriter)
#include "tst_NetworkManagerWriter.moc"
