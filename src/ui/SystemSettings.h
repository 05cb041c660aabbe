// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <functional>

class AppModel;
class QJSEngine;
class QQmlEngine;

// Opens the system's network settings, or on a simulated machine its file: the real settings
// would change the real network, not the simulated one. Where the settings are depends on the
// system, its version and what is installed, so the choice is a plain function of those facts
// (networkPlan) and only openNetwork() touches the desktop.
class SystemSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // Texts of the window that name the system, its settings or its keys.
    Q_PROPERTY(QString networkSettingsToolTip READ networkSettingsToolTip CONSTANT)
    Q_PROPERTY(QString authorizationToolTip READ authorizationToolTip CONSTANT)
    Q_PROPERTY(QString emptyListHint READ emptyListHint CONSTANT)
    Q_PROPERTY(QString refreshShortcut READ refreshShortcut CONSTANT)

public:
    // What the choice depends on.
    struct Host {
        bool macOS = false;
        int majorVersion = 0;
        // XDG_CURRENT_DESKTOP, e.g. "KDE" or "ubuntu:GNOME".
        QString desktop;
        // Which of settingsPrograms() are on the PATH.
        QSet<QString> programs;
        // The simulated machine's file, empty when the window works on the real system.
        QString simulationFile;
    };

    // One way of opening the settings: an address for the desktop's opener, or a program.
    struct Step {
        enum class Kind { openUrl, startProgram };
        Kind kind = Kind::openUrl;
        QString target;
        QStringList arguments;

        friend bool operator==(const Step &, const Step &) = default;
    };

    // The desktops' network settings programs worth looking for.
    static QStringList settingsPrograms();
    // The steps to try in order; the first that succeeds ends the attempt.
    static QList<Step> networkPlan(const Host &host);
    // What the status line says once the plan has been tried, if anything.
    struct Outcome {
        QString message;
        bool problem = false;
    };
    // Tries the plan's steps with `perform` until one succeeds.
    static Outcome open(const Host &host, const std::function<bool(const Step &)> &perform);
    // The facts of the running system.
    static Host currentHost();

    // The texts for a system: the Mac's own words on macOS, the desktop's elsewhere.
    struct Texts {
        QString networkSettingsToolTip;
        QString authorizationToolTip;
        QString emptyListHint;
        QString refreshShortcut;
    };
    static Texts textsFor(bool macOS);

    static SystemSettings *create(QQmlEngine *, QJSEngine *);

    QString networkSettingsToolTip() const { return m_texts.networkSettingsToolTip; }
    QString authorizationToolTip() const { return m_texts.authorizationToolTip; }
    QString emptyListHint() const { return m_texts.emptyListHint; }
    QString refreshShortcut() const { return m_texts.refreshShortcut; }

    // Says in the model's status line what it did, where there is something to say.
    Q_INVOKABLE void openNetwork(AppModel *model);

private:
    explicit SystemSettings(QObject *parent = nullptr);
    static bool perform(const Step &step);

    Texts m_texts;
};
