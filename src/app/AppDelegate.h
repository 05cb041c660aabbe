// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AppModel.h"
#include "Kinds.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <qcorotask.h>

#include <functional>
#include <optional>

// Every request to quit passes through here: with unapplied card edits the user is asked
// whether to apply them first, quit without them, or stay. The platform's parts (the dialog,
// the deferred reply, bringing the window forward) are given as callbacks, so the decisions
// are plain code.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    enum class Reply { terminateNow, cancel, terminateLater };

    struct QuitTexts {
        QString title;
        QString message;
        QString primaryText;
        std::optional<QString> secondaryText;
        QString stayText;
        bool hasPendingChanges = false;
    };

    struct Platform {
        // Opens the quit dialog; the handler is called once, after the dialog has closed.
        std::function<void(const QuitTexts &, std::function<void(QuitChoice)>)> openQuitDialog;
        // The answer to a deferred quit: true quits, false cancels.
        std::function<void(bool)> replyToTerminate;
        std::function<void()> showMainWindow;
    };

    explicit AppDelegate(Platform platform, QObject *parent = nullptr);

    void setModel(AppModel *model) { m_model = model; }
    bool terminationPending() const { return m_terminationPending; }

    // The end of the desktop session quits at once; otherwise a dialog may decide later.
    Reply shouldTerminate(bool sessionEnding);

    static QuitTexts quitTexts(int dirtyCards);
    // The main window's first content size, from the screen's visible area when there is one.
    static QSize initialContentSize(std::optional<QRect> visibleArea);

private:
    QCoro::Task<> handleChoice(QuitChoice choice, bool hasPendingChanges);

    Platform m_platform;
    QPointer<AppModel> m_model;
    bool m_terminationPending = false;
};
