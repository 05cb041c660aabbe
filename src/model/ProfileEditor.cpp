// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileEditor.h"

#include "AdapterCardModel.h"
#include "AppModel.h"
#include "ProfileMatching.h"
#include "ProfilesModel.h"

#include <QSet>

namespace {

QList<AdapterCardModel *> currentCards(const ProfilesModel *profiles)
{
    return profiles->appModel() ? profiles->appModel()->cards() : QList<AdapterCardModel *>();
}

// A service the profile names but no read shows: its card keeps what the entry says of it.
AdapterInfo recordOf(const ProfileEntry &entry)
{
    AdapterInfo record;
    record.id = entry.serviceId;
    record.serviceName = entry.serviceName;
    record.device = entry.device;
    record.hardwareName = entry.hardware;
    record.enabled = true;
    record.dhcp = entry.dhcp;
    record.ip = entry.ip;
    record.mask = entry.mask;
    record.router = entry.router;
    record.dnsServers = entry.dnsServers;
    return record;
}

} // namespace

ProfileEditor::ProfileEditor(ProfilesModel *profiles)
    : m_profiles(profiles)
{
}

ProfileEditor::~ProfileEditor() = default;

ProfileEditor *ProfileEditor::forNew(ProfilesModel *profiles, const QString &cardId)
{
    auto *editor = new ProfileEditor(profiles);
    for (const AdapterCardModel *real : currentCards(profiles)) {
        const AdapterInfo record = real->info();
        const bool included = cardId.isEmpty() ? record.enabled : record.id == cardId;
        editor->addRow(record, included, record.enabled, true);
        // What the user typed and did not apply yet is what they are putting aside.
        const AdapterCardModel *card = editor->m_rows.last().card;
        if (real->isDirty())
            editor->m_rows.last().card->loadEntry(real->draftEntry());
        // A service that could not be saved as it stands (a fixed address without one) is
        // left for the user to tick and fill in, rather than blocking the whole profile.
        if (cardId.isEmpty() &&
            (card->ipError() || card->maskError() || card->routerError() || card->dnsError()))
            editor->m_rows.last().included = false;
    }
    return editor;
}

ProfileEditor *ProfileEditor::forProfile(ProfilesModel *profiles, const Profile &profile)
{
    auto *editor = new ProfileEditor(profiles);
    editor->m_original = profile.name;
    editor->m_name = profile.name;
    editor->m_note = profile.note;
    QList<AdapterInfo> infos;
    for (const AdapterCardModel *real : currentCards(profiles))
        infos << real->info();
    QSet<QString> listed;
    for (const ProfileEntry &entry : profile.entries) {
        const std::optional<AdapterInfo> service = ProfileMatching::service(entry, infos);
        editor->addRow(service.value_or(recordOf(entry)), true, entry.enabled, service.has_value());
        editor->m_rows.last().card->loadEntry(entry);
        if (service)
            listed.insert(service->id);
    }
    for (const AdapterInfo &info : std::as_const(infos))
        if (!listed.contains(info.id))
            editor->addRow(info, false, info.enabled, true);
    return editor;
}

void ProfileEditor::addRow(AdapterInfo record, bool included, bool enabled, bool found)
{
    // Editable whatever the service's state now: the profile may switch it on.
    record.enabled = true;
    m_rows.append({new AdapterCardModel(record, this), included, enabled, found});
}

int ProfileEditor::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ProfileEditor::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case IncludedRole:
        return row.included;
    case EnabledRole:
        return row.enabled;
    case CardRole:
        return QVariant::fromValue(row.card);
    case FoundRole:
        return row.found;
    }
    return {};
}

QHash<int, QByteArray> ProfileEditor::roleNames() const
{
    return {{IncludedRole, "included"},
            {EnabledRole, "wantedOn"},
            {CardRole, "card"},
            {FoundRole, "found"}};
}

void ProfileEditor::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    emit nameChanged();
    setError({});
}

void ProfileEditor::setNote(const QString &note)
{
    if (note == m_note)
        return;
    m_note = note;
    emit noteChanged();
}

void ProfileEditor::setIncluded(int row, bool included)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).included == included)
        return;
    m_rows[row].included = included;
    emit dataChanged(index(row), index(row), {IncludedRole});
    setError({});
}

void ProfileEditor::setEnabled(int row, bool enabled)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).enabled == enabled)
        return;
    m_rows[row].enabled = enabled;
    emit dataChanged(index(row), index(row), {EnabledRole});
    setError({});
}

AdapterCardModel *ProfileEditor::card(int row) const
{
    return row < 0 || row >= m_rows.size() ? nullptr : m_rows.at(row).card;
}

Profile ProfileEditor::profile() const
{
    Profile profile{m_name.trimmed(), m_note.trimmed(), {}};
    for (const Row &row : m_rows) {
        if (!row.included)
            continue;
        ProfileEntry entry = row.card->draftEntry();
        entry.enabled = row.enabled;
        profile.entries << entry;
    }
    return profile;
}

std::optional<QString> ProfileEditor::refusal() const
{
    const QString name = m_name.trimmed();
    if (name.isEmpty())
        return QStringLiteral("Donnez un nom au profil.");
    if (m_profiles->nameTaken(name, m_original))
        return QStringLiteral("Un profil porte déjà le nom « %1 ».").arg(name);
    if (std::none_of(m_rows.cbegin(), m_rows.cend(), [](const Row &row) { return row.included; }))
        return QStringLiteral("Cochez au moins une carte réseau.");
    for (const Row &row : m_rows) {
        if (!row.included || !row.enabled)
            continue;
        const AdapterCardModel *card = row.card;
        for (const std::optional<QString> &error :
             {card->ipError(), card->maskError(), card->routerError(), card->dnsError()})
            if (error)
                return QStringLiteral("« %1 » : %2").arg(card->info().serviceName, *error);
    }
    return std::nullopt;
}

bool ProfileEditor::save()
{
    if (!m_profiles->canChange())
        return false;
    if (const std::optional<QString> refused = refusal()) {
        for (const Row &row : m_rows)
            if (row.included && row.enabled)
                row.card->setShowErrors(true);
        setError(*refused);
        return false;
    }
    m_profiles->store(profile(), m_original);
    return true;
}

void ProfileEditor::setError(const QString &error)
{
    if (error == m_error)
        return;
    m_error = error;
    emit errorChanged();
}
