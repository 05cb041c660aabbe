#include "app/DonationQR.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace {

bool loads(const QString &path)
{
    return QFileInfo::exists(path) && !QImage(path).isNull();
}

} // namespace

QUrl DonationQR::find(const QString &resourcePath, const QString &workingDirectory)
{
    if (!resourcePath.isEmpty() && loads(resourcePath))
        return QUrl(QStringLiteral("qrc") + resourcePath);
    const QDir folder(workingDirectory);
    for (const QString &relative :
         {QStringLiteral("assets/donation-qr.png"), QStringLiteral("mac/assets/donation-qr.png")}) {
        const QString path = folder.filePath(relative);
        if (loads(path))
            return QUrl::fromLocalFile(path);
    }
    return {};
}

QUrl DonationQR::image()
{
    static const QUrl image =
        find(QStringLiteral(":/brisvale/assets/donation-qr.png"), QDir::currentPath());
    return image;
}
