#include "system/CommandResult.h"

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
