#include "editortables.h"

QStringList rowOf(const PredmetRec &r)
{
    return {r.Predm, r.Test, r.Nazwan};
}
QStringList rowOf(const TemaRec &r)
{
    return {r.Predm, r.Tema, r.Nazwan};
}
QStringList rowOf(const WoprosRec &r)
{
    return {r.Predm, r.Tema, r.Test, r.Wopr, r.Nazwan, r.Porad, r.Ball, r.S_Kod};
}
QStringList rowOf(const OtwetRec &r)
{
    return {r.Predm, r.Tema, r.Test, r.Wopr, r.Otwe, r.Kod_P, r.Nazwan};
}

namespace
{
// The table keeps the file's records as they are read; a cell is decoded when
// it is shown. A reload reads into the old records' memory.
qint64 load(StringTable &table, const RecordFile &file, const QStringList &defaults)
{
    table.loadRecords(file);
    const qint64 n = table.rowCount() - 1;
    if (n == 0)
        table.setDataRows({defaults});
    table.setCurrentRow(1);
    return n;
}
} // namespace

EditorCounts loadEditorTables(const BankFiles &bank, BankTables &t)
{
    const QString one = QStringLiteral("1");
    EditorCounts c;
    c.sections =
        load(t.RazdelTab, bank.predmet, {one, one, QStringLiteral("Здесь должно быть название раздела")});
    c.topics = load(t.TemaTabl, bank.tema, {one, one, QStringLiteral("Здесь должно быть название темы")});
    c.questions = load(t.WopTabl, bank.wopros, {one, one, one, {}, {}, {}, QStringLiteral("5"), {}});
    c.answers = load(t.OtwTabl, bank.otwet, {one, one, one, {}, {}, {}, {}});
    return c;
}

void fillTopicTable(StringTable &temaTabl, const std::vector<TemaRec> &topics)
{
    std::vector<QStringList> rows;
    rows.reserve(topics.size());
    for (const TemaRec &r : topics)
        rows.push_back(rowOf(r));
    temaTabl.setDataRows(std::move(rows));
}
