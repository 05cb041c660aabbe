// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "PlainMachine.h"

#include "DottedQuad.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double maximumDelayMs = double(PlainMachine::maximumDelay.count());

std::string quoted(std::string_view name)
{
    return "« " + std::string(name) + " »";
}

std::string systemError(int error)
{
    return std::strerror(error);
}

std::string invalid(std::string_view path, std::string_view reason)
{
    return "Machine simulée " + quoted(path) + " invalide : " + std::string(reason) + '.';
}

bool isOneOf(const PlainJson *value, std::initializer_list<std::string_view> words)
{
    return value && value->isString() &&
           std::find(words.begin(), words.end(), value->string()) != words.end();
}

// A delay of 0 to an hour in whole milliseconds, halves rounded up, as Qt's qRound64() does.
std::int64_t wholeMs(double ms)
{
    return std::int64_t(ms + 0.5);
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
    const std::optional<std::uint32_t> base = DottedQuad::parse(text.substr(0, slash));
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
    // A shift by 32 is undefined, hence the 64-bit intermediate.
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

} // namespace

PlainMachine::PlainMachine(PlainJson root, ChangeTimeReader readTime)
    : m_root(std::move(root))
    , m_readTime(readTime)
{
}

std::string PlainMachine::unreadable(std::string_view path, std::string_view reason)
{
    return "Machine simulée " + quoted(path) + " illisible : " + std::string(reason) + '.';
}

// Only a regular file of a sane size is read: a device such as /dev/zero never ends and a FIFO
// blocks until someone writes to it, both before any window could say what is wrong.
std::optional<std::string> PlainMachine::readText(const char *path, std::string_view shownPath,
                                                  std::string *problem)
{
    const auto fail = [problem](std::string sentence) -> std::optional<std::string> {
        if (problem)
            *problem = std::move(sentence);
        return std::nullopt;
    };
    const auto failure = [&](std::string_view reason) {
        return fail(unreadable(shownPath, reason));
    };
    // Non-blocking, so that opening a FIFO returns at once; the descriptor is then checked
    // before a single byte is read.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return fail("Machine simulée " + quoted(shownPath) +
                        " introuvable : le fichier n'existe pas.");
        return failure("ouverture impossible (" + systemError(error) + ')');
    }
    const struct Closing {
        int fd;
        ~Closing() { ::close(fd); }
    } closing{fd};
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return failure(systemError(errno));
    if (S_ISDIR(status.st_mode))
        return failure("c'est un dossier");
    if (!S_ISREG(status.st_mode))
        return failure("ce n'est pas un fichier ordinaire");
    const std::string tooLarge =
        "le fichier dépasse " + std::to_string(maximumFileSize / (1024 * 1024)) + " Mio";
    if (status.st_size > maximumFileSize)
        return failure(tooLarge);

    // The size may change under the reader; one byte more than the limit tells it grew too far.
    std::string data(size_t(status.st_size) + 1, '\0');
    size_t filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (data.size() > size_t(maximumFileSize))
                return failure(tooLarge);
            data.resize(std::min(data.size() * 2, size_t(maximumFileSize) + 1));
        }
        const ssize_t count = ::read(fd, data.data() + filled, data.size() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failure("lecture impossible (" + systemError(errno) + ')');
        if (count == 0)
            break;
        filled += size_t(count);
    }
    data.resize(filled);
    if (data.find_first_not_of(" \t\n\v\f\r") == std::string::npos)
        return failure("le fichier est vide");
    return data;
}

std::optional<PlainMachine> PlainMachine::fromRoot(PlainJson root, std::string_view path,
                                                   std::string *problem, ChangeTimeReader readTime)
{
    const std::string shape = shapeProblem(root);
    if (!shape.empty()) {
        if (problem)
            *problem = invalid(path, shape);
        return std::nullopt;
    }
    return PlainMachine(std::move(root), readTime);
}

