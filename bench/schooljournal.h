#pragma once
// The results journal of a big school after three years: 1,000,000 runs of
// 20 questions each (20 million question rows) by 2,000 pupils in 70 classes,
// over 5 subjects of 20 topics with 40 questions each, grades spread by each
// pupil's ability, the last year's runs keeping the questions' texts and the
// answers given, and each pupil's memory of every question answered.
//
// The random parts (who ran which topic when, how many answers were right)
// come from a seeded generator in small helper tables; the engine itself
// expands them into the journal's tables, with the journal's indexes made
// afterwards, so that a million runs take minutes and not hours.
#include "journal.h"
#include "schema.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace school
{
// Changes whenever the generated journal would come out different.
constexpr int generatorVersion = 3;
constexpr int defaultRunCount = 1'000'000;
// TRIVO_BENCH_JOURNAL_RUNS makes a smaller journal, to try the benchmarks out.
inline int runCount()
{
    static const int n = [] {
        bool ok = false;
        const int env = qEnvironmentVariableIntValue("TRIVO_BENCH_JOURNAL_RUNS", &ok);
        return ok && env > 0 ? env : defaultRunCount;
    }();
    return n;
}
constexpr int questionsPerRun = 20;
constexpr int pupilCount = 2000;
constexpr int classCount = 70;
constexpr int subjectCount = 5;
constexpr int topicsPerSubject = 20;
constexpr int topicCount = subjectCount * topicsPerSubject;
constexpr int keysPerTopic = 40;
constexpr int days = 3 * 365;
// Runs of the last year keep their questions' texts and answers.
constexpr int textsFromDay = days - 365;
// The first run's day.
inline QDate firstDay()
{
    return QDate(2023, 1, 9);
}

[[noreturn]] inline void die(const QString &what)
{
    std::fprintf(stderr, "school journal: %s\n", qPrintable(what));
    std::abort();
}

struct Pupil {
    QString name, className, userCode;
    double ability = 0; // the share of answers right on an average topic
};

inline const QStringList &surnames()
{
    // Male forms; the female form adds «а».
    static const QStringList all = {
        "Иванов",    "Смирнов",   "Кузнецов",  "Попов",       "Васильев",   "Петров",    "Соколов",   "Михайлов",
        "Новиков",   "Фёдоров",   "Морозов",   "Волков",      "Алексеев",   "Лебедев",   "Семёнов",   "Егоров",
        "Павлов",    "Козлов",    "Степанов",  "Николаев",    "Орлов",      "Андреев",   "Макаров",   "Никитин",
        "Захаров",   "Зайцев",    "Соловьёв",  "Борисов",     "Яковлев",    "Григорьев", "Романов",   "Воробьёв",
        "Сергеев",   "Кузьмин",   "Фролов",    "Александров", "Дмитриев",   "Королёв",   "Гусев",     "Киселёв",
        "Ильин",     "Максимов",  "Поляков",   "Сорокин",     "Виноградов", "Ковалёв",   "Белов",     "Медведев",
        "Антонов",   "Тарасов",   "Жуков",     "Баранов",     "Филиппов",   "Комаров",   "Давыдов",   "Беляев",
        "Герасимов", "Богданов",  "Осипов",    "Сидоров",     "Матвеев",    "Титов",     "Марков",    "Миронов",
        "Крылов",    "Куликов",   "Карпов",    "Власов",      "Мельников",  "Денисов",   "Гаврилов",  "Тихонов",
        "Казаков",   "Афанасьев", "Данилов",   "Савельев",    "Тимофеев",   "Фомин",     "Чернов",    "Абрамов",
        "Мартынов",  "Ефимов",    "Федотов",   "Щербаков",    "Назаров",    "Калинин",   "Исаев",     "Чернышёв",
        "Быков",     "Маслов",    "Родионов",  "Коновалов",   "Лазарев",    "Воронин",   "Климов",    "Филатов",
        "Пономарёв", "Голубев",   "Кудрявцев", "Прохоров",    "Наумов",     "Потапов",   "Журавлёв",  "Овчинников",
        "Трофимов",  "Леонов",    "Соболев",   "Ермаков",     "Колесников", "Гончаров",  "Емельянов", "Никифоров",
        "Грачёв",    "Котов",     "Гришин",    "Ефремов",     "Архипов",    "Громов",    "Кириллов",  "Малышев",
        "Панов",     "Моисеев",   "Румянцев",  "Акимов",      "Кондратьев", "Бирюков",   "Горбунов",  "Анисимов",
        "Ерёмин",    "Тихомиров", "Галкин",    "Лукьянов",    "Михеев",     "Скворцов",  "Юдин",      "Белоусов",
        "Нестеров",  "Симонов",   "Прокофьев", "Харитонов",   "Князев",     "Цветков",   "Левин",     "Митрофанов",
        "Воронов",   "Аксёнов",   "Софронов",  "Мальцев",     "Логинов",    "Горшков",   "Савин",     "Краснов",
        "Майоров",   "Демидов",   "Елисеев",   "Рыбаков",     "Сафонов",    "Плотников", "Дёмин",     "Хохлов",
        "Жданов",    "Руднев",    "Шубин",     "Блинов",      "Лаврентьев", "Ершов",     "Пестов",    "Зуев",
    };
    return all;
}

inline const QStringList &boysNames()
{
    static const QStringList all = {"Александр", "Дмитрий", "Максим", "Сергей",  "Андрей",   "Алексей", "Артём",
                                    "Илья",      "Кирилл",  "Михаил", "Никита",  "Матвей",   "Роман",   "Егор",
                                    "Арсений",   "Иван",    "Денис",  "Тимофей", "Владимир", "Павел"};
    return all;
}

inline const QStringList &girlsNames()
{
    static const QStringList all = {"Анастасия", "Мария",    "Анна",  "Виктория", "Екатерина",  "Наталья",   "Марина",
                                    "Полина",    "Дарья",    "Алиса", "Ксения",   "Александра", "Елизавета", "Софья",
                                    "Валерия",   "Вероника", "Арина", "Юлия",     "Ольга",      "Ульяна"};
    return all;
}

// «5А» … «11Ж»: seven years of ten letters.
inline QString className(int c)
{
    static const QString letters = QStringLiteral("АБВГДЕЖЗИК");
    return QString::number(5 + c / 10) + letters[c % 10];
}

inline const std::vector<Pupil> &pupils()
{
    static const std::vector<Pupil> all = [] {
        std::mt19937 random(20230109);
        std::normal_distribution<double> ability(0.68, 0.12);
        std::vector<Pupil> out;
        QStringList taken;
        while (int(out.size()) < pupilCount) {
            const QString surname = surnames()[int(random() % unsigned(surnames().size()))];
            const bool girl = random() % 2;
            const QStringList &names = girl ? girlsNames() : boysNames();
            const QString name =
                (girl ? surname + u'а' : surname) + u' ' + names[int(random() % unsigned(names.size()))];
            if (taken.contains(name))
                continue;
            taken << name;
            const int c = int(out.size()) % classCount;
            out.push_back(
                {name, className(c), QString::number(310000 + c * 7), std::clamp(ability(random), 0.25, 0.97)});
        }
        return out;
    }();
    return all;
}

inline QString subjectName(int s)
{
    static const char *const names[subjectCount] = {"Математика", "Русский язык", "История", "Физика", "Биология"};
    return QString::fromUtf8(names[s]);
}

inline QString topicName(int t)
{
    static const char *const words[topicsPerSubject] = {
        "Введение",  "Основные понятия", "Законы",     "Задачи",        "Повторение",
        "Практикум", "Обобщение",        "Проверка",   "Углублённо",    "Опыты",
        "Термины",   "Даты и числа",     "Схемы",      "Таблицы",       "Текст",
        "Вывод",     "Олимпиада",        "Подготовка", "Экзамен части", "Итоговая"};
    return QStringLiteral("%1. %2").arg(t % topicsPerSubject + 1).arg(QString::fromUtf8(words[t % topicsPerSubject]));
}

inline QString subjectOfTopic(int t)
{
    return subjectName(t / topicsPerSubject);
}

inline QString questionKey(int t, int k)
{
    return QStringLiteral("%1_%2_1_%3").arg(t / topicsPerSubject + 1).arg(t % topicsPerSubject + 1).arg(k + 1);
}

inline QString answerType(int k)
{
    static const char *const types[] = {"Точный ответ", "Птички поставить", "Соответствие", "Проставить номера",
                                        "Ранжирование"};
    return QString::fromUtf8(types[k % 5]);
}

inline QString questionText(int t, int k)
{
    return QStringLiteral("Вопрос %1 по теме «%2» (%3): выберите или введите верный ответ, прочитав условие "
                          "внимательно; ответ записывается без пробелов и лишних знаков.")
        .arg(k + 1)
        .arg(topicName(t), subjectOfTopic(t));
}

inline QString rightAnswer(int k)
{
    switch (k % 5) {
    case 0:
        return QStringLiteral("ответ %1").arg(k * 7 % 100);
    case 1:
        return QStringLiteral("вариант %1\nвариант %2").arg(k % 4 + 1).arg((k + 2) % 4 + 1);
    default:
        return QStringLiteral("А — 1\nБ — 2\nВ — 3");
    }
}

// Two wrong answers of each question, one each time.
inline QString wrongAnswer(int k, int which)
{
    switch (k % 5) {
    case 0:
        return QStringLiteral("ответ %1").arg((k * 7 + 1 + which) % 100);
    case 1:
        return QStringLiteral("вариант %1").arg((k + 1 + which) % 4 + 1);
    default:
        return which ? QStringLiteral("А — 2\nБ — 1\nВ — 3") : QStringLiteral("А — 1\nБ — 3\nВ — 2");
    }
}

inline QString textHash(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().left(16));
}

