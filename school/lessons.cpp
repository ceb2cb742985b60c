#include "lessons.h"
#include "errors.h"
#include "exam.h"
#include "run.h"
#include "text.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>

namespace
{
QString failed(const QString &what, const QSqlError &e)
{
    const QString why = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return QStringLiteral("%1: %2").arg(what, why.trimmed());
}

// Fisher–Yates with the program's generator, so that a seeded test sees one order.
void shuffle(QStringList &list, RandomGen &gen)
{
    for (qsizetype i = list.size() - 1; i > 0; --i) {
        const qsizetype j = std::min<qsizetype>(qsizetype(gen.next() * double(i + 1)), i);
        list.swapItemsAt(i, j);
    }
}

QStringList textsWithCode(const std::vector<KeyOption> &options, QStringView code)
{
    QStringList out;
    for (const KeyOption &o : options)
        if (trimmed(o.code) == code)
            out << trimmed(o.text);
    return out;
}

int pointsOf(const QString &ball)
{
    // An empty points cell counts nothing, as in a run's sum.
    return trimmed(ball).isEmpty() ? 0 : toIntOrThrow(trimmed(ball));
}

QString jsonText(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QString keyText(const std::vector<KeyOption> &options)
{
    QJsonArray all;
    for (const KeyOption &o : options)
        all.append(QJsonObject{
            {QStringLiteral("label"), o.label}, {QStringLiteral("code"), o.code}, {QStringLiteral("text"), o.text}});
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

bool exec(QSqlQuery &q, const QString &what, QString &error)
{
    if (q.exec())
        return true;
    error = failed(what, q.lastError());
    return false;
}
} // namespace

std::optional<std::vector<LessonQuestion>> drawLessonQuestions(const BankFiles &bank, const QString &predm,
                                                               const QString &tema, bool exam, int count,
                                                               QString &error, RandomGen &gen)
{
    try {
        std::vector<QStringList> rows;
        if (exam) {
            const QByteArray drawn = drawExamRecords(bank.exam, bank.wopros, gen);
            for (qsizetype at = 0; at + WoprosRec::Size <= drawn.size(); at += WoprosRec::Size)
                rows.push_back(questionRow(WoprosRec::decode(drawn.mid(at, WoprosRec::Size)), gen, 1000));
        } else {
            rows = topicQuestionRows(bank.wopros, predm, tema, gen, 1000);
            orderByKeys(rows, 5);
        }
        // Every option of the drawn questions, found in one pass over the answers.
        QHash<QString, std::vector<KeyOption>> options;
        const QByteArray answers = questionAnswerRecords(bank.otwet, rows);
        for (qsizetype at = 0; at + OtwetRec::Size <= answers.size(); at += OtwetRec::Size) {
            const OtwetRec o = OtwetRec::decode(answers.mid(at, OtwetRec::Size));
            options[questionKey(o.Predm, o.Tema, o.Test, o.Wopr)].push_back({o.Otwe, o.Kod_P, o.Nazwan});
        }
        std::vector<LessonQuestion> out;
        for (const QStringList &r : rows) {
            if (int(out.size()) >= count)
                break;
            const QString key = questionKey(r.value(0), r.value(1), r.value(2), r.value(3));
            const auto found = options.constFind(key);
            if (found == options.constEnd() || found->empty())
                continue;
            out.push_back({key, r.value(4), pointsOf(r.value(6)), *found});
        }
        return out;
    } catch (const TrivoError &e) {
        error = QStringLiteral("Вопросы не выбраны из банка: %1").arg(QString::fromUtf8(e.what()));
        return std::nullopt;
    }
}

QJsonObject shownOptions(const std::vector<KeyOption> &options, RandomGen &gen)
{
    const QString type = answerTypeOf(options);
    auto list = [](const QStringList &texts) { return QJsonArray::fromStringList(texts); };
    if (type == answerTypeText(AnswerType::Exact))
        return {};
    if (type == answerTypeText(AnswerType::Matching)) {
        // The left column stays as the judging reads it; the right one would
        // often give the pairs away in the bank's order.
        QStringList right = textsWithCode(options, u"+");
        shuffle(right, gen);
        return {{QStringLiteral("left"), list(textsWithCode(options, u"-"))}, {QStringLiteral("right"), list(right)}};
    }
    if (type == answerTypeText(AnswerType::Classification)) {
        // A group's label is the number the pupil types; an item's is its key.
        QJsonArray groups;
        for (const KeyOption &o : options)
            if (trimmed(o.code) == u"-")
                groups.append(QJsonObject{{QStringLiteral("number"), trimmed(o.label)},
                                          {QStringLiteral("text"), trimmed(o.text)}});
        return {{QStringLiteral("groups"), groups}, {QStringLiteral("items"), list(textsWithCode(options, u"+"))}};
    }
    QStringList texts;
    for (const KeyOption &o : options)
        texts << trimmed(o.text);
    // Ticks are judged by their texts, in any order; a ranking by its rows.
    if (type == answerTypeText(AnswerType::Ticks))
        shuffle(texts, gen);
    return {{QStringLiteral("options"), list(texts)}};
}

std::optional<qint64> startLesson(QSqlDatabase &db, const LessonPlan &plan,
                                  const std::vector<LessonQuestion> &questions, QString &error, RandomGen &gen)
{
    if (trimmed(plan.className).isEmpty() || plan.seconds <= 0 || questions.empty()) {
        error = QStringLiteral("Контрольная не начата: нужны класс, время больше нуля и хотя бы один вопрос.");
        return std::nullopt;
    }
    for (const LessonQuestion &question : questions)
        if (question.options.empty()) {
            error = QStringLiteral("Контрольная не начата: у вопроса %1 нет вариантов ответа.").arg(question.key);
            return std::nullopt;
        }
    if (!db.transaction()) {
        error = failed(QStringLiteral("Контрольная не начата"), db.lastError());
        return std::nullopt;
    }
    auto fail = [&]() -> std::optional<qint64> {
        db.rollback();
        return std::nullopt;
    };
    const QString what = QStringLiteral("Контрольная не начата");
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO lessons (class_name, subject, topic, exam, seconds, question_count, ends,"
                             " grade_t3, grade_t4, grade_t5) VALUES (?, ?, ?, ?, ?, ?,"
                             " LOCALTIMESTAMP(3) + make_interval(secs => ?), ?, ?, ?) RETURNING id"));
    for (const QVariant &v :
         {QVariant(trimmed(plan.className)), QVariant(plan.subject), QVariant(plan.exam ? QString() : plan.topic),
          QVariant(plan.exam), QVariant(plan.seconds), QVariant(int(questions.size())), QVariant(plan.seconds),
          QVariant(plan.grades.t3), QVariant(plan.grades.t4), QVariant(plan.grades.t5)})
        q.addBindValue(v);
    if (!exec(q, what, error) || !q.next())
        return fail();
    const qint64 id = q.value(0).toLongLong();
    QSqlQuery shown(db), key(db);
    shown.prepare(QStringLiteral("INSERT INTO lesson_questions (lesson_id, position, question_key, answer_type,"
                                 " points, question_text, shown) VALUES (?, ?, ?, ?, ?, ?, ?::jsonb)"));
    key.prepare(QStringLiteral("INSERT INTO lesson_keys (lesson_id, position, options) VALUES (?, ?, ?::jsonb)"));
    int position = 0;
    for (const LessonQuestion &question : questions) {
        ++position;
        for (const QVariant &v : {QVariant(id), QVariant(position), QVariant(question.key),
                                  QVariant(answerTypeOf(question.options)), QVariant(question.points),
                                  QVariant(question.text), QVariant(jsonText(shownOptions(question.options, gen)))})
            shown.addBindValue(v);
        key.addBindValue(id);
        key.addBindValue(position);
        key.addBindValue(keyText(question.options));
        if (!exec(shown, what, error) || !exec(key, what, error))
            return fail();
    }
    if (!db.commit()) {
        error = failed(what, db.lastError());
        return fail();
    }
    return id;
}

std::optional<qint64> lessonUnderWay(QSqlDatabase &db, const QString &className, QString &error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "SELECT l.id FROM lessons l WHERE l.class_name = ? AND l.ended_early IS NULL AND l.ends"
        " + make_interval(secs => COALESCE((SELECT MAX(t.extra_seconds) FROM lesson_time t WHERE t.lesson_id = l.id),"
        " 0)) > LOCALTIMESTAMP(3) ORDER BY l.starts DESC, l.id DESC LIMIT 1"));
    q.addBindValue(className);
    if (!exec(q, QStringLiteral("Контрольные класса не прочитаны"), error))
        return std::nullopt;
    return q.next() ? q.value(0).toLongLong() : 0;
}

