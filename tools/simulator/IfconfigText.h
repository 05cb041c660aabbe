// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "PlainMachine.h"

#include <cstdint>
#include <optional>
#include <string>

// What ifconfig prints for a device, without Qt: shared by the front that answers the reader's
// runs and by the complete program, so that both print the same bytes.
namespace IfconfigText {

struct Device {
    std::string name;
    PlainMachine::Link link = PlainMachine::Link::active;
    // Interface.Type of the first service on the device, when one says it.
    std::optional<std::string> serviceType;
    // The hardware address the machine file gives, when it gives one.
    std::optional<std::string> ether;
    // The "inet" line (inetLine()), empty when the device shows no address.
    std::string inet;
};

// The device as the machine shows it at nowMs (milliseconds since the epoch); the machine has
// it.
Device describe(const PlainMachine &machine, const std::string &name, std::int64_t nowMs);

// "\tinet ..." for an address, with its mask when it has a usable one.
std::string inetLine(std::uint32_t address, std::optional<std::uint32_t> mask);

// The device's whole block, as the real program prints it.
std::string block(const Device &device);

} // namespace IfconfigText
