#include "lessonclient.h"
#include "journal.h"
#include "schoolwrite.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>

namespace
{
QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("trivo-lesson-queue-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString unreachableText(const QString &why)
{
    return QStringLiteral("Сервер школы недоступен: %1.").arg(why);
}

const QString expiredText = QStringLiteral("Вход ученика устарел: войдите снова со своим кодом.");
const QString refusedText = QStringLiteral("Сервер школы не принял запрос: эта контрольная не для вашего класса "
                                           "или в ней нет такого вопроса.");

// What a failed call means: the server's refusals of what was sent are
// final (not this class's test, no such question, data it cannot read);
// anything else may pass another time, and an answer waits for it.
LessonCall callOf(const QSqlError &e)
{
    if (pupilSessionRefused(e))
        return LessonCall::Expired;
    const QString code = e.nativeErrorCode();
    if (code == u"42501" || code.startsWith(u"22"))
        return LessonCall::Refused;
    return LessonCall::Unreachable;
}

void fill(LessonReply &reply, const Journal &journal, const QSqlError &e)
{
    reply.call = callOf(e);
    reply.details = Journal::details(e);
    reply.message = reply.call == LessonCall::Expired   ? expiredText
                    : reply.call == LessonCall::Refused ? refusedText
                                                        : unreachableText(journal.explain(e));
}

bool opened(Journal &journal, LessonReply &reply)
{
    if (journal.open())
        return true;
    reply.call = LessonCall::Unreachable;
    reply.message = unreachableText(journal.lastReason());
    reply.details = journal.lastDetails();
    return false;
}

QString stamp(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}
} // namespace

LessonClient::LessonClient(const JournalSettings &settings, const QString &token, const QString &queuePath)
    : m_settings(settings), m_token(token), m_queuePath(queuePath), m_connection(newConnectionName())
{
}

LessonClient::~LessonClient()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool LessonClient::openQueue(QString &error)
{
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase("QSQLITE", m_connection);
    if (db.isOpen())
        return true;
    if (!QDir().mkpath(QFileInfo(m_queuePath).path())) {
        error =
            QStringLiteral("Не удалось создать папку %1").arg(QDir::toNativeSeparators(QFileInfo(m_queuePath).path()));
        return false;
    }
    db.setDatabaseName(m_queuePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    QSqlQuery q(db);
    // The answers of whoever logged in on this PC, each with that log-in, in
    // the order they were given; one per question of a test and pupil.
    if (db.open() && q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS answers ("
                                           "seq INTEGER PRIMARY KEY AUTOINCREMENT,"
                                           "token TEXT NOT NULL,"
                                           "lesson INTEGER NOT NULL,"
                                           "position INTEGER NOT NULL,"
                                           "given TEXT NOT NULL,"
                                           "answered TEXT NOT NULL,"
                                           "UNIQUE (token, lesson, position))")))
        return true;
    const QSqlError e = db.isOpen() ? q.lastError() : db.lastError();
    error = QStringLiteral("очередь ответов %1 недоступна: %2")
                .arg(QDir::toNativeSeparators(m_queuePath), e.databaseText().isEmpty() ? e.text() : e.databaseText());
    db.close();
    return false;
}

bool LessonClient::onServer(LessonReply &reply, const std::function<QSqlError(Journal &)> &work)
{
    for (;;) {
        const bool fresh = !m_server;
        if (fresh)
            m_server = std::make_unique<Journal>(m_settings);
        if (!opened(*m_server, reply)) {
            m_server.reset();
            return false;
        }
        QSqlError e;
        {
            const Journal::Bounded step(*m_server);
            e = work(*m_server);
        }
        if (!e.isValid()) {
            reply = {LessonCall::Done, {}, {}};
            return true;
        }
        fill(reply, *m_server, e);
        if (reply.call != LessonCall::Unreachable)
            return false;
        // A connection kept since the last call may have been cut meanwhile
        // (the server restarted, the network came back): one more, new.
        m_server.reset();
        if (fresh)
            return false;
    }
}

std::optional<CurrentLesson> LessonClient::currentLesson(LessonReply &reply)
{
    std::optional<CurrentLesson> out;
    onServer(reply, [&](Journal &journal) {
        QSqlQuery q(journal.database());
        q.prepare(QStringLiteral("SELECT id, subject, topic, exam, seconds, seconds_left, question_count, answered,"
                                 " server_time FROM trivo_pc_lesson(?)"));
        q.addBindValue(m_token);
        if (!q.exec())
            return q.lastError();
        if (!q.next())
            return QSqlError();
        const QDateTime server = q.value(8).toDateTime();
        if (server.isValid())
            m_clockOffsetMs = QDateTime::currentDateTimeUtc().msecsTo(server);
        out = CurrentLesson{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toBool(),
                            q.value(4).toInt(),      q.value(5).toInt(),    q.value(6).toInt(),    q.value(7).toInt()};
        return QSqlError();
    });
    return out;
}

std::vector<ShownQuestion> LessonClient::questions(qint64 lesson, LessonReply &reply)
{
    std::vector<ShownQuestion> out;
    onServer(reply, [&](Journal &journal) {
        out.clear();
        QSqlQuery q(journal.database());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT position, question_key, answer_type, points, question_text, shown::text"
                                 " FROM trivo_pc_lesson_questions(?, ?)"));
        q.addBindValue(m_token);
        q.addBindValue(lesson);
        if (!q.exec())
            return q.lastError();
        while (q.next())
            out.push_back({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(), q.value(4).toString(),
                           q.value(3).toInt(), QJsonDocument::fromJson(q.value(5).toString().toUtf8()).object()});
        return QSqlError();
    });
    return out;
}

