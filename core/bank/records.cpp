#include "records.h"
#include "text.h"

#include <QFileInfo>
#include <QtEndian>
#include <cstring>

namespace
{
// A length byte beyond the field's capacity reads as the capacity, and
// nothing is ever read past the field or the record.
qsizetype textLength(const char *rec, qsizetype recSize, int offset, int capacity)
{
    if (offset >= recSize)
        return 0;
    return std::min<qsizetype>({static_cast<unsigned char>(rec[offset]), capacity, recSize - offset - 1});
}
} // namespace

QString readText(const char *rec, qsizetype recSize, int offset, int capacity)
{
    return fromCp1251(rec + offset + 1, textLength(rec, recSize, offset, capacity));
}

QString readText(const QByteArray &rec, int offset, int capacity)
{
    return readText(rec.constData(), rec.size(), offset, capacity);
}

QByteArrayView trimmedFieldBytes(const char *rec, qsizetype recSize, const FieldSpec &f)
{
    if (f.offset >= recSize)
        return {};
    qsizetype len = textLength(rec, recSize, f.offset, f.size);
    const char *p = rec + f.offset + 1;
    while (len > 0 && static_cast<unsigned char>(*p) <= 32)
        ++p, --len;
    while (len > 0 && static_cast<unsigned char>(p[len - 1]) <= 32)
        --len;
    return QByteArrayView(p, len);
}

void keyOf(const char *rec, qsizetype recSize, std::span<const FieldSpec> layout, int count, QByteArray &key)
{
    count = std::min(count, int(layout.size()));
    qsizetype room = count;
    for (int c = 0; c < count; ++c)
        room += layout[size_t(c)].size;
    key.resize(room); // within the memory of the last key: this runs for every record of a scan
    char *p = key.data();
    for (int c = 0; c < count; ++c) {
        if (c > 0)
            *p++ = '\x1f';
        const QByteArrayView code = trimmedFieldBytes(rec, recSize, layout[size_t(c)]);
        std::memcpy(p, code.data(), size_t(code.size()));
        p += code.size();
    }
    key.resize(p - key.data());
}

QByteArray keyOfCodes(const QStringList &codes)
{
    // Codes are short and nearly always ASCII: the key is written in one piece of memory.
    qsizetype room = codes.size();
    for (const QString &c : codes)
        room += c.size();
    QByteArray key(room, Qt::Uninitialized);
    char *p = key.data();
    for (qsizetype c = 0; c < codes.size(); ++c) {
        if (c > 0)
            *p++ = '\x1f';
        const QString code = trimmed(codes[c]);
        bool ascii = true;
        for (const QChar ch : code)
            ascii = ascii && ch.unicode() < 128;
        if (ascii)
            for (const QChar ch : code)
                *p++ = char(ch.unicode());
        else {
            const QByteArray bytes = toCp1251(code);
            std::memcpy(p, bytes.constData(), size_t(bytes.size()));
            p += bytes.size();
        }
    }
    key.truncate(p - key.constData());
    return key;
}

bool trimmedFieldIs(const char *rec, qsizetype recSize, const FieldSpec &f, const QString &text)
{
    const QByteArrayView bytes = trimmedFieldBytes(rec, recSize, f);
    if (bytes.size() != text.size())
        return false; // one byte is one character in cp1251
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 128 || text.at(i).unicode() >= 128)
            return fromCp1251(bytes.data(), bytes.size()) == text;
        if (b != text.at(i).unicode())
            return false;
    }
    return true;
}

LeadingCodes::LeadingCodes(std::span<const FieldSpec> layout, const QStringList &codes)
{
    for (qsizetype c = std::min<qsizetype>(codes.size(), qsizetype(layout.size())) - 1; c >= 0; --c) {
        Code code{layout[size_t(c)], trimmed(codes[c])};
        const qsizetype n = code.text.size();
        bool ascii = true;
        for (const QChar ch : code.text)
            ascii = ascii && ch.unicode() < 128;
        if (ascii && n <= qsizetype(sizeof code.bytes) && n <= code.field.size) {
            code.length = int(n);
            for (qsizetype i = 0; i < n; ++i)
                code.bytes[i] = static_cast<unsigned char>(code.text.at(i).unicode());
        }
        m_codes.push_back(std::move(code));
    }
}

