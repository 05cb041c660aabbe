// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QColor>
#include <QImage>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

// The logo's tile: a rounded square with a diagonal gradient, on a soft shadow that falls a
// little below it. Painted with the item's first frame, which a Canvas cannot do: a Canvas
// waits for the window's scene graph, so the header would first show without its logo and
// then need a second frame of its own, just when the window's first frame is still being taken
// in by the window system.
//
// The item is larger than the tile by spill on every side (and the shadow's drop below), so
// that the shadow is not clipped.
class BrandTile : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QColor startColor READ startColor WRITE setStartColor NOTIFY startColorChanged)
    Q_PROPERTY(QColor endColor READ endColor WRITE setEndColor NOTIFY endColorChanged)
    Q_PROPERTY(qreal spill READ spill CONSTANT)
    Q_PROPERTY(qreal drop READ drop CONSTANT)

public:
    explicit BrandTile(QQuickItem *parent = nullptr);

    QColor startColor() const { return m_startColor; }
    void setStartColor(const QColor &color);
    QColor endColor() const { return m_endColor; }
    void setEndColor(const QColor &color);

    // Room around the tile for the shadow's blur, and how far the shadow falls.
    static constexpr qreal spill() { return 10; }
    static constexpr qreal drop() { return 3; }

    void paint(QPainter *painter) override;

signals:
    void startColorChanged();
    void endColorChanged();

private:
    QImage shadow(const QRectF &tile, qreal scale) const;

    QColor m_startColor;
    QColor m_endColor;
};
