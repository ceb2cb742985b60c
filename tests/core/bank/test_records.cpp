// Byte layouts of the bank and Baza records, and the cp1251 edge they go through.
// Expected records are built here by hand from the offsets, so a layout table
// that is wrong in the same way as the encoder still shows.
#include "records.h"
#include "text.h"

#include <QtTest>

#include <random>

namespace
{

// Writes a length-prefixed field into a hand-built record.
void put(QByteArray &rec, int offset, const QByteArray &text)
{
    rec[offset] = char(text.size());
    rec.replace(offset + 1, text.size(), text);
}

void putInt32(QByteArray &rec, int offset, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        rec[offset + i] = char((v >> (8 * i)) & 0xFF);
}

// n characters running through the alphabet, so that a field shifted by a byte shows.
QByteArray run(int n, char first = 'a')
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += char(first + i % 26);
    return b;
}

QString str(const QByteArray &ascii)
{
    return QString::fromLatin1(ascii);
}

const QByteArray istoriya("\xC8\xF1\xF2\xEE\xF0\xE8\xFF"); // "История" in cp1251

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void codecConvertsBothWays();
    void codecKeepsEveryDefinedByte();
    void trimmedRemovesOnlyCodesUpTo32();
    void layouts_data();
    void layouts();
    void cutting_data();
    void cutting();
    void lengthByteBeyondCapacity();
    void shortRecordReadsNothingPastItsEnd();
    void leadingCodesAsDecoded_data();
    void leadingCodesAsDecoded();
};

void TestRecords::codecConvertsBothWays()
{
    QVERIFY(cp1251Available());
    QCOMPARE(toCp1251(QStringLiteral("История")), istoriya);
    QCOMPARE(fromCp1251(istoriya), QStringLiteral("История"));
    QCOMPARE(toCp1251(QStringLiteral("Ёё№€")), QByteArray("\xA8\xB8\xB9\x88"));
    // No cp1251 form: one '?' each, never the converter's substitute byte 0x1A.
    QCOMPARE(toCp1251(QStringLiteral("a中äЯ")), QByteArray("a??\xDF"));
}

void TestRecords::codecKeepsEveryDefinedByte()
{
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, char(b));
        const QString s = fromCp1251(one);
        QCOMPARE(s.size(), 1);
        if (s.at(0) != QChar(0xFFFD))
            QCOMPARE(toCp1251(s), one);
    }
}

void TestRecords::trimmedRemovesOnlyCodesUpTo32()
{
    QCOMPARE(trimmed(QStringLiteral("\x01 \t7\x1F ")), QStringLiteral("7"));
    QCOMPARE(trimmed(QStringLiteral(" a b ")), QStringLiteral("a b"));
    QCOMPARE(trimmed(QStringLiteral("\u00A07\u00A0")), QStringLiteral("\u00A07\u00A0"));
    QCOMPARE(trimmed(QStringLiteral("   ")), QString());
}

void TestRecords::layouts_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("decodedAgain");

    // Every text field filled to its capacity.
    {
        const PredmetRec r{"P1", "T2", str(run(120))};
        QByteArray e(127, '\0');
        put(e, 0, "P1");
        put(e, 3, "T2");
        put(e, 6, run(120));
        QTest::newRow("PredmetRec") << r.encode() << e << PredmetRec::decode(e).encode();
    }
    {
        const TemaRec r{"P1", "T23", str(run(120))};
        QByteArray e(128, '\0');
        put(e, 0, "P1");
        put(e, 3, "T23");
        put(e, 7, run(120));
        QTest::newRow("TemaRec") << r.encode() << e << TemaRec::decode(e).encode();
    }
    {
        const TemaRec r{"1", " 7", QStringLiteral("История")};
        QByteArray e(128, '\0');
        put(e, 0, "1");
        put(e, 3, " 7");
        put(e, 7, istoriya);
        QTest::newRow("TemaRec cyrillic, short codes") << r.encode() << e << TemaRec::decode(e).encode();
    }
    {
        const WoprosRec r{"P1", "T23", "S4", "W56", str(run(210)), "Ord7", "10", "SK"};
        QByteArray e(236, '\0');
        put(e, 0, "P1");
        put(e, 3, "T23");
        put(e, 7, "S4");
        put(e, 10, "W56");
        put(e, 14, run(210));
        put(e, 225, "Ord7");
        put(e, 230, "10");
        put(e, 233, "SK");
        QTest::newRow("WoprosRec") << r.encode() << e << WoprosRec::decode(e).encode();
    }
    {
        const OtwetRec r{"P1", "T23", "S4", "W56", "O7", QStringLiteral("Ф"), str(run(150))};
        QByteArray e(170, '\0');
        put(e, 0, "P1");
        put(e, 3, "T23");
        put(e, 7, "S4");
        put(e, 10, "W56");
        put(e, 14, "O7");
        put(e, 17, "\xD4");
        put(e, 19, run(150));
        QTest::newRow("OtwetRec") << r.encode() << e << OtwetRec::decode(e).encode();
    }
    {
        const ExamRec r{"P1", "T23", str(run(120)), "1234", "5678"};
        QByteArray e(138, '\0');
        put(e, 0, "P1");
        put(e, 3, "T23");
        put(e, 7, run(120));
        put(e, 128, "1234");
        put(e, 133, "5678");
        QTest::newRow("ExamRec") << r.encode() << e << ExamRec::decode(e).encode();
    }
    {
        const PapkaRec r{-2, str(run(50)), "Istoria1", 0x7FFFFFFF, 100000, 1};
        QByteArray e(76, '\0');
        putInt32(e, 0, 0xFFFFFFFE);
        put(e, 4, run(50));
        put(e, 55, "Istoria1");
        putInt32(e, 64, 0x7FFFFFFF);
        putInt32(e, 68, 100000);
        putInt32(e, 72, 1);
        QTest::newRow("PapkaRec") << r.encode() << e << PapkaRec::decode(e).encode();
    }
    {
        const DostupRec r{"01", 45292.0, str(run(20)), "470259", "Z"};
        QByteArray e(48, '\0');
        put(e, 0, "01");
        e.replace(8, 8, QByteArray("\x00\x00\x00\x00\x80\x1D\xE6\x40", 8)); // 45292.0, little-endian
        put(e, 16, run(20));
        put(e, 37, "470259");
        put(e, 44, "Z");
        QTest::newRow("DostupRec") << r.encode() << e << DostupRec::decode(e).encode();
    }
}

