// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QAbstractListModel>
#include <QList>

class AdapterCardModel;
class AppModel;

// The application model's cards as rows for the views. Each new order becomes row moves,
// inserts and removals, never a reset, so the view of a card that stays (a field being typed
// in, its focus and caret) survives every refresh.
class CardListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { CardRole = Qt::UserRole + 1, CardIdRole };

    explicit CardListModel(AppModel *model);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    void follow(const QList<AdapterCardModel *> &cards);

    AppModel *m_model;
    QList<AdapterCardModel *> m_rows;
};
