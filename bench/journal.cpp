// The results journal of a school after years of use: 100,000 results written
// one by one to the embedded database, as runs end, and the journal window's
// model opened on them (count and first page), unfiltered and filtered.
#include "journal.h"
#include "resultsmodel.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUuid>
#include <benchmark/benchmark.h>

#include <memory>

namespace
{
constexpr int resultCount = 100000;

RunResult resultNumber(int i)
{
    RunResult r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.pupil = QStringLiteral("Ученик %1 класса %2").arg(i % 600).arg(5 + i % 7);
    r.userCode = QString::number(100000 + i % 40);
    r.access = QStringLiteral("W");
    r.host = QStringLiteral("KLASS-%1").arg(i % 30);
    r.subject = QStringLiteral("Предмет %1").arg(i % 12);
    r.topic = QStringLiteral("Тема %1").arg(i % 40);
    r.started = QDateTime(QDate(2020, 9, 1), QTime(8, 0)).addSecs(qint64(i) * 1800);
    r.seconds = 300 + i % 1200;
    r.asked = 5;
    r.answered = 5;
    r.right = i % 6;
    r.pointsPossible = 10;
    r.pointsEarned = 2 * (i % 6);
    r.grade = QString::number(2 + i % 4);
    r.runningGrade = r.grade;
    for (int q = 0; q < 5; ++q)
        r.questions.push_back({QStringLiteral("1_%1_1_%2").arg(i % 40).arg(q + 1), QStringLiteral("Точный ответ"), 2,
                               q < r.right ? 2 : 0, true, q < r.right, 0, 30 + q});
    return r;
}

struct Filled {
    QTemporaryDir dir;
    JournalSettings settings = JournalSettings::load(QDir(dir.path()).filePath("Baza"));
};

Filled &filled()
{
    static std::unique_ptr<Filled> f;
    if (!f) {
        f = std::make_unique<Filled>();
        Journal j(f->settings);
        for (int i = 0; i < resultCount; ++i)
            if (j.record(resultNumber(i)) != Journal::Recorded::InJournal)
                std::abort();
    }
    return *f;
}

void BM_Write100000Results(benchmark::State &state)
{
    for (auto _ : state)
        filled();
    state.counters["results"] = resultCount;
}
BENCHMARK(BM_Write100000Results)->Iterations(1)->Unit(benchmark::kSecond);

void BM_OpenModelFirstPage(benchmark::State &state)
{
    Journal j(filled().settings);
    for (auto _ : state) {
        ResultsModel m(j);
        if (m.totalCount() != resultCount || m.rowCount() != ResultsModel::pageSize)
            std::abort();
        benchmark::DoNotOptimize(m.data(m.index(0, 0)));
    }
}
BENCHMARK(BM_OpenModelFirstPage)->Unit(benchmark::kMillisecond);

void BM_OpenModelFilteredByPupil(benchmark::State &state)
{
    Journal j(filled().settings);
    ResultFilter f;
    f.pupil = QStringLiteral("ученик 42 ");
    f.subject = QStringLiteral("Предмет 6");
    for (auto _ : state) {
        ResultsModel m(j);
        m.setFilter(f);
        benchmark::DoNotOptimize(m.rowCount());
    }
}
BENCHMARK(BM_OpenModelFilteredByPupil)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
