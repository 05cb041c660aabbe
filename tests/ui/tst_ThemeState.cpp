// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ui/ThemeState.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString key = QLatin1String(ThemeState::settingsKey);

void setSystemDark(bool dark)
{
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x20, 0x20, 0x20) : QColor(0xEC, 0xEC, 0xEC));
    palette.setColor(QPalette::WindowText, dark ? Qt::white : Qt::black);
    QGuiApplication::setPalette(palette);
}

} // namespace

class tst_ThemeState : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().remove(key); }

    void initialIsDark_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("systemDark");
        QTest::addColumn<bool>("expected");

        QTest::newRow("nothing stored follows the system") << QVariant() << true << true;
        QTest::newRow("stored false beats a dark system") << QVariant(false) << true << false;
        QTest::newRow("text is no choice") << QVariant("dark") << false << false;
        QTest::newRow("a number is no choice") << QVariant(0) << true << true;
    }

    void initialIsDark()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, systemDark);
        QFETCH(bool, expected);
        if (stored.isValid())
            QSettings().setValue(key, stored);
        setSystemDark(systemDark);
        QCOMPARE(ThemeState::initialIsDark(), expected);
    }

    // Runs once: the state is a process singleton. Nothing is stored until the user chooses;
    // then every choice is, also one confirming the theme shown.
    void storesEveryAssignment()
    {
        setSystemDark(true);
        ThemeState *state = ThemeState::instance();
        QVERIFY(state->isDark() && !QSettings().contains(key));
        QSignalSpy changes(state, &ThemeState::isDarkChanged);
        state->setIsDark(true);
        setSystemDark(false);
        QVERIFY(ThemeState::initialIsDark());
        state->setIsDark(false);
        QCOMPARE(changes.count(), 1);
        setSystemDark(true);
        QVERIFY(!ThemeState::initialIsDark());
        QCOMPARE(state->palette().bg, QColor(0xED, 0xF1, 0xF7));
    }
};

QTEST_MAIN(tst_ThemeState)

#include "tst_ThemeState.moc"
