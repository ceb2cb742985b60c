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
template <class R> qint64 load(StringTable &table, const RecordFile &file, const QStringList &defaults)
{
    const auto recs = file.readAll<R>();
    std::vector<QStringList> rows;
    rows.reserve(recs.size());
    for (const R &r : recs)
        rows.push_back(rowOf(r));
    if (rows.empty())
        rows.push_back(defaults);
    table.setDataRows(std::move(rows));
    table.setCurrentRow(1);
    return qint64(recs.size());
}
} // namespace

EditorCounts loadEditorTables(const BankFiles &bank, BankTables &t)
{
    const QString one = QStringLiteral("1");
    EditorCounts c;
    c.sections =
        load<PredmetRec>(t.RazdelTab, bank.predmet, {one, one, QStringLiteral("Здесь должно быть название раздела")});
    c.topics = load<TemaRec>(t.TemaTabl, bank.tema, {one, one, QStringLiteral("Здесь должно быть название темы")});
    c.questions = load<WoprosRec>(t.WopTabl, bank.wopros, {one, one, one, {}, {}, {}, QStringLiteral("5"), {}});
    c.answers = load<OtwetRec>(t.OtwTabl, bank.otwet, {one, one, one, {}, {}, {}, {}});
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
