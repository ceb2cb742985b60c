#pragma once
// What the school's suites share: the suite's own server with the role that
// sets the school up, and a connection of its own to the school's database,
// as one of its roles.
#include "pgserver.h"
#include "schoolsetup.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>
#include <optional>

// A connection of its own to the school's database, as a role.
struct As {
    QString name = QUuid::createUuid().toString();
    As(int port, const QString &user, const QString &password)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(port);
        db.setDatabaseName(QStringLiteral("trivo"));
        db.setUserName(user);
        db.setPassword(password);
        db.open();
    }
    ~As()
    {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
    // What the server said to the statement; empty when it was done.
    QString refusal(const QString &sql) const
    {
        QSqlQuery q(db());
        return q.exec(sql) ? QString() : q.lastError().databaseText();
    }
    // The rows of a query as lines, the columns between '|'.
    QStringList rows(const QString &sql) const
    {
        QSqlQuery q(db());
        if (!q.exec(sql))
            return {q.lastError().text()};
        QStringList out;
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c)
                row << q.value(c).toString();
            out << row.join(u'|');
        }
        return out;
    }
};

// The role that sets the school up: it may create databases and roles, and is no superuser.
inline const QString setter = QStringLiteral("school_admin"), setterPassword = QStringLiteral("s3t-up");

// Starts the suite's own server and makes the setter on it; what went wrong, or nothing.
inline QString startSchoolServer(PgServer &pg)
{
    if (const QString why = pg.start(); !why.isEmpty())
        return why;
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("root"));
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(pg.port);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(QLatin1String(PgServer::admin));
        db.setPassword(QLatin1String(PgServer::adminPassword));
        QSqlQuery q(db);
        if (!db.open() ||
            !q.exec(
                QStringLiteral("CREATE ROLE %1 LOGIN CREATEDB CREATEROLE PASSWORD '%2'").arg(setter, setterPassword)))
            problem =
                QStringLiteral("the setter was not made: ") + (db.isOpen() ? q.lastError() : db.lastError()).text();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("root"));
    return problem;
}

// The school set up on the server by the setter, with these teachers; nothing,
// with what went wrong in error, when it was not.
inline std::optional<SchoolSetup> setUpTestSchool(const PgServer &pg, const std::vector<TeacherAccount> &teachers,
                                                  QString &error)
{
    SchoolServer server;
    server.host = QStringLiteral("127.0.0.1");
    server.port = pg.port;
    return setUpSchool(server, setter, setterPassword, teachers, error);
}

// The whole school on the suite's own server: started, set up with these
// teachers, the PCs' password made pcPassword; what went wrong, or nothing.
inline QString schoolOnItsServer(PgServer &pg, const std::vector<TeacherAccount> &teachers, const QString &pcPassword)
{
    if (const QString why = startSchoolServer(pg); !why.isEmpty())
        return why;
    QString error;
    if (!setUpTestSchool(pg, teachers, error))
        return error;
    return As(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword))
        .refusal(QStringLiteral("ALTER ROLE trivo_pc PASSWORD '%1'").arg(pcPassword));
}

// For initTestCase: a server that does not start skips the suite, and fails it under CI.
#define START_SCHOOL_SERVER(pg)                                                                                        \
    do {                                                                                                               \
        if (const QString why_ = startSchoolServer(pg); !why_.isEmpty()) {                                             \
            if (qgetenv("CI") == "true")                                                                               \
                QFAIL(qPrintable("the PostgreSQL server did not start: " + why_));                                     \
            QSKIP(qPrintable("no PostgreSQL server: " + why_));                                                        \
        }                                                                                                              \
    } while (false)
