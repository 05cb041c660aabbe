// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfilesModel.h"

#include "AppModel.h"
#include "ProfileEditor.h"
#include "ProfileFile.h"
#include "ProfileImport.h"
#include "ProfileMatching.h"

#include <QCoroFuture>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// A name read from right to left must not carry the text after it along.
QString isolated(const QString &name)
{
    AdapterInfo named;
    named.serviceName = name;
    return named.isolatedName();
}

QString quoted(const QString &text)
{
    return QStringLiteral("« %1 »").arg(text);
}

// « A », « B » et « C ».
QString quotedList(const QStringList &names)
{
    QStringList quotedNames;
    for (const QString &name : names)
        quotedNames << quoted(name);
    if (quotedNames.size() < 2)
        return quotedNames.join(QString());
    const QString last = quotedNames.takeLast();
    return quotedNames.join(QStringLiteral(", ")) + QStringLiteral(" et ") + last;
}

MessageKind kindOf(ProfileResult result)
{
    switch (result) {
    case ProfileResult::applied:
        return MessageKind::success;
    case ProfileResult::notStarted:
    case ProfileResult::restored:
        return MessageKind::warning;
    case ProfileResult::restoreFailed:
        break;
    }
    return MessageKind::error;
}

QString localPath(const QUrl &url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.toString();
}

// Read on a pool thread: what the user picked may be anything, or nothing any more.
ProfileFile::Read readImported(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return {{}, QStringLiteral("Le fichier %1 est introuvable.").arg(quoted(path))};
    ProfileFile::Read read = ProfileFile::load(path);
    if (!read.failed() && read.profiles.isEmpty())
        read.problem = QStringLiteral("Ce fichier ne contient aucun profil.");
    return read;
}

std::optional<QString> writeExported(const QString &path, const QList<Profile> &profiles)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ProfileFile::serialize(profiles)) < 0 ||
        !file.commit())
        return QStringLiteral("Exportation impossible dans %1 : %2")
            .arg(quoted(path), file.errorString());
    return std::nullopt;
}

} // namespace

ProfilesModel::ProfilesModel(QString path, AppModel *appModel, QObject *parent)
    : QAbstractListModel(parent)
    , m_path(std::move(path))
    , m_appModel(appModel)
{
    if (appModel) {
        connect(appModel, &AppModel::readMerged, this, &ProfilesModel::scheduleActive);
        connect(appModel, &AppModel::cardsChanged, this, &ProfilesModel::watchCards);
        watchCards();
    }
    load();
}

ProfilesModel::~ProfilesModel() = default;

int ProfilesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant ProfilesModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Item &item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return item.profile.name;
    case ShownNameRole:
        return isolated(item.profile.name);
    case NoteRole:
        return item.profile.note;
    case LinesRole: {
        QStringList lines;
        for (const ProfileEntry &entry : item.profile.entries)
            lines << entry.summary();
        return lines;
    }
    case ActiveRole:
        return item.active;
    case ApplyingRole:
        return !m_applying.isEmpty() && sameProfileName(m_applying, item.profile.name);
    case MessageRole:
        return item.message;
    case MessageKindRole:
        return QVariant::fromValue(item.messageKind);
    }
    return {};
}

QHash<int, QByteArray> ProfilesModel::roleNames() const
{
    return {{NameRole, "name"},       {ShownNameRole, "shownName"},    {NoteRole, "note"},
            {LinesRole, "lines"},     {ActiveRole, "active"},          {ApplyingRole, "applying"},
            {MessageRole, "message"}, {MessageKindRole, "messageKind"}};
}

QStringList ProfilesModel::names() const
{
    QStringList names;
    for (const Item &item : m_items)
        names << item.profile.name;
    return names;
}

QList<Profile> ProfilesModel::profiles() const
{
    QList<Profile> profiles;
    for (const Item &item : m_items)
        profiles << item.profile;
    return profiles;
}

