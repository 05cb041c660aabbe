// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "SystemSettings.h"

#include <QTest>

using Step = SystemSettings::Step;
using Plan = QList<Step>;
Q_DECLARE_METATYPE(Plan)

namespace QTest {
template<> char *toString(const Step &step)
{
    const QString kind = step.kind == Step::Kind::openUrl ? "open " : "start ";
    return qstrdup(qPrintable(kind + step.target + ' ' + step.arguments.join(' ')));
}
} // namespace QTest

class tst_SystemSettings : public QObject {
    Q_OBJECT

private slots:
    // Each plan is tried with a stand-in that opens nothing real, and succeeds or not.
    void networkPlan_data()
    {
        QTest::addColumn<int>("macOS"); // the major version, 0 elsewhere
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<QString>("simulationFile");
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
        const QStringList all{"gnome-control-center", "nm-connection-editor", "systemsettings"};
        const QString settings = "x-apple.systempreferences:com.apple.";
        const QString none = "!Aucun réglage réseau du bureau n'a été trouvé : installez "
                             "nm-connection-editor, ou les réglages de GNOME ou de KDE.";

        QTest::newRow("macOS 13 opens the extension")
            << 13 << "GNOME" << all << ""
            << Plan{{K::openUrl, settings + "Network-Settings.extension", {}}, pane} << true << "";
        QTest::newRow("macOS 12 opens the older panel")
            << 12 << "" << QStringList{} << ""
            << Plan{{K::openUrl, settings + "preference.network", {}}, pane} << false << none;
        QTest::newRow("Linux, nothing at all")
            << 0 << "" << QStringList{} << "" << Plan{} << false << none;
        QTest::newRow("a simulated Mac opens its file, never the real settings")
            << 13 << "" << QStringList{} << sim << Plan{file} << true
            << "Une machine simulée n'a pas de réglages réseau : son fichier est ouvert à la "
               "place (/home/u/machine simulée#1.json).";
        QTest::newRow("a simulated machine whose file cannot be opened")
            << 0 << "ubuntu:GNOME" << all << sim << Plan{file} << false
            << "!Une machine simulée n'a pas de réglages réseau, et son fichier n'a pas pu être "
               "ouvert : modifiez /home/u/machine simulée#1.json avec un éditeur de texte.";
        QTest::newRow("Plasma named in a desktop list, any case, takes its own first")
            << 0 << "neon:kde" << all << "" << Plan{plasma, gnome, editor} << true << "";
        QTest::newRow("Plasma settings on another desktop come last")
            << 0 << "XFCE" << QStringList{"systemsettings", "nm-connection-editor"} << ""
            << Plan{editor, plasma} << false << none;
    }

    void networkPlan()
    {
        QFETCH(int, macOS);
        QFETCH(QString, desktop);
        QFETCH(QStringList, programs);
        QFETCH(QString, simulationFile);
        QFETCH(Plan, plan);
        QFETCH(bool, opens);
        QFETCH(QString, status);
        const SystemSettings::Host host{macOS > 0, macOS, desktop,
                                        QSet<QString>(programs.cbegin(), programs.cend()),
                                        simulationFile};
        QCOMPARE(SystemSettings::networkPlan(host), plan);
        Plan tried;
        const SystemSettings::Outcome outcome =
            SystemSettings::open(host, [&tried, opens](const Step &step) {
                tried << step;
                return opens;
            });
        QCOMPARE(tried, opens ? plan.mid(0, 1) : plan);
        QCOMPARE(outcome.problem, status.startsWith('!'));
        QCOMPARE(outcome.message, outcome.problem ? status.mid(1) : status);
    }

    // The Mac keeps its own words; elsewhere no text may send the user to macOS or its keys.
    void textsNameTheRightSystem_data()
    {
        QTest::addColumn<bool>("macOS");
        QTest::newRow("macOS") << true;
        QTest::newRow("Linux") << false;
    }

    void textsNameTheRightSystem()
    {
        QFETCH(bool, macOS);
        const SystemSettings::Texts texts = SystemSettings::textsFor(macOS);
        const QString all = texts.networkSettingsToolTip + texts.authorizationToolTip +
                            texts.emptyListHint + texts.refreshShortcut;
        QCOMPARE(all.contains("macOS"), macOS);
        QCOMPARE(all.contains(u'⌘'), macOS);
        QCOMPARE(texts.refreshShortcut, macOS ? "⌘R" : "Ctrl+R");
    }
};

QTEST_GUILESS_MAIN(tst_SystemSettings)

#include "tst_SystemSettings.moc"
