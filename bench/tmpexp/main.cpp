#include "model/AppModel.h"
#include "platform/PlatformServices.h"
#include "system/SystemTools.h"
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickStyle>
#include <QQuickItem>
#include <QQuickWindow>
#include <QElapsedTimer>
#include <QtQml/QQmlExtensionPlugin>
#include <cstdio>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFile>
#include <ctime>
Q_IMPORT_QML_PLUGIN(BrisvalePlugin)
static double cpu() { timespec ts; clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts); return ts.tv_sec*1e3 + ts.tv_nsec/1e6; }
int main(int argc, char *argv[])
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    double c0 = cpu();
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    AppModel model(simulatedServices("/tmp/perfrun/m.json", SystemTools::simulated()));
    if (qEnvironmentVariableIsSet("FONTFIRST")) {
        double f0 = cpu();
        QFile ff(":/qt/qml/Brisvale/fonts/MaterialIcons-Regular.ttf"); ff.open(QIODevice::ReadOnly); QByteArray data = ff.readAll();
        double f1 = cpu();
        int id = QFontDatabase::addApplicationFontFromData(data);
        double f2 = cpu();
        QStringList fam = QFontDatabase::applicationFontFamilies(id);
        double f3 = cpu();
        QFont f(fam.value(0)); QFontMetrics fm(f); fm.horizontalAdvance(QChar(0xe63e));
        double f4 = cpu();
        QFont g("Sans"); QFontMetrics gm(g); gm.horizontalAdvance("x");
        double f5 = cpu();
        std::printf("read %.1f add %.1f families %.1f metrics %.1f sans %.1f\n", f1-f0, f2-f1, f3-f2, f4-f3, f5-f4);
    }
    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    QByteArray body;
    for (int i = 1; i < argc; ++i) {
        QByteArray n = argv[i];
        if (n.startsWith('-')) body += n.mid(1) + " { }\n";
        else body += n + " { width: 1000; height: 100; model: win.m }\n";
    }
    QQmlComponent c(&engine);
    c.setData("import QtQuick\nimport QtQuick.Controls.Basic\nimport QtQuick.Layouts\nimport Brisvale\nApplicationWindow { id: win; width: 1120; height: 840; visible: true; property AppModel m\n Column { \n" + body + "} }", QUrl("qrc:/x.qml"));
    double c1 = cpu();
    QObject *o = c.createWithInitialProperties({{"m", QVariant::fromValue(&model)}});
    if (!o) { std::printf("%s\n", qPrintable(c.errorString())); return 1; }
    double c2 = cpu();
    auto *w = qobject_cast<QQuickWindow*>(o);
    QObject::connect(w, &QQuickWindow::frameSwapped, &app, [&] { std::printf("start %.0f create %.0f frame %.0f total %.0f\n", c1 - c0, c2 - c1, cpu() - c2, cpu()); app.quit(); });
    return app.exec();
}
