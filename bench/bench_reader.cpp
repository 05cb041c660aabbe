// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// How long a read of the simulated machine takes per enabled service, against the floor a read
// cannot beat: starting the ifconfig stand-in once per service.
#include "NetworkReader.h"
#include "Shell.h"
#include "SimulatedMachine.h"
#include "SimulatedStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThreadPool>

#include <algorithm>
#include <cstdio>

namespace {

// A machine of n enabled services, alternately manual and DHCP, each on its own device with
// its link up, all on one network that serves DHCP.
QJsonObject machineOf(int n)
{
    QJsonArray services;
    QJsonObject devices;
    for (int i = 0; i < n; ++i) {
        const QString device = QStringLiteral("en%1").arg(i);
        const bool dhcp = i % 2 == 1;
        QJsonObject ipv4{{"ConfigMethod", dhcp ? "DHCP" : "Manual"}};
        if (!dhcp) {
            ipv4.insert("Addresses",
                        QJsonArray{QStringLiteral("10.%1.%2.10").arg(i / 256).arg(i % 256)});
            ipv4.insert("SubnetMasks", QJsonArray{"255.0.0.0"});
            ipv4.insert("Router", "10.0.0.1");
        }
        services.append(QJsonObject{
            {"ServiceID", QStringLiteral("SERVICE-%1").arg(i)},
            {"UserDefinedName", QStringLiteral("Service %1").arg(n - i)},
            {"Enabled", true},
            {"Interface", QJsonObject{{"DeviceName", device},
                                      {"Type", "Ethernet"},
                                      {"UserDefinedName", "Ethernet"}}},
            {"IPv4", ipv4},
        });
        devices.insert(device, QJsonObject{{"link", "active"}, {"network", "lan"}});
    }
    const QJsonObject lan{
        {"subnet", "10.0.0.0/8"},
        {"router", "10.0.0.1"},
        {"dhcp", QJsonObject{{"delayMs", 0}, {"first", "10.200.0.1"}, {"last", "10.200.255.254"}}},
    };
    return QJsonObject{
        {"services", services}, {"devices", devices}, {"networks", QJsonObject{{"lan", lan}}}};
}

double millisecondsPer(qint64 nanoseconds, int count)
{
    return double(nanoseconds) / 1e6 / count;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const SystemTools tools(QStringLiteral(BRISVALE_BENCH_SIM_ROOT));

    // With --refresh-only, only the 512-service refresh below.
    const bool refreshOnly = app.arguments().contains(QStringLiteral("--refresh-only"));
    if (!refreshOnly)
        std::printf("%-9s %6s %14s %16s %8s\n", "services", "reads", "read/service",
                    "ifconfig alone", "ratio");
    for (const int n : {8, 64, 512}) {
        const QString path = dir.filePath(QStringLiteral("machine-%1.json").arg(n));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(machineOf(n)).toJson(QJsonDocument::Compact));
        file.close();
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
        if (refreshOnly)
            continue;

        // Enough reads that each size starts about the same number of processes.
        const int reads = std::max(1, 1024 / n);
        QElapsedTimer timer;
        timer.start();
        for (int r = 0; r < reads; ++r) {
            SimulatedStore store(path);
            const QList<AdapterInfo> adapters =
                NetworkReader::readOnceWithCause(store, tools, 1).adapters;
            if (adapters.size() != n) {
                std::fprintf(stderr, "expected %d adapters, read %lld\n", n,
                             static_cast<long long>(adapters.size()));
                return 1;
            }
        }
        const double perService = millisecondsPer(timer.nsecsElapsed(), reads * n);

        timer.restart();
        for (int r = 0; r < reads; ++r) {
            for (int i = 0; i < n; ++i)
                Shell::run(tools.ifconfig(), {QStringLiteral("en%1").arg(i)});
        }
        const double floor = millisecondsPer(timer.nsecsElapsed(), reads * n);

        std::printf("%-9d %6d %11.3f ms %13.3f ms %7.2fx\n", n, reads, perService, floor,
                    perService / floor);
    }

    // A refresh of 512 services, link tests one after the other against side by side; and, for
    // what running side by side can give on this machine at all, the same 512 link tests with
    // nothing else. The goal is against the refresh as it was first measured: one at a time, and
    // each ifconfig loading Qt, as the complete stand-in (ifconfig-full) still does. Taken in
    // turns, three times each: this machine's speed drifts by a third from one minute to the
    // next.
    const QString path = dir.filePath(QStringLiteral("machine-512.json"));
    qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(path));
    const QString qtRoot = dir.filePath(QStringLiteral("qt-root"));
    QDir().mkpath(qtRoot + QStringLiteral("/sbin"));
    if (!QFile::link(QStringLiteral(BRISVALE_BENCH_SIM_ROOT) +
                         QStringLiteral("/sbin/ifconfig-full"),
                     qtRoot + QStringLiteral("/sbin/ifconfig"))) {
        std::fprintf(stderr, "cannot link the complete ifconfig into %s\n", qPrintable(qtRoot));
        return 1;
    }
    const SystemTools withQt(qtRoot);
    const int side = NetworkReader::defaultLinkTestConcurrency;
    QList<AdapterInfo> first, sequential, concurrent;
    auto refresh = [&path](const SystemTools &tools, int concurrency,
                           QList<AdapterInfo> *adapters) {
        QElapsedTimer timer;
        timer.start();
        SimulatedStore store(path);
        *adapters = NetworkReader::readOnceWithCause(store, tools, concurrency).adapters;
        return double(timer.nsecsElapsed()) / 1e6;
    };
    auto linkTestsAlone = [&tools](int concurrency) {
        QThreadPool pool;
        pool.setMaxThreadCount(concurrency);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 512; ++i) {
            pool.start(
                [&tools, i] { Shell::run(tools.ifconfig(), {QStringLiteral("en%1").arg(i)}); });
        }
        pool.waitForDone();
        return double(timer.nsecsElapsed()) / 1e6;
    };
    QList<double> readFirst, readOne, readSide, aloneOne, aloneSide;
    for (int turn = 0; turn < 3; ++turn) {
        readFirst.append(refresh(withQt, 1, &first));
        readOne.append(refresh(tools, 1, &sequential));
        readSide.append(refresh(tools, side, &concurrent));
        aloneOne.append(linkTestsAlone(1));
        aloneSide.append(linkTestsAlone(side));
    }
    const auto median = [](QList<double> values) {
        std::sort(values.begin(), values.end());
        return values.at(values.size() / 2);
    };
    const bool same = first == sequential && sequential == concurrent;
    std::printf("\n512-service refresh (medians of 3)\n");
    std::printf("  one at a time, each ifconfig loading Qt (as first measured) %6.0f ms\n",
                median(readFirst));
    std::printf("  one at a time                                               %6.0f ms\n",
                median(readOne));
    std::printf("  %d at a time                                                 %6.0f ms\n", side,
                median(readSide));
    std::printf("  against the first: %.2f (goal <= 0.5); side by side against one at a time: "
                "%.2f; same list all three ways: %s\n",
                median(readSide) / median(readFirst), median(readSide) / median(readOne),
                same ? "yes" : "NO");
    std::printf("the 512 link tests alone: sequential %.0f ms, %d at a time %.0f ms, ratio %.2f "
                "(what this machine allows)\n",
                median(aloneOne), side, median(aloneSide), median(aloneSide) / median(aloneOne));
    return same ? 0 : 1;
}
