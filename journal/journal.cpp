#include "journal.h"
#include "questionmemory.h"
#include "schema.h"
#include "serverguard.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUuid>

#include <optional>

namespace
{
QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("trivo-journal-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString unavailableText(const QString &why)
{
    return QStringLiteral("Журнал результатов недоступен: %1.").arg(why);
}

bool mentions(const QString &text, std::initializer_list<const char *> parts)
{
    for (const char *p : parts)
        if (text.contains(QLatin1String(p), Qt::CaseInsensitive))
            return true;
    return false;
}

// A text as the journal keeps it: an empty text as empty, never as SQL NULL,
// which the columns refuse (a refused result would wait in the outbox for ever).
QVariant textValue(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QSqlError insertResult(QSqlDatabase &db, const RunResult &r, bool &inserted)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO results (id, pupil, pupil_folded, user_code, access, host, subject, topic, started, seconds,"
        " prompting, random_order, protocol, exam, asked, answered, right_answers, put_off, points_possible,"
        " points_earned, grade, running_grade, hints, class_name)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO "
        "NOTHING"));
    for (const QVariant &v : {QVariant(r.id),
                              textValue(r.pupil),
                              textValue(r.pupil.toCaseFolded()),
                              textValue(r.userCode),
                              textValue(r.access),
                              textValue(r.host),
                              textValue(r.subject),
                              textValue(r.topic),
                              storedTime(r.started),
                              QVariant(r.seconds),
                              QVariant(r.prompting),
                              QVariant(r.randomOrder),
                              QVariant(r.protocol),
                              QVariant(r.exam),
                              QVariant(r.asked),
                              QVariant(r.answered),
                              QVariant(r.right),
                              QVariant(r.putOff),
                              QVariant(r.pointsPossible),
                              QVariant(r.pointsEarned),
                              textValue(r.grade),
                              textValue(r.runningGrade),
                              QVariant(r.hints),
                              textValue(r.className)})
        q.addBindValue(v);
    if (!q.exec())
        return q.lastError();
    inserted = q.numRowsAffected() > 0;
    return {};
}

QSqlError insertQuestions(QSqlDatabase &db, const RunResult &r)
{
    if (r.questions.empty())
        return {};
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO result_questions (result_id, position, question_key, answer_type,"
                             " points_possible, points_earned, answered, is_right, hints, seconds, text_hash,"
                             " question_text, given, right_answer, topic)"
                             " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
    int position = 0;
    for (const QuestionResult &qr : r.questions) {
        q.bindValue(0, r.id);
        q.bindValue(1, ++position);
        q.bindValue(2, textValue(qr.key));
        q.bindValue(3, textValue(qr.answerType));
        q.bindValue(4, qr.pointsPossible);
        q.bindValue(5, qr.pointsEarned);
        q.bindValue(6, qr.answered);
        q.bindValue(7, qr.right);
        q.bindValue(8, qr.hints);
        q.bindValue(9, qr.seconds);
        q.bindValue(10, textValue(qr.textHash));
        q.bindValue(11, textValue(qr.text));
        q.bindValue(12, textValue(qr.given));
        q.bindValue(13, textValue(qr.rightAnswer));
        q.bindValue(14, textValue(qr.topic));
        if (!q.exec())
            return q.lastError();
    }
    return {};
}
// The pupil's row of the pupils table: the name and class of their latest run.
QSqlError notePupil(const QSqlDatabase &db, const RunResult &r)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO pupils (pupil_folded, pupil, class_name, last_started) VALUES (?, ?, ?, ?)"
        " ON CONFLICT (pupil_folded) DO UPDATE SET pupil = excluded.pupil, last_started = excluded.last_started,"
        " class_name = CASE WHEN excluded.class_name <> '' THEN excluded.class_name ELSE pupils.class_name END"
        " WHERE pupils.last_started IS NULL OR excluded.last_started >= pupils.last_started"));
    q.addBindValue(textValue(r.pupil.toCaseFolded()));
    q.addBindValue(textValue(r.pupil));
    q.addBindValue(textValue(r.className));
    q.addBindValue(storedTime(r.started));
    return q.exec() ? QSqlError() : q.lastError();
}

