// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "AppDelegate.h"

#include <QCoroTask>

#include <algorithm>

AppDelegate::AppDelegate(Platform platform, QObject *parent)
    : QObject(parent)
    , m_platform(std::move(platform))
{
}

AppDelegate::QuitTexts AppDelegate::quitTexts(int dirtyCards)
{
    const QString choices = QStringLiteral(
        "\n\nVous pouvez appliquer ces changements avant de fermer, quitter sans les appliquer "
        "(les saisies seront perdues) ou rester dans l'application.");
    QuitTexts texts;
    texts.title = QStringLiteral("Quitter Brisvale ?");
    texts.stayText = QStringLiteral("Rester");
    texts.hasPendingChanges = dirtyCards >= 1;
    if (dirtyCards == 0) {
        texts.message = QStringLiteral(
            "Aucune modification n'est en attente.\n\nMerci d'utiliser Brisvale. Avant de fermer, "
            "vous pouvez soutenir le projet : scannez le QR code ou ouvrez la page de don.");
        texts.primaryText = QStringLiteral("Quitter");
        return texts;
    }
    if (dirtyCards == 1)
        texts.message = QStringLiteral("Une carte réseau a été modifiée mais la nouvelle "
                                       "configuration n'a pas encore été appliquée.") +
                        choices;
    else
        texts.message = QString::number(dirtyCards) +
                        QStringLiteral(" cartes réseau ont été modifiées mais leurs nouvelles "
                                       "configurations n'ont pas encore été appliquées.") +
                        choices;
    texts.primaryText = QStringLiteral("Appliquer et quitter");
    texts.secondaryText = QStringLiteral("Quitter sans appliquer");
    return texts;
}

QSize AppDelegate::initialContentSize(std::optional<QRect> visibleArea)
{
    const QRect area = visibleArea.value_or(QRect(0, 0, 1440, 900));
    return {std::min(std::max(area.width() - 60, 880), 1120),
            std::min(std::max(area.height() - 60, 620), 880)};
}

AppDelegate::Reply AppDelegate::shouldTerminate(bool sessionEnding)
{
    if (sessionEnding || !m_model)
        return Reply::terminateNow;
    // The dialog already open stays; a second request changes nothing.
    if (m_terminationPending)
        return Reply::cancel;

    const QList<AdapterCardModel *> cards = m_model->cards();
    const int dirty =
        int(std::count_if(cards.cbegin(), cards.cend(),
                          [](const AdapterCardModel *card) { return card->isDirty(); }));
    const QuitTexts texts = quitTexts(dirty);
    m_terminationPending = true;
    QPointer<AppDelegate> self(this);
    m_platform.openQuitDialog(texts, [self, pending = texts.hasPendingChanges](QuitChoice choice) {
        if (self)
            self->handleChoice(choice, pending);
    });
    return Reply::terminateLater;
}

QCoro::Task<> AppDelegate::handleChoice(QuitChoice choice, bool hasPendingChanges)
{
    bool quit = false;
    switch (choice) {
    case QuitChoice::primary:
        quit = true;
        if (hasPendingChanges && m_model) {
            QPointer<AppDelegate> self(this);
            quit = co_await m_model->applyAllPending();
            if (!self)
                co_return;
        }
        break;
    case QuitChoice::secondary:
        // The user chose to lose the unapplied edits.
        quit = true;
        break;
    case QuitChoice::stay:
        quit = false;
        break;
    }
    m_terminationPending = false;
    m_platform.replyToTerminate(quit);
    if (!quit)
        m_platform.showMainWindow();
}
