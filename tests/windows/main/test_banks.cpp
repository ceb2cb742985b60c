// A bank published from the editor and fetched by the main window, in the
// real windows against a real PostgreSQL server: the editor says the version
// in words, «Обновить банки» brings a newer one to the screen, and a folder
// with edits never published is replaced only when the user says so.
#include "EditorWindow.h"
#include "WindowTestKit.h"
#include "bank.h"
#include "bankpublish.h"
#include "pgserver.h"
#include "schoolkit.h"
#include "schoolsetup.h"
#include "teacheraccess.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>

namespace
{
const QString teacherPassword = QStringLiteral("uch-1tel");

void writeTopic(const QString &folder, const QString &title)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", title}});
    bank.wopros.rewrite(std::vector<WoprosRec>{{"1", "1", "1", "1", "Год Полтавской битвы?", "", "2", ""}});
    bank.otwet.rewrite(std::vector<OtwetRec>{{"1", "1", "1", "1", "1", "Ф", "1709"}});
}
} // namespace

class BankWindowsTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    WindowTestKit kit;
    JournalSettings pc;

    // Another teacher publishes the subject from a folder of their own.
    void publishElsewhere(const QString &title)
    {
        QTemporaryDir elsewhere;
        writeTopic(elsewhere.filePath("Istoriy"), title);
        const SchoolConnection c(asTeacher(pc, {QStringLiteral("ivanova"), teacherPassword}));
        QSqlDatabase db = c.db();
        QString error;
        QVERIFY2(publishSubject(db, QStringLiteral("История"), elsewhere.filePath("Istoriy"), error),
                 qPrintable(error));
    }

    QString lastMessage() const { return kit.desk.lastText(QStringLiteral("message")); }

private slots:
    void initTestCase()
    {
        if (const QString problem = pg.start(); !problem.isEmpty()) {
            if (qEnvironmentVariable("CI") == u"true")
                QFAIL(qPrintable(problem));
            QSKIP(qPrintable("no PostgreSQL server: " + problem));
        }
        QString error;
        QVERIFY2(setUpSchool({QStringLiteral("127.0.0.1"), pg.port}, QLatin1String(PgServer::admin),
                             QLatin1String(PgServer::adminPassword), {{QStringLiteral("ivanova"), teacherPassword}},
                             error),
                 qPrintable(error));
        const As admin(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        QVERIFY(admin.refusal(QStringLiteral("ALTER ROLE trivo_pc PASSWORD 'pc'")).isEmpty());
        pc.engine = JournalSettings::Engine::Server;
        pc.host = QStringLiteral("127.0.0.1");
        pc.port = pg.port;
        pc.user = QStringLiteral("trivo_pc");
        pc.password = QStringLiteral("pc");
        pc.school = true;
    }

    void publishedFromTheEditorAndFetchedOnRequest()
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"), QStringLiteral("Петровская эпоха"));
        pc.outbox = kit.path("Baza/outbox.sqlite");
        QVERIFY(pc.save(kit.path("Baza")).isEmpty());
        EditorWindow *editor = kit.openEditor();
        QVERIFY(editor);
        MainWindow *m = kit.main;
        QTRY_VERIFY(child<QAction>(m, "ObnovitBanki")->isVisible());

        // Publishing asks the teacher for their own log-in, kept for this log-in only.
        QVERIFY(editor->Opublikovat->isVisible());
        kit.desk.inputs = {QStringLiteral("ivanova"), teacherPassword};
        kit.desk.answers = {Desktop::Answer::No};
        QTest::mouseClick(editor->Opublikovat, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(editor->Opublikovat->isEnabled(), 20000);
        QVERIFY2(lastMessage().contains(QStringLiteral("версия 1")), qPrintable(lastMessage()));

        // A newer version reaches the main window's topic list.
        publishElsewhere(QStringLiteral("Смутное время"));
        kit.desk.clear();
        child<QAction>(m, "ObnovitBanki")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!kit.desk.of(QStringLiteral("message")).empty(), 20000);
        QVERIFY2(lastMessage().contains(QStringLiteral("обновлён до версии 2")), qPrintable(lastMessage()));
        QCOMPARE(m->WiborTema->itemText(0), QStringLiteral("Смутное время"));

        // Edits of this PC: asked about, kept on «Нет», replaced on «Да».
        writeTopic(kit.path("Istoriy"), QStringLiteral("Правка этого компьютера"));
        publishElsewhere(QStringLiteral("Реформы"));
        for (const Desktop::Answer answer : {Desktop::Answer::No, Desktop::Answer::Yes}) {
            kit.desk.clear();
            kit.desk.answers = {answer};
            child<QAction>(m, "ObnovitBanki")->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(!kit.desk.of(QStringLiteral("message")).empty(), 20000);
            QCOMPARE(kit.desk.of(QStringLiteral("question")).size(), size_t(1));
            const QString topic = BankFiles(kit.path("Istoriy")).tema.readAll<TemaRec>().front().Nazwan;
            QCOMPARE(topic, answer == Desktop::Answer::No ? QStringLiteral("Правка этого компьютера")
                                                          : QStringLiteral("Реформы"));
        }
    }
};

QTEST_MAIN(BankWindowsTest)
#include "test_banks.moc"
