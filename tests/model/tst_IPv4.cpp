#include "model/IPv4.h"

#include <QTest>

using OptionalValue = std::optional<quint32>;
using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalValue)
Q_DECLARE_METATYPE(OptionalText)

class tst_IPv4 : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalValue>("value");
        QTest::addColumn<QString>("normalised");

        const OptionalValue none;
        QTest::newRow("plain") << "192.168.1.50" << OptionalValue(0xC0A80132) << "192.168.1.50";
        QTest::newRow("blanks and line break at the ends")
            << " 192.168.1.50\n"
            << OptionalValue(0xC0A80132) << "192.168.1.50";
        QTest::newRow("tab and no-break space at the ends")
            << "\t192.168.1.50\u00A0" << OptionalValue(0xC0A80132) << "192.168.1.50";
        QTest::newRow("leading zeros are decimal")
            << " 192.168.001.010 " << OptionalValue(0xC0A8010A) << "192.168.1.10";
        QTest::newRow("three-digit zero octets")
            << "001.002.003.004" << OptionalValue(0x01020304) << "1.2.3.4";
        QTest::newRow("all ones") << "255.255.255.255" << OptionalValue(0xFFFFFFFF)
                                  << "255.255.255.255";
        QTest::newRow("zero") << "0.0.0.0" << OptionalValue(0) << "0.0.0.0";
        QTest::newRow("000 and 00") << "000.00.0.1" << OptionalValue(1) << "0.0.0.1";

        QTest::newRow("space inside") << "192.168.1 .50" << none << "";
        QTest::newRow("empty") << "" << none << "";
        QTest::newRow("blanks only") << "   \n" << none << "";
        QTest::newRow("three pieces") << "1.2.3" << none << "";
        QTest::newRow("five pieces") << "1.2.3.4.5" << none << "";
        QTest::newRow("trailing dot") << "1.2.3.4." << none << "";
        QTest::newRow("leading dot") << ".1.2.3" << none << "";
        QTest::newRow("empty piece") << "1..2.3" << none << "";
        QTest::newRow("octet above 255") << "256.1.1.1" << none << "";
        QTest::newRow("four digits") << "0001.2.3.4" << none << "";
        QTest::newRow("plus sign") << "+1.2.3.4" << none << "";
        QTest::newRow("minus sign") << "1.2.-3.4" << none << "";
        QTest::newRow("letter") << "1.2.3.a" << none << "";
        QTest::newRow("hexadecimal") << "0x1.2.3.4" << none << "";
        QTest::newRow("arabic-indic digit") << "1.2.3.\u0664" << none << "";
        QTest::newRow("fullwidth digit") << "1.2.3.\uFF14" << none << "";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(OptionalValue, value);
        QFETCH(QString, normalised);

        QCOMPARE(IPv4::parse(text), value);
        if (value)
            QCOMPARE(IPv4::format(*value), normalised);
    }

    void suggestedGateway_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<OptionalText>("router");

        const OptionalText none;
        QTest::newRow("first host") << "192.168.1.50"
                                    << "255.255.255.0" << OptionalText("192.168.1.1");
        QTest::newRow("address is the first host")
            << "192.168.1.1"
            << "255.255.255.0" << OptionalText("192.168.1.2");
        QTest::newRow("default draft") << "192.168.0.1"
                                       << "255.255.255.0" << OptionalText("192.168.0.2");
        QTest::newRow("network address accepted") << "192.168.1.0"
                                                  << "255.255.255.0" << OptionalText("192.168.1.1");
        QTest::newRow("broadcast address accepted")
            << "192.168.1.255"
            << "255.255.255.0" << OptionalText("192.168.1.1");
        QTest::newRow("/30 first") << "10.0.0.1"
                                   << "255.255.255.252" << OptionalText("10.0.0.2");
        QTest::newRow("/30 second") << "10.0.0.2"
                                    << "255.255.255.252" << OptionalText("10.0.0.1");
        QTest::newRow("/30 last") << "10.0.0.3"
                                  << "255.255.255.252" << OptionalText("10.0.0.1");
        QTest::newRow("/20") << "172.16.5.9"
                             << "255.255.240.0" << OptionalText("172.16.0.1");
        QTest::newRow("texts with blanks") << " 10.1.2.3 "
                                           << "\t255.0.0.0\n"
                                           << OptionalText("10.0.0.1");
        QTest::newRow("/31") << "10.0.0.2"
                             << "255.255.255.254" << none;
        QTest::newRow("/32") << "10.0.0.2"
                             << "255.255.255.255" << none;
        QTest::newRow("link-local") << "169.254.3.4"
                                    << "255.255.0.0" << none;
        QTest::newRow("zero address") << "0.0.0.0"
                                      << "255.255.255.0" << none;
        QTest::newRow("all-ones address") << "255.255.255.255"
                                          << "255.255.255.0" << none;
        QTest::newRow("zero mask") << "192.168.1.50"
                                   << "0.0.0.0" << none;
        QTest::newRow("non-contiguous mask") << "192.168.1.50"
                                             << "255.0.255.0" << none;
        QTest::newRow("address does not parse") << "192.168.1"
                                                << "255.255.255.0" << none;
        QTest::newRow("mask does not parse") << "192.168.1.50"
                                             << "/24" << none;
    }

    void suggestedGateway()
    {
        QFETCH(QString, address);
        QFETCH(QString, mask);
        QFETCH(OptionalText, router);
        QCOMPARE(IPv4::suggestedGateway(address, mask), router);
    }

    void contiguousMasks_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<bool>("contiguous");

        QTest::newRow("/24") << "255.255.255.0" << true;
        QTest::newRow("/32") << "255.255.255.255" << true;
        QTest::newRow("/31") << "255.255.255.254" << true;
        QTest::newRow("/1") << "128.0.0.0" << true;
        QTest::newRow("zero") << "0.0.0.0" << false;
        QTest::newRow("hole") << "255.0.255.0" << false;
        QTest::newRow("low bit only") << "0.0.0.1" << false;
    }

    void contiguousMasks()
    {
        QFETCH(QString, mask);
        QFETCH(bool, contiguous);
        QCOMPARE(IPv4::isContiguousMask(*IPv4::parse(mask)), contiguous);
    }
};

QTEST_GUILESS_MAIN(tst_IPv4)
#include "tst_IPv4.moc"
