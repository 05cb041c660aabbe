// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "CardListModel.h"

#include "AppModel.h"

CardListModel::CardListModel(AppModel *model)
    : QAbstractListModel(model)
    , m_model(model)
{
    connect(model, &AppModel::cardsChanged, this, [this] { follow(m_model->cards()); });
}

int CardListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant CardListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    AdapterCardModel *card = m_rows.at(index.row());
    switch (role) {
    case CardRole:
        return QVariant::fromValue(card);
    case CardIdRole:
    case Qt::DisplayRole:
        return card->id();
    default:
        return {};
    }
}

QHash<int, QByteArray> CardListModel::roleNames() const
{
    return {{CardRole, "card"}, {CardIdRole, "cardId"}};
}

void CardListModel::follow(const QList<AdapterCardModel *> &order)
{
    // A card listed twice is shown once, where it first appears.
    QList<AdapterCardModel *> cards;
    for (AdapterCardModel *card : order) {
        if (!cards.contains(card))
            cards.append(card);
    }
    // Rows whose card is gone, or that repeat a row above, go first, from the bottom so the
    // indexes above stay valid.
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (cards.contains(m_rows.at(row)) && m_rows.indexOf(m_rows.at(row)) == row)
            continue;
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
    }
    // Then each position takes its card, moved up from below or inserted when new.
    for (int row = 0; row < cards.size(); ++row) {
        AdapterCardModel *card = cards.at(row);
        if (row < m_rows.size() && m_rows.at(row) == card)
            continue;
        const int from = int(m_rows.indexOf(card, row));
        if (from >= 0) {
            beginMoveRows({}, from, from, {}, row);
            m_rows.move(from, row);
            endMoveRows();
        } else {
            beginInsertRows({}, row, row);
            m_rows.insert(row, card);
            endInsertRows();
        }
    }
}
