// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Stand-in for /sbin/ifconfig on the simulated machine, the one the reader runs for every
// enabled service on every refresh, with one device name. That run is answered here without
// Qt, whose loading would otherwise be most of its cost: the real ifconfig starts in about a
// millisecond, and the simulated machine should not make the application look slower than it
// is. Every other run (options, every device, an unknown device, a file this reader does not
// vouch for) is handed to the complete program beside it, ifconfig-full, which reads with Qt
// and says what the real one would.

#include "PlainMachine.h"
#include "platform/simulated/MachineFileLimits.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string deviceType(const PlainMachine &machine, const std::string &device)
{
    if (std::optional<std::string> type = machine.serviceType(device))
        return *type;
    if (device.rfind("bridge", 0) == 0)
        return "Bridge";
    if (device.rfind("vlan", 0) == 0)
        return "VLAN";
    if (device.rfind("bond", 0) == 0)
        return "Bond";
    return "Ethernet";
}

// A locally administered address that stays the same for a device name from run to run.
std::string derivedEther(const std::string &device)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char byte : device) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ull;
    }
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

// What ifconfig prints for one device; nothing when the file is not understood here.
std::optional<std::string> block(const PlainMachine &machine, const std::string &device,
                                 std::int64_t nowMs)
{
    const std::optional<std::string> inet = machine.inetLine(device, nowMs);
    if (!inet)
        return std::nullopt;
    const PlainMachine::Link link = machine.link(device);
    const std::string type = deviceType(machine, device);
    const bool running = link != PlainMachine::Link::inactive;

    std::string text = device + ": flags=";
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

    text += "\tether " + machine.ether(device).value_or(derivedEther(device)) + '\n';
    text += *inet;

    if (type == "Bridge") {
        text += "\tConfiguration:\n"
                "\t\tid 0:0:0:0:0:0 priority 0 hellotime 0 fwddelay 0\n"
                "\t\tmaxage 0 holdcnt 0 proto stp maxaddr 100 timeout 1200\n"
                "\t\troot id 0:0:0:0:0:0 priority 0 ifcost 0 port 0\n"
                "\t\tipfilter disabled flags 0x0\n";
    }
    text += "\tnd6 options=201<PERFORMNUD,DAD>\n";

    switch (link) {
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

// The complete program, beside this one.
[[noreturn]] void runComplete(char **argv)
{
    std::string self = argv[0] ? argv[0] : "";
    if (self.find('/') == std::string::npos) {
        char path[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
        self = length > 0 ? std::string(path, size_t(length)) : std::string();
    }
    const std::string complete = self.substr(0, self.rfind('/') + 1) + "ifconfig-full";
    ::execv(complete.c_str(), argv);
    std::fprintf(stderr, "ifconfig: cannot run %s: %s\n", complete.c_str(), std::strerror(errno));
    std::exit(1);
}

} // namespace

int main(int argc, char **argv)
{
    const char *path = std::getenv(MachineFileLimits::environmentVariable);
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-' || !path || !*path)
        runComplete(argv);
    const std::optional<PlainMachine> machine = PlainMachine::load(path);
    const std::string device = argv[1];
    if (!machine || !machine->hasDevice(device))
        runComplete(argv);
    const std::int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count();
    const std::optional<std::string> text = block(*machine, device, nowMs);
    if (!text)
        runComplete(argv);
    std::fwrite(text->data(), 1, text->size(), stdout);
    return 0;
}
