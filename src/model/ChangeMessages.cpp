// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "ChangeMessages.h"

QString ChangeMessages::sharedNameRefusal(const QString &serviceName)
{
    return QStringLiteral("Plusieurs services portent le nom « ") + serviceName +
           QStringLiteral(" » : le système modifierait peut-être l'autre. Renommez l'un d'eux "
                          "dans les réglages Réseau du système, puis réessayez.");
}

QString ChangeMessages::failure(const CommandResult &result, const QString &systemName)
{
    // Say only what is known: that nothing changed only where the request never got through.
    const QString unknownOutcome =
        QStringLiteral(" : on ne sait pas si la modification a été enregistrée. La carte sera "
                       "relue dès qu'il répondra.");
    switch (result.cause) {
    case ChangeCause::cancelled:
        return QStringLiteral("Opération annulée : aucune modification n'a été appliquée.");
    case ChangeCause::refused:
        return QStringLiteral("Autorisation refusée : la configuration n'a pas été modifiée.");
    case ChangeCause::timedOut:
        return systemName + (result.maybeApplied
                                 ? QStringLiteral(" n'a pas répondu à temps") + unknownOutcome
                                 : QStringLiteral(" n'a pas répondu à temps ; rien n'a été "
                                                  "modifié."));
    case ChangeCause::serviceGone:
        return systemName + (result.maybeApplied
                                 ? QStringLiteral(" a cessé de répondre pendant la modification") +
                                       unknownOutcome
                                 : QStringLiteral(" ne répond pas ; rien n'a été modifié."));
    case ChangeCause::invalid:
        // Refused before anything was sent, in the backend's own French sentence.
        if (!result.error.isEmpty())
            return result.error;
        break;
    case ChangeCause::unclassified:
    case ChangeCause::failed:
        break;
    }
    const QString text = result.combined();
    if (!text.isEmpty())
        return QStringLiteral("Échec de la commande réseau : ") + text;
    return QStringLiteral("La commande réseau a échoué (code %1).").arg(result.status);
}

QString ChangeMessages::stillShown(const AdapterInfo &info, bool withDns)
{
    const QString addressing = info.summaryText();
    if (!withDns || !info.enabled)
        return addressing;
    // The kept servers too: the system shows them, and they may be all it has by hand.
    const QStringList byHand = info.dnsServers + info.dnsKept;
    if (!byHand.isEmpty())
        return addressing + QStringLiteral(" ; DNS ") + byHand.join(QStringLiteral(", "));
    return addressing + (info.dhcp ? QStringLiteral(" ; DNS automatiques")
                                   : QStringLiteral(" ; aucun serveur DNS"));
}
