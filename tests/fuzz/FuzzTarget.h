// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <cstdlib>

// What one fuzz target gives the driver (FuzzDriver.cpp): inputs to start from, tokens worth
// inserting, and the check of one input. A check that finds a broken property reports it with
// FUZZ_CHECK, which aborts, so the driver, libFuzzer and a sanitizer all see the same failure.
namespace Fuzz {

QList<QByteArray> seeds();
QList<QByteArray> dictionary();
// Runs once before the first input (the driver has created the application object).
void setUp();
void check(const QByteArray &input);

[[noreturn]] inline void fail(const char *what, const QByteArray &input)
{
    std::fprintf(stderr, "fuzz: %s\nfuzz: input (%lld bytes, percent-encoded): \"%s\"\n", what,
                 static_cast<long long>(input.size()),
                 input.toPercentEncoding(" !#$&'()*+,-./:;<=>?@[]^_`{|}~").constData());
    std::abort();
}

} // namespace Fuzz

#define FUZZ_CHECK(condition, input)                                                               \
    do {                                                                                           \
        if (!(condition))                                                                          \
            Fuzz::fail("broken: " #condition, input);                                              \
    } while (false)
