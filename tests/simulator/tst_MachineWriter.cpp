// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

#include "MachineLock.h"
#include "NetworkWriter.h"
#include "Shell.h"
#include "SimulatedMachine.h"
#include "SystemTools.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#endif

// Where the environment cannot do what a test needs (mount a file system, own a file as another
// user), the test is skipped; a CI that runs as root says so, and the skip becomes a failure.
#define SKIP_UNLESS_REQUIRED(why)                                                                  \
    do {                                                                                           \
        if (qEnvironmentVariable("BRISVALE_REQUIRE_PRIVILEGED_TESTS") == QLatin1String("1"))       \
            QFAIL(why);                                                                            \
        QSKIP(why);                                                                                \
    } while (false)

namespace {

// A note that makes the file span a few pages, so that a nearly full disk lets a write start
// and then stops it.
QByteArray machineText()
{
    return "{\n  \"note\": \"" + QByteArray(10000, 'x') +
           "\",\n  \"services\": [\n"
           "    { \"UserDefinedName\": \"Ethernet\", \"IPv4\": { \"ConfigMethod\": \"Manual\" } }\n"
           "  ]\n}\n";
}

const SystemTools tools(TestSupport::simRoot());

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct stat statusOf(const QString &path)
{
    struct stat status = {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
}

// Holds the writers' lock on a machine until killed; run as a child of the test.
int holdLock(const char *path)
{
    MachineLock lock(QString::fromLocal8Bit(path));
    QString problem;
    if (!lock.lock(std::chrono::seconds(30), &problem))
        return 1;
    std::fputs("locked\n", stdout);
    std::fflush(stdout);
    for (;;)
        ::pause();
}

} // namespace

class tst_MachineWriter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifdef __linux__
        // Mounts made here belong to this process alone and end with it.
        m_privateMounts = ::unshare(CLONE_NEWNS) == 0 &&
                          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
#endif
    }

    // A fresh file each time: a case may have given it away or made it read-only.
    void init()
    {
        QFile::remove(m_machine);
        write(m_machine, machineText());
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(m_machine));
        qputenv(SimulatedMachine::privilegeVariable, "1");
    }

    // The file stays byte for byte what it was, and the change is reported as failed by both
    // programs of the privileged path.
    void fullDiskKeepsTheFile_data()
    {
        QTest::addColumn<int>("freeKiB");
        QTest::addColumn<bool>("throughOsascript");
        for (const int free : {0, 4, 8}) {
            QTest::addRow("%d KiB free", free) << free << false;
            QTest::addRow("%d KiB free, through osascript", free) << free << true;
        }
    }

    void fullDiskKeepsTheFile()
    {
        QFETCH(int, freeKiB);
        QFETCH(bool, throughOsascript);
        if (!m_privateMounts)
            SKIP_UNLESS_REQUIRED("no private mount namespace here to mount a small tmpfs in");
#ifdef __linux__
        const QString disk = m_dir.filePath("disk");
        QVERIFY(QDir().mkpath(disk));
        const QByteArray mountPoint = QFile::encodeName(disk);
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            SKIP_UNLESS_REQUIRED("cannot mount a tmpfs");
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });

        const QString machine = QDir(disk).filePath("machine.json");
        write(machine, machineText());
        fill(QDir(disk).filePath("filler"), freeKiB);
        qputenv(SimulatedMachine::environmentVariable, QFile::encodeName(machine));

        const QStringList change{"-setdhcp", "Ethernet"};
        const CommandResult result =
            throughOsascript
                ? Shell::run(tools.osascript(), {"-e", NetworkWriter::privilegedScript(change)})
                : Shell::run(tools.networksetup(), change);
        QCOMPARE(result.status, 1);
        QVERIFY2(result.error.contains("networksetup: Machine simulée « " + machine +
                                       " » non modifiée : écriture impossible"),
                 qPrintable(result.error));
        QCOMPARE(contents(machine), machineText());
        // Nothing half-written is left beside it either.
        QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"filler", "machine.json"}));
