#include "editor.h"
#include "errors.h"
#include "text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

namespace
{
// The file is written a few thousand rows at a time: a row never edited is
// copied as its record, an edited one encoded from its cells.
template <class R> void saveRows(const RecordFile &file, const StringTable &t)
{
    const FileKind kind = fileKindOf<R>();
    constexpr int rowsPerPiece = 4096;
    QByteArray piece;
    int next = 1;
    file.rewriteRecords([&]() -> QByteArrayView {
        piece.resize(0);
        for (int n = 0; n < rowsPerPiece && next < t.rowCount(); ++n)
            t.appendRecordOf(next++, piece, kind);
        return piece;
    });
}

bool isDataRow(const StringTable &t, int row)
{
    return row >= 1 && row < t.rowCount();
}

// Codes of a row, trimmed once for the comparisons of a search.
QStringList trimmedCodes(const StringTable &t, int row, int count)
{
    QStringList codes;
    for (int c = 0; c < count; ++c)
        codes.append(trimmed(t.cell(c, row)));
    return codes;
}

bool codesMatch(const StringTable &t, int row, const QStringList &codes)
{
    for (qsizetype c = 0; c < codes.size(); ++c)
        if (!t.cellIs(int(c), row, codes[c]))
            return false;
    return true;
}
} // namespace

void saveSections(const RecordFile &file, const StringTable &razdelTab)
{
    saveRows<PredmetRec>(file, razdelTab);
}
void saveTopics(const RecordFile &file, const StringTable &temaTabl)
{
    saveRows<TemaRec>(file, temaTabl);
}
void saveQuestions(const RecordFile &file, const StringTable &wopTabl)
{
    saveRows<WoprosRec>(file, wopTabl);
}
void saveAnswers(const RecordFile &file, const StringTable &otwTabl)
{
    saveRows<OtwetRec>(file, otwTabl);
}

int insertMarkedRow(StringTable &t, int selected)
{
    if (!isDataRow(t, selected))
        return 0;
    const int last = t.rowCount() - 1;
    const int row = selected == last ? last + 1 : selected;
    t.beginUpdate();
    t.insertRow(row);
    QStringList marks;
    for (int c = 0; c < t.columnCount(); ++c)
        marks.append(QStringLiteral("?"));
    t.setRow(row, marks);
    t.setCurrentRow(row);
    t.endUpdate();
    return row;
}

int deleteDataRow(StringTable &t, int selected)
{
    if (!isDataRow(t, selected))
        return 0;
    t.beginUpdate();
    t.removeRow(selected);
    const int row = std::min(selected, t.rowCount() - 1);
    t.setCurrentRow(row);
    t.endUpdate();
    return row;
}

int firstQuestionRow(const StringTable &wopTabl, const QString &predm, const QString &tema)
{
    const QStringList codes{trimmed(predm), trimmed(tema)};
    for (int r = 1; r < wopTabl.rowCount(); ++r)
        if (codesMatch(wopTabl, r, codes))
            return r;
    return 0;
}

int firstAnswerRow(const StringTable &otwTabl, const StringTable &wopTabl, int row)
{
    if (!isDataRow(wopTabl, row))
        return 0;
    const QStringList codes = trimmedCodes(wopTabl, row, 4);
    for (int r = 1; r < otwTabl.rowCount(); ++r)
        if (codesMatch(otwTabl, r, codes))
            return r;
    return 0;
}

QString questionKeyOfRow(const StringTable &wopTabl, int row)
{
    return questionKey(wopTabl.cell(0, row), wopTabl.cell(1, row), wopTabl.cell(2, row), wopTabl.cell(3, row));
}

void setPointsEverywhere(StringTable &wopTabl, const QString &points)
{
    wopTabl.beginUpdate();
    for (int r = 1; r < wopTabl.rowCount(); ++r)
        wopTabl.setCell(6, r, points);
    wopTabl.endUpdate();
}

std::optional<ExamRec> examRecOfLastTopic(const StringTable &temaTabl)
{
    const int last = temaTabl.rowCount() - 1;
    if (last < 1)
        return std::nullopt;
    return ExamRec{temaTabl.cell(0, last), temaTabl.cell(1, last), temaTabl.cell(2, last), QStringLiteral("5"),
                   QStringLiteral("1")};
}

std::vector<QStringList> topicPrintoutRows(const StringTable &temaTabl, int topicRow, const StringTable &wopTabl,
                                           const StringTable &otwTabl)
{
    std::vector<QStringList> out;
    if (!isDataRow(temaTabl, topicRow))
        return out;
    const QStringList topic = trimmedCodes(temaTabl, topicRow, 2);

    // The topic's answer rows by (Test, Wopr), in table order: one pass over
    // the answers however many questions the topic has.
    std::map<std::pair<QString, QString>, std::vector<int>> answers;
    for (int r = 1; r < otwTabl.rowCount(); ++r)
        if (codesMatch(otwTabl, r, topic))
            answers[{trimmed(otwTabl.cell(2, r)), trimmed(otwTabl.cell(3, r))}].push_back(r);

    QStringList captions = otwTabl.row(0).mid(0, 7);
    captions << QStringLiteral("Porad") << QStringLiteral("Ball") << QStringLiteral("S_Kod");
    out.push_back(captions);
    QStringList topicLine(10);
    topicLine[0] = temaTabl.cell(0, topicRow);
    topicLine[1] = temaTabl.cell(1, topicRow);
    topicLine[6] = temaTabl.cell(2, topicRow);
    out.push_back(topicLine);
    for (int q = 1; q < wopTabl.rowCount(); ++q) {
        if (!codesMatch(wopTabl, q, topic))
            continue;
        const QStringList &w = wopTabl.row(q);
        out.push_back({w[0], w[1], w[2], w[3], {}, {}, w[4], w[5], w[6], w[7]});
        const auto it = answers.find({trimmed(w[2]), trimmed(w[3])});
        if (it == answers.end())
            continue;
        for (int a : it->second) {
            QStringList row = otwTabl.row(a).mid(0, 7);
            row << QString() << QString() << QString();
            out.push_back(row);
        }
    }
    return out;
}

bool isPictureKey(const QString &key)
{
    return !trimmed(key).isEmpty() && !key.contains(u'/') && !key.contains(u'\\');
}

PictureLink linkPicture(const QString &chosenFile, const QString &fotoFolder, const QString &key)
{
    if (!isPictureKey(key))
        throw TrivoError(
            QStringLiteral("Имя рисунка «%1» не подходит: оно не может быть пустым и не может содержать / или \\")
                .arg(key));
    const QString target = QDir(fotoFolder).filePath(key + QStringLiteral(".gif"));
    const QFileInfo chosen(chosenFile), existing(target);
    if (existing.exists()) {
        if (chosen.exists() && chosen.canonicalFilePath() == existing.canonicalFilePath())
            return PictureLink::SameFile;
        return PictureLink::AlreadyThere;
    }
    QFile source(chosenFile);
    const bool inFoto = chosen.exists() && chosen.canonicalPath() == QFileInfo(fotoFolder).canonicalFilePath();
    if (inFoto ? !source.copy(target) : !source.rename(target))
        throw TrivoError((inFoto ? QStringLiteral("Не удалось скопировать рисунок %1: %2")
                                 : QStringLiteral("Не удалось перенести рисунок %1: %2"))
                             .arg(chosen.fileName(), source.errorString()));
    return PictureLink::Linked;
}
