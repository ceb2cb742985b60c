// The journal window and its pages on the journal of a big school (see
// schooljournal.h), on the embedded database and on a PostgreSQL server of the
// benchmark's own: the first page, a pupil's name filter, a topic's question
// analysis and a pupil's page, each against a ceiling of 300 ms a look; and
// 20,000 results sent from the outbox, against a floor of 1,000 a second.
//
// The embedded journal is made once and kept in the cache folder
// (TRIVO_BENCH_CACHE, else ~/.cache/trivo-bench) under the generator's
// version; the server's is made anew each time. Benchmarks are
// named BM_Journal<what>/<engine>, so --benchmark_filter=sqlite runs one half.
// TRIVO_BENCH_JOURNAL_RUNS makes a smaller journal to try them out.
#include "schooljournal.h"

#include "journal.h"
#include "outbox.h"
#include "pgserver.h"
#include "pupilpages.h"
#include "questionanalysis.h"
#include "resultcodec.h"
#include "resultsmodel.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <set>

namespace
{
constexpr double ceilingSeconds = 0.3;
constexpr int outboxCount = 20000;
constexpr double floorPerSecond = 1000;

enum class Engine { Sqlite, Postgres };

const char *nameOf(Engine e)
{
    return e == Engine::Sqlite ? "sqlite" : "postgresql";
}

// Where a journal is, or why there is none.
struct Place {
    JournalSettings settings;
    QString why;
};

QTemporaryDir &scratch()
{
    static QTemporaryDir dir(QDir::tempPath() + "/trivo-journal-bench-XXXXXX");
    return dir;
}

template <class F> double timed(F f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

QString cacheFolder()
{
    const QString env = qEnvironmentVariable("TRIVO_BENCH_CACHE");
    return env.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/trivo-bench"
                         : env;
}

// A connection of the benchmark's own, under the name, to the journal the settings name; open.
QSqlDatabase connectTo(const JournalSettings &settings, const QString &name)
{
    const bool embedded = settings.engine == JournalSettings::Engine::Embedded;
    QSqlDatabase db = QSqlDatabase::addDatabase(embedded ? "QSQLITE" : "QPSQL", name);
    db.setDatabaseName(embedded ? settings.file : settings.database);
    if (!embedded) {
        db.setHostName(settings.host);
        db.setPort(settings.port);
        db.setUserName(settings.user);
        db.setPassword(settings.password);
    }
    if (!db.open())
        school::die(db.lastError().text());
    return db;
}

// Fills the empty journal the settings name through a connection of the maker's own.
void fill(const JournalSettings &settings)
{
    {
        Journal j(settings); // makes the schema
        if (!j.open())
            school::die(j.lastError() + u' ' + j.lastDetails());
    }
    const QString name = QStringLiteral("school-maker");
    {
        QSqlDatabase db = connectTo(settings, name);
        school::Maker(db).fill();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The embedded journal: the cached file, or one made now. A file left
// changed by a benchmark that did not finish is made again.
QString cachedJournal()
{
    const QString folder = cacheFolder();
    // A journal made at an older schema is brought up to date by the
    // journal itself when opened, as a school's is.
    const QString stem = QStringLiteral("journal-g%1-r%2").arg(school::generatorVersion).arg(school::runCount());
    const QString file = folder + u'/' + stem + QStringLiteral(".sqlite");
    const QString dirty = file + QStringLiteral(".dirty");
    if (QFileInfo::exists(file) && !QFileInfo::exists(dirty)) {
        JournalSettings s = JournalSettings::load(scratch().filePath("migrated"));
        s.file = file;
        Journal j(s);
        const double seconds = timed([&] {
            if (!j.open())
                school::die(j.lastError() + u' ' + j.lastDetails());
        });
        std::fprintf(stderr, "school journal: %s opened (and brought up to date) in %.1f s\n", qPrintable(file),
                     seconds);
        return file;
    }
    if (!QDir().mkpath(folder))
        school::die("cannot make " + folder);
    // Journals of other versions are of no more use.
    for (const QString &old : QDir(folder).entryList({"journal-*"}, QDir::Files))
        if (!old.startsWith(stem) || old.endsWith(".part"))
            QFile::remove(folder + u'/' + old);
    for (const QString &f : {file, dirty, file + "-wal", file + "-shm"})
        QFile::remove(f);
    const QString part = file + QStringLiteral(".part");
    std::fprintf(stderr, "school journal: making %s\n", qPrintable(file));
    JournalSettings s = JournalSettings::load(scratch().filePath("made"));
    s.file = part;
    fill(s);
    if (!QFile::rename(part, file))
        school::die("cannot rename " + part);
    return file;
}

std::unique_ptr<PgServer> &server()
{
    static std::unique_ptr<PgServer> pg;
    return pg;
}

// A new database of the benchmark's server, or why there is none.
Place newServerJournal()
{
    Place p;
    p.settings = JournalSettings::load(scratch().filePath(QUuid::createUuid().toString(QUuid::WithoutBraces)));
    static QString noServer; // why the server did not start, for every benchmark that wants it
    if (!server()) {
        server() = std::make_unique<PgServer>();
        // A server as a school would run it: its defaults, durability included,
        // with room for the bulk load. TRIVO_BENCH_SERVER adds settings, to look into it
        // (such as "-c log_min_duration_statement=0").
        server()->settings = QStringLiteral("-c max_wal_size=8GB -c checkpoint_timeout=30min ") +
                             qEnvironmentVariable("TRIVO_BENCH_SERVER");
        noServer = server()->start();
    }
    if (!noServer.isEmpty() || !server()->running) {
        p.why = QStringLiteral("no PostgreSQL server for the benchmark: ") + noServer;
        return p;
    }
    p.settings.engine = JournalSettings::Engine::Server;
    p.settings.host = QStringLiteral("127.0.0.1");
    p.settings.port = server()->port;
    p.settings.database = server()->createDatabase();
    p.settings.user = QLatin1String(PgServer::teacher);
    p.settings.password = QLatin1String(PgServer::teacherPassword);
    p.settings.answerSeconds = 60;
    return p;
}

const Place &schoolJournal(Engine e)
{
    static std::optional<Place> sqlite, postgres;
    if (e == Engine::Sqlite) {
        if (!sqlite) {
            sqlite = Place{JournalSettings::load(scratch().filePath("sqlite")), {}};
            sqlite->settings.file = cachedJournal();
        }
        return *sqlite;
    }
    if (!postgres) {
        postgres = newServerJournal();
        if (postgres->why.isEmpty()) {
            std::fprintf(stderr, "school journal: making it on the server\n");
            fill(postgres->settings);
            // The bulk load leaves gigabytes of changes to write out, which a
            // school's server has long written before the next results come.
            QSqlQuery checkpoint(QSqlDatabase::database(QStringLiteral("test-server-admin")));
            const double seconds = timed([&] {
                if (!checkpoint.exec(QStringLiteral("CHECKPOINT")))
                    school::die(checkpoint.lastError().text());
            });
            std::fprintf(stderr, "school journal: checkpoint in %.1f s\n", seconds);
        }
    }
    return *postgres;
}

// The figures every benchmark reports, so that the CSV has one set of columns.
struct Figures {
    double seconds = 0; // the measured operation, all iterations
    double firstMs = 0; // the first look, on a new connection
    double rows = 0;    // what the operation found, to check it
    double perSecond = 0;
    void report(benchmark::State &state, double ceiling) const
    {
        const double each = state.iterations() ? seconds / double(state.iterations()) : 0;
        state.counters["ms"] = each * 1000;
        state.counters["ceiling_ratio"] = each / ceiling;
        state.counters["first_ms"] = firstMs;
        state.counters["rows"] = rows;
        state.counters["per_s"] = perSecond;
    }
};

// The place of the engine, or the benchmark skipped with the reason.
const Place *ready(benchmark::State &state, Engine e)
{
    const Place &p = schoolJournal(e);
    if (!p.why.isEmpty()) {
        state.SkipWithError(qPrintable(p.why));
        return nullptr;
    }
    return &p;
}

// The journal window opened: the results counted and the first page read,
// newest first; then the same without the connecting.
void firstPage(benchmark::State &state, Engine e)
{
    const Place *p = ready(state, e);
    if (!p)
        return;
    Figures f;
    Journal j(p->settings);
    std::unique_ptr<ResultsModel> m;
    f.firstMs = timed([&] { m = std::make_unique<ResultsModel>(j); }) * 1000;
    for (auto _ : state) {
        f.seconds += timed([&] { m->setFilter(ResultFilter{}); });
        if (m->totalCount() != school::runCount() || m->rowCount() != ResultsModel::pageSize)
            return state.SkipWithError(qPrintable("the first page is not whole: " + m->lastError()));
    }
    f.rows = m->totalCount();
    f.report(state, ceilingSeconds);
}

// Times a look at the journal, which says what went wrong or nothing: the
// first on a new connection apart, then again and again.
template <class Look> void measureLook(benchmark::State &state, Engine e, Look look)
{
    const Place *p = ready(state, e);
    if (!p)
        return;
    Figures f;
    Journal j(p->settings);
    QString why;
    f.firstMs = timed([&] { why = look(j, f.rows); }) * 1000;
    for (auto _ : state) {
        if (!why.isEmpty())
            return state.SkipWithError(qPrintable(why));
        f.seconds += timed([&] { why = look(j, f.rows); });
    }
    f.report(state, ceilingSeconds);
}

// The pupil filter with a surname, which names about a dozen pupils.
void pupilFilter(benchmark::State &state, Engine e)
{
    QString surname = school::pupils().front().name.section(u' ', 0, 0);
    if (!school::surnames().contains(surname))
        surname.chop(1); // the male form finds both
    std::unique_ptr<ResultsModel> m;
    measureLook(state, e, [&](Journal &j, double &rows) {
        if (!m)
            m = std::make_unique<ResultsModel>(j);
        m->setFilter(ResultFilter{.pupil = surname});
        rows = m->totalCount();
        return m->totalCount() ? QString() : "the filter found nothing: " + m->lastError();
    });
}

// Scrolling down the unfiltered journal: each page after the 50th.
void scroll(benchmark::State &state, Engine e)
{
    const Place *p = ready(state, e);
    if (!p)
        return;
    Figures f;
    Journal j(p->settings);
    ResultsModel m(j);
    const int pages = std::min(50, school::runCount() / ResultsModel::pageSize - 1); // fewer in a small journal
    for (auto _ : state) {
        state.PauseTiming();
        m.setFilter(ResultFilter{});
        for (int i = 1; i < pages; ++i)
            m.fetchMore();
        state.ResumeTiming();
        f.seconds += timed([&] { m.fetchMore(); });
        if (m.rowCount() != (pages + 1) * ResultsModel::pageSize)
            return state.SkipWithError(qPrintable("scrolling stopped: " + m.lastError()));
    }
    f.rows = m.rowCount();
    f.report(state, ceilingSeconds);
}

// A topic's question analysis: some 10,000 runs of 20 questions.
void topicAnalysis(benchmark::State &state, Engine e)
{
    const ResultFilter filter{.subject = school::subjectOfTopic(0), .topic = school::topicName(0)};
    measureLook(state, e, [&](Journal &j, double &rows) {
        QString error;
        const std::optional<QuestionAnalysis> a = analyseQuestions(j, filter, error);
        if (!a || int(a->questions.size()) != school::keysPerTopic)
            return "no analysis: " + error;
        rows = 0;
        for (const QuestionFigures &q : a->questions)
            rows += q.asked;
        return QString();
    });
}

// A pupil's page: some 500 runs.
void pupilsPage(benchmark::State &state, Engine e)
{
    measureLook(state, e, [&](Journal &j, double &rows) {
        QString error;
        const std::optional<PupilPage> page = pupilPage(j, school::pupils().front().name, ResultFilter{}, error);
        if (!page || page->runs == 0)
            return "no page: " + error;
        rows = page->runs;
        return QString();
    });
}

// Results of the pupils of five classes, after the journal's last day, as
// a room of PCs cut off from the server would have kept them.
std::vector<RunResult> waitingResults()
{
    std::mt19937 random(7);
    std::vector<int> pupils;
    for (int n = 0; n < school::pupilCount; ++n)
        if (n % school::classCount < 5)
            pupils.push_back(n);
    std::vector<RunResult> out;
    const QDateTime after = QDateTime(school::firstDay().addDays(school::days), QTime(8, 0));
    for (int i = 0; i < outboxCount; ++i) {
        const school::Pupil &pupil = school::pupils()[size_t(pupils[random() % pupils.size()])];
        const int topic = int(random() % school::topicCount), offset = int(random() % school::keysPerTopic);
        RunResult r;
        r.pupil = pupil.name;
        r.className = pupil.className;
        r.userCode = pupil.userCode;
        r.access = QStringLiteral("W");
        r.host = QStringLiteral("KLASS-%1").arg(i % 30);
        r.subject = school::subjectOfTopic(topic);
        r.topic = school::topicName(topic);
        r.started = after.addSecs(qint64(i) * 90);
        // Made as the program makes them as a run starts; the school's runs
        // were kept with ids of pure chance, as earlier versions made them.
        r.id = newRunId(r.started);
        r.seconds = 600 + i % 900;
        r.asked = r.answered = school::questionsPerRun;
        for (int q = 0; q < school::questionsPerRun; ++q) {
            const int k = (offset + q) % school::keysPerTopic;
            const bool right = random() % 100 < 70;
            r.right += right;
            const QString text = school::questionText(topic, k);
            r.questions.push_back({school::questionKey(topic, k), school::answerType(k), 1, right ? 1 : 0, true, right,
                                   0, 20 + q, school::textHash(text), r.topic, text,
                                   right ? school::rightAnswer(k) : school::wrongAnswer(k, q % 2),
                                   school::rightAnswer(k)});
        }
        r.pointsPossible = school::questionsPerRun;
        r.pointsEarned = r.right;
        r.grade = r.runningGrade = school::gradeOf(r.right, false);
        out.push_back(std::move(r));
    }
    return out;
}

// An outbox holding the results, written in one go, in the order the runs ended.
QString outboxOf(const std::vector<RunResult> &results)
{
    const QString path = scratch().filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) + "/outbox.sqlite");
    {
        Outbox made(path);
        if (!made.put(results.front()))
            school::die(made.lastError());
    }
    const QString name = QStringLiteral("outbox-filler");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (!db.open() || !q.exec("BEGIN"))
            school::die("cannot fill the outbox");
        // Queued as the runs ended, as the PCs would have kept them.
        auto queued = [](const RunResult &r) {
            return r.started.addSecs(r.seconds).toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        };
        q.prepare("UPDATE outbox SET queued = ? WHERE id = ?");
        q.addBindValue(queued(results.front()));
        q.addBindValue(results.front().id);
        if (!q.exec())
            school::die(q.lastError().text());
        q.prepare("INSERT INTO outbox (id, queued, body) VALUES (?, ?, ?)");
        for (size_t i = 1; i < results.size(); ++i) {
            q.addBindValue(results[i].id);
            q.addBindValue(queued(results[i]));
            q.addBindValue(QString::fromUtf8(encodeResult(results[i])));
            if (!q.exec())
                school::die(q.lastError().text());
        }
        if (!q.exec("COMMIT"))
            school::die(q.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return path;
}

// What sending the results changes in the school's journal, kept aside
// beforehand and put back afterwards, so that the journal stays the one made.
class Undo
{
public:
    Undo(const JournalSettings &s, const std::vector<RunResult> &results)
    {
        if (s.engine == JournalSettings::Engine::Embedded) {
            m_dirty = s.file + QStringLiteral(".dirty");
            if (QFile mark(m_dirty); !mark.open(QIODevice::WriteOnly))
                school::die("cannot mark " + m_dirty);
        }
        m_db = connectTo(s, m_name);
        exec("CREATE TEMP TABLE sent_ids (id TEXT PRIMARY KEY)");
        exec("CREATE TEMP TABLE sent_pupils (folded TEXT PRIMARY KEY)");
        std::set<QString> pupils;
        QSqlQuery q(m_db);
        exec("BEGIN");
        q.prepare("INSERT INTO sent_ids VALUES (?)");
        for (const RunResult &r : results) {
            q.addBindValue(r.id);
            if (!q.exec())
                school::die(q.lastError().text());
            pupils.insert(r.pupil.toCaseFolded());
        }
        q.prepare("INSERT INTO sent_pupils VALUES (?)");
        for (const QString &p : pupils) {
            q.addBindValue(p);
            if (!q.exec())
                school::die(q.lastError().text());
        }
        exec("COMMIT");
        exec("CREATE TEMP TABLE kept_memory AS SELECT * FROM question_memory"
             " WHERE pupil_folded IN (SELECT folded FROM sent_pupils)");
        exec("CREATE TEMP TABLE kept_pupils AS SELECT * FROM pupils WHERE pupil_folded IN (SELECT folded FROM "
             "sent_pupils)");
    }

    ~Undo()
    {
        exec("BEGIN");
        exec("DELETE FROM result_questions WHERE result_id IN (SELECT id FROM sent_ids)");
        exec("DELETE FROM results WHERE id IN (SELECT id FROM sent_ids)");
        exec("DELETE FROM question_memory WHERE pupil_folded IN (SELECT folded FROM sent_pupils)");
        exec("INSERT INTO question_memory SELECT * FROM kept_memory");
        exec("DELETE FROM pupils WHERE pupil_folded IN (SELECT folded FROM sent_pupils)");
        exec("INSERT INTO pupils SELECT * FROM kept_pupils");
        exec("COMMIT");
        m_db.close();
        m_db = {};
        QSqlDatabase::removeDatabase(m_name);
        if (!m_dirty.isEmpty())
            QFile::remove(m_dirty);
    }

private:
    void exec(const char *sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(QLatin1String(sql)))
            school::die(q.lastError().text() + " in " + sql);
    }
    const QString m_name = QStringLiteral("school-undo");
    QSqlDatabase m_db;
    QString m_dirty;
};

// 20,000 results sent from the outbox, into an empty journal or into the school's.
void deliver(benchmark::State &state, Engine e, bool intoSchool)
{
    const Place *school = intoSchool ? ready(state, e) : nullptr;
    if (intoSchool && !school)
        return;
    std::optional<Place> empty;
    if (!intoSchool) {
        if (e == Engine::Sqlite)
            empty = Place{JournalSettings::load(scratch().filePath(QUuid::createUuid().toString(QUuid::WithoutBraces))),
                          {}};
        else
            empty = newServerJournal();
        if (!empty->why.isEmpty())
            return state.SkipWithError(qPrintable(empty->why));
    }
    const std::vector<RunResult> results = waitingResults();
    Figures f;
    for (auto _ : state) {
        state.PauseTiming();
        JournalSettings s = intoSchool ? school->settings : empty->settings;
        s.outbox = outboxOf(results);
        std::optional<Undo> undo;
        if (intoSchool)
            undo.emplace(s, results);
        Journal j(s);
        if (!j.open())
            return state.SkipWithError(qPrintable(j.lastError()));
        state.ResumeTiming();
        int sent = 0;
        f.seconds += timed([&] { sent = j.deliverOutbox(); });
        if (sent != outboxCount || j.waiting() != 0)
            return state.SkipWithError(qPrintable(QStringLiteral("%1 sent: %2").arg(sent).arg(j.lastError())));
        state.PauseTiming();
        f.rows = sent;
        undo.reset();
        state.ResumeTiming();
    }
    f.perSecond = outboxCount * double(state.iterations()) / f.seconds;
    // The ratio is the time per result against the floor's.
    f.report(state, outboxCount / floorPerSecond);
}

void registerFor(Engine e)
{
    const std::string at = std::string("/") + nameOf(e);
    auto query = [&](const char *name, void (*f)(benchmark::State &, Engine)) {
        benchmark::RegisterBenchmark((name + at).c_str(), f, e)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2);
    };
    query("BM_JournalFirstPage", firstPage);
    query("BM_JournalPupilFilter", pupilFilter);
    query("BM_JournalScroll", scroll);
    query("BM_JournalTopicAnalysis", topicAnalysis);
    query("BM_JournalPupilPage", pupilsPage);
    benchmark::RegisterBenchmark(("BM_JournalOutboxToEmpty" + at).c_str(), deliver, e, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
    benchmark::RegisterBenchmark(("BM_JournalOutboxToSchool" + at).c_str(), deliver, e, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
}
} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerFor(Engine::Sqlite);
    registerFor(Engine::Postgres);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // TRIVO_BENCH_HOLD=file keeps the server up until the file is gone, to look into it.
    if (const QString hold = qEnvironmentVariable("TRIVO_BENCH_HOLD");
        !hold.isEmpty() && server() && server()->running) {
        std::fprintf(stderr, "school journal: server on 127.0.0.1:%d (%s, password %s) until %s is removed\n",
                     server()->port, PgServer::admin, PgServer::adminPassword, qPrintable(hold));
        while (QFileInfo::exists(hold))
            QThread::sleep(1);
    }
    server().reset();
    return 0;
}
