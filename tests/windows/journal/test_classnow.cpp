// «Класс сейчас» against a real PostgreSQL server: thirty PCs with pupils
// logged in tell their runs at once and the teacher's view shows each PC's
// latest state within a second; a PC that stops is marked silent and clears
// when it comes back; the view lives through the server's restart. And what
// the server lets a PC write: its own row only, nothing of another PC's pupil.
#include "ClassNowWindow.h"
#include "pcstatus.h"
#include "pgserver.h"
#include "pupillogin.h"
#include "schoolkit.h"
#include "schoolsetup.h"

#include <QComboBox>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QtTest>

#include <memory>
#include <random>
#include <thread>

namespace
{
constexpr int pcCount = 30;
const QString maker = QStringLiteral("school_admin"), makerPassword = QStringLiteral("s3t-up");
const QString teacher = QStringLiteral("uchitel"), teacherPassword = QStringLiteral("Kl@ss-9a-Iv");

QString pcName(int i)
{
    return QStringLiteral("PC-%1").arg(i + 1, 2, 10, QLatin1Char('0'));
}

QString pupilName(int i)
{
    return QStringLiteral("Ученик %1").arg(i + 1, 2, 10, QLatin1Char('0'));
}

QString classOf(int i)
{
    return i < pcCount / 2 ? QStringLiteral("7А") : QStringLiteral("7Б");
}

// The n-th answer of a PC's run of five: running until the last, which finishes it.
PcStatus step(const QString &token, int n, int pc)
{
    PcStatus s;
    s.token = token;
    s.subject = QStringLiteral("История");
    s.topic = QStringLiteral("Смутное время");
    s.state = n < 5 ? PcStatus::State::Running : PcStatus::State::Finished;
    s.questions = 5;
    s.question = n;
    s.points = n + pc % 3;
    s.pointsPossible = 8;
    if (n < 5)
        s.secondsLeft = 600 - n * 30;
    else
        s.grade = QString::number(3 + pc % 3);
    return s;
}
} // namespace

class ClassNowTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    SchoolServer server;
    JournalSettings pc, teacherSettings;
    QTemporaryDir dir;
    std::unique_ptr<As> admin;
    QStringList tokens;
    std::vector<std::unique_ptr<StatusSender>> pcs;
    std::unique_ptr<ClassNowWindow> window;
    const ClassNowTimes times{3, 200, 500};

    QString cell(const QString &host, int column) const
    {
        const int row = window->model()->rowOf(host);
        return row < 0 ? QString() : window->model()->index(row, column).data().toString();
    }

    // Whether the view shows the PC's status as sent.
    bool shows(int i, const PcStatus &s) const
    {
        const QString host = pcName(i);
        return cell(host, ClassNowModel::Question) == QStringLiteral("%1 из 5").arg(s.question) &&
               cell(host, ClassNowModel::Points) == QStringLiteral("%1 из 8").arg(s.points) &&
               cell(host, ClassNowModel::Grade) == s.grade && cell(host, ClassNowModel::Pupil) == pupilName(i) &&
               cell(host, ClassNowModel::Class) == classOf(i);
    }

    StatusSender *startPc(int i)
    {
        pcs[size_t(i)] = std::make_unique<StatusSender>(pc, pcName(i), 1000);
        return pcs[size_t(i)].get();
    }

