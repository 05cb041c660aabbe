// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "SimulatedMachine.h"

#include "DottedQuad.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>

namespace {

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

// The rules read the text Qt writes for what it read: Qt's values, in Qt's order. Qt writes
// nothing PlainJson refuses (a lone surrogate, for one, as an escape).
PlainJson plainOf(const QJsonDocument &document)
{
    const QByteArray text = document.toJson(QJsonDocument::Compact);
    return PlainJson::parse(std::string_view(text.constData(), size_t(text.size()))).value();
}

// ChangedAt as the application reads it: any ISO 8601 form Qt knows, local time when it names
// no offset.
std::optional<std::int64_t> qtTime(std::string_view text)
{
    const QDateTime time = QDateTime::fromString(
        QString::fromUtf8(text.data(), qsizetype(text.size())), Qt::ISODateWithMs);
    return time.isValid() ? std::optional(time.toMSecsSinceEpoch()) : std::nullopt;
}

} // namespace

SimulatedMachine::SimulatedMachine(QString path, QJsonObject root, PlainMachine plain)
    : m_path(std::move(path))
    , m_root(std::move(root))
    , m_plain(std::move(plain))
{
}

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
    std::string sentence;
    const std::optional<std::string> text = PlainMachine::readText(
        QFile::encodeName(path).constData(), shownPath.toStdString(), &sentence);
    if (!text) {
        if (problem)
            *problem = QString::fromStdString(sentence);
        return std::nullopt;
    }
    return QByteArray::fromStdString(*text);
}

std::optional<SimulatedMachine> SimulatedMachine::fromText(const QByteArray &data,
                                                           const QString &path, QString *problem)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        // Most truncations are reported as some construct left open; what the user needs to
        // hear is that the file stops too early.
        qsizetype end = data.size();
        while (end > 0 && QChar::isSpace(uchar(data.at(end - 1))))
            --end;
        const QString reason = error.offset >= end ? QStringLiteral("fin de fichier inattendue")
                                                   : parseErrorText(error.error);
        if (problem)
            *problem = QString::fromStdString(PlainMachine::unreadable(
                path.toStdString(),
                QStringLiteral("%1 à la position %2").arg(reason).arg(error.offset).toStdString()));
        return std::nullopt;
    }
    std::string sentence;
    std::optional<PlainMachine> plain =
        PlainMachine::fromRoot(plainOf(document), path.toStdString(), &sentence, qtTime);
    if (!plain) {
        if (problem)
            *problem = QString::fromStdString(sentence);
        return std::nullopt;
    }
    return SimulatedMachine(path, document.object(), std::move(*plain));
}

QString SimulatedMachine::shapeProblem(const QJsonObject &root)
{
    return QString::fromStdString(PlainMachine::shapeProblem(plainOf(QJsonDocument(root))));
}

QJsonArray SimulatedMachine::services() const
{
    return m_root.value(QLatin1String("services")).toArray();
}

std::optional<qsizetype> SimulatedMachine::serviceIndex(const QString &serviceIdentifier) const
{
    const std::string wanted = serviceIdentifier.toStdString();
    const std::vector<PlainJson> &services = m_plain.services();
    const auto service =
        std::find_if(services.begin(), services.end(), [&wanted](const PlainJson &service) {
            return PlainMachine::serviceIdentifier(service) == wanted;
        });
    if (service == services.end())
        return std::nullopt;
    return qsizetype(service - services.begin());
}

std::optional<QJsonObject> SimulatedMachine::liveIPv4(const QString &serviceIdentifier,
                                                      const QDateTime &now) const
{
    const std::optional<qsizetype> index = serviceIndex(serviceIdentifier);
    if (!index)
        return std::nullopt;
    const std::optional<PlainMachine::LiveIPv4> live =
        m_plain.liveIPv4(m_plain.services()[size_t(*index)], now.toMSecsSinceEpoch());
    if (!live)
        return std::nullopt;

    // A manual service's values go through as Qt read them; a lease is made of texts.
    QJsonObject published;
    const QLatin1String routerKey("Router");
    if (live->configured) {
        const QJsonObject configuration =
            this->services().at(*index).toObject().value(QLatin1String("IPv4")).toObject();
        for (const QLatin1String key : {QLatin1String("Addresses"), QLatin1String("SubnetMasks")}) {
            if (configuration.contains(key))
                published.insert(key, configuration.value(key));
        }
        if (!live->router.empty())
            published.insert(routerKey, configuration.value(routerKey));
        return published;
    }
    published.insert(QLatin1String("Addresses"),
                     QJsonArray{QString::fromStdString(live->addresses.front())});
    published.insert(QLatin1String("SubnetMasks"), QJsonArray{QString::fromStdString(live->mask)});
    if (!live->router.empty())
        published.insert(routerKey, QString::fromStdString(live->router));
    return published;
}

std::optional<QJsonObject> SimulatedMachine::liveDNS(const QString &serviceIdentifier,
                                                     const QDateTime &now) const
{
    const std::optional<qsizetype> index = serviceIndex(serviceIdentifier);
    if (!index)
        return std::nullopt;
    const std::optional<PlainMachine::LiveDNS> live =
        m_plain.liveDNS(m_plain.services()[size_t(*index)], now.toMSecsSinceEpoch());
    if (!live)
        return std::nullopt;
    const QLatin1String key("ServerAddresses");
    if (live->configured)
        return QJsonObject{
            {key,
             services().at(*index).toObject().value(QLatin1String("DNS")).toObject().value(key)}};
    QJsonArray servers;
    for (const std::string &server : live->servers)
        servers.append(QString::fromStdString(server));
    return QJsonObject{{key, servers}};
}

std::optional<quint32> SimulatedMachine::parseIPv4(QStringView text)
{
    return DottedQuad::parse(text.toUtf8().toStdString());
}

QString SimulatedMachine::formatIPv4(quint32 address)
{
    return QString::fromStdString(DottedQuad::format(address));
}
