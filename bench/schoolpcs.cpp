// A school's morning: one server, a subject of 20 MB published on it, and 30
// PCs that start at once, each from an installation folder of its own (a
// process of its own: this program run again with --pc), fetch the subject
// and record runs (as a pupil's PC does, through the server's function) while
// the others are still fetching. Against one PC that
// fetches alone: the slowest of the 30 within 5 times its time, every PC's
// bank whole, and every result in the journal exactly once.
#include "bankpublish.h"
#include "installfolder.h"
#include "journal.h"
#include "journalsettings.h"
#include "pgserver.h"
#include "recordfile.h"
#include "records.h"
#include "runresult.h"
#include "schoolkit.h"
#include "schoolsetup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <time.h>

namespace
{
constexpr int pcCount = 30;
constexpr int runsPerPc = 5;
constexpr double goalRatio = 5;
const QString teacherLogin = QStringLiteral("bench_teacher"), teacherPassword = QStringLiteral("t3acher");
const QString pcPassword = QStringLiteral("pc-bench");
const QString subject = QStringLiteral("Физика");
const QString folderName = QStringLiteral("Fizika");

JournalSettings serverSettings(int port)
{
    JournalSettings s;
    s.engine = JournalSettings::Engine::Server;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.connectSeconds = 30;
    s.answerSeconds = 60;
    return s;
}

JournalSettings teacherSettings(int port)
{
    JournalSettings s = serverSettings(port);
    s.user = teacherLogin;
    s.password = teacherPassword;
    return s;
}

JournalSettings pcSettings(int port)
{
    JournalSettings s = serverSettings(port);
    s.user = QStringLiteral("trivo_pc");
    s.password = pcPassword;
    s.school = true;
    return s;
}

QByteArray noise(std::mt19937 &random, qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (char &c : b)
        c = char(random());
    return b;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A subject of about 20 MB: 10,000 questions of 40,000 options and 100
// pictures of 100 KB. The records' bytes are noise: nothing here reads them
// as records, and noise is what the server cannot make smaller.
void makeSubject(const QString &folder)
{
    std::mt19937 random(20);
    writeFile(folder + "/Predmet.dat", noise(random, PredmetRec::Size));
    writeFile(folder + "/Tema.dat", noise(random, qsizetype(TemaRec::Size) * 20));
    writeFile(folder + "/Exam.dat", noise(random, qsizetype(ExamRec::Size) * 20));
    writeFile(folder + "/Wopros.dat", noise(random, qsizetype(WoprosRec::Size) * 10000));
    writeFile(folder + "/Otwet.dat", noise(random, qsizetype(OtwetRec::Size) * 40000));
    for (int i = 1; i <= 100; ++i)
        writeFile(folder + QStringLiteral("/Foto/1_%1_1_1.jpg").arg(i), noise(random, 100 * 1024));
}

void makeHome(const QString &home)
{
    QDir().mkpath(home + "/Baza");
    RecordFile(home + "/Baza/Papka.dat", PapkaRec::Size).rewrite(std::vector<PapkaRec>{{1, "История", "Istoriy"}});
}

RunResult runOf(const QString &pc, int n)
{
    RunResult r;
    r.id = newRunId();
    r.pupil = QStringLiteral("Ученик %1").arg(pc);
    r.host = pc;
    r.subject = subject;
    r.topic = QStringLiteral("Механика");
    r.started = QDateTime::currentDateTime();
    r.grade = r.runningGrade = QString::number(2 + n % 4);
    for (int q = 1; q <= 20; ++q) {
        QuestionResult a;
        a.key = QStringLiteral("1_1_1_%1").arg(q);
        a.answerType = QStringLiteral("Точный ответ");
        a.right = (q + n) % 3 != 0;
        r.questions.push_back(a);
    }
    return r;
}

// ---- one PC ----

double cpuSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Waits for the word to go, then fetches the banks and records runs, one
// before the fetch and the rest after; prints the fetch's seconds and how
// many runs reached the journal.
int pcMain(const QStringList &args)
{
    const QString home = args.value(0), pc = args.value(2), go = args.value(3);
    const int port = args.value(1).toInt();
    setInstallRoot(home);
    JournalSettings journal = pcSettings(port); // as a pupil's PC records: through the server's function
    journal.outbox = home + "/Baza/outbox.sqlite";
    Journal j(journal);
    QString error;
    if (!j.open(error)) {
        std::printf("error %s\n", qPrintable(error));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (!go.isEmpty() && !QFileInfo::exists(go))
        QThread::msleep(2);
    int recorded = j.record(runOf(pc, 0)) == Journal::Recorded::InJournal;
    QElapsedTimer t;
    t.start();
    const double cpuBefore = cpuSeconds();
    const BankFetch fetched = fetchBanks(pcSettings(port));
    const double seconds = t.nsecsElapsed() / 1e9, cpu = cpuSeconds() - cpuBefore;
    if (!fetched.error.isEmpty() || !fetched.changedAnything()) {
        std::printf("error %s\n", qPrintable(fetched.summary()));
        return 1;
    }
    for (int n = 1; n < runsPerPc; ++n)
        recorded += j.record(runOf(pc, n)) == Journal::Recorded::InJournal;
    std::printf("fetched %.6f %d %.6f %.6f\n", seconds, recorded, cpu, cpuBefore);
    return 0;
}

// ---- the school ----

struct School {
    PgServer pg;
    QTemporaryDir homes{QDir::tempPath() + "/trivo-school-pcs-XXXXXX"};
    QString hash;
    qint64 bytes = 0;
    QString why; // the school could not be set up
};

// Made when first needed, and gone before the program's own end (the
// server stopped while Qt's database registry is still there).
std::unique_ptr<School> &schoolOnce()
{
    static std::unique_ptr<School> s;
    return s;
}

School &school()
{
    if (schoolOnce())
        return *schoolOnce();
    schoolOnce() = std::make_unique<School>();
    School &s = *schoolOnce();
    [&s] {
        s.pg.settings = QStringLiteral("-c max_connections=200");
        if (s.why = schoolOnItsServer(s.pg, {{teacherLogin, teacherPassword}}, pcPassword); !s.why.isEmpty())
            return false;
        const QString author = s.homes.filePath("author");
        makeHome(author);
        makeSubject(author + u'/' + folderName);
        setInstallRoot(author);
        const SchoolConnection teacher(teacherSettings(s.pg.port));
        QSqlDatabase db = teacher.db();
        QString error;
        const auto v = publishSubject(db, subject, author + u'/' + folderName, error);
        if (!v) {
            s.why = error.isEmpty() ? teacher.error() : error;
            return false;
        }
        s.hash = v->hash;
        s.bytes = v->bytes;
        return true;
    }();
    return s;
}

struct PcRun {
    double seconds = -1;
    int recorded = 0;
    double cpu = 0, startCpu = 0; // the fetch's own processor time; the PC's before it
    QString error;
};

// Starts the PCs named, each in its own new installation folder, all at the same word.
std::vector<PcRun> startPcs(const QStringList &names)
{
    School &s = school();
    const QString go = s.homes.filePath(QStringLiteral("go-") + names.front());
    std::vector<std::unique_ptr<QProcess>> pcs;
    for (const QString &name : names) {
        const QString home = s.homes.filePath(name);
        makeHome(home);
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--pc"), home, QString::number(s.pg.port), name, go});
        pcs.push_back(std::move(p));
    }
    for (auto &p : pcs)
        while (p->state() != QProcess::NotRunning && !p->canReadLine())
            p->waitForReadyRead(100);
    writeFile(go, "go");
    std::vector<PcRun> out;
    for (auto &p : pcs) {
        p->waitForFinished(600000);
        PcRun r;
        for (const QByteArray &line : p->readAll().split('\n')) {
            const QList<QByteArray> w = line.trimmed().split(' ');
            if (w.value(0) == "fetched") {
                r.seconds = w.value(1).toDouble();
                r.recorded = w.value(2).toInt();
                r.cpu = w.value(3).toDouble();
                r.startCpu = w.value(4).toDouble();
            } else if (w.value(0) == "error")
                r.error = QString::fromUtf8(line.mid(6));
        }
        if (r.seconds < 0 && r.error.isEmpty())
            r.error = QStringLiteral("the PC stopped: ") + p->errorString();
        out.push_back(r);
    }
    return out;
}

// How many PCs hold the bank exactly as published.
int wholeBanks(const QStringList &names)
{
    int whole = 0;
    for (const QString &name : names) {
        const QString folder = school().homes.filePath(name + u'/' + folderName);
        try {
            whole += bankHash(readSubjectFolder(folder)) == school().hash;
        } catch (...) {
        }
    }
    return whole;
}

// The runs the PCs named have in the journal: how many, and how many PCs have exactly their own.
std::pair<int, int> resultsOf(const QStringList &names)
{
    const SchoolConnection teacher(teacherSettings(school().pg.port));
    QSqlQuery q(teacher.db());
    q.prepare(QStringLiteral("SELECT host, count(*), count(DISTINCT id) FROM results WHERE subject = ? GROUP BY host"));
    q.addBindValue(subject);
    int total = 0, exact = 0;
    if (q.exec())
        while (q.next())
            if (names.contains(q.value(0).toString())) {
                total += q.value(1).toInt();
                exact += q.value(1).toInt() == runsPerPc && q.value(2).toInt() == runsPerPc;
            }
    return {total, exact};
}

void BM_SchoolPcs(benchmark::State &state)
{
    if (!school().why.isEmpty()) {
        state.SkipWithError(qPrintable("no school's server: " + school().why));
        return;
    }
    for (auto _ : state) {
        // One PC alone, the fastest of three: a disk's or a neighbour's hiccup is not its time.
        PcRun alone;
        for (const QString &name : {QStringLiteral("alone"), QStringLiteral("alone2"), QStringLiteral("alone3")}) {
            const PcRun run = startPcs({name}).front();
            if (!run.error.isEmpty()) {
                state.SkipWithError(qPrintable("the PC alone: " + run.error));
                return;
            }
            if (alone.seconds < 0 || run.seconds < alone.seconds)
                alone = run;
        }
        QStringList names;
        for (int i = 1; i <= pcCount; ++i)
            names << QStringLiteral("pc%1").arg(i, 2, 10, QLatin1Char('0'));
        const std::vector<PcRun> all = startPcs(names);
        double slowest = 0;
        int failed = 0;
        std::vector<double> times;
        for (const PcRun &r : all) {
            if (!r.error.isEmpty()) {
                ++failed;
                std::fprintf(stderr, "schoolpcs: %s\n", qPrintable(r.error));
            }
            slowest = std::max(slowest, r.seconds);
            times.push_back(r.seconds);
        }
        std::sort(times.begin(), times.end());
        names << QStringLiteral("alone") << QStringLiteral("alone2") << QStringLiteral("alone3");
        const auto [results, exact] = resultsOf(names);
        state.counters["pcs"] = pcCount;
        state.counters["cores"] = QThread::idealThreadCount();
        state.counters["bank_MB"] = double(school().bytes) / 1e6;
        state.counters["alone_s"] = alone.seconds;
        state.counters["alone_cpu_s"] = alone.cpu;
        state.counters["start_cpu_s"] = alone.startCpu;
        state.counters["median_s"] = times[times.size() / 2];
        state.counters["slowest_s"] = slowest;
        state.counters["ratio"] = slowest / alone.seconds;
        state.counters["goal_ratio"] = goalRatio;
        // Here the 30 PCs share this machine's processors with the server: the
        // ratio can be no lower than the PCs' own processor time over them.
        state.counters["floor_ratio"] = pcCount * alone.cpu / std::max(1, QThread::idealThreadCount()) / alone.seconds;
        state.counters["failed_pcs"] = failed;
        state.counters["whole_banks"] = wholeBanks(names);
        state.counters["results_expected"] = double(names.size()) * runsPerPc;
        state.counters["results_arrived"] = results;
        state.counters["pcs_exactly_once"] = exact;
    }
}
BENCHMARK(BM_SchoolPcs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--pc") == 0) {
        QCoreApplication app(argc, argv);
        return pcMain(app.arguments().mid(2));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    schoolOnce().reset();
    return 0;
}
