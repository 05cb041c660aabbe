// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Kinds.h"

#include <QColor>
#include <QMetaType>
#include <QtQml/qqmlregistration.h>

// The 21 named colours every view draws with, one palette per theme, followed by the few fixed
// colours the controls are drawn with in both themes, so that QML reads every colour here.
struct Palette {
    Q_GADGET
    QML_VALUE_TYPE(palette)

    Q_PROPERTY(QColor bg MEMBER bg)
    Q_PROPERTY(QColor surface MEMBER surface)
    Q_PROPERTY(QColor surfaceMuted MEMBER surfaceMuted)
    Q_PROPERTY(QColor surfaceSunken MEMBER surfaceSunken)
    Q_PROPERTY(QColor border MEMBER border)
    Q_PROPERTY(QColor borderStrong MEMBER borderStrong)
    Q_PROPERTY(QColor text MEMBER text)
    Q_PROPERTY(QColor textMuted MEMBER textMuted)
    Q_PROPERTY(QColor textFaint MEMBER textFaint)
    Q_PROPERTY(QColor accent MEMBER accent)
    Q_PROPERTY(QColor accentHover MEMBER accentHover)
    Q_PROPERTY(QColor accentSoft MEMBER accentSoft)
    Q_PROPERTY(QColor wifi MEMBER wifi)
    Q_PROPERTY(QColor wifiSoft MEMBER wifiSoft)
    Q_PROPERTY(QColor success MEMBER success)
    Q_PROPERTY(QColor danger MEMBER danger)
    Q_PROPERTY(QColor warning MEMBER warning)
    Q_PROPERTY(QColor warningSoft MEMBER warningSoft)
    Q_PROPERTY(QColor onAccent MEMBER onAccent)
    Q_PROPERTY(QColor knob MEMBER knob)
    Q_PROPERTY(QColor shadow MEMBER shadow)
    Q_PROPERTY(QColor brandStart MEMBER brandStart)
    Q_PROPERTY(QColor brandEnd MEMBER brandEnd)

public:
    QColor bg;
    QColor surface;
    QColor surfaceMuted;
    QColor surfaceSunken;
    QColor border;
    QColor borderStrong;
    QColor text;
    QColor textMuted;
    QColor textFaint;
    QColor accent;
    QColor accentHover;
    QColor accentSoft;
    QColor wifi;
    QColor wifiSoft;
    QColor success;
    QColor danger;
    QColor warning;
    QColor warningSoft;

    // Defaulted, so that a palette spelled with the 21 theme colours alone stays complete.
    QColor onAccent{Qt::white}; // text and symbols on an accent fill
    QColor knob{Qt::white};
    QColor shadow{Qt::black}; // drawn at a low opacity
    QColor brandStart{0x3B, 0x82, 0xF6};
    QColor brandEnd{0x25, 0x63, 0xEB};

    // The colour of a message of that kind: muted for none and info.
    Q_INVOKABLE QColor forKind(Kinds::MessageKind kind) const
    {
        switch (kind) {
        case MessageKind::success:
            return success;
        case MessageKind::warning:
            return warning;
        case MessageKind::error:
            return danger;
        case MessageKind::none:
        case MessageKind::info:
            break;
        }
        return textMuted;
    }

    friend bool operator==(const Palette &, const Palette &) = default;
};

Q_DECLARE_METATYPE(Palette)