// The one check that fails decides the sentence.
std::string PlainMachine::shapeProblem(const PlainJson &root)
{
    if (!root.isObject())
        return "la racine doit être un objet JSON";
    const PlainJson *services = root.member("services");
    if (!services)
        return "la clé « services » manque";
    if (!services->isArray())
        return "« services » doit être une liste";
    for (size_t i = 0; i < services->items().size(); ++i) {
        if (!services->items()[i].isObject())
            return "l'élément n° " + std::to_string(i + 1) + " de « services » doit être un objet";
    }

    if (const PlainJson *devices = root.member("devices")) {
        if (!devices->isObject())
            return "« devices » doit être un objet";
        for (const auto &[name, device] : devices->members()) {
            if (!device.isObject())
                return "l'appareil " + quoted(name) + " de « devices » doit être un objet";
            // A misspelt link would otherwise silently read as "active".
            const PlainJson *link = device.member("link");
            if (link && !isOneOf(link, {"active", "inactive", "none"}))
                return "le lien de l'appareil " + quoted(name) +
                       " doit valoir active, inactive ou none";
        }
    }

    if (const PlainJson *networks = root.member("networks")) {
        if (!networks->isObject())
            return "« networks » doit être un objet";
        for (const auto &[name, network] : networks->members()) {
            if (!network.isObject())
                return "le réseau " + quoted(name) + " de « networks » doit être un objet";
            // Any other mistake in a DHCP server gives no lease, as a broken server would; a
            // delay beyond an hour is no simulation of anything, only a window that never
            // settles (or a number too large to count in milliseconds).
            const PlainJson *dhcp = network.member("dhcp");
            const PlainJson *delay = dhcp ? dhcp->member("delayMs") : nullptr;
            if (delay && delay->isNumber() && !(delay->number() <= maximumDelayMs))
                return "le délai « delayMs » du réseau " + quoted(name) + " dépasse une heure (" +
                       std::to_string(maximumDelay.count()) + " ms)";
        }
    }

    const PlainJson *administrator = root.member("administrator");
    if (administrator && !isOneOf(administrator, {"approve", "cancel", "deny"}))
        return "« administrator » doit valoir approve, cancel ou deny";
    const PlainJson *delay = root.member("pingDelayMs");
    if (delay && !(delay->isNumber() && delay->number() >= 0 && delay->number() <= maximumDelayMs))
        return "« pingDelayMs » doit être un nombre de 0 à " +
               std::to_string(maximumDelay.count()) + " (une heure)";
    return {};
}

std::optional<PlainMachine> PlainMachine::fromExactText(std::string_view text)
{
    bool exact = false;
    std::optional<PlainJson> root = PlainJson::parse(text, &exact);
    if (!root || !exact)
        return std::nullopt;
    std::optional<PlainMachine> machine = fromRoot(std::move(*root), {}, nullptr, utcTime);
    if (!machine)
        return std::nullopt;
    // What a change time in another form means (an offset, local time) is Qt's to say.
    for (const PlainJson &service : machine->services()) {
        const PlainJson *changed = service.member("ChangedAt");
        if (changed && changed->isString() && !utcTime(changed->string()))
            return std::nullopt;
    }
    return machine;
}

std::optional<PlainMachine> PlainMachine::loadExact(const char *path)
{
    const std::optional<std::string> text = readText(path, {}, nullptr);
    return text ? fromExactText(*text) : std::nullopt;
}

std::optional<std::int64_t> PlainMachine::utcTime(std::string_view text)
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

PlainMachine::Administrator PlainMachine::administrator() const
{
    const std::string answer = m_root.text("administrator");
    if (answer == "cancel")
        return Administrator::cancel;
    if (answer == "deny")
        return Administrator::deny;
    return Administrator::approve;
}

std::chrono::milliseconds PlainMachine::pingDelay() const
{
    const PlainJson *delay = m_root.member("pingDelayMs");
    return std::chrono::milliseconds(delay && delay->isNumber() ? wholeMs(delay->number()) : 0);
}

const std::vector<PlainJson> &PlainMachine::services() const
{
    return m_root.member("services")->items();
}

std::string PlainMachine::serviceIdentifier(const PlainJson &service)
{
    const PlainJson *id = service.member("ServiceID");
    if (id && id->isString())
        return id->string();
    return service.text("UserDefinedName");
}

std::string PlainMachine::serviceDevice(const PlainJson &service)
{
    const PlainJson *interface = service.member("Interface");
    return interface ? interface->text("DeviceName") : std::string();
}

std::vector<std::string> PlainMachine::deviceNames() const
{
    std::vector<std::string> names;
    if (const PlainJson *devices = m_root.member("devices")) {
        for (const auto &[name, device] : devices->members())
            names.push_back(name);
    }
    return names;
}

const PlainJson *PlainMachine::device(std::string_view name) const
{
    const PlainJson *devices = m_root.member("devices");
    return devices && !name.empty() ? devices->member(name) : nullptr;
}

