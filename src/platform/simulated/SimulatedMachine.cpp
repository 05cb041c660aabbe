#include "platform/simulated/SimulatedMachine.h"

#include <QByteArrayList>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

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

// The one check that fails decides the sentence; an empty result means the shape is right.
QString shapeProblem(const QJsonObject &root)
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
        if (!delay.isDouble() || !std::isfinite(delay.toDouble()) || delay.toDouble() < 0)
            return QStringLiteral("« pingDelayMs » doit être un nombre positif ou nul");
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

// Reads the file at ioPath; messages name shownPath, the path the user gave.
std::optional<QByteArray> readMachineFile(const QString &ioPath, const QString &shownPath,
                                          QString *problem)
{
    const auto fail = [problem](const QString &text) {
        if (problem)
            *problem = text;
        return std::nullopt;
    };
    const QFileInfo info(ioPath);
    if (!info.exists())
        return fail(QStringLiteral("Machine simulée « %1 » introuvable : le fichier n'existe pas.")
                        .arg(shownPath));
    if (info.isDir())
        return fail(unreadable(shownPath, QStringLiteral("c'est un dossier")));
    QFile file(ioPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(unreadable(
            shownPath, QStringLiteral("ouverture impossible (%1)").arg(file.errorString())));
    const QByteArray data = file.readAll();
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

// --- Writing a change back into the text ---------------------------------------------------
//
// The file is often laid out by hand (one-line objects, chosen key order, notes). A rewrite
// through QJsonDocument would sort every key and reflow every line, so a single click would
// turn the file into a diff of its whole length. Instead, the parts that did not change are
// copied byte for byte and only the changed values are written anew.

// Where one value lies in the text; objects and arrays know where each of their children is.
struct Span {
    qsizetype begin = 0;
    qsizetype end = 0; // one past the value's last byte
    // For a member of an object: its key and where the key's opening quote is.
    QString key;
    qsizetype keyBegin = -1;
    std::vector<Span> children;
};

// Trusts nothing: any surprise gives up, and the caller falls back to a plain rewrite.
class SpanScanner {
public:
    explicit SpanScanner(const QByteArray &text)
        : m_text(text)
    {
    }

    std::optional<Span> document()
    {
        std::optional<Span> root = value(0);
        skipSpace();
        if (!root || m_pos != m_text.size())
            return std::nullopt;
        return root;
    }

private:
    // QJsonDocument refuses deeper documents anyway.
    static constexpr int maximumDepth = 1024;

    bool at(char c) const { return m_pos < m_text.size() && m_text.at(m_pos) == c; }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void skipSpace()
    {
        while (m_pos < m_text.size() && isSpace(m_text.at(m_pos)))
            ++m_pos;
    }

    bool skipString()
    {
        if (!at('"'))
            return false;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text.at(m_pos);
            if (c == '\\') {
                ++m_pos;
            } else if (c == '"') {
                ++m_pos;
                return true;
            }
        }
        return false;
    }

    std::optional<QString> memberKey()
    {
        const qsizetype begin = m_pos;
        if (!skipString())
            return std::nullopt;
        // Escapes are rare in keys; letting the real parser decode them keeps the scanner from
        // having its own idea of JSON strings.
        const QByteArray token = m_text.mid(begin, m_pos - begin);
        const QJsonArray decoded = QJsonDocument::fromJson('[' + token + ']').array();
        if (decoded.size() != 1 || !decoded.at(0).isString())
            return std::nullopt;
        return decoded.at(0).toString();
    }

    std::optional<Span> value(int depth)
    {
        skipSpace();
        if (m_pos >= m_text.size() || depth > maximumDepth)
            return std::nullopt;
        Span span;
        span.begin = m_pos;
        const char first = m_text.at(m_pos);
        if (first == '{' || first == '[') {
            const char close = first == '{' ? '}' : ']';
            ++m_pos;
            skipSpace();
            if (at(close)) {
                ++m_pos;
            } else {
                for (;;) {
                    skipSpace();
                    QString key;
                    const qsizetype keyBegin = m_pos;
                    if (first == '{') {
                        const std::optional<QString> name = memberKey();
                        skipSpace();
                        if (!name || !at(':'))
                            return std::nullopt;
                        ++m_pos;
                        key = *name;
                    }
                    std::optional<Span> child = value(depth + 1);
                    if (!child)
                        return std::nullopt;
                    if (first == '{') {
                        child->key = key;
                        child->keyBegin = keyBegin;
                    }
                    span.children.push_back(std::move(*child));
                    skipSpace();
                    if (at(',')) {
                        ++m_pos;
                        continue;
                    }
                    if (!at(close))
                        return std::nullopt;
                    ++m_pos;
                    break;
                }
            }
        } else if (first == '"') {
            if (!skipString())
                return std::nullopt;
        } else {
            // A number or a literal runs up to the next separator.
            while (m_pos < m_text.size() && !isSpace(m_text.at(m_pos)) &&
                   !QByteArrayView(",:]}").contains(m_text.at(m_pos)))
                ++m_pos;
            if (m_pos == span.begin)
                return std::nullopt;
        }
        span.end = m_pos;
        return span;
    }

    const QByteArray &m_text;
    qsizetype m_pos = 0;
};

// The order the format documents, for keys a change adds; others follow in sorted order.
const QStringList documentedKeyOrder = {
    QStringLiteral("ServiceID"), QStringLiteral("UserDefinedName"),
    QStringLiteral("Enabled"),   QStringLiteral("Interface"),
    QStringLiteral("IPv4"),      QStringLiteral("ConfigMethod"),
    QStringLiteral("Addresses"), QStringLiteral("SubnetMasks"),
    QStringLiteral("Router"),    QStringLiteral("ChangedAt"),
};

QStringList orderedKeys(const QJsonObject &object, const Span *hint)
{
    QStringList keys;
    if (hint) {
        for (const Span &member : hint->children) {
            if (object.contains(member.key) && !keys.contains(member.key))
                keys.append(member.key);
        }
    }
    QStringList added;
    for (const QString &key : object.keys()) {
        if (!keys.contains(key))
            added.append(key);
    }
    std::stable_sort(added.begin(), added.end(), [](const QString &a, const QString &b) {
        const auto rank = [](const QString &key) {
            const qsizetype index = documentedKeyOrder.indexOf(key);
            return index < 0 ? documentedKeyOrder.size() : index;
        };
        return rank(a) < rank(b);
    });
    return keys + added;
}

const Span *childNamed(const Span *span, const QString &key)
{
    if (!span)
        return nullptr;
    for (const Span &member : span->children) {
        if (member.key == key)
            return &member;
    }
    return nullptr;
}

QByteArray scalarText(const QJsonValue &value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

bool isContainer(const QJsonValue &value)
{
    return value.isObject() || value.isArray();
}

class TextRewriter {
public:
    explicit TextRewriter(const QByteArray &text)
        : m_text(text)
    {
    }

    // The new text, or nothing when the old one could not be followed.
    std::optional<QByteArray> rewrite(const QJsonObject &before, const QJsonObject &after)
    {
        const std::optional<Span> root = SpanScanner(m_text).document();
        if (!root)
            return std::nullopt;
        if (!root->children.empty()) {
            const QByteArray indent = lineIndent(root->children.front().keyBegin);
            if (!indent.isEmpty())
                m_unit = indent;
        }
        return m_text.left(root->begin) + value(*root, before, after) + m_text.mid(root->end);
    }

private:
    // Lines written anew are kept to the width of the lines around them.
    static constexpr qsizetype lineWidth = 120;

    QByteArray original(const Span &span) const
    {
        return m_text.mid(span.begin, span.end - span.begin);
    }

    qsizetype lineStart(qsizetype position) const
    {
        return m_text.lastIndexOf('\n', position - 1) + 1;
    }

    QByteArray lineIndent(qsizetype position) const
    {
        qsizetype end = lineStart(position);
        const qsizetype start = end;
        while (end < position && (m_text.at(end) == ' ' || m_text.at(end) == '\t'))
            ++end;
        return m_text.mid(start, end - start);
    }

    qsizetype column(qsizetype position) const { return position - lineStart(position); }

    QByteArray value(const Span &span, const QJsonValue &before, const QJsonValue &after)
    {
        if (before == after)
            return original(span);
        std::optional<QByteArray> text;
        if (before.isObject() && after.isObject())
            text = object(span, before.toObject(), after.toObject());
        else if (before.isArray() && after.isArray())
            text = array(span, before.toArray(), after.toArray());
        if (text)
            return *text;
        return format(after, lineIndent(span.begin), column(span.begin), &span);
    }

    // Members that changed are written in place. Added ones go after the last one, on lines of
    // their own; an object on one line gets formatted whole instead, so that it may stay on
    // one line, and so does one that lost a member, whose separators would be left behind.
    std::optional<QByteArray> object(const Span &span, const QJsonObject &before,
                                     const QJsonObject &after)
    {
        if (span.children.empty() || qsizetype(span.children.size()) != before.size())
            return std::nullopt;
        for (auto it = before.begin(); it != before.end(); ++it) {
            if (!after.contains(it.key()))
                return std::nullopt;
        }
        if (after.size() > before.size() && !original(span).contains('\n'))
            return std::nullopt;
        QByteArray text;
        qsizetype cursor = span.begin;
        for (const Span &member : span.children) {
            const QJsonValue old = before.value(member.key);
            const QJsonValue now = after.value(member.key);
            if (old == now)
                continue;
            text += m_text.mid(cursor, member.begin - cursor);
            text += value(member, old, now);
            cursor = member.end;
        }
        const Span &last = span.children.back();
        text += m_text.mid(cursor, last.end - cursor);
        const QByteArray indent = lineIndent(last.keyBegin);
        for (const QString &key : orderedKeys(after, &span)) {
            if (before.contains(key))
                continue;
            const QByteArray name = scalarText(key) + ": ";
            text += ",\n" + indent + name +
                    format(after.value(key), indent, indent.size() + name.size(), nullptr);
        }
        text += m_text.mid(last.end, span.end - last.end);
        return text;
    }

    std::optional<QByteArray> array(const Span &span, const QJsonArray &before,
                                    const QJsonArray &after)
    {
        if (before.size() != after.size() || qsizetype(span.children.size()) != before.size())
            return std::nullopt;
        QByteArray text;
        qsizetype cursor = span.begin;
        for (qsizetype i = 0; i < before.size(); ++i) {
            if (before.at(i) == after.at(i))
                continue;
            const Span &element = span.children.at(size_t(i));
            text += m_text.mid(cursor, element.begin - cursor);
            text += value(element, before.at(i), after.at(i));
            cursor = element.end;
        }
        text += m_text.mid(cursor, span.end - cursor);
        return text;
    }

    // One line for a list of plain values, or an object of plain values and such lists, when
    // it fits, as the demo machine is laid out; otherwise one member per line.
    static std::optional<QByteArray> oneLine(const QJsonValue &value, const Span *hint, int depth)
    {
        if (!isContainer(value))
            return scalarText(value);
        if (depth > 1)
            return std::nullopt;
        QByteArrayList parts;
        if (value.isArray()) {
            for (const QJsonValue element : value.toArray()) {
                if (isContainer(element))
                    return std::nullopt;
                parts.append(scalarText(element));
            }
            return '[' + parts.join(", ") + ']';
        }
        const QJsonObject object = value.toObject();
        if (object.isEmpty())
            return QByteArray("{}");
        for (const QString &key : orderedKeys(object, hint)) {
            const QJsonValue member = object.value(key);
            if (member.isObject())
                return std::nullopt;
            const std::optional<QByteArray> text = oneLine(member, nullptr, depth + 1);
            if (!text)
                return std::nullopt;
            parts.append(scalarText(key) + ": " + *text);
        }
        return "{ " + parts.join(", ") + " }";
    }

    QByteArray format(const QJsonValue &value, const QByteArray &indent, qsizetype column,
                      const Span *hint) const
    {
        if (const std::optional<QByteArray> line = oneLine(value, hint, 0)) {
            // The comma that may follow counts too.
            if (column + line->size() + 1 <= lineWidth)
                return *line;
        }
        const QByteArray inner = indent + m_unit;
        QByteArrayList lines;
        if (value.isArray()) {
            const QJsonArray array = value.toArray();
            for (qsizetype i = 0; i < array.size(); ++i) {
                const Span *child = hint && i < qsizetype(hint->children.size())
                                        ? &hint->children.at(size_t(i))
                                        : nullptr;
                lines.append(inner + format(array.at(i), inner, inner.size(), child));
            }
            return "[\n" + lines.join(",\n") + '\n' + indent + ']';
        }
        const QJsonObject object = value.toObject();
        for (const QString &key : orderedKeys(object, hint)) {
            const QByteArray name = scalarText(key) + ": ";
            lines.append(inner + name +
                         format(object.value(key), inner, inner.size() + name.size(),
                                childNamed(hint, key)));
        }
        return "{\n" + lines.join(",\n") + '\n' + indent + '}';
    }

    const QByteArray &m_text;
    QByteArray m_unit = "  ";
};

// The new file: the old text with the change written into it, checked by parsing it back;
// Qt's own layout when that check fails, so a surprise in the old text never costs the change.
QByteArray machineText(const QByteArray &old, const QJsonObject &before, const QJsonObject &after)
{
    if (const std::optional<QByteArray> text = TextRewriter(old).rewrite(before, after)) {
        QJsonParseError error;
        const QJsonDocument check = QJsonDocument::fromJson(*text, &error);
        if (error.error == QJsonParseError::NoError && check.isObject() && check.object() == after)
            return *text;
    }
    return QJsonDocument(after).toJson(QJsonDocument::Indented);
}

// Holds the lock on behalf of one update. Short sleeps rather than QLockFile::tryLock(timeout),
// whose back-off starts at 100 ms and doubles: fifty writers in a row would then take seconds.
bool acquire(QLockFile &lock, std::chrono::milliseconds timeout)
{
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = 1ms;
    for (;;) {
        if (lock.tryLock(0))
            return true;
        if (lock.error() != QLockFile::LockFailedError ||
            std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

} // namespace

std::optional<SimulatedMachine> SimulatedMachine::load(const QString &path, QString *problem)
{
    const std::optional<QByteArray> data = readMachineFile(path, path, problem);
    if (!data)
        return std::nullopt;
    const std::optional<QJsonObject> root = parseMachineText(*data, path, problem);
    if (!root)
        return std::nullopt;
    return fromJson(*root, path, problem);
}

std::optional<SimulatedMachine> SimulatedMachine::fromJson(const QJsonObject &root,
                                                           const QString &path, QString *problem)
{
    const QString shape = shapeProblem(root);
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
        if (!delayValue.isDouble() || !std::isfinite(delayValue.toDouble()) ||
            delayValue.toDouble() < 0)
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
    quint32 address = 0;
    int parts = 0;
    for (const QStringView part : text.split(u'.')) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        int value = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255 || ++parts > 4)
            return std::nullopt;
        address = (address << 8) | quint32(value);
    }
    if (parts != 4)
        return std::nullopt;
    return address;
}

QString SimulatedMachine::formatIPv4(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

SimulatedMachine::UpdateResult SimulatedMachine::update(const QString &path, const Change &change,
                                                        QString *problem)
{
    using namespace std::chrono_literals;
    const auto fail = [problem](const QString &text) {
        if (problem)
            *problem = text;
        return UpdateResult::failed;
    };
    const auto unchanged = [&path](const QString &reason) {
        return QStringLiteral("Machine simulée « %1 » non modifiée : %2.").arg(path, reason);
    };

    // Writers that name the file differently (a relative path, a symbolic link) must meet at
    // one lock, and a link must stay a link.
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : path;
    QString readProblem;
    if ((!info.exists() || info.isDir()) && !readMachineFile(target, path, &readProblem))
        return fail(readProblem);
    // Replacing the file would get round a read-only mode that the user chose.
    if (!QFileInfo(target).isWritable())
        return fail(unchanged(QStringLiteral("le fichier est en lecture seule")));

    QLockFile lock(target + QStringLiteral(".lock"));
    // An update holds the lock for milliseconds; a lock this old was left by a writer that
    // died, even when its process number has been given to another program since.
    lock.setStaleLockTime(10000);
    if (!acquire(lock, 30s)) {
        if (lock.error() == QLockFile::LockFailedError)
            return fail(
                unchanged(QStringLiteral("le verrou « %1.lock » est resté pris plus de 30 secondes")
                              .arg(target)));
        return fail(
            unchanged(QStringLiteral("impossible de créer le verrou « %1.lock »").arg(target)));
    }

    // Another writer may have changed the file while this one waited.
    const std::optional<QByteArray> data = readMachineFile(target, path, &readProblem);
    if (!data)
        return fail(readProblem);
    const std::optional<QJsonObject> before = parseMachineText(*data, path, &readProblem);
    if (!before || !fromJson(*before, path, &readProblem))
        return fail(readProblem);

    QJsonObject after = *before;
    QString reason;
    if (!change(after, &reason)) {
        if (problem)
            *problem = reason;
        return UpdateResult::refused;
    }
    const QString shape = shapeProblem(after);
    if (!shape.isEmpty())
        return fail(unchanged(
            QStringLiteral("le changement rendrait le fichier invalide (%1)").arg(shape)));
    if (after == *before)
        return UpdateResult::written;

    // Readers never take the lock: the new file replaces the old one in a single rename, so
    // they see one or the other, whole.
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return fail(unchanged(QStringLiteral("écriture impossible (%1)").arg(file.errorString())));
    file.write(machineText(*data, *before, after));
    if (!file.commit())
        return fail(unchanged(QStringLiteral("écriture impossible (%1)").arg(file.errorString())));
    return UpdateResult::written;
}
