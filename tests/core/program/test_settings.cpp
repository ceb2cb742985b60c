// The settings files of Baza: NoKor.qdx with its defaults and errors, colour
// names, the colour file CwetFona.qdx and the character table Win_Dos.qdx.
#include "errors.h"
#include "filesizelimit.h"
#include "settings.h"

#include "TestFiles.h"

#include <QtTest>

namespace
{

template <class F> QString errorOf(F &&f)
{
    try {
        f();
    } catch (const TrivoError &e) {
        return e.text();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void newNoKorHoldsTheDefaults();
    void existingNoKorIsReadNotReplaced();
    void noKorNumbers_data();
    void noKorNumbers();
    void noKorColourError();
    void colourNames_data();
    void colourNames();
    void notColourNames();
    void colourPainting();
    void zapParam_data();
    void zapParam();
    void zapParamSequence();
    void failedStoreKeepsOldFile();
    void savedColoursInLineOrder();
    void winDos();
};

void TestSettings::newNoKorHoldsTheDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("NoKor.qdx");
    const NoKor n = NoKor::readOrCreate(path);
    const QByteArray file = readBytes(path);
    // Line 1 is a placeholder word of our own choosing; the other nine are fixed.
    const QByteArray rest("\r\nQdx\r\nclGradientActiveCaption\r\n2003\r\n30\r\n5\r\n55\r\n70\r\n85\r\n5\r\n");
    QVERIFY2(file.endsWith(rest), file.constData());
    const QByteArray first = file.left(file.size() - rest.size());
    QVERIFY(!first.isEmpty() && !first.contains(' ') && !first.contains('\n'));
    QCOMPARE(file.count("\r\n"), 10);
    QCOMPARE(file.count('\n'), 10);

    QCOMPARE(n.lines.size(), 10);
    const int expected[] = {30, 5, 55, 70, 85, 5};
    for (int l = NoKor::BaseTime; l <= NoKor::Limit; ++l)
        QCOMPARE(n.number(NoKor::Line(l)), expected[l - NoKor::BaseTime]);
    QCOMPARE(colorToName(n.colour()), QStringLiteral("clGradientActiveCaption"));
}

void TestSettings::existingNoKorIsReadNotReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("NoKor.qdx");
    // LF alone is read as well; a short file reads its missing lines as empty.
    const QByteArray own("x\n\xC8\xE2\xE0\xED\xEE\xE2\nclRed\n2007\n 45\n");
    QVERIFY(writeBytes(path, own));
    NoKor n = NoKor::readOrCreate(path);
    QCOMPARE(readBytes(path), own);
    QCOMPARE(n.text(NoKor::UserName), QStringLiteral("Иванов"));
    QCOMPARE(n.number(NoKor::BaseTime), 45);
    QCOMPARE(n.text(NoKor::Limit), QString());
    QCOMPARE(errorOf([&] { n.number(NoKor::Limit); }), QStringLiteral("Invalid numeric input"));

    n.setText(NoKor::UserName, QStringLiteral("Пётр"));
    n.write(path);
    QCOMPARE(readBytes(path), QByteArray("x\r\n\xCF\xB8\xF2\xF0\r\nclRed\r\n2007\r\n 45\r\n\r\n\r\n\r\n\r\n\r\n"));
}

void TestSettings::noKorNumbers_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("result"); // the number, or the error text
    QTest::newRow("plain") << "30"
                           << "30";
    QTest::newRow("leading blanks") << "  7"
                                    << "7";
    QTest::newRow("negative") << "-3"
                              << "-3";
    QTest::newRow("letters") << "abc"
                             << "Invalid numeric input";
    QTest::newRow("empty") << ""
                           << "Invalid numeric input";
    QTest::newRow("real") << "3.5"
                          << "Invalid numeric input";
    QTest::newRow("trailing letter") << "12x"
                                     << "Invalid numeric input";
    QTest::newRow("beyond 32 bits") << "99999999999"
                                    << "Invalid numeric input";
}

