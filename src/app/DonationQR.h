// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QUrl>

// Where the donation QR image is, looked up once per process: the image built into the
// application from the donation address. Empty when it cannot be loaded.
namespace DonationQR {

QUrl image();
// The lookup itself, for a given resource path.
QUrl find(const QString &resourcePath);

} // namespace DonationQR
