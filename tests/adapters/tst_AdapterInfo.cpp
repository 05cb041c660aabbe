#include "adapters/AdapterInfo.h"

#include <QTest>

namespace {

AdapterInfo record(bool enabled, bool dhcp, const QString &ip, const QString &mask,
                   const QString &router = {}, bool connected = true)
{
    AdapterInfo info;
    info.id = QStringLiteral("ID");
    info.serviceName = QStringLiteral("Ethernet");
    info.device = QStringLiteral("en0");
    info.hardwareName = QStringLiteral("Ethernet");
    info.enabled = enabled;
    info.connected = connected;
    info.dhcp = dhcp;
    info.ip = ip;
    info.mask = mask;
    info.router = router;
    return info;
}

} // namespace

class tst_AdapterInfo : public QObject {
    Q_OBJECT

private slots:
    void summaryText_data()
    {
        QTest::addColumn<AdapterInfo>("info");
        QTest::addColumn<QString>("expected");

        QTest::newRow("disabled whatever its addresses")
            << record(false, false, "192.168.1.20", "255.255.255.0") << "carte désactivée";
        QTest::newRow("disabled on dhcp") << record(false, true, "", "") << "carte désactivée";
        QTest::newRow("dhcp without address")
            << record(true, true, "", "255.255.255.0") << "DHCP actif, aucune adresse";
        QTest::newRow("dhcp with address, mask never shown")
            << record(true, true, "10.0.0.42", "255.255.255.0") << "DHCP actif, 10.0.0.42";
        QTest::newRow("manual with address and mask")
            << record(true, false, "192.168.1.20", "255.255.255.0")
            << "adresse fixe 192.168.1.20/255.255.255.0";
        QTest::newRow("manual with an empty mask ends with the slash")
            << record(true, false, "192.168.1.20", "") << "adresse fixe 192.168.1.20/";
        QTest::newRow("manual without address, mask and router known")
            << record(true, false, "", "255.255.255.0", "192.168.1.1")
            << "adresse fixe, aucune adresse";
        QTest::newRow("the link plays no part")
            << record(true, true, "10.0.0.42", "", "", false) << "DHCP actif, 10.0.0.42";
    }

    void summaryText()
    {
        QFETCH(AdapterInfo, info);
        QFETCH(QString, expected);
        QCOMPARE(info.summaryText(), expected);
    }

    void metaLabel_data()
    {
        QTest::addColumn<QString>("hardwareName");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("expected");

        QTest::newRow("hardware and device") << "Wi-Fi"
                                             << "en1"
                                             << "Wi-Fi — en1";
        QTest::newRow("fallback repeats the device") << "bridge0"
                                                     << "bridge0"
                                                     << "bridge0 — bridge0";
        QTest::newRow("no device") << "Adaptateur"
                                   << ""
                                   << "Adaptateur";
    }

    void metaLabel()
    {
        QFETCH(QString, hardwareName);
        QFETCH(QString, device);
        QFETCH(QString, expected);

        AdapterInfo info;
        info.hardwareName = hardwareName;
        info.device = device;
        QCOMPARE(info.metaLabel(), expected);
    }

    void fieldsAreReadableThroughTheMetaObject()
    {
        // QML reads records through their properties; a name missing here is a blank card.
        const AdapterInfo info =
            record(true, false, "192.168.1.20", "255.255.255.0", "192.168.1.1");
        const QMetaObject &meta = AdapterInfo::staticMetaObject;
        const QStringList names = {"id",      "serviceName", "device",   "hardwareName", "kind",
                                   "enabled", "connected",   "dhcp",     "ip",           "mask",
                                   "router",  "summaryText", "metaLabel"};
        for (const QString &name : names) {
            const int index = meta.indexOfProperty(qPrintable(name));
            QVERIFY2(index >= 0, qPrintable(name));
            QVERIFY(meta.property(index).readOnGadget(&info).isValid());
        }
        QCOMPARE(meta.property(meta.indexOfProperty("summaryText")).readOnGadget(&info).toString(),
                 QStringLiteral("adresse fixe 192.168.1.20/255.255.255.0"));
    }
};

QTEST_GUILESS_MAIN(tst_AdapterInfo)
#include "tst_AdapterInfo.moc"
