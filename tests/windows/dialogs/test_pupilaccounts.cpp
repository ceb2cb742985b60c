// «Ученики и коды входа» as an administrator uses it, against a school's
// server the suite starts itself: a server that is not there said in the
// window, a class list loaded, a bad one refused, a new code, the cards.
#include "Desktop.h"
#include "PupilAccountsWindow.h"
#include "pgserver.h"
#include "schoolsetup.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

class PupilAccountsWindowTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    QString notStarted;
    QTemporaryDir config, files;
    ScriptedDesktop desk;
    JournalSettings teacher;

    QString writeList(const QString &name, const QString &text)
    {
        const QString path = files.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0)
            return {};
        return path;
    }

    static QString cell(PupilAccountsWindow &w, int row, int column)
    {
        return w.Spisok->model()->index(row, column).data().toString();
    }

    static void settle(PupilAccountsWindow &w, QPushButton *button = nullptr)
    {
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.busy(), 20000);
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        setDesktop(&desk);
        notStarted = pg.start();
        if (!notStarted.isEmpty() && qgetenv("CI") == "true")
            QFAIL(qPrintable("the PostgreSQL server did not start: " + notStarted));
        if (!notStarted.isEmpty())
            return;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("root"));
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(pg.port);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(QLatin1String(PgServer::admin));
        db.setPassword(QLatin1String(PgServer::adminPassword));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("CREATE ROLE school_admin LOGIN CREATEDB CREATEROLE PASSWORD 'a'")));
        db.close();
        SchoolServer server;
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
        QString error;
        QVERIFY2(setUpSchool(server, QStringLiteral("school_admin"), QStringLiteral("a"), {{"petrova", "p"}}, error),
                 qPrintable(error));
        teacher.engine = JournalSettings::Engine::Server;
        teacher.host = server.host;
        teacher.port = server.port;
        teacher.user = QStringLiteral("petrova");
        teacher.password = QStringLiteral("p");
    }

    void init() { desk.clear(); }

    // Nobody listens there: the window says so in its line and stays usable.
    void aServerThatIsNotThere()
    {
        JournalSettings nowhere;
        nowhere.engine = JournalSettings::Engine::Server;
        nowhere.host = QStringLiteral("127.0.0.1");
        nowhere.port = 9; // discard: closed on a test machine
        nowhere.connectSeconds = 2;
        PupilAccountsWindow w(nowhere);
        QCOMPARE(w.objectName(), QStringLiteral("Ucheniki"));
        QVERIFY(w.busy());
        settle(w);
        QVERIFY2(w.Sostoyanie->text().startsWith(QStringLiteral("Нет связи с сервером школы")) &&
                     w.Sostoyanie->text().endsWith(QStringLiteral("сервер отказал в соединении (база данных на нём "
                                                                  "не запущена или порт закрыт)")),
                 qPrintable(w.Sostoyanie->text()));
        QVERIFY(desk.shown.empty());
        QVERIFY(w.Zagruzit->isEnabled());
    }

    void loadAListGiveACodePrintCards()
    {
        if (!notStarted.isEmpty())
            QSKIP(qPrintable("no PostgreSQL server: " + notStarted));
        PupilAccountsWindow w(teacher);
        settle(w);
        QCOMPARE(w.Spisok->model()->rowCount(), 0);

        desk.fileNames.push_back(
            writeList(QStringLiteral("9b.txt"), QStringLiteral("ФИО;класс\nИванов Иван;9б\nПетрова Анна;9Б\n")));
        settle(w, w.Zagruzit);
        QCOMPARE(desk.lastText(QStringLiteral("message")), QStringLiteral("Добавлено учеников: 2, уже были: 0."));
        QCOMPARE(w.Klass->currentText(), QStringLiteral("9Б"));
        QCOMPARE(w.Spisok->model()->rowCount(), 2);
        QCOMPARE(cell(w, 0, 0), QStringLiteral("Иванов Иван"));
        const QString code = cell(w, 0, 2);
        QVERIFY(code.size() == 6 && code != cell(w, 1, 2));

        // A list with a bad row changes nothing and says which row.
        desk.fileNames.push_back(writeList(QStringLiteral("bad.txt"), QStringLiteral("Сидоров Пётр;9Б\nОрлов\n")));
        settle(w, w.Zagruzit);
        QVERIFY2(desk.lastText(QStringLiteral("message")).contains(QStringLiteral("Строка 2: нет класса")),
                 qPrintable(desk.lastText(QStringLiteral("message"))));
        QCOMPARE(w.Spisok->model()->rowCount(), 2);

        w.Spisok->setCurrentIndex(w.Spisok->model()->index(0, 0));
        desk.answers.push_back(Desktop::Answer::Yes);
        settle(w, w.NowyKod);
        const QString newCode = cell(w, 0, 2);
        QVERIFY(newCode != code);
        QCOMPARE(desk.lastText(QStringLiteral("message")), QStringLiteral("Новый код ученика Иванов Иван: ") + newCode);

        desk.saveNames.push_back(files.filePath(QStringLiteral("Карточки_9Б.pdf")));
        settle(w, w.Kartochki);
        QCOMPARE(desk.lastText(QStringLiteral("open")), files.filePath(QStringLiteral("Карточки_9Б.pdf")));
        QVERIFY(QFileInfo::exists(files.filePath(QStringLiteral("Карточки_9Б.docx"))));
    }
};

QTEST_MAIN(PupilAccountsWindowTest)
#include "test_pupilaccounts.moc"
