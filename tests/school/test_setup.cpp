// Setting up the school's server, as a PostgreSQL user who may create
// databases and roles but is no superuser: the roles, the database and the
// journal's tables, made once; run again, nothing changes; the pupils' PCs
// reach no table, a teacher reads and writes the journal.
#include "journal.h"
#include "pgserver.h"
#include "schoolkit.h"
#include "schoolsetup.h"

#include <QtTest>

class SchoolSetupTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    SchoolServer server;

    QStringList catalog()
    {
        const As admin(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        QStringList out;
        QSqlQuery q(admin.db());
        q.exec(QStringLiteral("SELECT rolname || ':' || rolcanlogin FROM pg_roles WHERE rolname LIKE 'trivo_%'"
                              " OR rolname = 'ivanova' UNION ALL SELECT tablename || ':' || tableowner || ':' ||"
                              " COALESCE(array_to_string(ARRAY(SELECT grantee || '/' || privilege_type FROM"
                              " information_schema.role_table_grants g WHERE g.table_name = t.tablename"
                              " ORDER BY 1), ','), '') FROM pg_tables t WHERE schemaname = 'public' ORDER BY 1"));
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

private slots:
    void initTestCase()
    {
        START_SCHOOL_SERVER(pg);
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
    }

    void setUpOnceAndAgainChangesNothing()
    {
        QString error;
        const auto first = setUpSchool(server, setter, setterPassword, {{"ivanova", "Мар'ья \\ 7"}}, error);
        QVERIFY2(first, qPrintable(error));
        QCOMPARE(first->pcPassword.size(), 24);
        const QStringList made = catalog();
        QVERIFY2(made.contains(QStringLiteral("trivo_owner:false")) && made.contains(QStringLiteral("trivo_pc:true")) &&
                     made.contains(QStringLiteral("ivanova:true")),
                 qPrintable(made.join(u'\n')));
        // Every table is the owner's, and only the teachers have rights on it.
        for (const QString &row : made.filter(QStringLiteral(":trivo_owner:")))
            QVERIFY2(!row.contains(QStringLiteral("trivo_pc/")) && !row.contains(QStringLiteral("PUBLIC/")) &&
                         row.contains(QStringLiteral("trivo_teachers/SELECT")),
                     qPrintable(row));

        const auto again = setUpSchool(server, setter, setterPassword, {{"ivanova", "другой"}}, error);
        QVERIFY2(again, qPrintable(error));
        QVERIFY(again->pcPassword.isEmpty());
        QVERIFY(again->made.isEmpty());
        QCOMPARE(catalog(), made);

        // A wrong password for the set-up says so, in words.
        QVERIFY(!setUpSchool(server, setter, QStringLiteral("нет"), {}, error));
        QVERIFY2(error.startsWith(QStringLiteral("Сервер школы не настроен (подключение)")), qPrintable(error));
    }

    void thePupilsPcsReachNoTable()
    {
        QString error;
        const auto done = setUpSchool(server, setter, setterPassword, {}, error);
        QVERIFY2(done, qPrintable(error));
        // The PCs' password was handed out by the first set-up; give it anew here.
        const As admin(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        QVERIFY(admin.refusal(QStringLiteral("ALTER ROLE trivo_pc PASSWORD 'pc'")).isEmpty());
        const As pc(pg.port, QStringLiteral("trivo_pc"), QStringLiteral("pc"));
        QVERIFY2(pc.db().isOpen(), qPrintable(pc.db().lastError().text()));
        QSqlQuery tables(admin.db());
        QVERIFY(tables.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = 'public'")));
        int checked = 0;
        while (tables.next()) {
            const QString t = tables.value(0).toString();
            for (const QString &sql :
                 {QStringLiteral("SELECT * FROM %1"), QStringLiteral("DELETE FROM %1"),
                  QStringLiteral("INSERT INTO %1 DEFAULT VALUES"), QStringLiteral("CREATE TABLE %1_copy AS SELECT 1")})
                QVERIFY2(pc.refusal(sql.arg(t)).contains(QStringLiteral("permission denied")),
                         qPrintable(sql.arg(t) + ": " + pc.refusal(sql.arg(t))));
            ++checked;
        }
        QVERIFY(checked >= 7); // results, their questions, pupils, memory, resets, memory state, version
    }

    void aTeacherKeepsTheJournal()
    {
        QString error;
        QVERIFY2(setUpSchool(server, setter, setterPassword, {{"petrova", "учитель"}}, error), qPrintable(error));
        JournalSettings s;
        s.engine = JournalSettings::Engine::Server;
        s.host = server.host;
        s.port = server.port;
        s.database = server.database;
        s.user = QStringLiteral("petrova");
        s.password = QStringLiteral("учитель");
        s.outbox =
            QDir::temp().filePath(QStringLiteral("school-outbox-%1.sqlite").arg(QCoreApplication::applicationPid()));
        Journal j(s);
        QVERIFY2(j.open(), qPrintable(j.lastError()));
        RunResult r;
        r.pupil = QStringLiteral("Иванова Мария");
        r.subject = QStringLiteral("История");
        r.topic = QStringLiteral("Смута");
        r.started = QDateTime::currentDateTime();
        r.grade = r.runningGrade = QStringLiteral("5");
        QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        QFile::remove(s.outbox);
    }
};

QTEST_GUILESS_MAIN(SchoolSetupTest)
#include "test_setup.moc"
