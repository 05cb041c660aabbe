#pragma once

#include "adapters/AdapterInfo.h"
#include "ping/PingOutcome.h"
#include "system/CommandResult.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <qcorotask.h>

#include <chrono>
#include <functional>

// Everything the model asks of the system. The application wires the real reader, writer and
// ping runner once at start; tests wire fakes that answer at once or when the test decides.
struct SystemServices {
    std::function<QFuture<QList<AdapterInfo>>()> readAdapters;
    std::function<QFuture<CommandResult>(QString service, QString ip, QString mask, QString router)>
        setManual;
    std::function<QFuture<CommandResult>(QString service)> setDHCP;
    std::function<QFuture<CommandResult>(QString service, bool enabled)> setServiceEnabled;
    std::function<QFuture<PingOutcome>(QString address, QString device, int count)> ping;
    std::function<QCoro::Task<>(std::chrono::milliseconds)> wait;
};
