#include "scoreline.h"
#include "bank.h"

namespace
{
// Between the fields of a question, and between questions: characters no
// key, number or answer holds (any in a text become spaces).
constexpr char16_t fieldMark = 0x1F, questionMark = 0x1E;

QString withoutMarks(QString text)
{
    return text.replace(QChar(fieldMark), u' ').replace(QChar(questionMark), u' ');
}

// The wrong answers the analysis counts: typed ones and ticks.
QChar codeOf(const QString &answerType)
{
    if (answerType == answerTypeText(AnswerType::Ticks))
        return u't';
    if (answerType == answerTypeText(AnswerType::Exact))
        return u'e';
    return {};
}
} // namespace

QString questionScores(const RunResult &r)
{
    QString out;
    for (const QuestionResult &q : r.questions) {
        if (!out.isEmpty())
            out += QChar(questionMark);
        out += withoutMarks(q.key);
        for (const int n : {q.pointsPossible, q.pointsEarned, q.right ? 1 : 0, q.seconds})
            out += QChar(fieldMark) + QString::number(n);
        const QChar code = q.right ? QChar() : codeOf(q.answerType);
        out += QChar(fieldMark);
        if (!code.isNull())
            out += QString(code) + QChar(fieldMark) + withoutMarks(q.given) + QChar(fieldMark) +
                   withoutMarks(q.rightAnswer);
        else
            out += QString(2, QChar(fieldMark));
    }
    return out;
}

std::optional<std::vector<AskedQuestion>> askedFromScores(QStringView line)
{
    std::vector<AskedQuestion> out;
    if (line.isEmpty())
        return out;
    for (const QStringView question : line.tokenize(QChar(questionMark))) {
        QStringView f[8];
        int n = 0;
        for (const QStringView field : question.tokenize(QChar(fieldMark))) {
            if (n == 8)
                return std::nullopt;
            f[n++] = field;
        }
        bool ok[4] = {false, false, false, false};
        AskedQuestion q;
        q.key = f[0].toString();
        q.pointsPossible = f[1].toInt(&ok[0]);
        q.pointsEarned = f[2].toInt(&ok[1]);
        q.right = f[3].toInt(&ok[2]) != 0;
        q.seconds = f[4].toInt(&ok[3]);
        if (n != 8 || q.key.isEmpty() || !(ok[0] && ok[1] && ok[2] && ok[3]))
            return std::nullopt;
        if (f[5] == u"t")
            q.answerType = answerTypeText(AnswerType::Ticks);
        else if (f[5] == u"e")
            q.answerType = answerTypeText(AnswerType::Exact);
        q.given = f[6].toString();
        q.rightAnswer = f[7].toString();
        out.push_back(std::move(q));
    }
    return out;
}