QSqlError replaceOlder(const QSqlDatabase &db, const RunResult &r)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM results WHERE id = ? AND seconds <= ?"));
    q.addBindValue(r.id);
    q.addBindValue(r.seconds);
    if (!q.exec())
        return q.lastError();
    if (q.numRowsAffected() <= 0)
        return {};
    QSqlQuery questions(db);
    questions.prepare(QStringLiteral("DELETE FROM result_questions WHERE result_id = ?"));
    questions.addBindValue(r.id);
    return questions.exec() ? QSqlError() : questions.lastError();
}
} // namespace

Journal::Journal(const JournalSettings &settings)
    : m_settings(settings), m_connection(newConnectionName()), m_outbox(settings.outbox)
{
    if (m_settings.engine == JournalSettings::Engine::Server)
        m_guard = std::make_unique<ServerGuard>();
}

Journal::Bounded::Bounded(Journal &journal)
{
    // The embedded journal is a file of this PC: nothing to cut.
    if (journal.m_guard && journal.m_guard->arm(journal.database(), journal.m_settings.answerSeconds + 1))
        m_guard = journal.m_guard.get();
}

Journal::Bounded::~Bounded()
{
    if (m_guard)
        m_guard->disarm();
}

void Journal::giveUp()
{
    if (m_guard)
        m_guard->giveUp();
}

bool Journal::cutOff() const
{
    return m_guard && (m_guard->cut() || m_guard->gaveUp());
}

void Journal::fail(const QSqlError &e)
{
    m_reason = explain(e);
    m_details = details(e);
}

Journal::~Journal()
{
    disconnect();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase Journal::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void Journal::disconnect()
{
    m_ready = false;
    if (m_guard)
        m_guard->disarm();
    if (QSqlDatabase::contains(m_connection))
        database().close();
}

bool Journal::open()
{
    if (m_ready && database().isOpen() && !cutOff())
        return true;
    if (m_ready)
        disconnect(); // a connection that was cut is dead
    const bool embedded = m_settings.engine == JournalSettings::Engine::Embedded;
    if (!embedded && m_guard->gaveUp()) {
        m_reason = QStringLiteral("ожидание ответа сервера %1:%2 прервано, программа закрывается")
                       .arg(m_settings.host)
                       .arg(m_settings.port);
        m_details.clear();
        m_error = unavailableText(m_reason);
        return false;
    }
    if (!m_failedSlowly.hasExpired()) {
        m_error = unavailableText(m_reason); // the reason of the last attempt stands
        return false;
    }
    if (!QSqlDatabase::contains(m_connection)) {
        const QString driver = embedded ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
        if (!QSqlDatabase::isDriverAvailable(driver)) {
            m_reason =
                QStringLiteral("в системе нет модуля Qt для базы данных %1 (пакет %2)")
                    .arg(driver, embedded ? QStringLiteral("libqt6sql6-sqlite") : QStringLiteral("libqt6sql6-psql"));
            m_details.clear();
            m_error = unavailableText(m_reason);
            return false;
        }
        QSqlDatabase::addDatabase(driver, m_connection);
    }
    QSqlDatabase db = database();
    if (embedded) {
        const QString folder = QFileInfo(m_settings.file).path();
        if (!QDir().mkpath(folder)) {
            m_reason = QStringLiteral("не удалось создать папку %1").arg(QDir::toNativeSeparators(folder));
            m_details.clear();
            m_error = unavailableText(m_reason);
            return false;
        }
        db.setDatabaseName(m_settings.file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    } else {
        db.setHostName(m_settings.host);
        db.setPort(m_settings.port);
        db.setDatabaseName(m_settings.database);
        db.setUserName(m_settings.user);
        db.setPassword(m_settings.password);
        // Keepalives and the user timeout make the system notice a server
        // that went away without a word (a cut cable, a frozen machine); the
        // guard catches one whose system still answers for it.
        const int answer = qMax(1, m_settings.answerSeconds);
        const int idle = qMax(1, answer / 2);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;"
                                            "keepalives_interval=%3;keepalives_count=3;tcp_user_timeout=%4")
                                 .arg(qMax(1, m_settings.connectSeconds))
                                 .arg(idle)
                                 .arg(qMax(1, (answer - idle) / 3))
                                 .arg(answer * 1000));
    }
    QElapsedTimer connecting;
    connecting.start();
    QSqlError e;
    if (!db.open())
        e = db.lastError();
    std::optional<Bounded> setup;
    if (!e.isValid())
        setup.emplace(*this);
    if (!e.isValid() && embedded) {
        // Readers never wait for the writer, and many PCs' worth of writers
        // take turns without failing. A journal of years is gigabytes: the
        // upper levels of its trees stay in memory (32 MB at most), so that
        // a topic's ten thousand runs are not read from the file page by page.
        QSqlQuery q(db);
        for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON",
                                   "PRAGMA cache_size=-32768"})
            if (!q.exec(QLatin1String(pragma))) {
                e = q.lastError();
                break;
            }
    }
    if (!e.isValid() && !embedded) {
        // The server's notices ("already exists, skipping") are no news for a teacher.
        // A statement the server cannot finish in time is stopped by the
        // server itself, before the guard has to cut the connection.
        QSqlQuery q(db);
        for (const QString &set : {QStringLiteral("SET client_min_messages TO ERROR"),
                                   QStringLiteral("SET statement_timeout TO %1").arg(m_settings.answerSeconds * 1000)})
            if (!q.exec(set)) {
                e = q.lastError();
                break;
            }
        // Compiling a big query costs the server up to a third of a second,
        // more than the journal's queries take to run. A server too old to
        // compile queries has no such setting, which is just as well.
        if (!e.isValid())
            q.exec(QStringLiteral("SET jit TO off"));
    }
    if (!e.isValid())
        e = migrate(db);
    setup.reset();
    if (e.isValid()) {
        fail(e);
        m_error = unavailableText(m_reason);
        db.close();
        if (!embedded && connecting.elapsed() > 1000)
            m_failedSlowly.setRemainingTime(3000);
        return false;
    }
    m_ready = true;
    return true;
}

