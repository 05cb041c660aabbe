#include "model/AppModel.h"
#include "support/FakeSystem.h"

#include <QQmlEngine>
#include <QStandardPaths>
#include <QtQml/QQmlExtensionPlugin>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

// Application models over a fake system whose pings answer at once.
class Fixtures : public QObject {
    Q_OBJECT

public:
    // A model with one card that can send, and pings that succeed.
    Q_INVOKABLE QObject *modelWithOneCard()
    {
        auto *system = new FakeSystem;
        m_systems.emplace_back(system);
        AdapterInfo info = adapter("eth", "Ethernet", "192.168.1.20");
        system->queueReads({{info}});
        QList<PingOutcome> outcomes;
        for (int i = 0; i < 40; ++i)
            outcomes << PingOutcome{.success = true, .detail = "4 paquets reçus sur 4", .raw = {}};
        system->queuePings(outcomes);
        auto *model = new AppModel(system->services(), this);
        model->refresh(false);
        return model;
    }

    Q_INVOKABLE int pingsSent() const
    {
        int sent = 0;
        for (const auto &system : m_systems)
            sent += int(system->pings().size());
        return sent;
    }

private:
    std::vector<std::unique_ptr<FakeSystem>> m_systems;
};

class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable() { QStandardPaths::setTestModeEnabled(true); }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        qmlRegisterSingletonInstance("BrisvaleTest", 1, 0, "Fixtures", &m_fixtures);
    }

private:
    Fixtures m_fixtures;
};

QUICK_TEST_MAIN_WITH_SETUP(qml_ping, Setup)

#include "main.moc"
