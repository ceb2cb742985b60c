// The neutral topic of the interchange formats: the pieces its readers and
// writers share, and which format a file is.
#include "errors.h"
#include "interchangekit.h"
#include "text.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

// ---- helpers of the readers and writers ----

QString decodeQuestionFile(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    // Notepad's "Unicode": without its mark UTF-16 is not guessed.
    if (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(view.startsWith("\xFF") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return utf16.decode(view.sliced(2));
    }
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(view);
    return utf8.hasError() ? fromCp1251(view.data(), view.size()) : text;
}

namespace
{

// A text as a note shows it: on one line, its first 40 characters.
QString shownInNote(const QString &text)
{
    const QString line = oneLine(text.left(4096));
    return line.size() > 40 ? line.left(40) + QStringLiteral("…") : line;
}

} // namespace

QString noteAbout(const QString &number, const QString &text, const QString &what)
{
    return QStringLiteral("вопрос %1 «%2»: %3").arg(number, shownInNote(text), what);
}

QString noteAboutLine(int line, const QString &text, const QString &what)
{
    return QStringLiteral("строка %1 «%2»: %3").arg(QString::number(line), shownInNote(text), what);
}

void requireQuestionFileSize(qint64 size)
{
    if (size > MaxQuestionFileSize)
        throw TrivoError(QStringLiteral("Файл вопросов занимает %1 МБ, а читается файл не больше %2 МБ")
                             .arg((size + 1024 * 1024 - 1) / (1024 * 1024))
                             .arg(MaxQuestionFileSize / (1024 * 1024)));
}

void countEntry(int &entries, const QString &format, qint64 line)
{
    if (++entries > MaxFileEntries)
        throw TrivoError(
            QStringLiteral("Файл %1, строка %2: в файле больше %3 вопросов и категорий, в одну тему столько не войдёт")
                .arg(format)
                .arg(line)
                .arg(MaxFileEntries));
}

qsizetype optionRowsOf(const Item &item)
{
    const auto n = qsizetype(item.options.size());
    return item.type == ItemType::Matching ? 2 * n : n;
}

QString tooManyOptions(qsizetype rows)
{
    return QStringLiteral("вариантов ответа %1, а главное окно показывает не больше %2").arg(rows).arg(MaxItemOptions);
}

QString oneLine(const QString &text)
{
    // Other control characters show as nothing and XML cannot hold them: they count as blanks.
    QString s = text;
    for (QChar &c : s)
        if (c.unicode() < 32)
            c = u' ';
    return s.simplified();
}

QString plainOfHtml(const QString &html)
{
    static const QRegularExpression breaks(QStringLiteral("<\\s*(br|/p|/div|/li|/h\\d)\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression entities(QStringLiteral("&(#\\d+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    QString s = html;
    s.replace(breaks, QStringLiteral(" "));
    s.remove(tags);
    QString out;
    qsizetype from = 0;
    for (auto it = entities.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(s).mid(from, m.capturedStart() - from);
        const QString name = m.captured(1);
        QString ch;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint code = name.at(1).toLower() == u'x' ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok);
            if (ok && code > 0 && code < 0x110000)
                ch = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        } else {
            static const QHash<QString, QString> named{
                {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
                {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
                {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QStringLiteral(" ")},
                {QStringLiteral("laquo"), QStringLiteral("«")}, {QStringLiteral("raquo"), QStringLiteral("»")},
                {QStringLiteral("mdash"), QStringLiteral("—")}, {QStringLiteral("ndash"), QStringLiteral("–")},
            };
            ch = named.value(name, m.captured(0));
        }
        out += ch;
        from = m.capturedEnd();
    }
    out += QStringView(s).mid(from);
    return oneLine(out);
}

bool htmlHasPicture(const QString &html)
{
    static const QRegularExpression embedded(QStringLiteral("<\\s*(img|object|embed|video|audio)\\b|@@PLUGINFILE@@"),
                                             QRegularExpression::CaseInsensitiveOption);
    return embedded.match(html).hasMatch();
}

int pointsOfGrade(const QString &grade, int number, const QString &text, QStringList &notes)
{
    if (grade.trimmed().isEmpty())
        return 1;
    bool ok = false;
    const double g = grade.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(g)) {
        notes << noteAbout(number, text, QStringLiteral("баллы «%1» не число, поставлен 1 балл").arg(grade.trimmed()));
        return 1;
    }
    const int points = int(std::clamp(std::lround(g), 0L, 99L));
    if (double(points) != g)
        notes << noteAbout(
            number, text,
            QStringLiteral("баллы %1 записаны как %2 (только целые от 0 до 99)").arg(grade.trimmed()).arg(points));
    return points;
}

namespace
{

// The Russian form of a count: one, few (2-4) or many.
QString counted(int n, const char *one, const char *few, const char *many)
{
    const int tens = n % 100, units = n % 10;
    const char *form = units == 1 && tens != 11                               ? one
                       : units >= 2 && units <= 4 && (tens < 12 || tens > 14) ? few
                                                                              : many;
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(form));
}

QString lackingText(const QString &kind, int n)
{
    if (kind == u"essay")
        return counted(n, "эссе", "эссе", "эссе");
    if (kind == u"numerical")
        return counted(n, "вопрос с числовым ответом", "вопроса с числовым ответом", "вопросов с числовым ответом");
    if (kind == u"description")
        return counted(n, "описание без вопроса", "описания без вопроса", "описаний без вопроса");
    if (kind.startsWith(QStringLiteral("calculated")))
        return counted(n, "вычисляемый вопрос", "вычисляемых вопроса", "вычисляемых вопросов");
    if (kind == u"multianswer")
        return counted(n, "вопрос с пропусками", "вопроса с пропусками", "вопросов с пропусками");
    return counted(n, "вопрос", "вопроса", "вопросов") + QStringLiteral(" типа «%1»").arg(shownInNote(kind));
}

} // namespace

void countLacking(Reading &reading, const QString &kind)
{
    for (auto &[k, n] : reading.lacking)
        if (k == kind) {
            ++n;
            return;
        }
    reading.lacking.emplace_back(kind, 1);
}

void requireQuestions(const Reading &reading)
{
    if (!reading.topic.items.empty())
        return;
    QString text = QStringLiteral("В файле нет ни одного вопроса, который можно перенести");
    if (!reading.lacking.empty()) {
        QStringList kinds;
        for (const auto &[kind, n] : reading.lacking)
            kinds << lackingText(kind, n);
        text += QStringLiteral(": %1 — таких вопросов в банке нет").arg(kinds.join(QStringLiteral(", ")));
    }
    // The notes would be lost with the reading: the author sees why each question stayed out.
    constexpr qsizetype Shown = 10;
    for (qsizetype i = 0; i < reading.notes.size() && i < Shown; ++i)
        text += u'\n' + reading.notes.at(i);
    if (reading.notes.size() > Shown)
        text += QStringLiteral("\n…и ещё %1").arg(reading.notes.size() - Shown);
    throw TrivoError(text);
}

QString topicNameOfCategory(const QString &path)
{
    // Parts are divided by single slashes; "//" is a slash inside a name.
    QStringList parts{QString()};
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i) != u'/') {
            parts.last() += path.at(i);
        } else if (i + 1 < path.size() && path.at(i + 1) == u'/') {
            parts.last() += u'/';
            ++i;
        } else {
            parts << QString();
        }
    }
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        // Control characters count as blanks here too, as everywhere a file's
        // text is read, so a name reads the same from our own export.
        const QString p = oneLine(parts.at(i));
        if (!p.isEmpty() && !p.startsWith(u'$') && p != u"top")
            return p;
    }
    return {};
}

