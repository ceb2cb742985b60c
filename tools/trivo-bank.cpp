// trivo-bank: looks into a question bank, and writes one, without the program.
//   trivo-bank dump FILE            one line per record, the fields in layout order, tab-separated
//   trivo-bank load FILE [SOURCE]   the reverse: lines as dump prints them become FILE's records
//   trivo-bank check FOLDER [--json]  the mistakes of a subject's bank, one line (or JSON object) each
//   trivo-bank import FORMAT FILE FOLDER, export FORMAT FOLDER TOPIC FILE   topics to and from other testing systems
#include "banklines.h"
#include "programstate.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

int checkCommand(const QStringList &args);                               // check.cpp
int interchangeCommand(const QString &command, const QStringList &args); // interchange.cpp

namespace
{

int usage()
{
    std::fputs("usage: trivo-bank dump FILE\n"
               "       trivo-bank load FILE [SOURCE]   (SOURCE absent or \"-\": standard input)\n"
               "       trivo-bank check FOLDER [--json]   exit status 0 clean, 1 findings, 2 folder unreadable\n"
               "       trivo-bank import FORMAT FILE FOLDER         FORMAT gift, aiken or xml: FILE as a new topic\n"
               "       trivo-bank export FORMAT FOLDER TOPIC FILE   FORMAT gift or xml: topic code TOPIC into FILE\n"
               "  FILE: Predmet.dat, Tema.dat, Wopros.dat, Temp.dat, Otwet.dat, Exam.dat, Papka.dat or Dostup.dat\n",
               stderr);
    return 2;
}

int error(const QString &text)
{
    std::fprintf(stderr, "trivo-bank: %s\n", qUtf8Printable(text));
    return 1;
}

// cp1251 byte -> its UTF-8 bytes, built once from the program's own codec so
// that the dump and the typed readers cannot disagree on a character.
struct Utf8Of {
    std::array<std::array<char, 4>, 256> bytes{};
    std::array<unsigned char, 256> length{};

    Utf8Of()
    {
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            const QByteArray u = fromCp1251(&c, 1).toUtf8();
            length[b] = static_cast<unsigned char>(std::min<qsizetype>(u.size(), 4));
            std::memcpy(bytes[b].data(), u.constData(), length[b]);
        }
    }
};

// The output of dump: lines gather in one buffer that goes to standard output
// whenever it holds a chunk, so memory stays the same for any size of file.
class Output
{
public:
    static constexpr size_t chunk = 256 * 1024;

    // room: the most bytes one line can take.
    explicit Output(size_t room) : m_buf(chunk + room) {}

    char *end() { return m_buf.data() + m_used; }
    void grow(char *to) { m_used = size_t(to - m_buf.data()); }
    void lineDone()
    {
        if (m_used >= chunk)
            flush();
    }
    bool flush()
    {
        if (m_used > 0 && !m_error && std::fwrite(m_buf.data(), 1, m_used, stdout) != m_used)
            m_error = errno ? errno : EIO;
        m_used = 0;
        return m_error == 0;
    }
    // Everything written out; false when standard output did not take it all.
    bool finish()
    {
        if (flush() && std::fflush(stdout) != 0)
            m_error = errno ? errno : EIO;
        return m_error == 0;
    }
    int error() const { return m_error; }

private:
    std::vector<char> m_buf;
    size_t m_used = 0;
    int m_error = 0;
};

// The most bytes fieldText can give for one field, in UTF-8.
size_t widestText(const FieldSpec &f)
{
    switch (f.kind) {
    case FieldKind::Text:
        return size_t(f.size) * 3;
    case FieldKind::Int32:
        return 11;
    case FieldKind::Date:
        return 64; // a date, or a day number with at most 6 significant digits
    case FieldKind::Reserved:
        break;
    }
    return 0;
}

