#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <chrono>
#include <functional>
#include <optional>

// The simulated machine: one JSON file shaped like the macOS network configuration, plus what
// the real system would know at run time (links, attached networks, the administrator prompt).
// The format is documented in docs/simulated-machine.md. Shared by the application's store and
// by the stand-in programs, so it depends on Qt Core alone.
class SimulatedMachine {
public:
    // How a device's link shows in ifconfig.
    enum class Link { active, inactive, noStatus };

    // How the administrator prompt answers.
    enum class Administrator { approve, cancel, deny };

    // The environment variable that carries the machine file's path to every stand-in.
    static constexpr auto environmentVariable = "BRISVALE_SIMULATION";
    // Set to "1" by the osascript stand-in once the administrator prompt has been approved;
    // the networksetup stand-in makes no change without it.
    static constexpr auto privilegeVariable = "BRISVALE_SIMULATION_PRIVILEGED";

    // Reads and checks the file; on failure, nullopt and one clear sentence naming the file
    // and the problem in *problem.
    static std::optional<SimulatedMachine> load(const QString &path, QString *problem);
    static std::optional<SimulatedMachine> fromJson(const QJsonObject &root, const QString &path,
                                                    QString *problem);

    // How a change of the file ended.
    enum class UpdateResult {
        written, // the file now holds the change
        refused, // the change itself declined, with its reason; the file is untouched
        failed,  // the file could not be read, locked or written; the file is untouched
    };
    // Edits root in place and returns true, or leaves a reason and returns false.
    using Change = std::function<bool(QJsonObject &root, QString *reason)>;

    // Applies one change to the file at path, safe against other writers and readers: under an
    // exclusive lock (<file>.lock) it re-reads the file, applies the change and replaces the
    // file atomically, keeping its permissions and its layout outside what changed. Nothing is
    // written unless the change succeeds and leaves a file load() accepts. *problem receives
    // the change's reason (refused) or one sentence naming the file (failed).
    static UpdateResult update(const QString &path, const Change &change, QString *problem);

    QString path() const { return m_path; }
    QJsonObject root() const { return m_root; }

    Administrator administrator() const;
    std::chrono::milliseconds pingDelay() const;

    // The services in file order; each is a JSON object (checked by load()).
    QJsonArray services() const;

    // The name the live state of a service is published under: its ServiceID, or its
    // UserDefinedName when it has no ServiceID. Empty when it has neither.
    static QString serviceIdentifier(const QJsonObject &service);
    // Interface.DeviceName of a service, empty when it has none.
    static QString serviceDevice(const QJsonObject &service);

    // The devices section: whether a device exists, its link, the network it is attached to.
    QStringList deviceNames() const;
    bool hasDevice(const QString &device) const;
    QJsonObject device(const QString &device) const;
    Link link(const QString &device) const;
    QJsonObject deviceNetwork(const QString &device) const;

    // The live IPv4 state the system would publish for a service at that moment, with the keys
    // Addresses, SubnetMasks and Router; nullopt when it would publish none (disabled, no link,
    // no lease yet, ...).
    std::optional<QJsonObject> liveIPv4(const QJsonObject &service, const QDateTime &now) const;

    // Dotted-quad IPv4 addresses as host-order integers, for the stand-ins that compute with
    // them. Strict: four decimal parts of 0 to 255, nothing around them.
    static std::optional<quint32> parseIPv4(QStringView text);
    static QString formatIPv4(quint32 address);

private:
    std::optional<QJsonObject> dhcpLease(const QJsonObject &service, const QString &device,
                                         const QDateTime &now) const;

    QString m_path;
    QJsonObject m_root;
};
