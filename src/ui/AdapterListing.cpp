#include "ui/AdapterListing.h"

#include <QCoroFuture>
#include <QPointer>

namespace {

AdapterListing::Reader &installedReader()
{
    static AdapterListing::Reader reader;
    return reader;
}

} // namespace

AdapterListing::AdapterListing(QObject *parent)
    : QObject(parent)
{
}

void AdapterListing::setReader(Reader reader)
{
    installedReader() = std::move(reader);
}

void AdapterListing::refresh()
{
    if (m_loading || !installedReader())
        return;
    load();
}

QCoro::Task<> AdapterListing::load()
{
    QPointer<AdapterListing> self(this);
    m_loading = true;
    emit loadingChanged();

    const QList<AdapterInfo> adapters = co_await installedReader()();
    // The window may have been closed while the read ran.
    if (!self)
        co_return;

    QVariantList values;
    for (const AdapterInfo &adapter : adapters)
        values.append(QVariant::fromValue(adapter));
    m_adapters = values;
    m_loading = false;
    emit adaptersChanged();
    emit loadingChanged();
}
