// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AppDelegate.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QQmlEngine;
class QQuickView;

// The quit dialog's window. Whatever closes it (a button, Escape, the close button), the
// answer is delivered exactly once, after the window has closed; closing without a button
// answers stay.
class QuitDialogController : public QObject {
    Q_OBJECT

public:
    QuitDialogController(QQmlEngine *engine, const AppDelegate::QuitTexts &texts,
                         std::function<void(QuitChoice)> onChoice, QObject *parent = nullptr);
    ~QuitDialogController() override;

    QQuickView *window() const { return m_window.get(); }
    // Centred on the screen, in front, with the keyboard.
    void show();
    void choose(QuitChoice choice);

private slots:
    void chooseFromView(int choice);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void deliver(QuitChoice choice);

    std::function<void(QuitChoice)> m_onChoice;
    std::unique_ptr<QQuickView> m_window;
    bool m_choiceMade = false;
};
