// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "MainWindow.h"

#include "AppDelegate.h"
#include "AppModel.h"

#include <QFuture>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QQuickWindow>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
#include <optional>

namespace {

// The sizes window managers and task bars show, made from the installed-size picture away from
// the main thread: decoding and smoothing take longer than a frame, and the cards are drawn
// meanwhile.
QList<QImage> windowIconImages()
{
    const QImage picture(QStringLiteral(":/brisvale/hicolor/256x256/brisvale.png"));
    QList<QImage> images;
    for (const int side : {16, 32, 48, 64, 128, 256})
        images.append(picture.width() == side ? picture
                                              : picture.scaled(side, side, Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation));
    return images;
}

void setWindowIcon(const QList<QImage> &images)
{
    QIcon icon;
    for (const QImage &image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    QGuiApplication::setWindowIcon(icon);
}

} // namespace

void MainWindow::show(QQuickWindow *window)
{
    window->show();
    window->raise();
    window->requestActivate();
}

void MainWindow::place(QQuickWindow *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const std::optional<QRect> area =
        screen ? std::optional(screen->availableGeometry()) : std::nullopt;
    const QSize size = AppDelegate::initialContentSize(area);
    window->resize(size);
    if (area)
        window->setPosition(area->center() - QPoint(size.width() / 2, size.height() / 2));
    // Made now, while the window system is idle. Left to Qt Quick, the cursor is loaded just
    // after the first frame, and under X11 that is a round trip which waits until the server
    // has taken in the whole frame: the first read would only start after it.
    window->setCursor(Qt::ArrowCursor);
    show(window);
}

void MainWindow::setIconOnceLoaded(QQuickWindow *window, const AppModel *model)
{
    auto loaded = std::make_shared<QMetaObject::Connection>();
    *loaded = QObject::connect(model, &AppModel::hasLoadedOnceChanged, window, [=] {
        if (!model->hasLoadedOnce())
            return;
        QObject::disconnect(*loaded);
        auto swapped = std::make_shared<QMetaObject::Connection>();
        *swapped = QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [swapped, window] {
                if (!*swapped)
                    return;
                QObject::disconnect(*swapped);
                *swapped = {};
                QtConcurrent::run(windowIconImages).then(window, [](const QList<QImage> &images) {
                    setWindowIcon(images);
                });
            },
            Qt::QueuedConnection);
        window->update();
    });
}
