// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Stand-in for /sbin/ifconfig on the simulated machine, the one the reader runs for every
// enabled service on every refresh, with one device name. That run is answered here without
// Qt, whose loading would otherwise be most of its cost: the real ifconfig starts in about a
// millisecond, and the simulated machine should not make the application look slower than it
// is. It follows the application's own rules (PlainMachine) and prints what the complete
// program prints (IfconfigText). Every other run (options, every device, an unknown device, a
// file not read here exactly as the application reads it) is handed to the complete program
// beside it, ifconfig-full, which reads with Qt and says what the real one would.

#include "IfconfigText.h"
#include "PlainMachine.h"

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
    const char *path = std::getenv(PlainMachine::environmentVariable);
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-' || !path || !*path)
        runComplete(argv);
    const std::optional<PlainMachine> machine = PlainMachine::loadExact(path);
    const std::string device = argv[1];
    if (!machine || !machine->hasDevice(device))
        runComplete(argv);
    const std::int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count();
    const std::string text = IfconfigText::block(IfconfigText::describe(*machine, device, nowMs));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
