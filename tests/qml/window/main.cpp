#include "model/AppModel.h"
#include "support/FakeSystem.h"
#include "ui/AppInfo.h"

#include <QQmlEngine>
#include <QStandardPaths>
#include <QtQml/QQmlExtensionPlugin>
#include <QtQuickTest/quicktest.h>

#include <memory>
#include <vector>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

class AppModelTestAccess {
public:
    static void setStatus(AppModel &model, const QString &text, MessageKind kind)
    {
        model.setStatus(text, kind);
    }
};

// What the window tests drive: application models over a system whose reads and commands
// answer only when the test says so. Each newModel() starts afresh; older models live on until
// the end so that views still bound to them never see them go.
class Fixtures : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE AppModel *newModel()
    {
        auto system = std::make_unique<FakeSystem>();
        auto model = std::make_unique<AppModel>(system->services());
        m_systems.push_back(std::move(system));
        // Returned to QML, it would otherwise be the garbage collector's.
        QJSEngine::setObjectOwnership(model.get(), QJSEngine::CppOwnership);
        m_models.push_back(std::move(model));
        return m_models.back().get();
    }

    Q_INVOKABLE int readsStarted() const { return system().readsStarted(); }
    Q_INVOKABLE int readsPending() const { return system().readsPending(); }
    // Ends the oldest pending read with one connected Ethernet service per identifier.
    Q_INVOKABLE void answerRead(const QStringList &ids) { system().answerRead(adaptersFor(ids)); }
    Q_INVOKABLE void holdCommands() { system().holdCommands(); }
    Q_INVOKABLE void releaseCommand() { system().releaseCommand(CommandResult{}); }
    Q_INVOKABLE int commandCount() const { return int(system().commands().size()); }
    Q_INVOKABLE AdapterCardModel *card(const QString &id) const
    {
        return cardOf(*m_models.back(), id);
    }
    Q_INVOKABLE void setStatus(const QString &text, Kinds::MessageKind kind)
    {
        AppModelTestAccess::setStatus(*m_models.back(), text, kind);
    }
    Q_INVOKABLE void setSimulated(bool simulated) { AppInfo::instance()->setSimulated(simulated); }

    // Models go while the application still runs: their unfinished operations end with them.
    void clear()
    {
        m_models.clear();
        m_systems.clear();
    }

private:
    FakeSystem &system() const { return *m_systems.back(); }

    std::vector<std::unique_ptr<FakeSystem>> m_systems;
    std::vector<std::unique_ptr<AppModel>> m_models;
};

// Gives the tests the Brisvale module and keeps their settings apart from the user's.
class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable() { QStandardPaths::setTestModeEnabled(true); }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        qmlRegisterSingletonInstance("BrisvaleTest", 1, 0, "Fixtures", &m_fixtures);
    }
    void cleanupTestCase() { m_fixtures.clear(); }

private:
    Fixtures m_fixtures;
};

QUICK_TEST_MAIN_WITH_SETUP(qml_window, Setup)

#include "main.moc"
