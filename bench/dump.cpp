// trivo-bank dump of an answer file against iconv converting the same file
// from cp1251 to UTF-8, run alternately on generated banks of 10,000,
// 100,000 and 1,000,000 answer options (a quarter as many questions). Both
// programs write to /dev/null; the time of each is the wall time of its
// process, the memory its peak resident size.
#include "childrun.h"
#include "records.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr int optionsPerQuestion = 4;
constexpr int questionsPerTopic = 500;
constexpr int sectionSize = 100; // Wopr holds three digits, so questions are numbered within sections

// Writes records one by one, so a bank of any size needs no more memory than one record.
class RecordWriter
{
public:
    explicit RecordWriter(const QString &path) : m_file(path)
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
    }
    void add(const QByteArray &rec)
    {
        m_buf += rec;
        if (m_buf.size() >= 1 << 20)
            flush();
    }
    ~RecordWriter() { flush(); }

private:
    void flush()
    {
        if (m_file.write(m_buf) != m_buf.size())
            std::abort();
        m_buf.clear();
    }
    QFile m_file;
    QByteArray m_buf;
};

// A subject of options/4 questions in topics of 500, with Wopros.dat and Otwet.dat.
struct Bank {
    QTemporaryDir dir;
    QString otwet;
    qint64 bytes = 0;
};

std::unique_ptr<Bank> makeBank(int options)
{
    auto bank = std::make_unique<Bank>();
    const QDir d(bank->dir.path());
    bank->otwet = d.filePath(QStringLiteral("Otwet.dat"));
    {
        RecordWriter wopros(d.filePath(QStringLiteral("Wopros.dat"))), otwet(bank->otwet);
        const QString subject = QStringLiteral("12");
        for (int n = 0; n < options / optionsPerQuestion; ++n) {
            const int t = n / questionsPerTopic, q = n % questionsPerTopic;
            WoprosRec w;
            w.Predm = subject;
            w.Tema = QString::number(t + 1);
            w.Test = QString::number(q / sectionSize + 1);
            w.Wopr = QString::number(q % sectionSize + 1);
            w.Nazwan = QStringLiteral("Тема %1, вопрос %2: какое из перечисленных утверждений о событиях этого "
                                      "периода верно? Отметьте все верные ответы.")
                           .arg(t + 1)
                           .arg(q + 1);
            w.Porad = QString::number(q);
            w.Ball = QString::number(q % 5 + 1);
            wopros.add(w.encode());
            for (int o = 1; o <= optionsPerQuestion; ++o)
                otwet.add(OtwetRec{subject, w.Tema, w.Test, w.Wopr, QString::number(o), o % 2 ? "+" : "",
                                   QStringLiteral("Вариант ответа %1 к вопросу %2 темы %3 (Sample answer)")
                                       .arg(o)
                                       .arg(q + 1)
                                       .arg(t + 1)}
                              .encode());
        }
    }
    bank->bytes = QFileInfo(bank->otwet).size();
    if (bank->bytes != qint64(options) * OtwetRec::Size)
        std::abort();
    return bank;
}

const Bank &bankOf(int options)
{
    static std::map<int, std::unique_ptr<Bank>> banks;
    auto &b = banks[options];
    if (!b)
        b = makeBank(options);
    return *b;
}

// The time measured is the dump's; the counters give iconv's time and memory
// alongside, and the ratio of the two totals.
void BM_DumpOtwet(benchmark::State &state)
{
    const int options = int(state.range(0));
    const Bank &bank = bankOf(options);
    const std::string file = bank.otwet.toStdString();
    double dumpTotal = 0, iconvTotal = 0;
    long dumpRss = 0, iconvRss = 0;
    for (auto _ : state) {
        const ChildRun plain = runChild({"iconv", "-f", "cp1251", "-t", "utf-8", file});
        const ChildRun dump = runChild({TRIVO_BANK, "dump", file});
        if (!plain.ok || !dump.ok) {
            state.SkipWithError(!plain.ok ? "iconv failed" : "trivo-bank dump failed");
            return;
        }
        state.SetIterationTime(dump.seconds);
        dumpTotal += dump.seconds;
        iconvTotal += plain.seconds;
        dumpRss = std::max(dumpRss, dump.maxRssKiB);
        iconvRss = std::max(iconvRss, plain.maxRssKiB);
    }
    const double n = double(state.iterations());
    state.counters["options"] = options;
    state.counters["file_bytes"] = double(bank.bytes);
    state.counters["iconv_s"] = iconvTotal / n;
    state.counters["ratio"] = dumpTotal / iconvTotal;
    state.counters["dump_maxrss_KiB"] = double(dumpRss);
    state.counters["iconv_maxrss_KiB"] = double(iconvRss);
}
BENCHMARK(BM_DumpOtwet)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->UseManualTime()
    ->MinTime(0.5)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