void takeCategory(Reading &reading, const QString &path)
{
    const QString name = topicNameOfCategory(path);
    if (name.isEmpty())
        return;
    if (reading.topic.name.isEmpty())
        reading.topic.name = name;
    else if (name != reading.topic.name)
        reading.notes << QStringLiteral("категория «%1» слита с темой «%2»")
                             .arg(shownInNote(name), shownInNote(reading.topic.name));
}

QString categoryOfTopic(const QString &name)
{
    QString n = oneLine(name);
    n.replace(u'/', QStringLiteral("//"));
    return QStringLiteral("$course$/top/") + n;
}

void addMatchingPair(Item &item, const QString &left, const QString &right, int &unpaired)
{
    if (left.isEmpty())
        ++unpaired;
    else
        item.options.push_back({left, right, false});
}

QString unpairedNote(int unpaired)
{
    return unpaired > 0 ? QStringLiteral("лишние правые элементы без пары (%1) не переносятся").arg(unpaired)
                        : QString();
}

namespace
{

// The answer as our exact comparison takes it, "\*" read as a star; nothing
// when a star stands for any text.
std::optional<QString> literalAnswer(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size() && text.at(i + 1) == u'*') {
            out += u'*';
            ++i;
        } else if (c == u'*') {
            return std::nullopt;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

void addTypedAnswer(Item &item, const QString &text, double grade, TypedAnswers &seen)
{
    const std::optional<QString> literal = literalAnswer(text);
    if (grade >= 100 && !literal)
        seen.wildcards << text;
    else if (grade >= 100 && item.options.empty())
        item.options.push_back({*literal, QString(), true});
    else
        ++seen.leftOut;
}

TypedAnswerNotes typedAnswerNotes(const Item &item, const TypedAnswers &seen)
{
    QString wild;
    if (!seen.wildcards.isEmpty()) {
        QStringList shown;
        for (const QString &w : seen.wildcards)
            shown << QStringLiteral("«%1»").arg(shownInNote(w));
        wild = QStringLiteral("%1 %2: звёздочка там значит любой текст, а здесь ответ сверяется точно")
                   .arg(seen.wildcards.size() == 1 ? QStringLiteral("ответ") : QStringLiteral("ответы"),
                        shown.join(QStringLiteral(", ")));
    }
    if (item.options.empty())
        return {wild.isEmpty() ? QStringLiteral("нет ответа с полной оценкой") : wild, {}};
    QStringList notes;
    if (!wild.isEmpty())
        notes << wild + (seen.wildcards.size() == 1 ? QStringLiteral(", не перенесён")
                                                    : QStringLiteral(", не перенесены"));
    if (seen.leftOut > 0)
        notes << QStringLiteral("принимается только первый верный ответ, ещё %1 не перенесены").arg(seen.leftOut);
    return {{}, notes.join(QStringLiteral("; "))};
}

QString typedAnswerOut(const QString &answer)
{
    return QString(answer).replace(u'*', QStringLiteral("\\*"));
}

QString rightShare(int k)
{
    // The percentages the other system accepts for equal shares of 1 to 10 options.
    static const char *const shares[] = {"100",      "50",       "33.33333", "25",       "20",
                                         "16.66667", "14.28571", "12.5",     "11.11111", "10"};
    if (k >= 1 && k <= 10)
        return QString::fromLatin1(shares[k - 1]);
    return QString::number(100.0 / std::max(k, 1), 'f', 5);
}

QString whyNotWritten(InterFormat format, const Item &item)
{
    if (format == InterFormat::Gift && item.type == ItemType::Ranking)
        return QStringLiteral("в GIFT нет ранжирования");
    const size_t n = item.options.size();
    switch (item.type) {
    case ItemType::Typed:
        return n >= 1 && !item.options[0].text.isEmpty() ? QString() : QStringLiteral("нет ожидаемого ответа");
    case ItemType::Ticks:
        if (std::count_if(item.options.begin(), item.options.end(), [](const ItemOption &o) { return o.right; }) > 10)
            return QStringLiteral("верных вариантов больше десяти, такие доли оценки там не принимают");
        return n >= 2 ? QString() : QStringLiteral("вариантов меньше двух");
    case ItemType::Matching:
        return n >= 3 ? QString() : QStringLiteral("пар меньше трёх, а меньше там не принимают");
    case ItemType::Ranking:
        break;
    }
    return n >= 2 ? QString() : QStringLiteral("вариантов меньше двух");
}

// ---- formats ----

std::optional<InterFormat> interFormatNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == u"gift")
        return InterFormat::Gift;
    if (n == u"aiken")
        return InterFormat::Aiken;
    if (n == u"xml")
        return InterFormat::MoodleXml;
    return std::nullopt;
}

