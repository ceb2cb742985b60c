// Building and writing a protocol of 1,000 questions as a .docx file.
#include "DocxDocument.h"
#include "DocxWriter.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

void buildProtocol(WordDocument &d, int questions)
{
    int tables = 0;
    d.newDocument();
    d.setFontSize(10);
    d.setBold(true);
    for (int q = 1; q <= questions; ++q) {
        d.insertParagraphAfter();
        d.insertAfter(QStringLiteral("%1. Вопрос номер %1: какое из утверждений о событиях верно?").arg(q));
        if (q % 5 == 0) { // a matching question: its table
            d.addTable(d.end() - 1, 4, 4);
            d.insertAfter(QStringLiteral(" "));
            WordTable t = d.table(++tables);
            for (int r = 1; r <= 4; ++r) {
                t.setCellText(r, 1, QString::number(r));
                t.setCellText(r, 2, QStringLiteral("Левый столбец %1").arg(r));
                t.setCellText(r, 3, QStringLiteral("Правый столбец %1").arg(5 - r));
                t.setCellText(r, 4, QString::number(5 - r));
            }
            continue;
        }
        for (int o = 1; o <= 4; ++o) {
            d.insertParagraphAfter();
            const int s = d.end();
            const QString line =
                QStringLiteral("в%1 :  Вариант ответа %2 к вопросу %3").arg(o % 2 ? "+" : "-").arg(o).arg(q);
            d.insertAfter(line);
            if (o % 2 == 0)
                d.unbold(s, s + int(line.size()) - 1);
        }
    }
    d.addTable(d.end() - 1, 11, 2);
    d.insertAfter(QStringLiteral(" "));
    WordTable summary = d.table(++tables);
    summary.enableBorders();
    for (int r = 1; r <= 11; ++r) {
        summary.setCellText(r, 1, QStringLiteral("Строка итога %1").arg(r));
        summary.setCellText(r, 2, QString::number(r * 10));
    }
    d.insertParagraphAfter();
    d.insertAfter(QStringLiteral("Подписи: Преподаватель ____   Аттестуемый ____ "));
}

void BM_ProtocolBuildAndWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    DocxDocument doc({[](const QString &) { return true; }, {}, {}});
    doc.setFolder(dir.path());
    for (auto _ : state) {
        buildProtocol(doc, int(state.range(0)));
        if (!doc.makeVisible())
            state.SkipWithError("the document could not be written");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ProtocolBuildAndWrite)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ProtocolBuildOnly(benchmark::State &state)
{
    DocxDocument doc;
    for (auto _ : state)
        buildProtocol(doc, int(state.range(0)));
}
BENCHMARK(BM_ProtocolBuildOnly)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_PackageOnly(benchmark::State &state)
{
    DocxDocument doc;
    buildProtocol(doc, int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(docxPackage(doc.model()));
}
BENCHMARK(BM_PackageOnly)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
