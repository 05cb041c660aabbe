#pragma once

#include "model/SystemServices.h"
#include "system/SystemTools.h"

#include <QString>

// The system as the simulated machine in that file presents it, through the same reader and
// the same programs' paths as on macOS.
SystemServices simulatedServices(const QString &machinePath, const SystemTools &tools);
