// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QObject>
#include <QPointer>

class AppDelegate;
class QWindow;

// Routes every way of quitting through the application delegate: closing the main window, the
// quit shortcut, a quit sent by the system. Only the end of the desktop session, or the
// delegate's own yes, lets the application go.
class QuitGuard : public QObject {
    Q_OBJECT

public:
    QuitGuard(QWindow *mainWindow, AppDelegate *delegate, QObject *parent = nullptr);

public slots:
    // Asks the delegate; quits when it says so, now or after the dialog.
    void requestQuit();

public:
    // The delegate's final yes.
    void quitNow();
    // Log-out, restart, shut-down: no dialog, unapplied edits are lost.
    void sessionEnding();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWindow> m_mainWindow;
    AppDelegate *m_delegate;
    bool m_quitting = false;
};
