// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AppModel.h"
#include "Kinds.h"
#include "PingLogModel.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <qcorotask.h>

// The state of the ping tab: the chosen source card, the typed target, the state line and the
// log. Lives as long as its view, which the window keeps while another tab is shown.
class PingTab : public QObject {
    Q_OBJECT

    Q_PROPERTY(AppModel *appModel READ appModel WRITE setAppModel NOTIFY appModelChanged)
    Q_PROPERTY(QString selectedID READ selectedID NOTIFY selectionChanged)
    Q_PROPERTY(QString selectedLabel READ selectedLabel NOTIFY selectionChanged)
    Q_PROPERTY(QVariantList choices READ choices NOTIFY selectionChanged)
    Q_PROPERTY(bool hasSelectableAdapters READ hasSelectableAdapters NOTIFY selectionChanged)
    Q_PROPERTY(QString target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(bool targetInvalid READ targetInvalid NOTIFY targetInvalidChanged)
    Q_PROPERTY(bool running READ running NOTIFY runningChanged)
    Q_PROPERTY(QString stateText READ stateText NOTIFY stateChanged)
    Q_PROPERTY(Kinds::MessageKind stateKind READ stateKind NOTIFY stateChanged)
    Q_PROPERTY(PingLogModel *entries READ entries CONSTANT)

public:
    static constexpr int requestCount = 4;

    explicit PingTab(QObject *parent = nullptr);

    AppModel *appModel() const { return m_appModel; }
    void setAppModel(AppModel *model);

    QString selectedID() const { return m_selectedID; }
    QString selectedLabel() const;
    // One entry per selectable card: {"id": …, "label": …}, or the single no-card label.
    QVariantList choices() const;
    bool hasSelectableAdapters() const { return !selectableAdapters().isEmpty(); }
    QString target() const { return m_target; }
    // Any change of the text clears the invalid mark and an error on the state line.
    void setTarget(const QString &target);
    bool targetInvalid() const { return m_targetInvalid; }
    bool running() const { return m_running; }
    QString stateText() const { return m_stateText; }
    MessageKind stateKind() const { return m_stateKind; }
    PingLogModel *entries() const { return m_entries; }

    // Enabled cards with an address, in the model's order: the only possible sources.
    QList<AdapterCardModel *> selectableAdapters() const;
    // The chosen card, else the first selectable one, else none.
    AdapterCardModel *selectedAdapter() const;

    // The labels of choices(), without the copy into maps, for the view to measure.
    QStringList choiceLabels() const;

    Q_INVOKABLE void syncSelection();
    Q_INVOKABLE void prefillTarget();
    Q_INVOKABLE void choose(const QString &id);
    Q_INVOKABLE void start();
    Q_INVOKABLE void clear();

    // "HH:mm:ss", the one time format of every log line.
    static QString logTime(const QDateTime &time);
    static QString label(const AdapterCardModel *card);

signals:
    void appModelChanged();
    void selectionChanged();
    void targetChanged();
    void targetInvalidChanged();
    void runningChanged();
    void stateChanged();

private:
    QCoro::Task<> ping(QPointer<AdapterCardModel> card, QString address);
    void setState(const QString &text, MessageKind kind);
    void setTargetInvalid(bool invalid);
    void setRunning(bool running);

    QPointer<AppModel> m_appModel;
    PingLogModel *m_entries;
    QString m_selectedID;
    QString m_target;
    bool m_targetInvalid = false;
    bool m_running = false;
    QString m_stateText;
    MessageKind m_stateKind = MessageKind::info;
};
