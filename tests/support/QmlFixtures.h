// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AppInfo.h"
#include "support/FakeSystem.h"

#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>
#include <QVariantMap>
#include <QtQml/QQmlExtensionPlugin>
#include <QtQuickTest/quicktest.h>

// BrisvaleTest.Fixtures for the Qt Quick tests: models over a fake system, and the stored
// settings. Everything but newModel() acts on the newest model. AppModel lets this class set
// its status.
class AppModelTestAccess : public QObject {
    Q_OBJECT

public:
    // Without cards, reads wait for answerRead(). With cards, every read answers at once with
    // "eth" (manual), "wifi" (DHCP), "off" (disabled) and "noip" (no address); pings succeed.
    Q_INVOKABLE AppModel *newModel(bool withCards = false)
    {
        FakeSystem &fake = *m_systems.emplace_back(std::make_unique<FakeSystem>());
        AppModel &model = *m_models.emplace_back(std::make_unique<AppModel>(fake.services()));
        QJSEngine::setObjectOwnership(&model, QJSEngine::CppOwnership);
        if (withCards) {
            m_records = adaptersFor({"eth", "wifi", "off", "noip"});
            for (AdapterInfo *record : {&m_records[1], &m_records[2], &m_records[3]})
                record->dhcp = true;
            m_records[2].enabled = false;
            for (AdapterInfo *record : {&m_records[2], &m_records[3]}) {
                record->connected = false;
                record->ip = record->mask = record->router = QString();
            }
            fake.answerReadsAtOnce(m_records);
            fake.queuePings(QList<PingOutcome>(40, {true, "4 paquets reçus sur 4", {}}));
            model.refresh(false);
        }
        return &model;
    }
    // The system now reports these fields of that service changed, and the model refreshes.
    Q_INVOKABLE void refreshWith(const QString &id, const QVariantMap &changes)
    {
        const QMetaObject &meta = AdapterInfo::staticMetaObject;
        for (AdapterInfo &record : m_records)
            for (auto it = changes.cbegin(); record.id == id && it != changes.cend(); ++it)
                meta.property(meta.indexOfProperty(it.key().toUtf8()))
                    .writeOnGadget(&record, it.value());
        fake().answerReadsAtOnce(m_records);
        m_models.back()->refresh(false);
    }
    Q_INVOKABLE AdapterCardModel *card(QString id) const { return cardOf(*m_models.back(), id); }
    Q_INVOKABLE void setBusy(const QString &id, bool busy) { card(id)->setBusy(busy); }
    Q_INVOKABLE void setStatus(const QString &text, Kinds::MessageKind kind)
    {
        m_models.back()->setStatus(text, kind);
    }
    Q_INVOKABLE int readsStarted() const { return fake().readsStarted(); }
    // Ends the oldest pending read with one connected Ethernet service per identifier.
    Q_INVOKABLE void answerRead(const QStringList &ids) { fake().answerRead(adaptersFor(ids)); }
    Q_INVOKABLE void holdCommands() { fake().holdCommands(); }
    Q_INVOKABLE QStringList commands() const { return fake().commands(); }
    Q_INVOKABLE QStringList pings() const { return fake().pings(); }
    // The header says the machine is simulated, from that file; an empty path says it is not,
    // and names the real system, if any.
    Q_INVOKABLE void simulateMachine(const QString &path, const QString &system = QString())
    {
        AppInfo::instance()->setSimulated(!path.isEmpty());
        AppInfo::instance()->setMachinePath(path);
        AppInfo::instance()->setRealSystem(system, system.isEmpty() ? "" : "1.42.4");
    }
    Q_INVOKABLE QString stored(QString key) const { return QSettings().value(key).toString(); }
    Q_INVOKABLE void forget(QString key) { QSettings().remove(key); }

    // Models go while the application still runs: their unfinished operations end with them.
    void clear()
    {
        m_models.clear();
        m_systems.clear();
    }

private:
    FakeSystem &fake() const { return *m_systems.back(); }

    std::vector<std::unique_ptr<FakeSystem>> m_systems;
    std::vector<std::unique_ptr<AppModel>> m_models;
    QList<AdapterInfo> m_records;
};

// Each runner's setup: the Brisvale module, the fixtures, and settings apart from the user's.
class QmlSetup : public QObject {
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
    AppModelTestAccess m_fixtures;
};