// What a pupil does with a topic's questions: one run of the generated journal.
struct Run {
    QString id;
    int pupil = 0, topic = 0;
    int offset = 0;  // the run asks keys offset … offset + 19 of its topic
    int right = 0;   // how many of the 20 were right
    qint64 at = 0;   // seconds from the first day's midnight
    int seconds = 0; // the run's length
    QString grade;
    int flags = 0; // 1 prompting, 2 put off, 4 hints
};

inline QString gradeOf(int right, bool stopped)
{
    if (stopped)
        return QStringLiteral("0");
    const double share = right / double(questionsPerRun);
    return QString::number(share >= 0.85 ? 5 : share >= 0.65 ? 4 : share >= 0.45 ? 3 : 2);
}

inline QString uuidFrom(std::mt19937_64 &random)
{
    const quint64 a = random(), b = random();
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-4%03x-%04x-%012llx", unsigned(a >> 32), unsigned(a >> 16 & 0xffff),
                  unsigned(a & 0xfff), unsigned(0x8000 | (b >> 48 & 0x3fff)),
                  (unsigned long long)(b & 0xffffffffffffULL));
    return QString::fromLatin1(text);
}

// The runs in time order.
inline std::vector<Run> runs()
{
    std::mt19937_64 random(1095);
    std::vector<qint64> at(static_cast<size_t>(runCount()));
    for (qint64 &t : at)
        t = qint64(random() % days) * 86400 + 8 * 3600 + qint64(random() % (8 * 3600));
    std::sort(at.begin(), at.end());
    std::vector<double> hardness(topicCount);
    for (double &h : hardness)
        h = double(random() % 200) / 1000 - 0.1;
    std::vector<Run> out(static_cast<size_t>(runCount()));
    for (int n = 0; n < runCount(); ++n) {
        Run &r = out[size_t(n)];
        r.id = uuidFrom(random);
        r.pupil = int(random() % pupilCount);
        r.topic = int(random() % topicCount);
        r.offset = int(random() % keysPerTopic);
        const double p = std::clamp(pupils()[size_t(r.pupil)].ability - hardness[size_t(r.topic)], 0.02, 0.98);
        r.right = std::binomial_distribution<int>(questionsPerRun, p)(random);
        r.at = at[size_t(n)];
        r.seconds = 300 + int(random() % 1500);
        r.grade = gradeOf(r.right, random() % 50 == 0);
        r.flags = int(random() % 8);
    }
    return out;
}

