#include "egeimport.h"
#include "recordfile.h"
#include "records.h"
#include "text.h"
#include "textimport.h"

namespace
{

constexpr int MarkCapacity = 5;
constexpr int TextCapacity = 210;

bool isLabel(const EgeRec &r)
{
    return r.Kod_P == EgeMark::Task || r.Kod_P == EgeMark::Option;
}

// What a task label line says beyond its label ("А1 В каком году ..."): kept
// as the start of the question text rather than dropped.
QString textAfterTaskLabel(const QString &line)
{
    qsizetype i = 1;
    while (i < line.size() && line.at(i) >= u'0' && line.at(i) <= u'9')
        ++i;
    while (i < line.size() && (line.at(i).unicode() <= 32 || line.at(i) == u'.' || line.at(i) == u':'))
        ++i;
    return line.mid(i);
}

// "Otwe" and "Kod_P" of an option by the first character of its label line.
void setOptionRole(const QString &label, QStringList &row)
{
    const QChar first = label.isEmpty() ? QChar() : label.at(0);
    const QString second = label.size() > 1 ? QString(label.at(1)) : QString();
    QString &otwe = row[StagingCol::Otwe];
    QString &kod = row[StagingCol::KodP];
    if (first == u'+') {
        otwe = second;
        kod = QStringLiteral("+");
    } else if (first == u'-') {
        otwe = second;
        kod = QStringLiteral("-");
    } else if (first == u'r') {
        otwe = second;
        kod = QStringLiteral("1");
    } else if (first == u'Ф') {
        otwe = QStringLiteral("1");
        kod = QStringLiteral("Ф");
    } else {
        otwe = label.left(1);
    }
}

class Joiner
{
public:
    explicit Joiner(const std::vector<EgeRec> &recs) : m_recs(recs) {}

    std::vector<QStringList> join()
    {
        if (m_recs.empty())
            return {};
        QStringList title = emptyStagingRow();
        title[StagingCol::Nazwan] = text(m_pos++);
        m_rows.push_back(title);
        while (!atEnd()) {
            if (m_recs[m_pos].Kod_P == EgeMark::Task)
                question();
            else
                option();
        }
        return std::move(m_rows);
    }

private:
    bool atEnd() const { return m_pos >= m_recs.size() || m_recs[m_pos].Kod_P == EgeMark::End; }
    QString text(size_t i) const { return trimmed(m_recs[i].Nazwan); }

    // The task's lines up to its first option label. A second task label also
    // ends it, so a task without options stays a question of its own.
    void question()
    {
        ++m_questions;
        QString q = QString::number(m_questions) + QStringLiteral(". ");
        const QString own = textAfterTaskLabel(text(m_pos++));
        if (!own.isEmpty())
            q += u' ' + own;
        while (!atEnd() && !isLabel(m_recs[m_pos]))
            q += u' ' + text(m_pos++);
        QStringList row = emptyStagingRow();
        row[StagingCol::Wopr] = QString::number(m_questions);
        row[StagingCol::Nazwan] = q;
        m_rows.push_back(row);
    }

    // A label line (or a loose line) and at most two lines of text after it.
    // A following label is never taken in as text: it starts its own piece.
    void option()
    {
        const QString label = text(m_pos++);
        QStringList row = emptyStagingRow();
        row[StagingCol::Wopr] = QString::number(m_questions);
        setOptionRole(label, row);
        QString t = label;
        for (int more = 0; more < 2 && !atEnd() && !isLabel(m_recs[m_pos]); ++more)
            t += u' ' + text(m_pos++);
        row[StagingCol::Nazwan] = t;
        m_rows.push_back(row);
    }

    const std::vector<EgeRec> &m_recs;
    size_t m_pos = 0;
    int m_questions = 0;
    std::vector<QStringList> m_rows;
};

} // namespace

EgeRec EgeRec::decode(const QByteArray &b)
{
    return {readText(b, 0, MarkCapacity), readText(b, 6, TextCapacity)};
}

QByteArray EgeRec::encode() const
{
    QByteArray b(Size, '\0');
    writeText(b, 0, MarkCapacity, Kod_P);
    writeText(b, 6, TextCapacity, Nazwan);
    return b;
}

bool isEgeTaskLabel(const QString &line)
{
    if (line.size() < 2)
        return false;
    const QChar a = line.at(0), d = line.at(1);
    return (a == u'А' || a == u'В' || a == u'A' || a == u'B') && d >= u'0' && d <= u'9';
}

bool isEgeOptionLabel(const QString &line)
{
    const qsizetype p = line.indexOf(u')');
    return p >= 1 && p <= 3;
}

std::vector<EgeRec> markEgeLines(const QStringList &lines)
{
    std::vector<EgeRec> recs;
    recs.reserve(size_t(lines.size()) + 1);
    for (const QString &raw : lines) {
        const QString line = importLine(raw);
        if (line.isEmpty())
            continue;
        QString mark;
        if (isEgeTaskLabel(line))
            mark = EgeMark::Task;
        if (isEgeOptionLabel(line))
            mark = EgeMark::Option;
        if (!mark.isEmpty() && !recs.empty())
            recs.back().Kod_P = EgeMark::Last;
        recs.push_back({mark, line.left(TextCapacity)});
    }
    if (!recs.empty())
        recs.back().Kod_P = EgeMark::Last;
    recs.push_back({EgeMark::End, EgeEndText});
    return recs;
}

void clearEgeScratch(const QString &path)
{
    RecordFile(path, EgeRec::Size).rewriteRaw({});
}

void writeEgeScratch(const QString &path, const std::vector<EgeRec> &records)
{
    RecordFile(path, EgeRec::Size).rewrite(records);
}

std::vector<QStringList> joinEgeRecords(const std::vector<EgeRec> &records)
{
    return Joiner(records).join();
}
