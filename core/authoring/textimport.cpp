#include "textimport.h"
#include "errors.h"
#include "rtftext.h"
#include "text.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <optional>
#include <utility>

namespace
{

[[noreturn]] void cannotRead(const QString &path, const QString &why)
{
    throw TrivoError(cannotReadText(QFileInfo(path).fileName(), why));
}

// The line past MaxImportLines: `line` says where it stands in the file.
[[noreturn]] void tooManyLines(const QString &line)
{
    throw TrivoError(QStringLiteral("%1: в файле больше %2 непустых строк, в одну тему столько не войдёт")
                         .arg(line)
                         .arg(MaxImportLines));
}

constexpr char Ctrl_Z = 26;
const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// UTF-16 text turned into UTF-8 piece by piece. The decoder keeps a byte
// cut off at the end of a piece, not the first half of a surrogate pair:
// that half waits here for the next piece.
class Utf16Pieces
{
public:
    explicit Utf16Pieces(QStringDecoder::Encoding e) : m_decoder(e) {}
    QByteArray next(QByteArrayView piece)
    {
        QString s = std::exchange(m_held, QString()) + QString(m_decoder.decode(piece));
        if (!s.isEmpty() && s.back().isHighSurrogate()) {
            m_held = s.back();
            s.chop(1);
        }
        return s.toUtf8();
    }
    QByteArray rest() { return std::exchange(m_held, QString()).toUtf8(); }

private:
    QStringDecoder m_decoder;
    QString m_held;
};

// The UTF-16 reading a byte-order mark asks for (Notepad's "Unicode"); none
// without one: UTF-16 is never guessed.
std::optional<Utf16Pieces> utf16Reading(QByteArrayView head)
{
    if (head.startsWith("\xFF\xFE"))
        return Utf16Pieces(QStringDecoder::Utf16LE);
    if (head.startsWith("\xFE\xFF"))
        return Utf16Pieces(QStringDecoder::Utf16BE);
    return std::nullopt;
}
constexpr int Utf16BomSize = 2;

// Tells piece by piece whether bytes are well-formed UTF-8 (no overlong
// forms, no surrogates, nothing past U+10FFFF), up to a Ctrl-Z that ends the
// text. Code page 1251 Cyrillic almost never passes: its small letters are
// lead bytes that would need continuation bytes after them.
class Utf8Check
{
public:
    // False once the answer is known: a bad sequence or the Ctrl-Z.
    bool feed(const char *p, qsizetype n)
    {
        for (qsizetype i = 0; i < n && !m_done; ++i)
            step(uchar(p[i]));
        return !m_done;
    }
    bool valid() const { return !m_bad && m_need == 0; }

private:
    void step(uchar c)
    {
        if (m_need > 0) {
            if (c < m_low || c > m_high)
                return fail();
            m_low = 0x80;
            m_high = 0xBF;
            --m_need;
            return;
        }
        if (c == Ctrl_Z) {
            m_done = true;
            return;
        }
        if (c < 0x80)
            return;
        if (c >= 0xC2 && c <= 0xDF)
            m_need = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            m_need = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            m_need = 3;
        else
            return fail();
        // The second byte of some lead bytes has a narrower range.
        m_low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        m_high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    }
    void fail() { m_bad = m_done = true; }

    int m_need = 0;
    uchar m_low = 0x80, m_high = 0xBF;
    bool m_bad = false, m_done = false;
};

// Collects the lines of plain text piece by piece: only the first 250
// characters of a line are kept, so even a huge file without line ends takes
// little memory. In UTF-8 a character's continuation bytes go with it.
class LineCollector
{
public:
    explicit LineCollector(bool utf8) : m_utf8(utf8) {}

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
            if (c == Ctrl_Z) {
                finish();
                return false;
            }
            if (c == '\r' || c == '\n') {
                endLine();
                m_afterCr = c == '\r';
                continue;
            }
            const bool continuation = m_utf8 && (uchar(c) & 0xC0) == 0x80;
            if (!continuation) {
                m_keep = m_chars < ImportLineLength;
                if (m_keep)
                    ++m_chars;
            }
            if (m_keep)
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
        ++m_lineNo;
        // A stray continuation byte counts for nothing above but decodes to a
        // character of its own, so the cut is made again on the text.
        const QString l = trimmed((m_utf8 ? QString::fromUtf8(m_line) : fromCp1251(m_line)).left(ImportLineLength));
        if (!l.isEmpty()) {
            if (lines.size() >= MaxImportLines)
                tooManyLines(QStringLiteral("Строка %1").arg(m_lineNo));
            lines.append(l);
        }
        m_line.clear();
        m_chars = 0;
        m_keep = true;
    }
    const bool m_utf8;
    qint64 m_lineNo = 0;
    QByteArray m_line;
    int m_chars = 0;
    bool m_keep = true;
    bool m_afterCr = false;
};