void appendCanonicalRecord(QByteArray &out, const char *rec, const FileKind &kind)
{
    // The bytes that a round trip changes (the one byte with no character);
    // every other byte is copied as it is.
    static const QByteArray changing = [] {
        QByteArray b;
        for (int c = 0; c < 256; ++c)
            if (cp1251RoundTrip()[c] != c)
                b.append(char(c));
        return b;
    }();
    const qsizetype at = out.size();
    out.resize(at + kind.recordSize, '\0');
    char *dst = out.data() + at;
    for (const FieldSpec &f : kind.layout) {
        if (f.kind == FieldKind::Reserved)
            continue; // written as zeros
        if (f.kind != FieldKind::Text) {
            std::memcpy(dst + f.offset, rec + f.offset, size_t(f.size));
            continue;
        }
        const qsizetype len = textLength(rec, kind.recordSize, f.offset, f.size);
        char *text = dst + f.offset + 1;
        dst[f.offset] = char(len);
        std::memcpy(text, rec + f.offset + 1, size_t(len));
        for (const char c : changing)
            for (char *p = text; (p = static_cast<char *>(std::memchr(p, c, size_t(text + len - p)))); ++p)
                *p = char(cp1251RoundTrip()[static_cast<unsigned char>(c)]);
    }
}

void appendRecordOfRow(QByteArray &out, const QStringList &cells, const FileKind &kind)
{
    QByteArray rec(kind.recordSize, '\0');
    qsizetype c = 0;
    for (const FieldSpec &f : kind.layout)
        if (f.kind == FieldKind::Text)
            writeText(rec, f.offset, f.size, c < cells.size() ? cells.at(c++) : QString());
    out.append(rec);
}

void writeText(QByteArray &rec, int offset, int capacity, const QString &text)
{
    QByteArray b = toCp1251(text.left(capacity));
    char *p = rec.data() + offset;
    std::memset(p, 0, size_t(capacity) + 1);
    p[0] = char(b.size());
    std::memcpy(p + 1, b.constData(), size_t(b.size()));
}

// A number that does not lie wholly inside the record reads as 0.
qint32 readInt32(const QByteArray &rec, int offset)
{
    if (offset < 0 || offset + 4 > rec.size())
        return 0;
    return qFromLittleEndian<qint32>(rec.constData() + offset);
}

void writeInt32(QByteArray &rec, int offset, qint32 v)
{
    qToLittleEndian<qint32>(v, rec.data() + offset);
}

