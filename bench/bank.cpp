// The bank's big operations against plain reads and writes of the same files,
// on generated subjects of 10,000, 100,000 and 1,000,000 answer options:
// opening the editor (its four tables), storing the answer table, the
// whole-subject exam draw and starting a topic. Each operation and its
// baseline run in child processes of their own: the time is that of the first
// run in a fresh process (the fastest of three processes), so both pay alike
// for memory the process has never used; the run is then repeated twice, and
// the memory is the child's peak above its size at the start over all three,
// which shows whether a reopen grows.
#include "bankgen.h"
#include "editor.h"
#include "editortables.h"
#include "forked.h"
#include "programstate.h"
#include "runmodel.h"
#include "text.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace
{

// A plain write: the bytes to a new file and on to the disk.
void plainWrite(const QString &path, const QByteArray &bytes)
{
    const int fd = open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || fdatasync(fd) != 0)
        throw 1;
    close(fd);
}

void report(benchmark::State &state, const Measured &op, const Measured &plain, qint64 bytes)
{
    if (!op.ok || !plain.ok) {
        state.SkipWithError("the operation or its baseline failed");
        return;
    }
    state.counters["options"] = double(state.range(0));
    state.counters["file_bytes"] = double(bytes);
    state.counters["plain_s"] = plain.seconds;
    state.counters["op_s"] = op.seconds;
    state.counters["ratio"] = op.seconds / plain.seconds;
    state.counters["again_ratio"] = op.againSeconds / plain.againSeconds;
    state.counters["peak_KiB"] = op.peakKiB;
    state.counters["memory_ratio"] = op.peakKiB * 1024 / double(bytes);
}

template <class Op> void measure(benchmark::State &state, const std::vector<const char *> &names, Op op)
{
    const Bank &bank = bankOf(int(state.range(0)));
    std::vector<QString> files;
    qint64 bytes = 0;
    for (const char *n : names) {
        files.push_back(bank.file(n));
        bytes += QFileInfo(files.back()).size();
    }
    Measured plain, done;
    for (auto _ : state) {
        keepBest(plain, inChild(
                            3, [] {}, [&] { plainRead(files); }));
        keepBest(done, op(bank));
        state.SetIterationTime(done.seconds);
    }
    report(state, done, plain, bytes);
}

void BM_EditorOpen(benchmark::State &state)
{
    measure(state, {"Predmet.dat", "Tema.dat", "Wopros.dat", "Otwet.dat"}, [](const Bank &bank) {
        BankTables t;
        return inChild(
            3, [] {}, [&] { loadEditorTables(BankFiles(bank.folder()), t); });
    });
}

void BM_ExamDraw(benchmark::State &state)
{
    measure(state, {"Exam.dat", "Wopros.dat", "Otwet.dat"}, [](const Bank &bank) {
        RunModel run;
        StringTable topics(fileKindOf<TemaRec>());
        return inChild(
            3,
            [&] {
                glo().TekPapka = bank.folder();
                glo().LimitWopr = 1000;
                topics.setDataRecords(BankFiles(bank.folder()).tema.readRecords());
                run.setTopics(topics);
            },
            [&] {
                run.begin(true, 0);
                run.startExam(BankFiles(bank.folder()), 0);
            });
    });
}

void BM_StartTopic(benchmark::State &state)
{
    measure(state, {"Wopros.dat", "Otwet.dat"}, [](const Bank &bank) {
        RunModel run;
        return inChild(
            3,
            [&] {
                glo().TekPapka = bank.folder();
                glo().LimitWopr = 1000;
            },
            [&] {
                run.begin(false, 0);
                run.startTopic(BankFiles(bank.folder()), QStringLiteral("12"), QStringLiteral("2"), 0);
            });
    });
}

// Storing the whole answer table against writing its bytes to a new file.
void BM_StoreAnswers(benchmark::State &state)
{
    const Bank &bank = bankOf(int(state.range(0)));
    const QString otwet = bank.file("Otwet.dat"), copy = bank.file("plain-write.dat");
    Measured plain, done;
    for (auto _ : state) {
        QByteArray bytes;
        keepBest(plain, inChild(
                            3, [&] { bytes = BankFiles(bank.folder()).otwet.readRecords(); },
                            [&] { plainWrite(copy, bytes); }));
        BankTables t;
        keepBest(done, inChild(
                           3, [&] { loadEditorTables(BankFiles(bank.folder()), t); },
                           [&] { saveAnswers(BankFiles(bank.folder()).otwet, t.OtwTabl); }));
        state.SetIterationTime(done.seconds);
    }
    QFile::remove(copy);
    report(state, done, plain, QFileInfo(otwet).size());
}

#define BANK_SIZES(bm)                                                                                                 \
    BENCHMARK(bm)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->UseManualTime()->Iterations(3)->Unit(                    \
        benchmark::kMillisecond)
BANK_SIZES(BM_EditorOpen);
BANK_SIZES(BM_StoreAnswers);
BANK_SIZES(BM_ExamDraw);
BANK_SIZES(BM_StartTopic);

} // namespace

BENCHMARK_MAIN();