int ProfilesModel::rowOf(const QString &name) const
{
    for (int row = 0; row < m_items.size(); ++row)
        if (sameProfileName(m_items.at(row).profile.name, name))
            return row;
    return -1;
}

std::optional<Profile> ProfilesModel::profile(const QString &name) const
{
    const int row = rowOf(name);
    return row < 0 ? std::nullopt : std::optional(m_items.at(row).profile);
}

bool ProfilesModel::nameTaken(const QString &name, const QString &except) const
{
    return std::any_of(m_items.cbegin(), m_items.cend(), [&](const Item &item) {
        return sameProfileName(item.profile.name, name.trimmed()) &&
               !(!except.isEmpty() && sameProfileName(item.profile.name, except));
    });
}

QCoro::Task<> ProfilesModel::load()
{
    QPointer<ProfilesModel> self(this);
    const QString path = m_path;
    QFuture<std::pair<ProfileFile::Read, bool>> reading =
        QtConcurrent::run(QThreadPool::globalInstance(), [path] {
            ProfileFile::Read read = ProfileFile::load(path);
            // Offered only when there is a backup and it reads whole: an empty list in its place
            // would be no way back.
            const QString backup = ProfileFile::backupPath(path);
            const bool backupReads =
                read.failed() && QFileInfo(backup).isFile() && !ProfileFile::load(backup).failed();
            return std::pair{read, backupReads};
        });
    const auto [read, backupReads] = co_await reading;
    if (!self)
        co_return;
    if (read.failed()) {
        setProfiles({});
        setProblem(read.problem, backupReads);
    } else {
        setProblem({}, false);
        setProfiles(read.profiles);
    }
    if (!m_loaded) {
        m_loaded = true;
        emit loadedChanged();
        emit problemChanged();
    }
}

void ProfilesModel::setProblem(const QString &problem, bool backupOffered)
{
    if (problem == m_problem && backupOffered == m_backupOffered)
        return;
    m_problem = problem;
    m_backupOffered = backupOffered;
    emit problemChanged();
}

void ProfilesModel::setProfiles(const QList<Profile> &profiles)
{
    beginResetModel();
    m_items.clear();
    for (const Profile &profile : profiles)
        m_items.append(Item(profile));
    endResetModel();
    emit countChanged();
    updateActive();
}

void ProfilesModel::store(const Profile &profile, const QString &replacing)
{
    if (!canChange())
        return;
    const int row = replacing.isEmpty() ? -1 : rowOf(replacing);
    if (row < 0) {
        beginInsertRows({}, int(m_items.size()), int(m_items.size()));
        m_items.append(Item(profile));
        endInsertRows();
    } else {
        // What was said of its last apply no longer speaks of this profile.
        m_items[row] = Item(profile);
        emit dataChanged(index(row), index(row));
    }
    emit countChanged();
    updateActive();
    save();
}

