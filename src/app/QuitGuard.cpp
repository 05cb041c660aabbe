// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "QuitGuard.h"

#include "AppDelegate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

#if defined(Q_OS_MACOS)
bool macSessionIsEnding();
#endif

namespace {

// A quit from the system that is really the end of the desktop session.
bool systemQuitEndsTheSession()
{
#if defined(Q_OS_MACOS)
    return macSessionIsEnding();
#else
    return false;
#endif
}

} // namespace

QuitGuard::QuitGuard(QWindow *mainWindow, AppDelegate *delegate, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
    , m_delegate(delegate)
{
    mainWindow->installEventFilter(this);
    QCoreApplication::instance()->installEventFilter(this);
}

void QuitGuard::requestQuit()
{
    if (m_quitting)
        return;
    if (m_delegate->shouldTerminate(false) == AppDelegate::Reply::terminateNow)
        quitNow();
    // Cancelled, or the dialog will answer through quitNow().
}

void QuitGuard::quitNow()
{
    m_quitting = true;
    QCoreApplication::quit();
}

void QuitGuard::sessionEnding()
{
    if (m_delegate->shouldTerminate(true) == AppDelegate::Reply::terminateNow)
        quitNow();
}

bool QuitGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (m_quitting)
        return false;
    const bool closingMainWindow = watched == m_mainWindow && event->type() == QEvent::Close;
    const bool systemQuit =
        watched == QCoreApplication::instance() && event->type() == QEvent::Quit;
    if (systemQuit && systemQuitEndsTheSession()) {
        // Log-out, restart, shut-down: the quit goes through as it is, edits are lost.
        m_quitting = true;
        return false;
    }
    if (closingMainWindow || systemQuit) {
        event->ignore();
        // Answered after the event, so a dialog never opens inside the platform's close call.
        QMetaObject::invokeMethod(this, &QuitGuard::requestQuit, Qt::QueuedConnection);
        return true;
    }
    return false;
}
