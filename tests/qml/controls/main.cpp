#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>
#include <QtQml/QQmlExtensionPlugin>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

// Lets the tests see what the application stored, without giving the product a reading API.
class StoredSettings : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE QVariant value(const QString &key) const { return QSettings().value(key); }
    Q_INVOKABLE bool contains(const QString &key) const { return QSettings().contains(key); }
    Q_INVOKABLE void remove(const QString &key) { QSettings().remove(key); }
};

// Gives the tests the Brisvale module and keeps their settings apart from the user's.
class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        QStandardPaths::setTestModeEnabled(true);
        qmlRegisterSingletonType<StoredSettings>(
            "BrisvaleTest", 1, 0, "StoredSettings",
            [](QQmlEngine *, QJSEngine *) -> QObject * { return new StoredSettings; });
    }
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml_controls, Setup)

#include "main.moc"
