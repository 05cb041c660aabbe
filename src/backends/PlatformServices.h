// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "ConfigurationStore.h"
#include "SystemServices.h"
#include "SystemTools.h"

#include <QString>

// The system as the model reaches it: the reader over a configuration store, the writer and
// the ping runner over the programs that the tools point at, and a precise wait.
SystemServices platformServices(ConfigurationStoreFactory stores, const SystemTools &tools);

// The simulated machine in that file, through the same reader and the same programs' paths as
// on macOS.
SystemServices simulatedServices(const QString &machinePath, const SystemTools &tools);

// Which system Brisvale works on: the real one where a backend exists, unless a simulated
// machine was asked for.
enum class Backend { realSystem, simulatedMachine };
Backend chooseBackend(bool realSystemAvailable, bool simulationRequested);

// What the start-up probe found of the real system.
struct RealSystem {
    // Whether this build has a backend for the system it runs on, and (on Linux) whether
    // NetworkManager answers.
    bool available = false;
    // The backend and its version, as the header names them; empty where the window's texts
    // already name the system (macOS).
    QString name;
    QString version;
    // Where it is not available, why, as a French sentence.
    QString absence;
};
// Decided within a short, fixed time.
RealSystem probeRealSystem();
// The real system's services; only where probeRealSystem() found it available.
SystemServices realSystemServices();

// The services as `brisvale --list` prints them: one a line, tab-separated: name, id, device,
// kind (wifi, ethernet, other), enabled and connected (yes, no), mode (dhcp, manual), address,
// mask, router, the DNS servers in effect (comma-separated). Nothing inside a field can end its
// line or reach a terminal as a control: a backslash is written \\; tab, line feed, carriage
// return, BEL, backspace, vertical tab, form feed and escape \t, \n, \r, \a, \b, \v, \f, \e; any
// other C0 control and DEL \xHH; C1 controls and the line and paragraph separators \uHHHH
// (lower-case hexadecimal).
QString serviceListing(const QList<AdapterInfo> &adapters);
// One field of such a listing, escaped as above.
QString listingField(const QString &text);
