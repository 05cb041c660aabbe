#include "support/FakeSystem.h"

#include <QHash>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QVariantMap>
#include <QtQml/QQmlExtensionPlugin>
#include <QtQuickTest/quicktest.h>

#include <memory>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

namespace {

// The services every model starts with: each gives a card a different state to show.
QList<AdapterInfo> initialRecords()
{
    AdapterInfo ethernet =
        adapter(QStringLiteral("eth"), QStringLiteral("Ethernet"), QStringLiteral("192.168.1.20"));

    AdapterInfo wifi =
        adapter(QStringLiteral("wifi"), QStringLiteral("Wi-Fi"), QStringLiteral("10.0.0.12"));
    wifi.kind = AdapterKind::wifi;
    wifi.hardwareName = QStringLiteral("Wi-Fi");
    wifi.device = QStringLiteral("en1");
    wifi.dhcp = true;
    wifi.router = QStringLiteral("10.0.0.1");

    AdapterInfo disabled = adapter(QStringLiteral("off"), QStringLiteral("Thunderbolt Bridge"));
    disabled.kind = AdapterKind::other;
    disabled.device = QStringLiteral("bridge0");
    disabled.enabled = false;
    disabled.connected = false;
    disabled.ip.clear();
    disabled.mask.clear();
    disabled.router.clear();
    disabled.dhcp = true;

    AdapterInfo unaddressed = adapter(QStringLiteral("noip"), QStringLiteral("USB LAN"));
    unaddressed.device = QStringLiteral("en5");
    unaddressed.connected = false;
    unaddressed.dhcp = true;
    unaddressed.ip.clear();
    unaddressed.mask.clear();
    unaddressed.router.clear();

    return {ethernet, wifi, disabled, unaddressed};
}

} // namespace

// What the QML tests drive: application models over a fake system, with the records each
// card was read from, so a test can make the system report something new.
class Fixtures : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // A model whose cards were read once: "eth" (manual, connected), "wifi" (DHCP), "off"
    // (disabled service) and "noip" (enabled, no address).
    Q_INVOKABLE QObject *makeModel()
    {
        auto scenario = std::make_shared<Scenario>();
        scenario->records = initialRecords();
        scenario->fake.answerReadsAtOnce(scenario->records);
        auto *model = new AppModel(scenario->fake.services(), this);
        m_scenarios.insert(model, scenario);
        model->refresh(false);
        return model;
    }

    Q_INVOKABLE QObject *card(QObject *model, const QString &id) const
    {
        auto *appModel = qobject_cast<AppModel *>(model);
        return appModel ? cardOf(*appModel, id) : nullptr;
    }

    // The system now reports the record of that service with these fields changed (enabled,
    // connected, dhcp, ip, mask, router, serviceName), and the model refreshes from it.
    Q_INVOKABLE void refreshWith(QObject *model, const QString &id, const QVariantMap &changes)
    {
        auto *appModel = qobject_cast<AppModel *>(model);
        const std::shared_ptr<Scenario> scenario = m_scenarios.value(appModel);
        if (!scenario)
            return;
        for (AdapterInfo &record : scenario->records) {
            if (record.id != id)
                continue;
            for (auto it = changes.cbegin(); it != changes.cend(); ++it)
                AdapterInfo::staticMetaObject
                    .property(AdapterInfo::staticMetaObject.indexOfProperty(it.key().toUtf8()))
                    .writeOnGadget(&record, it.value());
        }
        scenario->fake.answerReadsAtOnce(scenario->records);
        appModel->refresh(false);
    }

    Q_INVOKABLE void setBusy(QObject *card, bool busy)
    {
        if (auto *adapterCard = qobject_cast<AdapterCardModel *>(card))
            adapterCard->setBusy(busy);
    }

    // From now on change commands stay pending, so an operation stays in flight.
    Q_INVOKABLE void holdCommands(QObject *model)
    {
        if (const auto scenario = m_scenarios.value(qobject_cast<AppModel *>(model)))
            scenario->fake.holdCommands();
    }

    // The change commands sent so far, as "operation|arg|…".
    Q_INVOKABLE QStringList commands(QObject *model) const
    {
        const auto scenario = m_scenarios.value(qobject_cast<AppModel *>(model));
        return scenario ? scenario->fake.commands() : QStringList();
    }

    // The pings sent so far, as "address|device|count".
    Q_INVOKABLE QStringList pings(QObject *model) const
    {
        const auto scenario = m_scenarios.value(qobject_cast<AppModel *>(model));
        return scenario ? scenario->fake.pings() : QStringList();
    }

private:
    struct Scenario {
        FakeSystem fake;
        QList<AdapterInfo> records;
    };
    QHash<AppModel *, std::shared_ptr<Scenario>> m_scenarios;
};

// Gives the tests the Brisvale module and the fixtures, and keeps their settings apart from
// the user's.
class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        QStandardPaths::setTestModeEnabled(true);
        // One instance per engine, owned by it: every test file starts from fresh models.
        qmlRegisterSingletonType<Fixtures>(
            "BrisvaleTest", 1, 0, "Fixtures",
            [](QQmlEngine *, QJSEngine *) -> QObject * { return new Fixtures; });
    }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml_cardview, Setup)

#include "main.moc"
