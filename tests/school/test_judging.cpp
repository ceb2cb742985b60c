// The school's server judges an answer exactly as a PC does: every answer
// here is judged by remarkAnswer and by the server's trivo_judge, and the two
// must give the same points, the same verdict and the same right answer, or
// both no judgement at all. The PCs' role may not call the server's judging.
#include "bank.h"
#include "pgserver.h"
#include "remark.h"
#include "schoolkit.h"
#include "schoolsetup.h"
#include "text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>

#include <map>

namespace
{

struct Case {
    QString type, given;
    int points = 0;
    std::vector<KeyOption> options;
};
using Cases = QList<Case>;

const QString exact = answerTypeText(AnswerType::Exact), ticks = answerTypeText(AnswerType::Ticks),
              matching = answerTypeText(AnswerType::Matching),
              classification = answerTypeText(AnswerType::Classification),
              ranking = answerTypeText(AnswerType::Ranking);
const QString dash = QStringLiteral(" — ");

QJsonObject json(const Case &c)
{
    QJsonArray options;
    for (const KeyOption &o : c.options)
        options << QJsonObject{{"label", o.label}, {"code", o.code}, {"text", o.text}};
    return {{"type", c.type}, {"given", c.given}, {"points", c.points}, {"options", options}};
}

QString verdict(const std::optional<Remarked> &r)
{
    return r ? QStringLiteral("%1|%2|%3").arg(r->points).arg(r->right).arg(r->rightAnswer) : QStringLiteral("none");
}

// Several answers to the same options, each with its own points.
void add(Cases &to, const QString &type, const std::vector<KeyOption> &options, const QStringList &given,
         int points = 5)
{
    for (const QString &g : given)
        to << Case{type, g, points, options};
}

// The answers a run keeps for these options, and others that are not quite.
class Answers
{
public:
    explicit Answers(quint32 seed) : m_random(seed) {}

    Case next()
    {
        Case c;
        c.options = options();
        const QString natural = answerTypeOf(c.options);
        const int t = pick(20);
        c.type = t < 17 ? natural : t < 19 ? pickOf(allTypes()) : u' ' + natural + u'\t';
        c.given = given(trimmed(c.type), c.options);
        const int odd = pick(40);
        if (odd == 0)
            c.given = c.given.left(pick(int(c.given.size()) + 1));
        else if (odd == 1)
            c.given += QString(std::max(0, 1990 + pick(20) - int(c.given.size())), u'я');
        else if (odd == 2)
            c.given += QString::fromUtf8("😀").repeated(pick(4));
        c.points = pickOf(QList<int>{0, 1, 2, 3, 4, 5, 5, 7, 10, 12, -1, -3, 100});
        return c;
    }

private:
    QRandomGenerator m_random;

    int pick(int n) { return int(m_random.bounded(quint32(n))); }
    template <typename T> T pickOf(const QList<T> &from) { return from[pick(int(from.size()))]; }
    static QStringList allTypes() { return {exact, ticks, matching, classification, ranking}; }

    // Blanks around, as a bank or a typist may leave them.
    QString blanked(const QString &s)
    {
        const QStringList blanks = {"", "", "", "", "", " ", "\t", "\x01", "  ", "\r"};
        return pickOf(blanks) + s + pickOf(blanks);
    }
    QString text()
    {
        return blanked(pickOf<QString>({"Москва", "москва", "МОСКВА", "Ёж", "ёж", "Обь", "обь", "1812", "", "а — б",
                                        "а", "Пётр I", "Ольга", "Lena", "LENA", "x y"}));
    }
    QString label() { return blanked(pickOf<QString>({"1", "2", "3", "1", "2", "12", "123", "А", "а", ""})); }

