// Word-processor documents read through the office converter, and what
// happens when it is missing, fails or hangs.
#include "DocumentModel.h"
#include "DocxWriter.h"
#include "FakeConverter.h"
#include "SampleFiles.h"
#include "TestFiles.h"
#include "errors.h"
#include "wordfiles.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

Q_DECLARE_METATYPE(ImportEncoding)

namespace
{

const QByteArray rtf =
    "{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'f0\\'ee\\'e1\\'e8\\par 1. \\u1042?\\'ee\\'ef\\'f0\\'ee\\'f1\\par}";
const QStringList rtfLines{"Дроби", "1. Вопрос"};

// Whether a process is still running (a zombie waiting for its parent counts as ended).
bool running(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray s = stat.readAll();
    const qsizetype close = s.lastIndexOf(')');
    return close < 0 || s.mid(close + 2, 1) != "Z";
}

} // namespace

class TestWordFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QString fileWith(const QString &name, const QByteArray &bytes)
    {
        const QString p = dir.filePath(name);
        writeBytes(p, bytes);
        return p;
    }

    QString readError(const QString &path, int timeoutMs = ConversionTimeoutMs)
    {
        try {
            readImportDocument(path, timeoutMs);
        } catch (const TrivoError &e) {
            return e.text();
        }
        return QStringLiteral("<no error>");
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true); // the converter's profile stays out of the real cache
        QVERIFY(dir.isValid());
    }
    void cleanup() { qunsetenv("TRIVO_SOFFICE"); }

    void withoutTheConverter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("error");
        QTest::newRow("RTF by our reader") << "a.rtf" << rtf << rtfLines << QString();
        QTest::newRow("RTF named .doc") << "b.DOC" << rtf << rtfLines << QString();
        QTest::newRow("plain text is never converted")
            << "c.txt" << QByteArray("Тема") << QStringList{"Тема"} << QString();
        QTest::newRow("docx") << "d.docx" << QByteArray("PK\x03\x04") << QStringList{} << "libreoffice-writer";
        QTest::newRow("odt") << "e.odt" << QByteArray("PK\x03\x04") << QStringList{} << "«e.odt»";
        QTest::newRow("Word 97") << "f.doc" << QByteArray("\xD0\xCF\x11\xE0") << QStringList{} << "LibreOffice";
    }
    void withoutTheConverter()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        qputenv("TRIVO_SOFFICE", dir.filePath("no-such-program").toLocal8Bit());
        QCOMPARE(documentConverter(), QString());
        const QString path = fileWith(name, bytes);
        if (error.isEmpty()) {
            const ImportText t = readImportDocument(path);
            QCOMPARE(t.lines, lines);
            QVERIFY(!t.converted);
        } else {
            QVERIFY2(readError(path).contains(error), qPrintable(readError(path)));
        }
        QCOMPARE(readError(dir.filePath("missing.docx")), fileNotFoundText());
    }

    void converterOutcomes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("error"); // empty: the text is read
        QTest::newRow("text made") << QByteArray() << 20000 << QString();
        QTest::newRow("fails and says why")
            << QByteArray("echo 'Error: source file could not be loaded' >&2; echo 'Warning: no java' >&2; exit 1")
            << 20000 << "Error: source file could not be loaded";
        QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << 20000 << "аварийно";
        QTest::newRow("exits with a code") << QByteArray("exit 3") << 20000 << "код завершения 3";
        QTest::newRow("writes nothing") << QByteArray("exit 0") << 20000 << "текст не получен";
        QTest::newRow("hangs") << QByteArray("touch \"$TMPDIR/lu1.tmp\"; printf '%s' \"$TMPDIR\" > \"$0.tmpdir\"; "
                                             "sleep 60 & echo $! > \"$0.child\"; wait")
                               << 500 << "за 1 с";
    }
    void converterOutcomes()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, timeoutMs);
        QFETCH(QString, error);
        const QString script = dir.filePath(QStringLiteral("conv-%1").arg(QTest::currentDataTag()));
        QVERIFY(writeFakeConverter(script, body, "\xEF\xBB\xBF Дроби\n\n1. Вопрос\n"));
        qputenv("TRIVO_SOFFICE", script.toLocal8Bit());
        const QString doc = fileWith("Мой тест.docx", "PK");
        QElapsedTimer clock;
        clock.start();
        if (error.isEmpty()) {
            const ImportText t = readImportDocument(doc, timeoutMs);
            QCOMPARE(t.lines, QStringList({"Дроби", "1. Вопрос"}));
            QCOMPARE(t.encoding, ImportEncoding::Utf8);
            QVERIFY(t.converted);
        } else {
            const QString text = readError(doc, timeoutMs);
            QVERIFY2(text.contains(error) && text.contains("«Мой тест.docx»"), qPrintable(text));
        }
        QVERIFY(clock.elapsed() < 15000);

        // How the converter was called: on a copy, with a profile of its own,
        // and the temporary folder is gone afterwards.
        const QStringList args = QString::fromUtf8(readBytes(script + ".args")).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(args.size(), 8);
        QCOMPARE(args[0], "-env:UserInstallation=" + QUrl::fromLocalFile(converterProfileFolder()).toString());
        QCOMPARE(args.mid(1, 5),
                 QStringList({"--headless", "--norestore", "--convert-to", "txt:Text (encoded):UTF8", "--outdir"}));
        QVERIFY(args[7].endsWith("/document.docx"));
        QVERIFY(!QFileInfo::exists(args[7]));
        QVERIFY(!QFileInfo::exists(args[6]));

        // Its own temporary files were kept in ours, and went with it.
        if (QFileInfo::exists(script + ".tmpdir")) {
            const QString tmp = QString::fromUtf8(readBytes(script + ".tmpdir"));
            QVERIFY2(tmp.startsWith(QFileInfo(args[7]).path() + u'/'), qPrintable(tmp));
            QVERIFY(!QFileInfo::exists(tmp));
        }

        // A hung converter is stopped together with what it started.
        if (QFileInfo::exists(script + ".child")) {
            const qint64 child = readBytes(script + ".child").trimmed().toLongLong();
            QVERIFY(child > 0);
            QTRY_VERIFY_WITH_TIMEOUT(!running(child), 5000);
        }
    }

    void staleConverterSocketsAreRemoved()
    {
        // A socket nobody listens on goes; a listening one, another user's
        // name and anything that is no socket stay.
        const QString prefix = QStringLiteral("OSL_PIPE_%1_SingleOfficeIPC_").arg(::getuid());
        QTemporaryDir folder;
        // A socket bound at name; it listens while its descriptor is open.
        auto bound = [&](const QString &name) {
            const QByteArray path = QFile::encodeName(folder.filePath(name));
            sockaddr_un addr = {};
            addr.sun_family = AF_UNIX;
            std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 && ::listen(fd, 1) == 0)
                return fd;
            return -1;
        };
        const int stale = bound(prefix + "stale"), other = bound(QStringLiteral("OSL_PIPE_99999_other"));
        const int live = bound(prefix + "live");
        QVERIFY(stale >= 0 && other >= 0 && live >= 0);
        ::close(stale);
        ::close(other);
        QVERIFY(writeBytes(folder.filePath(prefix + "file"), "x"));

        removeStaleConverterPipes(folder.path());
        QStringList left = QDir(folder.path()).entryList(QDir::System | QDir::Files | QDir::Hidden);
        QStringList expected{"OSL_PIPE_99999_other", prefix + "file", prefix + "live"};
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
        ::close(live);
    }

    // The real converter, when installed: a .docx of our own writer and the
    // shipped sample paper (an RTF document named .doc), which must read the
    // same as through our own RTF reader.
    void realConverter()
    {
        if (documentConverter().isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        DocumentModel m;
        m.insertAfter(QStringLiteral("Дроби"));
        m.insertParagraphAfter();
        m.insertAfter(QStringLiteral("1. Чему равна половина от 10?"));
        m.insertParagraphAfter();
        m.insertParagraphAfter();
        m.insertAfter(QStringLiteral("  +б) 5 «пять»"));
        const ImportText docx = readImportDocument(fileWith("paper.docx", docxPackage(m)));
        QCOMPARE(docx.lines, QStringList({"Дроби", "1. Чему равна половина от 10?", "+б) 5 «пять»"}));
        QVERIFY(docx.converted);

        const QString sample = sampleFile("FIPI_Obrazec_2007.doc");
        const ImportText converted = readImportDocument(sample);
        QVERIFY(converted.converted);
        QCOMPARE(converted.lines, readImportText(sample).lines);
    }
};

QTEST_GUILESS_MAIN(TestWordFiles)
#include "test_wordfiles.moc"
