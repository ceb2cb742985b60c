#include "bank.h"
#include "text.h"

#include <QDir>

bool sameCode(const QString &a, const QString &b)
{
    return trimmed(a) == trimmed(b);
}

QString questionKey(const QString &predm, const QString &tema, const QString &test, const QString &wopr)
{
    return trimmed(predm) + u'_' + trimmed(tema) + u'_' + trimmed(test) + u'_' + trimmed(wopr);
}

QString answerTypeText(AnswerType t)
{
    switch (t) {
    case AnswerType::Matching:
        return QStringLiteral("Соответствие");
    case AnswerType::Classification:
        return QStringLiteral("Проставить номера");
    case AnswerType::Exact:
        return QStringLiteral("Точный ответ");
    case AnswerType::Ranking:
        return QStringLiteral("Ранжирование");
    case AnswerType::Ticks:
        break;
    }
    return QStringLiteral("Птички поставить");
}

AnswerType answerTypeOf(const QStringList &roleCodes)
{
    int plus = 0, minus = 0, exact = 0;
    bool rank = false;
    for (const QString &raw : roleCodes) {
        const QString c = trimmed(raw);
        plus += c == u"+";
        minus += c == u"-";
        exact += c.contains(u'Ф');
        rank = rank || c == u"1";
    }
    if (plus >= 1 && minus >= 1)
        return plus == minus ? AnswerType::Matching : AnswerType::Classification;
    if (exact >= 1)
        return AnswerType::Exact;
    if (rank)
        return AnswerType::Ranking;
    return AnswerType::Ticks;
}

BankFiles::BankFiles(const QString &folderPath)
    : folder(folderPath), tema(QDir(folderPath).filePath(QStringLiteral("Tema.dat")), TemaRec::Size),
      exam(QDir(folderPath).filePath(QStringLiteral("Exam.dat")), ExamRec::Size),
      otwet(QDir(folderPath).filePath(QStringLiteral("Otwet.dat")), OtwetRec::Size),
      wopros(QDir(folderPath).filePath(QStringLiteral("Wopros.dat")), WoprosRec::Size),
      predmet(QDir(folderPath).filePath(QStringLiteral("Predmet.dat")), PredmetRec::Size),
      temp(QDir(folderPath).filePath(QStringLiteral("Temp.dat")), WoprosRec::Size)
{
}

void BankFiles::openAll() const
{
    tema.openOrCreate();
    openOrBuildExam(exam, tema);
    otwet.openOrCreate();
    wopros.openOrCreate();
    predmet.openOrCreate();
}

bool openOrBuildExam(const RecordFile &exam, const RecordFile &tema)
{
    if (exam.exists())
        return false;
    std::vector<ExamRec> recs;
    for (const TemaRec &t : tema.readAll<TemaRec>())
        recs.push_back({t.Predm, t.Tema, t.Nazwan, QStringLiteral("5"), QStringLiteral("1")});
    exam.rewrite(recs);
    return true;
}
