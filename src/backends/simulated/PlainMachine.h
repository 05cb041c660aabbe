// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "PlainJson.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The simulated machine's rules, without Qt: how its file is read and checked and what the
// system would show at run time (links, leases). The application and the stand-ins follow them
// through SimulatedMachine, their Qt face; the ifconfig front, which must start without Qt,
// follows them directly. The format is documented in docs/simulated-machine.md.
//
// Texts are UTF-8; problems are French sentences, since they reach the user as they are.
class PlainMachine {
public:
    // How a device's link shows in ifconfig.
    enum class Link { active, inactive, noStatus };

    // How the administrator prompt answers.
    enum class Administrator { approve, cancel, deny };

    // The environment variable that carries the machine file's path to every stand-in.
    static constexpr const char *environmentVariable = "BRISVALE_SIMULATION";
    // Only a regular file up to this size is read: anything else (a device, a FIFO, a file that
    // would fill the memory) is refused like a malformed file.
    static constexpr std::int64_t maximumFileSize = 16 * 1024 * 1024;
    // The longest delay the file may ask for (pingDelayMs, a DHCP server's delayMs).
    static constexpr std::chrono::milliseconds maximumDelay = std::chrono::hours(1);

    // When a service's ChangedAt says it changed, in milliseconds since the epoch; nothing when
    // the text is no date, which gives no lease.
    using ChangeTimeReader = std::optional<std::int64_t> (*)(std::string_view text);

    // Every problem is one sentence that starts by naming the file, because it may surface far
    // from where the path was chosen (a stand-in's standard error, a warning in the log).
    static std::string unreadable(std::string_view path, std::string_view reason);

    // The raw text of the file at path: a regular file of at most maximumFileSize, not blank.
    // On failure, nothing and the sentence in *problem, naming shownPath.
    static std::optional<std::string> readText(const char *path, std::string_view shownPath,
                                               std::string *problem);
    // The machine root describes, its change times read by readTime; on failure, nothing and
    // the sentence in *problem, naming path.
    static std::optional<PlainMachine> fromRoot(PlainJson root, std::string_view path,
                                                std::string *problem, ChangeTimeReader readTime);
    // Why fromRoot() would refuse root, as the end of a sentence; empty when it would not.
    static std::string shapeProblem(const PlainJson &root);

    // For the ifconfig front: the machine in text, or in the file at path, only when it reads
    // here exactly as the application reads it, change times included (utcTime() is the only
    // form read here). Nothing otherwise, and no word: the application's reading says it.
    static std::optional<PlainMachine> fromExactText(std::string_view text);
    static std::optional<PlainMachine> loadExact(const char *path);
    // "2025-09-15T07:42:10.000Z" as the stand-ins write it, or without its milliseconds.
    static std::optional<std::int64_t> utcTime(std::string_view text);

    const PlainJson &root() const { return m_root; }
    Administrator administrator() const;
    std::chrono::milliseconds pingDelay() const;

    // The services in file order; each is an object (checked by fromRoot()).
    const std::vector<PlainJson> &services() const;
    // The name the live state of a service is published under: its ServiceID, or its
    // UserDefinedName when it has no ServiceID. Empty when it has neither.
    static std::string serviceIdentifier(const PlainJson &service);
    // Interface.DeviceName of a service, empty when it has none.
    static std::string serviceDevice(const PlainJson &service);

    // The devices section: the devices in file order, a device's entry (null for a device the
    // machine does not have), its link and the network it is attached to (null for none).
    std::vector<std::string> deviceNames() const;
    const PlainJson *device(std::string_view name) const;
    bool hasDevice(std::string_view name) const { return device(name) != nullptr; }
    Link link(std::string_view device) const;
    const PlainJson *deviceNetwork(std::string_view device) const;

    // The live IPv4 state a service publishes. A manual service publishes its configuration
    // as the file holds it, wrong types included, so that the application's reader judges it;
    // a leased one its lease and the subnet's mask.
    struct LiveIPv4 {
        bool configured = false;
        // Each address, and the first mask, as text; empty for a value that is no text.
        std::vector<std::string> addresses;
        std::string mask;
        std::string router; // empty for none
    };
    // What the service publishes at nowMs (milliseconds since the epoch); nothing when it
    // publishes nothing (disabled, no link, no lease yet, ...).
    std::optional<LiveIPv4> liveIPv4(const PlainJson &service, std::int64_t nowMs) const;

    // The DNS servers a service publishes beside its live IPv4 state: its own ServerAddresses
    // when that is a non-empty list (the Qt face publishes them as the file holds them), else
    // for a lease those its network hands out.
    struct LiveDNS {
        bool configured = false;
        std::vector<std::string> servers; // a lease's; empty when configured
    };
    // Nothing when the service publishes no live IPv4 state or has no servers to publish.
    std::optional<LiveDNS> liveDNS(const PlainJson &service, std::int64_t nowMs) const;

    // FNV-1a, the machine's one hash, for what must look arbitrary yet stay the same from run
    // to run (a lease, a derived hardware address, a ping time).
    template<typename Word> static constexpr Word hash(std::string_view bytes)
    {
        static_assert(std::is_same_v<Word, std::uint32_t> || std::is_same_v<Word, std::uint64_t>);
        constexpr bool narrow = std::is_same_v<Word, std::uint32_t>;
        Word value = narrow ? Word(2166136261u) : Word(14695981039346656037ull);
        const Word prime = narrow ? Word(16777619u) : Word(1099511628211ull);
        for (const char byte : bytes) {
            value ^= static_cast<unsigned char>(byte);
            value *= prime;
        }
        return value;
    }

private:
    PlainMachine(PlainJson root, ChangeTimeReader readTime);

    std::optional<LiveIPv4> lease(const PlainJson &service, const std::string &device,
                                  std::int64_t nowMs) const;

    PlainJson m_root;
    ChangeTimeReader m_readTime;
};
