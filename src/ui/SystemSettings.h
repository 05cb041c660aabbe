// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

// Opens the system's network settings. Where they are depends on the system, its version and
// what is installed, so the choice is a plain function of those facts (networkPlan) and only
// openNetwork() touches the desktop.
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
        // The simulated machine's file, empty when there is none.
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
    // What the status line says when no step of the plan opened anything.
    static QString unavailableMessage();

    static SystemSettings *create(QQmlEngine *, QJSEngine *);

    QString networkSettingsToolTip() const { return m_texts.networkSettingsToolTip; }
    QString authorizationToolTip() const { return m_texts.authorizationToolTip; }
    QString emptyListHint() const { return m_texts.emptyListHint; }
    QString refreshShortcut() const { return m_texts.refreshShortcut; }

    // Empty when the settings opened; otherwise the sentence for the status line.
    Q_INVOKABLE QString openNetwork();

private:
    explicit SystemSettings(QObject *parent = nullptr);
    static bool perform(const Step &step);

    Texts m_texts;
};
