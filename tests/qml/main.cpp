// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "support/QmlFixtures.h"

Q_IMPORT_QML_PLUGIN(BrisvalePlugin)
QUICK_TEST_MAIN_WITH_SETUP(qml, QmlSetup)
