// The installation folder as the build assembles it: the demo bank must be a
// bank a pupil can take (every question answerable, of each answer type), and
// the files of Baza and Help must be in the forms the program opens.
#include "bank.h"
#include "RunTool.h"
#include "text.h"

#include <QtTest>
#include <map>

namespace
{

const QString dist = QStringLiteral(DIST_DIR);
const QString bankDir = dist + QStringLiteral("/Istoriy");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Question {
    WoprosRec rec;
    std::vector<OtwetRec> options;
};

std::vector<Question> questionsWithOptions()
{
    const BankFiles bank(bankDir);
    const auto options = bank.otwet.readAll<OtwetRec>();
    std::vector<Question> out;
    for (const WoprosRec &w : bank.wopros.readAll<WoprosRec>()) {
        Question q{w, {}};
        for (const OtwetRec &o : options)
            if (sameCode(o.Predm, w.Predm) && sameCode(o.Tema, w.Tema) && sameCode(o.Test, w.Test) &&
                sameCode(o.Wopr, w.Wopr))
                q.options.push_back(o);
        out.push_back(q);
    }
    return out;
}

QStringList labelsOf(const std::vector<OtwetRec> &options, const QString &code)
{
    QStringList out;
    for (const OtwetRec &o : options)
        if (trimmed(o.Kod_P) == code)
            out << trimmed(o.Otwe);
    return out;
}

QStringList oneToN(qsizetype n)
{
    QStringList out;
    for (qsizetype i = 1; i <= n; ++i)
        out << QString::number(i);
    return out;
}

// Why a question of this type could not be answered as meant, or empty.
QString answerFault(AnswerType type, const std::vector<OtwetRec> &options)
{
    const QStringList left = labelsOf(options, QStringLiteral("-"));
    const QStringList right = labelsOf(options, QStringLiteral("+"));
    switch (type) {
    case AnswerType::Exact:
        if (options.size() != 1 || trimmed(options[0].Nazwan).isEmpty())
            return QStringLiteral("an exact answer wants exactly one option with the answer");
        return trimmed(options[0].Otwe) == u"1" ? QString() : QStringLiteral("the exact answer's Otwe is not 1");
    case AnswerType::Ticks:
        return !right.isEmpty() && right.size() < qsizetype(options.size())
                   ? QString()
                   : QStringLiteral("ticks want right and wrong options");
    case AnswerType::Ranking: {
        QStringList places = labelsOf(options, QStringLiteral("1"));
        if (places.size() != qsizetype(options.size()))
            return QStringLiteral("every option of a ranking needs the code 1");
        if (places == oneToN(places.size()))
            return QStringLiteral("the options already stand in their right order");
        places.sort();
        QStringList expected = oneToN(places.size());
        expected.sort();
        return places == expected ? QString() : QStringLiteral("the places are not 1..n");
    }
    case AnswerType::Matching: {
        if (right == left)
            return QStringLiteral("the right column already stands in its right order");
        QStringList sorted = right;
        sorted.sort();
        QStringList leftSorted = left;
        leftSorted.sort();
        return sorted == leftSorted ? QString() : QStringLiteral("the right items do not pair with the left ones");
    }
    case AnswerType::Classification:
        for (const QString &r : right)
            if (!left.contains(r))
                return QStringLiteral("an object names the class %1, which is not there").arg(r);
        return {};
    }
    return {};
}

// The explanation file named in a question text, read as the program reads it:
// the 20 characters after "File#", cut at the first "#".
QString explanationName(const QString &text)
{
    const qsizetype at = text.indexOf(u"File#");
    if (at < 0)
        return {};
    const QString after = text.mid(at + 5, 20);
    const qsizetype end = after.indexOf(u'#');
    return end < 0 ? QString() : after.left(end);
}

} // namespace

class TestDemoContents : public QObject
{
    Q_OBJECT
private slots:
    void everyQuestionIsAnswerable();
    void everyAnswerTypeIsThere();
    void pictureAndExplanation();
    void recordsHoldTheSourceTexts();
    void installationFiles();
    void bankCheckerFindsNothing();
};

void TestDemoContents::everyQuestionIsAnswerable()
{
    const BankFiles bank(bankDir);
    const auto topics = bank.tema.readAll<TemaRec>();
    QVERIFY2(topics.size() >= 3, "fewer than three topics");
    const auto questions = questionsWithOptions();
    QVERIFY2(questions.size() >= 25, "fewer than 25 questions");

    std::map<QString, int> perTopic;
    QStringList keys;
    for (const Question &q : questions) {
        const QString key = questionKey(q.rec.Predm, q.rec.Tema, q.rec.Test, q.rec.Wopr);
        QVERIFY2(!keys.contains(key), qPrintable(key + ": the key is taken twice"));
        keys << key;
        const bool inTopic = std::any_of(topics.begin(), topics.end(), [&](const TemaRec &t) {
            return sameCode(t.Predm, q.rec.Predm) && sameCode(t.Tema, q.rec.Tema);
        });
        QVERIFY2(inTopic, qPrintable(key + ": belongs to no topic"));
        ++perTopic[trimmed(q.rec.Tema)];
        QVERIFY2(!q.options.empty() && q.options.size() <= 28, qPrintable(key + ": options"));
        qint64 ball = 0;
        QVERIFY2(parseInt(q.rec.Ball, ball) && ball >= 1, qPrintable(key + ": Ball"));

        QStringList codes;
        for (const OtwetRec &o : q.options)
            codes << o.Kod_P;
        const QString fault = answerFault(answerTypeOf(codes), q.options);
        QVERIFY2(fault.isEmpty(), qPrintable(key + ": " + fault));
    }
    for (const TemaRec &t : topics)
        QVERIFY2(perTopic[trimmed(t.Tema)] >= 5, qPrintable(t.Nazwan + ": too few questions for a run"));

    // An option whose question is missing would never be shown.
    qsizetype owned = 0;
    for (const Question &q : questions)
        owned += qsizetype(q.options.size());
    QCOMPARE(owned, qsizetype(bank.otwet.count()));
}

