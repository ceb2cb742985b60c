#pragma once
// Question files written by hand for the interchange suites, and the topics
// and bank records they are compared with.
#include "TestFiles.h"
#include "interchange.h"

#include <QStringList>

// A topic as one line per question: type, points, text, then the options
// (ticks "+right"/"-wrong", typed "=answer", matching "left->right", ranking in order).
inline QStringList described(const Topic &t)
{
    static const char *const types[] = {"typed", "ticks", "matching", "ranking"};
    QStringList out{QStringLiteral("topic: ") + t.name};
    for (const Item &i : t.items) {
        QStringList opts;
        for (const ItemOption &o : i.options) {
            switch (i.type) {
            case ItemType::Typed:
                opts << u'=' + o.text;
                break;
            case ItemType::Ticks:
                opts << (o.right ? u'+' : u'-') + o.text;
                break;
            case ItemType::Matching:
                opts << o.text + QStringLiteral("->") + o.pair;
                break;
            case ItemType::Ranking:
                opts << o.text;
                break;
            }
        }
        out << QStringLiteral("%1 %2 %3 | %4")
                   .arg(QLatin1String(types[int(i.type)]))
                   .arg(i.points)
                   .arg(i.text, opts.join(u'|'));
    }
    return out;
}

inline const QStringList everyType{
    QStringLiteral("topic: Физика"),
    QStringLiteral("ticks 2 Единица силы? | -джоуль|+ньютон|-ватт"),
    QStringLiteral("ticks 1 Что из этого металлы? | +медь|+железо|-сера"),
    QStringLiteral("ticks 1 Земля круглая. | +Верно|-Неверно"),
    QStringLiteral("typed 3 Скорость света, тыс. км/с? | =300"),
    QStringLiteral("matching 1 Величина и единица | сила->ньютон|работа->джоуль|мощность->ватт"),
};

inline QByteArray giftEveryType()
{
    return QStringLiteral("// учебный файл\n"
                          "$CATEGORY: $course$/top/Физика\n\n"
                          "// Баллы: 2\n"
                          "::Q1:: Единица силы? {~джоуль =ньютон ~ватт}\n\n"
                          "Что из этого металлы? {\n  ~%50%медь\n  ~%50%железо\n  ~%-100%сера\n}\n\n"
                          "Земля круглая. {T}\n\n"
                          "// points: 3\n"
                          "Скорость света, тыс. км/с? {=300}\n\n"
                          "Величина и единица {=сила -> ньютон =работа -> джоуль =мощность -> ватт}\n")
        .toUtf8();
}

inline QByteArray xmlEveryType()
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="category"><category><text>$course$/top/Физика</text></category></question>
  <question type="multichoice">
    <name><text>Q1</text></name>
    <questiontext format="html"><text><![CDATA[<p>Единица&nbsp;силы?</p>]]></text></questiontext>
    <defaultgrade>2.0000000</defaultgrade>
    <single>true</single>
    <answer fraction="0" format="html"><text>джоуль</text></answer>
    <answer fraction="100" format="html"><text>ньютон</text></answer>
    <answer fraction="0" format="html"><text>ватт</text></answer>
  </question>
  <question type="multichoice">
    <questiontext format="moodle_auto_format"><text>Что из этого металлы?</text></questiontext>
    <single>false</single>
    <answer fraction="50"><text>медь</text></answer>
    <answer fraction="50"><text>железо</text></answer>
    <answer fraction="-100"><text>сера</text></answer>
  </question>
  <question type="truefalse">
    <questiontext format="html"><text>Земля круглая.</text></questiontext>
    <answer fraction="100"><text>true</text></answer>
    <answer fraction="0"><text>false</text></answer>
  </question>
  <question type="shortanswer">
    <questiontext format="html"><text>Скорость света, тыс. км/с?</text></questiontext>
    <defaultgrade>3</defaultgrade><usecase>1</usecase>
    <answer fraction="100" format="moodle_auto_format"><text>300</text></answer>
  </question>
  <question type="matching">
    <questiontext format="html"><text>Величина и единица</text></questiontext>
    <subquestion format="html"><text>сила</text><answer><text>ньютон</text></answer></subquestion>
    <subquestion format="html"><text>работа</text><answer><text>джоуль</text></answer></subquestion>
    <subquestion format="html"><text>мощность</text><answer><text>ватт</text></answer></subquestion>
  </question>
  <question type="ordering">
    <questiontext format="html"><text>По возрастанию</text></questiontext>
    <answer fraction="2"><text>два</text></answer>
    <answer fraction="1"><text>один</text></answer>
    <answer fraction="3"><text>три</text></answer>
  </question>