double readDouble(const QByteArray &rec, int offset)
{
    if (offset < 0 || offset + 8 > rec.size())
        return 0;
    quint64 bits = qFromLittleEndian<quint64>(rec.constData() + offset);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void writeDouble(QByteArray &rec, int offset, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    qToLittleEndian<quint64>(bits, rec.data() + offset);
}

namespace
{

constexpr FieldSpec predmetLayout[] = {
    {"Predm", 0, FieldKind::Text, 2}, {"Test", 3, FieldKind::Text, 2}, {"Nazwan", 6, FieldKind::Text, 120}};
constexpr FieldSpec temaLayout[] = {
    {"Predm", 0, FieldKind::Text, 2}, {"Tema", 3, FieldKind::Text, 3}, {"Nazwan", 7, FieldKind::Text, 120}};
constexpr FieldSpec woprosLayout[] = {{"Predm", 0, FieldKind::Text, 2},     {"Tema", 3, FieldKind::Text, 3},
                                      {"Test", 7, FieldKind::Text, 2},      {"Wopr", 10, FieldKind::Text, 3},
                                      {"Nazwan", 14, FieldKind::Text, 210}, {"Porad", 225, FieldKind::Text, 4},
                                      {"Ball", 230, FieldKind::Text, 2},    {"S_Kod", 233, FieldKind::Text, 2}};
constexpr FieldSpec otwetLayout[] = {{"Predm", 0, FieldKind::Text, 2},    {"Tema", 3, FieldKind::Text, 3},
                                     {"Test", 7, FieldKind::Text, 2},     {"Wopr", 10, FieldKind::Text, 3},
                                     {"Otwe", 14, FieldKind::Text, 2},    {"Kod_P", 17, FieldKind::Text, 1},
                                     {"Nazwan", 19, FieldKind::Text, 150}};
constexpr FieldSpec examLayout[] = {{"Predm", 0, FieldKind::Text, 2},
                                    {"Tema", 3, FieldKind::Text, 3},
                                    {"Nazwan", 7, FieldKind::Text, 120},
                                    {"Woprosov", 128, FieldKind::Text, 4},
                                    {"Nado", 133, FieldKind::Text, 4}};
constexpr FieldSpec papkaLayout[] = {{"Nomer", 0, FieldKind::Int32, 4},     {"Nazwan", 4, FieldKind::Text, 50},
                                     {"Papka", 55, FieldKind::Text, 8},     {"Tem", 64, FieldKind::Int32, 4},
                                     {"Woprosov", 68, FieldKind::Int32, 4}, {"Otwetov", 72, FieldKind::Int32, 4}};
constexpr FieldSpec dostupLayout[] = {{"Kod", 0, FieldKind::Text, 2},        {"", 3, FieldKind::Reserved, 5},
                                      {"Data", 8, FieldKind::Date, 8},       {"Fio", 16, FieldKind::Text, 20},
                                      {"ParolPolz", 37, FieldKind::Text, 6}, {"Dostup", 44, FieldKind::Text, 1},
                                      {"", 46, FieldKind::Reserved, 2}};

// Reads the Text fields of a layout in order into the given strings.
template <size_t N> void decodeTexts(const QByteArray &b, const FieldSpec (&l)[N], std::initializer_list<QString *> out)
{
    auto it = out.begin();
    for (const FieldSpec &f : l)
        if (f.kind == FieldKind::Text && it != out.end())
            **it++ = readText(b, f.offset, f.size);
}

template <size_t N> void encodeTexts(QByteArray &b, const FieldSpec (&l)[N], std::initializer_list<const QString *> in)
{
    auto it = in.begin();
    for (const FieldSpec &f : l)
        if (f.kind == FieldKind::Text && it != in.end())
            writeText(b, f.offset, f.size, **it++);
}

QByteArray blank(int size)
{
    return QByteArray(size, '\0');
}

} // namespace

#define RECORD_LAYOUT(Rec, table)                                                                                      \
    std::span<const FieldSpec> Rec::layout()                                                                           \
    {                                                                                                                  \
        return table;                                                                                                  \
    }

RECORD_LAYOUT(PredmetRec, predmetLayout)
RECORD_LAYOUT(TemaRec, temaLayout)
RECORD_LAYOUT(WoprosRec, woprosLayout)
RECORD_LAYOUT(OtwetRec, otwetLayout)
RECORD_LAYOUT(ExamRec, examLayout)
RECORD_LAYOUT(PapkaRec, papkaLayout)
RECORD_LAYOUT(DostupRec, dostupLayout)

PredmetRec PredmetRec::decode(const QByteArray &b)
{
    PredmetRec r;
    decodeTexts(b, predmetLayout, {&r.Predm, &r.Test, &r.Nazwan});
    return r;
}
QByteArray PredmetRec::encode() const
{
    QByteArray b = blank(Size);
    encodeTexts(b, predmetLayout, {&Predm, &Test, &Nazwan});
    return b;
}

TemaRec TemaRec::decode(const QByteArray &b)
{
    TemaRec r;
    decodeTexts(b, temaLayout, {&r.Predm, &r.Tema, &r.Nazwan});
    return r;
}
QByteArray TemaRec::encode() const
{
    QByteArray b = blank(Size);
    encodeTexts(b, temaLayout, {&Predm, &Tema, &Nazwan});
    return b;
}

WoprosRec WoprosRec::decode(const QByteArray &b)
{
    WoprosRec r;
    decodeTexts(b, woprosLayout, {&r.Predm, &r.Tema, &r.Test, &r.Wopr, &r.Nazwan, &r.Porad, &r.Ball, &r.S_Kod});
    return r;
}
QByteArray WoprosRec::encode() const
{
    QByteArray b = blank(Size);
    encodeTexts(b, woprosLayout, {&Predm, &Tema, &Test, &Wopr, &Nazwan, &Porad, &Ball, &S_Kod});
    return b;
}

OtwetRec OtwetRec::decode(const QByteArray &b)
{
    OtwetRec r;
    decodeTexts(b, otwetLayout, {&r.Predm, &r.Tema, &r.Test, &r.Wopr, &r.Otwe, &r.Kod_P, &r.Nazwan});
    return r;
}
QByteArray OtwetRec::encode() const
{
    QByteArray b = blank(Size);
    encodeTexts(b, otwetLayout, {&Predm, &Tema, &Test, &Wopr, &Otwe, &Kod_P, &Nazwan});
    return b;
}

ExamRec ExamRec::decode(const QByteArray &b)
{
    ExamRec r;
    decodeTexts(b, examLayout, {&r.Predm, &r.Tema, &r.Nazwan, &r.Woprosov, &r.Nado});
    return r;
}
QByteArray ExamRec::encode() const
{
    QByteArray b = blank(Size);
    encodeTexts(b, examLayout, {&Predm, &Tema, &Nazwan, &Woprosov, &Nado});
    return b;
}

PapkaRec PapkaRec::decode(const QByteArray &b)
{
    PapkaRec r;
    r.Nomer = readInt32(b, 0);
    decodeTexts(b, papkaLayout, {&r.Nazwan, &r.Papka});
    r.Tem = readInt32(b, 64);
    r.Woprosov = readInt32(b, 68);
    r.Otwetov = readInt32(b, 72);
    return r;
}
QByteArray PapkaRec::encode() const
{
    QByteArray b = blank(Size);
    writeInt32(b, 0, Nomer);
    encodeTexts(b, papkaLayout, {&Nazwan, &Papka});
    writeInt32(b, 64, Tem);
    writeInt32(b, 68, Woprosov);
    writeInt32(b, 72, Otwetov);
    return b;
}

DostupRec DostupRec::decode(const QByteArray &b)
{
    DostupRec r;
    decodeTexts(b, dostupLayout, {&r.Kod, &r.Fio, &r.ParolPolz, &r.Dostup});
    r.Data = readDouble(b, 8);
    return r;
}
QByteArray DostupRec::encode() const
{
    QByteArray b = blank(Size);
    encodeTexts(b, dostupLayout, {&Kod, &Fio, &ParolPolz, &Dostup});
    writeDouble(b, 8, Data);
    return b;
}

FileKind fileKindOf(const QString &fileName)
{
    const QString n = QFileInfo(fileName).fileName().toLower();
    if (n == u"predmet.dat")
        return {PredmetRec::Size, PredmetRec::layout()};
    if (n == u"tema.dat")
        return {TemaRec::Size, TemaRec::layout()};
    if (n == u"wopros.dat" || n == u"temp.dat")
        return {WoprosRec::Size, WoprosRec::layout()};
    if (n == u"otwet.dat")
        return {OtwetRec::Size, OtwetRec::layout()};
    if (n == u"exam.dat")
        return {ExamRec::Size, ExamRec::layout()};
    if (n == u"papka.dat")
        return {PapkaRec::Size, PapkaRec::layout()};
    if (n == u"dostup.dat")
        return {DostupRec::Size, DostupRec::layout()};
    return {};
}
