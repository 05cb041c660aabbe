// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "IPv4.h"

#include <QTest>

class tst_IPv4 : public QObject {
    Q_OBJECT

private slots:
    // "normalised" is the parsed value written back; "-" when the text does not parse.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalised");

        const auto row = [](const char *name, QString text, QString normalised) {
            QTest::newRow(name) << text << normalised;
        };
        row("blanks at the ends", " \t192.168.1.50\n\u00A0", "192.168.1.50");
        row("leading zeros are decimal", "192.168.001.010", "192.168.1.10");
        row("extremes", "000.0.255.255", "0.0.255.255");
        row("empty piece", "1..2.3", "-");
        row("octet above 255", "256.1.1.1", "-");
        row("four digits", "0001.2.3.4", "-");
        row("sign", "+1.2.3.4", "-");
        row("arabic-indic digit", "1.2.3.\u0664", "-");
        row("three pieces", "1.2.3", "-");
        row("five pieces", "1.2.3.4.5", "-");
        row("trailing dot", "1.2.3.4.", "-");
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalised);
        const std::optional<quint32> value = IPv4::parse(text);
        QCOMPARE(value ? IPv4::format(*value) : "-", normalised);
    }

    void suggestedGateway_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("router"); // "-": none

        const auto row = [](const char *name, QString address, QString mask, QString router) {
            QTest::newRow(name) << address << mask << router;
        };
        row("first host, blanks", " 192.168.1.50", "255.255.255.0\n", "192.168.1.1");
        row("address is the first host", "192.168.1.1", "255.255.255.0", "192.168.1.2");
        row("/30, last host", "10.0.0.3", "255.255.255.252", "10.0.0.1");
        row("/31", "10.0.0.2", "255.255.255.254", "-");
        row("link-local", "169.254.3.4", "255.255.0.0", "-");
        row("non-contiguous mask", "192.168.1.50", "255.0.255.0", "-");
        row("/30, the only other host", "10.0.0.1", "255.255.255.252", "10.0.0.2");
        row("/0 is no mask", "10.0.0.1", "0.0.0.0", "-");
        row("/1, top of the range", "127.255.255.254", "128.0.0.0", "0.0.0.1");
        row("0.0.0.0", "0.0.0.0", "255.255.255.0", "-");
        row("255.255.255.255", "255.255.255.255", "255.255.255.0", "-");
    }

    void suggestedGateway()
    {
        QFETCH(QString, address);
        QFETCH(QString, mask);
        QFETCH(QString, router);
        QCOMPARE(IPv4::suggestedGateway(address, mask).value_or("-"), router);
    }

    // prefix -1: not a mask. Read as a prefix, written back from it, and shown after an address.
    void masks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("prefix");

        QTest::newRow("/24, blanks") << " 255.255.255.0\n" << 24;
        QTest::newRow("/30") << "255.255.255.252" << 30;
        QTest::newRow("/32") << "255.255.255.255" << 32;
        QTest::newRow("/1") << "128.0.0.0" << 1;
        QTest::newRow("/0 is no mask") << "0.0.0.0" << -1;
        QTest::newRow("holes") << "255.0.255.0" << -1;
        QTest::newRow("not an address") << "24" << -1;
    }

    void masks()
    {
        QFETCH(QString, text);
        QFETCH(int, prefix);
        QCOMPARE(IPv4::prefixOfMask(text).value_or(-1), prefix);
        QCOMPARE(IPv4::withPrefix("10.0.0.8", text),
                 prefix < 0 ? QString("10.0.0.8") : "10.0.0.8/" + QString::number(prefix));
        if (prefix >= 0)
            QCOMPARE(IPv4::format(IPv4::maskOfPrefix(prefix)), IPv4::canonical(text));
    }

    void noRouter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("none");

        QTest::newRow("empty") << "" << true;
        QTest::newRow("blanks") << " \t" << true;
        QTest::newRow("the systems' none") << " 0.0.0.0\n" << true;
        QTest::newRow("a router") << "10.0.0.1" << false;
        QTest::newRow("not zero") << "0.0.0.1" << false;
    }

    void noRouter()
    {
        QFETCH(QString, text);
        QFETCH(bool, none);
        QCOMPARE(IPv4::isNoRouter(text), none);
    }
};

QTEST_GUILESS_MAIN(tst_IPv4)
#include "tst_IPv4.moc"