void TestDemoContents::everyAnswerTypeIsThere()
{
    std::map<AnswerType, int> count;
    for (const Question &q : questionsWithOptions()) {
        QStringList codes;
        for (const OtwetRec &o : q.options)
            codes << o.Kod_P;
        ++count[answerTypeOf(codes)];
    }
    for (AnswerType t :
         {AnswerType::Matching, AnswerType::Classification, AnswerType::Exact, AnswerType::Ranking, AnswerType::Ticks})
        QVERIFY2(count[t] >= 3, qPrintable(answerTypeText(t) + QStringLiteral(" appears fewer than three times")));
}

void TestDemoContents::pictureAndExplanation()
{
    const auto questions = questionsWithOptions();
    int pictures = 0, explanations = 0;
    for (const Question &q : questions) {
        const QString key = questionKey(q.rec.Predm, q.rec.Tema, q.rec.Test, q.rec.Wopr);
        const QByteArray gif = readBytes(bankDir + QStringLiteral("/Foto/") + key + QStringLiteral(".gif"));
        if (!gif.isEmpty()) {
            QVERIFY2(gif.startsWith("GIF89a") || gif.startsWith("GIF87a"), qPrintable(key + ".gif is no GIF"));
            ++pictures;
        }
        if (q.rec.Nazwan.contains(u"File#")) {
            const QString name = explanationName(q.rec.Nazwan);
            QVERIFY2(!name.isEmpty(), qPrintable(key + ": the reference has no closing # within 20 characters"));
            QVERIFY2(name.endsWith(u"txt"), qPrintable(key + ": only a .txt explanation opens beside the question"));
            const QString explanation = fromCp1251(readBytes(bankDir + QStringLiteral("/Foto/") + name));
            // Letters that UTF-8 bytes read as code page 1251 never give.
            QVERIFY2(explanation.contains(u'а') && explanation.contains(u'о'),
                     qPrintable(name + ": missing or not in code page 1251"));
            ++explanations;
        }
    }
    QCOMPARE(pictures, 1);
    QCOMPARE(explanations, 1);
    // Every picture in Foto belongs to a question.
    const QStringList gifs = QDir(bankDir + QStringLiteral("/Foto")).entryList({QStringLiteral("*.gif")});
    QCOMPARE(gifs.size(), 1);
}

// A text longer than its field, or a character code page 1251 lacks, would be
// changed on the way into the records; dumping them gives the source back.
void TestDemoContents::recordsHoldTheSourceTexts()
{
    for (const char *table : {"Tema", "Wopros", "Otwet", "Predmet"}) {
        const QString name = QString::fromLatin1(table) + QStringLiteral(".dat");
        const ToolRun r = runTrivoBank({QStringLiteral("dump"), bankDir + u'/' + name});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out),
                 QString::fromUtf8(readBytes(QStringLiteral(DEMO_SOURCE_DIR "/") + name + QStringLiteral(".tsv"))));
    }
}

void TestDemoContents::installationFiles()
{
    // The program creates these itself with their defaults; shipping them
    // would pin every installation to ours.
    for (const char *own : {"Baza/Papka.dat", "Baza/Dostup.dat", "Baza/NoKor.qdx", "Baza/CwetFona.qdx",
                            "Istoriy/Exam.dat", "Istoriy/Temp.dat"})
        QVERIFY2(!QFile::exists(dist + u'/' + QString::fromLatin1(own)), own);

    const QByteArray winDos = readBytes(dist + QStringLiteral("/Baza/Win_Dos.qdx"));
    const QList<QByteArray> table = winDos.split('\n');
    QCOMPARE(table.size(), 3); // two lines, each ended
    QVERIFY(table[0].endsWith('\r') && table[1].endsWith('\r'));
    QVERIFY2(table[0].size() == table[1].size() && table[0].size() > 1, "target and source differ in length");

    // A title line, then a question line of the sample's layout.
    for (const auto &[sample, question] : {std::pair{"Baza/Obrazec.txt", u'1'}, std::pair{"Baza/wObrazec.txt", u'w'}}) {
        const QByteArray b = readBytes(dist + u'/' + QString::fromLatin1(sample));
        QVERIFY2(b.endsWith("\r\n") && b.count('\n') == b.count("\r\n"), sample);
        const QStringList lines = fromCp1251(b).split(QStringLiteral("\r\n"));
        QVERIFY2(lines.size() > 3 && lines[1].startsWith(question) &&
                     lines.filter(QRegularExpression("^\\+")).size() > 0,
                 sample);
    }

    for (const char *doc : {"Baza/FIPI_Obrazec_2007.doc", "Help/ReadMe.doc"}) {
        const QByteArray b = readBytes(dist + u'/' + QString::fromLatin1(doc));
        QVERIFY2(b.startsWith("{\\rtf1") && b.trimmed().endsWith('}'), doc);
        QVERIFY2(b.count('{') == b.count('}'), doc);
    }
    QVERIFY(readBytes(dist + QStringLiteral("/Help/ReadMe.doc")).contains("470259"));
}

// The checker authors run on their banks has nothing to say about ours.
void TestDemoContents::bankCheckerFindsNothing()
{
    const ToolRun run = runTrivoBank({QStringLiteral("check"), bankDir});
    QVERIFY2(run.exitCode == 0, run.out.constData());
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestDemoContents)
#include "test_contents.moc"
