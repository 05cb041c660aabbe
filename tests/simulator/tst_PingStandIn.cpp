#include "platform/simulated/SimulatedMachine.h"
#include "support/TestSupport.h"
#include "system/Shell.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// en0 is the one path to "bureau"; en2 (disabled) and en3 (unplugged) sit on the same network
// and must not open it. Wi-Fi waits for a lease that never comes during the test. The router
// of "atelier" is not among its hosts.
const char *const machineText =
    "{ \"pingDelayMs\": 0, \"services\": ["
    "  { \"Interface\": { \"DeviceName\": \"en0\" }, \"IPv4\": { \"ConfigMethod\": \"Manual\","
    "    \"Addresses\": [\"192.168.1.20\"], \"SubnetMasks\": [\"255.255.255.0\"] } },"
    "  { \"Interface\": { \"DeviceName\": \"en1\" }, \"IPv4\": { \"ConfigMethod\": \"DHCP\" },"
    "    \"ChangedAt\": \"%1\" },"
    "  { \"Interface\": { \"DeviceName\": \"en2\" }, \"Enabled\": false,"
    "    \"IPv4\": { \"ConfigMethod\": \"Manual\", \"Addresses\": [\"192.168.1.50\"] } },"
    "  { \"Interface\": { \"DeviceName\": \"en3\" },"
    "    \"IPv4\": { \"ConfigMethod\": \"Manual\", \"Addresses\": [\"192.168.1.60\"] } },"
    "  { \"Interface\": { \"DeviceName\": \"en4\" }, \"IPv4\": { \"ConfigMethod\": \"Manual\","
    "    \"Addresses\": [\"10.0.0.2\"], \"Router\": \"10.0.0.1\" } } ],"
    "  \"devices\": { \"en0\": { \"network\": \"bureau\" }, \"en2\": { \"network\": \"bureau\" },"
    "    \"en1\": { \"network\": \"maison\", \"lease\": \"192.168.0.42\" },"
    "    \"en3\": { \"link\": \"inactive\", \"network\": \"bureau\" },"
    "    \"en4\": { \"network\": \"atelier\" } },"
    "  \"networks\": {"
    "    \"bureau\": { \"subnet\": \"192.168.1.0/24\", \"router\": \"192.168.1.1\","
    "      \"hosts\": [\"192.168.1.10\"] },"
    "    \"maison\": { \"subnet\": \"192.168.0.0/24\", \"router\": \"192.168.0.254\","
    "      \"dhcp\": { \"delayMs\": 3600000, \"first\": \"192.168.0.10\", \"last\": "
    "\"192.168.0.99\" },"
    "      \"hosts\": [\"192.168.0.254\"] },"
    "    \"atelier\": { \"subnet\": \"10.0.0.0/24\", \"router\": \"10.0.0.1\", \"routerDown\": "
    "true,"
    "      \"hosts\": [\"10.0.0.9\"] } } }";

// The machine, its Wi-Fi changed just now.
QJsonObject machine()
{
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    return QJsonDocument::fromJson(QString(machineText).arg(now).toUtf8()).object();
}

const QString usage =
    QStringLiteral("usage: ping [-nq] [-b boundif] [-c count] [-W waittime] host\n");

// Who answers; the machine itself answers much faster than a host across a network.
enum class Reply { none, self, host };

CommandResult ping(const QStringList &arguments)
{
    return Shell::run(TestSupport::simRoot() + QStringLiteral("/sbin/ping"), arguments);
}

// The command line exactly as the application sends it.
QStringList appArguments(const QString &device, const QString &address)
{
    QStringList arguments{"-n", "-c", "3", "-W", "1200"};
    if (!device.isEmpty())
        arguments << "-b" << device;
    return arguments << address;
}

} // namespace

Q_DECLARE_METATYPE(Reply)

