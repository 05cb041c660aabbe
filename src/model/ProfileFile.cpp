// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ProfileFile.h"

#include "IPv4.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>

#include <cmath>

namespace {

constexpr qsizetype maximumDnsServers = 4;

ProfileFile::Read refused(const QString &problem)
{
    return {{}, problem};
}

QString tooLarge(qint64 size)
{
    const QString megabytes = QLocale(QLocale::French).toString(size / (1024.0 * 1024.0), 'f', 1);
    return QStringLiteral("Le fichier des profils est trop grand (") + megabytes +
           QStringLiteral(" Mo) ; il n'est pas lu.");
}

// A whole paste would bury the message.
QString shortened(const QString &text)
{
    return text.size() > 40 ? text.left(39) + QChar(0x2026) : text;
}

// A profile is named by its name once read, by its place before: the user knows the first.
QString where(const QString &name, qsizetype profile, qsizetype entry = -1)
{
    QString text = name.isEmpty()
                       ? QStringLiteral("Profil n° ") + QString::number(profile + 1)
                       : QStringLiteral("Profil « ") + shortened(name) + QStringLiteral(" »");
    if (entry >= 0)
        text += QStringLiteral(", entrée ") + QString::number(entry + 1);
    return text + QStringLiteral(" : ");
}

QString wrongType(const QString &key, const char *expected)
{
    return QStringLiteral("« ") + key + QStringLiteral(" » doit être ") +
           QString::fromUtf8(expected) + u'.';
}

// Reads a text member; an absent one leaves out as it is unless required.
std::optional<QString> readText(const QJsonObject &object, const QString &key, QString &out,
                                bool required = false)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() && !required)
        return std::nullopt;
    if (!value.isString())
        return wrongType(key, "un texte");
    out = value.toString();
    return std::nullopt;
}

// The card's own texts, so a file holds nothing the card would refuse.
std::optional<QString> subnetEdge(const QString &lead, quint32 address, quint32 mask)
{
    switch (IPv4::subnetRole(address, mask)) {
    case IPv4::SubnetRole::network:
        return lead + IPv4::format(address) + QStringLiteral(" est l'adresse du réseau.");
    case IPv4::SubnetRole::broadcast:
        return lead + IPv4::format(address) +
               QStringLiteral(" est l'adresse de diffusion du réseau.");
    case IPv4::SubnetRole::host:
        break;
    }
    return std::nullopt;
}

// Checks a fixed addressing as the card does and leaves it in canonical form.
std::optional<QString> checkAddressing(ProfileEntry &entry)
{
    const std::optional<quint32> address = IPv4::parse(entry.ip);
    if (!address)
        return QStringLiteral("Adresse IP invalide. Format attendu : 192.168.1.50");
    if (!IPv4::isHost(*address))
        return QStringLiteral("Adresse IP invalide : 0.0.0.0 et 255.255.255.255 sont interdites.");
    if (IPv4::isLinkLocal(*address))
        return QStringLiteral(
            "Adresse 169.254.x.x réservée au réseau local : choisissez une autre adresse.");
    const std::optional<quint32> mask = IPv4::parse(entry.mask);
    if (!mask)
        return QStringLiteral("Masque invalide. Format attendu : 255.255.255.0");
    if (!IPv4::isContiguousMask(*mask))
        return QStringLiteral(
            "Masque non contigu : utilisez par exemple 255.255.255.0 ou 255.255.0.0.");
    if (auto edge = subnetEdge(QStringLiteral("Adresse IP invalide : "), *address, *mask))
        return edge;
    entry.ip = IPv4::format(*address);
    entry.mask = IPv4::format(*mask);
    // The systems write "0.0.0.0" for no router; the entries hold an empty text.
    if (IPv4::isNoRouter(entry.router)) {
        entry.router.clear();
        return std::nullopt;
    }
    const std::optional<quint32> router = IPv4::parse(entry.router);
    if (!router)
        return QStringLiteral("Passerelle invalide. Format attendu : 192.168.1.1");
    if (*router == *address)
        return QStringLiteral("La passerelle doit être différente de l'adresse IP.");
    if (!IPv4::sameSubnet(*router, *address, *mask))
        return QStringLiteral("La passerelle n'est pas dans le sous-réseau ") +
               IPv4::format(*address & *mask) + u'.';
    if (auto edge = subnetEdge(QStringLiteral("Passerelle invalide : "), *router, *mask))
        return edge;
    entry.router = IPv4::format(*router);
    return std::nullopt;
}