void TestSettings::noKorNumbers()
{
    QFETCH(QString, line);
    QFETCH(QString, result);
    NoKor n = NoKor::defaults();
    n.setText(NoKor::Grade4, line);
    QString got;
    try {
        got = QString::number(n.number(NoKor::Grade4));
    } catch (const TrivoError &e) {
        got = e.text();
    }
    QCOMPARE(got, result);
}

void TestSettings::noKorColourError()
{
    NoKor n = NoKor::defaults();
    n.setText(NoKor::MainColour, QStringLiteral("clNoSuch"));
    QCOMPARE(errorOf([&] { n.colour(); }), QStringLiteral("'clNoSuch' is not a valid integer value"));
    n.setText(NoKor::MainColour, QStringLiteral(" clInfoBk "));
    QCOMPARE(colorToName(n.colour()), QStringLiteral("clInfoBk"));
}

void TestSettings::colourNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("code"); // -1: a desktop element colour, its code is ours to choose
    QTest::addColumn<QString>("written");
    QTest::newRow("clRed") << "clRed" << qint64(0x000000FF) << "clRed";
    QTest::newRow("clAqua with blanks") << " clAqua " << qint64(0x00FFFF00) << "clAqua";
    QTest::newRow("clGradientActiveCaption") << "clGradientActiveCaption" << qint64(-1) << "clGradientActiveCaption";
    QTest::newRow("clInfoBk") << "clInfoBk" << qint64(-1) << "clInfoBk";
    QTest::newRow("hex without a name") << "$00FF8040" << qint64(0x00FF8040) << "$00FF8040";
    QTest::newRow("hex lower case") << "$00ff8040" << qint64(0x00FF8040) << "$00FF8040";
    QTest::newRow("hex of a named colour") << "$000000FF" << qint64(0x000000FF) << "clRed";
    QTest::newRow("short hex") << "$12" << qint64(0x12) << "$00000012";
}

void TestSettings::colourNames()
{
    QFETCH(QString, name);
    QFETCH(qint64, code);
    QFETCH(QString, written);
    const auto c = colorFromName(name);
    QVERIFY(c.has_value());
    if (code >= 0)
        QCOMPARE(qint64(*c), code);
    QCOMPARE(colorToName(*c), written);
    QCOMPARE(colorFromName(written), c);
}

void TestSettings::notColourNames()
{
    for (const char *bad : {"", "   ", "clNoSuch", "red", "$", "$123456789", "$GG", "12abc"})
        QVERIFY2(!colorFromName(QString::fromLatin1(bad)).has_value(), bad);
    // Two element colours must not fall together, or one would be written as the other.
    QVERIFY(colorFromName("clInfoBk") != colorFromName("clGradientActiveCaption"));
    QVERIFY(colorFromName("clInfoBk") != colorFromName("clBtnFace"));
}

void TestSettings::colourPainting()
{
    // Stored as 00 BB GG RR, painted as RR GG BB.
    QCOMPARE(colorToRgb(*colorFromName("$00FF8040")), quint32(0x4080FF));
    QCOMPARE(colorToRgb(*colorFromName("clRed")), quint32(0xFF0000));
    QCOMPARE(colorToName(colorFromRgb(0x4080FF)), QStringLiteral("$00FF8040"));
    QCOMPARE(colorToName(colorFromRgb(0x00FFFF)), QStringLiteral("clAqua"));
}

