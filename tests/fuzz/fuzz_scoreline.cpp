// A run's line of questions as the journal keeps it: any text reads as
// questions or as nothing, never a crash; questions read from a line make
// the same line again; and a run made of the input's bytes reads back with
// its keys, points and, for wrong typed answers and ticks, its answers.
#include "bank.h"
#include "fuzzkit.h"
#include "scoreline.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace
{
QString textOf(FuzzedDataProvider &in, size_t most)
{
    return QString::fromUtf8(QByteArray::fromStdString(in.ConsumeRandomLengthString(most)));
}

RunResult runOf(const std::vector<AskedQuestion> &asked)
{
    RunResult r;
    for (const AskedQuestion &a : asked) {
        QuestionResult q{a.key, a.answerType, a.pointsPossible, a.pointsEarned, true, a.right, 0, a.seconds};
        q.given = a.given;
        q.rightAnswer = a.rightAnswer;
        r.questions.push_back(q);
    }
    return r;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString line = QString::fromUtf8(bytesOf(data, size));
    if (const auto asked = askedFromScores(line)) {
        const QString again = questionScores(runOf(*asked));
        const auto back = askedFromScores(again);
        FUZZ_REQUIRE(back && back->size() == asked->size());
        FUZZ_REQUIRE(questionScores(runOf(*back)) == again);
    }

    FuzzedDataProvider in(data, size);
    RunResult r;
    const int questions = in.ConsumeIntegralInRange(0, 6);
    const QString types[] = {answerTypeText(AnswerType::Exact), answerTypeText(AnswerType::Ticks),
                             answerTypeText(AnswerType::Ranking)};
    for (int i = 0; i < questions; ++i) {
        QuestionResult q;
        q.key = QStringLiteral("%1_1_1_%2").arg(i + 1).arg(in.ConsumeIntegral<quint16>());
        q.answerType = types[in.ConsumeIntegralInRange(0, 2)];
        q.pointsPossible = in.ConsumeIntegral<int>();
        q.pointsEarned = in.ConsumeIntegral<int>();
        q.right = in.ConsumeBool();
        q.seconds = in.ConsumeIntegral<int>();
        q.given = textOf(in, 40);
        q.rightAnswer = textOf(in, 40);
        r.questions.push_back(q);
    }
    const auto back = askedFromScores(questionScores(r));
    FUZZ_REQUIRE(back && back->size() == r.questions.size());
    for (size_t i = 0; i < r.questions.size(); ++i) {
        const QuestionResult &q = r.questions[i];
        const AskedQuestion &a = (*back)[i];
        FUZZ_REQUIRE(a.key == q.key && a.pointsPossible == q.pointsPossible && a.pointsEarned == q.pointsEarned &&
                     a.right == q.right && a.seconds == q.seconds);
        const bool kept = !q.right && q.answerType != types[2];
        FUZZ_REQUIRE(a.answerType == (kept ? q.answerType : QString()));
        auto plain = [](QString t) { return t.replace(QChar(0x1F), u' ').replace(QChar(0x1E), u' '); };
        FUZZ_REQUIRE(a.given == (kept ? plain(q.given) : QString()));
        FUZZ_REQUIRE(a.rightAnswer == (kept ? plain(q.rightAnswer) : QString()));
    }
    return 0;
}
