// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The machine file's reader; the ifconfig front's reading without Qt, which must be the
// application's wherever the front accepts a file; and the writer's layout-keeping rewrite of
// whatever text the reader accepted: a change written into the text must read back as exactly
// that change.

#include "FuzzTarget.h"
#include "JsonTextRewriter.h"
#include "SimulatedMachine.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

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
                   R"( "DNS" "ServerAddresses" "dns" true)")
            .split(' ');
    return tokens << ": "
                  << ",\n    ";
}

void Fuzz::setUp() {}

namespace {

// JSON equality: Qt sorts the members that PlainJson keeps in the file's order.
bool same(const PlainJson &a, const PlainJson &b)
{
    return a.kind() == b.kind() && a.boolean() == b.boolean() && a.number() == b.number() &&
           a.string() == b.string() && a.members().size() == b.members().size() &&
           std::equal(a.items().begin(), a.items().end(), b.items().begin(), b.items().end(),
                      same) &&
           std::all_of(a.members().begin(), a.members().end(), [&b](const auto &member) {
               const PlainJson *other = b.member(member.first);
               return other && same(member.second, *other);
           });
}

} // namespace

void Fuzz::check(const QByteArray &input)
{
    using namespace std::chrono_literals;
    QString problem;
    const std::optional<SimulatedMachine> machine =
        SimulatedMachine::fromText(input, "fuzz.json", &problem);
    const QDateTime now(QDate(2026, 12, 1), QTime(9, 30), Qt::UTC);
    const std::optional<PlainMachine> front =
        PlainMachine::fromExactText(std::string_view(input.constData(), size_t(input.size())));
    // The same tree, and the one form of change time read without Qt read as Qt reads it: the
    // same rules then give the same answers.
    FUZZ_CHECK(!front || (machine && same(front->root(), machine->plain().root())), input);
    for (const PlainJson &service : front ? front->services() : std::vector<PlainJson>()) {
        const PlainJson *changed = service.member("ChangedAt");
        FUZZ_CHECK(!changed || !changed->isString() ||
                       PlainMachine::utcTime(changed->string()) ==
                           QDateTime::fromString(QString::fromStdString(changed->string()),
                                                 Qt::ISODateWithMs)
                               .toMSecsSinceEpoch(),
                   input);
    }
    if (!machine) {
        // One sentence that names the file, whatever broke.
        FUZZ_CHECK(problem.startsWith("Machine simulée « fuzz.json » ") && problem.endsWith(u'.') &&
                       !problem.contains(u'\n'),
                   input);
        return;
    }

    const PlainMachine &plain = machine->plain();
    FUZZ_CHECK(plain.pingDelay() >= 0ms && plain.pingDelay() <= PlainMachine::maximumDelay, input);
    plain.administrator();
    for (const PlainJson &service : plain.services()) {
        const QString id = QString::fromStdString(PlainMachine::serviceIdentifier(service));
        for (const QDateTime &when : {now, now.addDays(1), QDateTime()}) {
            machine->liveIPv4(id, when);
            machine->liveDNS(id, when);
        }
    }
    for (const std::string &device : plain.deviceNames()) {
        plain.link(device);
        plain.deviceNetwork(device);
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
