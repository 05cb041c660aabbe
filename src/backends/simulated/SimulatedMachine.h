// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "MachineFileLimits.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <chrono>
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

    static constexpr auto environmentVariable = MachineFileLimits::environmentVariable;
    // Set to "1" by the osascript stand-in once the administrator prompt has been approved;
    // the networksetup stand-in makes no change without it.
    static constexpr auto privilegeVariable = "BRISVALE_SIMULATION_PRIVILEGED";

    static constexpr qint64 maximumFileSize = MachineFileLimits::maximumFileSize;
    static constexpr std::chrono::milliseconds maximumDelay = MachineFileLimits::maximumDelay;

    // Reads and checks the file; on failure, nullopt and one clear sentence naming the file
    // and the problem in *problem.
    static std::optional<SimulatedMachine> load(const QString &path, QString *problem);
    // The two halves of load(), for the writer, which reads the file under its lock: the raw
    // text (a regular file of at most maximumFileSize; messages name shownPath), then the
    // machine it describes.
    static std::optional<QByteArray> readText(const QString &path, const QString &shownPath,
                                              QString *problem);
    static std::optional<SimulatedMachine> fromText(const QByteArray &text, const QString &path,
                                                    QString *problem);
    static std::optional<SimulatedMachine> fromJson(const QJsonObject &root, const QString &path,
                                                    QString *problem);
    // Why fromJson() would refuse root, as the end of a sentence; empty when it would not.
    static QString shapeProblem(const QJsonObject &root);

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
