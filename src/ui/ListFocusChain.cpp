// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ListFocusChain.h"

#include <QKeyEvent>
#include <QMetaEnum>
#include <QQuickItem>
#include <QQuickWindow>

#include <algorithm>

namespace {

// A focus chain is a ring over the whole window; a walk that goes round it without finding
// what it looks for stops here.
constexpr int longestWalk = 10000;
// Kept between the focused control and the list's edges when the list follows the focus.
constexpr qreal margin = 12;

} // namespace

ListFocusChain::ListFocusChain(QObject *parent)
    : QObject(parent)
{
}

void ListFocusChain::setList(QQuickItem *list)
{
    if (m_list == list)
        return;
    if (m_list)
        disconnect(m_list, nullptr, this, nullptr);
    m_list = list;
    if (m_list)
        connect(m_list, &QQuickItem::windowChanged, this, &ListFocusChain::watchWindow);
    watchWindow();
    emit listChanged();
}

// The keys reach the window before any item: Qt Quick would otherwise walk its own chain
// from the focused control before anything in QML could step in.
void ListFocusChain::watchWindow()
{
    QQuickWindow *window = m_list ? m_list->window() : nullptr;
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
}

bool ListFocusChain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key->key() == Qt::Key_Backtab ||
        (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier)))
        return step(false);
    if (key->key() == Qt::Key_Tab)
        return step(true);
    return false;
}

bool ListFocusChain::step(bool forward)
{
    if (!m_list || !m_window || !m_list->isVisible())
        return false;
    QQuickItem *focused = m_window->activeFocusItem();
    if (!focused)
        return false;
    QQuickItem *next = focused->nextItemInFocusChain(forward);
    QQuickItem *target = nullptr;
    if (QQuickItem *row = rowOf(focused)) {
        if (next && next != focused && row->isAncestorOf(next)) {
            target = next;
        } else {
            // Past the row's edge: the neighbouring rows in the list's order, then out.
            target = stopInRowsFrom(row->property("index").toInt() + (forward ? 1 : -1), forward);
            if (!target)
                target = stopOutsideList(focused, forward);
        }
    } else {
        // Into the list from outside: its first row going forward, its last going back.
        if (!next || !rowOf(next))
            return false;
        target = stopInRowsFrom(forward ? 0 : m_list->property("count").toInt() - 1, forward);
    }
    if (!target)
        return false;
    target->forceActiveFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    if (rowOf(target))
        reveal(target);
    return true;
}

QQuickItem *ListFocusChain::contentItem() const
{
    return m_list ? m_list->property("contentItem").value<QQuickItem *>() : nullptr;
}

QQuickItem *ListFocusChain::rowOf(QQuickItem *item) const
{
    const QQuickItem *content = contentItem();
    if (!content)
        return nullptr;
    for (; item; item = item->parentItem()) {
        if (item->parentItem() == content)
            return item->property("index").isValid() ? item : nullptr;
    }
    return nullptr;
}

QQuickItem *ListFocusChain::rowAt(int index) const
{
    const QMetaObject *meta = m_list->metaObject();
    const QMetaEnum modes = meta->enumerator(meta->indexOfEnumerator("PositionMode"));
    const int contain = modes.isValid() ? modes.keyToValue("Contain") : -1;
    if (contain < 0 || !QMetaObject::invokeMethod(m_list, "positionViewAtIndex", Q_ARG(int, index),
                                                  Q_ARG(int, contain)))
        return nullptr;
    QQuickItem *row = nullptr;
    QMetaObject::invokeMethod(m_list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row),
                              Q_ARG(int, index));
    return row;
}

QQuickItem *ListFocusChain::edgeStop(QQuickItem *row, bool first) const
{
    if (!row)
        return nullptr;
    // The chain enters an item's children right after the item itself.
    QQuickItem *stop = row->nextItemInFocusChain(true);
    if (!stop || !row->isAncestorOf(stop))
        return nullptr;
    for (int walked = 0; !first && walked < longestWalk; ++walked) {
        QQuickItem *next = stop->nextItemInFocusChain(true);
        if (!next || next == stop || !row->isAncestorOf(next))
            break;
        stop = next;
    }
    return stop;
}

QQuickItem *ListFocusChain::stopInRowsFrom(int index, bool forward) const
{
    const int count = m_list->property("count").toInt();
    QQuickItem *stop = nullptr;
    for (; !stop && index >= 0 && index < count; index += forward ? 1 : -1)
        stop = edgeStop(rowAt(index), forward);
    return stop;
}

QQuickItem *ListFocusChain::stopOutsideList(QQuickItem *item, bool forward) const
{
    QQuickItem *stop = item;
    for (int walked = 0; walked < longestWalk; ++walked) {
        stop = stop->nextItemInFocusChain(forward);
        if (!stop || stop == item)
            return nullptr;
        if (stop != m_list && !m_list->isAncestorOf(stop))
            return stop;
    }
    return nullptr;
}

// Scrolls the least that shows the whole item, its top first when it is taller than the list.
void ListFocusChain::reveal(QQuickItem *item) const
{
    const QRectF box = item->mapRectToItem(m_list, item->boundingRect());
    const qreal height = m_list->height();
    qreal shift = 0;
    if (box.bottom() > height - margin)
        shift = box.bottom() - (height - margin);
    if (box.top() - shift < margin)
        shift = box.top() - margin;
    if (qFuzzyIsNull(shift))
        return;
    const auto real = [this](const char *name) { return m_list->property(name).toReal(); };
    const qreal lowest = real("originY") - real("topMargin");
    const qreal highest =
        std::max(lowest, real("originY") + real("contentHeight") + real("bottomMargin") - height);
    m_list->setProperty("contentY", std::clamp(real("contentY") + shift, lowest, highest));
}