class Maker
{
public:
    explicit Maker(QSqlDatabase db) : m_db(db), m_dialect(dialectOf(db)) {}

    // Fills the journal, whose schema is made and whose tables are empty.
    void fill()
    {
        const bool pg = m_dialect == Dialect::Postgres;
        if (pg) {
            exec("SET maintenance_work_mem TO '1GB'");
            exec("SET work_mem TO '256MB'");
        } else {
            exec("PRAGMA journal_mode=OFF");
            exec("PRAGMA synchronous=OFF");
            exec("PRAGMA cache_size=-2000000");
            exec("PRAGMA foreign_keys=OFF");
        }
        stage("helper tables", [&] { helpers(); });
        dropIndexes();
        exec("BEGIN");
        // The question rows first: each result takes its line of questions from them.
        stage("question rows", [&] { questions(); });
        stage("results", [&] { results(); });
        stage("pupils", [&] { exec(fillPupils()); });
        stage("memory", [&] { exec(fillMemory()); });
        exec("COMMIT");
        stage("indexes", [&] { makeIndexes(); });
        if (pg) {
            stage("vacuum", [&] { exec("VACUUM ANALYZE"); });
        } else {
            exec("PRAGMA journal_mode=WAL");
        }
        for (const char *t : {"bench_runs", "bench_pupils", "bench_topics", "bench_questions", "bench_positions"})
            exec(QStringLiteral("DROP TABLE %1").arg(QLatin1String(t)));
    }

private:
    template <class F> void stage(const char *what, F f)
    {
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        f();
        std::fprintf(stderr, "school journal: %s in %.1f s\n", what,
                     double(QDateTime::currentMSecsSinceEpoch() - start) / 1000);
    }

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            die(q.lastError().text() + QStringLiteral(" in ") + sql.left(300));
    }
    void exec(const char *sql) { exec(QString::fromUtf8(sql)); }

    static QString quoted(const QString &s)
    {
        QString out = s;
        out.replace(u'\'', QStringLiteral("''"));
        return u'\'' + out + u'\'';
    }

    // Inserts rows of literal values, many to a statement.
    void insertRows(const QString &table, const std::vector<QString> &rows)
    {
        constexpr size_t perStatement = 1000;
        for (size_t from = 0; from < rows.size(); from += perStatement) {
            QString sql = QStringLiteral("INSERT INTO %1 VALUES ").arg(table);
            for (size_t i = from; i < std::min(rows.size(), from + perStatement); ++i) {
                if (i > from)
                    sql += u',';
                sql += u'(' + rows[i] + u')';
            }
            exec(sql);
        }
    }

    void helpers()
    {
        exec("CREATE TEMP TABLE bench_pupils (n INTEGER PRIMARY KEY, pupil TEXT, folded TEXT, class_name TEXT,"
             " user_code TEXT)");
        exec("CREATE TEMP TABLE bench_topics (n INTEGER PRIMARY KEY, subject TEXT, topic TEXT)");
        exec("CREATE TEMP TABLE bench_questions (t INTEGER, k INTEGER, question_key TEXT, answer_type TEXT,"
             " question_text TEXT, text_hash TEXT, right_answer TEXT, wrong_a TEXT, wrong_b TEXT, PRIMARY KEY (t, k))");
        exec("CREATE TEMP TABLE bench_positions (p INTEGER PRIMARY KEY)");
        exec("CREATE TEMP TABLE bench_runs (n INTEGER PRIMARY KEY, id TEXT, pn INTEGER, tn INTEGER, o INTEGER,"
             " rights INTEGER, at BIGINT, secs INTEGER, grade TEXT, flags INTEGER)");
        std::vector<QString> rows;
        for (size_t n = 0; n < pupils().size(); ++n) {
            const Pupil &p = pupils()[n];
            rows.push_back(
                QStringLiteral("%1, %2, %3, %4, %5")
                    .arg(n)
                    .arg(quoted(p.name), quoted(p.name.toCaseFolded()), quoted(p.className), quoted(p.userCode)));
        }
        insertRows("bench_pupils", rows);
        rows.clear();
        for (int t = 0; t < topicCount; ++t)
            rows.push_back(QStringLiteral("%1, %2, %3").arg(t).arg(quoted(subjectOfTopic(t)), quoted(topicName(t))));
        insertRows("bench_topics", rows);
        rows.clear();
        for (int t = 0; t < topicCount; ++t)
            for (int k = 0; k < keysPerTopic; ++k) {
                const QString text = questionText(t, k);
                rows.push_back(QStringLiteral("%1, %2, %3, %4, %5, %6, %7, %8, %9")
                                   .arg(t)
                                   .arg(k)
                                   .arg(quoted(questionKey(t, k)), quoted(answerType(k)), quoted(text),
                                        quoted(textHash(text)), quoted(rightAnswer(k)), quoted(wrongAnswer(k, 0)),
                                        quoted(wrongAnswer(k, 1))));
            }
        insertRows("bench_questions", rows);
        rows.clear();
        for (int p = 0; p < questionsPerRun; ++p)
            rows.push_back(QString::number(p));
        insertRows("bench_positions", rows);
        rows.clear();
        const std::vector<Run> all = runs();
        for (size_t n = 0; n < all.size(); ++n) {
            const Run &r = all[n];
            rows.push_back(QStringLiteral("%1, '%2', %3, %4, %5, %6, %7, %8, '%9', %10")
                               .arg(n)
                               .arg(r.id)
                               .arg(r.pupil)
                               .arg(r.topic)
                               .arg(r.offset)
                               .arg(r.right)
                               .arg(r.at)
                               .arg(r.seconds)
                               .arg(r.grade)
                               .arg(r.flags));
        }
        insertRows("bench_runs", rows);
        if (m_dialect == Dialect::Postgres)
            exec("ANALYZE bench_runs");
        else
            exec("CREATE INDEX bench_runs_id ON bench_runs (id)");
    }

    // A moment given in seconds from the first day's midnight, as the journal keeps it.
    QString moment(const QString &seconds) const
    {
        const QString day = firstDay().toString(Qt::ISODate);
        if (m_dialect == Dialect::Postgres)
            return QStringLiteral("(TIMESTAMP '%1 00:00:00' + (%2) * INTERVAL '1 second')").arg(day, seconds);
        return QStringLiteral("strftime('%Y-%m-%dT%H:%M:%S', '%1', '+' || (%2) || ' seconds')").arg(day, seconds);
    }

    void results()
    {
        exec(QStringLiteral(
                 "INSERT INTO results (id, pupil, pupil_folded, user_code, access, host, subject, topic, started,"
                 " seconds, prompting, random_order, protocol, exam, asked, answered, right_answers, put_off,"
                 " points_possible, points_earned, grade, running_grade, hints, class_name, scores)"
                 " SELECT b.id, p.pupil, p.folded, p.user_code, 'W', 'KLASS-' || (b.n % 30), t.subject, t.topic,"
                 " %1, b.secs, (b.flags % 2) = 1, TRUE, FALSE, FALSE, 20, 20, b.rights, b.flags / 2 % 2,"
                 " 20, b.rights, b.grade, b.grade, b.flags / 4 * (20 - b.rights), p.class_name, l.line"
                 " FROM bench_runs b JOIN bench_pupils p ON p.n = b.pn JOIN bench_topics t ON t.n = b.tn"
                 " JOIN (%2) l ON l.result_id = b.id ORDER BY b.n")
                 .arg(moment("b.at"), scoreLines()));
    }

    // Each run's questions in one line, as the journal writes it (questionScores).
    QString scoreLines() const
    {
        const bool pg = m_dialect == Dialect::Postgres;
        const QString field = pg ? QStringLiteral("chr(31)") : QStringLiteral("char(31)");
        const QString code = QStringLiteral("(CASE WHEN is_right THEN '' WHEN answer_type = '%1' THEN 't'"
                                            " WHEN answer_type = '%2' THEN 'e' ELSE '' END)")
                                 .arg(answerType(1), answerType(0));
        const QString line =
            QStringLiteral("question_key || %1 || points_possible || %1 || points_earned || %1 ||"
                           " (CASE WHEN is_right THEN '1' ELSE '0' END) || %1 || seconds || %1 || %2 || %1 ||"
                           " (CASE WHEN %2 = '' THEN '' ELSE given END) || %1 ||"
                           " (CASE WHEN %2 = '' THEN '' ELSE right_answer END)")
                .arg(field, code);
        return pg ? QStringLiteral("SELECT result_id, string_agg(%1, chr(30) ORDER BY position) AS line"
                                   " FROM result_questions GROUP BY result_id")
                        .arg(line)
                  : QStringLiteral("SELECT result_id, group_concat(line, char(30)) AS line FROM (SELECT result_id,"
                                   " %1 AS line FROM result_questions ORDER BY result_id, position) GROUP BY result_id")
                        .arg(line);
    }

    void questions()
    {
        // Key offset + p of the topic at position p; the answers right are
        // the first `rights` of a shuffle of the positions (7 is prime to 20).
        // SQLite keeps the primary key's index all along: the rows go in
        // in its order, read through an index of the runs by id.
        const QString right = QStringLiteral("((s.p * 7 + b.o) % 20) < b.rights");
        const QString kept = QStringLiteral("b.at >= %1").arg(qint64(textsFromDay) * 86400);
        exec(QStringLiteral("INSERT INTO result_questions (result_id, position, question_key, answer_type,"
                            " points_possible, points_earned, answered, is_right, hints, seconds, text_hash,"
                            " question_text, given, right_answer, topic)"
                            " SELECT b.id, s.p + 1, q.question_key, q.answer_type, 1,"
                            " CASE WHEN %1 THEN 1 ELSE 0 END, TRUE, %1, CASE WHEN b.flags >= 4 AND NOT (%1) THEN 1"
                            " ELSE 0 END, 10 + (b.n + s.p * 13) % 90, q.text_hash,"
                            " CASE WHEN %2 THEN q.question_text ELSE '' END,"
                            " CASE WHEN NOT (%2) THEN '' WHEN %1 THEN q.right_answer WHEN (b.n + s.p) % 2 = 0"
                            " THEN q.wrong_a ELSE q.wrong_b END,"
                            " CASE WHEN %2 THEN q.right_answer ELSE '' END, t.topic"
                            " FROM bench_runs b CROSS JOIN bench_positions s"
                            " JOIN bench_questions q ON q.t = b.tn AND q.k = (b.o + s.p) % 40"
                            " JOIN bench_topics t ON t.n = b.tn%3")
                 .arg(right, kept, m_dialect == Dialect::Sqlite ? QStringLiteral(" ORDER BY b.id, s.p") : QString()));
    }

    QString fillPupils() const
    {
        return QStringLiteral("INSERT INTO pupils (pupil_folded, pupil, class_name, last_started)"
                              " SELECT p.folded, p.pupil, p.class_name, %1 FROM bench_pupils p"
                              " JOIN (SELECT pn, MAX(at) AS last FROM bench_runs GROUP BY pn) m ON m.pn = p.n")
            .arg(moment("m.last"));
    }

    // Each pupil's memory of each question answered: counts from the
    // answers, the schedule made up from them (the scheduler's own figures
    // come from replaying the answers, which the journal does as it goes).
    // The rows lie in the order the runs last wrote them, as the journal's
    // own writes leave them: the memory of a run's questions goes in, and is
    // written anew, together.
    QString fillMemory() const
    {
        const QString right = QStringLiteral("CASE WHEN ((s.p * 7 + b.o) % 20) < b.rights THEN 1 ELSE 0 END");
        return QStringLiteral(
                   "INSERT INTO question_memory (pupil_folded, pupil, subject, question_key, text_hash, stability,"
                   " difficulty, interval_days, due, last_answer, right_count, wrong_count, topic, last_right)"
                   " SELECT p.folded, p.pupil, t.subject, q.question_key, q.text_hash, 1.5 * m.rights + 0.5,"
                   " 5.0 - m.rights * 0.2, CASE WHEN m.last % 2 = 1 THEN 1 + 4 * m.rights ELSE 1 END,"
                   " CASE WHEN m.answers > m.rights THEN %1 END, %2, m.rights, m.answers - m.rights, t.topic,"
                   " m.last % 2 = 1"
                   " FROM (SELECT b.pn, b.tn, (b.o + s.p) % 40 AS k, COUNT(*) AS answers, SUM(%3) AS rights,"
                   " MAX(b.n * 2 + %3) AS last, MAX(b.at + b.secs) AS finished"
                   " FROM bench_runs b CROSS JOIN bench_positions s GROUP BY b.pn, b.tn, (b.o + s.p) % 40) m"
                   " JOIN bench_pupils p ON p.n = m.pn JOIN bench_topics t ON t.n = m.tn"
                   " JOIN bench_questions q ON q.t = m.tn AND q.k = m.k ORDER BY m.last / 2, m.k")
            .arg(moment(
                     QStringLiteral("m.finished + 86400 * CASE WHEN m.last % 2 = 1 THEN 1 + 4 * m.rights ELSE 1 END")),
                 moment("m.finished"), right);
    }

    // The journal's own indexes and keys are taken away while the rows go
    // in and made again afterwards, each in one sorted pass.
    void dropIndexes()
    {
        QSqlQuery q(m_db);
        const QString tables = QStringLiteral("('results', 'result_questions', 'question_memory', 'pupils')");
        if (m_dialect == Dialect::Postgres) {
            // Foreign keys first, then the primary keys they lean on.
            if (!q.exec(QStringLiteral("SELECT conname, conrelid::regclass::text, pg_get_constraintdef(oid) FROM"
                                       " pg_constraint WHERE conrelid::regclass::text IN %1 AND contype IN ('f', 'p')"
                                       " ORDER BY contype")
                            .arg(tables)))
                die(q.lastError().text());
            while (q.next()) {
                m_dropped << QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2")
                                 .arg(q.value(1).toString(), q.value(0).toString());
                m_made.prepend(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 %3")
                                   .arg(q.value(1).toString(), q.value(0).toString(), q.value(2).toString()));
            }
            if (!q.exec(QStringLiteral("SELECT indexname, indexdef FROM pg_indexes WHERE tablename IN %1 AND indexname"
                                       " NOT IN (SELECT conname FROM pg_constraint)")
                            .arg(tables)))
                die(q.lastError().text());
        } else if (!q.exec(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"
                                          " AND tbl_name IN %1")
                               .arg(tables))) {
            die(q.lastError().text());
        }
        while (q.next()) {
            m_dropped << QStringLiteral("DROP INDEX %1").arg(q.value(0).toString());
            m_made.prepend(q.value(1).toString());
        }
        for (const QString &sql : m_dropped)
            exec(sql);
    }

    void makeIndexes()
    {
        for (const QString &sql : m_made)
            exec(sql);
    }

    QSqlDatabase m_db;
    Dialect m_dialect;
    QStringList m_dropped, m_made;
};
} // namespace school
