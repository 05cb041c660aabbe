// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

// Changes the simulated machine's file, for the one program that writes it (the networksetup
// stand-in): safe against other writers, readers, a full disk and a writer killed at any
// instant.
namespace MachineWriter {

// How a change of the file ended.
enum class Result {
    written, // the file now holds the change
    refused, // the change itself declined, with its reason; the file is untouched
    failed,  // the file could not be read, locked or written; the file is untouched
};

// Edits root in place and returns true, or leaves a reason and returns false.
using Change = std::function<bool(QJsonObject &root, QString *reason)>;

// Applies one change to the file at path: under the writers' lock it re-reads the file,
// applies the change and replaces the file atomically, keeping its owner, its mode and its
// layout outside what changed. Nothing is written unless the change succeeds and leaves a file
// the reader accepts; a file its permissions keep from being written is never replaced, even by
// root. *problem receives the change's reason (refused) or one sentence naming the file
// (failed).
Result update(const QString &path, const Change &change, QString *problem);

} // namespace MachineWriter
