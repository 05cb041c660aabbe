// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "adapters/Kinds.h"

#include <QMetaType>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The message a card shows, as the card decides it.
struct CardMessage {
    Q_GADGET
    QML_VALUE_TYPE(cardMessage)

    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(Kinds::MessageKind kind MEMBER kind)

public:
    QString text;
    MessageKind kind = MessageKind::none;

    friend bool operator==(const CardMessage &, const CardMessage &) = default;
};

Q_DECLARE_METATYPE(CardMessage)