std::optional<qint64> pupilOfClass(QSqlDatabase &db, const QString &className, const QString &fio, QString &error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id FROM accounts WHERE class_name = ? AND fio = ?"));
    q.addBindValue(className);
    q.addBindValue(fio);
    if (!exec(q, QStringLiteral("Ученик не найден"), error))
        return std::nullopt;
    return q.next() ? q.value(0).toLongLong() : 0;
}

bool endLesson(QSqlDatabase &db, qint64 lesson, QString &error)
{
    QSqlQuery q(db);
    // Ended once: a second end keeps the first moment. A test whose time is
    // over is ended all the same, for the pupils who were given extra time.
    q.prepare(
        QStringLiteral("UPDATE lessons SET ended_early = LOCALTIMESTAMP(3) WHERE id = ? AND ended_early IS NULL"));
    q.addBindValue(lesson);
    return exec(q, QStringLiteral("Контрольная не остановлена"), error);
}

bool addTime(QSqlDatabase &db, qint64 lesson, qint64 accountId, int seconds, QString &error)
{
    if (seconds <= 0) {
        error = QStringLiteral("Время не добавлено: нужно число секунд больше нуля.");
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO lesson_time (lesson_id, account_id, extra_seconds) VALUES (?, ?, ?)"
                             " ON CONFLICT (lesson_id, account_id) DO UPDATE"
                             " SET extra_seconds = lesson_time.extra_seconds + excluded.extra_seconds"));
    q.addBindValue(lesson);
    q.addBindValue(accountId);
    q.addBindValue(seconds);
    return exec(q, QStringLiteral("Время не добавлено"), error);
}

