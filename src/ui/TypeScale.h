// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QMetaType>
#include <QtQml/qqmlregistration.h>

// The text sizes of the interface, one per role, in logical pixels: a size given in points is
// that many logical pixels on every platform, whatever the screen's dots per inch. Fonts take
// whole pixels, so a half-point size is drawn at the pixel below it, which never outgrows the
// boxes laid out around it.
struct TypeScale {
    Q_GADGET
    QML_VALUE_TYPE(typeScale)

    Q_PROPERTY(int appTitle MEMBER appTitle CONSTANT)
    Q_PROPERTY(int cardName MEMBER cardName CONSTANT)
    Q_PROPERTY(int pageTitle MEMBER pageTitle CONSTANT)
    Q_PROPERTY(int dialogTitle MEMBER dialogTitle CONSTANT)
    Q_PROPERTY(int emphasis MEMBER emphasis CONSTANT)
    Q_PROPERTY(int tab MEMBER tab CONSTANT)
    Q_PROPERTY(int body MEMBER body CONSTANT)
    Q_PROPERTY(int label MEMBER label CONSTANT)
    Q_PROPERTY(int caption MEMBER caption CONSTANT)
    Q_PROPERTY(int small MEMBER small CONSTANT)
    Q_PROPERTY(int toolTip MEMBER toolTip CONSTANT)

public:
    static constexpr int pixels(double points) { return int(points + 0.4999); }

    int appTitle = pixels(24);    // the product name in the header
    int cardName = pixels(19);    // a service's name on its card
    int pageTitle = pixels(18);   // the ping tab's title
    int dialogTitle = pixels(17); // the quit dialog's title
    int emphasis = pixels(14);    // the empty list's title
    int tab = pixels(13.5);       // tab titles
    int body = pixels(13);        // buttons, fields, menus
    int label = pixels(12.5);     // subtitles, state labels, the mode segment
    int caption = pixels(12);     // field captions, hints, pills, the ping log
    int small = pixels(11.5);     // details, messages, the status bar and footer
    int toolTip = pixels(11);

    friend bool operator==(const TypeScale &, const TypeScale &) = default;
};

Q_DECLARE_METATYPE(TypeScale)