// One record as a dump line: the same text as fieldText gives for each
// field, joined with tabs, written straight into the output.
char *putLine(char *p, const char *rec, int recordSize, const std::vector<FieldSpec> &fields, const Utf8Of &utf8)
{
    bool first = true;
    for (const FieldSpec &f : fields) {
        if (!first)
            *p++ = '\t';
        first = false;
        switch (f.kind) {
        case FieldKind::Text: {
            const auto *s = reinterpret_cast<const unsigned char *>(rec + f.offset);
            const int len = std::min<int>(s[0], f.size);
            for (int i = 1; i <= len; ++i) {
                // Four bytes copied whatever the length: the buffer has room to spare.
                std::memcpy(p, utf8.bytes[s[i]].data(), 4);
                p += utf8.length[s[i]];
            }
            break;
        }
        case FieldKind::Int32:
            p = std::to_chars(p, p + 11, readInt32(QByteArray::fromRawData(rec, recordSize), f.offset)).ptr;
            break;
        case FieldKind::Date:
        case FieldKind::Reserved: {
            const QByteArray u = fieldText(QByteArray::fromRawData(rec, recordSize), f).toUtf8();
            std::memcpy(p, u.constData(), size_t(u.size()));
            p += u.size();
            break;
        }
        }
    }
    *p++ = '\n';
    return p;
}

int dump(const QString &path)
{
    const FileKind kind = fileKindOf(path);
    if (kind.recordSize == 0)
        return error(QStringLiteral("%1: это не имя файла банка").arg(path));
    QFile f(path);
    if (!f.exists())
        return error(QStringLiteral("%1: нет такого файла").arg(path));
    if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(path, f.errorString()));
    const std::vector<FieldSpec> fields = shownFields(kind);
    size_t lineRoom = fields.size() + 4; // tabs and the end of the line, and the 4-byte copies
    for (const FieldSpec &s : fields)
        lineRoom += widestText(s);
    static const Utf8Of utf8;
    Output out(lineRoom);

    const qsizetype size = kind.recordSize;
    std::vector<char> in(size_t(std::max<qsizetype>(1, Output::chunk / size) * size));
    qsizetype filled = 0;
    for (;;) {
        const qint64 got = f.read(in.data() + filled, qint64(in.size()) - filled);
        if (got < 0)
            return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(path, f.errorString()));
        filled += qsizetype(got);
        const qsizetype whole = filled / size;
        for (qsizetype i = 0; i < whole; ++i) {
            out.grow(putLine(out.end(), in.data() + i * size, kind.recordSize, fields, utf8));
            out.lineDone();
        }
        // A partial record waits for the rest of its bytes; at the end of the file it is not a record.
        filled -= whole * size;
        std::memmove(in.data(), in.data() + whole * size, size_t(filled));
        if (got == 0)
            break;
    }
    if (!out.finish())
        return error(QStringLiteral("%1: не удалось записать вывод (%2)")
                         .arg(path, QString::fromLocal8Bit(std::strerror(out.error()))));
    return 0;
}

int load(const QString &path, const QString &source)
{
    const FileKind kind = fileKindOf(path);
    if (kind.recordSize == 0)
        return error(QStringLiteral("%1: это не имя файла банка").arg(path));
    const bool fromStdin = source.isEmpty() || source == u"-";
    const QString sourceName = fromStdin ? QStringLiteral("стандартный ввод") : source;
    QFile in(fromStdin ? QString() : source);
    const bool opened =
        fromStdin ? in.open(stdin, QIODevice::ReadOnly) : !QFileInfo(source).isDir() && in.open(QIODevice::ReadOnly);
    if (!opened)
        return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(sourceName, in.errorString()));
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(sourceName, in.errorString()));

    // Every line is checked before the file is touched: a bad line leaves FILE as it was.
    const BankLines lines = recordsOfLines(bytes, kind, sourceName);
    if (!lines.error.isEmpty())
        return error(lines.error);
    try {
        RecordFile(path, kind.recordSize).rewriteRaw(lines.records);
    } catch (const TrivoError &e) {
        return error(e.text());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString command = args.value(1);
    if (command == u"check")
        return checkCommand(args.mid(2));
    if (command == u"import" || command == u"export")
        return interchangeCommand(command, args.mid(2));
    const bool isDump = command == u"dump" && args.size() == 3;
    const bool isLoad = command == u"load" && (args.size() == 3 || args.size() == 4);
    if (!isDump && !isLoad)
        return usage();
    if (!cp1251Available())
        return error(QStringLiteral("нет преобразователя текста windows-1251"));
    return isDump ? dump(args.at(2)) : load(args.at(2), args.value(3));
}
