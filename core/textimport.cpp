#include "textimport.h"
#include "errors.h"
#include "rtftext.h"
#include "text.h"

#include <QFile>
#include <QFileInfo>

namespace
{

[[noreturn]] void cannotRead(const QString &path, const QString &why)
{
    throw TrivoError(cannotReadText(QFileInfo(path).fileName(), why));
}

// Collects the lines of plain text piece by piece: only the first 250 bytes of
// a line are kept, so even a huge file without line ends takes little memory.
class LineCollector
{
public:
    // False once a Ctrl-Z has ended the text.
    bool feed(const char *p, qsizetype n)
    {
        for (qsizetype i = 0; i < n; ++i) {
            const char c = p[i];
            if (m_afterCr && c == '\n') {
                m_afterCr = false;
                continue; // the LF of a CR LF
            }
            m_afterCr = false;
            if (c == 26) {
                finish();
                return false;
            }
            if (c == '\r' || c == '\n') {
                endLine();
                m_afterCr = c == '\r';
                continue;
            }
            if (m_line.size() < ImportLineLength)
                m_line += c;
        }
        return true;
    }
    void finish()
    {
        if (!m_line.isEmpty())
            endLine();
    }
    QStringList lines;

private:
    void endLine()
    {
        const QString l = trimmed(fromCp1251(m_line));
        if (!l.isEmpty())
            lines.append(l);
        m_line.clear();
    }
    QByteArray m_line;
    bool m_afterCr = false;
};

QStringList keptLines(const QStringList &raw)
{
    QStringList out;
    for (const QString &r : raw) {
        const QString l = importLine(r);
        if (!l.isEmpty())
            out.append(l);
    }
    return out;
}

QStringList titleRow(const QString &line)
{
    QStringList r = emptyStagingRow();
    r[StagingCol::Nazwan] = line;
    return r;
}

QString charAt(const QString &s, qsizetype i)
{
    return i < s.size() ? QString(s.at(i)) : QString();
}

// Both simple layouts: the title, then each line classified by its layout.
template <class Classify> std::vector<QStringList> stage(const QStringList &lines, Classify classify)
{
    std::vector<QStringList> rows;
    int questions = 0;
    for (const QString &raw : lines) {
        const QString line = importLine(raw);
        if (line.isEmpty())
            continue;
        if (rows.empty()) {
            rows.push_back(titleRow(line));
            continue;
        }
        QStringList row = titleRow(line);
        classify(line, row, questions);
        row[StagingCol::Wopr] = QString::number(questions);
        rows.push_back(std::move(row));
    }
    rows.push_back(emptyStagingRow());
    return rows;
}

} // namespace

QString importLine(const QString &raw)
{
    return trimmed(raw.left(ImportLineLength));
}

QStringList importLinesOf(const QByteArray &bytes)
{
    if (looksLikeRtf(bytes))
        return keptLines(rtfParagraphs(bytes));
    LineCollector c;
    if (c.feed(bytes.constData(), bytes.size()))
        c.finish();
    return c.lines;
}

QStringList readImportLines(const QString &path)
{
    QFile f(path);
    if (!QFileInfo::exists(path))
        throw TrivoError(fileNotFoundText());
    if (QFileInfo(path).isDir())
        cannotRead(path, QStringLiteral("это папка"));
    if (!f.open(QIODevice::ReadOnly))
        cannotRead(path, f.errorString());
    const QByteArray head = f.peek(8);
    if (looksLikeRtf(head)) {
        const QByteArray all = f.readAll();
        if (f.error() != QFileDevice::NoError)
            cannotRead(path, f.errorString());
        return keptLines(rtfParagraphs(all));
    }
    LineCollector c;
    QByteArray buf(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = f.read(buf.data(), buf.size());
        if (got < 0)
            cannotRead(path, f.errorString());
        if (got == 0) {
            c.finish();
            break;
        }
        if (!c.feed(buf.constData(), qsizetype(got)))
            break;
    }
    return c.lines;
}

std::vector<QStringList> stageDigitLed(const QStringList &lines)
{
    return stage(lines, [](const QString &line, QStringList &row, int &questions) {
        const QChar first = line.at(0);
        if (first >= u'0' && first <= u'9') {
            ++questions;
        } else if (first == u'+') {
            row[StagingCol::KodP] = QStringLiteral("+");
            row[StagingCol::Otwe] = charAt(line, 1);
        } else if (first == u'r') {
            row[StagingCol::KodP] = QStringLiteral("1");
            row[StagingCol::Otwe] = charAt(line, 1);
        } else {
            row[StagingCol::Otwe] = QString(first);
        }
    });
}

QString wLedOptionLetter(int n)
{
    static const QString letters = QStringLiteral("абвгдежзиклмнопрстуфхцчшщэюя");
    return n >= 1 && n <= letters.size() ? QString(letters.at(n - 1)) : QString();
}

std::vector<QStringList> stageWLed(const QStringList &lines)
{
    int options = 0;
    return stage(lines, [&options](const QString &line, QStringList &row, int &questions) {
        if (line.at(0) == u'w') {
            ++questions;
            options = 0;
            row[StagingCol::Nazwan] = line.mid(1); // the blank after w stays
            return;
        }
        ++options;
        QString text = line;
        const qsizetype dot = line.indexOf(u'.');
        const QString letter = wLedOptionLetter(options);
        // The author's own number before the point is replaced by the letter
        // of the option's place; past the last letter the line stays as written.
        if (dot >= 0 && dot <= 3 && !letter.isEmpty())
            text = (line.startsWith(u'+') ? QStringLiteral("+") : QString()) + letter + u')' + line.mid(dot + 1);
        row[StagingCol::Nazwan] = text;
        if (text.startsWith(u'+')) {
            row[StagingCol::KodP] = QStringLiteral("+");
            row[StagingCol::Otwe] = charAt(text, 1);
        } else {
            row[StagingCol::Otwe] = charAt(text, 0);
        }
    });
}

void setStagingRows(StringTable &izTxt, std::vector<QStringList> rows)
{
    izTxt.setDataRows(std::move(rows));
}

QStringList emptyStagingRow()
{
    QStringList r;
    for (int i = 0; i < StagingCol::Count; ++i)
        r.append(QString());
    return r;
}
