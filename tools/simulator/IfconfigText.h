// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What ifconfig prints for a device, without Qt: shared by the front that answers the reader's
// runs and by the complete program, so that both print the same bytes.
namespace IfconfigText {

// How a device's link shows.
enum class Link { active, inactive, noStatus };

struct Device {
    std::string name;
    Link link = Link::active;
    // Interface.Type of the first service on the device, when one says it.
    std::optional<std::string> serviceType;
    // The hardware address the machine file gives, when it gives one.
    std::optional<std::string> ether;
    // The "inet" line (inetLine()), empty when the device shows no address.
    std::string inet;
};

// An address as dotted decimals, without leading zeros.
std::string dotted(std::uint32_t address);

// "\tinet ..." for an address, with its mask when it has a usable one.
std::string inetLine(std::uint32_t address, std::optional<std::uint32_t> mask);

// The device's whole block, as the real program prints it.
std::string block(const Device &device);

} // namespace IfconfigText