class tst_PingStandIn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(!machine().isEmpty());
        m_machine = TestSupport::writeMachine(m_dir, machine());
    }

    void init() { qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(m_machine)); }

    void replies_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("address");
        QTest::addColumn<Reply>("reply");
        const auto row = [](const char *name, const char *device, const char *address,
                            Reply reply) {
            QTest::newRow(name) << QString(device) << QString(address) << reply;
        };

        row("own address, unbound", "", "192.168.1.20", Reply::self);
        row("own address, bound", "en0", "192.168.1.20", Reply::self);
        row("own address, other device", "en4", "192.168.1.20", Reply::none);
        row("router, not listed among the hosts", "en0", "192.168.1.1", Reply::host);
        row("router marked down", "en4", "10.0.0.1", Reply::none);
        row("host, unbound", "", "192.168.1.10", Reply::host);
        row("host, bound", "en4", "10.0.0.9", Reply::host);
        row("host of another device", "en4", "192.168.1.10", Reply::none);
        row("unknown address", "en0", "192.168.1.99", Reply::none);
        row("disabled service", "", "192.168.1.50", Reply::none);
        row("host through a disabled service", "en2", "192.168.1.10", Reply::none);
        row("inactive link", "", "192.168.1.60", Reply::none);
        row("host through an inactive link", "en3", "192.168.1.10", Reply::none);
        row("DHCP before its lease: lease", "", "192.168.0.42", Reply::none);
        row("DHCP before its lease: router", "en1", "192.168.0.254", Reply::none);
        row("loopback, unbound", "", "127.0.0.1", Reply::self);
        row("loopback, whole block", "", "127.8.9.10", Reply::self);
        row("loopback, bound to lo0", "lo0", "127.0.0.1", Reply::self);
        row("loopback, bound elsewhere", "en0", "127.0.0.1", Reply::none);
        row("own address, bound to lo0", "lo0", "192.168.1.20", Reply::none);
    }

    void replies()
    {
        QFETCH(QString, device);
        QFETCH(QString, address);
        QFETCH(Reply, reply);
        const bool answered = reply != Reply::none;

        const CommandResult result = ping(appArguments(device, address));
        QCOMPARE(result.status, answered ? 0 : 2);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.output.section(u'\n', 0, 0),
                 QStringLiteral("PING %1 (%1): 56 data bytes").arg(address));
        QVERIFY2(result.output.contains(
                     QStringLiteral("\n\n--- %1 ping statistics ---\n3 packets "
                                    "transmitted, %2 packets received, %3% "
                                    "packet loss\n")
                         .arg(address, answered ? "3" : "0", answered ? "0.0" : "100.0")),
                 qPrintable(result.output));
        // The last lost request is only counted, as on macOS.
        QCOMPARE(result.output.count(QStringLiteral("Request timeout for icmp_seq ")),
                 answered ? 0 : 2);
        QCOMPARE(result.output.count(QStringLiteral(" bytes from ")), answered ? 3 : 0);

        const QRegularExpression roundTrip(QStringLiteral(
            "\nround-trip min/avg/max/stddev = ([0-9.]+)/([0-9.]+)/([0-9.]+)/([0-9.]+) ms\n$"));
        const QRegularExpressionMatch match = roundTrip.match(result.output);
        QCOMPARE(match.hasMatch(), answered);
        if (answered) {
            const double min = match.captured(1).toDouble();
            const double max = match.captured(3).toDouble();
            QVERIFY(min <= match.captured(2).toDouble() && match.captured(2).toDouble() <= max);
            QVERIFY2(reply == Reply::self ? max < 0.1 : min >= 0.3 && max <= 3.0,
                     qPrintable(result.output));
        }
        QCOMPARE(ping(appArguments(device, address)), result);
    }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("packets"); // found on standard output, none when empty
        const auto row = [](const char *name, const QStringList &arguments, int status,
                            const QString &error, const QString &packets = {}) {
            QTest::newRow(name) << arguments << status << error << packets;
        };

        row("attached count", {"-c2", "127.0.0.1"}, 0, {}, "2 packets transmitted, 2 packets");
        row("grouped flags, quiet", {"-nqc2", "192.168.1.1"}, 0, {},
            "56 data bytes\n\n--- 192.168.1.1 ping statistics ---\n2 packets transmitted, 2");
        row("options in another order", {"-b", "en0", "-W", "1200", "-c", "1", "192.168.1.1"}, 0,
            {}, "1 packets transmitted, 1 packets received");
        row("unknown option", {"-x", "-c", "1", "127.0.0.1"}, 64,
            "ping: invalid option -- x\n" + usage);
        row("option after the address", {"127.0.0.1", "-c"}, 64, usage);
        row("missing operand", {"-n", "-c", "1"}, 64, usage);
        row("extra operand", {"-c", "1", "127.0.0.1", "127.0.0.2"}, 64, usage);
        row("count without value", {"-n", "-c"}, 64,
            "ping: option requires an argument -- c\n" + usage);
        row("zero count", {"-c", "0", "127.0.0.1"}, 64,
            "ping: invalid count of packets to transmit: `0'\n");
        row("count not a number", {"-c", "3x", "127.0.0.1"}, 64,
            "ping: invalid count of packets to transmit: `3x'\n");
        row("bad address", {"-c", "1", "192.168.1"}, 68,
            "ping: cannot resolve 192.168.1: Unknown host\n");
        row("bad interface name", {"-c", "1", "-b", "en9", "192.168.1.1"}, 1,
            "ping: bad interface name\n");
    }

    void arguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        QFETCH(QString, packets);

        const CommandResult result = ping(arguments);
        QCOMPARE(result.status, status);
        QCOMPARE(result.error, error);
        if (packets.isEmpty())
            QCOMPARE(result.output, QString());
        else
            QVERIFY2(result.output.contains(packets), qPrintable(result.output));
    }

    // Each request takes the machine's delay and no more: the reply wait is never spent.
    void pacedByTheMachineDelay()
    {
        QJsonObject root = machine();
        root.insert("pingDelayMs", 200);
        qputenv(SimulatedMachine::environmentVariable,
                QFile::encodeName(TestSupport::writeMachine(m_dir, root, "slow.json")));
        QElapsedTimer timer;
        timer.start();
        const CommandResult result =
            ping({"-n", "-c", "3", "-W", "10000", "-b", "en0", "192.168.1.99"});
        QCOMPARE(result.status, 2);
        QCOMPARE_GE(timer.elapsed(), 580);
        QCOMPARE_LT(timer.elapsed(), 5000);
    }

private:
    QTemporaryDir m_dir;
    QString m_machine;
};

QTEST_GUILESS_MAIN(tst_PingStandIn)
#include "tst_PingStandIn.moc"
