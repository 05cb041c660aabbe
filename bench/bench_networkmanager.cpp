// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// How long Brisvale takes to read NetworkManager's profiles, against the bar of one start of
// `nmcli -t -f NAME,UUID,TYPE,DEVICE connection show` on the same daemon: 8, 64 and 256
// profiles, on the sandboxed daemon of the test rig (tests/rig/nm-rig.sh), which this program
// starts around itself.
#include "NetworkManagerReader.h"
#include "NetworkManagerRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int rounds = 15;

// n profiles as a laptop keeps them: mostly saved Wi-Fi networks, some wired ones.
bool writeProfiles(int n)
{
    QDir folder(NetworkManagerRig::connectionsFolder());
    for (const QString &old : folder.entryList({QStringLiteral("bench-*")}, QDir::Files))
        folder.remove(old);
    for (int i = 0; i < n; ++i) {
        const bool wifi = i % 4 != 0;
        QString text = QStringLiteral("[connection]\nid=Profil %1\nuuid=%2\ntype=%3\n"
                                      "autoconnect=false\n")
                           .arg(i)
                           .arg(QUuid::createUuid().toString(QUuid::WithoutBraces))
                           .arg(wifi ? QStringLiteral("wifi") : QStringLiteral("ethernet"));
        if (wifi)
            text += QStringLiteral("[wifi]\nssid=reseau-%1\n[ipv4]\nmethod=auto\n").arg(i);
        else
            text += QStringLiteral("[ipv4]\nmethod=manual\naddress1=10.%1.%2.10/16,10.%1.0.1\n")
                        .arg(i / 256)
                        .arg(i % 256);
        QFile file(folder.filePath(QStringLiteral("bench-%1.nmconnection").arg(i)));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(text.toUtf8());
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return NetworkManagerRig::nmcli({QStringLiteral("connection"), QStringLiteral("reload")})
               .status == 0;
}

double medianMilliseconds(std::vector<qint64> nanoseconds)
{
    std::sort(nanoseconds.begin(), nanoseconds.end());
    return double(nanoseconds[nanoseconds.size() / 2]) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status =
            NetworkManagerRig::rerunInside(argc, argv, {QStringLiteral("--empty")}))
        return *status;
    QCoreApplication app(argc, argv);
    if (!NetworkManagerRig::inside()) {
        std::printf("bench_networkmanager: skipped (%s)\n",
                    qPrintable(NetworkManagerRig::unavailableReason()));
        return 0;
    }

    std::printf("%-10s %14s %14s %8s\n", "profiles", "Brisvale (ms)", "nmcli (ms)", "ratio");
    for (const int n : {8, 64, 256}) {
        if (!writeProfiles(n)) {
            std::fprintf(stderr, "bench_networkmanager: cannot load %d profiles\n", n);
            return 1;
        }
        // Loaded: a read sees them all (plus the daemon's own loopback profile).
        const AdapterRead first = NetworkManagerReader::read({});
        if (first.failed() || first.adapters.size() != n) {
            std::fprintf(stderr, "bench_networkmanager: read %lld services of %d: %s\n",
                         static_cast<long long>(first.adapters.size()), n,
                         qPrintable(first.failure));
            return 1;
        }
        std::vector<qint64> brisvale;
        std::vector<qint64> nmcli;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            const AdapterRead read = NetworkManagerReader::read({});
            brisvale.push_back(timer.nsecsElapsed());
            if (read.adapters.size() != n)
                return 1;

            timer.restart();
            QProcess process;
            process.start(QStringLiteral("nmcli"),
                          {QStringLiteral("-t"), QStringLiteral("-f"),
                           QStringLiteral("NAME,UUID,TYPE,DEVICE"), QStringLiteral("connection"),
                           QStringLiteral("show")});
            process.waitForFinished(-1);
            process.readAllStandardOutput();
            nmcli.push_back(timer.nsecsElapsed());
            if (process.exitCode() != 0)
                return 1;
        }
        const double ours = medianMilliseconds(brisvale);
        const double theirs = medianMilliseconds(nmcli);
        std::printf("%-10d %14.2f %14.2f %7.2fx\n", n, ours, theirs, ours / theirs);
    }
    std::printf("goal: a ratio of at most 1.00x (one read against one nmcli start)\n");
    return 0;
}
