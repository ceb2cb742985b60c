// The pupils' accounts on a real school server, as a teacher keeps them:
// codes of six digits that no two pupils share, kept when a list comes
// again, a pupil of the same name in another class, a new code that ends the
// old one, and an import that fails leaving nothing behind.
#include "accounts.h"
#include "pgserver.h"
#include "schoolkit.h"
#include "schoolsetup.h"

#include <QRegularExpression>
#include <QtTest>

namespace
{

std::vector<ClassListPupil> pupils(const QString &className, const QStringList &names)
{
    std::vector<ClassListPupil> out;
    for (const QString &n : names)
        out.push_back({n, className, int(out.size()) + 1});
    return out;
}
} // namespace

class AccountsTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    JournalSettings teacher;

    // The job on a teacher's connection; fails the test when the server did not answer.
    template <typename F> void asTeacher(F job)
    {
        const QString error = withSchoolConnection(teacher, [&](QSqlDatabase &db) {
            job(db);
            return QString();
        });
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    QMap<QString, QString> codes() // "name|class" -> code
    {
        QMap<QString, QString> out;
        asTeacher([&](QSqlDatabase &db) {
            QString error;
            const auto all = pupilAccounts(db, {}, error);
            QVERIFY2(all, qPrintable(error));
            for (const PupilAccount &a : *all)
                out.insert(a.fio + u'|' + a.className, a.code);
        });
        return out;
    }

    PupilImport imported(const std::vector<ClassListPupil> &list)
    {
        PupilImport done;
        asTeacher([&](QSqlDatabase &db) {
            QString error;
            const auto r = importPupils(db, list, error);
            QVERIFY2(r, qPrintable(error));
            done = *r;
        });
        return done;
    }

private slots:
    void initTestCase()
    {
        START_SCHOOL_SERVER(pg);
        SchoolServer server;
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
        QString error;
        QVERIFY2(setUpSchool(server, setter, setterPassword, {{"ivanova", "учитель"}}, error), qPrintable(error));
        teacher.engine = JournalSettings::Engine::Server;
        teacher.host = server.host;
        teacher.port = server.port;
        teacher.user = QStringLiteral("ivanova");
        teacher.password = QStringLiteral("учитель");
    }

    void importsKeepCodesAndNamesUnique()
    {
        PupilImport done = imported(pupils(QStringLiteral("9Б"), {"Иванов Иван", "Петрова Анна"}));
        QCOMPARE(done.added, 2);
        const QMap<QString, QString> first = codes();
        const QRegularExpression sixDigits(QStringLiteral("^[0-9]{6}$"));
        for (const QString &c : first)
            QVERIFY2(sixDigits.match(c).hasMatch(), qPrintable(c));

        // The list again, with a newcomer written a little differently: the two keep their codes.
        done = imported(pupils(QStringLiteral("9Б"), {"Сидоров Пётр", "петрова  анна", "Иванов Иван"}));
        QCOMPARE(done.kept, 2);
        QCOMPARE(done.added, 1);
        // The same name in another class, then that class's list again.
        done = imported(pupils(QStringLiteral("10А"), {"Иванов Иван"}));
        QCOMPARE(done.renamed, QStringList{QStringLiteral("Иванов Иван (10А)")});
        QCOMPARE(imported(pupils(QStringLiteral("10А"), {"Иванов Иван"})).kept, 1);
        QVERIFY2(done.text().contains(QStringLiteral("Иванов Иван (10А)")), qPrintable(done.text()));

        const QMap<QString, QString> all = codes();
        QCOMPARE(all.keys(),
                 (QStringList{"Иванов Иван (10А)|10А", "Иванов Иван|9Б", "Петрова Анна|9Б", "Сидоров Пётр|9Б"}));
        QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 4);
        for (auto it = first.begin(); it != first.end(); ++it)
            QCOMPARE(all.value(it.key()), it.value());
        asTeacher([](QSqlDatabase &db) {
            QString error;
            QCOMPARE(schoolClasses(db, error).value_or(QStringList{error}), (QStringList{"9Б", "10А"}));
        });
    }

    void aNewCodeEndsTheOldOne()
    {
        imported(pupils(QStringLiteral("7В"), {"Орлова Ольга", "Зайцев Захар"}));
        asTeacher([](QSqlDatabase &db) {
            QString error;
            const PupilAccount before = pupilAccounts(db, QStringLiteral("7В"), error)->back(); // Орлова
            QCOMPARE(before.fio, QStringLiteral("Орлова Ольга"));
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("INSERT INTO sessions (token, account_id, host) VALUES ('t', %1, 'pc1')")
                               .arg(before.id)));
            const std::optional<QString> code = giveNewCode(db, before.id, error);
            QVERIFY2(code, qPrintable(error));
            QVERIFY(*code != before.code && code->size() == 6);
            QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM accounts WHERE code = '%1' OR code = '%2'")
                               .arg(before.code, *code)) &&
                    q.next());
            QCOMPARE(q.value(0).toInt(), 1);
            QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM sessions")) && q.next());
            QCOMPARE(q.value(0).toInt(), 0); // whoever knew the old code is logged out

            // Switched off, then listed again: the log-in stays closed, and the teacher is told.
            QVERIFY2(setAccountActive(db, before.id, false, error), qPrintable(error));
            QVERIFY(!pupilAccounts(db, QStringLiteral("7В"), error)->back().active);
            QVERIFY(!giveNewCode(db, -1, error));
            QCOMPARE(error, QStringLiteral("Этого ученика уже нет на сервере школы"));
        });
        const QString code = codes().value(QStringLiteral("Орлова Ольга|7В"));
        const PupilImport again = imported(pupils(QStringLiteral("7В"), {"Орлова Ольга"}));
        QCOMPARE(again.closed, QStringList{QStringLiteral("Орлова Ольга")});
        QCOMPARE(codes().value(QStringLiteral("Орлова Ольга|7В")), code);
        asTeacher([](QSqlDatabase &db) {
            QString error;
            QVERIFY(!pupilAccounts(db, QStringLiteral("7В"), error)->back().active);
        });
    }

    // An import that fails on its last pupil leaves the first ones out too.
    void aFailedImportChangesNothing()
    {
        imported(pupils(QStringLiteral("5А"), {"Соколов Сергей"}));
        imported(pupils(QStringLiteral("6А"), {"Соколов Сергей (5Б)"}));
        const QMap<QString, QString> before = codes();
        asTeacher([](QSqlDatabase &db) {
            QString error;
            QVERIFY(!importPupils(db, pupils(QStringLiteral("5Б"), {"Новиков Никита", "Соколов Сергей"}), error));
            QVERIFY2(error.startsWith(QStringLiteral("Сервер школы не выполнил запрос")), qPrintable(error));
        });
        QCOMPARE(codes(), before);
    }

    void aWrongPasswordIsSaidInWords()
    {
        JournalSettings wrong = teacher;
        wrong.password = QStringLiteral("не тот");
        const QString error = withSchoolConnection(wrong, [](QSqlDatabase &) { return QString(); });
        QCOMPARE(error, QStringLiteral("Нет связи с сервером школы (%1): сервер не принял имя пользователя «ivanova» "
                                       "или пароль")
                            .arg(wrong.place()));
    }
};

QTEST_GUILESS_MAIN(AccountsTest)
#include "test_accounts.moc"
