// The outbox's result encoding: any bytes decode to a result or to nothing,
// never a crash; a decoded result encodes and decodes to itself; and a result
// made of the input's bytes comes back whole from its encoding.
#include "fuzzkit.h"
#include "resultcodec.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace
{

bool same(const RunResult &a, const RunResult &b)
{
    return encodeResult(a) == encodeResult(b);
}

// A text of the input: decoded as UTF-8, as every text of a result is valid.
QString textOf(FuzzedDataProvider &in, size_t most)
{
    return QString::fromUtf8(QByteArray::fromStdString(in.ConsumeRandomLengthString(most)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    if (const std::optional<RunResult> r = decodeResult(bytes)) {
        const QByteArray once = encodeResult(*r);
        const std::optional<RunResult> back = decodeResult(once);
        FUZZ_REQUIRE(back && encodeResult(*back) == once);
    }

    FuzzedDataProvider in(data, size);
    RunResult r;
    r.id = QStringLiteral("id-") + textOf(in, 40);
    for (QString *t :
         {&r.pupil, &r.className, &r.userCode, &r.access, &r.host, &r.subject, &r.topic, &r.grade, &r.runningGrade})
        *t = textOf(in, 40);
    if (in.ConsumeBool())
        r.started = QDateTime::fromMSecsSinceEpoch(in.ConsumeIntegralInRange<qint64>(0, 4102444800000LL), Qt::UTC);
    for (int *n :
         {&r.seconds, &r.asked, &r.answered, &r.right, &r.putOff, &r.pointsPossible, &r.pointsEarned, &r.hints})
        *n = in.ConsumeIntegral<int>();
    for (bool *b : {&r.prompting, &r.randomOrder, &r.protocol, &r.exam, &r.practice})
        *b = in.ConsumeBool();
    const int questions = in.ConsumeIntegralInRange(0, 8);
    for (int q = 0; q < questions; ++q) {
        QuestionResult x;
        x.key = textOf(in, 20);
        x.answerType = textOf(in, 20);
        x.pointsPossible = in.ConsumeIntegral<int>();
        x.pointsEarned = in.ConsumeIntegral<int>();
        x.answered = in.ConsumeBool();
        x.right = in.ConsumeBool();
        x.hints = in.ConsumeIntegral<int>();
        x.seconds = in.ConsumeIntegral<int>();
        for (QString *t : {&x.textHash, &x.topic, &x.text, &x.given, &x.rightAnswer})
            *t = textOf(in, 60);
        r.questions.push_back(x);
    }
    const std::optional<RunResult> back = decodeResult(encodeResult(r));
    FUZZ_REQUIRE(back.has_value());
    FUZZ_REQUIRE(same(*back, r));
    FUZZ_REQUIRE(back->started == r.started);
    FUZZ_REQUIRE(back->questions.size() == r.questions.size());
    return 0;
}
