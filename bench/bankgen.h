#pragma once
// Generated subjects for the benchmarks: options/4 questions, written record
// by record so that a bank of any size needs no more memory than one record.
// Tema.dat lists the topics, Exam.dat asks some of each topic's questions,
// Predmet.dat holds one section. A bank is made in one of two shapes: topics
// of 500 questions one after the other, 5 of each asked, as an import leaves
// them; or, as a bank grown over years, topics of 1,000 questions whose
// questions lie interleaved in the file (authors add to every topic each
// year), 10 of each asked.
#include "records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <map>
#include <memory>
#include <tuple>

namespace
{

constexpr int optionsPerQuestion = 4;
constexpr int sectionSize = 100; // Wopr holds three digits, so questions are numbered within sections

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

struct Bank {
    QTemporaryDir dir;
    QString folder() const { return dir.path(); }
    QString file(const char *name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }
    qint64 bytes(std::initializer_list<const char *> names) const
    {
        qint64 n = 0;
        for (const char *name : names)
            n += QFileInfo(file(name)).size();
        return n;
    }
};

struct Shape {
    int questionsPerTopic;
    int asked;        // of each topic in Exam.dat
    bool interleaved; // question n belongs to topic n mod topics
    bool operator<(const Shape &o) const
    {
        return std::tie(questionsPerTopic, asked, interleaved) < std::tie(o.questionsPerTopic, o.asked, o.interleaved);
    }
};
constexpr Shape imported{500, 5, false};
constexpr Shape grown{1000, 10, true};

std::unique_ptr<Bank> makeBank(int options, const Shape &shape)
{
    auto bank = std::make_unique<Bank>();
    const QString subject = QStringLiteral("12");
    const int questions = options / optionsPerQuestion;
    const int questionsPerTopic = shape.questionsPerTopic;
    const int topics = (questions + questionsPerTopic - 1) / questionsPerTopic;
    {
        RecordWriter wopros(bank->file("Wopros.dat")), otwet(bank->file("Otwet.dat"));
        RecordWriter tema(bank->file("Tema.dat")), exam(bank->file("Exam.dat"));
        RecordWriter(bank->file("Predmet.dat")).add(PredmetRec{subject, "1", "Раздел"}.encode());
        for (int n = 0; n < questions; ++n) {
            const int t = shape.interleaved ? n % topics : n / questionsPerTopic;
            const int q = shape.interleaved ? n / topics : n % questionsPerTopic;
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
            if (q == 0) {
                const QString name = QStringLiteral("Тема %1").arg(t + 1);
                tema.add(TemaRec{subject, w.Tema, name}.encode());
                exam.add(
                    ExamRec{subject, w.Tema, name, QString::number(questionsPerTopic), QString::number(shape.asked)}
                        .encode());
            }
            for (int o = 1; o <= optionsPerQuestion; ++o)
                otwet.add(OtwetRec{subject, w.Tema, w.Test, w.Wopr, QString::number(o), o % 2 ? "+" : "",
                                   QStringLiteral("Вариант ответа %1 к вопросу %2 темы %3 (Sample answer)")
                                       .arg(o)
                                       .arg(q + 1)
                                       .arg(t + 1)}
                              .encode());
        }
    }
    if (bank->bytes({"Otwet.dat"}) != qint64(options) * OtwetRec::Size)
        std::abort();
    return bank;
}

// One bank per size and shape for the whole program.
const Bank &bankOf(int options, const Shape &shape = imported)
{
    static std::map<std::pair<int, Shape>, std::unique_ptr<Bank>> banks;
    auto &b = banks[{options, shape}];
    if (!b)
        b = makeBank(options, shape);
    return *b;
}

} // namespace
