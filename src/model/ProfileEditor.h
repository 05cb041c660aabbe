// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Profile.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>

#include <optional>

class AdapterCardModel;
class ProfilesModel;

// The "Nouveau profil…" and "Modifier" dialog: a name, a note and one row per service, each
// with a card of its own that the dialog edits with the network cards' controls, so that a
// profile's addresses pass the very checks and router suggestion a change does.
class ProfileEditor : public QAbstractListModel {
    Q_OBJECT

    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString note READ note WRITE setNote NOTIFY noteChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool editing READ editing CONSTANT)

public:
    enum Role { IncludedRole = Qt::UserRole + 1, EnabledRole, CardRole, FoundRole };
    Q_ENUM(Role)

    // Every current service, ticked when it is on (only `cardId` when set), filled from what the
    // system shows or the card's unapplied draft.
    static ProfileEditor *forNew(ProfilesModel *profiles, const QString &cardId);
    // The profile's entries, then the other current services unticked.
    static ProfileEditor *forProfile(ProfilesModel *profiles, const Profile &profile);
    ~ProfileEditor() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QString name() const { return m_name; }
    void setName(const QString &name);
    QString note() const { return m_note; }
    void setNote(const QString &note);
    QString error() const { return m_error; }
    bool editing() const { return !m_original.isEmpty(); }

    Q_INVOKABLE void setIncluded(int row, bool included);
    Q_INVOKABLE void setEnabled(int row, bool enabled);
    Q_INVOKABLE AdapterCardModel *card(int row) const;
    // Hands the profile to the profiles kept, or says in `error` why not; true once kept.
    Q_INVOKABLE bool save();

    // The profile as the dialog holds it, whether or not it may be saved.
    Profile profile() const;

signals:
    void nameChanged();
    void noteChanged();
    void errorChanged();

private:
    struct Row {
        AdapterCardModel *card = nullptr;
        bool included = false;
        bool enabled = true;
        // The service was found among those read: a row that is not keeps the entry's values.
        bool found = true;
    };

    explicit ProfileEditor(ProfilesModel *profiles);
    void addRow(AdapterInfo record, bool included, bool enabled, bool found);
    std::optional<QString> refusal() const;
    void setError(const QString &error);

    ProfilesModel *m_profiles;
    QString m_original;
    QString m_name;
    QString m_note;
    QString m_error;
    QList<Row> m_rows;
};