void ProfilesModel::remove(const QString &name)
{
    const int row = rowOf(name);
    if (!canChange() || row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_items.removeAt(row);
    endRemoveRows();
    emit countChanged();
    save();
}

void ProfilesModel::duplicate(const QString &name)
{
    const int row = rowOf(name);
    if (!canChange() || row < 0)
        return;
    Profile copy = m_items.at(row).profile;
    copy.name = ProfileImport::freeName(copy.name, profiles());
    const bool active = m_items.at(row).active;
    beginInsertRows({}, row + 1, row + 1);
    m_items.insert(row + 1, Item(copy, active));
    endInsertRows();
    emit countChanged();
    save();
}

void ProfilesModel::setMessage(const QString &name, const QString &text, MessageKind kind)
{
    const int row = rowOf(name);
    if (row < 0)
        return;
    m_items[row].message = text;
    m_items[row].messageKind = kind;
    emit dataChanged(index(row), index(row), {MessageRole, MessageKindRole});
}

void ProfilesModel::save()
{
    if (!canChange())
        return;
    if (m_saving) {
        m_saveAgain = true;
        return;
    }
    saveLoop();
}

QCoro::Task<> ProfilesModel::saveLoop()
{
    QPointer<ProfilesModel> self(this);
    m_saving = true;
    do {
        m_saveAgain = false;
        const QString path = m_path;
        const QList<Profile> profiles = this->profiles();
        QFuture<std::optional<QString>> writing =
            QtConcurrent::run(QThreadPool::globalInstance(), [path, profiles] {
                // The first profile of a user whose application folder does not exist yet.
                QDir().mkpath(QFileInfo(path).absolutePath());
                return ProfileFile::save(path, profiles);
            });
        const std::optional<QString> failure = co_await writing;
        if (!self)
            co_return;
        if (failure && m_appModel)
            m_appModel->warn(*failure);
    } while (m_saveAgain);
    m_saving = false;
}

void ProfilesModel::restoreBackup()
{
    if (!m_problem.isEmpty() && m_backupOffered && !m_saving)
        restoreFromBackup();
}

QCoro::Task<> ProfilesModel::restoreFromBackup()
{
    QPointer<ProfilesModel> self(this);
    m_saving = true;
    const QString path = m_path;
    struct Restored {
        ProfileFile::Read read;
        std::optional<QString> failure;
        QString setAside;
    };
    QFuture<Restored> restoring = QtConcurrent::run(QThreadPool::globalInstance(), [path] {
        Restored restored{ProfileFile::load(ProfileFile::backupPath(path)), {}, {}};
        if (restored.read.failed()) {
            restored.failure = restored.read.problem;
            return restored;
        }
        // The unreadable file is never overwritten, nor lost: it moves aside, named after the
        // moment, for whoever wants to mend it.
        if (QFileInfo::exists(path) && ProfileFile::load(path).failed()) {
            const QFileInfo file(path);
            restored.setAside = file.dir().filePath(
                file.completeBaseName() + QStringLiteral(".illisible-") +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) +
                QStringLiteral(".json"));
            if (!QFile::rename(path, restored.setAside)) {
                restored.failure = QStringLiteral("Le fichier des profils illisible n'a pas pu "
                                                  "être mis de côté ; la sauvegarde n'est pas "
                                                  "reprise.");
                return restored;
            }
        }
        restored.failure = ProfileFile::save(path, restored.read.profiles);
        return restored;
    });
    const Restored restored = co_await restoring;
    const ProfileFile::Read &read = restored.read;
    const std::optional<QString> &failure = restored.failure;
    if (!self)
        co_return;
    m_saving = false;
    if (failure) {
        if (m_appModel)
            m_appModel->warn(*failure);
        co_return;
    }
    setProblem({}, false);
    setProfiles(read.profiles);
    if (m_appModel)
        m_appModel->announce(QStringLiteral("Profils repris de la sauvegarde.") +
                             (restored.setAside.isEmpty()
                                  ? QString()
                                  : QStringLiteral(" Le fichier illisible est gardé sous « ") +
                                        QFileInfo(restored.setAside).fileName() +
                                        QStringLiteral(" ».")));
}

void ProfilesModel::requestApply(const QString &name)
{
    const std::optional<Profile> found = profile(name);
    if (!found || !m_appModel || m_appModel->applyingProfile() || !m_applyQuestion.isEmpty())
        return;
    const QStringList drafts = m_appModel->draftsAmong(*found);
    if (drafts.isEmpty()) {
        apply(found->name);
        return;
    }
    m_pendingApply = found->name;
    m_applyQuestion = draftsQuestion(drafts);
    emit applyQuestionChanged();
}

QString ProfilesModel::draftsQuestion(const QStringList &cards)
{
    if (cards.size() == 1)
        return quoted(cards.first()) +
               QStringLiteral(" a une modification non appliquée que le profil remplacera.");
    return quotedList(cards) +
           QStringLiteral(" ont des modifications non appliquées que le profil remplacera.");
}

