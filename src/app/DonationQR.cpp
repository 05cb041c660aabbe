// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "DonationQR.h"

#include <QFileInfo>
#include <QImage>

QUrl DonationQR::find(const QString &resourcePath)
{
    if (resourcePath.isEmpty() || !QFileInfo::exists(resourcePath) || QImage(resourcePath).isNull())
        return {};
    return QUrl(QStringLiteral("qrc") + resourcePath);
}

QUrl DonationQR::image()
{
    static const QUrl image = find(QStringLiteral(":/brisvale/assets/donation-qr.png"));
    return image;
}