void TestRecords::layouts()
{
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, decodedAgain);
    QCOMPARE(encoded.toHex(' '), expected.toHex(' '));
    // The encoder is right by now, so this checks that decoding reads every field back.
    QCOMPARE(decodedAgain.toHex(' '), expected.toHex(' '));
}

void TestRecords::cutting_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<int>("recordSize");
    QTest::addColumn<int>("lengthOffset");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("behind"); // the fields behind must survive
    QTest::addColumn<QString>("behindExpected");

    const QString longText = str(run(250));
    WoprosRec w{"1", "1", "1", "1", longText, "9", "2", "3"};
    const auto wd = WoprosRec::decode(w.encode());
    QTest::newRow("question text 250 -> 210")
        << w.encode() << 236 << 14 << wd.Nazwan << longText.left(210) << wd.Porad + wd.Ball + wd.S_Kod << "923";

    OtwetRec o{"1", "1", "1", "1", "1", "+", longText.left(151)};
    QTest::newRow("option text 151 -> 150") << o.encode() << 170 << 19 << OtwetRec::decode(o.encode()).Nazwan
                                            << longText.left(150) << QString() << QString();

    PapkaRec p{1, QStringLiteral("История"), QStringLiteral("Istoria_10"), 3, 4, 5};
    const auto pd = PapkaRec::decode(p.encode());
    QTest::newRow("folder name 10 -> 8") << p.encode() << 76 << 55 << pd.Papka << QStringLiteral("Istoria_")
                                         << QString::number(pd.Tem) + QString::number(pd.Woprosov) << "34";

    TemaRec t{"1", "12345", QString(130, QChar(u'Ж'))};
    const auto td = TemaRec::decode(t.encode());
    QTest::newRow("topic code 5 -> 3") << t.encode() << 128 << 3 << td.Tema << QStringLiteral("123")
                                       << td.Nazwan.left(1) << "Ж";
    QTest::newRow("cyrillic name 130 -> 120 characters")
        << t.encode() << 128 << 7 << td.Nazwan << QString(120, QChar(u'Ж')) << QString() << QString();

    DostupRec d{"0123", 1, "Fio", "12345678", "WZ"};
    const auto dd = DostupRec::decode(d.encode());
    QTest::newRow("password 8 -> 6") << d.encode() << 48 << 37 << dd.ParolPolz << QStringLiteral("123456") << dd.Dostup
                                     << "W";
}

void TestRecords::cutting()
{
    QFETCH(QByteArray, encoded);
    QFETCH(int, recordSize);
    QFETCH(int, lengthOffset);
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QFETCH(QString, behind);
    QFETCH(QString, behindExpected);
    QCOMPARE(encoded.size(), recordSize);
    QCOMPARE(stored, expected);
    QCOMPARE(int(static_cast<unsigned char>(encoded.at(lengthOffset))), int(expected.size()));
    QCOMPARE(behind, behindExpected);
}

void TestRecords::lengthByteBeyondCapacity()
{
    QByteArray t(128, '\0');
    put(t, 0, "1");
    t[3] = char(255); // Tema, capacity 3
    t.replace(4, 3, "123");
    put(t, 7, "ab");
    auto td = TemaRec::decode(t);
    QCOMPARE(td.Tema, QStringLiteral("123"));
    QCOMPARE(td.Nazwan, QStringLiteral("ab"));

    t[7] = char(200); // Nazwan, capacity 120, ends with the record
    t.replace(8, 120, run(120));
    QCOMPARE(TemaRec::decode(t).Nazwan, str(run(120)));

    QByteArray e(138, 'x');
    e[133] = char(255); // Nado, the last field
    QCOMPARE(ExamRec::decode(e).Nado, QStringLiteral("xxxx"));

    QByteArray d(48, '\0');
    put(d, 44, "Z");
    d[44] = char(9); // Dostup, capacity 1: the reserved bytes behind are not text
    d[46] = 'Q';
    QCOMPARE(DostupRec::decode(d).Dostup, QStringLiteral("Z"));
}

