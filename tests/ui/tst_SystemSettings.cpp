#include "ui/SystemSettings.h"

#include <QTest>

using Step = SystemSettings::Step;
using Plan = QList<Step>;
Q_DECLARE_METATYPE(Plan)

namespace {

Step url(const QString &target)
{
    return {Step::Kind::openUrl, target, {}};
}

Step program(const QString &name, const QStringList &arguments = {})
{
    return {Step::Kind::startProgram, name, arguments};
}

const Step networkPane = url("file:///System/Library/PreferencePanes/Network.prefPane");
const Step gnome = program("gnome-control-center", {"network"});
const Step editor = program("nm-connection-editor");
const Step plasma = program("systemsettings", {"kcm_networkmanagement"});
const Step machineFile = url("file:///home/u/machine simulée.json");

} // namespace

namespace QTest {
template<> char *toString(const Step &step)
{
    const QString kind = step.kind == Step::Kind::openUrl ? "open" : "start";
    return qstrdup(qPrintable(kind + ' ' + step.target + ' ' + step.arguments.join(' ')));
}
} // namespace QTest

class tst_SystemSettings : public QObject {
    Q_OBJECT

private slots:
    void networkPlan_data()
    {
        QTest::addColumn<bool>("macOS");
        QTest::addColumn<int>("majorVersion");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<QString>("simulationFile");
        QTest::addColumn<Plan>("plan");

        const QString sim = QStringLiteral("/home/u/machine simulée.json");
        const Step newPanel = url("x-apple.systempreferences:com.apple.Network-Settings.extension");
        const Step oldPanel = url("x-apple.systempreferences:com.apple.preference.network");

        QTest::newRow("macOS 13 opens the extension, then the pane")
            << true << 13 << "" << QStringList{} << "" << Plan{newPanel, networkPane};
        QTest::newRow("macOS 14") << true << 14 << "" << QStringList{} << ""
                                  << Plan{newPanel, networkPane};
        QTest::newRow("macOS 12 opens the older panel")
            << true << 12 << "" << QStringList{} << "" << Plan{oldPanel, networkPane};
        QTest::newRow("macOS 10.15")
            << true << 10 << "" << QStringList{} << "" << Plan{oldPanel, networkPane};
        QTest::newRow("macOS ignores a simulation file and Linux programs")
            << true << 13 << "GNOME" << QStringList{"gnome-control-center"} << sim
            << Plan{newPanel, networkPane};

        QTest::newRow("nothing installed, no simulation")
            << false << 0 << "" << QStringList{} << "" << Plan{};
        QTest::newRow("nothing installed opens the machine file")
            << false << 0 << "" << QStringList{} << sim << Plan{machineFile};
        QTest::newRow("GNOME panel before the machine file")
            << false << 0 << "GNOME" << QStringList{"gnome-control-center"} << sim
            << Plan{gnome, machineFile};
        QTest::newRow("every program, GNOME desktop")
            << false << 0 << "ubuntu:GNOME"
            << QStringList{"systemsettings", "nm-connection-editor", "gnome-control-center"} << ""
            << Plan{gnome, editor, plasma};
        QTest::newRow("every program, Plasma desktop takes its own first")
            << false << 0 << "KDE"
            << QStringList{"gnome-control-center", "nm-connection-editor", "systemsettings"} << sim
            << Plan{plasma, gnome, editor, machineFile};
        QTest::newRow("Plasma named in a desktop list, any case")
            << false << 0 << "neon:kde" << QStringList{"nm-connection-editor", "systemsettings"}
            << "" << Plan{plasma, editor};
        QTest::newRow("Plasma settings on another desktop come last")
            << false << 0 << "XFCE" << QStringList{"systemsettings", "nm-connection-editor"} << ""
            << Plan{editor, plasma};
    }

    void networkPlan()
    {
        QFETCH(bool, macOS);
        QFETCH(int, majorVersion);
        QFETCH(QString, desktop);
        QFETCH(QStringList, programs);
        QFETCH(QString, simulationFile);
        QFETCH(Plan, plan);

        SystemSettings::Host host;
        host.macOS = macOS;
        host.majorVersion = majorVersion;
        host.desktop = desktop;
        host.programs = QSet<QString>(programs.cbegin(), programs.cend());
        host.simulationFile = simulationFile;
        QCOMPARE(SystemSettings::networkPlan(host), plan);
    }

    // Every address the plan hands to the desktop must survive being parsed back.
    void plannedAddressesAreValidUrls()
    {
        SystemSettings::Host host;
        host.simulationFile = QStringLiteral("/tmp/a b/é#1.json");
        const Plan plan = SystemSettings::networkPlan(host);
        QCOMPARE(plan.size(), 1);
        const QUrl parsed(plan.first().target);
        QVERIFY(parsed.isValid());
        QCOMPARE(parsed.toLocalFile(), host.simulationFile);
    }
};

QTEST_GUILESS_MAIN(tst_SystemSettings)

#include "tst_SystemSettings.moc"
