#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <span>
#include <vector>

// Fixed-size records of the bank files and of Baza. Each record type has a
// layout (its fields with offsets and capacities), used both by the typed
// readers below and by the field-by-field dump of trivo-bank.

enum class FieldKind { Text, Int32, Date, Reserved };

struct FieldSpec {
    const char *name;
    int offset;
    FieldKind kind;
    int size; // capacity for Text (the field occupies size + 1 bytes), bytes otherwise
};

// Raw access to one record's bytes.
QString readText(const QByteArray &rec, int offset, int capacity);
QString readText(const char *rec, qsizetype recSize, int offset, int capacity);
void writeText(QByteArray &rec, int offset, int capacity, const QString &text);
qint32 readInt32(const QByteArray &rec, int offset);
void writeInt32(QByteArray &rec, int offset, qint32 v);
double readDouble(const QByteArray &rec, int offset);
void writeDouble(QByteArray &rec, int offset, double v);

struct PredmetRec {
    QString Predm, Test, Nazwan;
    static constexpr int Size = 127;
    static std::span<const FieldSpec> layout();
    static PredmetRec decode(const QByteArray &b);
    QByteArray encode() const;
};

struct TemaRec {
    QString Predm, Tema, Nazwan;
    static constexpr int Size = 128;
    static std::span<const FieldSpec> layout();
    static TemaRec decode(const QByteArray &b);
    QByteArray encode() const;
};

struct WoprosRec {
    QString Predm, Tema, Test, Wopr, Nazwan, Porad, Ball, S_Kod;
    static constexpr int Size = 236;
    static std::span<const FieldSpec> layout();
    static WoprosRec decode(const QByteArray &b);
    QByteArray encode() const;
};

struct OtwetRec {
    QString Predm, Tema, Test, Wopr, Otwe, Kod_P, Nazwan;
    static constexpr int Size = 170;
    static std::span<const FieldSpec> layout();
    static OtwetRec decode(const QByteArray &b);
    QByteArray encode() const;
};

struct ExamRec {
    QString Predm, Tema, Nazwan, Woprosov, Nado;
    static constexpr int Size = 138;
    static std::span<const FieldSpec> layout();
    static ExamRec decode(const QByteArray &b);
    QByteArray encode() const;
};

struct PapkaRec {
    qint32 Nomer = 0;
    QString Nazwan, Papka;
    qint32 Tem = 0, Woprosov = 0, Otwetov = 0;
    static constexpr int Size = 76;
    static std::span<const FieldSpec> layout();
    static PapkaRec decode(const QByteArray &b);
    QByteArray encode() const;
};

struct DostupRec {
    QString Kod;
    double Data = 0; // day number: days since 1899-12-30
    QString Fio, ParolPolz, Dostup;
    static constexpr int Size = 48;
    static std::span<const FieldSpec> layout();
    static DostupRec decode(const QByteArray &b);
    QByteArray encode() const;
};

// The layout that belongs to a file name (Predmet.dat, Tema.dat, ...), by
// its base name, case-insensitive; record size 0 when the name is unknown.
struct FileKind {
    int recordSize = 0;
    std::span<const FieldSpec> layout;
};
FileKind fileKindOf(const QString &fileName);
template <class R> FileKind fileKindOf()
{
    return {R::Size, R::layout()};
}

// Record bytes without decoding them. Text fields only: the bank files' layouts.

// The bytes of text field f with characters 0..32 cut at both ends; cp1251
// bytes 0..32 are those characters, so this is the trimmed text's form.
QByteArrayView trimmedFieldBytes(const char *rec, qsizetype recSize, const FieldSpec &f);
// The key records are matched by on their first `count` codes: each code
// trimmed, joined by 0x1f. keyOf() builds it from the record's bytes into key
// (whose memory is used again), keyOfCodes() from texts; both give the same bytes.
void keyOf(const char *rec, qsizetype recSize, std::span<const FieldSpec> layout, int count, QByteArray &key);
QByteArray keyOfCodes(const QStringList &codes);
// Whether text field f, trimmed, is this text. Plain ASCII is compared on the
// bytes; other text decodes the field first.
bool trimmedFieldIs(const char *rec, qsizetype recSize, const FieldSpec &f, const QString &text);
// Whether a record's leading codes, trimmed, are these texts: the test a scan
// makes of every record of a file. A short code in plain ASCII, as codes are,
// costs a look at the length byte and the bytes; anything else is compared as
// trimmedFieldIs compares it. The last code is tested first, as it tells the
// records of a subject apart most often.
class LeadingCodes
{
public:
    LeadingCodes(std::span<const FieldSpec> layout, const QStringList &codes);
    bool match(const char *rec, qsizetype recSize) const
    {
        for (const Code &c : m_codes) {
            const Look look = c.look(rec, recSize);
            if (look == Look::Differs || (look == Look::Ask && !trimmedFieldIs(rec, recSize, c.field, c.text)))
                return false;
        }
        return true;
    }

private:
    enum class Look { Same, Differs, Ask };
    struct Code {
        FieldSpec field;
        QString text;    // trimmed
        int length = -1; // of its bytes when they are few and ASCII and fit the field; else -1
        unsigned char bytes[4] = {};
        Look look(const char *rec, qsizetype recSize) const
        {
            const auto *f = reinterpret_cast<const unsigned char *>(rec) + field.offset;
            if (length < 0 || field.offset + 1 + field.size > recSize || f[0] > field.size)
                return Look::Ask;
            // A field of the code's length has nothing to trim; a shorter one
            // is never the code, a longer one only with blanks around it.
            if (f[0] < length)
                return Look::Differs;
            if (f[0] > length)
                return f[1] > 32 && f[f[0]] > 32 ? Look::Differs : Look::Ask;
            for (int i = 0; i < length; ++i)
                if (f[1 + i] != bytes[i])
                    return Look::Differs;
            return Look::Same;
        }
    };
    std::vector<Code> m_codes;
};
// Appends the record that decoding rec and encoding it again would give,
// byte for byte, without building the texts.
void appendCanonicalRecord(QByteArray &out, const char *rec, const FileKind &kind);
// Appends the record of a row of texts: cell c goes to the c-th text field,
// cut to its capacity, as the typed records' encode() does.
void appendRecordOfRow(QByteArray &out, const QStringList &cells, const FileKind &kind);