void TestRecords::shortRecordReadsNothingPastItsEnd()
{
    // A view on the first 66 bytes of a whole record: the bytes behind exist in
    // memory but are not part of the record and must not be read.
    const QByteArray whole = PapkaRec{7, QStringLiteral("История"), "Ist", 11, 12, 13}.encode();
    const auto p = PapkaRec::decode(QByteArray::fromRawData(whole.constData(), 66));
    QCOMPARE(p.Nomer, 7);
    QCOMPARE(p.Papka, QStringLiteral("Ist"));
    QCOMPARE(p.Tem, 0);
    QCOMPARE(p.Otwetov, 0);

    const QByteArray dWhole = DostupRec{"01", 45292, "Fio", "470259", "Z"}.encode();
    const auto d = DostupRec::decode(QByteArray::fromRawData(dWhole.constData(), 12));
    QCOMPARE(d.Kod, QStringLiteral("01"));
    QCOMPARE(d.Data, 0.0);
    QCOMPARE(d.Fio, QString());

    const auto empty = WoprosRec::decode(QByteArray());
    QCOMPARE(empty.Nazwan, QString());
}

void TestRecords::leadingCodesAsDecoded_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<bool>("found"); // whether some generated record has them
    QTest::newRow("topic") << QStringList{"1", "7"} << true;
    QTest::newRow("blanks around") << QStringList{" 1", "7\t "} << true;
    QTest::newRow("two characters") << QStringList{"1", "07"} << true;
    QTest::newRow("whole field") << QStringList{"11", "777"} << true;
    QTest::newRow("four codes") << QStringList{"1", "7", "1", "a"} << true;
    QTest::newRow("blank inside") << QStringList{"1", "7 7"} << true;
    QTest::newRow("letter") << QStringList{"1", "А"} << true;
    QTest::newRow("byte without a character") << QStringList{"1", fromCp1251("\x98", 1)} << true;
    QTest::newRow("empty") << QStringList{"", ""} << true;
    QTest::newRow("longer than the field") << QStringList{"1", "7777"} << false;
}

// The test a scan makes of every record says what decoding the codes and
// trimming them says, on records made around the codes to hit its edges:
// blanks around them, a character more or less, letters, the byte with no
// character, length bytes beyond the capacity, records that end inside them.
void TestRecords::leadingCodesAsDecoded()
{
    QFETCH(QStringList, codes);
    QFETCH(bool, found);
    const auto layout = OtwetRec::layout();
    const LeadingCodes test(layout, codes);
    const char alphabet[] = {' ', '\t', '\0', '1', '7', '0', 'a', '\xC0', '\x98'};
    std::mt19937 gen(32);
    const auto blanks = [&] { return QByteArray(int(gen() % 2), alphabet[gen() % 3]); };
    int matched = 0;
    for (int n = 0; n < 20000; ++n) {
        QByteArray rec(OtwetRec::Size, '\0');
        for (size_t c = 0; c < 4; ++c) {
            const FieldSpec &f = layout[c];
            for (int i = 1; i <= f.size; ++i)
                rec[f.offset + i] = alphabet[gen() % sizeof alphabet];
            const QByteArray code = toCp1251(trimmed(codes.value(qsizetype(c))));
            QByteArray text;
            switch (gen() % 4) {
            case 0:
                text = code;
                break;
            case 1:
                text = blanks() + code + blanks();
                break;
            case 2:
                text = gen() % 2 ? code.chopped(std::min<qsizetype>(1, code.size())) : code + alphabet[gen() % 9];
                break;
            default:
                text = QByteArray(int(gen() % unsigned(f.size + 1)), alphabet[gen() % sizeof alphabet]);
            }
            text.truncate(f.size);
            rec.replace(f.offset + 1, text.size(), text);
            rec[f.offset] = char(gen() % 8 ? text.size() : gen() % 2 ? f.size + 1 : 255);
        }
        for (const qsizetype size : {qsizetype(OtwetRec::Size), qsizetype(9), qsizetype(5)}) {
            bool decoded = true;
            for (qsizetype c = 0; c < codes.size(); ++c)
                decoded = decoded && trimmed(readText(rec.constData(), size, layout[size_t(c)].offset,
                                                      layout[size_t(c)].size)) == trimmed(codes[c]);
            QVERIFY2(test.match(rec.constData(), size) == decoded,
                     qPrintable(QStringLiteral("record %1 of %2 bytes: %3")
                                    .arg(n)
                                    .arg(size)
                                    .arg(QString::fromLatin1(rec.left(14).toHex(' ')))));
            matched += decoded;
        }
    }
    QCOMPARE(matched > 0, found);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
