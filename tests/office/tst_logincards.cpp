// «Карточки для входа»: every pupil's name, class and code on a card of the
// document, in the .docx written from it, and ten cards to a PDF page.
#include "DocxDocument.h"
#include "DocxWriter.h"
#include "LoginCards.h"
#include "xmltree.h"

#include <QRegularExpression>
#include <QtTest>

namespace
{
// n cards, the last `others` of them of another class.
std::vector<LoginCard> cards(int n, int others = 0)
{
    std::vector<LoginCard> out;
    for (int i = 0; i < n; ++i)
        out.push_back({QStringLiteral("Ученица Номер %1 <&>").arg(i), i < n - others ? "9Б" : "10А",
                       QStringLiteral("%1").arg(100000 + i * 7919)});
    return out;
}

int pdfPages(const QByteArray &pdf)
{
    return int(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}
} // namespace

class LoginCardsTest : public QObject
{
    Q_OBJECT
private slots:
    void everyPupilHasACard_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("others"); // of a second class
        QTest::addColumn<int>("pages");
        QTest::newRow("none") << 0 << 0 << 1;
        QTest::newRow("one") << 1 << 0 << 1;
        QTest::newRow("a page full") << loginCardsPerPage << 0 << 1;
        QTest::newRow("one more") << loginCardsPerPage + 1 << 0 << 2;
        QTest::newRow("a class") << 27 << 0 << 3;
        QTest::newRow("two classes share no page") << 5 << 2 << 2;
        QTest::newRow("a class after a full page") << 12 << 2 << 2;
    }

    void everyPupilHasACard()
    {
        QFETCH(int, count);
        QFETCH(int, others);
        QFETCH(int, pages);
        const std::vector<LoginCard> list = cards(count, others);
        DocxDocument doc;
        fillLoginCards(doc, QStringLiteral("Карточки для входа"), list);
        QCOMPARE(doc.tableCount(), (count ? 1 : 0) + (others ? 1 : 0));
        const QString xml = QString::fromUtf8(documentXml(doc.model()));
        for (int i = 0; i < count; ++i) {
            const LoginCard &c = list[size_t(i)];
            const bool second = i >= count - others;
            const int k = second ? i - (count - others) : i;
            const auto &cell =
                doc.model().tableAt(second ? 2 : 1).cell(k / loginCardColumns + 1, k % loginCardColumns + 1);
            QCOMPARE(cell.front().text,
                     QStringLiteral("%1\nКласс: %2\nКод для входа: %3").arg(c.fio, c.className, c.code));
            QVERIFY(xml.contains(xmlEscaped(c.fio)) && xml.contains(c.code));
        }
        QCOMPARE(pdfPages(loginCardsPdf(QStringLiteral("Карточки"), list)), pages);
    }

    // Both files beside each other, an earlier pair never replaced.
    void writesBothFiles()
    {
        QTemporaryDir dir;
        const LoginCardFiles first =
            writeLoginCards(dir.path(), loginCardsFileBase(QStringLiteral("9Б")), QStringLiteral("9Б"), cards(3));
        const LoginCardFiles second =
            writeLoginCards(dir.path(), loginCardsFileBase(QStringLiteral("9Б")), QStringLiteral("9Б"), cards(3));
        QCOMPARE(QFileInfo(first.docx).fileName(), QStringLiteral("Карточки_9Б.docx"));
        QCOMPARE(QFileInfo(second.pdf).fileName(), QStringLiteral("Карточки_9Б_2.pdf"));
        QFile docx(first.docx);
        QVERIFY(docx.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(zipEntry(docx.readAll(), QStringLiteral("word/document.xml")))
                    .contains(cards(3)[2].code));
    }
};

QTEST_MAIN(LoginCardsTest)
#include "tst_logincards.moc"
