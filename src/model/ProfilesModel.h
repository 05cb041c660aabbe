// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "Kinds.h"
#include "Profile.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <qcorotask.h>

#include <optional>

class AdapterCardModel;
class AppModel;
class ProfileEditor;

// The profiles kept in the user's file, as the Profils tab shows them: whether the system shows
// each one now, the outcome of its last apply, and the dialogs that change them. The file is
// read and written on the pool, one save at a time; a file that could not be read is never
// written over, whatever the user does, until they choose to start again from its backup.
class ProfilesModel : public QAbstractListModel {
    Q_OBJECT

    Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
    Q_PROPERTY(bool backupOffered READ backupOffered NOTIFY problemChanged)
    Q_PROPERTY(bool canChange READ canChange NOTIFY problemChanged)
    Q_PROPERTY(QString applyQuestion READ applyQuestion NOTIFY applyQuestionChanged)
    Q_PROPERTY(bool importOpen READ importOpen NOTIFY importChanged)
    Q_PROPERTY(QStringList importAdded READ importAdded NOTIFY importChanged)
    Q_PROPERTY(QStringList importClashing READ importClashing NOTIFY importChanged)
    Q_PROPERTY(ProfileEditor *editor READ editor NOTIFY editorChanged)
    Q_PROPERTY(AdapterCardModel *savingCard READ savingCard NOTIFY savingCardChanged)
    Q_PROPERTY(QStringList names READ names NOTIFY countChanged)

public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        ShownNameRole,
        NoteRole,
        LinesRole,
        ActiveRole,
        ApplyingRole,
        MessageRole,
        MessageKindRole,
    };
    Q_ENUM(Role)

    // Reads the file at once (in the background).
    ProfilesModel(QString path, AppModel *appModel, QObject *parent = nullptr);
    ~ProfilesModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    bool loaded() const { return m_loaded; }
    int count() const { return int(m_items.size()); }
    QString problem() const { return m_problem; }
    bool backupOffered() const { return m_backupOffered; }
    // Loaded, and the file is one Brisvale may write.
    bool canChange() const { return m_loaded && m_problem.isEmpty(); }
    QString applyQuestion() const { return m_applyQuestion; }
    bool importOpen() const { return m_importOpen; }
    QStringList importAdded() const { return m_importAdded; }
    QStringList importClashing() const { return m_importClashing; }
    ProfileEditor *editor() const { return m_editor; }
    AdapterCardModel *savingCard() const { return m_savingCard; }
    QStringList names() const;
    QString path() const { return m_path; }
    AppModel *appModel() const { return m_appModel; }

    QList<Profile> profiles() const;
    std::optional<Profile> profile(const QString &name) const;
    // Whether a kept profile other than `except` has that name, compared without case.
    bool nameTaken(const QString &name, const QString &except) const;
    // Puts the profile in the place of the one named `replacing` (renamed or not), or appends it.
    void store(const Profile &profile, const QString &replacing);
    // Whether a save is under way or waiting.
    bool saving() const { return m_saving; }
    // For a profile's card: the outcome of its last apply.
    void setMessage(const QString &name, const QString &text, MessageKind kind);

    // Reading the file again, as at start.
    QCoro::Task<> load();
    // Applies the named profile, once the user agreed to lose the drafts it would overwrite.
    QCoro::Task<> apply(QString name);

    Q_INVOKABLE void requestApply(const QString &name);
    Q_INVOKABLE void confirmApply();
    Q_INVOKABLE void cancelApply();
    Q_INVOKABLE void remove(const QString &name);
    Q_INVOKABLE void duplicate(const QString &name);
    Q_INVOKABLE void restoreBackup();

    // The editor of a new profile (`cardId`: the only service ticked, all the enabled ones when
    // empty) or of the named one; closeEditor() lets it go.
    Q_INVOKABLE void newProfile(const QString &cardId = {});
    Q_INVOKABLE void editProfile(const QString &name);
    Q_INVOKABLE void closeEditor();

    // "Enregistrer dans un profil…" on a card: the choice of a profile, then the card's state or
    // draft into it.
    Q_INVOKABLE void offerSaveOf(AdapterCardModel *card);
    Q_INVOKABLE void saveCardInto(const QString &name);
    Q_INVOKABLE void cancelSaveOfCard();

    Q_INVOKABLE void openImport(const QUrl &url);
    Q_INVOKABLE void confirmImport(bool replace);
    Q_INVOKABLE void cancelImport();
    // The named profiles, all when none is named, into a file of their own.
    Q_INVOKABLE void exportTo(const QUrl &url, const QStringList &names = {});

    // The question that asks before losing the drafts of those cards.
    static QString draftsQuestion(const QStringList &cards);

signals:
    void loadedChanged();
    void countChanged();
    void problemChanged();
    void applyQuestionChanged();
    void importChanged();
    void editorChanged();
    void savingCardChanged();

private:
    struct Item {
        explicit Item(Profile kept = {}, bool shown = false)
            : profile(std::move(kept))
            , active(shown)
        {
        }

        Profile profile;
        bool active = false;
        QString message;
        MessageKind messageKind = MessageKind::none;
    };

    int rowOf(const QString &name) const;
    void setProblem(const QString &problem, bool backupOffered);
    void setProfiles(const QList<Profile> &profiles);
    // Writes the list as it is now; a save already under way is followed by one more.
    void save();
    QCoro::Task<> saveLoop();
    QCoro::Task<> restoreFromBackup();
    QCoro::Task<> readImport(QString path);
    QCoro::Task<> writeExport(QString path, QList<Profile> chosen);
    void setEditor(ProfileEditor *editor);
    // Recomputes "Actif" once the events under way are handled: a read changes many cards.
    void scheduleActive();
    void updateActive();
    void watchCards();
    void clearImport();

    const QString m_path;
    QPointer<AppModel> m_appModel;
    QList<Item> m_items;
    bool m_loaded = false;
    QString m_problem;
    bool m_backupOffered = false;
    bool m_saving = false;
    bool m_saveAgain = false;
    bool m_activeScheduled = false;
    QString m_applyQuestion;
    QString m_pendingApply;
    QString m_applying;
    bool m_importOpen = false;
    QList<Profile> m_imported;
    QStringList m_importAdded;
    QStringList m_importClashing;
    ProfileEditor *m_editor = nullptr;
    QPointer<AdapterCardModel> m_savingCard;
};
