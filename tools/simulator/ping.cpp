// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Stand-in for /sbin/ping on the simulated machine: prints what the real program would for the
// machine file named by BRISVALE_SIMULATION. Every reply is computed from the file; it never
// opens a socket nor sends a packet.

#include "DottedQuad.h"
#include "StandIn.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// The statuses of the real program (sysexits for the first two).
constexpr int usageStatus = 64;
constexpr int unknownHostStatus = 68;
constexpr int noReplyStatus = 2;

constexpr std::string_view loopbackDevice = "lo0";

volatile std::sig_atomic_t interrupted = 0;

void print(FILE *stream, const QString &text)
{
    StandIn::print(stream, text);
    // Whoever watches the run (a terminal, the ping tab's log) sees each reply as it comes.
    std::fflush(stream);
}

// A value the real program refuses is reported alone, without the usage line.
int refuse(const QString &message)
{
    print(stderr, QStringLiteral("ping: ") + message + u'\n');
    return usageStatus;
}

int usage(const QString &message = {})
{
    if (!message.isEmpty())
        refuse(message);
    print(stderr, QStringLiteral("usage: ping [-nq] [-b boundif] [-c count] [-W waittime] host\n"));
    return usageStatus;
}

struct Options {
    std::optional<qint64> count; // until interrupted when absent
    std::optional<std::string> device;
    bool quiet = false;
    QString host;
};

// Parses like getopt: options end at the first operand or at "--", flags may be grouped and a
// value may be attached ("-c3") or be the next argument. Returns the exit status on failure.
std::optional<int> parse(const QStringList &arguments, Options &options)
{
    qsizetype i = 0;
    for (; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            ++i;
            break;
        }
        if (!argument.startsWith(u'-') || argument.size() < 2)
            break;
        for (qsizetype j = 1; j < argument.size(); ++j) {
            const QChar option = argument.at(j);
            if (option == u'n')
                continue;
            if (option == u'q') {
                options.quiet = true;
                continue;
            }
            if (option != u'c' && option != u'W' && option != u'b')
                return usage(QStringLiteral("invalid option -- ") + option);

            QString value = argument.mid(j + 1);
            if (value.isEmpty()) {
                if (++i >= arguments.size())
                    return usage(QStringLiteral("option requires an argument -- ") + option);
                value = arguments.at(i);
            }
            bool ok = false;
            if (option == u'c') {
                const qint64 count = value.toLongLong(&ok);
                if (!ok || count <= 0)
                    return refuse(
                        QStringLiteral("invalid count of packets to transmit: `%1'").arg(value));
                options.count = count;
            } else if (option == u'W') {
                // Only checked: a simulated reply is there at once or never, so nothing waits.
                const double wait = value.toDouble(&ok);
                if (!ok || !std::isfinite(wait) || wait < 0)
                    return refuse(QStringLiteral("invalid timing interval: `%1'").arg(value));
            } else {
                options.device = value.toStdString();
            }
            break;
        }
    }
    if (arguments.size() - i != 1)
        return usage();
    options.host = arguments.at(i);
    return std::nullopt;
}

bool anyIs(quint32 target, const std::vector<std::string> &addresses)
{
    return std::any_of(addresses.begin(), addresses.end(), [target](const std::string &address) {
        return DottedQuad::parse(address) == target;
    });
}

std::vector<std::string> hostsOf(const PlainJson &network)
{
    std::vector<std::string> hosts;
    if (const PlainJson *list = network.member("hosts")) {
        for (const PlainJson &host : list->items())
            hosts.push_back(host.isString() ? host.string() : std::string());
    }
    return hosts;
}

enum class Responder { none, self, host };

// Who answers a request sent now. A path is a service that publishes a live address, which
// already means enabled, on an existing device and with its link up; through it answer its
// own address, its network's router and the network's hosts. A network marked
// "routerDown" keeps its router silent, to simulate a gateway that has gone away.
Responder responder(const PlainMachine &machine, const std::optional<std::string> &device,
                    quint32 target, qint64 nowMs)
{
    if ((target >> 24) == 127)
        return !device || *device == loopbackDevice ? Responder::self : Responder::none;
    Responder found = Responder::none;
    for (const PlainJson &service : machine.services()) {
        const std::string serviceDevice = PlainMachine::serviceDevice(service);
        if (device && serviceDevice != *device)
            continue;
        const std::optional<PlainMachine::LiveIPv4> live = machine.liveIPv4(service, nowMs);
        if (!live)
            continue;
        if (anyIs(target, live->addresses))
            return Responder::self;
        const PlainJson *network = machine.deviceNetwork(serviceDevice);
        if (!network)
            continue;
        const PlainJson *routerDown = network->member("routerDown");
        const bool routerAnswers = !(routerDown && routerDown->isBool() && routerDown->boolean());
        if ((routerAnswers && anyIs(target, {network->text("router")})) ||
            anyIs(target, hostsOf(*network)))
            found = Responder::host;
    }
    return found;
}

