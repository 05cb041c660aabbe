// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "NetworkManagerRig.h"
#include "model/AdapterCardModel.h"
#include "model/AppModel.h"
#include "platform/PlatformServices.h"
#include "ui/AppInfo.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)

// The real window on the real daemon, as the application builds it; it leaves its picture in
// the build tree (screenshots/networkmanager-rig.png).
class tst_NetworkManagerWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        BRISVALE_REQUIRE_RIG();
        QQuickStyle::setStyle(QStringLiteral("Basic"));
    }

    void windowShowsTheDaemonsServices()
    {
        QVERIFY(realSystemAvailable());
        AppModel model(realSystemServices());
        QQmlApplicationEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine.setInitialProperties({{QStringLiteral("appModel"), QVariant::fromValue(&model)}});
        engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Brisvale/ui/qml/Main.qml")));
        QCOMPARE(engine.rootObjects().size(), 1);
        auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
        QVERIFY(window);
        window->show();

        QTRY_VERIFY_WITH_TIMEOUT(model.hasLoadedOnce() && !model.loading(), 30000);
        QStringList names;
        for (const AdapterCardModel *card : model.cards())
            names.append(card->info().serviceName);
        QCOMPARE(names.size(), 10);
        QCOMPARE(names.first(), QStringLiteral("Bureau"));
        QVERIFY(names.contains(QStringLiteral("Réseau café — 東京")));
        // The real system: no simulated machine pill.
        QVERIFY(!AppInfo::instance()->simulated());
        auto *pill = window->findChild<QObject *>(QStringLiteral("simulatedPill"));
        QVERIFY(pill);
        QVERIFY(!pill->property("visible").toBool());

        QTest::qWait(600);
        const QImage image = window->grabWindow();
        QVERIFY(!image.isNull());
        const QString folder = QStringLiteral(BRISVALE_BUILD_DIR) + QStringLiteral("/screenshots");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(image.save(folder + QStringLiteral("/networkmanager-rig.png")));
    }
};

BRISVALE_RIG_TEST_MAIN(tst_NetworkManagerWindow, QGuiApplication)
#include "tst_NetworkManagerWindow.moc"
