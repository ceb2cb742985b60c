// The small shared helpers: numbers shown in cells and counters, the range
// test, half-to-even rounding and the program's random sequence.
#include "programstate.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestHelpers : public QObject
{
    Q_OBJECT
private slots:
    void pathsStayInsideTheInstallationFolder_data();
    void pathsStayInsideTheInstallationFolder();
    void nomerIz_data();
    void nomerIz();
    void nomerPlusMinus_data();
    void nomerPlusMinus();
    void vPredelah();
    void roundHalfEven_data();
    void roundHalfEven();
    void randomSequence_data();
    void randomSequence();
};

void TestHelpers::nomerIz_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result"); // the number, or the error text
    QTest::newRow("+3") << "+3"
                        << "3";
    QTest::newRow("3*") << "3*"
                        << "3";
    QTest::newRow("12") << "12"
                        << "12";
    QTest::newRow("+12 takes one digit") << "+12"
                                         << "1";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("blanks only") << "   "
                                 << "0";
    QTest::newRow("blanks around") << " 7 "
                                   << "7";
    QTest::newRow("+ wins over *") << "4*+5"
                                   << "5";
    QTest::newRow("first star") << "12*5*"
                                << "2";
    QTest::newRow("abc") << "abc"
                         << "'abc' is not a valid integer value";
    QTest::newRow("nothing after +") << "3+"
                                     << "'' is not a valid integer value";
    QTest::newRow("nothing before *") << "*3"
                                      << "'' is not a valid integer value";
    QTest::newRow("letter after +") << "+x"
                                    << "'x' is not a valid integer value";
}

void TestHelpers::nomerIz()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QString got;
    try {
        got = QString::number(NomerIz(text));
    } catch (const TrivoError &e) {
        got = e.text();
    }
    QCOMPARE(got, result);
}

void TestHelpers::nomerPlusMinus_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plus");
    QTest::addColumn<QString>("minus");
    QTest::newRow("empty") << ""
                           << "1"
                           << " ";
    QTest::newRow("0") << "0"
                       << "1"
                       << " ";
    QTest::newRow("1") << "1"
                       << "2"
                       << " ";
    QTest::newRow("2") << "2"
                       << "3"
                       << "1";
    QTest::newRow("5") << "5"
                       << "6"
                       << "4";
    QTest::newRow("9 -> 10") << "9"
                             << "10"
                             << "8";
    QTest::newRow("+3") << "+3"
                        << "4"
                        << "2";
    QTest::newRow("negative") << "-4"
                              << "-3"
                              << " ";
}

void TestHelpers::nomerPlusMinus()
{
    QFETCH(QString, text);
    QFETCH(QString, plus);
    QFETCH(QString, minus);
    QCOMPARE(NomerPlus(text), plus);
    QCOMPARE(NomerMinus(text), minus);
}

void TestHelpers::vPredelah()
{
    QVERIFY(VPredelah(55, 55, 69));
    QVERIFY(VPredelah(69, 55, 69));
    QVERIFY(VPredelah(62.5, 55, 69));
    QVERIFY(!VPredelah(54.9, 55, 69));
    QVERIFY(!VPredelah(69.01, 55, 69));
    QVERIFY(!VPredelah(60, 69, 55));
}

void TestHelpers::roundHalfEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<qint64>("rounded");
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("0.5") << 0.5 << qint64(0);
    QTest::newRow("1.5") << 1.5 << qint64(2);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("-3.5") << -3.5 << qint64(-4);
    QTest::newRow("-0.5") << -0.5 << qint64(0);
    QTest::newRow("0.49999") << 0.49999 << qint64(0);
    QTest::newRow("2.50001") << 2.50001 << qint64(3);
    QTest::newRow("-2.6") << -2.6 << qint64(-3);
    QTest::newRow("-0.4") << -0.4 << qint64(0);
    QTest::newRow("large half") << 1e10 + 0.5 << qint64(10000000000);
}

void TestHelpers::roundHalfEven()
{
    QFETCH(double, x);
    QFETCH(qint64, rounded);
    QCOMPARE(::roundHalfEven(x), rounded);
}

void TestHelpers::randomSequence_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("0") << quint32(0);
    QTest::newRow("1") << quint32(1);
    QTest::newRow("all bits") << quint32(0xFFFFFFFF);
    QTest::newRow("clock-like") << quint32(1718000000);
}

void TestHelpers::randomSequence()
{
    QFETCH(quint32, seed);
    RandomGen g(seed);
    quint64 state = seed; // the same sequence, computed in 64 bits and cut by hand
    for (int i = 0; i < 20; ++i) {
        state = (state * 134775813ull + 1ull) % 4294967296ull;
        const double expected = double(state) / 4294967296.0;
        const double got = g.next();
        QCOMPARE(got, expected);
        QVERIFY(got >= 0.0 && got < 1.0);
        QCOMPARE(quint64(g.state()), state);
    }
    g.seed(seed);
    RandomGen again(seed);
    const double r = again.next();
    QCOMPARE(g.draw(10), ::roundHalfEven(r * 10));
}

void TestHelpers::pathsStayInsideTheInstallationFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("plain") << "Istoriy" << true;
    QTest::newRow("blanks around") << "  Geogr " << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("up") << ".." << false;
    QTest::newRow("up and over") << "../x" << false;
    QTest::newRow("absolute") << "/tmp" << false;
    QTest::newRow("down") << "a/b" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("dots inside") << "a..b" << false;
    QTest::newRow("this folder") << "." << false;
    QTest::newRow("link out") << "out" << false;
    QTest::newRow("link in") << "in" << true;
}

void TestHelpers::pathsStayInsideTheInstallationFolder()
{
    QFETCH(QString, folder);
    QFETCH(bool, accepted);
    QTemporaryDir root, elsewhere;
    QVERIFY(QDir(root.path()).mkdir(QStringLiteral("Real")));
    QVERIFY(QFile::link(elsewhere.path(), root.filePath(QStringLiteral("out"))));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("Real")), root.filePath(QStringLiteral("in"))));
    setInstallRoot(root.path());

    const QString problem = subjectFolderProblem(QStringLiteral("История"), folder);
    QCOMPARE(problem.isEmpty(), accepted);
    if (accepted) {
        QCOMPARE(subjectFolderPath(folder), root.filePath(folder.trimmed()));
        QCOMPARE(*fotoPath(folder, QStringLiteral("1_1_1_1.gif")),
                 root.filePath(folder.trimmed() + QStringLiteral("/Foto/1_1_1_1.gif")));
        for (const QString bad : {"", "..", "../x.txt", "a/b.txt", "a\\b.txt"})
            QVERIFY2(!fotoPath(folder, bad), qPrintable(bad));
    } else {
        QVERIFY(problem.contains(QStringLiteral("«История»")));
        QVERIFY(problem.contains(QStringLiteral("«") + folder + QStringLiteral("»")));
        QVERIFY_THROWS_EXCEPTION(TrivoError, subjectFolderPath(folder));
        QVERIFY(!fotoPath(folder, QStringLiteral("x.txt")));
    }
    // A relative path may go down but never up or out.
    QVERIFY(insidePath(QStringLiteral("Baza/Papka.dat")));
    QVERIFY(!insidePath(QStringLiteral("Baza/../../x")));
    QVERIFY(!insidePath(QStringLiteral("out/x")));
    QVERIFY(!insidePath(root.path() + QStringLiteral("/Baza")));
}

QTEST_GUILESS_MAIN(TestHelpers)
#include "test_helpers.moc"
