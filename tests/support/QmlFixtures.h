// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "ProfileFile.h"
#include "ProfilesModel.h"
#include "support/FakeSystem.h"

#include <QAccessible>
#include <QQmlEngine>
#include <QQuickItem>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariantMap>
#include <QtQml/QQmlExtensionPlugin>
#include <QtQuickTest/quicktest.h>

// BrisvaleTest.Fixtures for the Qt Quick tests: models over a fake system, and a screen reader.
// Everything but newModel() and the loose cards acts on the newest model.
class QmlFixtures : public QObject {
    Q_OBJECT

public:
    // Without cards, reads wait for answerRead(). With cards, every read answers at once with
    // "eth" (manual), "wifi" (DHCP), "off" (disabled) and "noip" (no address).
    Q_INVOKABLE AppModel *newModel(bool withCards = false)
    {
        FakeSystem &fake = *m_systems.emplace_back(std::make_unique<FakeSystem>());
        AppModel &model = *m_models.emplace_back(std::make_unique<AppModel>(fake.services()));
        QJSEngine::setObjectOwnership(&model, QJSEngine::CppOwnership);
        if (withCards) {
            m_records = adaptersFor({"eth", "wifi", "off", "noip"});
            m_records[2].enabled = false;
            for (AdapterInfo *record : {&m_records[1], &m_records[2], &m_records[3]}) {
                record->dhcp = true;
                if (record != &m_records[1])
                    record->connected = false, record->ip = record->mask = record->router = {};
            }
            fake.answerReadsAtOnce(m_records);
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
    Q_INVOKABLE void setBusy(AdapterCardModel *card, bool busy) { card->setBusy(busy); }
    Q_INVOKABLE bool exists(QObject *object) const { return object; }
    // A card of no model, which dropCard() deletes at once, as a read may.
    Q_INVOKABLE AdapterCardModel *looseCard() const { return new AdapterCardModel(adapter("a")); }
    Q_INVOKABLE void dropCard(AdapterCardModel *card) const { delete card; }
    Q_INVOKABLE int readsStarted() const { return fake().readsStarted(); }
    Q_INVOKABLE void answerRead(const QStringList &ids) { fake().answerRead(adaptersFor(ids)); }
    Q_INVOKABLE void holdCommands() { fake().holdCommands(); }
    Q_INVOKABLE QStringList commands() const { return fake().commands(); }
    Q_INVOKABLE void holdPings() { fake().holdPings(); }
    Q_INVOKABLE QStringList pings() const { return fake().pings(); }
    // The profiles of the newest model, from a file of that text (none when empty) beside a
    // backup of that text.
    Q_INVOKABLE ProfilesModel *newProfiles(const QByteArray &text, const QByteArray &backup)
    {
        const QString path = m_dir.filePath(QString::number(m_profiles.size()) + ".json");
        for (const auto &[file, bytes] :
             {std::pair{path, text}, {ProfileFile::backupPath(path), backup}}) {
            QFile out(file);
            if (!bytes.isEmpty() && out.open(QIODevice::WriteOnly))
                out.write(bytes);
        }
        auto &profiles =
            m_profiles.emplace_back(std::make_unique<ProfilesModel>(path, m_models.back().get()));
        QJSEngine::setObjectOwnership(profiles.get(), QJSEngine::CppOwnership);
        return profiles.get();
    }
    // A profiles file holding profiles of these names, each for the service "eth".
    Q_INVOKABLE QByteArray profilesText(const QStringList &names) const
    {
        QList<Profile> profiles;
        for (const QString &name : names)
            profiles.append({name, {}, {ProfileEntry::fromRecord(adapter("eth"))}});
        return ProfileFile::serialize(profiles);
    }
    // A control of Qt Quick tells its role only once accessibility is on, as under a screen reader.
    Q_INVOKABLE QVariantMap readAloud(QQuickItem *item) const
    {
        QAccessible::setActive(true);
        const QAccessibleInterface *face = QAccessible::queryAccessibleInterface(item);
        return {{"role", face->role()},
                {"name", face->text(QAccessible::Name)},
                {"checked", bool(face->state().checked)}};
    }

    // Models go while the application still runs: their unfinished operations end with them.
    void clear()
    {
        m_profiles.clear();
        m_models.clear();
        m_systems.clear();
    }

private:
    FakeSystem &fake() const { return *m_systems.back(); }

    std::vector<std::unique_ptr<FakeSystem>> m_systems;
    std::vector<std::unique_ptr<AppModel>> m_models;
    QList<AdapterInfo> m_records;
    std::vector<std::unique_ptr<ProfilesModel>> m_profiles;
    QTemporaryDir m_dir;
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
    QmlFixtures m_fixtures;
};
