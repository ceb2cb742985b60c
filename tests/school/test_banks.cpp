// Banks published on the school's server and fetched by its PCs, against a
// real PostgreSQL server: what arrives is what was published, a PC's own
// unpublished edits are never overwritten unasked, a failed write leaves the
// old bank whole, and the PCs' role cannot write a bank.
#include "bankpublish.h"
#include "installfolder.h"
#include "journalsettings.h"
#include "pgserver.h"
#include "recordfile.h"
#include "records.h"
#include "schoolkit.h"
#include "schoolsetup.h"
#include "subjects.h"

#include <QtTest>

namespace
{
const QString subject = QStringLiteral("Химия");

void put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray got(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// An installation folder: its subject list and, maybe, the subject's folder.
struct Home {
    QTemporaryDir dir;
    explicit Home(bool withSubject)
    {
        QDir(dir.path()).mkpath(QStringLiteral("Baza"));
        std::vector<PapkaRec> list{defaultSubject()};
        if (withSubject)
            list.push_back({2, subject, QStringLiteral("Himiya"), 1, 1, 1});
        RecordFile(dir.filePath(QStringLiteral("Baza/Papka.dat")), PapkaRec::Size).rewrite(list);
    }
    QString bank() const { return dir.filePath(QStringLiteral("Himiya")); }
    void use() const { setInstallRoot(dir.path()); }
};
} // namespace

class BanksTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    JournalSettings teacher, pc;
    std::unique_ptr<SchoolConnection> teacherLink, pcLink;
    Home author{true};

    QSqlDatabase teacherDb() { return teacherLink->db(); }
    QSqlDatabase pcDb() { return pcLink->db(); }

    BankVersion publish()
    {
        author.use();
        QString error;
        QSqlDatabase db = teacherDb();
        const auto v = publishSubject(db, subject, author.bank(), error);
        if (!v)
            qFatal("not published: %s", qPrintable(error));
        return *v;
    }

    BankFetch fetchInto(const Home &home)
    {
        home.use();
        QSqlDatabase db = pcDb();
        return fetchBanks(db);
    }

