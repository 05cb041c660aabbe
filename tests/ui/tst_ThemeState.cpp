// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ThemeState.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QRawFont>
#include <QRegularExpression>
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

    // The symbols come from the bundled font, under a family no installed copy shares, and
    // every symbol the interface names is in it.
    void symbolsFromTheBundledFont()
    {
        const QString family = ThemeState::symbolFontFamily();
        QVERIFY(!QFontDatabase::families().contains(QStringLiteral("Material Icons")) ||
                family != QStringLiteral("Material Icons"));
        QCOMPARE(QFontInfo(QFont(family)).family(), family);
        const QRawFont raw = QRawFont::fromFont(QFont(family));
        QVERIFY(raw.isValid());

        // The build keeps only the glyphs of the code points the symbol item names; one it
        // missed would be drawn from some other font, or as a box.
        QFile symbolIcon(QStringLiteral(":/qt/qml/Brisvale/qml/SymbolIcon.qml"));
        QVERIFY(symbolIcon.open(QIODevice::ReadOnly));
        const QString source = QString::fromUtf8(symbolIcon.readAll());
        QStringList named;
        for (const QRegularExpressionMatch &match :
             QRegularExpression(QStringLiteral("0x([0-9a-fA-F]+)")).globalMatch(source)) {
            const char32_t codepoint = match.captured(1).toUInt(nullptr, 16);
            named.append(match.captured(0));
            QVERIFY2(raw.supportsCharacter(codepoint), qPrintable(match.captured(0)));
        }
        QVERIFY(named.contains(QStringLiteral("0xe5d5"))); // refresh
        QVERIFY(named.contains(QStringLiteral("0xe897"))); // the shield's lock
        // Nothing else: the bundled font stays the few glyphs drawn.
        QVERIFY(!raw.supportsCharacter(char32_t(0xe88a))); // home
    }
};

QTEST_MAIN(tst_ThemeState)

#include "tst_ThemeState.moc"
