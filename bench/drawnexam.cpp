// The reliability of a whole-subject exam on simulated pupils (irtclasses.h).
// BM_DrawnExam/<runs>: each run draws 20 questions from a pool of 200; the
// alpha the analysis gives those runs next to the alpha of the same pupils
// answering one fixed set of 20 from the same pool, over 200 exams.
#include "irtclasses.h"

#include <benchmark/benchmark.h>

namespace
{
using namespace irt;

// The same pupils through a drawn exam and through one fixed set.
void BM_DrawnExam(benchmark::State &state)
{
    constexpr int pool = 200, exams = 200;
    const int pupils = int(state.range(0));
    double drawnSum = 0, drawnCount = 0, fixedSum = 0, fixedCount = 0;
    for (auto _ : state) {
        Simulation sim(20270902 + pupils);
        for (int e = 0; e < exams; ++e) {
            std::vector<Question> questions;
            for (int i = 0; i < pool; ++i)
                questions.push_back(sim.question());
            std::vector<int> order(pool);
            for (int i = 0; i < pool; ++i)
                order[size_t(i)] = i;
            std::shuffle(order.begin(), order.end(), sim.random());
            const std::vector<int> fixed(order.begin(), order.begin() + topicSize);
            std::vector<AnalysedRun> drawn, same;
            for (int p = 0; p < pupils; ++p) {
                const double theta = sim.ability();
                const QDateTime started = QDateTime(QDate(2027, 5, 20), QTime(9, 0)).addSecs(60 * p);
                AnalysedRun d{QStringLiteral("Предмет"), QStringLiteral("Экзамен"), started, {}};
                std::shuffle(order.begin(), order.end(), sim.random());
                for (int i = 0; i < topicSize; ++i)
                    d.questions.push_back(
                        sim.answer(questions[size_t(order[size_t(i)])], QString::number(order[size_t(i)]), theta));
                AnalysedRun f{QStringLiteral("Предмет"), QStringLiteral("Экзамен"), started, {}};
                for (int i : fixed)
                    f.questions.push_back(sim.answer(questions[size_t(i)], QString::number(i), theta));
                drawn.push_back(std::move(d));
                same.push_back(std::move(f));
            }
            if (const auto alpha = analyseQuestions(drawn).topics.front().alpha) {
                drawnSum += *alpha;
                ++drawnCount;
            }
            if (const auto alpha = analyseQuestions(same).topics.front().alpha) {
                fixedSum += *alpha;
                ++fixedCount;
            }
        }
    }
    const double all = double(exams) * double(state.iterations());
    state.counters["exams"] = all;
    state.counters["drawn_with_alpha_pct"] = 100 * drawnCount / all;
    state.counters["drawn_alpha"] = drawnCount > 0 ? drawnSum / drawnCount : 0;
    state.counters["fixed_alpha"] = fixedCount > 0 ? fixedSum / fixedCount : 0;
}
BENCHMARK(BM_DrawnExam)->Arg(25)->Arg(240)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace

BENCHMARK_MAIN();