AnswerOutcome LessonClient::answer(qint64 lesson, int position, const QString &given)
{
    AnswerOutcome out;
    QString error;
    if (!openQueue(error)) {
        out.status = AnswerOutcome::Status::Refused;
        out.message = error;
        return out;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO answers (token, lesson, position, given, answered) VALUES (?, ?, ?, ?, ?)"
                             " ON CONFLICT DO NOTHING"));
    q.addBindValue(m_token);
    q.addBindValue(lesson);
    q.addBindValue(position);
    q.addBindValue(given);
    q.addBindValue(stamp(QDateTime::currentDateTimeUtc().addMSecs(m_clockOffsetMs)));
    if (!q.exec()) {
        out.status = AnswerOutcome::Status::Refused;
        out.message = QStringLiteral("Ответ не сохранён в очереди %1: %2")
                          .arg(QDir::toNativeSeparators(m_queuePath), q.lastError().text());
        return out;
    }
    LessonReply reply;
    drain(reply, lesson, position, &out);
    if (out.status == AnswerOutcome::Status::Queued)
        out.message = reply.message;
    return out;
}

int LessonClient::sendQueued(LessonReply &reply)
{
    return drain(reply);
}

int LessonClient::drain(LessonReply &reply, qint64 lesson, int position, AnswerOutcome *outcome)
{
    QString error;
    if (!openQueue(error)) {
        reply = {LessonCall::Unreachable, error, {}};
        return 0;
    }
    QSqlDatabase queue = QSqlDatabase::database(m_connection, false);
    struct Waiting {
        qint64 seq, lesson;
        int position;
        QString token, given, answered;
    };
    std::vector<Waiting> waiting;
    {
        QSqlQuery q(queue);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT seq, lesson, position, token, given, answered FROM answers ORDER BY seq"))) {
            reply = {LessonCall::Unreachable, q.lastError().text(), {}};
            return 0;
        }
        while (q.next())
            waiting.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toInt(),
                               q.value(3).toString(), q.value(4).toString(), q.value(5).toString()});
    }
    reply = {LessonCall::Done, {}, {}};
    if (waiting.empty())
        return 0;
    int taken = 0;
    size_t next = 0;
    onServer(reply, [&](Journal &journal) {
        QSqlQuery send(journal.database()), remove(queue);
        send.prepare(
            QStringLiteral("SELECT status, points, is_right FROM trivo_pc_lesson_answer(?, ?, ?, ?, ?::timestamptz)"));
        remove.prepare(QStringLiteral("DELETE FROM answers WHERE seq = ?"));
        for (; next < waiting.size(); ++next) {
            const Waiting &w = waiting[next];
            AnswerOutcome got;
            send.addBindValue(w.token);
            send.addBindValue(w.lesson);
            send.addBindValue(w.position);
            send.addBindValue(w.given);
            send.addBindValue(w.answered);
            if (send.exec() && send.next()) {
                got.status =
                    send.value(0).toString() == u"late" ? AnswerOutcome::Status::Late : AnswerOutcome::Status::Judged;
                got.points = send.value(1).toInt();
                got.right = send.value(2).toBool();
                if (got.status == AnswerOutcome::Status::Late)
                    got.message = QStringLiteral("Время контрольной вышло: ответ не принят.");
            } else {
                LessonReply failed;
                fill(failed, journal, send.lastError());
                if (failed.call == LessonCall::Unreachable)
                    return send.lastError(); // it stays, and so does everything after it
                // Refused for good: it could never be sent.
                got.status = AnswerOutcome::Status::Refused;
                got.message = failed.message;
            }
            send.finish();
            // The server has it now: sent again, it would only get the same judgement.
            remove.addBindValue(w.seq);
            remove.exec();
            ++taken;
            if (outcome && w.lesson == lesson && w.position == position && w.token == m_token)
                *outcome = got;
        }
        return QSqlError();
    });
    return taken;
}

int LessonClient::waiting()
{
    QString error;
    if (!openQueue(error))
        return -1;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    return q.exec(QStringLiteral("SELECT count(*) FROM answers")) && q.next() ? q.value(0).toInt() : -1;
}

std::optional<LessonTotals> LessonClient::finish(qint64 lesson, LessonReply &reply)
{
    drain(reply);
    if (reply.call != LessonCall::Done)
        return std::nullopt;
    std::optional<LessonTotals> out;
    onServer(reply, [&](Journal &journal) {
        QSqlQuery q(journal.database());
        q.prepare(QStringLiteral("SELECT points, points_possible, grade, answered, questions"
                                 " FROM trivo_pc_lesson_finish(?, ?)"));
        q.addBindValue(m_token);
        q.addBindValue(lesson);
        if (!q.exec())
            return q.lastError();
        if (q.next())
            out = LessonTotals{q.value(0).toInt(), q.value(1).toInt(), q.value(3).toInt(), q.value(4).toInt(),
                               q.value(2).toString()};
        return QSqlError();
    });
    return out;
}
