#include "accounts.h"
#include "text.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

namespace
{
QString serverText(const QSqlError &e)
{
    const QString said = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    if (said.contains(QStringLiteral("permission denied")))
        return QStringLiteral("У этой роли на сервере нет прав на учётные записи учеников: войдите как учитель (%1)")
            .arg(said);
    return QStringLiteral("Сервер школы не выполнил запрос: %1").arg(said.trimmed());
}

// Why the teacher's connection did not open, in words; the server's own
// text for what is not foreseen.
QString connectionText(const QSqlError &e, const JournalSettings &s)
{
    const QString text = trimmed(e.databaseText() + u' ' + e.driverText());
    const auto says = [&](std::initializer_list<const char *> words) {
        return std::any_of(words.begin(), words.end(),
                           [&](const char *w) { return text.contains(QLatin1String(w), Qt::CaseInsensitive); });
    };
    if (says({"password authentication failed", "no password supplied", "authentication failed"}))
        return QStringLiteral("сервер не принял имя пользователя «%1» или пароль").arg(s.user);
    if (says({"does not exist"}) && says({"database"}))
        return QStringLiteral("на сервере нет базы «%1»").arg(s.database);
    if (says({"connection refused"}))
        return QStringLiteral("сервер отказал в соединении (база данных на нём не запущена или порт закрыт)");
    if (says({"could not translate host", "name or service not known", "name resolution"}))
        return QStringLiteral("компьютер «%1» не найден в сети").arg(s.host);
    if (says({"timeout expired", "timed out", "no route to host", "network is unreachable"}))
        return QStringLiteral("сервер не отвечает");
    return text;
}

// Runs the prepared or plain statement; false with the reason in error.
bool exec(QSqlQuery &q, QString &error, const QString &sql = {})
{
    if (sql.isEmpty() ? q.exec() : q.exec(sql))
        return true;
    error = serverText(q.lastError());
    return false;
}

// Writers of the accounts take turns here, so that two imports (or an
// import and a new code) never hand out one code twice; readers go on.
bool lockAccounts(QSqlQuery &q, QString &error)
{
    return exec(q, error, QStringLiteral("LOCK TABLE accounts IN SHARE ROW EXCLUSIVE MODE"));
}

// A code that no account has, under the lock.
std::optional<QString> unusedCode(QSqlQuery &q, QString &error)
{
    // With the school's few thousand codes among a million a draw is taken
    // nearly always at once; the bound only keeps a full table from looping.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString code = randomLoginCode();
        q.prepare(QStringLiteral("SELECT 1 FROM accounts WHERE code = ?"));
        q.addBindValue(code);
        if (!exec(q, error))
            return std::nullopt;
        if (!q.next())
            return code;
    }
    error = QStringLiteral("Не удалось подобрать свободный код: почти все коды школы заняты");
    return std::nullopt;
}

// A class's place among the school's: by its year, then as written.
bool classBefore(const QString &a, const QString &b)
{
    const auto year = [](const QString &c) {
        int n = 0, i = 0;
        while (i < c.size() && i < 4 && c[i].isDigit())
            n = n * 10 + c[i++].digitValue();
        return i ? n : 1000;
    };
    const int ya = year(a), yb = year(b);
    return ya != yb ? ya < yb : a < b;
}

// Ends the pupil's log-ins: a code given anew or switched off must not leave
// someone who knew the old one logged in.
bool endSessions(QSqlQuery &q, qint64 accountId, QString &error)
{
    q.prepare(QStringLiteral("DELETE FROM sessions WHERE account_id = ?"));
    q.addBindValue(accountId);
    return exec(q, error);
}

template <typename T> T rolledBack(QSqlDatabase &db, T value)
{
    db.rollback();
    return value;
}
} // namespace

QString PupilImport::text() const
{
    QStringList out;
    out << QStringLiteral("Добавлено учеников: %1, уже были: %2.").arg(added).arg(kept);
    if (!closed.isEmpty())
        out << QStringLiteral("Вход закрыт и остался закрытым: %1 (открыть его можно кнопкой «Отключить / включить»).")
                   .arg(closed.join(QStringLiteral(", ")));
    if (!renamed.isEmpty())
        out << QStringLiteral("Ученик с таким же ФИО уже есть в другом классе, поэтому записаны с классом в "
                              "скобках: %1.")
                   .arg(renamed.join(QStringLiteral(", ")));
    return out.join(u'\n');
}

QString foldedFio(const QString &fio)
{
    QString f = fio.toLower().simplified();
    f.replace(QChar(0x0451), QChar(0x0435)); // ё -> е
    return f;
}

QString randomLoginCode()
{
    return QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), 6, 10, QLatin1Char('0'));
}