private slots:
    void initTestCase()
    {
        if (const QString why = pg.start(); !why.isEmpty()) {
            if (qgetenv("CI") == "true")
                QFAIL(qPrintable("the PostgreSQL server did not start: " + why));
            QSKIP(qPrintable("no PostgreSQL server: " + why));
        }
        {
            const As root(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
            QSqlDatabase db = root.db();
            db.close();
            db.setDatabaseName(QStringLiteral("postgres"));
            QVERIFY(db.open());
            QVERIFY(root.refusal(QStringLiteral("CREATE ROLE %1 LOGIN CREATEDB CREATEROLE PASSWORD '%2'")
                                     .arg(maker, makerPassword))
                        .isEmpty());
        }
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
        QString error;
        QVERIFY2(setUpSchool(server, maker, makerPassword, {{teacher, teacherPassword}}, error), qPrintable(error));
        admin = std::make_unique<As>(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        QVERIFY(admin->refusal(QStringLiteral("ALTER ROLE trivo_pc PASSWORD 'pc'")).isEmpty());
        for (int i = 0; i < pcCount; ++i)
            QVERIFY(admin
                        ->refusal(QStringLiteral("INSERT INTO accounts (fio, fio_folded, class_name, code) VALUES"
                                                 " ('%1', lower('%1'), '%2', '%3')")
                                      .arg(pupilName(i), classOf(i))
                                      .arg(100000 + i))
                        .isEmpty());
        pc = schoolPcSettings(JournalSettings{}, server, QStringLiteral("pc"));
        pc.outbox = dir.filePath(QStringLiteral("outbox.sqlite"));
        pc.connectSeconds = 2;
        pc.answerSeconds = 3;
        teacherSettings = pc;
        teacherSettings.school = false;
        teacherSettings.user = teacher;
        teacherSettings.password = teacherPassword;
        for (int i = 0; i < pcCount; ++i) {
            const PupilLogin login = logInPupil(pc, QString::number(100000 + i), pcName(i));
            QCOMPARE(login.status, PupilLogin::Status::Granted);
            tokens << login.token;
        }
        pcs.resize(pcCount);
    }

    void cleanupTestCase()
    {
        window.reset();
        pcs.clear();
        admin.reset();
    }

    // Thirty PCs answer at once; the last word of each is in the view within a second.
    void thirtyPcsAreShownAsTheyAnswer()
    {
        window = std::make_unique<ClassNowWindow>(teacherSettings, nullptr, times);
        window->show();
        QTRY_VERIFY2_WITH_TIMEOUT(window->connected(), qPrintable(window->KlassSoobshenie->toolTip()), 10000);
        for (int i = 0; i < pcCount; ++i)
            startPc(i);
        std::vector<std::thread> answering;
        for (int i = 0; i < pcCount; ++i)
            answering.emplace_back([this, i] {
                std::mt19937 random(i);
                for (int n = 1; n <= 5; ++n) {
                    pcs[size_t(i)]->report(step(tokens[i], n, i));
                    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 60));
                }
            });
        for (std::thread &t : answering)
            t.join();
        QElapsedTimer since;
        since.start();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (int i = 0; i < pcCount; ++i)
                    if (!shows(i, step(tokens[i], 5, i)))
                        return false;
                return true;
            }(),
            3000);
        QVERIFY2(since.elapsed() < 1000, qPrintable(QString::number(since.elapsed())));
        QCOMPARE(window->model()->rowCount(), pcCount);
        QCOMPARE(cell(pcName(4), ClassNowModel::State), QStringLiteral("закончил"));
        QCOMPARE(cell(pcName(4), ClassNowModel::SubjectTopic), QStringLiteral("История — Смутное время"));

        // One class of two.
        window->KlassVybor->setCurrentText(QStringLiteral("7Б"));
        QCOMPARE(window->KlassTablica->model()->rowCount(), pcCount / 2);
        window->KlassVybor->setCurrentIndex(0);
        QCOMPARE(window->KlassTablica->model()->rowCount(), pcCount);

        // A run under way shows the time left of its clock.
        pcs[0]->report(step(tokens[0], 2, 0));
        QTRY_COMPARE_WITH_TIMEOUT(cell(pcName(0), ClassNowModel::Question), QStringLiteral("2 из 5"), 1000);
        QVERIFY(cell(pcName(0), ClassNowModel::TimeLeft).startsWith(QStringLiteral("0")));
        QCOMPARE(cell(pcName(0), ClassNowModel::State), QStringLiteral("отвечает"));
    }

    // A PC that stops is marked silent, in colour and in words; back, it is not.
    void aSilentPcIsMarkedUntilItComesBack()
    {
        const QString host = pcName(6);
        pcs[6].reset();
        const int row = window->model()->rowOf(host);
        QTRY_VERIFY_WITH_TIMEOUT(window->model()->silent(row), times.silentSeconds * 1000 + 2000);
        QTRY_VERIFY_WITH_TIMEOUT(cell(host, ClassNowModel::State).startsWith(QStringLiteral("молчит")), 1000);
        QCOMPARE(cell(host, ClassNowModel::State), QStringLiteral("молчит 1 мин"));
        QVERIFY(window->model()->index(row, ClassNowModel::Pupil).data(Qt::BackgroundRole).isValid());
        QVERIFY(window->model()
                    ->index(row, ClassNowModel::Pupil)
                    .data(Qt::AccessibleTextRole)
                    .toString()
                    .contains(QStringLiteral("молчит")));
        // The others kept beating.
        QVERIFY(!window->model()->silent(window->model()->rowOf(pcName(7))));
        startPc(6)->report(step(tokens[6], 3, 6));
        QTRY_COMPARE_WITH_TIMEOUT(cell(host, ClassNowModel::Question), QStringLiteral("3 из 5"), 1000);
        QVERIFY(!window->model()->silent(row));
        QCOMPARE(cell(host, ClassNowModel::State), QStringLiteral("отвечает"));
    }

    // The server goes away and comes back: the view says so, then shows what came meanwhile.
    void theViewLivesThroughTheServersRestart()
    {
        pg.stop();
        const auto back = qScopeGuard([&] {
            if (!pg.running)
                pg.startServer();
        });
        QTRY_VERIFY_WITH_TIMEOUT(!window->connected(), 5000);
        QVERIFY(window->KlassSoobshenie->text().startsWith(QStringLiteral("Нет связи с сервером школы")));
        QCOMPARE(window->model()->rowCount(), pcCount); // the rows stay as they were
        pcs[9]->report(step(tokens[9], 4, 9));          // sent into the void, and again by the heartbeat
        QVERIFY(pg.startServer().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(window->connected(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(cell(pcName(9), ClassNowModel::Question), QStringLiteral("4 из 5"), 5000);
        QVERIFY(window->KlassSoobshenie->text().startsWith(QStringLiteral("Компьютеров: 30")));
        pcs[10]->report(step(tokens[10], 1, 10));
        QTRY_COMPARE_WITH_TIMEOUT(cell(pcName(10), ClassNowModel::Question), QStringLiteral("1 из 5"), 1000);
        window.reset();
        pcs.clear();
        pcs.resize(pcCount);
        // The administrator's connection died with the server.
        admin = std::make_unique<As>(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
    }

    // A server that does not answer never holds the PC up: statuses are
    // handed over at once, and the sender lets go within a second.
    void aSilentServerNeverHoldsThePc()
    {
        JournalSettings silent = pc;
        silent.host = QStringLiteral("10.255.255.1"); // nothing answers there
        QElapsedTimer t;
        t.start();
        {
            StatusSender sender(silent, pcName(0), 200);
            for (int n = 1; n <= 5; ++n)
                sender.report(step(tokens[0], n, 0));
            QVERIFY(t.elapsed() < 100);
            QTest::qWait(300);
        }
        QVERIFY2(t.elapsed() < 1800, qPrintable(QString::number(t.elapsed())));
    }

    // What a PC may write through its function, as the PCs' role. PC-02's
    // pupil is logged in there and was seen just now when the rows begin.
    void aPcWritesItsOwnRowOnly_data()
    {
        // 0 none, 1 PC-01's pupil, 2 PC-02's pupil, 3 a token never given, 4 another pupil's log-in on PC-02
        QTest::addColumn<int>("login");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("refused"); // the server's words, or empty when it took the status
        // The host's row afterwards: pupil, class, state, question, seconds left ('-': none), subject.
        QTest::addColumn<QString>("row");
        const QString untouched = QStringLiteral("Ученик 02|7А||0|-|");
        QTest::newRow("a pupil's log-in on another PC") << 1 << "PC-02"
                                                        << "{\"question\": 9}"
                                                        << "another PC" << untouched;
        QTest::newRow("no log-in over a pupil's") << 0 << "PC-02"
                                                  << "{\"question\": 9}"
                                                  << "logged in" << untouched;
        QTest::newRow("an unknown log-in") << 3 << "PC-02"
                                           << "{}"
                                           << "unknown" << untouched;
        QTest::newRow("no PC's name") << 0 << " "
                                      << "{}"
                                      << "name" << QString();
        QTest::newRow("not an object") << 0 << "PC-99"
                                       << "[1]"
                                       << "object" << QString();
        QTest::newRow("no log-in: no pupil, whatever it says")
            << 0 << "PC-99"
            << "{\"pupil\": \"Хакер\", \"state\": \"hacked\", \"question\": \"x\", \"secondsLeft\": -5,"
               " \"subject\": \"Физика\"}"
            << ""
            << "|||0|0|Физика";
        QTest::newRow("the pupil's own PC") << 2 << "PC-02"
                                            << "{\"state\": \"running\", \"question\": 3, \"secondsLeft\": 90.7}"
                                            << ""
                                            << "Ученик 02|7А|running|3|91|";
        QTest::newRow("another pupil who left it before") << 4 << "PC-02"
                                                          << "{\"leaving\": true}"
                                                          << ""
                                                          << "Ученик 02|7А|running|3|91|";
        QTest::newRow("the pupil left") << 2 << "PC-02"
                                        << "{\"leaving\": true, \"state\": \"running\"}"
                                        << ""
                                        << "|||0|-|";
        QTest::newRow("then free without a log-in") << 0 << "PC-02"
                                                    << "{\"state\": \"finished\", \"question\": 5}"
                                                    << ""
                                                    << "||finished|5|-|";
    }

    void aPcWritesItsOwnRowOnly()
    {
        QFETCH(int, login);
        QFETCH(QString, host);
        QFETCH(QString, status);
        QFETCH(QString, refused);
        QFETCH(QString, row);
        const As pcRole(pg.port, QStringLiteral("trivo_pc"), QStringLiteral("pc"));
        auto call = [&](const QVariant &token, const QString &h, const QString &s) {
            QSqlQuery q(pcRole.db());
            q.prepare(QStringLiteral("SELECT trivo_pc_status(?, ?, CAST(? AS jsonb))"));
            q.addBindValue(token);
            q.addBindValue(h);
            q.addBindValue(s);
            return q.exec() ? QString() : q.lastError().databaseText();
        };
        if (QTest::currentDataTag() == QByteArray("a pupil's log-in on another PC")) {
            QVERIFY(admin->refusal(QStringLiteral("DELETE FROM pc_status")).isEmpty());
            QCOMPARE(call(tokens[1], QStringLiteral("PC-02"), QStringLiteral("{}")), QString());
        }
        static const QString before = logInPupil(pc, QStringLiteral("100002"), QStringLiteral("PC-02")).token;
        const QVariant token[] = {QVariant(QMetaType::fromType<QString>()), tokens[0], tokens[1],
                                  QStringLiteral("never-given"), before};
        const QString said = call(token[login], host, status);
        if (refused.isEmpty())
            QVERIFY2(said.isEmpty(), qPrintable(said));
        else
            QVERIFY2(said.contains(refused), qPrintable(said));
        if (!row.isEmpty())
            QCOMPARE(
                admin
                    ->rows(QStringLiteral(
                               "SELECT pupil, class_name, state, question, COALESCE(seconds_left::text, '-'), subject"
                               " FROM pc_status WHERE host = '%1'")
                               .arg(host))
                    .value(0),
                row);
    }

    // A log-in over 14 days old goes with the next log-in; younger ones stay.
    void oldLogInsGo()
    {
        QVERIFY(admin
                    ->refusal(QStringLiteral("INSERT INTO sessions (token, account_id, host, started) SELECT t, id,"
                                             " 'PC-01', LOCALTIMESTAMP - d FROM (SELECT id FROM accounts LIMIT 1) a,"
                                             " (VALUES ('old', interval '15 days'), ('week', interval '7 days'))"
                                             " AS v(t, d)"))
                    .isEmpty());
        QCOMPARE(logInPupil(pc, QStringLiteral("100000"), pcName(0)).status, PupilLogin::Status::Granted);
        QCOMPARE(admin->rows(QStringLiteral("SELECT token FROM sessions WHERE token IN ('old', 'week')")),
                 QStringList{QStringLiteral("week")});
    }
};

QTEST_MAIN(ClassNowTest)
#include "test_classnow.moc"
