// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "IPv4.h"

#include <QTest>

class tst_IPv4 : public QObject {
    Q_OBJECT

private slots:
    // normalised "-": does not parse; none: stands for no router.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<bool>("none");

        const auto row = [](const char *name, QString text, QString normalised, bool none = false) {
            QTest::newRow(name) << text << normalised << none;
        };
        row("blanks at the ends", " \t192.168.1.50\n\u00A0", "192.168.1.50");
        row("leading zeros are decimal", "192.168.001.010", "192.168.1.10");
        row("the systems' no router", " 0.0.0.0\n", "0.0.0.0", true);
        row("extremes", "000.0.255.255", "0.0.255.255");
        row("blanks only", " \t", "-", true);
        row("empty piece", "1..2.3", "-");
        row("octet above 255", "256.1.1.1", "-");
        row("four digits", "0001.2.3.4", "-");
        row("sign", "+1.2.3.4", "-");
        row("arabic-indic digit", "1.2.3.\u0664", "-");
        row("three pieces", "1.2.3", "-");
        row("trailing dot", "1.2.3.4.", "-");
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalised);
        QFETCH(bool, none);
        const std::optional<quint32> value = IPv4::parse(text);
        QCOMPARE(value ? IPv4::format(*value) : "-", normalised);
        QCOMPARE(IPv4::isNoRouter(text), none);
    }

    // prefix -1: not a mask; router "-": none suggested.
    void subnet_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("prefix");
        QTest::addColumn<QString>("router");

        const auto row = [](const char *name, QString address, QString mask, int prefix,
                            QString router) {
            QTest::newRow(name) << address << mask << prefix << router;
        };
        row("first host, blanks", " 192.168.1.50", "255.255.255.0\n", 24, "192.168.1.1");
        row("address is the first host", "192.168.1.1", "255.255.255.0", 24, "192.168.1.2");
        row("/30, last host", "10.0.0.3", "255.255.255.252", 30, "10.0.0.1");
        row("/31", "10.0.0.2", "255.255.255.254", 31, "-");
        row("/32", "10.0.0.2", "255.255.255.255", 32, "-");
        row("/1, top of the range", "127.255.255.254", "128.0.0.0", 1, "0.0.0.1");
        row("link-local", "169.254.3.4", "255.255.0.0", 16, "-");
        row("holes in the mask", "192.168.1.50", "255.0.255.0", -1, "-");
        row("/0 is no mask", "10.0.0.1", "0.0.0.0", -1, "-");
        row("mask not an address", "10.0.0.1", "24", -1, "-");
        row("0.0.0.0", "0.0.0.0", "255.255.255.0", 24, "-");
    }

    void subnet()
    {
        QFETCH(QString, address);
        QFETCH(QString, mask);
        QFETCH(int, prefix);
        QFETCH(QString, router);
        QCOMPARE(IPv4::suggestedGateway(address, mask).value_or("-"), router);
        QCOMPARE(IPv4::prefixOfMask(mask).value_or(-1), prefix);
        QCOMPARE(IPv4::withPrefix("10.0.0.8", mask),
                 prefix < 0 ? QString("10.0.0.8") : "10.0.0.8/" + QString::number(prefix));
        if (prefix >= 0)
            QCOMPARE(IPv4::format(IPv4::maskOfPrefix(prefix)), IPv4::canonical(mask));
    }
};

QTEST_GUILESS_MAIN(tst_IPv4)
#include "tst_IPv4.moc"
