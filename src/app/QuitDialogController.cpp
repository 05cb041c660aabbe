// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "QuitDialogController.h"

#include "DonationQR.h"
#include "QuitDialogPane.h"

#include <QGuiApplication>
#include <QQmlError>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>

namespace {

const QSize dialogSize(760, 440);

} // namespace

QuitDialogController::QuitDialogController(QQmlEngine *engine, const AppDelegate::QuitTexts &texts,
                                           std::function<void(QuitChoice)> onChoice,
                                           QObject *parent)
    : QObject(parent)
    , m_onChoice(std::move(onChoice))
    , m_window(std::make_unique<QQuickView>(engine, nullptr))
{
    m_window->setTitle(QStringLiteral("Brisvale"));
    m_window->setFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_window->setMinimumSize(dialogSize);
    m_window->setMaximumSize(dialogSize);
    m_window->resize(dialogSize);
    m_window->setResizeMode(QQuickView::SizeRootObjectToView);
    m_window->setInitialProperties({
        {QStringLiteral("title"), texts.title},
        {QStringLiteral("message"), texts.message},
        {QStringLiteral("primaryText"), texts.primaryText},
        {QStringLiteral("secondaryText"), texts.secondaryText.value_or(QString())},
        {QStringLiteral("stayText"), texts.stayText},
        {QStringLiteral("hasPendingChanges"), texts.hasPendingChanges},
        {QStringLiteral("qrImage"), DonationQR::image()},
    });
    m_window->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisvale/qml/QuitDialogView.qml")));
    for (const QQmlError &error : m_window->errors())
        qWarning().noquote() << error.toString();
    if (auto *view = qobject_cast<QuitDialogPane *>(m_window->rootObject())) {
        connect(view, &QuitDialogPane::chosen, this, &QuitDialogController::chooseFromView);
        view->forceActiveFocus();
    }
    m_window->installEventFilter(this);
}

QuitDialogController::~QuitDialogController() = default;

void QuitDialogController::show()
{
    if (const QScreen *screen =
            m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        m_window->setPosition(area.center() -
                              QPoint(dialogSize.width() / 2, dialogSize.height() / 2));
    }
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

void QuitDialogController::choose(QuitChoice choice)
{
    if (m_choiceMade)
        return;
    m_choiceMade = true;
    m_window->close();
    deliver(choice);
}

void QuitDialogController::chooseFromView(int choice)
{
    choose(static_cast<QuitChoice>(choice));
}

bool QuitDialogController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close && !m_choiceMade) {
        m_choiceMade = true;
        // The window finishes closing before anyone hears of it.
        QMetaObject::invokeMethod(
            this, [this] { deliver(QuitChoice::stay); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void QuitDialogController::deliver(QuitChoice choice)
{
    // The handler may release this controller; nothing of it is touched afterwards.
    const std::function<void(QuitChoice)> onChoice = m_onChoice;
    onChoice(choice);
}