std::optional<QString> readEntry(const QJsonValue &value, ProfileEntry &entry)
{
    if (!value.isObject())
        return QStringLiteral("un objet JSON est attendu.");
    const QJsonObject object = value.toObject();
    const QJsonValue service = object.value(QLatin1String("service"));
    if (!service.isObject())
        return wrongType(QStringLiteral("service"), "un objet");
    const QJsonObject identity = service.toObject();
    for (auto [key, field] : {std::pair{"id", &entry.serviceId},
                              {"name", &entry.serviceName},
                              {"device", &entry.device},
                              {"hardware", &entry.hardware}}) {
        if (auto fault = readText(identity, QLatin1String(key), *field))
            return fault;
    }
    if (entry.serviceId.isEmpty() && entry.serviceName.isEmpty())
        return QStringLiteral("le service n'a ni « id » ni « name ».");

    const QJsonValue enabled = object.value(QLatin1String("enabled"));
    if (!enabled.isBool())
        return wrongType(QStringLiteral("enabled"), "true ou false");
    entry.enabled = enabled.toBool();
    QString mode;
    if (auto fault = readText(object, QStringLiteral("mode"), mode, true))
        return fault;
    if (mode != QLatin1String("manual") && mode != QLatin1String("dhcp"))
        return QStringLiteral("le mode « ") + shortened(mode) +
               QStringLiteral(" » est inconnu (« manual » ou « dhcp » attendu).");
    entry.dhcp = mode == QLatin1String("dhcp");
    const bool manual = !entry.dhcp;
    for (auto [key, field] : {std::pair{"address", &entry.ip}, {"mask", &entry.mask}}) {
        if (auto fault = readText(object, QLatin1String(key), *field, manual && entry.enabled))
            return fault;
    }
    if (auto fault = readText(object, QStringLiteral("router"), entry.router))
        return fault;
    // Only what would be applied must pass the card's rules; the rest is kept as written.
    if (manual && entry.enabled) {
        if (auto fault = checkAddressing(entry))
            return fault;
    }

    const QJsonValue dns = object.value(QLatin1String("dns"));
    if (!dns.isUndefined() && !dns.isArray())
        return wrongType(QStringLiteral("dns"), "une liste");
    const QJsonArray servers = dns.toArray();
    if (servers.size() > maximumDnsServers)
        return QStringLiteral("Quatre serveurs DNS au plus.");
    for (const QJsonValue &server : servers) {
        const std::optional<quint32> parsed = IPv4::parseHost(server.toString());
        if (!parsed)
            return QStringLiteral("Serveur DNS invalide : ") +
                   (server.isString() ? shortened(server.toString())
                                      : QStringLiteral("(pas un texte)"));
        entry.dnsServers << IPv4::format(*parsed);
    }
    return std::nullopt;
}

// names: the places of the names read so far, by their case-folded form (see sameProfileName);
// a hash, for a file of many thousand profiles must not take minutes.
std::optional<QString> readProfile(const QJsonValue &value, qsizetype index,
                                   QHash<QString, qsizetype> &names, Profile &profile)
{
    const QString place = where({}, index);
    if (!value.isObject())
        return place + QStringLiteral("un objet JSON est attendu.");
    const QJsonObject object = value.toObject();
    if (auto fault = readText(object, QStringLiteral("name"), profile.name, true))
        return place + *fault;
    if (profile.name.trimmed().isEmpty())
        return place + QStringLiteral("le nom est vide.");
    if (const auto other = names.constFind(profile.name.toCaseFolded()); other != names.cend())
        return place + QStringLiteral("le nom « ") + shortened(profile.name) +
               QStringLiteral(" » est déjà celui du profil n° ") + QString::number(*other + 1) +
               u'.';
    names.insert(profile.name.toCaseFolded(), index);
    const QString named = where(profile.name, index);
    if (auto fault = readText(object, QStringLiteral("note"), profile.note))
        return named + *fault;
    const QJsonValue entries = object.value(QLatin1String("entries"));
    if (!entries.isArray())
        return named + wrongType(QStringLiteral("entries"), "une liste");
    const QJsonArray list = entries.toArray();
    QHash<QString, qsizetype> ids;
    for (qsizetype at = 0; at < list.size(); ++at) {
        ProfileEntry entry;
        if (auto fault = readEntry(list[at], entry))
            return where(profile.name, index, at) + *fault;
        if (const auto other = ids.constFind(entry.serviceId); other != ids.cend())
            return where(profile.name, index, at) + QStringLiteral("le service « ") +
                   shortened(entry.serviceId) + QStringLiteral(" » figure déjà à l'entrée ") +
                   QString::number(*other + 1) + u'.';
        if (!entry.serviceId.isEmpty())
            ids.insert(entry.serviceId, at);
        profile.entries << entry;
    }
    return std::nullopt;
}