PlainMachine::Link PlainMachine::link(std::string_view device) const
{
    // A device the machine does not have has no link to speak of.
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

const PlainJson *PlainMachine::deviceNetwork(std::string_view device) const
{
    const PlainJson *entry = this->device(device);
    const std::string network = entry ? entry->text("network") : std::string();
    const PlainJson *networks = m_root.member("networks");
    return networks && !network.empty() ? networks->member(network) : nullptr;
}

std::optional<PlainMachine::LiveIPv4> PlainMachine::liveIPv4(const PlainJson &service,
                                                             std::int64_t nowMs) const
{
    const PlainJson *enabled = service.member("Enabled");
    if (enabled && enabled->isBool() && !enabled->boolean())
        return std::nullopt;
    const std::string device = serviceDevice(service);
    if (!hasDevice(device) || link(device) == Link::inactive)
        return std::nullopt;
    const PlainJson *ipv4 = service.member("IPv4");
    if (!ipv4 || !ipv4->isObject())
        return std::nullopt;
    const std::string method = ipv4->text("ConfigMethod");

    if (method == "Manual") {
        // Like the real system, a manual service without an address publishes nothing.
        const PlainJson *addresses = ipv4->member("Addresses");
        if (!addresses || !addresses->isArray() || addresses->items().empty())
            return std::nullopt;
        LiveIPv4 live{
            .configured = true, .addresses = {}, .mask = {}, .router = ipv4->text("Router")};
        for (const PlainJson &address : addresses->items())
            live.addresses.push_back(address.isString() ? address.string() : std::string());
        const PlainJson *masks = ipv4->member("SubnetMasks");
        if (masks && masks->isArray() && !masks->items().empty() &&
            masks->items().front().isString())
            live.mask = masks->items().front().string();
        return live;
    }
    if (method == "DHCP" || method == "BOOTP")
        return lease(service, device, nowMs);
    return std::nullopt;
}

std::optional<PlainMachine::LiveDNS> PlainMachine::liveDNS(const PlainJson &service,
                                                           std::int64_t nowMs) const
{
    const std::optional<LiveIPv4> ipv4 = liveIPv4(service, nowMs);
    if (!ipv4)
        return std::nullopt;
    const PlainJson *dns = service.member("DNS");
    const PlainJson *own = dns ? dns->member("ServerAddresses") : nullptr;
    if (own && own->isArray() && !own->items().empty())
        return LiveDNS{.configured = true, .servers = {}};
    if (ipv4->configured)
        return std::nullopt;
    // A DHCP server hands out the texts of its list; a list of another type hands out none,
    // as a router of another type gives no router.
    const PlainJson *network = deviceNetwork(serviceDevice(service));
    const PlainJson *given = network ? network->member("dns") : nullptr;
    if (!given || !given->isArray())
        return std::nullopt;
    LiveDNS live;
    for (const PlainJson &server : given->items()) {
        if (server.isString())
            live.servers.push_back(server.string());
    }
    if (live.servers.empty())
        return std::nullopt;
    return live;
}

std::optional<PlainMachine::LiveIPv4>
PlainMachine::lease(const PlainJson &service, const std::string &device, std::int64_t nowMs) const
{
    const PlainJson *network = deviceNetwork(device);
    const PlainJson *dhcp = network ? network->member("dhcp") : nullptr;
    if (!dhcp || !dhcp->isObject())
        return std::nullopt;

    // The server answers delayMs after the last change; a change time that cannot be read
    // gives no lease rather than a guess.
    std::int64_t delay = 0;
    if (const PlainJson *delayValue = dhcp->member("delayMs")) {
        // Checked by fromRoot(); kept here so that no value can overflow the rounding below.
        if (!delayValue->isNumber() ||
            !(delayValue->number() >= 0 && delayValue->number() <= maximumDelayMs))
            return std::nullopt;
        delay = wholeMs(delayValue->number());
    }
    if (const PlainJson *changed = service.member("ChangedAt")) {
        const std::optional<std::int64_t> changedAt =
            m_readTime(changed->isString() ? changed->string() : std::string_view());
        if (!changedAt || nowMs < *changedAt + delay)
            return std::nullopt;
    }

    const std::optional<Subnet> subnet = parseSubnet(network->text("subnet"));
    if (!subnet)
        return std::nullopt;
    std::string lease = this->device(device)->text("lease");
    if (lease.empty()) {
        const std::optional<std::uint32_t> first = DottedQuad::parse(dhcp->text("first"));
        const std::optional<std::uint32_t> last = DottedQuad::parse(dhcp->text("last"));
        if (!first || !last || *first > *last || !subnet->contains(*first) ||
            !subnet->contains(*last))
            return std::nullopt;
        // The same service on the same device always gets the same address, as a real server
        // that remembers its clients would give.
        const std::uint64_t size = std::uint64_t(*last) - *first + 1;
        const std::uint32_t client = hash<std::uint32_t>(serviceIdentifier(service) + '/' + device);
        lease = DottedQuad::format(static_cast<std::uint32_t>(*first + client % size));
    }
    return LiveIPv4{.configured = false,
                    .addresses = {std::move(lease)},
                    .mask = DottedQuad::format(subnet->mask),
                    .router = network->text("router")};
}
