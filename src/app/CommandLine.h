// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QString>

#include <optional>

// What the command line asks for. Qt takes its own options (-platform, -style …) out of the
// arguments only once the window's application object exists, and that object must not be made
// for an answer in text, which needs no display: so the line is first looked at as typed, for
// the kind of answer it wants, then read whole from what Qt leaves of it.
namespace CommandLine {

// Whether it asks for an answer in text (the list, help, the version) rather than the window.
bool asksForText(int argc, char *argv[]);

// What a valid line asks for.
struct Request {
    // The machine file asked for; empty for none.
    QString machineFile;
    enum class Answer { window, list, profiles, applyProfile } answer = Answer::window;
    // The profile --apply-profile names.
    QString profile;
};

// What the line asks for, or nothing when it is wrong, with the reason in *problem. --help and
// --version print and exit here.
std::optional<Request> read(QString *problem);

} // namespace CommandLine
