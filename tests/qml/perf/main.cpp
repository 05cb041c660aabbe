#include "support/QmlFixtures.h"

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)
QUICK_TEST_MAIN_WITH_SETUP(qml_perf, QmlSetup)
