// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

// Who made this build and where it runs, as the views show it. The maker's name and addresses
// are chosen by the packager at configure time (BRISVALE_MAKER_NAME, BRISVALE_WEBSITE_URL,
// BRISVALE_DONATION_URL); which machine the window works on is learnt at run time.
class AppInfo : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(QString websiteURL READ websiteURL CONSTANT)
    Q_PROPERTY(QString websiteLabel READ websiteLabel CONSTANT)
    Q_PROPERTY(QString donationURL READ donationURL CONSTANT)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(bool simulated READ simulated NOTIFY simulatedChanged)
    Q_PROPERTY(QString machinePath READ machinePath NOTIFY simulatedChanged)
    Q_PROPERTY(QString simulationCause READ simulationCause NOTIFY simulatedChanged)
    Q_PROPERTY(QString systemName READ systemName NOTIFY simulatedChanged)
    Q_PROPERTY(QString systemVersion READ systemVersion NOTIFY simulatedChanged)

public:
    static AppInfo *instance();
    static AppInfo *create(QQmlEngine *, QJSEngine *);

    static QString makerName();
    static QString websiteURL();
    static QString websiteLabel();
    static QString donationURL();
    static QString version();

    bool simulated() const { return m_simulated; }
    // Said once by the entry point when the machine behind the model is the simulated one.
    void setSimulated(bool simulated);
    // The simulated machine's file, shown where the header says the machine is simulated.
    QString machinePath() const { return m_machinePath; }
    void setMachinePath(const QString &path);
    // Why the window works on the demo machine when nobody asked for a simulated one; empty
    // otherwise.
    QString simulationCause() const { return m_simulationCause; }
    void setSimulationCause(const QString &cause);
    // The real system's backend and its version, shown in the header; empty on a simulated
    // machine and where the window's own texts name the system (macOS).
    QString systemName() const { return m_systemName; }
    QString systemVersion() const { return m_systemVersion; }
    void setRealSystem(const QString &name, const QString &version);

    // The footer's line, for the calendar year at the moment it is asked for.
    Q_INVOKABLE QString rightsLine() const;

    static QString rightsLine(int year, const QString &maker);
    // The host a link shows for that address, without a leading "www.".
    static QString domainOf(const QString &url);

signals:
    void simulatedChanged();

private:
    explicit AppInfo(QObject *parent = nullptr);

    bool m_simulated = false;
    QString m_machinePath;
    QString m_simulationCause;
    QString m_systemName;
    QString m_systemVersion;
};