    static FetchedSubject::State stateOf(const BankFetch &f)
    {
        for (const FetchedSubject &s : f.subjects)
            if (s.subject == subject)
                return s.state;
        return FetchedSubject::State::Failed;
    }

private slots:
    void initTestCase()
    {
        START_SCHOOL_SERVER(pg);
        QString error;
        QVERIFY2(setUpSchool({QStringLiteral("127.0.0.1"), pg.port}, setter, setterPassword,
                             {{QStringLiteral("ivanova"), QStringLiteral("учитель")}}, error),
                 qPrintable(error));
        const As admin(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        QVERIFY(admin.refusal(QStringLiteral("ALTER ROLE trivo_pc PASSWORD 'pc'")).isEmpty());
        teacher.engine = pc.engine = JournalSettings::Engine::Server;
        teacher.host = pc.host = QStringLiteral("127.0.0.1");
        teacher.port = pc.port = pg.port;
        teacher.user = QStringLiteral("ivanova");
        teacher.password = QStringLiteral("учитель");
        pc.user = QStringLiteral("trivo_pc");
        pc.password = QStringLiteral("pc");
        pc.school = true;
        teacherLink = std::make_unique<SchoolConnection>(teacher);
        pcLink = std::make_unique<SchoolConnection>(pc);
        QVERIFY2(teacherLink->isOpen() && pcLink->isOpen(), qPrintable(teacherLink->error() + pcLink->error()));

        put(author.bank() + "/Tema.dat", QByteArray(128, 'T'));
        put(author.bank() + "/Wopros.dat", QByteArray(236 * 3, 'W'));
        put(author.bank() + "/Otwet.dat", QByteArray(170 * 9, '\0'));
        put(author.bank() + "/Exam.dat", QByteArray(138, 'E'));
        put(author.bank() + "/Foto/1_1_1_1.gif", QByteArray("GIF89a\x01\x02", 8));
        put(author.bank() + "/Temp.dat", "the author's own exam draw");
    }

    void cleanupTestCase()
    {
        teacherLink.reset();
        pcLink.reset();
    }

    // Versions are numbered, carry their author, and a PC gets exactly the
    // bytes published; an earlier version published again is what arrives next.
    void publishedVersionsReachAnotherPc()
    {
        const BankVersion v1 = publish();
        QCOMPARE(v1.version, 1);
        QCOMPARE(v1.author, QStringLiteral("ivanova"));
        // Predmet.dat made as opening the bank makes it; the exam draw is the PC's own.
        QCOMPARE(v1.files, 6);

        Home pupil(false);
        QCOMPARE(stateOf(fetchInto(pupil)), FetchedSubject::State::Added);
        const auto row = findSubject(RecordFile(pupil.dir.filePath("Baza/Papka.dat"), PapkaRec::Size), subject);
        QVERIFY(row && row->Papka == QStringLiteral("Himiya") && row->Woprosov == 3 && row->Otwetov == 9);
        for (const char *file : {"Tema.dat", "Wopros.dat", "Otwet.dat", "Exam.dat", "Foto/1_1_1_1.gif"})
            QCOMPARE(got(pupil.bank() + u'/' + QLatin1String(file)), got(author.bank() + u'/' + QLatin1String(file)));
        QVERIFY(!QFile::exists(pupil.bank() + "/Temp.dat"));
        QCOMPARE(stateOf(fetchInto(pupil)), FetchedSubject::State::UpToDate);

        put(author.bank() + "/Tema.dat", QByteArray(256, 't'));
        QCOMPARE(publish().version, 2);
        QCOMPARE(stateOf(fetchInto(pupil)), FetchedSubject::State::Fetched);
        QCOMPARE(got(pupil.bank() + "/Tema.dat"), QByteArray(256, 't'));

        QString error;
        QSqlDatabase db = teacherDb();
        const auto v3 = republishVersion(db, subject, 1, error);
        QVERIFY2(v3, qPrintable(error));
        QCOMPARE(v3->version, 3);
        QCOMPARE(v3->basedOn, std::optional<int>(1));
        QCOMPARE(v3->hash, v1.hash);
        QCOMPARE(stateOf(fetchInto(pupil)), FetchedSubject::State::Fetched);
        QCOMPARE(got(pupil.bank() + "/Tema.dat"), QByteArray(128, 'T'));
        const auto all = subjectVersions(db, subject, error);
        QVERIFY(all && all->size() == 3 && all->front().version == 3);
        QVERIFY(!republishVersion(db, subject, 42, error));

        // The author's PC held version 2 as published: version 3 replaces it, then nothing is new.
        QCOMPARE(stateOf(fetchInto(author)), FetchedSubject::State::Fetched);
        QCOMPARE(stateOf(fetchInto(author)), FetchedSubject::State::UpToDate);
    }

    // Edits a PC never published stay until the user says otherwise, on a
    // pupil's PC and on the teacher's own.
    void unpublishedEditsAreKept()
    {
        Home pupil(false);
        fetchInto(pupil);
        put(pupil.bank() + "/Exam.dat", "edited here");
        put(author.bank() + "/Tema.dat", "fourth");
        publish();
        put(author.bank() + "/Tema.dat", "the teacher's work in progress");
        // Meanwhile another teacher publishes the second version again.
        QString error;
        QSqlDatabase teachers = teacherDb();
        QVERIFY2(republishVersion(teachers, subject, 2, error), qPrintable(error));

        for (const Home *home : {&pupil, &author}) {
            const BankFetch f = fetchInto(*home);
            QCOMPARE(stateOf(f), FetchedSubject::State::LocalEdits);
            QCOMPARE(f.withLocalEdits(), QStringList{subject});
        }
        QCOMPARE(got(pupil.bank() + "/Exam.dat"), QByteArray("edited here"));
        QCOMPARE(got(author.bank() + "/Tema.dat"), QByteArray("the teacher's work in progress"));

        pupil.use();
        QSqlDatabase db = pcDb();
        QCOMPARE(replaceWithPublished(db, subject).state, FetchedSubject::State::Fetched);
        QCOMPARE(got(pupil.bank() + "/Tema.dat"), QByteArray(256, 't'));
        QCOMPARE(got(pupil.bank() + "/Exam.dat"), got(author.bank() + "/Exam.dat"));
    }

    // A write that fails part way, a server path leading out of the folder
    // and a server out of reach all leave the PC's bank exactly as it was.
    void failuresLeaveTheOldBank()
    {
        Home pupil(false);
        fetchInto(pupil);
        const QByteArray before = got(pupil.bank() + "/Tema.dat");
        const auto beside = [&] { return QDir(pupil.dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot); };
        const QStringList folders = beside();
        put(author.bank() + "/Tema.dat", "fifth");
        publish();
        // Teachers' rows written by hand: a file the write fails on half way
        // (a folder's name taken by a file), and one that would land outside
        // the subject folder.
        const QByteArray list = got(pupil.dir.filePath("Baza/Papka.dat"));
        for (const char *path : {"Tema.dat/inside", "../Baza/Papka.dat"}) {
            QSqlQuery q(teacherDb());
            QVERIFY(
                q.exec(QStringLiteral("INSERT INTO bank_versions (subject, version, hash, files, bytes, folder)"
                                      " SELECT subject, version + 1, 'by hand', files + 1, bytes + 1, folder"
                                      " FROM bank_versions WHERE subject = 'Химия' ORDER BY version DESC LIMIT 1")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO bank_files SELECT f.subject, f.version + 1, f.path, f.content"
                                          " FROM bank_files f WHERE f.subject = 'Химия' AND f.version ="
                                          " (SELECT MAX(version) - 1 FROM bank_versions WHERE subject = 'Химия')")));
            q.prepare(QStringLiteral("INSERT INTO bank_files SELECT subject, MAX(version), ?, 'x' FROM bank_versions"
                                     " WHERE subject = 'Химия' GROUP BY subject"));
            q.addBindValue(QLatin1String(path));
            QVERIFY(q.exec());
            const BankFetch f = fetchInto(pupil);
            QCOMPARE(stateOf(f), FetchedSubject::State::Failed);
            QVERIFY2(f.summary().contains(path[0] == '.' ? QStringLiteral("недопустимым путём")
                                                         : QStringLiteral("Не удалось")),
                     qPrintable(f.summary()));
            QCOMPARE(got(pupil.dir.filePath("Baza/Papka.dat")), list);
            QCOMPARE(got(pupil.bank() + "/Tema.dat"), before);
            QCOMPARE(beside(), folders);
            QVERIFY(q.exec(QStringLiteral("DELETE FROM bank_versions WHERE subject = 'Химия' AND version = "
                                          "(SELECT MAX(version) FROM bank_versions WHERE subject = 'Химия')")));
        }

        JournalSettings away = pc;
        away.port = 1; // nothing listens there
        pupil.use();
        const BankFetch f = fetchBanks(away);
        QVERIFY2(f.error.startsWith(QStringLiteral("Сервер школы недоступен")), qPrintable(f.error));
        QVERIFY(f.subjects.empty());
        QCOMPARE(got(pupil.bank() + "/Tema.dat"), before);
        QCOMPARE(beside(), folders);
    }

