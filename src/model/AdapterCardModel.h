// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#pragma once

#include "AdapterInfo.h"
#include "CardMessage.h"
#include "Profile.h"

#include <QObject>

#include <optional>

// One adapter card: the latest record read from the system beside an editable draft of its
// IPv4 configuration and DNS servers, validated live, with a router that follows the address and
// mask until the user takes it over. Never talks to the system itself; main thread only.
class AdapterCardModel : public QObject {
    Q_OBJECT

    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(AdapterInfo info READ info NOTIFY infoChanged)
    Q_PROPERTY(Kinds::ConfigMode mode READ mode NOTIFY modeChanged)
    Q_PROPERTY(QString ip READ ip WRITE setIp NOTIFY ipChanged)
    Q_PROPERTY(QString mask READ mask WRITE setMask NOTIFY maskChanged)
    Q_PROPERTY(QString router READ router WRITE setRouter NOTIFY routerChanged)
    Q_PROPERTY(QString dns READ dns WRITE setDns NOTIFY dnsChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool showErrors READ showErrors NOTIFY showErrorsChanged)
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)
    Q_PROPERTY(
        Kinds::MessageKind messageKind READ messageKind WRITE setMessageKind NOTIFY messageChanged)

    // Derived from the above; recomputed whenever any of it changes.
    Q_PROPERTY(bool canEdit READ canEdit NOTIFY derivedChanged)
    Q_PROPERTY(bool canTest READ canTest NOTIFY derivedChanged)
    Q_PROPERTY(bool isDirty READ isDirty NOTIFY derivedChanged)
    Q_PROPERTY(QString hintText READ hintText NOTIFY derivedChanged)
    Q_PROPERTY(QString ipError READ ipErrorText NOTIFY derivedChanged)
    Q_PROPERTY(QString maskError READ maskErrorText NOTIFY derivedChanged)
    Q_PROPERTY(QString routerError READ routerErrorText NOTIFY derivedChanged)
    Q_PROPERTY(QString dnsError READ dnsErrorText NOTIFY derivedChanged)
    Q_PROPERTY(QString dnsPlaceholder READ dnsPlaceholder NOTIFY derivedChanged)
    Q_PROPERTY(CardMessage displayMessage READ displayMessageOrEmpty NOTIFY derivedChanged)

public:
    explicit AdapterCardModel(const AdapterInfo &info, QObject *parent = nullptr);

    QString id() const { return m_id; }
    AdapterInfo info() const { return m_info; }
    ConfigMode mode() const { return m_mode; }
    QString ip() const { return m_ip; }
    QString mask() const { return m_mask; }
    QString router() const { return m_router; }
    QString dns() const { return m_dns; }
    bool busy() const { return m_busy; }
    bool showErrors() const { return m_showErrors; }
    QString message() const { return m_message; }
    MessageKind messageKind() const { return m_messageKind; }

    void setIp(const QString &ip);
    void setMask(const QString &mask);
    void setRouter(const QString &router);
    void setDns(const QString &dns);
    void setBusy(bool busy);
    void setShowErrors(bool showErrors);
    void setMessage(const QString &message);
    void setMessageKind(MessageKind kind);
    // Whether the message speaks of a system that could not be read or did not answer: the
    // next read that finds the service tells more, and clears it.
    bool messageAwaitsRead() const { return m_messageAwaitsRead; }
    void setMessageAwaitsRead() { m_messageAwaitsRead = true; }

    bool canEdit() const;
    // Whether Tester may start: the service is on, idle and has an address (a malformed one is
    // for the test to report).
    bool canTest() const;
    bool isDirty() const;
    QString hintText() const;
    std::optional<QString> ipError() const;
    std::optional<QString> maskError() const;
    std::optional<QString> routerError() const;
    std::optional<QString> dnsError() const;
    // The servers of the draft in their canonical dotted form, in order; an entry that does not
    // parse stays as typed.
    QStringList dnsServers() const;
    // Whether the draft's servers differ from those the service has by hand.
    bool dnsEdited() const;
    // What the empty field stands for: the servers DHCP gives, or none.
    QString dnsPlaceholder() const;
    std::optional<CardMessage> displayMessage() const;

    // The draft as a profile's entry: the service's identity, on as the service is, and the
    // state the fields ask for, addresses in their canonical form where they parse.
    ProfileEntry draftEntry() const;
    // Puts an entry's addressing and servers into the draft, as if the user had typed them.
    void loadEntry(const ProfileEntry &entry);

    // The user picked a position of the mode control.
    Q_INVOKABLE void changeMode(Kinds::ConfigMode mode);
    // Discards the draft and reloads it from the record.
    Q_INVOKABLE void resetDraft();
    // A newer record of the same service; reset when the caller confirmed it and wants the
    // draft reloaded.
    void update(const AdapterInfo &info, bool reset);
    // A read found the service: a message that waited for one has had its answer.
    void seenByRead();

signals:
    void infoChanged();
    void modeChanged();
    void ipChanged();
    void maskChanged();
    void routerChanged();
    void dnsChanged();
    void busyChanged();
    void showErrorsChanged();
    void messageChanged();
    void derivedChanged();

private:
    QString ipErrorText() const { return ipError().value_or(QString()); }
    QString maskErrorText() const { return maskError().value_or(QString()); }
    QString routerErrorText() const { return routerError().value_or(QString()); }
    QString dnsErrorText() const { return dnsError().value_or(QString()); }
    CardMessage displayMessageOrEmpty() const { return displayMessage().value_or(CardMessage()); }

    void setMode(ConfigMode mode);
    void setInfo(const AdapterInfo &info);
    void setRouterInternally(const QString &router);
    void loadDraftFromInfo();
    void clearMessage();
    void refreshSuggestedGateway();

    const QString m_id;
    AdapterInfo m_info;
    ConfigMode m_mode;
    QString m_ip;
    QString m_mask;
    QString m_router;
    QString m_dns;
    bool m_busy = false;
    bool m_showErrors = false;
    QString m_message;
    MessageKind m_messageKind = MessageKind::info;
    bool m_messageAwaitsRead = false;

    // The manual draft holds values worth keeping: switching to manual does not seed it again.
    bool m_hasManualDraft;
    // The router holds the card's own suggestion.
    bool m_gatewayIsSuggested = false;
    // The router holds the system's router from when the user switched to manual.
    bool m_gatewayIsInherited = false;
    // The user emptied the router: it stays empty.
    bool m_userClearedGateway = false;
    // Around the card's own writes to the router, which are not the user's.
    bool m_isSettingRouterInternally = false;
};
