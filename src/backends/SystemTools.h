// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QString>

// Where the system programs live. On macOS the root is empty and the paths are the real ones;
// on the simulated machine the root is a folder holding stand-ins under the same paths, so the
// exact command lines run unchanged.
class SystemTools {
public:
    SystemTools() = default;
    explicit SystemTools(QString root);

    // The real programs of the running system.
    static SystemTools native();
    // The stand-ins of the simulated machine: BRISVALE_SIM_ROOT when set, else a "sim-root"
    // folder beside the executable (the build tree), else the installed one, found from the
    // executable's folder (bin/../libexec/brisvale/sim-root).
    static SystemTools simulated();

    QString root() const { return m_root; }
    QString networksetup() const;
    QString osascript() const;
    QString ifconfig() const;
    QString ping() const;

private:
    QString m_root;
};