    // The PCs' role reads the published banks and writes none of them, by
    // no function and not directly.
    void thePcsRoleCannotWriteABank()
    {
        QSqlQuery q(pcDb());
        QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM trivo_pc_bank_versions()")) && q.next());
        QVERIFY(q.value(0).toInt() >= 1);
        QSqlQuery catalog(teacherDb());
        QVERIFY(catalog.exec(QStringLiteral("SELECT proname, provolatile FROM pg_proc WHERE proname LIKE "
                                            "'trivo\\_pc\\_bank%'")));
        int functions = 0;
        while (catalog.next()) {
            QVERIFY2(catalog.value(1).toString() != QStringLiteral("v"), qPrintable(catalog.value(0).toString()));
            ++functions;
        }
        QCOMPARE(functions, 2);
        for (const char *sql :
             {"INSERT INTO bank_versions (subject, version, hash, files, bytes) VALUES ('x', 1, 'h', 0, 0)",
              "UPDATE bank_files SET content = 'x'", "DELETE FROM bank_versions", "SELECT * FROM bank_files"}) {
            QVERIFY2(!q.exec(QLatin1String(sql)), sql);
            QVERIFY2(q.lastError().databaseText().contains(QStringLiteral("permission denied")), sql);
        }
    }

    // Two subjects whose authors gave them the same folder name each get a
    // folder of their own on a PC.
    void aSubjectNewHereGetsAFolderOfItsOwn()
    {
        Home pupil(false);
        QCOMPARE(stateOf(fetchInto(pupil)), FetchedSubject::State::Added);
        Home other(false);
        QDir().mkpath(other.bank());
        put(other.bank() + "/Tema.dat", "another subject");
        other.use();
        QString error;
        QSqlDatabase db = teacherDb();
        QVERIFY2(publishSubject(db, QStringLiteral("Химия 10"), other.bank(), error), qPrintable(error));

        const QByteArray before = got(pupil.bank() + "/Tema.dat");
        fetchInto(pupil);
        QCOMPARE(got(pupil.bank() + "/Tema.dat"), before);
        const auto row = findSubject(RecordFile(pupil.dir.filePath("Baza/Papka.dat"), PapkaRec::Size), "Химия 10");
        QVERIFY(row);
        QCOMPARE(row->Papka, QStringLiteral("Himiya2"));
        QCOMPARE(got(pupil.dir.filePath("Himiya2/Tema.dat")), QByteArray("another subject"));
    }

    // What cannot be published is refused whole, with the reason.
    void aLinkInTheFolderIsRefused()
    {
        QVERIFY(QFile::link(QDir::tempPath(), author.bank() + "/Foto/elsewhere"));
        QString error;
        QSqlDatabase db = teacherDb();
        QVERIFY(!publishSubject(db, subject, author.bank(), error));
        QVERIFY2(error.contains(QStringLiteral("ссылка")), qPrintable(error));
        QFile::remove(author.bank() + "/Foto/elsewhere");
    }
};

QTEST_GUILESS_MAIN(BanksTest)
#include "test_banks.moc"
