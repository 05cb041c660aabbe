// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterCardModel.h"
#include "AdapterInfo.h"
#include "AppModel.h"
#include "CardListModel.h"
#include "CardMessage.h"
#include "Kinds.h"
#include "PingLogModel.h"
#include "PingTab.h"
#include "ProfileEditor.h"
#include "ProfilesModel.h"

#include <QtQml/qqmlregistration.h>

// The types of the layers below as the views know them. The model and the records know
// nothing of QML; they are named here, in the one QML module, from the metatypes their
// libraries export.

namespace KindsForeign {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(Kinds)
QML_NAMED_ELEMENT(Kinds)
} // namespace KindsForeign

struct AdapterInfoForeign {
    Q_GADGET
    QML_FOREIGN(AdapterInfo)
    QML_VALUE_TYPE(adapterInfo)
};

struct CardMessageForeign {
    Q_GADGET
    QML_FOREIGN(CardMessage)
    QML_VALUE_TYPE(cardMessage)
};

struct AppModelForeign {
    Q_GADGET
    QML_FOREIGN(AppModel)
    QML_NAMED_ELEMENT(AppModel)
    QML_UNCREATABLE("the application model is made once at start")
};

struct AdapterCardModelForeign {
    Q_GADGET
    QML_FOREIGN(AdapterCardModel)
    QML_NAMED_ELEMENT(AdapterCardModel)
    QML_UNCREATABLE("cards are made by the application model")
};

struct CardListModelForeign {
    Q_GADGET
    QML_FOREIGN(CardListModel)
    QML_NAMED_ELEMENT(CardListModel)
    QML_UNCREATABLE("the card list belongs to the application model")
};

struct PingTabForeign {
    Q_GADGET
    QML_FOREIGN(PingTab)
    QML_NAMED_ELEMENT(PingTab)
};

struct PingLogModelForeign {
    Q_GADGET
    QML_FOREIGN(PingLogModel)
    QML_NAMED_ELEMENT(PingLogModel)
    QML_UNCREATABLE("the log belongs to its ping tab")
};

struct ProfilesModelForeign {
    Q_GADGET
    QML_FOREIGN(ProfilesModel)
    QML_NAMED_ELEMENT(ProfilesModel)
    QML_UNCREATABLE("the profiles are made once at start")
};

struct ProfileEditorForeign {
    Q_GADGET
    QML_FOREIGN(ProfileEditor)
    QML_NAMED_ELEMENT(ProfileEditor)
    QML_UNCREATABLE("an editor is opened by the profiles")
};
