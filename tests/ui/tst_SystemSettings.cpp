// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ui/SystemSettings.h"

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
    void networkPlan_data()
    {
        QTest::addColumn<int>("macOS"); // the major version, 0 elsewhere
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<QString>("simulationFile");
        QTest::addColumn<Plan>("plan");

        using K = Step::Kind;
        const Step pane{K::openUrl, "file:///System/Library/PreferencePanes/Network.prefPane", {}};
        const Step gnome{K::startProgram, "gnome-control-center", {"network"}};
        const Step editor{K::startProgram, "nm-connection-editor", {}};
        const Step plasma{K::startProgram, "systemsettings", {"kcm_networkmanagement"}};
        const QString sim = "/home/u/machine simulée.json";
        const Step file{K::openUrl, "file:///home/u/machine simulée.json", {}};
        const QStringList all{"gnome-control-center", "nm-connection-editor", "systemsettings"};
        const QString settings = "x-apple.systempreferences:com.apple.";

        QTest::newRow("macOS 13 opens the extension, whatever else is there")
            << 13 << "GNOME" << all << sim
            << Plan{{K::openUrl, settings + "Network-Settings.extension", {}}, pane};
        QTest::newRow("macOS 12 opens the older panel")
            << 12 << "" << QStringList{} << ""
            << Plan{{K::openUrl, settings + "preference.network", {}}, pane};
        QTest::newRow("Linux, nothing at all") << 0 << "" << QStringList{} << "" << Plan{};
        QTest::newRow("Linux falls back to the machine file")
            << 0 << "" << QStringList{} << sim << Plan{file};
        QTest::newRow("GNOME panel before the machine file")
            << 0 << "ubuntu:GNOME" << QStringList{"gnome-control-center"} << sim
            << Plan{gnome, file};
        QTest::newRow("Plasma named in a desktop list, any case, takes its own first")
            << 0 << "neon:kde" << all << "" << Plan{plasma, gnome, editor};
        QTest::newRow("Plasma settings on another desktop come last")
            << 0 << "XFCE" << QStringList{"systemsettings", "nm-connection-editor"} << ""
            << Plan{editor, plasma};
    }

    void networkPlan()
    {
        QFETCH(int, macOS);
        QFETCH(QString, desktop);
        QFETCH(QStringList, programs);
        QFETCH(QString, simulationFile);
        QFETCH(Plan, plan);
        const SystemSettings::Host host{macOS > 0, macOS, desktop,
                                        QSet<QString>(programs.cbegin(), programs.cend()),
                                        simulationFile};
        QCOMPARE(SystemSettings::networkPlan(host), plan);
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

    // The machine file's address must survive being parsed back by the desktop.
    void machineFileAddressIsAValidUrl()
    {
        SystemSettings::Host host;
        host.simulationFile = "/tmp/a b/é#1.json";
        const QUrl parsed(SystemSettings::networkPlan(host).value(0).target);
        QVERIFY(parsed.isValid());
        QCOMPARE(parsed.toLocalFile(), host.simulationFile);
    }
};

QTEST_GUILESS_MAIN(tst_SystemSettings)

#include "tst_SystemSettings.moc"
