// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "PlainMachine.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringView>

#include <chrono>
#include <optional>

// The simulated machine as the application and the Qt stand-ins see it: the file read by Qt,
// whose messages and values the application has always had, and the machine's rules answered
// by PlainMachine, which the ifconfig front shares without Qt.
class SimulatedMachine {
public:
    static constexpr auto environmentVariable = PlainMachine::environmentVariable;
    // Set to "1" by the osascript stand-in once the administrator prompt has been approved;
    // the networksetup stand-in makes no change without it.
    static constexpr auto privilegeVariable = "BRISVALE_SIMULATION_PRIVILEGED";

    static constexpr qint64 maximumFileSize = PlainMachine::maximumFileSize;
    static constexpr std::chrono::milliseconds maximumDelay = PlainMachine::maximumDelay;

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
    // Why a machine of that root would be refused, as the end of a sentence; empty when it would
    // not.
    static QString shapeProblem(const QJsonObject &root);

    QString path() const { return m_path; }
    QJsonObject root() const { return m_root; }
    // The machine's rules, in UTF-8.
    const PlainMachine &plain() const { return m_plain; }

    // The services in file order, as Qt read them; each is a JSON object.
    QJsonArray services() const;

    // What the system publishes at that moment under State:/Network/Service/ID/IPv4, where ID
    // is the first service's serviceIdentifier(): the keys Addresses, SubnetMasks and Router,
    // a manual service's configuration in the very values the file holds; nullopt when it
    // publishes nothing.
    std::optional<QJsonObject> liveIPv4(const QString &serviceIdentifier,
                                        const QDateTime &now) const;
    // What it publishes then under State:/Network/Service/ID/DNS: the key ServerAddresses, the
    // service's own in the very value the file holds; nullopt when it publishes nothing.
    std::optional<QJsonObject> liveDNS(const QString &serviceIdentifier,
                                       const QDateTime &now) const;

    // PlainMachine's dotted quads, for the stand-ins that compute with addresses.
    static std::optional<quint32> parseIPv4(QStringView text);
    static QString formatIPv4(quint32 address);

private:
    SimulatedMachine(QString path, QJsonObject root, PlainMachine plain);

    // The index of the first service known by that identifier, or nothing.
    std::optional<qsizetype> serviceIndex(const QString &serviceIdentifier) const;

    QString m_path;
    QJsonObject m_root;
    PlainMachine m_plain;
};