</quiz>
)")
        .toUtf8();
}

inline QString notesText(const QStringList &notes)
{
    return notes.join(u'\n');
}

// A bank topic with every type that has a counterpart, stored the way the
// import stores it (so that it must come back unchanged).
inline TopicRecords everyTypeRecords()
{
    TopicRecords r;
    r.tema = {"1", "1", "Все типы"};
    auto q = [&](const char *wopr, const QString &text, const char *ball) {
        r.questions.push_back({"1", "1", "1", wopr, text, "", ball, ""});
    };
    auto o = [&](const char *wopr, const QString &otwe, const char *code, const QString &text) {
        r.options.push_back({"1", "1", "1", wopr, otwe, code, text});
    };
    q("1", "Единица силы?", "2");
    o("1", "а", "", "джоуль");
    o("1", "б", "+", "ньютон");
    q("2", "Металлы: медь {и} железо = ~ # :", "1");
    o("2", "а", "+", "медь");
    o("2", "б", "+", "железо");
    o("2", "в", "", "сера");
    q("3", "Столица Франции?", "5");
    o("3", "1", "Ф", "Париж");
    q("4", "Величина и единица", "1");
    o("4", "1", "-", "сила");
    o("4", "2", "-", "работа");
    o("4", "3", "-", "мощность");
    o("4", "2", "+", "джоуль");
    o("4", "3", "+", "ватт");
    o("4", "1", "+", "ньютон");
    q("5", "По возрастанию", "1");
    o("5", "2", "1", "два");
    o("5", "3", "1", "три");
    o("5", "1", "1", "один");
    return r;
}

inline void writeBank(const QString &folder, const TopicRecords &r)
{
    const BankFiles bank(folder);
    bank.tema.rewrite(std::vector<TemaRec>{r.tema});
    bank.wopros.rewrite(r.questions);
    bank.otwet.rewrite(r.options);
}

inline QStringList optionLines(const std::vector<OtwetRec> &opts)
{
    QStringList out;
    for (const OtwetRec &o : opts)
        out << QStringList{o.Predm, o.Tema, o.Test, o.Wopr, o.Otwe, o.Kod_P, o.Nazwan}.join(u'|');
    return out;
}

inline QStringList questionLines(const std::vector<WoprosRec> &qs)
{
    QStringList out;
    for (const WoprosRec &q : qs)
        out << QStringList{q.Predm, q.Tema, q.Test, q.Wopr, q.Nazwan, q.Porad, q.Ball, q.S_Kod}.join(u'|');
    return out;
}

// Generated files: a question of `count` options (the first one right) or
// of `count` matching pairs, and a file of the same question many times.
inline QByteArray giftTicks(const QString &text, int count)
{
    QString q = text + QStringLiteral(" {");
    for (int i = 1; i <= count; ++i)
        q += (i == 1 ? QStringLiteral("\n=") : QStringLiteral("\n~")) + QStringLiteral("вариант %1").arg(i);
    return (q + QStringLiteral("\n}\n\n")).toUtf8();
}

inline QByteArray giftPairs(const QString &text, int count)
{
    QString q = text + QStringLiteral(" {");
    for (int i = 1; i <= count; ++i)
        q += QStringLiteral("\n=левое %1 -> правое %1").arg(i);
    return (q + QStringLiteral("\n}\n\n")).toUtf8();
}

inline QByteArray xmlTicks(const QString &text, int count)
{
    QString q = QStringLiteral("<question type=\"multichoice\"><questiontext><text>%1</text></questiontext>").arg(text);
    for (int i = 1; i <= count; ++i)
        q += QStringLiteral("<answer fraction=\"%1\"><text>вариант %2</text></answer>").arg(i == 1 ? 100 : 0).arg(i);
    return (q + QStringLiteral("</question>\n")).toUtf8();
}

inline QByteArray xmlPairs(const QString &text, int count)
{
    QString q = QStringLiteral("<question type=\"matching\"><questiontext><text>%1</text></questiontext>").arg(text);
    for (int i = 1; i <= count; ++i)
        q += QStringLiteral("<subquestion><text>левое %1</text><answer><text>правое %1</text></answer></subquestion>")
                 .arg(i);
    return (q + QStringLiteral("</question>\n")).toUtf8();
}

inline QByteArray xmlQuiz(const QByteArray &questions)
{
    return "<?xml version=\"1.0\"?>\n<quiz>\n" + questions + "</quiz>\n";
}

inline QByteArray times(const QByteArray &piece, int n)
{
    return piece.repeated(n);
}
