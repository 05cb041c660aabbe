// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Kinds.h"

#include <QMetaType>
#include <QString>

// The message a card shows, as the card decides it.
struct CardMessage {
    Q_GADGET

    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(Kinds::MessageKind kind MEMBER kind)

public:
    QString text;
    MessageKind kind = MessageKind::none;

    friend bool operator==(const CardMessage &, const CardMessage &) = default;
};

Q_DECLARE_METATYPE(CardMessage)
