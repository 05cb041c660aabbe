// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerWriter.h"

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
        QTest::addColumn<QString>("expected"); // method|every address, in order|gateway
        namespace W = NetworkManagerWriter;
        // The card's address is a manual profile's first; a DHCP profile's stand beside the lease.
        QTest::newRow("manual from DHCP, before the fixed addresses")
            << W::withManualAddress(profile("auto"), "192.168.4.20", 22, "192.168.4.1")
            << "manual|192.168.4.20/22,10.0.0.5/24|192.168.4.1";
        QTest::newRow("manual without a router drops the old one")
            << W::withManualAddress(profile("manual"), "192.168.4.20", 24, "")
            << "manual|192.168.4.20/24|none";
        QTest::newRow("manual replaces the first address only")
            << W::withManualAddress(profile("manual", true), "10.0.0.8", 24, "10.0.0.254")
            << "manual|10.0.0.8/24,10.0.0.200/24|10.0.0.254";
        QTest::newRow("DHCP drops the manual address and gateway")
            << W::withDHCP(profile("manual")) << "auto||none";
        QTest::newRow("DHCP keeps the other addresses")
            << W::withDHCP(profile("manual", true)) << "auto|10.0.0.200/24|none";
        QTest::newRow("autoconnect leaves the addressing")
            << W::withAutoconnect(profile("manual"), false) << "manual|10.0.0.5/24|10.0.0.1";
    }

    void changesKeepTheRest()
    {
        QFETCH(Settings, changed);
        QFETCH(QString, expected);

        const QString addressing = addresses(changed);
        QVariantMap &ipv4 = changed["ipv4"];
        const QString gateway = ipv4.contains("gateway") ? ipv4.take("gateway").toString() : "none";
        QCOMPARE(ipv4.take("method").toString() + '|' + addressing + '|' + gateway, expected);
        ipv4.remove("address-data");
        changed["connection"].remove("autoconnect");
        // The old address and route lists would override the new ones: never sent back.
        // Everything else as it came.
        Settings rest = profile("");
        rest["ipv4"] = {{"dns", "dns servers"}, {"route-data", "routes"}};
        rest["ipv6"].remove("addresses");
        rest["connection"].remove("autoconnect");
        QCOMPARE(changed, rest);
    }
};

QTEST_GUILESS_MAIN(tst_NetworkManagerWriter)
#include "tst_NetworkManagerWriter.moc"