// JSON text written by hand: a QJsonObject sorts its keys, and the file keeps the order people
// read it in.
QByteArray quoted(const QString &text)
{
    QByteArray out(1, '"');
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\')
            out += '\\' + QByteArray(1, c);
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (uchar(c) < 0x20)
            out += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + '"';
}

QByteArray member(const char *key, const QByteArray &value)
{
    return '"' + QByteArray(key) + "\": " + value;
}

// Members one per line at that depth of indentation.
QByteArray object(const QList<QByteArray> &members, int depth)
{
    const QByteArray inner(4 * (depth + 1), ' ');
    return "{\n" + inner + members.join(",\n" + inner) + '\n' + QByteArray(4 * depth, ' ') + '}';
}

QByteArray list(const QList<QByteArray> &items, int depth)
{
    if (items.isEmpty())
        return "[]";
    const QByteArray inner(4 * (depth + 1), ' ');
    return "[\n" + inner + items.join(",\n" + inner) + '\n' + QByteArray(4 * depth, ' ') + ']';
}

QByteArray entryText(const ProfileEntry &entry, int depth)
{
    const QByteArray service = '{' +
                               QList<QByteArray>{member("id", quoted(entry.serviceId)),
                                                 member("name", quoted(entry.serviceName)),
                                                 member("device", quoted(entry.device)),
                                                 member("hardware", quoted(entry.hardware))}
                                   .join(", ") +
                               '}';
    QList<QByteArray> members{member("service", service),
                              member("enabled", entry.enabled ? "true" : "false"),
                              member("mode", entry.dhcp ? "\"dhcp\"" : "\"manual\"")};
    // A DHCP entry keeps a fixed addressing it still holds, so switching back loses nothing.
    if (!entry.dhcp || !entry.ip.isEmpty() || !entry.mask.isEmpty() || !entry.router.isEmpty())
        members << member("address", quoted(entry.ip)) << member("mask", quoted(entry.mask))
                << member("router", quoted(entry.router));
    QList<QByteArray> servers;
    for (const QString &server : entry.dnsServers)
        servers << quoted(server);
    members << member("dns", '[' + servers.join(", ") + ']');
    return object(members, depth);
}

struct Bytes {
    QByteArray text;
    QString problem;
};

Bytes readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{},
                QStringLiteral("Le fichier des profils ne peut pas être lu (") +
                    file.errorString() + QStringLiteral(").")};
    if (file.size() > ProfileFile::maximumSize)
        return {{}, tooLarge(file.size())};
    // The size may grow between the two reads: never take more than the limit in.
    Bytes bytes{file.read(ProfileFile::maximumSize + 1), {}};
    if (file.error() != QFileDevice::NoError)
        bytes = {{},
                 QStringLiteral("Le fichier des profils ne peut pas être lu (") +
                     file.errorString() + QStringLiteral(").")};
    else if (bytes.text.size() > ProfileFile::maximumSize)
        bytes = {{}, tooLarge(bytes.text.size())};
    return bytes;
}

// The system's reason when it gave one.
std::optional<QString> writeWhole(const QString &path, const QByteArray &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("le fichier ne peut pas être créé (") + file.errorString() + u')';
    // commit() does not see a flush that wrote only part of the text (a full disk, a file size
    // limit), and would put the cut file in place: the flush is checked before.
    if (file.write(text) == text.size() && file.flush() && file.size() == text.size() &&
        file.commit())
        return std::nullopt;
    file.cancelWriting();
    return QStringLiteral("l'écriture s'est arrêtée avant la fin");
}

} // namespace

