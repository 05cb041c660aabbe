// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// The reader's link status, from whatever ifconfig prints. The reader runs the program itself,
// so each input goes through a stand-in ifconfig that prints it, on a machine with one enabled
// service. Where the output is unambiguous the answer is known: one "status:" line decides, and
// no status line at all counts as up (a bridge prints none).

#include "FuzzTarget.h"
#include "adapters/NetworkReader.h"
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/SimulatedStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace {

QTemporaryDir &scratch()
{
    static QTemporaryDir folder;
    return folder;
}

QString inputPath()
{
    return scratch().filePath(QStringLiteral("input"));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("fuzz: cannot write %s", qPrintable(path));
}

// What the output must give, when it says so without doubt.
std::optional<bool> expectedLink(const QByteArray &input)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(input);
    // Whether a bad byte may hide a valid status line is the decoder's business (Shell); only
    // valid text has a known answer here.
    if (decoder.hasError() || text.contains(QChar(0)))
        return std::nullopt;
    const qsizetype mentions = text.count(QLatin1String("status"));
    if (mentions == 0)
        return true;
    if (mentions > 1)
        return std::nullopt;
    for (const QString &line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed == QLatin1String("status: active"))
            return true;
        if (trimmed == QLatin1String("status: inactive"))
            return false;
    }
    return std::nullopt;
}

} // namespace

QList<QByteArray> Fuzz::seeds()
{
    const QByteArray block =
        "en0: flags=8863<UP,BROADCAST,SMART,RUNNING,SIMPLEX,MULTICAST> mtu 1500\n"
        "\toptions=6463<RXCSUM,TXCSUM,TSO4,TSO6,CHANNEL_IO,PARTIAL_CSUM,ZEROINVERT_CSUM>\n"
        "\tether 3c:22:fb:10:20:30\n"
        "\tinet 192.168.1.20 netmask 0xffffff00 broadcast 192.168.1.255\n"
        "\tnd6 options=201<PERFORMNUD,DAD>\n";
    return {block + "\tmedia: autoselect (1000baseT <full-duplex>)\n\tstatus: active\n",
            block + "\tmedia: autoselect (none)\n\tstatus: inactive\n", block,
            "bridge0: flags=8863<UP,BROADCAST,SMART,RUNNING,SIMPLEX,MULTICAST> mtu 1500\n"
            "\tConfiguration:\n\t\tid 0:0:0:0:0:0 priority 0 hellotime 0 fwddelay 0\n"};
}

QList<QByteArray> Fuzz::dictionary()
{
    return {
        "\tstatus: active\n", "\tstatus: inactive\n", "status:", " active", "\xff", "\xc3", "\r\n",
        "\xef\xbb\xbf"};
}

void Fuzz::setUp()
{
    const QString machine = scratch().filePath(QStringLiteral("machine.json"));
    writeFile(machine, R"({ "services": [ { "ServiceID": "S", "UserDefinedName": "Ethernet",
        "Interface": { "DeviceName": "en0", "Type": "Ethernet" },
        "IPv4": { "ConfigMethod": "Manual", "Addresses": ["10.0.0.2"] } } ],
        "devices": { "en0": {} } })");
    qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(machine));
    qputenv("BRISVALE_FUZZ_INPUT", QFile::encodeName(inputPath()));
    const QString ifconfig = scratch().filePath(QStringLiteral("root/sbin/ifconfig"));
    QDir().mkpath(QFileInfo(ifconfig).path());
    writeFile(ifconfig, "#!/bin/sh\nexec cat \"$BRISVALE_FUZZ_INPUT\"\n");
    QFile::setPermissions(ifconfig, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void Fuzz::check(const QByteArray &input)
{
    writeFile(inputPath(), input);
    SimulatedStore store(QFile::decodeName(qgetenv(SimulatedMachine::environmentVariable)));
    const QList<AdapterInfo> adapters =
        NetworkReader::readOnce(store, SystemTools(scratch().filePath(QStringLiteral("root"))));
    FUZZ_CHECK(adapters.size() == 1, input);
    if (const std::optional<bool> up = expectedLink(input))
        FUZZ_CHECK(adapters.first().connected == *up, input);
}