void TestSettings::zapParam_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("clRed under Form1, empty file") << true << QByteArray() << "Form1"
                                                   << "clRed" << QByteArray("Form1 clRed\r\n");
    QTest::newRow("missing file counts as empty") << false << QByteArray() << "Form1"
                                                  << "clRed" << QByteArray("Form1 clRed\r\n");
    QTest::newRow("Form12 found by Form1, rewritten as Form1")
        << true << QByteArray("Form12 clRed\r\nOtwet clAqua\r\n") << "Form1"
        << "clLime" << QByteArray("Form1 clLime\r\nOtwet clAqua\r\n");
    QTest::newRow("the first of two matches") << true << QByteArray("Form1x a\r\nForm1 b\r\n") << "Form1"
                                              << "c" << QByteArray("Form1 c\r\nForm1 b\r\n");
    QTest::newRow("key found only at the start") << true << QByteArray("MyForm1 a\r\n") << "Form1"
                                                 << "b" << QByteArray("MyForm1 a\r\nForm1 b\r\n");
    QTest::newRow("value cut to 20") << true << QByteArray() << "Otwet"
                                     << "$00FF8040$00FF8040XYZ" << QByteArray("Otwet $00FF8040$00FF8040XY\r\n");
    QTest::newRow("line without blank becomes a single blank")
        << true << QByteArray("garbage\r\nForm1 clRed\r\n") << "Otwet"
        << "clAqua" << QByteArray(" \r\nForm1 clRed\r\nOtwet clAqua\r\n");
    QTest::newRow("empty line counts as a line") << true << QByteArray("Form1 clRed\r\n\r\n") << "Otwet"
                                                 << "clAqua" << QByteArray("Form1 clRed\r\n \r\nOtwet clAqua\r\n");
    QTest::newRow("values read trimmed, LF alone") << true << QByteArray("Otwet    clAqua   \nForm1 clRed\n") << "Form1"
                                                   << " clBlue " << QByteArray("Otwet clAqua\r\nForm1 clBlue\r\n");
    QTest::newRow("empty key matches nothing") << true << QByteArray("Form1 clRed\r\n") << ""
                                               << "clLime" << QByteArray("Form1 clRed\r\n clLime\r\n");
}

void TestSettings::zapParam()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath("CwetFona.qdx");
    if (exists)
        QVERIFY(writeBytes(path, before));
    ZapParam(path, value, key);
    QCOMPARE(readBytes(path), after);
}

void TestSettings::zapParamSequence()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("CwetFona.qdx");
    QVERIFY(writeBytes(path, {}));
    const struct {
        const char *value, *key;
        QByteArray after;
    } steps[] = {{"clRed", "Form1", "Form1 clRed\r\n"},
                 {"clAqua", "Otwet", "Form1 clRed\r\nOtwet clAqua\r\n"},
                 {"clBlue", "Form1", "Form1 clBlue\r\nOtwet clAqua\r\n"},
                 {"$00FF8040", "Otwet", "Form1 clBlue\r\nOtwet $00FF8040\r\n"}};
    for (const auto &s : steps) {
        ZapParam(path, s.value, s.key);
        QCOMPARE(readBytes(path), s.after);
    }
}

void TestSettings::failedStoreKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("CwetFona.qdx");
    const QByteArray before("Form1 clRed\r\nOtwet clAqua\r\n");
    QVERIFY(writeBytes(path, before));
    QString error;
    {
        const FileSizeLimit limit(20);
        QVERIFY(limit.active());
        error = errorOf([&] { ZapParam(path, "clBlue", "Form1"); });
    }
    QVERIFY2(error.contains(QStringLiteral("CwetFona.qdx")), qPrintable(error));
    QCOMPARE(readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"CwetFona.qdx"});
}

void TestSettings::savedColoursInLineOrder()
{
    const QStringList lines{"Form1 clRed",   "Otwet  clAqua ", "Other clLime",
                            " Form1 clGray", "Form1 clBlue",   "Otwet " + QString(25, u'x')};
    const auto colours = savedColours(lines);
    QCOMPARE(colours.size(), size_t(4));
    QHash<QString, QString> applied;
    for (const auto &c : colours)
        applied[c.key] = c.name;
    QCOMPARE(colours[1].name, QStringLiteral("clAqua"));
    QCOMPARE(applied.value("Form1"), QStringLiteral("clBlue")); // the later line wins
    QCOMPARE(applied.value("Otwet"), QString(20, u'x'));
}

void TestSettings::winDos()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Win_Dos.qdx");
    QCOMPARE(errorOf([&] { WinDos::read(path); }), QStringLiteral("File not found"));
    QVERIFY(writeBytes(path, "\xC0\xC1\xC2\r\nabc\r\n"));
    const WinDos t = WinDos::read(path);
    QCOMPARE(t.target, QStringLiteral("АБВ"));
    QCOMPARE(t.source, QStringLiteral("abc"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
