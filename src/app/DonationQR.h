#pragma once

#include <QUrl>

// Where the donation QR image is, looked up once per process: the image built into the
// application, then "assets/donation-qr.png", then "mac/assets/donation-qr.png" below the
// working directory. Empty when none exists.
namespace DonationQR {

QUrl image();
// The lookup itself, from a given folder; resourcePath is tried first.
QUrl find(const QString &resourcePath, const QString &workingDirectory);

} // namespace DonationQR
