#include "remark.h"
#include "bank.h"
#include "checking.h"
#include "runmodel.h"
#include "text.h"

#include <QStringList>

namespace
{
const QString between = QStringLiteral(" — ");

QString line(const QString &option, const QString &number)
{
    return trimmed(option) + between + trimmed(number);
}

// The options of a code ("+", "-"), in the bank's order.
std::vector<const KeyOption *> withCode(const std::vector<KeyOption> &options, QStringView code)
{
    std::vector<const KeyOption *> out;
    for (const KeyOption &o : options)
        if (trimmed(o.code) == code)
            out.push_back(&o);
    return out;
}

// Each kept line "option — number" of the rows in order: the number typed
// beside each option; nothing when the lines name other options.
std::optional<QStringList> numbersBeside(const std::vector<const KeyOption *> &rows, const QStringList &kept)
{
    if (kept.size() != qsizetype(rows.size()))
        return std::nullopt;
    QStringList numbers;
    for (size_t i = 0; i < rows.size(); ++i) {
        const QString start = trimmed(rows[i]->text) + between;
        if (!kept[qsizetype(i)].startsWith(start))
            return std::nullopt;
        numbers << kept[qsizetype(i)].mid(start.size());
    }
    return numbers;
}

// Ranking and classification: the numbers against the options' labels.
std::optional<Remarked> judgeNumbers(const std::vector<const KeyOption *> &rows, const QStringList &kept, int points)
{
    const std::optional<QStringList> typed = numbersBeside(rows, kept);
    if (!typed || rows.empty())
        return std::nullopt;
    QStringList right, answer;
    for (const KeyOption *o : rows) {
        right << o->label.left(2);
        answer << line(o->text, o->label.left(2));
    }
    const int n = int(rows.size());
    const int k = numbersRight(*typed, right);
    return Remarked{partialCredit(0, points, k, n), k == n, answer.join(u'\n')};
}

std::optional<Remarked> judgeTicks(const std::vector<KeyOption> &options, const QStringList &kept, int points)
{
    std::vector<TickRow> rows;
    QStringList right;
    qsizetype found = 0;
    for (const KeyOption &o : options) {
        const bool ticked = kept.contains(trimmed(o.text));
        found += ticked ? 1 : 0;
        rows.push_back({ticked, o.code});
        if (trimmed(o.code) == u"+")
            right << trimmed(o.text);
    }
    if (found != kept.size())
        return std::nullopt; // a ticked option is gone from the question
    const int c = tickCount(rows);
    const int n = int(right.size());
    const bool all = c == n;
    return Remarked{all ? points : partialCredit(0, points, c, n), all, right.join(u'\n')};
}

// Matching: each left item with the right item the pupil placed beside it.
std::optional<Remarked> judgeMatching(const std::vector<KeyOption> &options, const QStringList &kept, int points)
{
    const auto left = withCode(options, u"-"), placed = withCode(options, u"+");
    if (kept.size() != qsizetype(left.size()))
        return std::nullopt;
    bool all = true;
    QStringList answer;
    for (size_t r = 0; r < left.size(); ++r) {
        const QString start = trimmed(left[r]->text) + between;
        if (!kept[qsizetype(r)].startsWith(start))
            return std::nullopt;
        const QString beside = kept[qsizetype(r)].mid(start.size());
        const KeyOption *chosen = nullptr;
        for (const KeyOption *p : placed)
            if (trimmed(p->text) == beside)
                chosen = p;
        if (!chosen)
            return std::nullopt;
        all = all && chosen->label == left[r]->label;
        for (const KeyOption *p : placed)
            if (p->label == left[r]->label)
                answer << line(left[r]->text, p->text);
    }
    return Remarked{all ? points : 0, all, answer.join(u'\n')};
}
} // namespace

QString answerTypeOf(const std::vector<KeyOption> &options)
{
    const size_t plus = withCode(options, u"+").size(), minus = withCode(options, u"-").size();
    if (plus >= 1 && minus >= 1)
        return answerTypeText(plus == minus ? AnswerType::Matching : AnswerType::Classification);
    bool exact = false, ranking = false;
    for (const KeyOption &o : options) {
        exact = exact || trimmed(o.code).contains(u'Ф');
        ranking = ranking || trimmed(o.code) == u"1";
    }
    if (exact)
        return answerTypeText(AnswerType::Exact);
    return answerTypeText(ranking ? AnswerType::Ranking : AnswerType::Ticks);
}

std::optional<Remarked> remarkAnswer(const QString &answerType, const QString &given, int points,
                                     const std::vector<KeyOption> &options)
{
    // A kept answer that reached the length limit may have lost lines.
    if (options.empty() || given.size() >= RunModel::keptTextLength || answerTypeOf(options) != trimmed(answerType))
        return std::nullopt;
    const QStringList kept = given.isEmpty() ? QStringList() : given.split(u'\n');
    AnswerType kind = AnswerType::Ticks;
    for (AnswerType t : {AnswerType::Matching, AnswerType::Classification, AnswerType::Exact, AnswerType::Ranking})
        if (answerTypeText(t) == trimmed(answerType))
            kind = t;
    switch (kind) {
    case AnswerType::Exact: {
        const QString expected = options.front().text;
        const bool right = exactAnswerRight(given, expected);
        return Remarked{right ? points : 0, right, trimmed(expected)};
    }
    case AnswerType::Ticks:
        return judgeTicks(options, kept, points);
    case AnswerType::Ranking: {
        std::vector<const KeyOption *> all;
        for (const KeyOption &o : options)
            all.push_back(&o);
        return judgeNumbers(all, kept, points);
    }
    case AnswerType::Classification:
        return judgeNumbers(withCode(options, u"+"), kept, points);
    case AnswerType::Matching:
        return judgeMatching(options, kept, points);
    }
    return std::nullopt;
}

std::vector<KeyOption> bankOptionsOf(const QString &subjectFolder, const QString &key)
{
    std::vector<KeyOption> out;
    BankFiles(subjectFolder).otwet.forEachRecord([&](const QByteArray &raw) {
        const OtwetRec o = OtwetRec::decode(raw);
        if (questionKey(o.Predm, o.Tema, o.Test, o.Wopr) == key)
            out.push_back({o.Otwe, o.Kod_P, o.Nazwan});
    });
    return out;
}
