#pragma once

#include "adapters/AdapterInfo.h"

#include <QFuture>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <qcorotask.h>

#include <functional>

// A plain list of what the system reports, read off the main thread; the window shows it
// until the card interface exists.
class AdapterListing : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QVariantList adapters READ adapters NOTIFY adaptersChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)

public:
    using Reader = std::function<QFuture<QList<AdapterInfo>>()>;

    explicit AdapterListing(QObject *parent = nullptr);

    // Set once at start, before the window is created.
    static void setReader(Reader reader);

    QVariantList adapters() const { return m_adapters; }
    bool loading() const { return m_loading; }

    Q_INVOKABLE void refresh();

signals:
    void adaptersChanged();
    void loadingChanged();

private:
    QCoro::Task<> load();

    QVariantList m_adapters;
    bool m_loading = false;
};