#endif
    }

    // A change keeps the file's owner and mode. Root may write anything, but a file made
    // read-only was made so on purpose: it is never replaced.
    void ownerAndModeAreKept_data()
    {
        QTest::addColumn<uint>("owner"); // changed only when it is not the test's own
        QTest::addColumn<uint>("mode");
        QTest::newRow("own, private") << uint(::geteuid()) << 0600u;
        QTest::newRow("own, group may write") << uint(::geteuid()) << 0664u;
        QTest::newRow("another user's, group may write") << 65534u << 0664u;
        QTest::newRow("another user's, others may read") << 65534u << 0646u;
        QTest::newRow("read-only") << uint(::geteuid()) << 0444u;
    }

    void ownerAndModeAreKept()
    {
        QFETCH(uint, owner);
        QFETCH(uint, mode);
        const QByteArray path = QFile::encodeName(m_machine);
        if (owner != ::geteuid() && ::chown(path.constData(), owner, owner) != 0)
            SKIP_UNLESS_REQUIRED("only root can give a file to another user");
        QCOMPARE(::chmod(path.constData(), mode), 0);

        const CommandResult result = Shell::run(tools.networksetup(), {"-setdhcp", "Ethernet"});
        const bool readOnly = (mode & 0222) == 0;
        QCOMPARE(result.status, readOnly ? 1 : 0);
        QVERIFY2(!readOnly ||
                     result.error.contains("non modifiée : le fichier est en lecture seule"),
                 qPrintable(result.output + result.error));
        QCOMPARE(contents(m_machine) == machineText(), readOnly);
        const struct stat after = statusOf(m_machine);
        QCOMPARE(uint(after.st_uid), owner);
        QCOMPARE(after.st_mode & 07777, mode_t(mode));
    }

    // The kernel releases the lock with the process: the next writer never waits for a lock
    // that nobody holds any more, and no lock file is left to recognise as stale.
    void killedWriterReleasesTheLock()
    {
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold-lock", m_machine});
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readLine(), QByteArray("locked\n"));
        QString problem;
        QVERIFY(!MachineLock(m_machine).tryLock(&problem));

        holder.kill();
        QVERIFY(holder.waitForFinished(30000));
        QVERIFY2(MachineLock(m_machine).tryLock(&problem), qPrintable(problem));
        const CommandResult result = Shell::run(tools.networksetup(), {"-setdhcp", "Ethernet"});
        QVERIFY2(result.status == 0, qPrintable(result.output + result.error));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"machine.json"});
    }

    // Killed at any moment of a change, a writer leaves the old file or the new one, whole, and
    // the lock free.
    void writersKilledAtAnyMoment()
    {
        QRandomGenerator random(14);
        for (int round = 0; round < 30; ++round) {
            QProcess writer;
            writer.start(tools.networksetup(),
                         {"-setmanual", "Ethernet", "10.0.0." + QString::number(round), "255.0.0.0",
                          "0.0.0.0"});
            QVERIFY(writer.waitForStarted());
            ::usleep(random.bounded(4000));
            writer.kill();
            QVERIFY(writer.waitForFinished(30000));

            QString problem;
            QVERIFY2(MachineLock(m_machine).tryLock(&problem), qPrintable(problem));
            QVERIFY2(SimulatedMachine::load(m_machine, &problem), qPrintable(problem));
        }
        const CommandResult result = Shell::run(tools.networksetup(), {"-setdhcp", "Ethernet"});
        QVERIFY2(result.status == 0, qPrintable(result.output + result.error));
    }

private:
    static void write(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(text), text.size());
    }

    // Fills the disk of path until freeKiB are left.
    static void fill(const QString &path, int freeKiB)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        const QByteArray page(4096, '\0');
        off_t size = 0;
        while (::write(fd, page.constData(), size_t(page.size())) == page.size())
            size += page.size();
        QCOMPARE(::ftruncate(fd, size - freeKiB * 1024), 0);
        ::close(fd);
    }

    QTemporaryDir m_dir;
    const QString m_machine = m_dir.filePath("machine.json");
    bool m_privateMounts = false;
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argv[2]);
    QCoreApplication app(argc, argv);
    tst_MachineWriter test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_MachineWriter.moc"
