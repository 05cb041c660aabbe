// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "PingTab.h"

#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The width of the ping tab's longest source label in a font, so that its picker keeps one width
// whichever is chosen. Measured here because a script walking hundreds of choices through the
// model's property would copy the whole list at every step.
class ChoiceWidth : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE static qreal widest(const PingTab *tab, const QFont &font);
};
