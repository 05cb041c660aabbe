#include "ui/ThemeState.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString key = QLatin1String(ThemeState::settingsKey);

QPalette appearance(bool dark)
{
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x20, 0x20, 0x20) : QColor(0xEC, 0xEC, 0xEC));
    palette.setColor(QPalette::WindowText, dark ? Qt::white : Qt::black);
    return palette;
}

} // namespace

class tst_ThemeState : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().remove(key); }
    void cleanup() { QGuiApplication::setPalette(appearance(false)); }

    void initialIsDark_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("systemDark");
        QTest::addColumn<bool>("expected");

        const QVariant none;
        QTest::newRow("nothing stored, light system") << none << false << false;
        QTest::newRow("nothing stored, dark system") << none << true << true;
        QTest::newRow("stored false beats a dark system") << QVariant(false) << true << false;
        QTest::newRow("stored true beats a light system") << QVariant(true) << false << true;
        QTest::newRow("text is no choice, dark system") << QVariant("yes") << true << true;
        QTest::newRow("text is no choice, light system") << QVariant("dark") << false << false;
        QTest::newRow("a number is no choice") << QVariant(1) << false << false;
        QTest::newRow("a list is no choice") << QVariant(QStringList{"true"}) << false << false;
    }

    void initialIsDark()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, systemDark);
        QFETCH(bool, expected);

        if (stored.isValid())
            QSettings().setValue(key, stored);
        QGuiApplication::setPalette(appearance(systemDark));
        QCOMPARE(ThemeState::initialIsDark(), expected);
    }

    // Runs once: the state is a process singleton.
    void storesOnEveryAssignmentOnly()
    {
        QGuiApplication::setPalette(appearance(true));
        ThemeState *state = ThemeState::instance();
        QVERIFY(state->isDark());
        QVERIFY2(!QSettings().contains(key), "nothing is stored until the user chooses");
        QCOMPARE(state->palette().bg, QColor(0x0B, 0x12, 0x20));

        QSignalSpy changes(state, &ThemeState::isDarkChanged);
        state->setIsDark(true);
        QCOMPARE(changes.count(), 0);
        QVERIFY2(QSettings().contains(key), "confirming the shown theme stores it too");
        QGuiApplication::setPalette(appearance(false));
        QCOMPARE(ThemeState::initialIsDark(), true);

        state->setIsDark(false);
        QCOMPARE(changes.count(), 1);
        QGuiApplication::setPalette(appearance(true));
        QCOMPARE(ThemeState::initialIsDark(), false);
        QCOMPARE(state->palette().bg, QColor(0xED, 0xF1, 0xF7));
    }
};

QTEST_MAIN(tst_ThemeState)

#include "tst_ThemeState.moc"
