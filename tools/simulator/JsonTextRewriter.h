// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QByteArray>
#include <QJsonObject>

// The file is often laid out by hand (one-line objects, chosen key order, notes). A rewrite
// through QJsonDocument would sort every key and reflow every line, so a single click would
// turn the file into a diff of its whole length. Instead, the parts that did not change are
// copied byte for byte and only the changed values are written anew.
namespace JsonTextRewriter {

// The new file: old (the text of before) with the change to after written into it, checked by
// parsing it back; Qt's own layout when that check fails, so a surprise in the old text never
// costs the change.
QByteArray rewritten(const QByteArray &old, const QJsonObject &before, const QJsonObject &after);

} // namespace JsonTextRewriter
