// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The statistics of a ping run in each dialect, as the ping tab and the card test condense them.

#include "FuzzTarget.h"
#include "PingRunner.h"

#include <cmath>

QList<QByteArray> Fuzz::seeds()
{
    return {
        "PING 192.168.1.1 (192.168.1.1): 56 data bytes\n"
        "64 bytes from 192.168.1.1: icmp_seq=0 ttl=64 time=2.279 ms\n"
        "64 bytes from 192.168.1.1: icmp_seq=1 ttl=64 time=0.571 ms\n\n"
        "--- 192.168.1.1 ping statistics ---\n"
        "2 packets transmitted, 2 packets received, 0.0% packet loss\n"
        "round-trip min/avg/max/stddev = 0.571/1.425/2.279/0.854 ms\n",
        "PING 10.0.0.9 (10.0.0.9): 56 data bytes\nRequest timeout for icmp_seq 0\n\n"
        "--- 10.0.0.9 ping statistics ---\n"
        "3 packets transmitted, 0 packets received, 100.0% packet loss\n",
        "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n"
        "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.045 ms\n\n"
        "--- 127.0.0.1 ping statistics ---\n"
        "1 packets transmitted, 1 received, 0% packet loss, time 0ms\n"
        "rtt min/avg/max/mdev = 0.045/0.045/0.045/0.000 ms\n",
        "ping: cannot resolve nowhere: Unknown host\n",
    };
}

QList<QByteArray> Fuzz::dictionary()
{
    return QByteArray(" packets transmitted, | packets received, | received, |% packet loss|"
                      "round-trip min/avg/max/stddev = |rtt min/avg/max/mdev = | ms\n|"
                      "99999999999999999999|1e400|nan|-1|0.000|\n")
        .split('|');
}

void Fuzz::setUp() {}

void Fuzz::check(const QByteArray &input)
{
    const QString output = QString::fromUtf8(input);
    for (const PingRunner::Dialect *dialect : {&PingRunner::macOS(), &PingRunner::iputils()}) {
        if (const auto summary = PingRunner::parse(*dialect, output)) {
            FUZZ_CHECK(summary->transmitted >= 0 && summary->received >= 0, input);
            FUZZ_CHECK(std::isfinite(summary->loss), input);
            FUZZ_CHECK(!summary->average || std::isfinite(*summary->average), input);
        }
        for (const int status : {0, 2})
            FUZZ_CHECK(!PingRunner::summarize(*dialect, {status, output, {}}).detail.isEmpty(),
                       input);
    }
}
