// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Palette.h"
#include "TypeScale.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

// The user's light or dark choice, shared by every window: one change of isDark recolours
// them all. Persisted under "Brisvale.isDark"; until the first choice, the system's appearance
// at start decides.
class ThemeState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(bool isDark READ isDark WRITE setIsDark NOTIFY isDarkChanged)
    Q_PROPERTY(Palette palette READ palette NOTIFY isDarkChanged)
    Q_PROPERTY(QString symbolFontFamily READ symbolFontFamily CONSTANT)
    Q_PROPERTY(TypeScale textSize READ textSize CONSTANT)

public:
    static constexpr auto settingsKey = "Brisvale.isDark";

    // The one state of the application, made on first use.
    static ThemeState *instance();
    // What QML gets for the singleton: that same state, owned by C++.
    static ThemeState *create(QQmlEngine *, QJSEngine *);

    bool isDark() const { return m_isDark; }
    // Stores the choice on every assignment, also when it does not change.
    void setIsDark(bool isDark);
    Palette palette() const;
    // The one type scale of every view, the same in both themes.
    static TypeScale textSize() { return {}; }
    // A symbol's size in points, as whole logical pixels by the rule of the type scale.
    Q_INVOKABLE static int pixels(double points) { return TypeScale::pixels(points); }
    // The family of the bundled icon font, registered on first use: one registration serves
    // every symbol of every window.
    static QString symbolFontFamily();

    // The initial choice: the stored Boolean when there is one, else the system's appearance.
    static bool initialIsDark();

signals:
    void isDarkChanged();

private:
    explicit ThemeState(QObject *parent = nullptr);

    bool m_isDark;
};