QString Journal::explain(const QSqlError &e) const
{
    const QString text = (e.databaseText() + u' ' + e.driverText()).trimmed();
    const bool embedded = m_settings.engine == JournalSettings::Engine::Embedded;
    const QString file = QDir::toNativeSeparators(m_settings.file);
    const QString server = QStringLiteral("%1:%2").arg(m_settings.host).arg(m_settings.port);
    if (embedded && (e.nativeErrorCode() == u"26" || mentions(text, {"not a database", "malformed"})))
        return QStringLiteral("файл %1 не является базой данных журнала или повреждён").arg(file);
    if (embedded && mentions(text, {"unable to open", "readonly", "read-only", "disk i/o"}))
        return QStringLiteral("не удалось открыть файл %1 для записи (%2)").arg(file, text);
    if (embedded && mentions(text, {"database or disk is full"}))
        return QStringLiteral("нет места на диске для файла %1").arg(file);
    if (embedded && mentions(text, {"locked", "busy"}))
        return QStringLiteral("файл %1 занят другой программой").arg(file);
    if (mentions(text, {"password authentication failed", "no password supplied", "authentication failed"}))
        return QStringLiteral("сервер %1 не принял имя пользователя «%2» или пароль").arg(server, m_settings.user);
    if (mentions(text, {"does not exist"}) && mentions(text, {"database"}))
        return QStringLiteral("на сервере %1 нет базы «%2»").arg(server, m_settings.database);
    // The rest are the server's; the embedded journal's other failures are told as they are.
    if (embedded)
        return QStringLiteral("%1: %2").arg(m_settings.place(), text);
    const QString noLink = QStringLiteral("нет связи с сервером %1: ").arg(server);
    if (cutOff())
        return noLink + QStringLiteral("сервер не ответил за %1 с").arg(m_settings.answerSeconds);
    if (mentions(text,
                 {"could not translate host", "name or service not known", "name resolution", "nodename nor servname"}))
        return noLink + QStringLiteral("компьютер «%1» не найден в сети").arg(m_settings.host);
    if (mentions(text, {"connection refused"}))
        return noLink + QStringLiteral("сервер отказал в соединении (база данных на нём не запущена или порт закрыт)");
    if (mentions(text,
                 {"timeout expired", "timed out", "statement timeout", "no route to host", "network is unreachable"}))
        return noLink + QStringLiteral("сервер не отвечает");
    if (mentions(text, {"server closed the connection", "terminating connection", "could not send", "could not receive",
                        "no connection", "connection to server was lost"}))
        return noLink + QStringLiteral("соединение прервано");
    if (mentions(text, {"could not connect", "connection to server"}) || e.type() == QSqlError::ConnectionError)
        return noLink.chopped(2);
    if (!embedded && mentions(text, {"permission denied"}))
        return QStringLiteral("у пользователя «%1» нет прав на базу «%2» сервера %3")
            .arg(m_settings.user, m_settings.database, server);
    return QStringLiteral("%1: %2").arg(m_settings.place(), text);
}

