// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "BrandTile.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

constexpr int side = 40;

QImage painted(const QColor &start, const QColor &end)
{
    BrandTile tile;
    tile.setStartColor(start);
    tile.setEndColor(end);
    tile.setSize(
        QSizeF(side + 2 * BrandTile::spill(), side + 2 * BrandTile::spill() + BrandTile::drop()));
    QImage image(tile.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    tile.paint(&painter);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Where a point of the tile lies along its diagonal, from 0 (top left) to 1 (bottom right).
QPoint alongDiagonal(qreal share)
{
    const int at = int(BrandTile::spill() + share * side);
    return {at, at};
}

bool near(QRgb pixel, const QColor &expected, int tolerance = 6)
{
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance && qAlpha(pixel) == 255;
}

QColor mix(const QColor &a, const QColor &b, qreal share)
{
    return QColor::fromRgbF(float(a.redF() + share * (b.redF() - a.redF())),
                            float(a.greenF() + share * (b.greenF() - a.greenF())),
                            float(a.blueF() + share * (b.blueF() - a.blueF())));
}

} // namespace

class tst_BrandTile : public QObject {
    Q_OBJECT

private slots:
    void paintsGradientOnShadow_data()
    {
        QTest::addColumn<QColor>("start");
        QTest::addColumn<QColor>("end");
        QTest::newRow("light") << QColor(0x3B, 0x82, 0xF6) << QColor(0x25, 0x63, 0xEB);
        QTest::newRow("far apart") << QColor(Qt::red) << QColor(Qt::blue);
    }

    void paintsGradientOnShadow()
    {
        QFETCH(QColor, start);
        QFETCH(QColor, end);
        const QImage image = painted(start, end);

        // The gradient runs corner to corner.
        for (const qreal share : {0.25, 0.5, 0.75}) {
            const QRgb pixel = image.pixel(alongDiagonal(share));
            QVERIFY2(near(pixel, mix(start, end, share)),
                     qPrintable(QStringLiteral("%1 along the diagonal: %2")
                                    .arg(share)
                                    .arg(QColor::fromRgba(pixel).name(QColor::HexArgb))));
        }

        // The shadow falls below the tile, soft and in the end colour, never as a dark halo;
        // the item's corners stay clear.
        const int middle = image.width() / 2;
        const int bottom = int(BrandTile::spill()) + side;
        const QRgb below = image.pixel(middle, bottom + 5);
        const QRgb above = image.pixel(middle, int(BrandTile::spill()) - 3);
        QVERIFY2(qAlpha(below) > 20 && qAlpha(below) < 0.35 * 255,
                 qPrintable(QString::number(qAlpha(below))));
        QVERIFY(qAlpha(above) < qAlpha(below));
        QVERIFY(near(qRgba(qRed(below), qGreen(below), qBlue(below), 255), end, 12));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, 0)), 0);
    }
};

QTEST_MAIN(tst_BrandTile)
#include "tst_BrandTile.moc"
