// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Kinds.h"

#include <QAbstractListModel>
#include <QList>
#include <QUuid>

// One finished ping, as the log shows it.
struct PingLogEntry {
    QUuid id;
    QString text;
    MessageKind kind = MessageKind::info;
};

// The ping tab's log, oldest first. Appending inserts one row, so the view keeps its scroll
// position and animates to the newest line.
class PingLogModel : public QAbstractListModel {
    Q_OBJECT

    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { TextRole = Qt::UserRole + 1, KindRole, EntryIdRole };

    using QAbstractListModel::QAbstractListModel;

    int count() const { return int(m_entries.size()); }
    QList<PingLogEntry> entries() const { return m_entries; }
    void append(const PingLogEntry &entry);
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    QList<PingLogEntry> m_entries;
};
