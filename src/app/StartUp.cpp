// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "StartUp.h"

#include "CommandLine.h"
#include "ProfileApply.h"
#include "ProfileFile.h"
#include "ProfileMatching.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QStandardPaths>

#include <cstdio>

namespace {

// A per-user copy of the demo machine, made on first start, so the user's changes persist and
// the installed file stays pristine.
QString userMachinePath(QString *problem)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString path = QDir(folder).filePath(QStringLiteral("machine-simulee.json"));
    if (QFile::exists(path))
        return path;
    if (!QDir().mkpath(folder) ||
        !QFile::copy(QStringLiteral(":/brisvale/demo-machine.json"), path)) {
        *problem = QStringLiteral("impossible de créer la machine simulée « %1 »").arg(path);
        return {};
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    return path;
}

} // namespace

QString StartUp::profilesPath()
{
    const QString asked = qEnvironmentVariable("BRISVALE_PROFILES");
    if (!asked.isEmpty())
        return asked;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("profiles.json"));
}

int StartUp::fail(const QString &message)
{
    std::fprintf(stderr, "brisvale: %s\n", qPrintable(message));
    return usageError;
}

std::optional<SystemServices> StartUp::chosenServices(const QString &simulate,
                                                      bool demoWhenNoSystem, QString *machinePath,
                                                      RealSystem *real, QString *problem)
{
    // A machine asked for is used whatever the system: the probe is not even made.
    const bool simulationRequested = !simulate.isEmpty();
    if (!simulationRequested)
        *real = probeRealSystem();
    if (chooseBackend(real->available, simulationRequested) == Backend::realSystem)
        return realSystemServices();
    if (!simulationRequested && !demoWhenNoSystem) {
        // A script must not take the demo machine for this one.
        *problem = real->absence + QStringLiteral(" Aucun service réel à lister ; --simulate "
                                                  "FICHIER liste une machine simulée.");
        return std::nullopt;
    }
    *machinePath =
        simulationRequested ? QFileInfo(simulate).absoluteFilePath() : userMachinePath(problem);
    if (machinePath->isEmpty())
        return std::nullopt;
    if (!SimulatedMachine::load(*machinePath, problem))
        return std::nullopt;
    // The stand-in programs find the machine through the environment, like every child.
    qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(*machinePath));
    return simulatedServices(*machinePath, SystemTools::simulated());
}

int StartUp::answerInText(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisvale"));
    QCoreApplication::setOrganizationName(QStringLiteral("Brisvale"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISVALE_VERSION));
    QString problem;
    const std::optional<CommandLine::Request> request = CommandLine::read(&problem);
    if (!request)
        return fail(problem);
    using Answer = CommandLine::Request::Answer;
    // The profiles are read before the system: an unreadable file or an unknown name needs no
    // system to be told.
    ProfileFile::Read profiles;
    std::optional<Profile> asked;
    if (request->answer != Answer::list) {
        profiles = ProfileFile::load(profilesPath());
        if (profiles.failed())
            return fail(profiles.problem);
    }
    if (request->answer == Answer::applyProfile) {
        for (const Profile &profile : std::as_const(profiles.profiles)) {
            if (sameProfileName(profile.name, request->profile))
                asked = profile;
        }
        if (!asked)
            return fail(QStringLiteral("aucun profil ne s'appelle « %1 »").arg(request->profile));
    }

    QString machinePath;
    RealSystem real;
    const std::optional<SystemServices> services =
        chosenServices(request->machineFile, false, &machinePath, &real, &problem);
    if (!services)
        return fail(problem);
    if (asked)
        return applyInText(*services, *asked);

    QFuture<AdapterRead> reading = services->readAdapters();
    reading.waitForFinished();
    const AdapterRead read = reading.result();
    if (read.failed())
        return fail(read.failure);
    if (request->answer == Answer::list) {
        std::fputs(serviceListing(read.adapters).toUtf8().constData(), stdout);
        return 0;
    }
    QString listing;
    for (const Profile &profile : std::as_const(profiles.profiles))
        listing += listingField(profile.name) + u'\t' + QString::number(profile.entries.size()) +
                   u'\t' +
                   (ProfileMatching::isActive(profile, read.adapters) ? QStringLiteral("actif")
                                                                      : QStringLiteral("inactif")) +
                   u'\n';
    std::fputs(listing.toUtf8().constData(), stdout);
    return 0;
}

int StartUp::applyInText(const SystemServices &services, const Profile &profile)
{
    QCoro::Task<ProfileOutcome> applying = applyProfile(services, profile);
    const ProfileOutcome outcome = QCoro::waitFor(applying);
    QString text;
    for (const QString &line : outcome.lines)
        text += listingField(line) + u'\n';
    std::fputs(text.toUtf8().constData(), stdout);
    std::fprintf(outcome.result == ProfileResult::applied ? stdout : stderr, "%s\n",
                 qPrintable(outcome.message));
    switch (outcome.result) {
    case ProfileResult::applied:
        return 0;
    case ProfileResult::notStarted:
    case ProfileResult::restored:
        return 1;
    case ProfileResult::restoreFailed:
        break;
    }
    return 3;
}
