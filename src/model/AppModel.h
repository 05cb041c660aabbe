// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterCardModel.h"
#include "AdapterInfo.h"
#include "CardListModel.h"
#include "ProfileApply.h"
#include "SystemServices.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <qcorotask.h>

#include <chrono>
#include <functional>
#include <optional>

// The one model behind the main window: the cards in display order, kept in step with the
// system by every refresh without losing unsaved drafts, the window's status line and the
// selected tab. Main thread only; exclusion rests on flags tested and set between suspensions.
class AppModel : public QObject {
    Q_OBJECT

    Q_PROPERTY(CardListModel *cardList READ cardList CONSTANT)
    Q_PROPERTY(int cardCount READ cardCount NOTIFY cardsChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusChanged)
    Q_PROPERTY(Kinds::MessageKind statusKind READ statusKind NOTIFY statusChanged)
    Q_PROPERTY(Kinds::MainTab tab READ tab WRITE setTab NOTIFY tabChanged)
    Q_PROPERTY(
        int draftRevision READ draftRevision WRITE setDraftRevision NOTIFY draftRevisionChanged)
    Q_PROPERTY(bool hasLoadedOnce READ hasLoadedOnce NOTIFY hasLoadedOnceChanged)
    Q_PROPERTY(bool canRefresh READ canRefresh NOTIFY canRefreshChanged)
    Q_PROPERTY(QString pendingHint READ pendingHint NOTIFY pendingHintChanged)
    Q_PROPERTY(bool applyingProfile READ applyingProfile NOTIFY applyingProfileChanged)

public:
    explicit AppModel(SystemServices services, QObject *parent = nullptr);
    ~AppModel() override;

    QList<AdapterCardModel *> cards() const { return m_cards; }
    // The system as the model reaches it, for the ping tab's own pings.
    const SystemServices &services() const { return m_services; }
    int cardCount() const { return int(m_cards.size()); }
    CardListModel *cardList() const { return m_cardList; }
    bool loading() const { return m_loading; }
    QString statusText() const { return m_statusText; }
    MessageKind statusKind() const { return m_statusKind; }
    MainTab tab() const { return m_tab; }
    void setTab(MainTab tab);
    int draftRevision() const { return m_draftRevision; }
    void setDraftRevision(int revision);
    bool hasLoadedOnce() const { return m_hasLoadedOnce; }

    bool isBusy() const;
    // Whether Actualiser is offered: not until the first read has answered, also in the moment
    // before it starts, as the cards area shows it searching (nothing on screen changes between
    // the first frame and the one with the cards), nor while a read or a card operation runs.
    bool canRefresh() const;
    QString pendingHint() const;

    // Reads the system and reconciles the cards; manual when the user asked for it.
    QCoro::Task<> refresh(bool manual);
    // The 30-second tick: a refresh unless one is running or a card is busy.
    QCoro::Task<> autoRefresh();

    // Pushes the card's draft to the system and reads it back until it shows the change;
    // true only when a re-read confirmed it.
    QCoro::Task<bool> apply(AdapterCardModel *card);
    // Applies every card with an unapplied edit, one after the other, stopping at the first
    // that is not confirmed; true when all were (or there were none).
    QCoro::Task<bool> applyAllPending();
    // Switches the card's service on or off and reads it back until the system shows it.
    QCoro::Task<> setEnabled(AdapterCardModel *card, bool enabled);

    // Applies a profile all or nothing (see applyProfile()), the cards of its services held
    // busy meanwhile; the cards then show what the last read showed, and those the read
    // confirmed lose their drafts. Not while another operation runs.
    QCoro::Task<ProfileOutcome> applyProfile(Profile profile);
    bool applyingProfile() const { return m_applyingProfile; }
    // The names of the profile's services whose cards hold an edit not applied yet, which an
    // apply would overwrite.
    QStringList draftsAmong(const Profile &profile) const;