void ProfilesModel::confirmApply()
{
    const QString name = m_pendingApply;
    cancelApply();
    if (!name.isEmpty())
        apply(name);
}

void ProfilesModel::cancelApply()
{
    m_pendingApply.clear();
    if (m_applyQuestion.isEmpty())
        return;
    m_applyQuestion.clear();
    emit applyQuestionChanged();
}

QCoro::Task<> ProfilesModel::apply(QString name)
{
    const std::optional<Profile> found = profile(name);
    if (!found || !m_appModel || m_appModel->applyingProfile() || !m_applying.isEmpty())
        co_return;
    QPointer<ProfilesModel> self(this);
    m_applying = found->name;
    setMessage(m_applying, {}, MessageKind::none);
    const int row = rowOf(m_applying);
    emit dataChanged(index(row), index(row), {ApplyingRole});
    QCoro::Task<ProfileOutcome> applying = m_appModel->applyProfile(*found);
    const ProfileOutcome outcome = co_await std::move(applying);
    if (!self)
        co_return;
    // The card shows it under the name it has now, if it is still there.
    const QString applied = m_applying;
    m_applying.clear();
    const int after = rowOf(applied);
    if (after >= 0)
        emit dataChanged(index(after), index(after), {ApplyingRole});
    setMessage(applied, outcome.message, kindOf(outcome.result));
    updateActive();
}

void ProfilesModel::newProfile(const QString &cardId)
{
    if (canChange() && m_appModel)
        setEditor(ProfileEditor::forNew(this, cardId));
}

void ProfilesModel::editProfile(const QString &name)
{
    const std::optional<Profile> found = profile(name);
    if (canChange() && m_appModel && found)
        setEditor(ProfileEditor::forProfile(this, *found));
}

void ProfilesModel::closeEditor()
{
    setEditor(nullptr);
}

void ProfilesModel::setEditor(ProfileEditor *editor)
{
    if (editor == m_editor)
        return;
    // The dialog still reads it until it has seen the change.
    if (m_editor)
        m_editor->deleteLater();
    // Owned here, so an editor still open goes with the model.
    if (editor)
        editor->setParent(this);
    m_editor = editor;
    emit editorChanged();
}

void ProfilesModel::offerSaveOf(AdapterCardModel *card)
{
    if (!canChange() || !card)
        return;
    m_savingCard = card;
    emit savingCardChanged();
}

void ProfilesModel::cancelSaveOfCard()
{
    m_savingCard = nullptr;
    emit savingCardChanged();
}

void ProfilesModel::saveCardInto(const QString &name)
{
    AdapterCardModel *card = m_savingCard;
    cancelSaveOfCard();
    if (!card || !m_appModel)
        return;
    if (name.isEmpty()) {
        newProfile(card->id());
        return;
    }
    std::optional<Profile> found = profile(name);
    if (!found)
        return;
    QList<AdapterInfo> infos;
    for (const AdapterCardModel *each : m_appModel->cards())
        infos << each->info();
    const ProfileEntry entry = card->draftEntry();
    const auto same = std::find_if(found->entries.begin(), found->entries.end(), [&](auto &kept) {
        const std::optional<AdapterInfo> service = ProfileMatching::service(kept, infos);
        return service ? service->id == card->id() : kept.serviceId == card->id();
    });
    if (same != found->entries.end())
        *same = entry;
    else
        found->entries.append(entry);
    const QString kept = found->name;
    store(*found, kept);
    m_appModel->announce(QStringLiteral("%1 enregistrée dans le profil %2.")
                             .arg(quoted(entry.serviceName), quoted(kept)));
}

void ProfilesModel::openImport(const QUrl &url)
{
    if (canChange())
        readImport(localPath(url));
}

