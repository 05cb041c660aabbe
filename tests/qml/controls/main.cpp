// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "support/QmlFixtures.h"

#include <QAccessible>
#include <QQuickItem>

// What a screen reader is told of an item. A control of Qt Quick tells its role only once
// accessibility is on, as it is while a screen reader runs.
class ScreenReader : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE QVariantMap read(QQuickItem *item) const
    {
        QAccessible::setActive(true);
        const QAccessibleInterface *face = QAccessible::queryAccessibleInterface(item);
        return {{"role", face->role()},
                {"name", face->text(QAccessible::Name)},
                {"checked", bool(face->state().checked)}};
    }
};

static void registerScreenReader()
{
    qmlRegisterType<ScreenReader>("BrisvaleTest", 1, 0, "ScreenReader");
}
Q_COREAPP_STARTUP_FUNCTION(registerScreenReader)

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)
QUICK_TEST_MAIN_WITH_SETUP(qml_controls, QmlSetup)

#include "main.moc"