// Hands the rest of an open file to feed in pieces of 64 KiB until feed
// returns false or the file ends.
template <class Feed> void readPieces(QFile &f, const QString &path, Feed feed)
{
    QByteArray buf(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = f.read(buf.data(), buf.size());
        if (got < 0)
            cannotRead(path, f.errorString());
        if (got == 0 || !feed(buf.constData(), qsizetype(got)))
            return;
    }
}

QStringList keptLines(const QStringList &raw)
{
    QStringList out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QString l = importLine(raw.at(i));
        if (l.isEmpty())
            continue;
        if (out.size() >= MaxImportLines)
            tooManyLines(QStringLiteral("Абзац %1").arg(i + 1));
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

ImportText importTextOf(const QByteArray &bytes)
{
    if (looksLikeRtf(bytes))
        return {keptLines(rtfParagraphs(bytes)), ImportEncoding::Rtf};
    if (std::optional<Utf16Pieces> utf16 = utf16Reading(bytes)) {
        // Lines are collected from the text as UTF-8, piece by piece as a file's are.
        LineCollector c(true);
        const QByteArrayView text = QByteArrayView(bytes).sliced(Utf16BomSize);
        for (qsizetype at = 0; at <= text.size(); at += 64 * 1024) {
            const QByteArray piece =
                at < text.size() ? utf16->next(text.sliced(at, std::min<qsizetype>(64 * 1024, text.size() - at)))
                                 : utf16->rest();
            if (!c.feed(piece.constData(), piece.size()))
                return {c.lines, ImportEncoding::Utf16};
        }
        c.finish();
        return {c.lines, ImportEncoding::Utf16};
    }
    const bool bom = bytes.startsWith(Utf8Bom);
    Utf8Check check;
    check.feed(bytes.constData(), bytes.size());
    // A byte-order mark says UTF-8 even where a byte is wrong; that byte
    // then reads as a replacement character.
    const bool utf8 = bom || check.valid();
    const QByteArrayView text = QByteArrayView(bytes).sliced(bom ? Utf8Bom.size() : 0);
    LineCollector c(utf8);
    if (c.feed(text.data(), text.size()))
        c.finish();
    return {c.lines, utf8 ? ImportEncoding::Utf8 : ImportEncoding::Cp1251};
}

QStringList importLinesOf(const QByteArray &bytes)
{
    return importTextOf(bytes).lines;
}

ImportText readImportText(const QString &path)
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
        return {keptLines(rtfParagraphs(all)), ImportEncoding::Rtf};
    }
    if (std::optional<Utf16Pieces> utf16 = utf16Reading(head)) {
        if (!f.seek(Utf16BomSize))
            cannotRead(path, f.errorString());
        LineCollector c(true);
        bool ended = false;
        readPieces(f, path, [&](const char *p, qsizetype n) {
            const QByteArray piece = utf16->next(QByteArrayView(p, n));
            ended = !c.feed(piece.constData(), piece.size());
            return !ended;
        });
        const QByteArray rest = utf16->rest();
        if (!ended && c.feed(rest.constData(), rest.size()))
            c.finish();
        return {c.lines, ImportEncoding::Utf16};
    }
    // The encoding is known only when the whole text has been checked, so the
    // file is read twice rather than held in memory.
    const bool bom = head.startsWith(Utf8Bom);
    bool utf8 = bom;
    if (!bom) {
        Utf8Check check;
        readPieces(f, path, [&check](const char *p, qsizetype n) { return check.feed(p, n); });
        utf8 = check.valid();
    }
    if (!f.seek(bom ? Utf8Bom.size() : 0))
        cannotRead(path, f.errorString());
    LineCollector c(utf8);
    bool ended = false;
    readPieces(f, path, [&](const char *p, qsizetype n) {
        ended = !c.feed(p, n);
        return !ended;
    });
    if (!ended)
        c.finish();
    return {c.lines, utf8 ? ImportEncoding::Utf8 : ImportEncoding::Cp1251};
}

QStringList readImportLines(const QString &path)
{
    return readImportText(path).lines;
}

QString importEncodingName(ImportEncoding encoding)
{
    switch (encoding) {
    case ImportEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case ImportEncoding::Utf16:
        return QStringLiteral("UTF-16");
    case ImportEncoding::Rtf:
        return QStringLiteral("RTF");
    case ImportEncoding::Cp1251:
        break;
    }
    return QStringLiteral("Windows-1251");
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
