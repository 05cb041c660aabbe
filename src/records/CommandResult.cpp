// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "CommandResult.h"

#include <QStringList>

QString CommandResult::combined() const
{
    QStringList parts;
    if (!error.isEmpty())
        parts << error;
    if (!output.isEmpty())
        parts << output;
    return parts.join(u'\n').trimmed();
}