QString Journal::details(const QSqlError &e)
{
    QStringList parts;
    for (const QString &t : {e.databaseText().trimmed(), e.driverText().trimmed()})
        if (!t.isEmpty() && !parts.contains(t))
            parts << t;
    if (!e.nativeErrorCode().isEmpty())
        parts << QStringLiteral("Код ошибки: %1").arg(e.nativeErrorCode());
    return parts.join(u'\n');
}

bool Journal::writeNow(const RunResult &r)
{
    const bool reused = m_ready;
    QSqlError e;
    if (open()) {
        e = write(r);
        if (e.isValid() && reused && !cutOff()) {
            // A connection that served before may have died with a server that
            // restarted since: one fresh try before the result goes to the outbox.
            disconnect();
            if (open())
                e = write(r);
        }
        if (m_ready && !e.isValid())
            return true;
        if (m_ready) {
            fail(e);
            // The next attempt connects anew; a server that came back is found again.
            disconnect();
        }
    }
    m_quiet.setRemainingTime(quietSeconds * 1000);
    return false;
}

QSqlError Journal::write(const RunResult &r)
{
    QSqlDatabase db = database();
    const Bounded step(*this);
    if (QSqlError e = beginWrite(db); e.isValid())
        return e;
    // A later report of the same run (a repeat pass after the close runs
    // longer) replaces the earlier one; an earlier one arriving late from the
    // outbox changes nothing.
    QSqlError e = replaceOlder(db, r);
    bool inserted = false;
    if (!e.isValid())
        e = insertResult(db, r, inserted);
    // A result already in the journal keeps the questions it came with, and
    // the pupil's memory of them stays what they made it.
    if (!e.isValid() && inserted)
        e = insertQuestions(db, r);
    if (!e.isValid() && inserted)
        e = updateMemory(db, r);
    if (!e.isValid() && inserted)
        e = notePupil(db, r);
    if (!e.isValid())
        e = commitWrite(db);
    if (e.isValid())
        rollbackWrite(db);
    return e;
}

Journal::Recorded Journal::record(const RunResult &result)
{
    m_error.clear();
    m_details.clear();
    RunResult fresh;
    const RunResult *r = &result;
    if (result.id.trimmed().isEmpty()) {
        fresh = result;
        fresh.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        r = &fresh;
    }
    if ((m_quiet.hasExpired() || m_settings.engine == JournalSettings::Engine::Embedded) && writeNow(*r)) {
        if (m_outbox.count() > 0)
            deliverOutbox();
        return Recorded::InJournal;
    }
    if (m_outbox.put(*r)) {
        m_error = unavailableText(m_reason) + QStringLiteral(" Результат сохранён и будет отправлен позже.");
        return Recorded::InOutbox;
    }
    m_error = unavailableText(m_reason) +
              QStringLiteral(" Сохранить результат не удалось и в очереди отправки: %1.").arg(m_outbox.lastError());
    return Recorded::Lost;
}

int Journal::deliverOutbox()
{
    m_error.clear();
    m_details.clear();
    const int waitingNow = m_outbox.count();
    if (waitingNow <= 0)
        return 0;
    if (!open()) {
        m_error = unavailableText(m_reason) + QStringLiteral(" Ждут отправки результатов: %1.").arg(waitingNow);
        return 0;
    }
    constexpr int batch = 200;
    int sent = 0;
    for (;;) {
        const std::vector<RunResult> results = m_outbox.oldest(batch);
        for (const RunResult &r : results) {
            if (!writeNow(r)) {
                m_error = unavailableText(m_reason) +
                          QStringLiteral(" Ждут отправки результатов: %1.").arg(qMax(0, m_outbox.count()));
                return sent;
            }
            // Committed: only now may it leave the outbox. A failure here
            // only means it is sent once more, which the id makes harmless.
            if (!m_outbox.remove(r.id)) {
                m_error =
                    QStringLiteral("Не удалось убрать отправленный результат из очереди: %1").arg(m_outbox.lastError());
                return sent + 1;
            }
            ++sent;
        }
        if (int(results.size()) + m_outbox.damaged() < batch)
            break;
        if (results.empty())
            break;
    }
    if (m_outbox.damaged() > 0)
        m_error = QStringLiteral("В очереди отправки %1 есть повреждённые записи (%2); они оставлены в ней.")
                      .arg(QDir::toNativeSeparators(m_outbox.path()))
                      .arg(m_outbox.damaged());
    return sent;
}

int Journal::waiting()
{
    return m_outbox.count();
}
