// The whole-subject exam as a teacher meets it, against a plain read of the
// files it needs (Exam.dat, Wopros.dat, Otwet.dat), on generated subjects of
// 400,000 and 1,000,000 answer options, and on one of 400,000 grown over
// years: 100 topics of 1,000 questions interleaved in the file, 10 of each
// asked, so that 1,000 questions are drawn. A child process makes the main window
// on the offscreen platform, logs in as the administrator with the subject of
// the generated bank chosen, then takes the exam from the menu: the time runs
// from the menu item to the first question on screen, and the memory is the
// child's peak during that time, above its size before the menu item and as
// a whole. Each side is the fastest of three processes, in the same run.
#include "Desktop.h"
#include "MainWindow.h"
#include "access.h"
#include "bankgen.h"
#include "forked.h"
#include "installfolder.h"
#include "programstate.h"
#include "settings.h"
#include "textfile.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

#include <cstdlib>

namespace
{
const char *const examFiles[] = {"Exam.dat", "Wopros.dat", "Otwet.dat"};

// An installation folder whose one subject is the generated bank: its files
// are linked in (copied where a link cannot be made). The limit of questions
// is raised so that every drawn question is asked.
struct Home {
    QTemporaryDir dir;
    QString subject() const { return QDir(dir.path()).filePath(QStringLiteral("Predmet")); }

    explicit Home(const Bank &bank)
    {
        const QDir root(dir.path());
        root.mkpath(QStringLiteral("Baza"));
        root.mkpath(QStringLiteral("Predmet"));
        writeCp1251Lines(root.filePath(QStringLiteral("Baza/Win_Dos.qdx")),
                         {QStringLiteral("АВС"), QStringLiteral("ABC")});
        NoKor settings = NoKor::defaults();
        settings.setText(NoKor::Limit, QStringLiteral("100000"));
        settings.write(root.filePath(QStringLiteral("Baza/NoKor.qdx")));
        PapkaRec papka;
        papka.Nomer = 1;
        papka.Nazwan = QStringLiteral("Большой предмет");
        papka.Papka = QStringLiteral("Predmet");
        RecordFile(root.filePath(QStringLiteral("Baza/Papka.dat")), PapkaRec::Size).rewrite(std::vector{papka});
        for (const char *name : {"Predmet.dat", "Tema.dat", "Exam.dat", "Wopros.dat", "Otwet.dat"}) {
            const QString from = bank.file(name), to = QDir(subject()).filePath(QString::fromLatin1(name));
            if (link(from.toLocal8Bit().constData(), to.toLocal8Bit().constData()) != 0 && !QFile::copy(from, to))
                std::abort();
        }
    }
};

// The window as the teacher has it before choosing the exam; lives in the child only.
struct Window {
    int argc = 1;
    char name[16] = "bench_exam";
    char *argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    ScriptedDesktop desk;
    MainWindow *main = nullptr;

    explicit Window(const QString &home)
    {
        setDesktop(&desk);
        setInstallRoot(home);
        main = new MainWindow;
        main->show();
        main->activateWindow();
        QElapsedTimer waited;
        waited.start();
        while (!main->isActiveWindow() && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        main->Parol->setText(QStringLiteral("470259"));
        main->ZastPogasit1->click();
        QApplication::processEvents();
        if (!isAdmin(glo().KodDostupa) || glo().TekPapka != u"Predmet" || !desk.of("error").empty())
            throw 1;
    }
    ~Window() { delete main; }

    // The menu item and the events it leaves, until the first question is painted.
    void takeExam()
    {
        main->N28->trigger();
        QApplication::processEvents();
        if (main->WoprosM->toPlainText().isEmpty() || !desk.of("error").empty())
            throw 1;
    }
};

void examFromMenu(benchmark::State &state, const Shape &shape)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const Bank &bank = bankOf(int(state.range(0)), shape);
    const Home home(bank);
    std::vector<QString> files;
    qint64 bytes = 0;
    for (const char *name : examFiles) {
        files.push_back(QDir(home.subject()).filePath(QString::fromLatin1(name)));
        bytes += QFileInfo(files.back()).size();
    }
    Measured plain, exam;
    for (auto _ : state) {
        keepBest(plain, inChild(
                            1, [] {}, [&] { plainRead(files); }));
        std::unique_ptr<Window> window;
        keepBest(exam,
                 inChild(
                     1, [&] { window = std::make_unique<Window>(home.dir.path()); }, [&] { window->takeExam(); }));
        state.SetIterationTime(std::max(exam.seconds, 0.0));
    }
    if (!exam.ok || !plain.ok) {
        state.SkipWithError("the exam or the plain read failed");
        return;
    }
    state.counters["options"] = double(state.range(0));
    state.counters["file_bytes"] = double(bytes);
    state.counters["plain_s"] = plain.seconds;
    state.counters["op_s"] = exam.seconds;
    state.counters["ratio"] = exam.seconds / plain.seconds;
    state.counters["peak_KiB"] = exam.peakKiB;
    state.counters["memory_ratio"] = exam.peakKiB * 1024 / double(bytes);
    state.counters["high_water_KiB"] = exam.highWaterKiB;
    state.counters["high_water_ratio"] = exam.highWaterKiB * 1024 / double(bytes);
}
void BM_ExamFromMenu(benchmark::State &state)
{
    examFromMenu(state, imported);
}
void BM_GrownExamFromMenu(benchmark::State &state)
{
    examFromMenu(state, grown);
}
BENCHMARK(BM_ExamFromMenu)->Arg(400'000)->Arg(1'000'000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrownExamFromMenu)->Arg(400'000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
