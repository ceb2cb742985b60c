#pragma once
// What the school's suites share: a connection of its own to the school's
// database on the test server, as one of its roles.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>

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
