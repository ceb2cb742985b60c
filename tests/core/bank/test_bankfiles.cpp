// Record files of a subject folder: partial records, whole-file rewrites that
// never leave a half-written table, the five bank files and Exam.dat, and the
// rules that link records by their codes.
#include "bank.h"
#include "errors.h"
#include "filesizelimit.h"

#include "TestFiles.h"

#include <QtTest>

namespace
{

TemaRec topic(const QString &tema, const QString &name)
{
    return {QStringLiteral("1"), tema, name};
}

QString rewriteError(const RecordFile &f, const std::vector<TemaRec> &recs)
{
    try {
        f.rewrite(recs);
    } catch (const TrivoError &e) {
        return e.text();
    }
    return {};
}

} // namespace

class TestBankFiles : public QObject
{
    Q_OBJECT
private slots:
    void trailingPartialRecordIsNotRead();
    void shorterRewriteLeavesNoOldRecords();
    void failedRewriteKeepsOldFile_data();
    void failedRewriteKeepsOldFile();
    void rewriteIntoUnusableFolderIsReported();
    void openOrCreate();
    void emptyFolderGetsFiveEmptyFiles();
    void examIsBuiltFromTopicsInOrder();
    void existingExamIsNeverRebuilt();
    void codesMatchAsTrimmedText_data();
    void codesMatchAsTrimmedText();
    void answerTypeFromRoleCodes_data();
    void answerTypeFromRoleCodes();
};

void TestBankFiles::trailingPartialRecordIsNotRead()
{
    QTemporaryDir dir;
    const RecordFile f(dir.filePath("Tema.dat"), TemaRec::Size);
    QVERIFY(writeBytes(f.path(), topic("1", "A").encode() + topic("2", "B").encode() + QByteArray(50, 'z')));
    QCOMPARE(f.count(), 2);
    const auto recs = f.readAll<TemaRec>();
    QCOMPARE(recs.size(), size_t(2));
    QCOMPARE(recs[1].Nazwan, QStringLiteral("B"));
    QCOMPARE(f.readRaw(1), topic("2", "B").encode());
    QVERIFY(f.readRaw(2).isEmpty());
    QVERIFY(f.readRaw(-1).isEmpty());

    // An appended record goes after the last whole one, not after the partial bytes.
    f.append(topic("3", "C"));
    QCOMPARE(f.count(), 3);
    QCOMPARE(QFileInfo(f.path()).size(), 3 * TemaRec::Size);
    QCOMPARE(f.readAll<TemaRec>()[2].Nazwan, QStringLiteral("C"));
}

void TestBankFiles::shorterRewriteLeavesNoOldRecords()
{
    QTemporaryDir dir;
    const RecordFile f(dir.filePath("Tema.dat"), TemaRec::Size);
    f.rewrite(std::vector<TemaRec>{topic("1", "A"), topic("2", "B"), topic("3", "C")});
    QCOMPARE(f.count(), 3);
    f.rewrite(std::vector<TemaRec>{topic("9", "Z")});
    QCOMPARE(readBytes(f.path()), topic("9", "Z").encode());
    f.rewrite(std::vector<TemaRec>{});
    QCOMPARE(QFileInfo(f.path()).size(), 0);
}

void TestBankFiles::failedRewriteKeepsOldFile_data()
{
    QTest::addColumn<bool>("byFolderRights");
    QTest::newRow("write cut short by the file size limit") << false;
    QTest::newRow("read-only folder") << true;
}

void TestBankFiles::failedRewriteKeepsOldFile()
{
    QFETCH(bool, byFolderRights);
    QTemporaryDir dir;
    const RecordFile f(dir.filePath("Tema.dat"), TemaRec::Size);
    f.rewrite(std::vector<TemaRec>{topic("1", QStringLiteral("Старая тема"))});
    const QByteArray before = readBytes(f.path());
    const std::vector<TemaRec> bigger(3, topic("2", QStringLiteral("Новая тема")));

    QString error;
    if (byFolderRights) {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        if (QFile probe(dir.filePath("probe")); probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("folder rights do not stop this user (root)");
        }
        error = rewriteError(f, bigger);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else {
        const FileSizeLimit limit(200);
        QVERIFY(limit.active());
        error = rewriteError(f, bigger);
    }
    QVERIFY2(error.contains(QStringLiteral("Tema.dat")), qPrintable(error));
    QCOMPARE(readBytes(f.path()), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Tema.dat"});
}

void TestBankFiles::rewriteIntoUnusableFolderIsReported()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("plain"), "not a folder"));
    const RecordFile f(dir.filePath("plain/Otwet.dat"), OtwetRec::Size);
    QString error;
    try {
        f.rewrite(std::vector<OtwetRec>(1));
    } catch (const TrivoError &e) {
        error = e.text();
    }
    QVERIFY2(error.contains(QStringLiteral("Otwet.dat")), qPrintable(error));
    QVERIFY_THROWS_EXCEPTION(TrivoError, f.openOrCreate());
    QCOMPARE(readBytes(dir.filePath("plain")), QByteArray("not a folder"));
}

void TestBankFiles::openOrCreate()
{
    QTemporaryDir dir;
    const RecordFile f(dir.filePath("Wopros.dat"), WoprosRec::Size);
    f.openOrCreate();
    QVERIFY(QFileInfo::exists(f.path()));
    QCOMPARE(f.count(), 0);
    const QByteArray one = WoprosRec{"1", "1", "1", "1", "Q", "", "1", ""}.encode();
    QVERIFY(writeBytes(f.path(), one));
    f.openOrCreate();
    QCOMPARE(readBytes(f.path()), one);
}

