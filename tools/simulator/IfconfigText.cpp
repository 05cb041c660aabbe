// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "IfconfigText.h"

#include "DottedQuad.h"

#include <cstdio>

namespace {

// Devices no service names get the type their name suggests.
std::string typeOf(const IfconfigText::Device &device)
{
    if (device.serviceType)
        return *device.serviceType;
    if (device.name.rfind("bridge", 0) == 0)
        return "Bridge";
    if (device.name.rfind("vlan", 0) == 0)
        return "VLAN";
    if (device.name.rfind("bond", 0) == 0)
        return "Bond";
    return "Ethernet";
}

// A locally administered address that stays the same for a device name from run to run.
std::string derivedEther(const std::string &device)
{
    const std::uint64_t hash = PlainMachine::hash<std::uint64_t>(device);
    std::string text;
    for (int i = 5; i >= 0; --i) {
        auto octet = static_cast<unsigned char>(hash >> (8 * i));
        if (i == 5)
            octet = static_cast<unsigned char>((octet & 0xfc) | 0x02);
        char part[4];
        std::snprintf(part, sizeof part, "%02x", unsigned(octet));
        if (!text.empty())
            text += ':';
        text += part;
    }
    return text;
}

} // namespace

IfconfigText::Device IfconfigText::describe(const PlainMachine &machine, const std::string &name,
                                            std::int64_t nowMs)
{
    Device device{name, machine.link(name), std::nullopt, std::nullopt, {}};
    if (const PlainJson *ether = machine.device(name)->member("ether"); ether && ether->isString())
        device.ether = ether->string();
    // The type of the first service on the device that names one; the address of the first
    // that publishes one right now.
    for (const PlainJson &service : machine.services()) {
        if (PlainMachine::serviceDevice(service) != name)
            continue;
        const PlainJson *interface = service.member("Interface");
        const PlainJson *type = interface ? interface->member("Type") : nullptr;
        if (!device.serviceType && type && type->isString())
            device.serviceType = type->string();
        const std::optional<PlainMachine::LiveIPv4> live =
            device.inet.empty() ? machine.liveIPv4(service, nowMs) : std::nullopt;
        const std::optional<std::uint32_t> address =
            live ? DottedQuad::parse(live->addresses.front()) : std::nullopt;
        if (address)
            device.inet = inetLine(*address, DottedQuad::parse(live->mask));
    }
    return device;
}

std::string IfconfigText::inetLine(std::uint32_t address, std::optional<std::uint32_t> mask)
{
    if (!mask)
        return "\tinet " + DottedQuad::format(address) + " netmask 0xffffffff\n";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", unsigned(*mask));
    return "\tinet " + DottedQuad::format(address) + " netmask " + hex + " broadcast " +
           DottedQuad::format(address | ~*mask) + '\n';
}

std::string IfconfigText::block(const Device &device)
{
    const std::string type = typeOf(device);
    const bool running = device.link != PlainMachine::Link::inactive;

    std::string text = device.name + ": flags=";
    text += running ? "8863<UP,BROADCAST,SMART,RUNNING,SIMPLEX,MULTICAST>"
                    : "8823<UP,BROADCAST,SMART,SIMPLEX,MULTICAST>";
    text += " mtu 1500\n";

    if (type == "IEEE80211")
        text += "\toptions=6460<TSO4,TSO6,CHANNEL_IO,PARTIAL_CSUM,ZEROINVERT_CSUM>\n";
    else if (type == "Bridge")
        text += "\toptions=63<RXCSUM,TXCSUM,TSO4,TSO6>\n";
    else if (type == "VLAN" || type == "Bond")
        text += "\toptions=3<RXCSUM,TXCSUM>\n";
    else
        text += "\toptions=6463<RXCSUM,TXCSUM,TSO4,TSO6,CHANNEL_IO,PARTIAL_CSUM,"
                "ZEROINVERT_CSUM>\n";

    text += "\tether " + device.ether.value_or(derivedEther(device.name)) + '\n';
    text += device.inet;

    if (type == "Bridge") {
        text += "\tConfiguration:\n"
                "\t\tid 0:0:0:0:0:0 priority 0 hellotime 0 fwddelay 0\n"
                "\t\tmaxage 0 holdcnt 0 proto stp maxaddr 100 timeout 1200\n"
                "\t\troot id 0:0:0:0:0:0 priority 0 ifcost 0 port 0\n"
                "\t\tipfilter disabled flags 0x0\n";
    }
    text += "\tnd6 options=201<PERFORMNUD,DAD>\n";

    switch (device.link) {
    case PlainMachine::Link::active:
        text += type == "Ethernet" ? "\tmedia: autoselect (1000baseT <full-duplex>)\n"
                                   : "\tmedia: autoselect\n";
        text += "\tstatus: active\n";
        break;
    case PlainMachine::Link::inactive:
        text += "\tmedia: autoselect (none)\n\tstatus: inactive\n";
        break;
    case PlainMachine::Link::noStatus:
        break;
    }
    return text;
}
