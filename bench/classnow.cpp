// «Класс сейчас» during a lesson: 30 PCs with pupils logged in, each telling
// the server of an answer every one to three seconds (each through its own
// sender, on a thread and a connection of its own), and the teacher's window
// listening. Timed: from a PC's status call to its row changing in the
// window's model; the 50th, 95th and 99th percentiles, and the share within
// 200 ms (the goal: 95 %).
#include "ClassNowWindow.h"
#include "pcstatus.h"
#include "pgserver.h"
#include "pupillogin.h"
#include "schoolkit.h"
#include "schoolsetup.h"

#include <QApplication>
#include <QEventLoop>
#include <QSqlQuery>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

namespace
{
constexpr int pcCount = 30;
constexpr int lessonSeconds = 40;
constexpr double goalMs = 200;
const QString teacher = QStringLiteral("bench_teacher"), teacherPassword = QStringLiteral("t3acher-9");

QString pcName(int i)
{
    return QStringLiteral("PC-%1").arg(i + 1, 2, 10, QLatin1Char('0'));
}

double percentile(std::vector<double> sorted, double p)
{
    if (sorted.empty())
        return -1;
    const size_t at = std::min(sorted.size() - 1, size_t(p / 100 * double(sorted.size())));
    return sorted[at];
}

struct Lesson {
    PgServer pg;
    QTemporaryDir folder;
    JournalSettings pc, teacher;
    QStringList tokens;
    QString error;

    Lesson()
    {
        // The server as a school runs it: durable, the connections of 30 PCs and more.
        pg.settings = QStringLiteral("-c max_connections=120");
        if (error = startSchoolServer(pg); !error.isEmpty())
            return;
        const std::optional<SchoolSetup> made = setUpTestSchool(pg, {{::teacher, teacherPassword}}, error);
        if (!made)
            return;
        SchoolServer server;
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
        pc = schoolPcSettings(JournalSettings{}, server, made->pcPassword);
        pc.outbox = folder.filePath(QStringLiteral("outbox.sqlite")); // never written: the senders record nothing
        teacher = pc;
        teacher.school = false;
        teacher.user = ::teacher;
        teacher.password = teacherPassword;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("teacher"));
            db.setHostName(server.host);
            db.setPort(server.port);
            db.setDatabaseName(server.database);
            db.setUserName(::teacher);
            db.setPassword(teacherPassword);
            QSqlQuery q(db);
            for (int i = 0; db.open() && i < pcCount; ++i)
                q.exec(QStringLiteral("INSERT INTO accounts (fio, fio_folded, class_name, code) VALUES"
                                      " ('Ученик %1', 'ученик %1', '7А', '%2')")
                           .arg(i + 1)
                           .arg(200000 + i));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("teacher"));
        for (int i = 0; i < pcCount; ++i) {
            const PupilLogin login = logInPupil(pc, QString::number(200000 + i), pcName(i));
            if (login.status != PupilLogin::Status::Granted) {
                error = QStringLiteral("a pupil could not log in: ") + login.message;
                return;
            }
            tokens << login.token;
        }
    }
};

void BM_ClassNow(benchmark::State &state)
{
    for (auto _ : state) {
        Lesson lesson;
        if (!lesson.error.isEmpty()) {
            state.SkipWithError(qPrintable(lesson.error));
            return;
        }
        ClassNowWindow window(lesson.teacher);
        {
            QEventLoop wait;
            QTimer::singleShot(30000, &wait, &QEventLoop::quit);
            QObject::connect(&window, &ClassNowWindow::rowShown, &wait, &QEventLoop::quit);
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
                if (window.connected())
                    wait.quit();
            });
            poll.start(20);
            wait.exec();
        }
        if (!window.connected()) {
            state.SkipWithError("the teacher's window did not connect");
            return;
        }
        // When each PC said each answer (its points count them), on one clock.
        std::mutex lock;
        std::map<std::pair<QString, int>, qint64> said;
        std::vector<double> latencies;
        QObject::connect(&window, &ClassNowWindow::rowShown, &window, [&](const QString &host) {
            const qint64 now = steadyMs();
            const int row = window.model()->rowOf(host);
            if (row < 0)
                return;
            std::lock_guard guard(lock);
            const auto at = said.find({host, window.model()->pcRow(row).points});
            if (at != said.end()) {
                latencies.push_back(double(now - at->second));
                said.erase(at);
            }
        });
        std::vector<std::unique_ptr<StatusSender>> senders;
        for (int i = 0; i < pcCount; ++i)
            senders.push_back(std::make_unique<StatusSender>(lesson.pc, pcName(i)));
        // The PCs were switched on before the lesson: their senders connected at the start.
        {
            QEventLoop start;
            QTimer::singleShot(3000, &start, &QEventLoop::quit);
            start.exec();
        }
        std::atomic<bool> over{false};
        std::vector<std::thread> pcs;
        for (int i = 0; i < pcCount; ++i)
            pcs.emplace_back([&, i] {
                std::mt19937 random(i);
                for (int n = 1; !over; ++n) {
                    PcStatus s;
                    s.token = lesson.tokens[i];
                    s.state = PcStatus::State::Running;
                    s.subject = QStringLiteral("История");
                    s.topic = QStringLiteral("Смутное время");
                    s.question = n;
                    s.questions = 1000;
                    s.points = n;
                    s.pointsPossible = 1000;
                    s.secondsLeft = 2400;
                    {
                        std::lock_guard guard(lock);
                        said[{pcName(i), n}] = steadyMs();
                    }
                    senders[size_t(i)]->report(s);
                    const auto pause = std::chrono::milliseconds(1000 + random() % 2001);
                    for (auto until = std::chrono::steady_clock::now() + pause;
                         !over && std::chrono::steady_clock::now() < until;)
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            });
        QEventLoop lessonTime;
        QTimer::singleShot(lessonSeconds * 1000, &lessonTime, &QEventLoop::quit);
        lessonTime.exec();
        over = true;
        for (std::thread &t : pcs)
            t.join();
        // The answers still on their way arrive or are counted lost.
        QEventLoop settle;
        QTimer::singleShot(2000, &settle, &QEventLoop::quit);
        settle.exec();
        int failed = 0;
        for (const auto &s : senders)
            failed += s->failed();
        senders.clear();

        std::lock_guard guard(lock);
        std::sort(latencies.begin(), latencies.end());
        const double within =
            latencies.empty()
                ? 0
                : 100.0 * double(std::upper_bound(latencies.begin(), latencies.end(), goalMs) - latencies.begin()) /
                      double(latencies.size() + said.size());
        state.counters["pcs"] = pcCount;
        state.counters["statuses"] = double(latencies.size() + said.size());
        state.counters["shown"] = double(latencies.size());
        state.counters["not_shown"] = double(said.size());
        state.counters["failed_sends"] = failed;
        state.counters["p50_ms"] = percentile(latencies, 50);
        state.counters["p95_ms"] = percentile(latencies, 95);
        state.counters["p99_ms"] = percentile(latencies, 99);
        state.counters["max_ms"] = latencies.empty() ? -1 : latencies.back();
        state.counters["within_goal_pct"] = within;
        state.counters["goal_ms"] = goalMs;
    }
}
} // namespace

BENCHMARK(BM_ClassNow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