std::optional<LessonState> lessonState(QSqlDatabase &db, qint64 lesson, QString &error)
{
    const QString what = QStringLiteral("Контрольная не прочитана");
    LessonState s;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT l.id, l.class_name, l.subject, l.topic, l.exam, l.seconds, l.question_count, l.grade_t3,"
        " l.grade_t4, l.grade_t5, l.teacher, l.starts, l.ends, l.ended_early,"
        " GREATEST(0, ceil(extract(epoch FROM LEAST(l.ends, l.ended_early) - LOCALTIMESTAMP(3))))::integer,"
        " (SELECT COALESCE(sum(points), 0) FROM lesson_questions WHERE lesson_id = l.id)"
        " FROM lessons l WHERE l.id = ?"));
    q.addBindValue(lesson);
    if (!exec(q, what, error))
        return std::nullopt;
    if (!q.next()) {
        error = QStringLiteral("Контрольной %1 нет на сервере.").arg(lesson);
        return std::nullopt;
    }
    s.id = q.value(0).toLongLong();
    s.plan = {q.value(1).toString(),
              q.value(2).toString(),
              q.value(3).toString(),
              q.value(4).toBool(),
              q.value(5).toInt(),
              q.value(6).toInt(),
              {q.value(7).toInt(), q.value(8).toInt(), q.value(9).toInt()}};
    s.teacher = q.value(10).toString();
    s.starts = q.value(11).toDateTime();
    s.ends = q.value(12).toDateTime();
    s.endedEarly = q.value(13).isNull() ? QDateTime() : q.value(13).toDateTime();
    s.secondsLeft = q.value(14).toInt();
    s.pointsPossible = q.value(15).toInt();

    q.prepare(QStringLiteral(
        "SELECT a.id, a.fio, COALESCE(t.extra_seconds, 0), t.finished,"
        " GREATEST(0, ceil(extract(epoch FROM LEAST(l.ends + make_interval(secs => COALESCE(t.extra_seconds, 0)),"
        " l.ended_early, t.finished) - LOCALTIMESTAMP(3))))::integer,"
        " (SELECT count(*) FROM lesson_answers x WHERE x.lesson_id = l.id AND x.account_id = a.id)::integer,"
        " (SELECT COALESCE(sum(x.points), 0) FROM lesson_answers x WHERE x.lesson_id = l.id AND x.account_id = a.id)"
        " FROM lessons l JOIN accounts a ON (a.class_name = l.class_name AND a.active) OR EXISTS (SELECT 1 FROM"
        " lesson_answers x WHERE x.lesson_id = l.id AND x.account_id = a.id)"
        " LEFT JOIN lesson_time t ON t.lesson_id = l.id AND t.account_id = a.id"
        " WHERE l.id = ? ORDER BY a.fio_folded, a.id"));
    q.addBindValue(lesson);
    if (!exec(q, what, error))
        return std::nullopt;
    while (q.next())
        s.pupils.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toInt(), q.value(4).toInt(),
                            q.value(3).isNull() ? QDateTime() : q.value(3).toDateTime(), q.value(5).toInt(),
                            q.value(6).toInt()});

    q.prepare(QStringLiteral("SELECT x.account_id, x.position, x.given, x.points, x.is_right, x.right_answer,"
                             " x.answered, x.received FROM lesson_answers x JOIN accounts a ON a.id = x.account_id"
                             " WHERE x.lesson_id = ? ORDER BY a.fio_folded, a.id, x.position"));
    q.addBindValue(lesson);
    if (!exec(q, what, error))
        return std::nullopt;
    while (q.next())
        s.answers.push_back({q.value(0).toLongLong(), q.value(1).toInt(), q.value(2).toString(), q.value(3).toInt(),
                             q.value(4).toBool(), q.value(5).toString(), q.value(6).toDateTime(),
                             q.value(7).toDateTime()});
    return s;
}
