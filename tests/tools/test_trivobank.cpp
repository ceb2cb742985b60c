// trivo-bank dump, run as the authors run it, on files written here byte by byte.
#include "RunTool.h"

// The typed record readers of the program: a large dump is checked against
// them record by record.
#include "records.h"
#include "text.h"

#include <QRandomGenerator>
#include <QtTest>

namespace
{

QByteArray cp1251(const QString &s)
{
    QStringEncoder enc("windows-1251");
    return enc.encode(s);
}

// A length-prefixed field; `length` may claim more than the bytes given.
void put(QByteArray &rec, int offset, const QByteArray &text, int length = -1)
{
    rec[offset] = char(length < 0 ? text.size() : length);
    rec.replace(offset + 1, text.size(), text);
}

void putInt32(QByteArray &rec, int offset, qint32 v)
{
    for (int i = 0; i < 4; ++i)
        rec[offset + i] = char((quint32(v) >> (8 * i)) & 0xFF);
}

ToolRun dump(const QString &path)
{
    return runTrivoBank({QStringLiteral("dump"), path});
}

} // namespace

class TestTrivoBank : public QObject
{
    Q_OBJECT
private slots:
    void dumpsRecords_data();
    void dumpsRecords();
    void badFilesAreOneLineErrors_data();
    void badFilesAreOneLineErrors();
    void largeFileMatchesTypedReaders_data();
    void largeFileMatchesTypedReaders();
    void outputThatCannotBeWrittenIsAnError();
};

void TestTrivoBank::dumpsRecords_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    {
        QByteArray a(128, '\0'), b(128, 'x');
        put(a, 0, "1");
        put(a, 3, " 7");
        put(a, 7, cp1251(QStringLiteral("История ")));
        put(b, 0, "12");
        put(b, 3, "100");
        b[7] = char(255); // claims more than the name's 120 characters
        const QByteArray partial(60, 'p');
        QTest::newRow("Tema.dat") << "Tema.dat" << a + b + partial
                                  << QStringLiteral("1\t 7\tИстория \n12\t100\t") + QString(120, u'x') + "\n";
    }
    {
        QByteArray d(48, '\xAA'); // reserved bytes not zero: they must not show
        put(d, 0, "01");
        d.replace(8, 8, QByteArray("\x00\x00\x00\x00\x80\x1D\xE6\x40", 8)); // 45292.0 = 2024-01-01
        put(d, 16, cp1251(QStringLiteral("Администратор")));
        put(d, 37, "470259");
        put(d, 44, "Z");
        QByteArray e(48, '\0');
        put(e, 0, "02");
        e.replace(8, 8, QByteArray("\x00\x00\x00\x00\x20\xDD\xE1\x40", 8)); // 36585.0 = 2000-02-29
        put(e, 16, " ");
        QTest::newRow("Dostup.dat") << "Dostup.dat" << d + e
                                    << QStringLiteral("01\t2024-01-01\tАдминистратор\t470259\tZ\n"
                                                      "02\t2000-02-29\t \t\t\n");
    }
    {
        QByteArray p(76, '\0');
        putInt32(p, 0, 1);
        put(p, 4, cp1251(QStringLiteral("История")));
        put(p, 55, "Istoria");
        putInt32(p, 64, 3);
        putInt32(p, 68, -2);
        putInt32(p, 72, 100000);
        QTest::newRow("Papka.dat") << "Papka.dat" << p << QStringLiteral("1\tИстория\tIstoria\t3\t-2\t100000\n");
    }
    {
        QByteArray w(236, '\0');
        put(w, 0, "1");
        put(w, 3, "2");
        put(w, 7, "3");
        put(w, 10, "4");
        put(w, 14, "Q?");
        put(w, 225, "5");
        put(w, 230, "10");
        put(w, 233, "");
        QTest::newRow("Temp.dat in the question layout") << "Temp.dat" << w << "1\t2\t3\t4\tQ?\t5\t10\t\n";
    }
    QTest::newRow("empty Otwet.dat") << "Otwet.dat" << QByteArray() << "";
}

void TestTrivoBank::dumpsRecords()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile f(dir.filePath(fileName));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    const ToolRun r = dump(f.fileName());
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out), expected);
}

void TestTrivoBank::badFilesAreOneLineErrors_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("make"); // "", "file" or "folder"
    QTest::newRow("missing Tema.dat") << "Tema.dat"
                                      << "";
    QTest::newRow("unknown name") << "Notes.dat"
                                  << "file";
    QTest::newRow("folder named Exam.dat") << "Exam.dat"
                                           << "folder";
}

void TestTrivoBank::badFilesAreOneLineErrors()
{
    QFETCH(QString, fileName);
    QFETCH(QString, make);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (make == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(fileName));
    } else if (make == u"file") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(128, '\0'));
    }
    const ToolRun r = dump(path);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.err.endsWith('\n'));
    QVERIFY2(r.err.contains(fileName.toUtf8()), r.err.constData());
}

namespace
{

QByteArray lineOf(const OtwetRec &r)
{
    return QStringList{r.Predm, r.Tema, r.Test, r.Wopr, r.Otwe, r.Kod_P, r.Nazwan}.join(u'\t').toUtf8() + '\n';
}

QByteArray lineOf(const PapkaRec &r)
{
    return QStringList{
               QString::number(r.Nomer),  r.Nazwan, r.Papka, QString::number(r.Tem), QString::number(r.Woprosov),
               QString::number(r.Otwetov)}
               .join(u'\t')
               .toUtf8() +
           '\n';
}

// What the typed reader R makes of every whole record of `content`, one dump line each.
template <class R> QByteArray typedLines(const QByteArray &content)
{
    QByteArray out;
    for (qsizetype at = 0; at + R::Size <= content.size(); at += R::Size)
        out += lineOf(R::decode(content.mid(at, R::Size)));
    return out;
}

} // namespace

// Records of random bytes: every byte value in every field, length bytes over
// the capacity, and a partial record at the end; more output than one chunk
// of the tool's buffer.
void TestTrivoBank::largeFileMatchesTypedReaders_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("expected");
    QRandomGenerator random(20240101);
    const auto bytes = [&](qsizetype n) {
        QByteArray b(n, Qt::Uninitialized);
        for (char &c : b)
            c = char(random.bounded(256));
        return b;
    };
    const QByteArray otwet = bytes(20000 * OtwetRec::Size + 99);
    QTest::newRow("Otwet.dat") << "Otwet.dat" << otwet << typedLines<OtwetRec>(otwet);
    const QByteArray papka = bytes(20000 * PapkaRec::Size + 1);
    QTest::newRow("Papka.dat") << "Papka.dat" << papka << typedLines<PapkaRec>(papka);
}

void TestTrivoBank::largeFileMatchesTypedReaders()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QFile f(dir.filePath(fileName));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
    f.close();
    const ToolRun r = dump(f.fileName());
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n') >= 20000, true);
    if (r.out != expected) {
        qsizetype at = 0;
        while (at < r.out.size() && at < expected.size() && r.out[at] == expected[at])
            ++at;
        QFAIL(qPrintable(QStringLiteral("the output differs from byte %1 on").arg(at)));
    }
}

// A dump to a full disk must not look like a finished one.
void TestTrivoBank::outputThatCannotBeWrittenIsAnError()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("Tema.dat")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray rec(128, '\0');
    put(rec, 0, "1");
    f.write(rec.repeated(10));
    f.close();
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(TRIVO_BANK), {QStringLiteral("dump"), f.fileName()});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.contains("Tema.dat"), err.constData());
}

QTEST_GUILESS_MAIN(TestTrivoBank)
#include "test_trivobank.moc"
