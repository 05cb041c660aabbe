// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppInfo.h"
#include "SystemSettings.h"
#include "ThemeState.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using Host = SystemSettings::Host;
using Step = SystemSettings::Step;
using Plan = QList<Step>;
Q_DECLARE_METATYPE(Host)
Q_DECLARE_METATYPE(Plan)

static const QString themeKey = QLatin1String(ThemeState::settingsKey);

static void setSystemDark(bool dark)
{
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x20, 0x20, 0x20) : QColor(0xEC, 0xEC, 0xEC));
    palette.setColor(QPalette::WindowText, dark ? Qt::white : Qt::black);
    QGuiApplication::setPalette(palette);
}

// What the window takes from the desktop it runs on: where the network settings are, the
// words and keys of that system, and the theme to start in.
class tst_Desktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().remove(themeKey); }

    // Each plan is tried with a stand-in that opens nothing real, and succeeds or not.
    void networkPlan_data()
    {
        QTest::addColumn<Host>("host");
        QTest::addColumn<Plan>("plan");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("status"); // "!" before a problem

        using K = Step::Kind;
        const Step pane{K::openUrl, "file:///System/Library/PreferencePanes/Network.prefPane", {}};
        const Step gnome{K::startProgram, "gnome-control-center", {"network"}};
        const Step editor{K::startProgram, "nm-connection-editor", {}};
        const Step plasma{K::startProgram, "systemsettings", {"kcm_networkmanagement"}};
        // Parsed back by the desktop, the address must still name the file.
        const QString sim = "/home/u/machine simulée#1.json";
        const Step file{K::openUrl, "file:///home/u/machine simulée%231.json", {}};
        const QSet<QString> all{"gnome-control-center", "nm-connection-editor", "systemsettings"};
        const QString settings = "x-apple.systempreferences:com.apple.";
        const QString none = "!Aucun réglage réseau du bureau n'a été trouvé : installez "
                             "nm-connection-editor, ou les réglages de GNOME ou de KDE.";

        QTest::newRow("macOS 13 opens the extension")
            << Host{true, 13, "GNOME", all, ""}
            << Plan{{K::openUrl, settings + "Network-Settings.extension", {}}, pane} << true << "";
        QTest::newRow("macOS 12 opens the older panel")
            << Host{true, 12, "", {}, ""}
            << Plan{{K::openUrl, settings + "preference.network", {}}, pane} << false << none;
        QTest::newRow("a simulated Mac opens its file, never the real settings")
            << Host{true, 13, "", {}, sim} << Plan{file} << true
            << "Une machine simulée n'a pas de réglages réseau : son fichier est ouvert à la "
               "place (/home/u/machine simulée#1.json).";
        QTest::newRow("a simulated machine whose file cannot be opened")
            << Host{false, 0, "ubuntu:GNOME", all, sim} << Plan{file} << false
            << "!Une machine simulée n'a pas de réglages réseau, et son fichier n'a pas pu être "
               "ouvert : modifiez /home/u/machine simulée#1.json avec un éditeur de texte.";
        QTest::newRow("Plasma named in a desktop list, any case, takes its own first")
            << Host{false, 0, "neon:kde", all, ""} << Plan{plasma, gnome, editor} << true << "";
        QTest::newRow("Plasma settings on another desktop come last")
            << Host{false, 0, "XFCE", {"systemsettings", "nm-connection-editor"}, ""}
            << Plan{editor, plasma} << false << none;
    }

    void networkPlan()
    {
        QFETCH(Host, host);
        QFETCH(Plan, plan);
        QFETCH(bool, opens);
        QFETCH(QString, status);
        QVERIFY(SystemSettings::networkPlan(host) == plan);
        Plan tried;
        const SystemSettings::Outcome outcome =
            SystemSettings::open(host, [&tried, opens](const Step &step) {
                tried << step;
                return opens;
            });
        QVERIFY(tried == (opens ? plan.mid(0, 1) : plan));
        QCOMPARE(outcome.problem, status.startsWith('!'));
        QCOMPARE(outcome.message, outcome.problem ? status.mid(1) : status);

        // Only the Mac's texts may send the user to macOS or its keys.
        const SystemSettings::Texts texts = SystemSettings::textsFor(host.macOS);
        const QString words = texts.networkSettingsToolTip + texts.authorizationToolTip +
                              texts.emptyListHint + texts.refreshShortcut;
        QCOMPARE(words.contains("macOS"), host.macOS);
        QCOMPARE(words.contains(u'⌘'), host.macOS);
    }

    // The About line names the website as people say it; an address without a scheme as typed.
    void websiteDomain()
    {
        QCOMPARE(AppInfo::domainOf("https://www.brisvale.example/dons"), "brisvale.example");
        QCOMPARE(AppInfo::domainOf("https://wwwx.example"), "wwwx.example");
        QCOMPARE(AppInfo::domainOf("brisvale.example"), "brisvale.example");
    }

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
            QSettings().setValue(themeKey, stored);
        setSystemDark(systemDark);
        QCOMPARE(ThemeState::initialIsDark(), expected);
    }

    // Runs once: the state is a process singleton. Nothing is stored until the user chooses;
    // then every choice is, also one confirming the theme shown.
    void themeStoresEveryAssignment()
    {
        setSystemDark(true);
        ThemeState *state = ThemeState::instance();
        QVERIFY(state->isDark() && !QSettings().contains(themeKey));
        QSignalSpy changes(state, &ThemeState::isDarkChanged);
        state->setIsDark(true);
        QCOMPARE(QSettings().value(themeKey), QVariant(true));
        state->setIsDark(false);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(QSettings().value(themeKey), QVariant(false));
    }
};

QTEST_MAIN(tst_Desktop)
#include "tst_Desktop.moc"
