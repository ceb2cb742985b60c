#pragma once
// Generated subjects for the benchmarks: options/4 questions in topics of
// 500, written record by record so that a bank of any size needs no more
// memory than one record. Tema.dat lists the topics, Exam.dat asks 5 of each
// topic's 500 questions, Predmet.dat holds one section.
#include "records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <map>
#include <memory>

namespace
{

constexpr int optionsPerQuestion = 4;
constexpr int questionsPerTopic = 500;
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

std::unique_ptr<Bank> makeBank(int options)
{
    auto bank = std::make_unique<Bank>();
    const QString subject = QStringLiteral("12");
    const int questions = options / optionsPerQuestion;
    {
        RecordWriter wopros(bank->file("Wopros.dat")), otwet(bank->file("Otwet.dat"));
        RecordWriter tema(bank->file("Tema.dat")), exam(bank->file("Exam.dat"));
        RecordWriter(bank->file("Predmet.dat")).add(PredmetRec{subject, "1", "Раздел"}.encode());
        for (int n = 0; n < questions; ++n) {
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
            if (q == 0) {
                const QString name = QStringLiteral("Тема %1").arg(t + 1);
                tema.add(TemaRec{subject, w.Tema, name}.encode());
                exam.add(ExamRec{subject, w.Tema, name, QString::number(questionsPerTopic), "5"}.encode());
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

// One bank per size for the whole program.
const Bank &bankOf(int options)
{
    static std::map<int, std::unique_ptr<Bank>> banks;
    auto &b = banks[options];
    if (!b)
        b = makeBank(options);
    return *b;
}

} // namespace
