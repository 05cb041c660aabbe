// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "PlatformServices.h"
#include "Profile.h"
#include "SystemServices.h"

#include <QString>

#include <optional>

// Which machine the application works on, and the answers it gives without a window.
namespace StartUp {

// The exit status of a wrong command line or of a machine that cannot be used.
inline constexpr int usageError = 2;

// Says the problem on standard error; returns usageError.
int fail(const QString &message);

// The real system where it answers, else the simulated machine: the one asked for or, for the
// window only, the user's copy of the demo machine. machinePath is set only for a simulated
// machine; *real is what the probe found (nothing where a machine was asked for).
std::optional<SystemServices> chosenServices(const QString &simulate, bool demoWhenNoSystem,
                                             QString *machinePath, RealSystem *real,
                                             QString *problem);

// The user's profiles file; BRISVALE_PROFILES names another one (tests, demonstrations).
QString profilesPath();

// `brisvale --list`: the services the cards would show, for scripts and bug reports;
// `--profiles` and `--apply-profile NAME`; also --help and --version. None needs a display, so
// they run before any window system is touched.
int answerInText(int argc, char *argv[]);

// Applies the profile all or nothing, as the window does, and prints one line per service and
// the outcome; returns 0 when applied and verified, 1 when not applied (and, where anything was
// sent, put back as a read showed), 3 when the restore was not seen whole.
int applyInText(const SystemServices &services, const Profile &profile);

} // namespace StartUp
