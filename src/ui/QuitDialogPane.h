// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

// The root of the quit dialog's content. Its one signal is declared here, so that the window
// that shows the dialog hears the answer through a typed connection.
class QuitDialogPane : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT

public:
    explicit QuitDialogPane(QQuickItem *parent = nullptr)
        : QQuickItem(parent)
    {
    }

signals:
    // One of Kinds::QuitChoice.
    void chosen(int choice);
};
