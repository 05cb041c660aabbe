// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "SimulatedMachine.h"

#include "IPv4.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every problem is one sentence that starts by naming the file, because it may surface far
// from where the path was chosen (a stand-in's standard error, a warning in the log).
QString unreadable(const QString &path, const QString &reason)
{
    return QStringLiteral("Machine simulée « %1 » illisible : %2.").arg(path, reason);
}

QString invalid(const QString &path, const QString &reason)
{
    return QStringLiteral("Machine simulée « %1 » invalide : %2.").arg(path, reason);
}

QString parseErrorText(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::NoError:
        break;
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("objet non terminé");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("deux-points manquant après un nom");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("liste non terminée");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("virgule manquante entre deux valeurs");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("valeur invalide");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("nombre en fin de document");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("nombre invalide");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("séquence d'échappement invalide");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("texte UTF-8 invalide");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("chaîne non terminée");
    case QJsonParseError::MissingObject:
        return QStringLiteral("objet attendu");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("imbrication trop profonde");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("document trop volumineux");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("texte en trop après la fin du document");
    }
    return QStringLiteral("erreur de syntaxe JSON");
}

constexpr qint64 maximumDelayMs = SimulatedMachine::maximumDelay.count();

// The one check that fails decides the sentence; an empty result means the shape is right.
QString shapeOf(const QJsonObject &root)
{
    if (!root.contains(QLatin1String("services")))
        return QStringLiteral("la clé « services » manque");
    const QJsonValue services = root.value(QLatin1String("services"));
    if (!services.isArray())
        return QStringLiteral("« services » doit être une liste");
    const QJsonArray list = services.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).isObject())
            return QStringLiteral("l'élément n° %1 de « services » doit être un objet").arg(i + 1);
    }

    if (root.contains(QLatin1String("devices"))) {
        const QJsonValue devices = root.value(QLatin1String("devices"));
        if (!devices.isObject())
            return QStringLiteral("« devices » doit être un objet");
        const QJsonObject entries = devices.toObject();
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (!it.value().isObject())
                return QStringLiteral("l'appareil « %1 » de « devices » doit être un objet")
                    .arg(it.key());
            // A misspelt link would otherwise silently read as "active".
            const QJsonValue link = it.value().toObject().value(QLatin1String("link"));
            static const QStringList links = {QStringLiteral("active"), QStringLiteral("inactive"),
                                              QStringLiteral("none")};
            if (!link.isUndefined() && !links.contains(link.toString()))
                return QStringLiteral(
                           "le lien de l'appareil « %1 » doit valoir active, inactive ou none")
                    .arg(it.key());
        }
    }

    if (root.contains(QLatin1String("networks"))) {
        const QJsonValue networks = root.value(QLatin1String("networks"));
        if (!networks.isObject())
            return QStringLiteral("« networks » doit être un objet");
        const QJsonObject entries = networks.toObject();
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (!it.value().isObject())
                return QStringLiteral("le réseau « %1 » de « networks » doit être un objet")
                    .arg(it.key());
            // Any other mistake in a DHCP server gives no lease, as a broken server would; a
            // delay beyond an hour is no simulation of anything, only a window that never
            // settles (or a number too large to count in milliseconds).
            const QJsonValue delay = it.value()
                                         .toObject()
                                         .value(QLatin1String("dhcp"))
                                         .toObject()
                                         .value(QLatin1String("delayMs"));
            if (delay.isDouble() && !(delay.toDouble() <= maximumDelayMs))
                return QStringLiteral("le délai « delayMs » du réseau « %1 » dépasse une heure "
                                      "(%2 ms)")
                    .arg(it.key())
                    .arg(maximumDelayMs);
        }
    }

    if (root.contains(QLatin1String("administrator"))) {
        static const QStringList answers = {QStringLiteral("approve"), QStringLiteral("cancel"),
                                            QStringLiteral("deny")};
        if (!answers.contains(root.value(QLatin1String("administrator")).toString()))
            return QStringLiteral("« administrator » doit valoir approve, cancel ou deny");
    }
    if (root.contains(QLatin1String("pingDelayMs"))) {
        const QJsonValue delay = root.value(QLatin1String("pingDelayMs"));
        if (!delay.isDouble() || !(delay.toDouble() >= 0 && delay.toDouble() <= maximumDelayMs))
            return QStringLiteral("« pingDelayMs » doit être un nombre de 0 à %1 (une heure)")
                .arg(maximumDelayMs);
    }
    return {};
}

