// A document shaped like a test protocol, written as .docx, and a journal
// workbook, written as .xlsx, read back by LibreOffice: the files must open
// without complaint and hold what was built.
#include "DocxDocument.h"
#include "Report.h"
#include "ReportWorkbook.h"
#include "XlsxTable.h"
#include "programstate.h"

#include <QtTest>

namespace
{

const QString signature = QStringLiteral("Подписи: Преподаватель ________________________   Аттестуемый "
                                         "______________________ ");

struct Option {
    QString code, text;
    bool right;
};

// The calls the protocol makes, in its order.
void questionLine(WordDocument &d, int n, const QString &text)
{
    d.insertParagraphAfter();
    d.insertAfter(QStringLiteral("%1. %2").arg(n).arg(text));
}
void tickLines(WordDocument &d, const std::vector<Option> &options)
{
    for (const auto &o : options) {
        d.insertParagraphAfter();
        const int s = d.end();
        const QString line = o.code + QStringLiteral(" :  ") + o.text;
        d.insertAfter(line);
        if (!o.right)
            d.unbold(s, s + int(line.size()) - 1);
    }
}
WordTable appendTable(WordDocument &d, int &counter, int rows, int columns)
{
    d.addTable(d.end() - 1, rows, columns);
    ++counter;
    d.insertAfter(QStringLiteral(" "));
    return d.table(counter);
}

const QList<QPair<QString, QString>> &summaryRows()
{
    static const QList<QPair<QString, QString>> rows = {
        {"Дата время", "07.12.2026  08:05:36"},
        {"Предмет", "История России"},
        {"Тема", "Великая Отечественная война"},
        {"Задано вопросов", "10"},
        {"Получено правильных ответов", "7"},
        {"Оценка", "4   Процент 70"},
        {"Из всех баллов", "20"},
        {"Набрано баллов", "14"},
        {"Оценка по баллам", "4   Процент 70"},
        {"Затрачено времени", "00:12:40"},
        {"Отвечал на вопросы", "Иванов И.И. 9 Г <&>"},
    };
    return rows;
}

void buildProtocol(WordDocument &d)
{
    int tables = 0;
    d.newDocument();
    d.setFontSize(10);
    d.setBold(true);

    questionLine(d, 1, QStringLiteral("Когда началась Великая Отечественная война?"));
    tickLines(d, {{"в+", "22 июня 1941 года", true},
                  {"--", "1 сентября 1939 года", false},
                  {"в-", "9 мая 1945 года", false},
                  {"-+", "22.06.1941", true}});

    questionLine(d, 2, QStringLiteral("Год Сталинградской битвы"));
    d.insertAfter(QStringLiteral("-+ :  1942 Вы 1943"));

    questionLine(d, 3, QStringLiteral("Соотнесите полководцев и сражения"));
    WordTable match = appendTable(d, tables, 3, 4);
    const QStringList left = {"Жуков", "Рокоссовский", "Конев"}, right = {"Берлин", "Курская дуга", "Корсунь"};
    for (int r = 1; r <= 3; ++r) {
        match.setCellText(r, 1, QString::number(r));
        match.setCellText(r, 2, left[r - 1]);
        match.setCellText(r, 3, right[r - 1]);
        match.setCellText(r, 4, QString::number(4 - r));
    }
    match.setColumnWidth(1, 30);
    match.setColumnWidth(2, 200);
    match.setColumnWidth(3, 200);
    match.setColumnWidth(4, 30);

    WordTable summary = appendTable(d, tables, 11, 2);
    summary.enableBorders();
    for (int r = 1; r <= 11; ++r) {
        summary.setCellText(r, 1, summaryRows()[r - 1].first);
        summary.setCellText(r, 2, summaryRows()[r - 1].second);
    }
    d.insertAfter(QStringLiteral(" "));
    d.insertParagraphAfter();
    d.insertAfter(signature);
}

// One paragraph of LibreOffice's HTML export: its text and whether it is bold.
struct HtmlParagraph {
    QString text;
    bool bold;
    bool tenPoint;
};

QString htmlText(QString html)
{
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    html.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
    return html.simplified();
}

} // namespace

