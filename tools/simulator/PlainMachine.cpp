// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlainMachine.h"

#include "MachineFileLimits.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double maximumDelayMs = double(MachineFileLimits::maximumDelay.count());

// The regular file at path, whole, when it is one of a sane size.
std::optional<std::string> readFile(const char *path)
{
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> text;
    struct stat status = {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size <= MachineFileLimits::maximumFileSize) {
        std::string data;
        char buffer[65536];
        for (;;) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0 ||
                data.size() + size_t(count) > size_t(MachineFileLimits::maximumFileSize)) {
                if (count == 0)
                    text = std::move(data);
                break;
            }
            data.append(buffer, size_t(count));
        }
    }
    ::close(fd);
    return text;
}

bool isOneOf(const PlainJson *value, std::initializer_list<std::string_view> words)
{
    if (!value || !value->isString())
        return false;
    for (const std::string_view word : words)
        if (value->string() == word)
            return true;
    return false;
}

// The checks of the application's reader, in the same order; any failure means the complete
// program has something to say about the file.
bool rightShape(const PlainJson &root)
{
    const PlainJson *services = root.member("services");
    if (!services || !services->isArray())
        return false;
    for (const PlainJson &service : services->items())
        if (!service.isObject())
            return false;

    if (const PlainJson *devices = root.member("devices")) {
        if (!devices->isObject())
            return false;
        for (const auto &[name, device] : devices->members()) {
            if (!device.isObject())
                return false;
            const PlainJson *link = device.member("link");
            if (link && !isOneOf(link, {"active", "inactive", "none"}))
                return false;
        }
    }
    if (const PlainJson *networks = root.member("networks")) {
        if (!networks->isObject())
            return false;
        for (const auto &[name, network] : networks->members()) {
            if (!network.isObject())
                return false;
            const PlainJson *dhcp = network.member("dhcp");
            const PlainJson *delay = dhcp ? dhcp->member("delayMs") : nullptr;
            if (delay && delay->isNumber() && !(delay->number() <= maximumDelayMs))
                return false;
        }
    }
    if (const PlainJson *administrator = root.member("administrator");
        administrator && !isOneOf(administrator, {"approve", "cancel", "deny"}))
        return false;
    if (const PlainJson *delay = root.member("pingDelayMs");
        delay && !(delay->isNumber() && delay->number() >= 0 && delay->number() <= maximumDelayMs))
        return false;
    return true;
}

// Four dot-separated parts of one to three ASCII digits, each up to 255, nothing around them.
std::optional<std::uint32_t> parseIPv4(std::string_view text)
{
    std::uint32_t value = 0;
    int parts = 0;
    size_t at = 0;
    while (parts < 4) {
        size_t digits = 0;
        std::uint32_t part = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
            part = part * 10 + std::uint32_t(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 3 || part > 255)
            return std::nullopt;
        value = (value << 8) | part;
        ++parts;
        if (parts < 4 && (at >= text.size() || text[at++] != '.'))
            return std::nullopt;
    }
    if (at != text.size())
        return std::nullopt;
    return value;
}

struct Subnet {
    std::uint32_t network = 0;
    std::uint32_t mask = 0;

    bool contains(std::uint32_t address) const { return (address & mask) == network; }
};

std::optional<Subnet> parseSubnet(std::string_view text)
{
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::optional<std::uint32_t> base = parseIPv4(text.substr(0, slash));
    const std::string_view prefixText = text.substr(slash + 1);
    if (!base || prefixText.empty() || prefixText.size() > 2)
        return std::nullopt;
    int prefix = 0;
    for (const char c : prefixText) {
        if (c < '0' || c > '9')
            return std::nullopt;
        prefix = prefix * 10 + (c - '0');
    }
    if (prefix > 32)
        return std::nullopt;
    const auto mask = static_cast<std::uint32_t>(~((std::uint64_t(1) << (32 - prefix)) - 1));
    return Subnet{*base & mask, mask};
}

std::int64_t daysFromCivil(int year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = unsigned(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return std::int64_t(era) * 146097 + std::int64_t(dayOfEra) - 719468;
}

// "2025-09-15T07:42:10.000Z" as the stand-ins write it, or without its milliseconds, in
// milliseconds since the epoch. Other forms Qt would also read are not guessed at.
std::optional<std::int64_t> parseChangedAt(std::string_view text)
{
    if (text.size() != 20 && text.size() != 24)
        return std::nullopt;
    const auto number = [&](size_t at, size_t length) -> int {
        int value = 0;
        for (size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const bool withMs = text.size() == 24;
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
        text.back() != 'Z' || (withMs && text[19] != '.'))
        return std::nullopt;
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    const int ms = withMs ? number(20, 3) : 0;
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1] ||
        (month == 2 && day == 29 && !leap) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || ms < 0)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(year, unsigned(month), unsigned(day));
    return ((days * 24 + hour) * 60 + minute) * 60000 + std::int64_t(second) * 1000 + ms;
}

std::uint32_t fnv1a(std::string_view bytes)
{
    std::uint32_t hash = 2166136261u;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 16777619u;
    }
    return hash;
}

std::string serviceDevice(const PlainJson &service)
{
    const PlainJson *interface = service.member("Interface");
    return interface && interface->isObject() ? interface->text("DeviceName") : std::string();
}

std::string serviceIdentifier(const PlainJson &service)
{
    const PlainJson *id = service.member("ServiceID");
    if (id && id->isString())
        return id->string();
    return service.text("UserDefinedName");
}

} // namespace

PlainMachine::PlainMachine(PlainJson root)
    : m_root(std::move(root))
{
}