QCoro::Task<> ProfilesModel::readImport(QString path)
{
    QPointer<ProfilesModel> self(this);
    QFuture<ProfileFile::Read> reading =
        QtConcurrent::run(QThreadPool::globalInstance(), [path] { return readImported(path); });
    const ProfileFile::Read read = co_await reading;
    if (!self)
        co_return;
    if (read.failed()) {
        if (m_appModel)
            m_appModel->warn(read.problem);
        co_return;
    }
    const ProfileImport::Preview preview = ProfileImport::preview(profiles(), read.profiles);
    m_imported = read.profiles;
    m_importAdded = preview.added;
    m_importClashing = preview.clashing;
    m_importOpen = true;
    emit importChanged();
}

void ProfilesModel::confirmImport(bool replace)
{
    if (!m_importOpen || !canChange())
        return;
    const QList<Profile> merged = ProfileImport::merged(
        profiles(), m_imported,
        replace ? ProfileImport::OnSameName::replace : ProfileImport::OnSameName::keepBoth);
    const qsizetype count = m_imported.size();
    clearImport();
    // What was said of the applies stays with the profiles kept under the same name.
    const QList<Item> before = m_items;
    setProfiles(merged);
    for (const Item &item : before)
        if (rowOf(item.profile.name) >= 0 && profile(item.profile.name) == item.profile)
            setMessage(item.profile.name, item.message, item.messageKind);
    save();
    if (m_appModel)
        m_appModel->announce(count == 1 ? QStringLiteral("1 profil importé.")
                                        : QStringLiteral("%1 profils importés.").arg(count));
}

void ProfilesModel::cancelImport()
{
    clearImport();
}

void ProfilesModel::clearImport()
{
    const bool wasOpen = m_importOpen;
    m_importOpen = false;
    m_imported.clear();
    m_importAdded.clear();
    m_importClashing.clear();
    if (wasOpen)
        emit importChanged();
}

void ProfilesModel::exportTo(const QUrl &url, const QStringList &names)
{
    QList<Profile> chosen;
    for (const Item &item : m_items)
        if (names.isEmpty() || names.contains(item.profile.name, Qt::CaseInsensitive))
            chosen << item.profile;
    if (m_loaded && !chosen.isEmpty())
        writeExport(localPath(url), chosen);
}

QCoro::Task<> ProfilesModel::writeExport(QString path, QList<Profile> chosen)
{
    QPointer<ProfilesModel> self(this);
    QFuture<std::optional<QString>> writing = QtConcurrent::run(
        QThreadPool::globalInstance(), [path, chosen] { return writeExported(path, chosen); });
    const std::optional<QString> failure = co_await writing;
    if (!self || !m_appModel)
        co_return;
    if (failure)
        m_appModel->warn(*failure);
    else
        // arg() fills the lowest placeholder first, whatever its number: the singular has one.
        m_appModel->announce(
            (chosen.size() == 1 ? QStringLiteral("1 profil exporté dans %1.")
                                : QStringLiteral("%1 profils exportés dans %2.").arg(chosen.size()))
                .arg(quoted(QFileInfo(path).fileName())));
}

void ProfilesModel::watchCards()
{
    if (!m_appModel)
        return;
    for (AdapterCardModel *card : m_appModel->cards())
        connect(card, &AdapterCardModel::infoChanged, this, &ProfilesModel::scheduleActive,
                Qt::UniqueConnection);
    scheduleActive();
}

void ProfilesModel::scheduleActive()
{
    if (m_activeScheduled)
        return;
    m_activeScheduled = true;
    QMetaObject::invokeMethod(this, &ProfilesModel::updateActive, Qt::QueuedConnection);
}

void ProfilesModel::updateActive()
{
    m_activeScheduled = false;
    QList<AdapterInfo> infos;
    if (m_appModel)
        for (const AdapterCardModel *card : m_appModel->cards())
            infos << card->info();
    for (int row = 0; row < m_items.size(); ++row) {
        const bool active = ProfileMatching::isActive(m_items.at(row).profile, infos);
        if (active != m_items.at(row).active) {
            m_items[row].active = active;
            emit dataChanged(index(row), index(row), {ActiveRole});
        }
    }
}