void TestBankFiles::emptyFolderGetsFiveEmptyFiles()
{
    QTemporaryDir dir;
    const BankFiles bank(dir.path());
    bank.openAll();
    for (const char *name : {"Tema.dat", "Exam.dat", "Otwet.dat", "Wopros.dat", "Predmet.dat"}) {
        QVERIFY2(QFileInfo::exists(dir.filePath(name)), name);
        QCOMPARE(QFileInfo(dir.filePath(name)).size(), 0);
    }
    QVERIFY(!QFileInfo::exists(dir.filePath("Temp.dat")));
    QCOMPARE(bank.tema.count(), 0);
    QCOMPARE(bank.wopros.count(), 0);
}

void TestBankFiles::examIsBuiltFromTopicsInOrder()
{
    QTemporaryDir dir;
    const BankFiles bank(dir.path());
    bank.tema.rewrite(std::vector<TemaRec>{topic("3", QStringLiteral("Третья")), topic(" 1", "First"),
                                           topic("20", QStringLiteral("Двадцатая"))});
    bank.openAll();
    const auto exam = bank.exam.readAll<ExamRec>();
    QCOMPARE(exam.size(), size_t(3));
    const QStringList codes{"3", " 1", "20"};
    const QStringList names{QStringLiteral("Третья"), "First", QStringLiteral("Двадцатая")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(exam[i].Predm, QStringLiteral("1"));
        QCOMPARE(exam[i].Tema, codes[i]);
        QCOMPARE(exam[i].Nazwan, names[i]);
        QCOMPARE(exam[i].Woprosov, QStringLiteral("5"));
        QCOMPARE(exam[i].Nado, QStringLiteral("1"));
    }
    QCOMPARE(QFileInfo(bank.exam.path()).size(), 3 * ExamRec::Size);
}

void TestBankFiles::existingExamIsNeverRebuilt()
{
    QTemporaryDir dir;
    const BankFiles bank(dir.path());
    bank.tema.rewrite(std::vector<TemaRec>{topic("1", "A"), topic("2", "B")});
    QVERIFY(writeBytes(bank.exam.path(), {}));
    bank.openAll();
    QCOMPARE(bank.exam.count(), 0);

    const QByteArray own = ExamRec{"1", "1", "A", "7", "2"}.encode();
    QVERIFY(writeBytes(bank.exam.path(), own));
    bank.tema.append(topic("3", "C"));
    QVERIFY(!openOrBuildExam(bank.exam, bank.tema));
    bank.openAll();
    QCOMPARE(readBytes(bank.exam.path()), own);
}

void TestBankFiles::codesMatchAsTrimmedText_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("blank before 7") << " 7"
                                    << "7" << true;
    QTest::newRow("blanks and tab around") << "\t7 "
                                           << " 7" << true;
    QTest::newRow("07 is not 7") << "07"
                                 << "7" << false;
    QTest::newRow("7.0 is not 7") << "7.0"
                                  << "7" << false;
    QTest::newRow("case counts") << "a"
                                 << "A" << false;
    QTest::newRow("inner blank counts") << "1 2"
                                        << "12" << false;
    QTest::newRow("empty and blanks") << ""
                                      << "  " << true;
}

void TestBankFiles::codesMatchAsTrimmedText()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(sameCode(a, b), same);
    QCOMPARE(sameCode(b, a), same);
    // The picture name joins the same trimmed codes.
    QCOMPARE(questionKey(a, " 12 ", "3", b) == questionKey(b, "12", "3 ", a), same);
    if (a == " 7")
        QCOMPARE(questionKey(a, " 12 ", "3", b), QStringLiteral("7_12_3_7"));
}

void TestBankFiles::answerTypeFromRoleCodes_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *tag, const QStringList &codes, AnswerType t, const QString &text) {
        QTest::newRow(tag) << codes << int(t) << text;
    };
    const QString matching = QStringLiteral("Соответствие"), classification = QStringLiteral("Проставить номера"),
                  exact = QStringLiteral("Точный ответ"), ranking = QStringLiteral("Ранжирование"),
                  ticks = QStringLiteral("Птички поставить");
    row("+ + - -", {"+", "+", "-", "-"}, AnswerType::Matching, matching);
    row("+ - -", {"+", "-", "-"}, AnswerType::Classification, classification);
    row("+ + -", {"+", "+", "-"}, AnswerType::Classification, classification);
    row("Ф", {QStringLiteral("Ф")}, AnswerType::Exact, exact);
    row("1 1 1", {"1", "1", "1"}, AnswerType::Ranking, ranking);
    row("+ and two empty", {"+", "", ""}, AnswerType::Ticks, ticks);
    row("codes with blanks", {" + ", "-\t"}, AnswerType::Matching, matching);
    row("matching before exact", {"+", "-", QStringLiteral("Ф")}, AnswerType::Matching, matching);
    row("+ without - is no matching", {"+", QStringLiteral("Ф")}, AnswerType::Exact, exact);
    row("exact before ranking", {"1", QStringLiteral("Ф")}, AnswerType::Exact, exact);
    row("one 1 is enough", {"", "1", "x"}, AnswerType::Ranking, ranking);
    row("other characters", {"x", "2"}, AnswerType::Ticks, ticks);
    row("no options", {}, AnswerType::Ticks, ticks);
}

void TestBankFiles::answerTypeFromRoleCodes()
{
    QFETCH(QStringList, codes);
    QFETCH(int, type);
    QFETCH(QString, text);
    QCOMPARE(int(answerTypeOf(codes)), type);
    QCOMPARE(answerTypeText(answerTypeOf(codes)), text);
}

QTEST_GUILESS_MAIN(TestBankFiles)
#include "test_bankfiles.moc"
