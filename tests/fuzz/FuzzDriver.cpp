// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Brisvale contributors

// Runs a fuzz target. Without libFuzzer: a fixed number of inputs made from the target's seeds
// by random mutations from a fixed seed, so that `make test` runs the same cases every time in
// seconds; BRISVALE_FUZZ_CASES and BRISVALE_FUZZ_SEED run more, or others, by hand, and files
// given as arguments are run as they are (to replay an input). With -DBRISVALE_LIBFUZZER=ON
// (clang), libFuzzer drives the same target.

#include "FuzzTarget.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <cstdint>

namespace {

// Bytes that parsers treat specially more often than others.
const QByteArray interestingBytes =
    QByteArray("\0\x01\x7f\x80\xbf\xc3\xe2\xff\"\\{}[]:,.-+0123456789eE\n\r\t ", 36);

class Mutator {
public:
    Mutator(quint32 seed, QList<QByteArray> seeds, QList<QByteArray> dictionary)
        : m_random(seed)
        , m_seeds(std::move(seeds))
        , m_dictionary(std::move(dictionary))
    {
    }

    QByteArray next()
    {
        QByteArray input = pick(m_seeds);
        // Mostly one or two changes: more would break nearly every structured input at its
        // first stage, and the deeper stages would see too few cases.
        int mutations = 1;
        while (mutations < 8 && m_random.bounded(2) == 0)
            ++mutations;
        for (int i = 0; i < mutations; ++i)
            mutate(input);
        // Keeps every case fast; the parsers' own size limits are checked by the unit tests.
        input.truncate(64 * 1024);
        return input;
    }

private:
    QByteArray pick(const QList<QByteArray> &list)
    {
        return list.isEmpty() ? QByteArray()
                              : list.at(qsizetype(m_random.bounded(quint32(list.size()))));
    }

    qsizetype position(const QByteArray &input, int extra = 0)
    {
        return qsizetype(m_random.bounded(quint32(input.size() + extra)));
    }

    void mutate(QByteArray &input)
    {
        // Inserting tokens comes first and most often: it makes the inputs that reach past a
        // parser's first stage. Cutting the end off is left out: the seeds cover truncation.
        switch (m_random.bounded(input.isEmpty() ? 2 : 7)) {
        case 0:
            if (!m_dictionary.isEmpty()) {
                input.insert(position(input, 1), pick(m_dictionary));
                break;
            }
            Q_FALLTHROUGH();
        case 1:
            input.insert(position(input, 1), interestingBytes.at(position(interestingBytes)));
            break;
        case 2:
            input[position(input)] ^= char(1u << m_random.bounded(8));
            break;
        case 3:
            input[position(input)] = m_random.bounded(2)
                                         ? char(m_random.bounded(256))
                                         : interestingBytes.at(position(interestingBytes));
            break;
        case 4: // splice in a piece of another seed
        {
            const QByteArray other = pick(m_seeds);
            input.insert(position(input, 1), other.mid(position(other, 1), 16));
            break;
        }
        case 5: // remove a range
            input.remove(position(input), 1 + position(input) / 4);
            break;
        default: // repeat a range
        {
            const qsizetype from = position(input);
            const QByteArray piece = input.mid(from, 1 + position(input.mid(from)) / 4);
            input.insert(from, piece.repeated(1 + int(m_random.bounded(4))));
            break;
        }
        }
    }

    QRandomGenerator m_random;
    QList<QByteArray> m_seeds;
    QList<QByteArray> m_dictionary;
};

int environmentNumber(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value >= 0 ? value : fallback;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Fuzz::check(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}

#ifndef BRISVALE_LIBFUZZER
int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    const QStringList files = QCoreApplication::arguments().mid(1);
    if (!files.isEmpty()) {
        for (const QString &path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "fuzz: cannot read %s\n", qPrintable(path));
                return 1;
            }
            Fuzz::check(file.readAll());
        }
        return 0;
    }

    const int cases = environmentNumber("BRISVALE_FUZZ_CASES", BRISVALE_FUZZ_DEFAULT_CASES);
    const quint32 seed = quint32(environmentNumber("BRISVALE_FUZZ_SEED", 14));
    const QList<QByteArray> seeds = Fuzz::seeds();
    for (const QByteArray &input : seeds)
        Fuzz::check(input);
    Mutator mutator(seed, seeds, Fuzz::dictionary());
    for (int i = 0; i < cases; ++i)
        Fuzz::check(mutator.next());
    std::printf("%s: %lld seeds and %d mutated inputs (seed %u), no fault\n",
                qPrintable(QCoreApplication::applicationName()),
                static_cast<long long>(seeds.size()), cases, seed);
    return 0;
}
#endif