namespace ProfileFile {

Read parse(const QByteArray &text)
{
    if (text.size() > maximumSize)
        return refused(tooLarge(text.size()));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return refused(QStringLiteral("Ce fichier n'est pas un fichier de profils : texte JSON "
                                      "illisible vers l'octet ") +
                       QString::number(error.offset) + u'.');
    const QJsonObject top = document.object();
    if (!document.isObject() || top.value(QLatin1String("format")).toString() != formatName)
        return refused(QStringLiteral("Ce fichier n'est pas un fichier de profils de Brisvale."));
    const QJsonValue versionValue = top.value(QLatin1String("version"));
    const double version = versionValue.toDouble();
    if (!versionValue.isDouble() || version != std::trunc(version))
        return refused(QStringLiteral("Ce fichier de profils n'indique pas de version lisible."));
    if (version > formatVersion)
        return refused(
            QStringLiteral("Ce fichier vient d'une version plus récente de Brisvale (format ") +
            QString::number(version) + QStringLiteral(") ; il n'est pas lu pour ne rien perdre."));
    if (version < 1)
        return refused(QStringLiteral("Ce fichier de profils porte un format inconnu (") +
                       QString::number(version) + QStringLiteral(")."));
    const QJsonValue profiles = top.value(QLatin1String("profiles"));
    if (!profiles.isArray())
        return refused(QStringLiteral("Ce fichier de profils n'a pas de liste « profiles »."));

    Read read;
    const QJsonArray list = profiles.toArray();
    QHash<QString, qsizetype> names;
    for (qsizetype index = 0; index < list.size(); ++index) {
        Profile profile;
        if (auto fault = readProfile(list[index], index, names, profile))
            return refused(*fault);
        read.profiles << profile;
    }
    return read;
}

QByteArray serialize(const QList<Profile> &profiles)
{
    QList<QByteArray> items;
    for (const Profile &profile : profiles) {
        QList<QByteArray> entries;
        for (const ProfileEntry &entry : profile.entries)
            entries << entryText(entry, 4);
        items << object({member("name", quoted(profile.name)), member("note", quoted(profile.note)),
                         member("entries", list(entries, 3))},
                        2);
    }
    return object({member("format", quoted(QString::fromLatin1(formatName))),
                   member("version", QByteArray::number(formatVersion)),
                   member("profiles", list(items, 1))},
                  0) +
           '\n';
}

Read load(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    const Bytes bytes = readBytes(path);
    return bytes.problem.isEmpty() ? parse(bytes.text) : refused(bytes.problem);
}

std::optional<QString> save(const QString &path, const QList<Profile> &profiles)
{
    const QByteArray text = serialize(profiles);
    // A file that does not read back would lose every profile at the next start.
    if (const Read check = parse(text); check.failed())
        return QStringLiteral("Les profils ne sont pas enregistrés : ") + check.problem;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Le dossier des profils ne peut pas être créé : ") + folder + u'.';
    if (QFileInfo::exists(path)) {
        const Bytes previous = readBytes(path);
        const QString problem =
            previous.problem.isEmpty() ? parse(previous.text).problem : previous.problem;
        // It may hold what this version cannot read; it stays for the user to recover.
        if (!problem.isEmpty())
            return QStringLiteral("Le fichier des profils en place n'est pas remplacé, car il est "
                                  "illisible : ") +
                   problem;
        // Saving the same text again must not push the real previous version out of the backup.
        if (previous.text == text)
            return std::nullopt;
        if (auto fault = writeWhole(backupPath(path), previous.text))
            return QStringLiteral("Les profils ne sont pas enregistrés : la version précédente "
                                  "n'a pas pu être mise de côté, ") +
                   *fault + u'.';
    }
    if (auto fault = writeWhole(path, text))
        return QStringLiteral("Les profils ne sont pas enregistrés : ") + *fault + u'.';
    return std::nullopt;
}

QString backupPath(const QString &path)
{
    const QString suffix = QStringLiteral(".json");
    const QString stem =
        path.endsWith(suffix, Qt::CaseInsensitive) ? path.chopped(suffix.size()) : path;
    return stem + QStringLiteral(".previous.json");
}

} // namespace ProfileFile
