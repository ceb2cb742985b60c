// Whole-file stores of record tables and text files: the new content is on the
// disk before it replaces the old file; a failed write or sync leaves the old
// file byte for byte, no temporary file, and an error with the system's reason.
#include "durablefile.h"
#include "errors.h"
#include "recordfile.h"
#include "textfile.h"

#include "TestFiles.h"

#include <QtTest>
#include <cerrno>
#include <sys/stat.h>

namespace
{
enum Store { Records, Lines, Pieces };
const QByteArray newContent[] = {"new1new2", "new\r\nline\r\n", "new1new2"};

// Content made piece by piece; a producer that fails throws after the first piece.
void storePieces(const QString &path, bool producerFails)
{
    const QByteArray pieces[] = {"new1", "new2", {}};
    int next = 0;
    RecordFile(path, 4).rewriteRecords([&]() -> QByteArrayView {
        if (producerFails && next == 1)
            throw TrivoError(QStringLiteral("строка не собрана"));
        return pieces[next++];
    });
}

void store(int how, const QString &path)
{
    if (how == Records)
        RecordFile(path, 4).rewriteRaw({"new1", "new2!"}); // the longer record is cut to size
    else if (how == Pieces)
        storePieces(path, false);
    else
        writeCp1251Lines(path, {"new", "line"});
}

QString storeError(int how, const QString &path)
{
    try {
        store(how, path);
    } catch (const TrivoError &e) {
        return e.text();
    }
    return {};
}

mode_t rightsOf(const QString &path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 07777;
}
} // namespace

class TestDurableStore : public QObject
{
    Q_OBJECT
private slots:
    void failureKeepsOldFile_data();
    void failureKeepsOldFile();
    void storeReplacesFile_data();
    void storeReplacesFile();
};

void TestDurableStore::failureKeepsOldFile_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<StoreStep>("step");
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("reason");
    for (int how : {Records, Lines, Pieces}) {
        const char *name = how == Records ? "records" : how == Lines ? "lines" : "pieces";
        QTest::addRow("%s, disk full while writing", name)
            << how << StoreStep::Write << ENOSPC << "No space left on device";
        QTest::addRow("%s, sync fails", name) << how << StoreStep::Sync << EIO << "Input/output error";
    }
}

void TestDurableStore::failureKeepsOldFile()
{
    QFETCH(int, how);
    QFETCH(StoreStep, step);
    QFETCH(int, err);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("Tema.dat");
    const QByteArray before("old content\r\n");
    QVERIFY(writeBytes(path, before));
    QString error;
    {
        const StoreFaultForTests fault(step, err);
        error = storeError(how, path);
    }
    QCOMPARE(error, QStringLiteral("Не удалось записать файл Tema.dat: %1").arg(reason));
    QCOMPARE(readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Tema.dat"});

    // A producer of pieces that fails half-way leaves the old file the same way.
    QVERIFY_THROWS_EXCEPTION(TrivoError, storePieces(path, true));
    QCOMPARE(readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Tema.dat"});
}

void TestDurableStore::storeReplacesFile_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("existed"); // else a new file, made with the rights the umask allows
    QTest::addColumn<bool>("viaLink"); // the link stays, its target gets the content
    for (int how : {Records, Lines, Pieces}) {
        const char *name = how == Records ? "records" : how == Lines ? "lines" : "pieces";
        QTest::addRow("%s, new file", name) << how << false << false;
        QTest::addRow("%s, old file keeps its rights", name) << how << true << false;
        QTest::addRow("%s, through a link", name) << how << true << true;
    }
}

void TestDurableStore::storeReplacesFile()
{
    QFETCH(int, how);
    QFETCH(bool, existed);
    QFETCH(bool, viaLink);
    QTemporaryDir dir;
    const QString path = dir.filePath("Tema.dat"), link = dir.filePath("link");
    if (existed) {
        QVERIFY(writeBytes(path, "old"));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup));
    }
    if (viaLink)
        QVERIFY(QFile::link(path, link));
    const mode_t oldMask = ::umask(022);
    store(how, viaLink ? link : path);
    ::umask(oldMask);
    QCOMPARE(readBytes(path), newContent[how]);
    QCOMPARE(rightsOf(path), existed ? mode_t(0660) : mode_t(0644));
    QCOMPARE(QFileInfo(link).isSymLink(), viaLink);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), viaLink ? 2 : 1);
}

QTEST_GUILESS_MAIN(TestDurableStore)
#include "test_durablestore.moc"