    std::vector<KeyOption> options()
    {
        // Each kind of question made on purpose most of the time, any codes at all now and then.
        const QList<QStringList> codesOf = {{"Ф", "Ф", " Ф", "аФ", "ф", "", "+"},
                                            {"+", "+", "", " ", "0", "x", "+\t"},
                                            {"1", "2", "3", " 1", "", "4", "10"},
                                            {"+", "+", "-"},
                                            {"+", "-", "", "1", "Ф", "ф", "2", " - ", "10"}};
        const int kind = pick(int(codesOf.size()) + 1);
        std::vector<KeyOption> out;
        const int n = pick(12) == 0 ? 0 : 1 + pick(6);
        if (kind == codesOf.size()) {
            // Matching: pairs of one label, a left item and a right one, in any order.
            for (int i = 1; i <= (n + 1) / 2; ++i) {
                const QString l = pick(8) == 0 ? label() : QString::number(i);
                out.push_back({l, pick(10) == 0 ? blanked(QStringLiteral("-")) : QStringLiteral("-"), text()});
                out.push_back({pick(8) == 0 ? label() : l, QStringLiteral("+"), text()});
            }
            if (!out.empty() && pick(2) == 0)
                std::swap(out.front(), out.back());
            return out;
        }
        const QStringList codes = codesOf[kind];
        for (int i = 0; i < n; ++i)
            out.push_back(
                {pick(3) == 0 ? label() : QString::number(i + 1), blanked(codes[pick(int(codes.size()))]), text()});
        return out;
    }

    // A number, a label or a slip, as typed beside an option.
    QString typedBeside(const std::vector<KeyOption> &options)
    {
        if (!options.empty() && pick(2) == 0)
            return blanked(options[size_t(pick(int(options.size())))].label.left(2));
        return blanked(pickOf<QString>({"1", "2", "3", "12", "123", "А", "а", "", "х"}));
    }

    // The first part of a line: an option's text as a run writes it, or a slip.
    QString start(const KeyOption &o)
    {
        switch (pick(25)) {
        case 0:
            return trimmed(o.text).toUpper() + dash;
        case 1:
            return trimmed(o.text) + QStringLiteral(" - ");
        case 2:
            return o.text + dash;
        default:
            return trimmed(o.text) + dash;
        }
    }

    QStringList shuffledSlips(QStringList lines)
    {
        switch (pick(15)) {
        case 0:
            if (!lines.isEmpty())
                lines.removeAt(pick(int(lines.size())));
            break;
        case 1:
            lines << text();
            break;
        case 2:
            if (lines.size() > 1)
                lines.swapItemsAt(0, lines.size() - 1);
            break;
        }
        return lines;
    }

    QString given(const QString &type, const std::vector<KeyOption> &options)
    {
        QStringList lines;
        std::vector<KeyOption> plus, minus;
        for (const KeyOption &o : options)
            if (trimmed(o.code) == u"+")
                plus.push_back(o);
            else if (trimmed(o.code) == u"-")
                minus.push_back(o);
        if (type == exact) {
            if (options.empty() || pick(3) == 0)
                return text();
            const QString front = trimmed(options.front().text);
            return pickOf(QStringList{blanked(front), front.toLower(), front.toUpper(), trimmed(options.back().text),
                                      front + u'\n'});
        }
        if (type == ticks) {
            for (const KeyOption &o : options)
                if (pick(2) == 0)
                    lines << (pick(20) == 0 ? o.text : trimmed(o.text));
        } else if (type == matching) {
            for (const KeyOption &o : minus)
                lines << start(o) + (plus.empty() || pick(15) == 0
                                         ? text()
                                         : trimmed(plus[size_t(pick(int(plus.size())))].text));
        } else if (type == ranking || type == classification) {
            for (const KeyOption &o : type == ranking ? options : plus)
                lines << start(o) + typedBeside(options);
        } else {
            for (const KeyOption &o : options)
                if (pick(2) == 0)
                    lines << trimmed(o.text);
        }
        return shuffledSlips(lines).join(u'\n');
    }
};

} // namespace

Q_DECLARE_METATYPE(Cases)

class SchoolJudgingTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    QString pcPassword;

    // The server's judgement of each case, in the form verdict() gives.
    QStringList judgedOnServer(const Cases &cases)
    {
        const As admin(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        QStringList out(cases.size(), QStringLiteral("none"));
        const qsizetype batch = 1000;
        for (qsizetype from = 0; from < cases.size(); from += batch) {
            QJsonArray all;
            for (qsizetype i = from; i < std::min(cases.size(), from + batch); ++i)
                all << json(cases[i]);
            QSqlQuery q(admin.db());
            q.prepare(QStringLiteral(
                "SELECT c.n, j.points, j.is_right, j.right_answer"
                " FROM jsonb_array_elements(CAST(? AS jsonb)) WITH ORDINALITY AS c(v, n)"
                " CROSS JOIN LATERAL trivo_judge(c.v ->> 'type', c.v ->> 'given', (c.v ->> 'points')::integer,"
                " c.v -> 'options') AS j"));
            q.addBindValue(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)));
            if (!q.exec())
                return {q.lastError().text()};
            std::map<qsizetype, int> rows;
            while (q.next()) {
                const qsizetype i = from + q.value(0).toLongLong() - 1;
                if (++rows[i] > 1)
                    return {QStringLiteral("two judgements of case %1").arg(i)};
                out[i] = QStringLiteral("%1|%2|%3")
                             .arg(q.value(1).toInt())
                             .arg(q.value(2).toBool())
                             .arg(q.value(3).toString());
            }
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        START_SCHOOL_SERVER(pg);
        SchoolServer server;
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
        QString error;
        const auto done = setUpSchool(server, setter, setterPassword, {}, error);
        QVERIFY2(done, qPrintable(error));
        pcPassword = done->pcPassword;
    }

    void thePcsMayNotJudge()
    {
        const As pc(pg.port, QStringLiteral("trivo_pc"), pcPassword);
        QVERIFY2(pc.db().isOpen(), qPrintable(pc.db().lastError().text()));
        for (const char *sql :
             {"SELECT * FROM trivo_judge('Точный ответ', 'а', 1, '[{\"code\": \"Ф\"}]')",
              "SELECT trivo_judge_trim(' а ')", "SELECT trivo_judge_credit(3, 1, 2)", "SELECT trivo_judge_type('[]')"})
            QVERIFY2(pc.refusal(QString::fromUtf8(sql)).contains(QStringLiteral("permission denied")), sql);
    }

    void bothJudgeAlike_data()
    {
        QTest::addColumn<Cases>("cases");
        const std::vector<KeyOption> moscow = {{"1", "Ф", "Москва"}};
        Cases typed;
        add(typed, exact, moscow,
            {"Москва", "  Москва\t", "Москва\n", "\x01Москва\x1f", "москва", "МОСКВА", "Москва.", "", "Моск ва"});
        add(typed, exact, {{"1", " аФ ", "\tЁлка \r"}, {"2", "Ф", "елка"}}, {"Ёлка", "ёлка", "елка", "ЁЛКА"});
        // The first option is the answer; others of the same code are not.
        add(typed, exact, {{"1", "Ф", "Москва"}, {"2", "Ф", "Moscow"}}, {"Moscow", "Москва"});
        add(typed, u' ' + exact + u'\n', moscow, {"Москва"});
        add(typed, ticks, moscow, {"Москва"});
        add(typed, exact, {{"1", "ф", "Москва"}}, {"Москва"}); // a small «ф» makes ticks
        QTest::newRow("typed answers") << typed;

        const std::vector<KeyOption> rivers = {
            {"1", "+", "Волга"}, {"2", "+", " Обь"}, {"3", "", "Нил"}, {"4", "+\t", "Лена"}, {"5", "0", "Дон"}};
        Cases ticked;
        add(ticked, ticks, rivers,
            {"Волга\nОбь\nЛена", "Лена\nВолга\nОбь", "Волга", "Волга\nОбь", "Волга\nНил", "Волга\nДон", "", "Нил",
             "Дон", "Волга\nОбь\nЛена\nДон", "Волга\nОбь\nЛена\nНил"});
        // Lines that name no option, or name one twice, or differ in case.
        add(ticked, ticks, rivers, {"Волга\nАмазонка", "волга", "Волга\nВолга", "Волга\n", "\nВолга", " Волга"});
        // A question with no right option at all, and options of the same text.
        add(ticked, ticks, {{"1", "", "да"}, {"2", " ", "нет"}}, {"", "да", "да\nнет"});
        add(ticked, ticks, {{"1", "+", "да"}, {"2", "", "да"}, {"3", "+", ""}}, {"да", "", "да\n", "\n"});
        QTest::newRow("ticks") << ticked;

        // Partial credit at every half: rounded to the even number.
        Cases credit;
        const std::vector<KeyOption> two = {{"1", "+", "а"}, {"2", "+", "б"}, {"3", "", "в"}};
        for (int points : {1, 2, 3, 5, 7, 9, -1, -3, -5, 0, 1001})
            add(credit, ticks, two, {"а", "б"}, points);
        const std::vector<KeyOption> rank6 = {{"1", "1", "а"}, {"2", "", "б"}, {"3", "", "в"},
                                              {"4", "", "г"},  {"5", "", "д"}, {"6", "", "е"}};
        for (int points : {1, 3, 5, 7, 11, -7})
            add(credit, ranking, rank6,
                {"а — 1\nб — 2\nв — 3\nг — 1\nд — 1\nе — 1", "а — 1\nб — 1\nв — 1\nг — 1\nд — 1\nе — 1",
                 "а — 1\nб — 2\nв — 3\nг — 4\nд — 5\nе — 1", "а — 2\nб — 1\nв — 1\nг — 1\nд — 1\nе — 1"},
                points);
        QTest::newRow("partial credit") << credit;

        const std::vector<KeyOption> books = {
            {"1", "-", "Пушкин"}, {"2", "-", "Толстой "}, {"1", "+", "Онегин"}, {"2", "+", "Война и мир"}};
        Cases pairs;
        add(pairs, matching, books,
            {"Пушкин — Онегин\nТолстой — Война и мир", "Пушкин — Война и мир\nТолстой — Онегин",
             "Пушкин — Онегин\nТолстой — Онегин", "Пушкин — Онегин", "Пушкин — Гамлет\nТолстой — Война и мир",
             "Пушкин - Онегин\nТолстой — Война и мир", "Пушкин — Онегин \nТолстой — Война и мир",
             "Толстой — Война и мир\nПушкин — Онегин", "пушкин — Онегин\nТолстой — Война и мир",
             "Пушкин — Онегин\nТолстой — Война и мир\n", ""});
        // Labels that differ by a blank never pair; two right items of one text.
        add(pairs, matching, {{" 1", "-", "а"}, {"1", "+", "б"}}, {"а — б"});
        add(pairs, matching, {{"1", "-", "а"}, {"2", "-", "в"}, {"1", "+", "б"}, {"2", "+", "б"}}, {"а — б\nв — б"});
        add(pairs, matching, {{"1", "-", "а"}, {"1", "-", "в"}, {"2", "+", "б"}, {"1", "+", "б"}}, {"а — б\nв — б"});
        add(pairs, matching, {{"1", "-", "а — б"}, {"1", "+", "в — г"}}, {"а — б — в — г", "а — б — в"});
        QTest::newRow("matching") << pairs;

        const std::vector<KeyOption> animals = {{"1", "-", "Звери"}, {"2", "-", "Птицы"}, {"1", "+", "Кит"},
                                                {"2", "+", "Орёл"},  {"1", "+", "Лось"},  {"12", "+", "Ёж"}};
        Cases classes;
        add(classes, classification, animals,
            {"Кит — 1\nОрёл — 2\nЛось — 1\nЁж — 12", "Кит — 1\nОрёл — 1\nЛось — 1\nЁж — 1",
             "Кит —  1 \nОрёл — 2\t\nЛось — 1\nЁж — 12", "Кит — 1\nОрёл — 2\nЛось — 1",
             "Орёл — 2\nКит — 1\nЛось — 1\nЁж — 12", "Кит — 1\nОрёл — 2\nЛось — 1\nёж — 12",
             "Кит — \nОрёл — \nЛось — \nЁж — ", "Кит — 1\nОрёл — 2\nЛось — 1\nЁж — 12\n"});
        add(classes, classification, {{"123", "+", "а"}, {"А", "+", "б"}, {"1", "-", "в"}},
            {"а — 123\nб — А", "а — 12\nб — а", "а — 12\nб — А"});
        QTest::newRow("classification") << classes;

        const std::vector<KeyOption> princes = {
            {"1", "1", "Рюрик"}, {"2", "2", "Олег"}, {"3", "", "Игорь"}, {" 4", "", "Ольга "}};
        Cases ranked;
        add(ranked, ranking, princes,
            {"Рюрик — 1\nОлег — 2\nИгорь — 3\nОльга — 4", "Рюрик — 1\nОлег — 3\nИгорь — 2\nОльга —  4",
             "Рюрик — 4\nОлег — 3\nИгорь — 2\nОльга — 1", "Рюрик — 1\nОлег — 2\nИгорь — 3",
             "Рюрик — 1\nОлег — 2\nИгорь — 3\nОльга — 4\nСвятослав — 5", "рюрик — 1\nОлег — 2\nИгорь — 3\nОльга — 4",
             "Рюрик—1\nОлег — 2\nИгорь — 3\nОльга — 4", "Рюрик — 1\nОлег — 2\nИгорь — 3\nОльга — 4 ", "", "\n\n\n"},
            3);
        add(ranked, ranking, {{"1", " 1\t", "а"}}, {"а — 1", "а — 2", "а — "});
        // Only a code of "1" makes ranking.
        add(ranked, ticks, {{"1", "10", "а"}, {"2", "", "б"}}, {"а", "б"});
        QTest::newRow("ranking") << ranked;

        // A kept answer that reached the length limit is not judged; the
        // limit counts as QString does, a character beyond the BMP as two.
        Cases kept;
        const QString long1999(1999, u'я');
        add(kept, exact, {{"1", "Ф", long1999}}, {long1999, long1999 + u'я', long1999.left(1998) + u' '});
        const QString smile = QString::fromUtf8("😀");
        add(kept, exact, {{"1", "Ф", smile.repeated(999)}},
            {smile.repeated(999), smile.repeated(999) + u'я', smile.repeated(1000), u'я' + smile.repeated(999)});
        add(kept, ticks,
            {{"1", "+", QString(700, u'а')}, {"2", "+", QString(700, u'б')}, {"3", "+", QString(700, u'в')}},
            {QString(700, u'а') + u'\n' + QString(700, u'б'),
             QString(700, u'а') + u'\n' + QString(700, u'б') + u'\n' + QString(700, u'в').left(596)});
        // No options at all: nothing to judge against.
        add(kept, exact, {}, {"", "а"});
        add(kept, ticks, {}, {""});
        QTest::newRow("cut short and no options") << kept;

        Cases random;
        const quint32 seed = 20261208;
        Answers answers(seed);
        for (int i = 0; i < 4000; ++i)
            random << answers.next();
        QTest::newRow("random answers to random options") << random;
    }

    void bothJudgeAlike()
    {
        QFETCH(Cases, cases);
        const QStringList server = judgedOnServer(cases);
        QCOMPARE(server.size(), cases.size());
        int judged = 0, partly = 0;
        QStringList differ;
        for (qsizetype i = 0; i < cases.size(); ++i) {
            const Case &c = cases[i];
            const auto program = remarkAnswer(c.type, c.given, c.points, c.options);
            judged += program ? 1 : 0;
            partly += program && !program->right && program->points != 0 ? 1 : 0;
            if (verdict(program) != server[i] && differ.size() < 5)
                differ << QStringLiteral("%1\n  program: %2\n  server:  %3")
                              .arg(QString::fromUtf8(QJsonDocument(json(c)).toJson(QJsonDocument::Compact)),
                                   verdict(program), server[i]);
        }
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(u'\n')));
        // The cases reach the rules at all: most are judged, some in part.
        QVERIFY2(judged > 0, "nothing was judged");
        if (cases.size() > 1000)
            QVERIFY2(judged > cases.size() / 3 && partly > cases.size() / 50,
                     qPrintable(QStringLiteral("%1 judged, %2 in part").arg(judged).arg(partly)));
    }
};

QTEST_GUILESS_MAIN(SchoolJudgingTest)
#include "test_judging.moc"
