// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ThemeState.h"

#include "AppTheme.h"

#include <QByteArray>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QQmlEngine>
#include <QSettings>
#include <QStringEncoder>

namespace {

// Qt 6.4 has no colour-scheme query: a window colour darker than its text is a dark appearance.
bool systemAppearanceIsDark()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

} // namespace

ThemeState::ThemeState(QObject *parent)
    : QObject(parent)
    , m_isDark(initialIsDark())
{
}

ThemeState *ThemeState::instance()
{
    static ThemeState *state = new ThemeState;
    return state;
}

ThemeState *ThemeState::create(QQmlEngine *, QJSEngine *)
{
    ThemeState *state = instance();
    QJSEngine::setObjectOwnership(state, QJSEngine::CppOwnership);
    return state;
}

bool ThemeState::initialIsDark()
{
    const QVariant stored = QSettings().value(QLatin1String(settingsKey));
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool();
#ifndef Q_OS_MACOS
    // The text stores give Booleans back as text; the user defaults keep their type.
    if (stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString();
        if (text == QLatin1String("true") || text == QLatin1String("false"))
            return text == QLatin1String("true");
    }
#endif
    return systemAppearanceIsDark();
}

void ThemeState::setIsDark(bool isDark)
{
    if (m_isDark != isDark) {
        m_isDark = isDark;
        emit isDarkChanged();
    }
    QSettings().setValue(QLatin1String(settingsKey), isDark);
}

Palette ThemeState::palette() const
{
    return m_isDark ? AppTheme::dark() : AppTheme::light();
}

// The bundled icon font under a family of its own. Systems that install the same font (Debian
// ships it also as WOFF2) would otherwise be asked for it by name, and might hand over their
// compressed copy, whose decompression alone costs the first frame about 12 ms. The name is
// replaced in place by one of the same length, so no table of the font moves.
QString ThemeState::symbolFontFamily()
{
    static const QString family = [] {
        // Font names are stored as UTF-16, big-endian.
        QStringEncoder utf16(QStringConverter::Utf16BE);
        QFile file(QStringLiteral(":/qt/qml/Brisvale/fonts/MaterialIcons-Regular.ttf"));
        QByteArray font = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        font.replace(QByteArray(utf16(u"Material Icons")), QByteArray(utf16(u"Brisvale Icons")));
        const int id = QFontDatabase::addApplicationFontFromData(font);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (families.isEmpty()) {
            qWarning("The bundled Material Icons font could not be loaded");
            return QStringLiteral("Material Icons");
        }
        return families.constFirst();
    }();
    return family;
}
