// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The machine file's reader, and the writer's layout-keeping rewrite of whatever text the
// reader accepted: a change written into the text must read back as exactly that change.

#include "FuzzTarget.h"
#include "JsonTextRewriter.h"
#include "SimulatedMachine.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

QList<QByteArray> Fuzz::seeds()
{
    QFile demo(QStringLiteral(BRISVALE_SOURCE_DIR "/assets/demo-machine.json"));
    QList<QByteArray> seeds = {
        R"({"services": []})",
        R"({ "pingDelayMs": 300, "administrator": "deny", "services": [
  { "UserDefinedName": "Wi-Fi", "Interface": { "DeviceName": "en1", "Type": "IEEE80211" },
    "IPv4": { "ConfigMethod": "DHCP" }, "ChangedAt": "2026-12-01T09:00:00Z" } ],
  "devices": { "en1": { "network": "home", "link": "none" } },
  "networks": { "home": { "subnet": "10.0.0.0/30", "router": "10.0.0.1",
    "dhcp": { "delayMs": 3600000, "first": "10.0.0.2", "last": "10.0.0.3" } } } })",
        "{\n\t\"services\": [ { \"UserDefinedName\": \"\\u00c9cran\", \"Enabled\": false,\n"
        "\t\t\"IPv4\": { \"ConfigMethod\": \"Manual\", \"Addresses\": \"10.0.0.1\" } } ],\n"
        "\t\"note\": [1, 2.5e3, -0, null, true]\n}\n",
    };
    if (demo.open(QIODevice::ReadOnly))
        seeds.append(demo.readAll());
    return seeds;
}

QList<QByteArray> Fuzz::dictionary()
{
    // The format's keys and values, one space apart; then the pieces of its layout.
    QList<QByteArray> tokens =
        QByteArray(R"("services" "devices" "networks" "dhcp" "delayMs" "pingDelayMs" "link")"
                   R"( "inactive" "none" "administrator" "ChangedAt" "2026-12-01T09:00:00.000Z")"
                   R"( "IPv4" "ConfigMethod" "DHCP" "Manual" "subnet" "10.0.0.0/8" "first" "last")"
                   R"( "lease" "Interface" "DeviceName" "en0" 1e308 3600001 -1 "\ud800" {} [] null)"
                   R"( true)")
            .split(' ');
    return tokens << ": "
                  << ",\n    ";
}

void Fuzz::setUp() {}

void Fuzz::check(const QByteArray &input)
{
    using namespace std::chrono_literals;
    QString problem;
    const std::optional<SimulatedMachine> machine =
        SimulatedMachine::fromText(input, "fuzz.json", &problem);
    if (!machine) {
        // One sentence that names the file, whatever broke.
        FUZZ_CHECK(problem.startsWith("Machine simulée « fuzz.json » ") && problem.endsWith(u'.') &&
                       !problem.contains(u'\n'),
                   input);
        return;
    }

    FUZZ_CHECK(machine->pingDelay() >= 0ms &&
                   machine->pingDelay() <= SimulatedMachine::maximumDelay,
               input);
    machine->administrator();
    const QDateTime now(QDate(2026, 12, 1), QTime(9, 30), Qt::UTC);
    for (const QJsonValue value : machine->services()) {
        for (const QDateTime &when : {now, now.addDays(1), QDateTime()})
            machine->liveIPv4(value.toObject(), when);
    }
    for (const QString &device : machine->deviceNames()) {
        machine->link(device);
        machine->deviceNetwork(device);
    }

    // What networksetup does to a service, written back into this very text.
    QJsonObject after = machine->root();
    QJsonArray services = after.value(QLatin1String("services")).toArray();
    if (!services.isEmpty()) {
        QJsonObject service = services.first().toObject();
        service.insert(QLatin1String("Enabled"), false);
        service.insert(QLatin1String("IPv4"), QJsonObject{{"ConfigMethod", "DHCP"}});
        service.insert(QLatin1String("ChangedAt"), "2026-12-01T10:00:00.000Z");
        services.replace(0, service);
        after.insert(QLatin1String("services"), services);
    }
    const QByteArray text = JsonTextRewriter::rewritten(input, machine->root(), after);
    QString reread;
    const std::optional<SimulatedMachine> written =
        SimulatedMachine::fromText(text, "fuzz.json", &reread);
    FUZZ_CHECK(written && written->root() == after, input);
}
