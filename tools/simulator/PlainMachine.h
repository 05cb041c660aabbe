// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "IfconfigText.h"
#include "PlainJson.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// What the ifconfig stand-in needs of a machine file, read without Qt. It answers only for a
// file it understands exactly as the application's own reader (SimulatedMachine) does: well
// formed, of the right shape, its dates in the form the stand-ins write. Anything else is left
// to the complete program, which reads with Qt and explains what is wrong; load() and
// inetLine() say so by returning nothing.
class PlainMachine {
public:
    using Link = IfconfigText::Link;

    static std::optional<PlainMachine> load(const char *path);

    bool hasDevice(const std::string &device) const;
    Link link(const std::string &device) const;
    // Interface.Type of the first service on the device, if one says it.
    std::optional<std::string> serviceType(const std::string &device) const;
    // The device's "ether" when the file gives one as text.
    std::optional<std::string> ether(const std::string &device) const;
    // The address the device shows now (milliseconds since the epoch), as ifconfig's "inet"
    // line, empty for none; nothing when the file holds what this reader does not vouch for.
    std::optional<std::string> inetLine(const std::string &device, std::int64_t nowMs) const;

private:
    explicit PlainMachine(PlainJson root);

    const PlainJson *device(const std::string &name) const;

    // What a service publishes now: nothing, an address and mask as the file words them, or
    // something this reader leaves to the complete program.
    struct Published {
        bool understood = true;
        std::optional<std::pair<std::string, std::string>> addressAndMask;
    };
    Published published(const PlainJson &service, std::int64_t nowMs) const;
    Published dhcpLease(const PlainJson &service, const std::string &device,
                        std::int64_t nowMs) const;

    PlainJson m_root;
};