    // Pings the card's own address from its interface, then its router when the address
    // answers, and reports on the card and in the status line.
    QCoro::Task<> test(AdapterCardModel *card);

    // A note from the application shell, such as where the simulated machine lives.
    void announce(const QString &text) { setStatus(text, MessageKind::info); }
    // A problem the views met outside the model, such as no network settings to open.
    Q_INVOKABLE void warn(const QString &text) { setStatus(text, MessageKind::warning); }

    // Entry points for the views: they start the operations and return at once.
    Q_INVOKABLE void requestRefresh(bool manual);
    Q_INVOKABLE void requestAutoRefresh();
    Q_INVOKABLE void requestApply(AdapterCardModel *card);
    Q_INVOKABLE void requestSetEnabled(AdapterCardModel *card, bool enabled);
    Q_INVOKABLE void requestTest(AdapterCardModel *card);

signals:
    void cardsChanged();
    void loadingChanged();
    void statusChanged();
    void tabChanged();
    void draftRevisionChanged();
    void hasLoadedOnceChanged();
    void canRefreshChanged();
    void pendingHintChanged();
    void applyingProfileChanged();
    // The cards took in a new read: whatever compares itself with the system looks again.
    void readMerged();

private:
    // How a change is verified: up to `reads` re-reads, each after a wait; with
    // `waitAfterLast`, an unconfirmed last re-read is followed by one more wait.
    struct ReReadPlan {
        int reads;
        std::chrono::milliseconds wait;
        bool waitAfterLast;
    };
    // What the re-reads saw of one service.
    struct ReReadResult {
        // The last non-empty list.
        QList<AdapterInfo> lastList;
        // The service's latest record in any of them.
        std::optional<AdapterInfo> lastSeen;
        bool confirmed = false;
    };
    // Re-reads the system until the service's record satisfies `shows`, as the plan says.
    // The caller checks that the model still exists before using the result.
    QCoro::Task<ReReadResult>
    reReadUntil(QString id, std::function<bool(const AdapterInfo &)> shows, ReReadPlan plan);
    // Re-reads the system as the plan says until the service's record satisfies `shows`, then
    // merges what was read, unless a refresh or an operation under way reads it itself.
    QCoro::Task<> mergeOnceSeen(QString id, std::function<bool(const AdapterInfo &)> shows,
                                ReReadPlan plan);
    // Writes a failed change's message, and where the system did not answer, has the card read
    // again until it does.
    void reportFailure(AdapterCardModel *card, const CommandResult &result);
    // Writes a message that only a successful read can replace.
    void reportUntilRead(AdapterCardModel *card, const QString &text);
    // The message refusing a change to a service the system cannot tell from another one,
    // or none.
    std::optional<QString> ambiguousTarget(const AdapterCardModel *card) const;

    static std::optional<AdapterInfo> findRecord(const QList<AdapterInfo> &list, const QString &id);
    void merge(QList<AdapterInfo> list, const QSet<QString> &resetIDs, bool preserveMissing);
    void setCards(QList<AdapterCardModel *> cards);
    void adopt(AdapterCardModel *card);
    void release(AdapterCardModel *card);
    void setLoading(bool loading);
    void setHasLoadedOnce(bool loaded);
    void setStatus(const QString &text, MessageKind kind);
    // Writes the same message on the card and in the status line.
    void report(AdapterCardModel *card, const QString &text, MessageKind kind);

    SystemServices m_services;
    CardListModel *m_cardList = nullptr;
    QList<AdapterCardModel *> m_cards;
    bool m_loading = false;
    QString m_statusText;
    MessageKind m_statusKind = MessageKind::none;
    MainTab m_tab = MainTab::cards;
    int m_draftRevision = 0;
    // One refresh at a time; a second request is dropped, not queued.
    bool m_refreshInFlight = false;
    bool m_hasLoadedOnce = false;
    bool m_applyingProfile = false;
};