// Round-trip times that look measured yet are the same on every run, so that outputs can be
// compared: a fraction of a millisecond for the machine itself, 0.3 to 3 ms across a network.
double replyTime(Responder responder, quint32 target, qint64 sequence)
{
    const quint32 hash = PlainMachine::hash<std::uint32_t>(DottedQuad::format(target) + '/' +
                                                           std::to_string(sequence));
    if (responder == Responder::self)
        return 0.030 + (hash % 50) / 1000.0;
    return 0.300 + (hash % 2701) / 1000.0;
}

// Sleeps in short steps so that an interrupt ends the run promptly; false once interrupted.
bool pause(std::chrono::milliseconds delay)
{
    using namespace std::chrono_literals;
    const auto end = std::chrono::steady_clock::now() + delay;
    while (!interrupted) {
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= 0ms)
            return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, 50ms));
    }
    return false;
}

QString number(double value)
{
    return QString::asprintf("%.3f", value);
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (const std::optional<int> status = parse(StandIn::start(argc, argv), options))
        return *status;

    const std::optional<quint32> target = SimulatedMachine::parseIPv4(options.host);
    if (!target) {
        print(stderr, QStringLiteral("ping: cannot resolve %1: Unknown host\n").arg(options.host));
        return unknownHostStatus;
    }

    const std::optional<SimulatedMachine> machine =
        StandIn::loadMachine(QStringLiteral("ping: "), QStringLiteral("read"));
    if (!machine)
        return 1;
    const PlainMachine &plain = machine->plain();
    if (options.device && *options.device != loopbackDevice && !plain.hasDevice(*options.device)) {
        print(stderr, QStringLiteral("ping: bad interface name\n"));
        return 1;
    }

    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });

    // The delay shows the interface busy as long as the real one would be, never the reply
    // wait; a run without a count paces itself like the real one rather than spinning.
    using namespace std::chrono_literals;
    std::chrono::milliseconds delay = plain.pingDelay();
    if (!options.count && delay == 0ms)
        delay = 1000ms;

    const QString address = SimulatedMachine::formatIPv4(*target);
    print(stdout, QStringLiteral("PING %1 (%2): 56 data bytes\n").arg(options.host, address));

    qint64 transmitted = 0;
    QList<double> times;
    for (qint64 sequence = 0; !options.count || sequence < *options.count; ++sequence) {
        if (!pause(delay))
            break;
        ++transmitted;
        // Read at each request, so a lease that arrives during the run starts the replies.
        const Responder who =
            responder(plain, options.device, *target, QDateTime::currentMSecsSinceEpoch());
        if (who != Responder::none) {
            const double time = replyTime(who, *target, sequence);
            times.append(time);
            if (!options.quiet)
                print(stdout, QStringLiteral("64 bytes from %1: icmp_seq=%2 ttl=64 time=%3 ms\n")
                                  .arg(address)
                                  .arg(sequence)
                                  .arg(number(time)));
        } else if (!options.quiet && (!options.count || sequence + 1 < *options.count)) {
            // The real program reports a lost request when it sends the next one, so the last
            // one is only counted in the statistics.
            print(stdout, QStringLiteral("Request timeout for icmp_seq %1\n").arg(sequence));
        }
    }

    const qint64 received = times.size();
    QString statistics = QStringLiteral("\n--- %1 ping statistics ---\n"
                                        "%2 packets transmitted, %3 packets received, ")
                             .arg(options.host)
                             .arg(transmitted)
                             .arg(received);
    if (transmitted > 0)
        statistics += QString::asprintf(
            "%.1f%% packet loss", 100.0 * double(transmitted - received) / double(transmitted));
    statistics += u'\n';
    if (received > 0) {
        const auto [min, max] = std::minmax_element(times.cbegin(), times.cend());
        double sum = 0;
        double squares = 0;
        for (const double time : times) {
            sum += time;
            squares += time * time;
        }
        const double average = sum / double(received);
        const double deviation =
            std::sqrt(std::max(0.0, squares / double(received) - average * average));
        statistics += QStringLiteral("round-trip min/avg/max/stddev = %1/%2/%3/%4 ms\n")
                          .arg(number(*min), number(average), number(*max), number(deviation));
    }
    print(stdout, statistics);
    return received > 0 ? 0 : noReplyStatus;
}
