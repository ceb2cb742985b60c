#include "decoder.h"
#include "interchangekit.h"
#include "programstate.h"
#include "textimport.h"

#include <vector>

namespace
{

// Columns of the question and answer tables.
namespace Q
{
enum : int { Predm, Tema, Test, Wopr, Nazwan, Porad, Ball, S_Kod };
}
namespace A
{
enum : int { Predm, Tema, Test, Wopr, Otwe, Kod_P, Nazwan };
}

QString afterFirst(const QString &line, QChar mark)
{
    const qsizetype p = line.indexOf(mark);
    return p >= 0 && p <= 3 ? trimmed(line.mid(p + 1)) : line;
}

bool anyText(const StringTable &t, int col)
{
    for (int r = 1; r < t.rowCount(); ++r)
        if (!trimmed(t.cell(col, r)).isEmpty())
            return true;
    return false;
}

std::vector<QStringList> dataRows(const StringTable &t)
{
    std::vector<QStringList> rows;
    rows.reserve(size_t(t.rowCount()));
    for (int r = 1; r < t.rowCount(); ++r)
        rows.push_back(t.row(r));
    return rows;
}

} // namespace

QString questionTextOf(const QString &line)
{
    return afterFirst(line, u'.');
}

QString optionTextOf(const QString &line)
{
    return afterFirst(line, u')');
}

bool decoderAppends(const StringTable &temaTabl, const StringTable &wopTabl, const StringTable &otwTabl)
{
    return wopTabl.rowCount() > 5 || temaTabl.rowCount() > 2 || anyText(wopTabl, Q::Nazwan) ||
           anyText(otwTabl, A::Nazwan);
}

DecodeResult decodeStaging(const StringTable &izTxt, StringTable &temaTabl, StringTable &wopTabl, StringTable &otwTabl)
{
    DecodeResult res;
    res.appended = decoderAppends(temaTabl, wopTabl, otwTabl);
    const QString title = trimmed(izTxt.cell(StagingCol::Nazwan, 1)).left(ImportLineLength);

    // The subject comes from the last topic row; a topic table without any
    // topic row counts as the empty bank's default codes "1".
    const int lastTopic = temaTabl.rowCount() - 1;
    const QString subject = lastTopic >= 1 ? temaTabl.cell(0, lastTopic) : QStringLiteral("1");
    res.topicCode = QStringLiteral("1");
    if (res.appended && lastTopic >= 1)
        res.topicCode = NomerPlus(temaTabl.cell(1, lastTopic)); // may throw: nothing is changed yet

    std::vector<QStringList> questions = res.appended ? dataRows(wopTabl) : std::vector<QStringList>{};
    std::vector<QStringList> answers = res.appended ? dataRows(otwTabl) : std::vector<QStringList>{};

    // The question decoded last and where its answers start: one with more
    // options than the main window shows is taken back.
    int inFile = 0;
    size_t firstAnswer = answers.size();
    auto endQuestion = [&] {
        const qsizetype options = qsizetype(answers.size() - firstAnswer);
        if (res.questions == 0 || options <= MaxItemOptions)
            return;
        res.notes << noteAbout(inFile, questions.back()[Q::Nazwan],
                               tooManyOptions(options) + QStringLiteral(", вопрос не перенесён"));
        answers.resize(firstAnswer);
        questions.pop_back();
        --res.questions;
        res.answers -= int(options);
    };
    for (int r = 2; r < izTxt.rowCount(); ++r) {
        const QString line = trimmed(izTxt.cell(StagingCol::Nazwan, r)).left(ImportLineLength);
        if (line.isEmpty())
            continue;
        const QString wopr = trimmed(izTxt.cell(StagingCol::Wopr, r));
        if (wopr != trimmed(izTxt.cell(StagingCol::Wopr, r - 1))) {
            endQuestion();
            ++inFile;
            firstAnswer = answers.size();
            ++res.questions;
            questions.push_back({subject, res.topicCode, QStringLiteral("1"), QString::number(res.questions),
                                 questionTextOf(line), QString(), QStringLiteral("1"), QString()});
        } else {
            ++res.answers;
            // An option belongs to the question decoded above it: stray lines
            // before the first question must not shift every later question
            // onto the options of the next one.
            const QString number = res.questions > 0 ? QString::number(res.questions) : izTxt.cell(StagingCol::Wopr, r);
            answers.push_back({subject, res.topicCode, QStringLiteral("1"), number, izTxt.cell(StagingCol::Otwe, r),
                               izTxt.cell(StagingCol::KodP, r), optionTextOf(line)});
        }
    }
    endQuestion();

    temaTabl.beginUpdate();
    if (res.appended || lastTopic < 1) {
        temaTabl.setRowCount(temaTabl.rowCount() + 1);
        temaTabl.setRow(temaTabl.rowCount() - 1, {subject, res.topicCode, title});
    } else {
        temaTabl.setCell(2, 1, title);
    }
    temaTabl.endUpdate();
    wopTabl.setDataRows(std::move(questions));
    otwTabl.setDataRows(std::move(answers));
    return res;
}