class ProtocolAcceptanceTest : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    QString soffice;
    QString docx;

    // Converts the written file with LibreOffice; returns the converted file's bytes.
    QByteArray convert(const QString &format, const QString &extension, QString file = {})
    {
        if (file.isEmpty())
            file = docx;
        const QString out = work.filePath("out-" + extension);
        QDir().mkpath(out);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", work.filePath("home")); // a profile of our own, also when run as root
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(soffice, {"--headless", "--norestore",
                          "-env:UserInstallation=" + QUrl::fromLocalFile(work.filePath("profile")).toString(),
                          "--convert-to", format, "--outdir", out, file});
        if (!p.waitForStarted(30000) || !p.waitForFinished(240000)) {
            p.kill();
            p.waitForFinished();
            qWarning() << "LibreOffice did not finish:" << p.readAll();
            return {};
        }
        QFile f(QDir(out).filePath(QFileInfo(file).completeBaseName() + "." + extension));
        if (!f.open(QIODevice::ReadOnly)) {
            qWarning() << "LibreOffice wrote nothing:" << p.readAll();
            return {};
        }
        return f.readAll();
    }

private slots:
    void initTestCase()
    {
        soffice = QStandardPaths::findExecutable("soffice");
        if (soffice.isEmpty())
            soffice = QStandardPaths::findExecutable("libreoffice");
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed: the document cannot be checked");
        QVERIFY(work.isValid());
        setInstallRoot(work.path());

        QStringList opened, errors;
        DocxDocument doc({[&](const QString &p) {
                              opened << p;
                              return true;
                          },
                          {},
                          [&](const QString &t) { errors << t; }});
        buildProtocol(doc);
        QVERIFY(doc.makeVisible());
        QCOMPARE(errors, QStringList());
        QCOMPARE(opened.size(), 1);
        docx = opened[0];
    }

    void allTextArrivesInOrder()
    {
        QByteArray bytes = convert("txt:Text (encoded):UTF8", "txt");
        QVERIFY2(!bytes.isEmpty(), "the conversion to text failed");
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringList lines = QString::fromUtf8(bytes).split('\n');
        for (QString &l : lines)
            if (l.endsWith('\r'))
                l.chop(1);
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();

        QStringList expected = {"",
                                "1. Когда началась Великая Отечественная война?",
                                "в+ :  22 июня 1941 года",
                                "-- :  1 сентября 1939 года",
                                "в- :  9 мая 1945 года",
                                "-+ :  22.06.1941",
                                "2. Год Сталинградской битвы-+ :  1942 Вы 1943",
                                "3. Соотнесите полководцев и сражения",
                                "1",
                                "Жуков",
                                "Берлин",
                                "3",
                                "2",
                                "Рокоссовский",
                                "Курская дуга",
                                "2",
                                "3",
                                "Конев",
                                "Корсунь",
                                "1",
                                " "};
        for (const auto &row : summaryRows())
            expected << row.first << row.second;
        expected << "  " << signature;
        QCOMPARE(lines, expected);
    }

    void workbookReadsBackCellForCell()
    {
        const QString book = work.filePath("journal.xlsx");
        writeXlsxTable(book, QStringLiteral("Журнал"), {"Ученик", "Оценка", "Баллы", "Дата"},
                       {{"Иванов И.И. <&>", "5", "12.5", "07.12.2026 10:15"}, {"Петрова \"А\"", "2", "-3", "1,5"}});
        // Numbers come back as numbers (the sum), texts as they were.
        QByteArray csv = convert("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,false,true,false,false",
                                 "csv", book);
        QVERIFY2(!csv.isEmpty(), "the workbook did not convert");
        if (csv.startsWith("\xEF\xBB\xBF"))
            csv.remove(0, 3);
        QStringList lines = QString::fromUtf8(csv).split('\n', Qt::SkipEmptyParts);
        for (QString &l : lines)
            l.remove('\r');
        QCOMPARE(lines, QStringList({"\"Ученик\",\"Оценка\",\"Баллы\",\"Дата\"",
                                     "\"Иванов И.И. <&>\",5,12.5,\"07.12.2026 10:15\"",
                                     "\"Петрова \"\"А\"\"\",2,-3,\"1,5\""}));
    }

    void journalViewShowsCodesDatesAndPercents()
    {
        using Kind = ReportColumn::Kind;
        Report report;
        report.title = QStringLiteral("Результаты");
        report.filterLine = QStringLiteral("Класс 9 Г");
        ReportTable runs;
        runs.columns = {{"Код", Kind::Text},        {"Ученик", Kind::Text},     {"Верно", Kind::Percent},
                        {"Дата", Kind::Date},       {"Начало", Kind::DateTime}, {"Средний балл", Kind::Decimal},
                        {"Вопросов", Kind::Integer}};
        runs.rows = {
            {"02", "Иванов И.И.", 0.85, QDate(2026, 12, 7), QDateTime(QDate(2026, 12, 7), QTime(8, 5, 36)), 4.125, 10},
            {"007", QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}};
        report.tables.push_back(runs);
        const QString book = work.filePath("view.xlsx");
        writeReportWorkbook(book, report);
        QByteArray csv =
            convert("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,false,true,false,false", "csv", book);
        QVERIFY2(!csv.isEmpty(), "the workbook did not convert");
        if (csv.startsWith("\xEF\xBB\xBF"))
            csv.remove(0, 3);
        QStringList lines = QString::fromUtf8(csv).split('\n');
        for (QString &l : lines)
            l.remove('\r');
        QCOMPARE(lines.mid(0, 6),
                 QStringList({"\"Результаты\",,,,,,", "\"Класс 9 Г\",,,,,,", ",,,,,,",
                              "\"Код\",\"Ученик\",\"Верно\",\"Дата\",\"Начало\",\"Средний балл\",\"Вопросов\"",
                              "\"02\",\"Иванов И.И.\",85%,07.12.2026,07.12.2026 08:05,4.13,10", "\"007\",,,,,,"}));
    }

    void weightsSizesBordersAndWidthsSurvive()
    {
        const QString html = QString::fromUtf8(convert("html", "html"));
        QVERIFY2(!html.isEmpty(), "the conversion to HTML failed");

        // Paragraphs outside the tables, in order.
        QString outside = html;
        outside.remove(
            QRegularExpression(QStringLiteral("<table.*?</table>"), QRegularExpression::DotMatchesEverythingOption));
        std::vector<HtmlParagraph> paragraphs;
        const QRegularExpression para(QStringLiteral("<p[ >].*?</p>"), QRegularExpression::DotMatchesEverythingOption);
        for (auto it = para.globalMatch(outside); it.hasNext();) {
            const QString p = it.next().captured();
            paragraphs.push_back({htmlText(p), p.contains("<b>"), p.contains("10pt")});
        }
        auto find = [&](const QString &start) -> const HtmlParagraph * {
            for (const auto &p : paragraphs)
                if (p.text.startsWith(start))
                    return &p;
            return nullptr;
        };
        const QList<QPair<QString, bool>> weights = {
            {"1. Когда", true},        {"в+ : 22 июня", true}, {"-- : 1 сентября", false}, {"в- : 9 мая", false},
            {"-+ : 22.06.1941", true}, {"2. Год", true},       {"3. Соотнесите", true},    {"Подписи:", true},
        };
        for (const auto &[start, bold] : weights) {
            const HtmlParagraph *p = find(start);
            QVERIFY2(p, qPrintable("missing paragraph " + start));
            QVERIFY2(p->bold == bold, qPrintable(start + (bold ? " should be bold" : " should be plain")));
            QVERIFY2(p->tenPoint, qPrintable(start + " is not in 10 points"));
        }

        const QRegularExpression table(QStringLiteral("<table.*?</table>"),
                                       QRegularExpression::DotMatchesEverythingOption);
        QStringList tables;
        for (auto it = table.globalMatch(html); it.hasNext();)
            tables << it.next().captured();
        QCOMPARE(tables.size(), 2);
        QCOMPARE(tables[0].count("<td"), 12);
        const QRegularExpression ruled(QStringLiteral("<td[^>]*border: *\\d+px solid"));
        QCOMPARE(tables[0].count(ruled), 0); // the matching table was not ruled
        QCOMPARE(tables[1].count("<td"), 22);
        QCOMPARE(tables[1].count(ruled), 22);
        QVERIFY(htmlText(tables[1]).contains("Иванов И.И. 9 Г <&>"));

        QList<int> widths;
        const QRegularExpression col(QStringLiteral("<col width=\"(\\d+)\""));
        for (auto it = col.globalMatch(tables[0]); it.hasNext();)
            widths << it.next().captured(1).toInt();
        QCOMPARE(widths.size(), 4);
        QVERIFY2(widths[1] > 4 * widths[0] && widths[1] == widths[2] && widths[0] == widths[3],
                 qPrintable(QStringLiteral("column widths %1 %2 %3 %4")
                                .arg(widths[0])
                                .arg(widths[1])
                                .arg(widths[2])
                                .arg(widths[3])));
    }
};

QTEST_GUILESS_MAIN(ProtocolAcceptanceTest)
#include "tst_protocol_acceptance.moc"