QString withSchoolConnection(const JournalSettings &settings, const std::function<QString(QSqlDatabase &)> &job)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("В системе нет модуля Qt для базы данных QPSQL (пакет libqt6sql6-psql)");
    const QString name = QStringLiteral("school-accounts-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(settings.host);
        db.setPort(settings.port);
        db.setDatabaseName(settings.database);
        db.setUserName(settings.user);
        db.setPassword(settings.password);
        const int answer = qMax(1, settings.answerSeconds);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;"
                                            "keepalives_interval=1;keepalives_count=3;tcp_user_timeout=%3")
                                 .arg(qMax(1, settings.connectSeconds))
                                 .arg(qMax(1, answer / 2))
                                 .arg(answer * 1000));
        if (!db.open()) {
            error = QStringLiteral("Нет связи с сервером школы (%1): %2")
                        .arg(settings.place(), connectionText(db.lastError(), settings));
        } else {
            QSqlQuery q(db);
            if (exec(q, error, QStringLiteral("SET client_min_messages TO ERROR")) &&
                exec(q, error, QStringLiteral("SET statement_timeout TO %1").arg(answer * 1000)))
                error = job(db);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

std::optional<PupilImport> importPupils(QSqlDatabase &db, const std::vector<ClassListPupil> &pupils, QString &error)
{
    if (!db.transaction()) {
        error = serverText(db.lastError());
        return std::nullopt;
    }
    QSqlQuery q(db);
    if (!lockAccounts(q, error))
        return rolledBack(db, std::nullopt);
    PupilImport done;
    for (const ClassListPupil &p : pupils) {
        const QString suffixed = QStringLiteral("%1 (%2)").arg(p.fio, p.className);
        q.prepare(QStringLiteral("SELECT fio, active FROM accounts WHERE class_name = ? AND fio_folded IN (?, ?)"
                                 " ORDER BY fio_folded = ? DESC LIMIT 1"));
        q.addBindValue(p.className);
        q.addBindValue(foldedFio(p.fio));
        q.addBindValue(foldedFio(suffixed));
        q.addBindValue(foldedFio(p.fio));
        if (!exec(q, error))
            return rolledBack(db, std::nullopt);
        if (q.next()) {
            ++done.kept;
            if (!q.value(1).toBool())
                done.closed << q.value(0).toString();
            continue;
        }
        QString fio = p.fio;
        q.prepare(QStringLiteral("SELECT 1 FROM accounts WHERE fio_folded = ?"));
        q.addBindValue(foldedFio(fio));
        if (!exec(q, error))
            return rolledBack(db, std::nullopt);
        if (q.next()) {
            fio = suffixed;
            done.renamed << fio;
        }
        const std::optional<QString> code = unusedCode(q, error);
        if (!code)
            return rolledBack(db, std::nullopt);
        q.prepare(QStringLiteral("INSERT INTO accounts (fio, fio_folded, class_name, code) VALUES (?, ?, ?, ?)"));
        q.addBindValue(fio);
        q.addBindValue(foldedFio(fio));
        q.addBindValue(p.className);
        q.addBindValue(*code);
        if (!exec(q, error))
            return rolledBack(db, std::nullopt);
        ++done.added;
    }
    if (!db.commit()) {
        error = serverText(db.lastError());
        return rolledBack(db, std::nullopt);
    }
    return done;
}

std::optional<QStringList> schoolClasses(QSqlDatabase &db, QString &error)
{
    QSqlQuery q(db);
    if (!exec(q, error, QStringLiteral("SELECT DISTINCT class_name FROM accounts")))
        return std::nullopt;
    QStringList classes;
    while (q.next())
        classes << q.value(0).toString();
    std::sort(classes.begin(), classes.end(), classBefore);
    return classes;
}

std::optional<std::vector<PupilAccount>> pupilAccounts(QSqlDatabase &db, const QString &className, QString &error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id, fio, class_name, code, active, created FROM accounts") +
              (className.isEmpty() ? QString() : QStringLiteral(" WHERE class_name = ?")));
    if (!className.isEmpty())
        q.addBindValue(className);
    if (!exec(q, error))
        return std::nullopt;
    std::vector<PupilAccount> out;
    while (q.next())
        out.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                       q.value(4).toBool(), q.value(5).toDateTime()});
    std::sort(out.begin(), out.end(), [](const PupilAccount &a, const PupilAccount &b) {
        if (a.className != b.className)
            return classBefore(a.className, b.className);
        return QString::localeAwareCompare(foldedFio(a.fio), foldedFio(b.fio)) < 0;
    });
    return out;
}

std::optional<QString> giveNewCode(QSqlDatabase &db, qint64 accountId, QString &error)
{
    if (!db.transaction()) {
        error = serverText(db.lastError());
        return std::nullopt;
    }
    QSqlQuery q(db);
    if (!lockAccounts(q, error))
        return rolledBack(db, std::nullopt);
    const std::optional<QString> code = unusedCode(q, error);
    if (!code)
        return rolledBack(db, std::nullopt);
    q.prepare(QStringLiteral("UPDATE accounts SET code = ? WHERE id = ?"));
    q.addBindValue(*code);
    q.addBindValue(accountId);
    if (!exec(q, error))
        return rolledBack(db, std::nullopt);
    if (q.numRowsAffected() != 1) {
        error = QStringLiteral("Этого ученика уже нет на сервере школы");
        return rolledBack(db, std::nullopt);
    }
    if (!endSessions(q, accountId, error))
        return rolledBack(db, std::nullopt);
    if (!db.commit()) {
        error = serverText(db.lastError());
        return rolledBack(db, std::nullopt);
    }
    return code;
}

bool setAccountActive(QSqlDatabase &db, qint64 accountId, bool active, QString &error)
{
    if (!db.transaction()) {
        error = serverText(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE accounts SET active = ? WHERE id = ?"));
    q.addBindValue(active);
    q.addBindValue(accountId);
    if (!exec(q, error))
        return rolledBack(db, false);
    if (q.numRowsAffected() != 1) {
        error = QStringLiteral("Этого ученика уже нет на сервере школы");
        return rolledBack(db, false);
    }
    if (!active && !endSessions(q, accountId, error))
        return rolledBack(db, false);
    if (!db.commit()) {
        error = serverText(db.lastError());
        return rolledBack(db, false);
    }
    return true;
}
