#include "schoolsetup.h"
#include "schema.h"
#include "schoolschema.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace
{
// One connection of the set-up, closed and forgotten when it goes.
class Connection
{
public:
    Connection(const SchoolServer &server, const QString &database, const QString &user, const QString &password)
        : m_name(QStringLiteral("school-setup-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setDatabaseName(database);
        db.setUserName(user);
        db.setPassword(password);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
        db.open();
    }
    ~Connection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

// A step that failed, in words, with the server's own behind it.
struct Failed {
    QString step;
    QSqlError error;
};

// Runs a statement whose names and texts are put in by the server itself
// (format's %I and %L), so that nothing typed can change what it says.
void exec(const QSqlDatabase &db, const QString &step, const QString &pattern, const QStringList &values = {})
{
    QString sql = pattern;
    if (!values.isEmpty()) {
        QSqlQuery f(db);
        // Typed, or the server cannot tell what format's variadic arguments are.
        f.prepare(QStringLiteral("SELECT format(CAST(? AS text)") +
                  QStringLiteral(", CAST(? AS text)").repeated(int(values.size())) + u')');
        f.addBindValue(pattern);
        for (const QString &v : values)
            f.addBindValue(v);
        if (!f.exec() || !f.next())
            throw Failed{step, f.lastError()};
        sql = f.value(0).toString();
    }
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw Failed{step, q.lastError()};
}

bool exists(const QSqlDatabase &db, const QString &sql, const QString &name)
{
    QSqlQuery q(db);
    q.prepare(sql);
    q.addBindValue(name);
    if (!q.exec())
        throw Failed{QStringLiteral("чтение каталога сервера"), q.lastError()};
    return q.next();
}

bool roleExists(const QSqlDatabase &db, const QString &role)
{
    return exists(db, QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), role);
}

QString newPassword()
{
    static const char letters[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QString p;
    for (int i = 0; i < 24; ++i)
        p += QLatin1Char(letters[QRandomGenerator::system()->bounded(int(sizeof letters) - 1)]);
    return p;
}

void makeRoles(const QSqlDatabase &db, const std::vector<TeacherAccount> &teachers, SchoolSetup &done)
{
    const QString step = QStringLiteral("роли");
    for (const QString &group : {SchoolRoles::owner, SchoolRoles::teachers})
        if (!roleExists(db, group)) {
            exec(db, step, QStringLiteral("CREATE ROLE %I NOLOGIN"), {group});
            done.made << QStringLiteral("роль %1").arg(group);
        }
    if (!roleExists(db, SchoolRoles::pupilsPcs)) {
        done.pcPassword = newPassword();
        exec(db, step, QStringLiteral("CREATE ROLE %I LOGIN PASSWORD %L"), {SchoolRoles::pupilsPcs, done.pcPassword});
        done.made << QStringLiteral("роль компьютеров учеников %1").arg(SchoolRoles::pupilsPcs);
    }
    for (const TeacherAccount &t : teachers)
        if (!roleExists(db, t.login)) {
            exec(db, step, QStringLiteral("CREATE ROLE %I LOGIN PASSWORD %L IN ROLE %I"),
                 {t.login, t.password, SchoolRoles::teachers});
            done.made << QStringLiteral("роль учителя %1").arg(t.login);
        }
    // The one setting up acts as the owner to make the tables it owns.
    exec(db, step, QStringLiteral("GRANT %I TO CURRENT_USER"), {SchoolRoles::owner});
}

void makeDatabase(const QSqlDatabase &db, const QString &name, SchoolSetup &done)
{
    const QString step = QStringLiteral("база данных");
    if (!exists(db, QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), name)) {
        exec(db, step, QStringLiteral("CREATE DATABASE %I OWNER %I ENCODING 'UTF8' TEMPLATE template0"),
             {name, SchoolRoles::owner});
        done.made << QStringLiteral("база данных %1").arg(name);
    }
    // Only the school's roles connect; the PCs' one too, to call what it may.
    exec(db, step, QStringLiteral("REVOKE ALL ON DATABASE %I FROM PUBLIC"), {name});
    exec(db, step, QStringLiteral("GRANT CONNECT ON DATABASE %I TO %I, %I"),
         {name, SchoolRoles::teachers, SchoolRoles::pupilsPcs});
}

// The journal's tables, made or brought up to date by their owner, and who may reach them.
void makeJournal(QSqlDatabase db)
{
    const QString step = QStringLiteral("таблицы журнала");
    exec(db, step, QStringLiteral("SET ROLE %I"), {SchoolRoles::owner});
    if (QSqlError e = migrate(db); e.isValid())
        throw Failed{step, e};
    if (QSqlError e = migrateSchool(db); e.isValid())
        throw Failed{QStringLiteral("таблицы школы"), e};
    for (const QString &sql : pcFunctions())
        exec(db, QStringLiteral("функции для компьютеров учеников"), sql);
    const QString rights = QStringLiteral("права");
    for (const char *sql : {"REVOKE ALL ON SCHEMA public FROM PUBLIC", "GRANT USAGE ON SCHEMA public TO %I, %I",
                            "REVOKE ALL ON ALL TABLES IN SCHEMA public FROM PUBLIC, %2$I",
                            "REVOKE ALL ON ALL SEQUENCES IN SCHEMA public FROM PUBLIC, %2$I",
                            "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %1$I",
                            "GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO %1$I",
                            "REVOKE EXECUTE ON ALL FUNCTIONS IN SCHEMA public FROM PUBLIC, %1$I, %2$I",
                            "ALTER DEFAULT PRIVILEGES REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC"})
        exec(db, rights, QString::fromUtf8(sql), {SchoolRoles::teachers, SchoolRoles::pupilsPcs});
    // The PCs' role calls its functions, and nothing else.
    exec(db, rights,
         QStringLiteral(
             "DO $$DECLARE f regprocedure; BEGIN FOR f IN SELECT p.oid::regprocedure FROM pg_proc p"
             " JOIN pg_namespace n ON n.oid = p.pronamespace WHERE n.nspname = 'public'"
             " AND p.proname LIKE 'trivo\\_pc\\_%%' LOOP EXECUTE format('GRANT EXECUTE ON FUNCTION %%s TO %%I',"
             " f, %L); END LOOP; END$$"),
         {SchoolRoles::pupilsPcs});
    exec(db, step, QStringLiteral("RESET ROLE"));
}
} // namespace

std::optional<SchoolSetup> setUpSchool(const SchoolServer &server, const QString &user, const QString &password,
                                       const std::vector<TeacherAccount> &teachers, QString &error)
{
    SchoolSetup done;
    try {
        {
            const Connection server0(server, QStringLiteral("postgres"), user, password);
            if (!server0.db().isOpen())
                throw Failed{QStringLiteral("подключение"), server0.db().lastError()};
            makeRoles(server0.db(), teachers, done);
            makeDatabase(server0.db(), server.database, done);
        }
        const Connection journal(server, server.database, user, password);
        if (!journal.db().isOpen())
            throw Failed{QStringLiteral("подключение к базе журнала"), journal.db().lastError()};
        makeJournal(journal.db());
    } catch (const Failed &f) {
        error = QStringLiteral("Сервер школы не настроен (%1): %2")
                    .arg(f.step, f.error.databaseText().isEmpty() ? f.error.text() : f.error.databaseText());
        return std::nullopt;
    }
    return done;
}

JournalSettings schoolPcSettings(JournalSettings base, const SchoolServer &server, const QString &pcPassword)
{
    base.engine = JournalSettings::Engine::Server;
    base.school = true;
    base.host = server.host;
    base.port = server.port;
    base.database = server.database;
    base.user = SchoolRoles::pupilsPcs;
    base.password = pcPassword;
    return base;
}

std::optional<std::vector<TeacherAccount>> teachersFromLines(const QString &text, QString &error)
{
    std::vector<TeacherAccount> out;
    QStringList seen;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype space = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        const QString login = line.left(space).toLower();
        const QString password = space < 0 ? QString() : line.mid(space).trimmed();
        QString problem;
        if (!QRegularExpression(QStringLiteral("^[a-z][a-z0-9_]{0,62}$")).match(login).hasMatch())
            problem = QStringLiteral("логин — латинские буквы, цифры и «_», начиная с буквы");
        else if (login.startsWith(u"pg_") || login.startsWith(u"trivo_") || login == u"postgres" || login == u"public")
            problem = QStringLiteral("логин «%1» занят сервером").arg(login);
        else if (password.size() < 8)
            problem = QStringLiteral("пароль — не короче 8 знаков, после логина через пробел");
        else if (seen.contains(login))
            problem = QStringLiteral("учитель «%1» назван дважды").arg(login);
        if (!problem.isEmpty()) {
            error = QStringLiteral("Учителя, строка %1: %2.").arg(i + 1).arg(problem);
            return std::nullopt;
        }
        seen << login;
        out.push_back({login, password});
    }
    return out;
}
