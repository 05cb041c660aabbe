// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ChoiceWidth.h"

#include <QFontMetricsF>

#include <algorithm>

qreal ChoiceWidth::widest(const PingTab *tab, const QFont &font)
{
    if (!tab)
        return 0;
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString &label : tab->choiceLabels())
        widest = std::max(widest, metrics.horizontalAdvance(label));
    return widest;
}
