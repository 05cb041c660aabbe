// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PingLogModel.h"

void PingLogModel::append(const PingLogEntry &entry)
{
    const int row = count();
    beginInsertRows({}, row, row);
    m_entries.append(entry);
    endInsertRows();
    emit countChanged();
}

void PingLogModel::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
    emit countChanged();
}

int PingLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant PingLogModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PingLogEntry &entry = m_entries.at(index.row());
    switch (role) {
    case TextRole:
    case Qt::DisplayRole:
        return entry.text;
    case KindRole:
        return QVariant::fromValue(entry.kind);
    case EntryIdRole:
        return entry.id.toString(QUuid::WithoutBraces);
    default:
        return {};
    }
}

QHash<int, QByteArray> PingLogModel::roleNames() const
{
    return {{TextRole, "text"}, {KindRole, "kind"}, {EntryIdRole, "entryId"}};
}