InterFormat guessInterFormat(const QString &path, const QByteArray &bytes)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"xml")
        return InterFormat::MoodleXml;
    if (ext == u"gift")
        return InterFormat::Gift;
    const QString text = decodeQuestionFile(bytes.left(64 * 1024));
    if (text.trimmed().startsWith(QStringLiteral("<?xml")) || text.trimmed().startsWith(QStringLiteral("<quiz")))
        return InterFormat::MoodleXml;
    static const QRegularExpression aikenAnswer(QStringLiteral("^\\s*ANSWER\\s*:\\s*[A-Z]\\s*$"),
                                                QRegularExpression::MultilineOption);
    static const QRegularExpression giftBraces(QStringLiteral("[^\\\\]\\{"));
    if (aikenAnswer.match(text).hasMatch() && !giftBraces.match(text).hasMatch())
        return InterFormat::Aiken;
    return InterFormat::Gift;
}

Reading readInterchange(InterFormat format, const QByteArray &bytes, const QString &fallbackName)
{
    switch (format) {
    case InterFormat::Gift:
        return readGift(bytes, fallbackName);
    case InterFormat::Aiken:
        return readAiken(bytes, fallbackName);
    case InterFormat::MoodleXml:
        break;
    }
    return readMoodleXml(bytes, fallbackName);
}

Reading readInterchangeFile(InterFormat format, const QString &path)
{
    QFile f(path);
    if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly))
        throw TrivoError(cannotReadText(path, f.errorString()));
    requireQuestionFileSize(f.size());
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw TrivoError(cannotReadText(path, f.errorString()));
    return readInterchange(format, bytes, QFileInfo(path).completeBaseName());
}