std::optional<PlainMachine> PlainMachine::load(const char *path)
{
    const std::optional<std::string> text = readFile(path);
    if (!text)
        return std::nullopt;
    std::optional<PlainJson> root = PlainJson::parse(*text);
    if (!root || !root->isObject() || !rightShape(*root))
        return std::nullopt;
    return PlainMachine(std::move(*root));
}

const PlainJson *PlainMachine::device(const std::string &name) const
{
    const PlainJson *devices = m_root.member("devices");
    return devices && !name.empty() ? devices->member(name) : nullptr;
}

bool PlainMachine::hasDevice(const std::string &device) const
{
    return this->device(device) != nullptr;
}

PlainMachine::Link PlainMachine::link(const std::string &device) const
{
    const PlainJson *entry = this->device(device);
    if (!entry)
        return Link::inactive;
    const std::string link = entry->text("link");
    if (link == "inactive")
        return Link::inactive;
    if (link == "none")
        return Link::noStatus;
    return Link::active;
}

std::optional<std::string> PlainMachine::serviceType(const std::string &device) const
{
    for (const PlainJson &service : m_root.member("services")->items()) {
        if (serviceDevice(service) != device)
            continue;
        const PlainJson *interface = service.member("Interface");
        const PlainJson *type = interface ? interface->member("Type") : nullptr;
        if (type && type->isString())
            return type->string();
    }
    return std::nullopt;
}

std::optional<std::string> PlainMachine::ether(const std::string &device) const
{
    const PlainJson *entry = this->device(device);
    const PlainJson *ether = entry ? entry->member("ether") : nullptr;
    if (ether && ether->isString())
        return ether->string();
    return std::nullopt;
}

std::optional<std::string> PlainMachine::inetLine(const std::string &device,
                                                  std::int64_t nowMs) const
{
    for (const PlainJson &service : m_root.member("services")->items()) {
        if (serviceDevice(service) != device)
            continue;
        const Published now = published(service, nowMs);
        if (!now.understood)
            return std::nullopt;
        if (!now.addressAndMask)
            continue;
        const std::optional<std::uint32_t> address = parseIPv4(now.addressAndMask->first);
        if (!address)
            continue;
        return IfconfigText::inetLine(*address, parseIPv4(now.addressAndMask->second));
    }
    return std::string();
}

PlainMachine::Published PlainMachine::published(const PlainJson &service, std::int64_t nowMs) const
{
    const PlainJson *enabled = service.member("Enabled");
    if (enabled && enabled->kind() == PlainJson::Kind::boolean && !enabled->boolean())
        return {};
    const std::string device = serviceDevice(service);
    if (!hasDevice(device) || link(device) == Link::inactive)
        return {};
    const PlainJson *ipv4 = service.member("IPv4");
    if (!ipv4 || !ipv4->isObject())
        return {};
    const std::string method = ipv4->text("ConfigMethod");

    if (method == "Manual") {
        // What was configured, wrong types included: the first address and mask as text.
        const PlainJson *addresses = ipv4->member("Addresses");
        if (!addresses || !addresses->isArray() || addresses->items().empty())
            return {};
        const PlainJson &first = addresses->items().front();
        const PlainJson *masks = ipv4->member("SubnetMasks");
        const bool maskGiven = masks && masks->isArray() && !masks->items().empty() &&
                               masks->items().front().isString();
        return {true, std::pair(first.isString() ? first.string() : std::string(),
                                maskGiven ? masks->items().front().string() : std::string())};
    }
    if (method == "DHCP" || method == "BOOTP")
        return dhcpLease(service, device, nowMs);
    return {};
}

PlainMachine::Published PlainMachine::dhcpLease(const PlainJson &service, const std::string &device,
                                                std::int64_t nowMs) const
{
    const std::string networkName = this->device(device)->text("network");
    const PlainJson *networks = m_root.member("networks");
    const PlainJson *network =
        networks && !networkName.empty() ? networks->member(networkName) : nullptr;
    const PlainJson *dhcp = network ? network->member("dhcp") : nullptr;
    if (!dhcp || !dhcp->isObject())
        return {};

    std::int64_t delay = 0;
    if (const PlainJson *delayValue = dhcp->member("delayMs")) {
        if (!delayValue->isNumber() ||
            !(delayValue->number() >= 0 && delayValue->number() <= maximumDelayMs))
            return {};
        // Qt rounds a fraction its own way.
        if (std::floor(delayValue->number()) != delayValue->number())
            return {false, std::nullopt};
        delay = std::int64_t(delayValue->number());
    }
    if (const PlainJson *changed = service.member("ChangedAt")) {
        // A change time Qt reads differently, or not at all, is not ours to judge.
        const std::optional<std::int64_t> changedAt =
            changed->isString() ? parseChangedAt(changed->string()) : std::nullopt;
        if (!changedAt)
            return {false, std::nullopt};
        if (nowMs < *changedAt + delay)
            return {};
    }

    const std::optional<Subnet> subnet = parseSubnet(network->text("subnet"));
    if (!subnet)
        return {};
    std::string lease = this->device(device)->text("lease");
    if (lease.empty()) {
        const std::optional<std::uint32_t> first = parseIPv4(dhcp->text("first"));
        const std::optional<std::uint32_t> last = parseIPv4(dhcp->text("last"));
        if (!first || !last || *first > *last || !subnet->contains(*first) ||
            !subnet->contains(*last))
            return {};
        const std::uint64_t size = std::uint64_t(*last) - *first + 1;
        lease = IfconfigText::dotted(static_cast<std::uint32_t>(
            *first + fnv1a(serviceIdentifier(service) + '/' + device) % size));
    }
    return {true, std::pair(lease, IfconfigText::dotted(subnet->mask))};
}
