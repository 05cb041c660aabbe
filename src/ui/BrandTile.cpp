// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "BrandTile.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Corner radius as a share of the tile's side.
constexpr qreal cornerShare = 0.24;
// The shadow: opacity of the end colour, and the blur as a canvas would take it (its standard
// deviation is half of it).
constexpr qreal shadowOpacity = 0.35;
constexpr qreal shadowBlur = 8;

QPainterPath roundedTile(const QRectF &tile)
{
    QPainterPath path;
    const qreal radius = cornerShare * tile.width();
    path.addRoundedRect(tile, radius, radius);
    return path;
}

// One pass of a running-sum box blur over the alpha of a premultiplied image, along rows
// (step 1) or columns (step = width), in place. Three passes come close to a Gaussian.
void boxBlurAlpha(std::vector<float> &alpha, int length, int lines, int stride, int step,
                  int radius)
{
    std::vector<float> line(static_cast<size_t>(length));
    const float window = float(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        float *const start = alpha.data() + qsizetype(l) * stride;
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = start[qsizetype(i) * step];
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? line[size_t(i)] : 0.f;
        for (int i = 0; i < length; ++i) {
            start[qsizetype(i) * step] = sum / window;
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            if (leaving >= 0)
                sum -= line[size_t(leaving)];
            if (entering < length)
                sum += line[size_t(entering)];
        }
    }
}

} // namespace

BrandTile::BrandTile(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void BrandTile::setStartColor(const QColor &color)
{
    if (m_startColor == color)
        return;
    m_startColor = color;
    emit startColorChanged();
    update();
}

void BrandTile::setEndColor(const QColor &color)
{
    if (m_endColor == color)
        return;
    m_endColor = color;
    emit endColorChanged();
    update();
}

void BrandTile::paint(QPainter *painter)
{
    const qreal side = std::min(width() - 2 * spill(), height() - 2 * spill() - drop());
    if (side <= 0)
        return;
    const QRectF tile(spill(), spill(), side, side);
    const qreal scale = window() ? window()->effectiveDevicePixelRatio() : 1.0;

    painter->setRenderHint(QPainter::Antialiasing);
    painter->drawImage(QPointF(0, 0), shadow(tile.translated(0, drop()), scale));

    QLinearGradient gradient(tile.topLeft(), tile.bottomRight());
    gradient.setColorAt(0, m_startColor);
    gradient.setColorAt(1, m_endColor);
    painter->fillPath(roundedTile(tile), gradient);
}

// The tile's shape in the shadow colour, blurred, over the whole item.
QImage BrandTile::shadow(const QRectF &tile, qreal scale) const
{
    const int w = int(std::ceil(width() * scale));
    const int h = int(std::ceil(height() * scale));
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter shape(&image);
        shape.setRenderHint(QPainter::Antialiasing);
        shape.scale(scale, scale);
        shape.fillPath(roundedTile(tile), Qt::black);
    }

    std::vector<float> alpha(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[size_t(y) * size_t(w) + size_t(x)] = float(qAlpha(row[x]));
    }
    // Three box passes whose variance adds up to the Gaussian's.
    const qreal sigma = shadowBlur / 2 * scale;
    const int radius = std::max(1, int(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(alpha, w, h, w, 1, radius);
        boxBlurAlpha(alpha, h, w, 1, w, radius);
    }

    QColor color = m_endColor;
    color.setAlphaF(float(shadowOpacity));
    const QRgb premultiplied = qPremultiply(color.rgba());
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float coverage = alpha[size_t(y) * size_t(w) + size_t(x)] / 255.f;
            const auto part = [coverage](int channel) { return int(channel * coverage + 0.5f); };
            row[x] = qRgba(part(qRed(premultiplied)), part(qGreen(premultiplied)),
                           part(qBlue(premultiplied)), part(qAlpha(premultiplied)));
        }
    }
    image.setDevicePixelRatio(scale);
    return image;
}
