// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

class QQuickWindow;

// Tab and Shift+Tab through a list view's delegates in the list's order. Qt Quick walks the
// focus chain in the order items were made: a list that builds only what is near the viewport
// and hands views on while scrolling keeps its delegates in no useful order, and has no view
// at all for a row far off screen. This walk builds the neighbouring row when the focus is
// about to reach it and keeps the focused control on screen.
//
// A delegate is a direct child of the list's content item with an "index" property; anything
// else in the list (its header) keeps Qt Quick's own walk.
class ListFocusChain : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickItem *list READ list WRITE setList NOTIFY listChanged)

public:
    explicit ListFocusChain(QObject *parent = nullptr);

    QQuickItem *list() const { return m_list; }
    void setList(QQuickItem *list);

signals:
    void listChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Moves the focus one step, as Tab (forward) or Shift+Tab would from the focused item;
    // false when the step does not concern the list and Qt Quick's own walk should take it.
    bool step(bool forward);
    void watchWindow();
    QQuickItem *contentItem() const;
    // The delegate holding item, or null when item is not inside one.
    QQuickItem *rowOf(QQuickItem *item) const;
    // The view of row index, scrolled to and built if it was not; null when there is none.
    QQuickItem *rowAt(int index) const;
    // The first or last control of row that takes the focus on Tab; null when it has none.
    QQuickItem *edgeStop(QQuickItem *row, bool first) const;
    // The edge stop of the first row from index on, in that direction, that has one.
    QQuickItem *stopInRowsFrom(int index, bool forward) const;
    // The first control outside the list in that direction from item.
    QQuickItem *stopOutsideList(QQuickItem *item, bool forward) const;
    void reveal(QQuickItem *item) const;

    QPointer<QQuickItem> m_list;
    QPointer<QQuickWindow> m_window;
};