quint32 fnv1a(const QByteArray &bytes)
{
    quint32 hash = 2166136261u;
    for (const char byte : bytes) {
        hash ^= static_cast<quint8>(byte);
        hash *= 16777619u;
    }
    return hash;
}

struct Subnet {
    quint32 network = 0;
    quint32 mask = 0;

    bool contains(quint32 address) const { return (address & mask) == network; }
};

std::optional<Subnet> parseSubnet(const QString &text)
{
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    const std::optional<quint32> base = SimulatedMachine::parseIPv4(QStringView(text).left(slash));
    const QStringView prefixText = QStringView(text).mid(slash + 1);
    const bool digitsOnly = !prefixText.isEmpty() && prefixText.size() <= 2 &&
                            std::all_of(prefixText.begin(), prefixText.end(),
                                        [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int prefix = digitsOnly ? prefixText.toInt() : -1;
    if (!base || prefix < 0 || prefix > 32)
        return std::nullopt;
    // A shift by 32 is undefined, hence the 64-bit intermediate.
    const quint32 mask = static_cast<quint32>(~((quint64(1) << (32 - prefix)) - 1));
    return Subnet{*base & mask, mask};
}

QString stringOf(const QJsonObject &object, QLatin1String key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

// Reads the file at ioPath; messages name shownPath, the path the user gave. Only a regular file
// of a sane size is read: a device such as /dev/zero never ends and a FIFO blocks until someone
// writes to it, both before any window could say what is wrong.
std::optional<QByteArray> readMachineFile(const QString &ioPath, const QString &shownPath,
                                          QString *problem)
{
    const auto fail = [problem](const QString &text) {
        if (problem)
            *problem = text;
        return std::nullopt;
    };
    // Non-blocking, so that opening a FIFO returns at once; the descriptor is then checked
    // before a single byte is read.
    const int fd = ::open(QFile::encodeName(ioPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return fail(
                QStringLiteral("Machine simulée « %1 » introuvable : le fichier n'existe pas.")
                    .arg(shownPath));
        return fail(unreadable(shownPath, QStringLiteral("ouverture impossible (%1)")
                                              .arg(QString::fromLocal8Bit(std::strerror(error)))));
    }
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return fail(unreadable(shownPath, QString::fromLocal8Bit(std::strerror(errno))));
    if (S_ISDIR(status.st_mode))
        return fail(unreadable(shownPath, QStringLiteral("c'est un dossier")));
    if (!S_ISREG(status.st_mode))
        return fail(unreadable(shownPath, QStringLiteral("ce n'est pas un fichier ordinaire")));
    const QString tooLarge = QStringLiteral("le fichier dépasse %1 Mio")
                                 .arg(SimulatedMachine::maximumFileSize / (1024 * 1024));
    if (status.st_size > SimulatedMachine::maximumFileSize)
        return fail(unreadable(shownPath, tooLarge));

    // The size may change under the reader; one byte more than the limit tells it grew too far.
    QByteArray data;
    data.resize(qsizetype(status.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (data.size() > SimulatedMachine::maximumFileSize)
                return fail(unreadable(shownPath, tooLarge));
            data.resize(
                std::min<qsizetype>(data.size() * 2, SimulatedMachine::maximumFileSize + 1));
        }
        const ssize_t count = ::read(fd, data.data() + filled, size_t(data.size() - filled));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return fail(
                unreadable(shownPath, QStringLiteral("lecture impossible (%1)")
                                          .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        if (count == 0)
            break;
        filled += count;
    }
    data.truncate(filled);
    if (data.trimmed().isEmpty())
        return fail(unreadable(shownPath, QStringLiteral("le fichier est vide")));
    return data;
}

std::optional<QJsonObject> parseMachineText(const QByteArray &data, const QString &path,
                                            QString *problem)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        // Most truncations are reported as some construct left open; what the user needs to
        // hear is that the file stops too early.
        qsizetype end = data.size();
        while (end > 0 && QChar::isSpace(uchar(data.at(end - 1))))
            --end;
        const bool atEnd = error.offset >= end;
        const QString reason =
            atEnd ? QStringLiteral("fin de fichier inattendue") : parseErrorText(error.error);
        if (problem)
            *problem = unreadable(
                path, QStringLiteral("%1 à la position %2").arg(reason).arg(error.offset));
        return std::nullopt;
    }
    if (!document.isObject()) {
        if (problem)
            *problem = invalid(path, QStringLiteral("la racine doit être un objet JSON"));
        return std::nullopt;
    }
    return document.object();
}

} // namespace

std::optional<SimulatedMachine> SimulatedMachine::load(const QString &path, QString *problem)
{
    const std::optional<QByteArray> data = readText(path, path, problem);
    if (!data)
        return std::nullopt;
    return fromText(*data, path, problem);
}

std::optional<QByteArray> SimulatedMachine::readText(const QString &path, const QString &shownPath,
                                                     QString *problem)
{
    return readMachineFile(path, shownPath, problem);
}

std::optional<SimulatedMachine> SimulatedMachine::fromText(const QByteArray &text,
                                                           const QString &path, QString *problem)
{
    const std::optional<QJsonObject> root = parseMachineText(text, path, problem);
    if (!root)
        return std::nullopt;
    return fromJson(*root, path, problem);
}

QString SimulatedMachine::shapeProblem(const QJsonObject &root)
{
    return shapeOf(root);
}

std::optional<SimulatedMachine> SimulatedMachine::fromJson(const QJsonObject &root,
                                                           const QString &path, QString *problem)
{
    const QString shape = shapeOf(root);
    if (!shape.isEmpty()) {
        if (problem)
            *problem = invalid(path, shape);
        return std::nullopt;
    }
    SimulatedMachine machine;
    machine.m_path = path;
    machine.m_root = root;
    return machine;
}

SimulatedMachine::Administrator SimulatedMachine::administrator() const
{
    const QString answer = stringOf(m_root, QLatin1String("administrator"));
    if (answer == QLatin1String("cancel"))
        return Administrator::cancel;
    if (answer == QLatin1String("deny"))
        return Administrator::deny;
    return Administrator::approve;
}

std::chrono::milliseconds SimulatedMachine::pingDelay() const
{
    const double delay = m_root.value(QLatin1String("pingDelayMs")).toDouble(0);
    return std::chrono::milliseconds(qRound64(delay));
}

QJsonArray SimulatedMachine::services() const
{
    return m_root.value(QLatin1String("services")).toArray();
}

QString SimulatedMachine::serviceIdentifier(const QJsonObject &service)
{
    const QJsonValue id = service.value(QLatin1String("ServiceID"));
    if (id.isString())
        return id.toString();
    return stringOf(service, QLatin1String("UserDefinedName"));
}

QString SimulatedMachine::serviceDevice(const QJsonObject &service)
{
    return stringOf(service.value(QLatin1String("Interface")).toObject(),
                    QLatin1String("DeviceName"));
}

QStringList SimulatedMachine::deviceNames() const
{
    return m_root.value(QLatin1String("devices")).toObject().keys();
}

bool SimulatedMachine::hasDevice(const QString &device) const
{
    return !device.isEmpty() && m_root.value(QLatin1String("devices")).toObject().contains(device);
}

QJsonObject SimulatedMachine::device(const QString &device) const
{
    return m_root.value(QLatin1String("devices")).toObject().value(device).toObject();
}

SimulatedMachine::Link SimulatedMachine::link(const QString &device) const
{
    // A device the machine does not have has no link to speak of.
    if (!hasDevice(device))
        return Link::inactive;
    const QString link = stringOf(this->device(device), QLatin1String("link"));
    if (link == QLatin1String("inactive"))
        return Link::inactive;
    if (link == QLatin1String("none"))
        return Link::noStatus;
    return Link::active;
}

QJsonObject SimulatedMachine::deviceNetwork(const QString &device) const
{
    const QString network = stringOf(this->device(device), QLatin1String("network"));
    if (network.isEmpty())
        return {};
    return m_root.value(QLatin1String("networks")).toObject().value(network).toObject();
}

std::optional<QJsonObject> SimulatedMachine::liveIPv4(const QJsonObject &service,
                                                      const QDateTime &now) const
{
    const QJsonValue enabled = service.value(QLatin1String("Enabled"));
    if (enabled.isBool() && !enabled.toBool())
        return std::nullopt;
    const QString device = serviceDevice(service);
    if (!hasDevice(device) || link(device) == Link::inactive)
        return std::nullopt;
    const QJsonValue ipv4 = service.value(QLatin1String("IPv4"));
    if (!ipv4.isObject())
        return std::nullopt;
    const QJsonObject configuration = ipv4.toObject();
    const QString method = stringOf(configuration, QLatin1String("ConfigMethod"));

    if (method == QLatin1String("Manual")) {
        // Like the real system, a manual service without an address publishes nothing; what
        // it does publish is what was configured, wrong types included.
        const QJsonValue addresses = configuration.value(QLatin1String("Addresses"));
        if (!addresses.isArray() || addresses.toArray().isEmpty())
            return std::nullopt;
        QJsonObject live;
        live.insert(QLatin1String("Addresses"), addresses);
        const QJsonValue masks = configuration.value(QLatin1String("SubnetMasks"));
        if (!masks.isUndefined())
            live.insert(QLatin1String("SubnetMasks"), masks);
        const QString router = stringOf(configuration, QLatin1String("Router"));
        if (!router.isEmpty())
            live.insert(QLatin1String("Router"), router);
        return live;
    }
    if (method == QLatin1String("DHCP") || method == QLatin1String("BOOTP"))
        return dhcpLease(service, device, now);
    return std::nullopt;
}

std::optional<QJsonObject> SimulatedMachine::dhcpLease(const QJsonObject &service,
                                                       const QString &device,
                                                       const QDateTime &now) const
{
    const QJsonObject network = deviceNetwork(device);
    const QJsonValue dhcpValue = network.value(QLatin1String("dhcp"));
    if (!dhcpValue.isObject())
        return std::nullopt;
    const QJsonObject dhcp = dhcpValue.toObject();

    // The server answers delayMs after the last change; a change time that cannot be read
    // gives no lease rather than a guess.
    const QJsonValue delayValue = dhcp.value(QLatin1String("delayMs"));
    qint64 delay = 0;
    if (!delayValue.isUndefined()) {
        // Checked by fromJson(); kept here so that no value can overflow the rounding below.
        if (!delayValue.isDouble() ||
            !(delayValue.toDouble() >= 0 && delayValue.toDouble() <= maximumDelayMs))
            return std::nullopt;
        delay = qRound64(delayValue.toDouble());
    }
    const QJsonValue changedValue = service.value(QLatin1String("ChangedAt"));
    if (!changedValue.isUndefined()) {
        const QDateTime changedAt =
            QDateTime::fromString(changedValue.toString(), Qt::ISODateWithMs);
        if (!changedAt.isValid())
            return std::nullopt;
        if (now < changedAt.addMSecs(delay))
            return std::nullopt;
    }

    const std::optional<Subnet> subnet = parseSubnet(stringOf(network, QLatin1String("subnet")));
    if (!subnet)
        return std::nullopt;

    QString lease = stringOf(this->device(device), QLatin1String("lease"));
    if (lease.isEmpty()) {
        const std::optional<quint32> first = parseIPv4(stringOf(dhcp, QLatin1String("first")));
        const std::optional<quint32> last = parseIPv4(stringOf(dhcp, QLatin1String("last")));
        if (!first || !last || *first > *last || !subnet->contains(*first) ||
            !subnet->contains(*last))
            return std::nullopt;
        // The same service on the same device always gets the same address, as a real server
        // that remembers its clients would give.
        const QByteArray client = (serviceIdentifier(service) + u'/' + device).toUtf8();
        const quint64 size = quint64(*last) - *first + 1;
        lease = formatIPv4(static_cast<quint32>(*first + fnv1a(client) % size));
    }

    QJsonObject live;
    live.insert(QLatin1String("Addresses"), QJsonArray{lease});
    live.insert(QLatin1String("SubnetMasks"), QJsonArray{formatIPv4(subnet->mask)});
    const QString router = stringOf(network, QLatin1String("router"));
    if (!router.isEmpty())
        live.insert(QLatin1String("Router"), router);
    return live;
}

std::optional<quint32> SimulatedMachine::parseIPv4(QStringView text)
{
    // The model's own parser, which forgives blanks around the address; the file does not.
    if (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))
        return std::nullopt;
    return IPv4::parse(text.toString());
}

QString SimulatedMachine::formatIPv4(quint32 address)
{
    return IPv4::format(address);
}
