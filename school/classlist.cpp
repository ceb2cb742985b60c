#include "classlist.h"
#include "errors.h"
#include "text.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <memory>
#include <optional>

namespace
{
// The rows as they are read, checked and gathered into the list.
class ListBuilder
{
public:
    void add(const QStringList &fields, int row)
    {
        if (m_list.pupils.size() + size_t(m_bad) >= size_t(ClassListLimits::rows)) {
            // Such a list is not taken, and its rows are not kept.
            if (!m_tooLong)
                m_list.problems =
                    QStringList{QStringLiteral("В списке больше %1 строк; разделите его на несколько файлов")
                                    .arg(ClassListLimits::rows)};
            m_list.pupils.clear();
            m_tooLong = true;
            return;
        }
        QString fio = fields.value(0), className = fields.value(1);
        if (m_first && fio.startsWith(QChar(0xFEFF)))
            fio.remove(0, 1);
        fio = cleanFio(fio);
        className = cleanClass(className);
        if (fio.isEmpty() && className.isEmpty())
            return; // a blank row
        const bool first = m_first;
        m_first = false;
        if (first && isHeader(fio, className))
            return;
        if (const QString why = problem(fio, className); !why.isEmpty()) {
            ++m_bad;
            m_list.problems << QStringLiteral("Строка %1: %2").arg(row).arg(why);
            return;
        }
        const QString key = fio.toLower() + u'\n' + className;
        if (const int earlier = m_seen.value(key); earlier > 0) {
            ++m_bad;
            m_list.problems
                << QStringLiteral("Строка %1: %2 (%3) уже есть в строке %4").arg(row).arg(fio, className).arg(earlier);
            return;
        }
        m_seen.insert(key, row);
        m_list.pupils.push_back({fio, className, row});
    }

    void fail(const QString &why) { m_list.problems << why; }
    bool full() const { return m_tooLong; }
    ClassList take() { return std::move(m_list); }

private:
    static QString cleanFio(QString s)
    {
        for (QChar &c : s)
            if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
                c = u' ';
        return s.simplified();
    }

    static QString cleanClass(const QString &s)
    {
        QString out;
        for (const QChar c : s)
            if (!c.isSpace() && c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
                out += c.toUpper();
        return out;
    }

    static bool isHeader(const QString &fio, const QString &className)
    {
        const QString f = fio.toLower();
        for (const char *word : {"фио", "ф.и.о", "ф. и. о", "фамилия", "ученик", "учащийся", "имя"})
            if (f.startsWith(QString::fromUtf8(word)))
                return true;
        return className.toLower().startsWith(QStringLiteral("класс"));
    }

    static QString problem(const QString &fio, const QString &className)
    {
        if (fio.isEmpty())
            return QStringLiteral("нет ФИО");
        if (className.isEmpty())
            return QStringLiteral("нет класса (нужно «ФИО; класс»)");
        if (fio.size() > ClassListLimits::fioLength)
            return QStringLiteral("ФИО длиннее %1 знаков").arg(ClassListLimits::fioLength);
        if (std::none_of(fio.begin(), fio.end(), [](QChar c) { return c.isLetter(); }))
            return QStringLiteral("в ФИО «%1» нет букв").arg(fio);
        // A class is a year and a letter; a name here means the columns are swapped.
        if (className.size() > ClassListLimits::classLength || !className.front().isDigit())
            return QStringLiteral("«%1» не похоже на класс (нужны номер и буква, например 9Б)")
                .arg(className.left(ClassListLimits::classLength * 2));
        return {};
    }

    ClassList m_list;
    QHash<QString, int> m_seen; // folded name and class -> the row
    int m_bad = 0;
    bool m_first = true, m_tooLong = false;
};

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder d(bytes.startsWith("\xFF") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return d(bytes.mid(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (!utf8.hasError())
        return text;
    return fromCp1251(bytes);
}

QStringList fieldsOf(const QString &line)
{
    for (const QChar sep : {u';', u'\t', u','})
        if (line.contains(sep))
            return line.split(sep);
    return {line};
}

// --- the workbook ---

// The named parts of the workbook; throws the reason.
std::vector<std::optional<QByteArray>> parts(const ZipUnpacker &unzip, const QByteArray &bytes,
                                             const QStringList &names)
{
    std::vector<std::optional<QByteArray>> out;
    QString error;
    if (!unzip(bytes, names, ClassListLimits::partBytes, out, error))
        throw error;
    return out;
}

// Where the first sheet lies: the workbook names it, its relations say the part.
QString firstSheetPart(const std::optional<QByteArray> &book, const std::optional<QByteArray> &rels)
{
    const QString fallback = QStringLiteral("xl/worksheets/sheet1.xml");
    if (!book || !rels)
        return fallback;
    QString id;
    for (QXmlStreamReader x(*book); !x.atEnd() && id.isEmpty();)
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"sheet")
            for (const QXmlStreamAttribute &a : x.attributes())
                if (a.name() == u"id")
                    id = a.value().toString();
    for (QXmlStreamReader x(*rels); !x.atEnd() && !id.isEmpty();)
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"Relationship" &&
            x.attributes().value(QLatin1String("Id")) == id) {
            const QString target = x.attributes().value(QLatin1String("Target")).toString();
            return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
        }
    return fallback;
}

// The text of an element holding <t> parts (a shared string, an inline one),
// read up to its end; the phonetic hints (<rPh>) are not its text.
QString richText(QXmlStreamReader &x)
{
    const QString end = x.name().toString();
    QString text;
    int hints = 0;
    while (!x.atEnd()) {
        const auto token = x.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (x.name() == u"rPh")
                ++hints;
            else if (x.name() == u"t" && hints == 0)
                text += x.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (token == QXmlStreamReader::EndElement) {
            if (x.name() == u"rPh")
                --hints;
            else if (x.name() == end)
                break;
        }
    }
    return text;
}

QStringList sharedStrings(const QByteArray &bytes)
{
    QStringList out;
    if (bytes.isEmpty())
        return out;
    QXmlStreamReader x(bytes);
    while (!x.atEnd())
        if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"si") {
            if (out.size() >= ClassListLimits::sharedStrings)
                throw QStringLiteral("в книге больше %1 текстов").arg(ClassListLimits::sharedStrings);
            out << richText(x);
        }
    if (x.hasError())
        throw QStringLiteral("таблица текстов книги повреждена (%1)").arg(x.errorString());
    return out;
}

// Column of a cell reference («B12» -> 1), -1 for none.
int columnOf(QStringView ref)
{
    int column = 0, letters = 0;
    for (const QChar c : ref) {
        if (c < u'A' || c > u'Z')
            break;
        if (++letters > 3)
            return -1;
        column = column * 26 + (c.unicode() - 'A' + 1);
    }
    return letters ? column - 1 : -1;
}

void readSheet(const QByteArray &sheet, const QStringList &shared, ListBuilder &list)
{
    QXmlStreamReader x(sheet);
    int row = 0, column = 0;
    QStringList fields;
    while (!x.atEnd() && !list.full()) {
        const auto token = x.readNext();
        if (token == QXmlStreamReader::StartElement && x.name() == u"row") {
            bool ok = false;
            const int r = x.attributes().value(QLatin1String("r")).toInt(&ok);
            row = ok && r > row ? r : row + 1;
            column = 0;
            fields = {QString(), QString()};
        } else if (token == QXmlStreamReader::EndElement && x.name() == u"row") {
            list.add(fields, row);
        } else if (token == QXmlStreamReader::StartElement && x.name() == u"c") {
            const int c = columnOf(x.attributes().value(QLatin1String("r")));
            const int at = c >= 0 ? c : column;
            column = at + 1;
            const QString type = x.attributes().value(QLatin1String("t")).toString();
            QString value;
            while (!x.atEnd()) {
                const auto t = x.readNext();
                if (t == QXmlStreamReader::StartElement && x.name() == u"v")
                    value = x.readElementText(QXmlStreamReader::SkipChildElements);
                else if (t == QXmlStreamReader::StartElement && x.name() == u"is")
                    value = richText(x);
                else if (t == QXmlStreamReader::EndElement && x.name() == u"c")
                    break;
            }
            if (type == u"s") {
                bool ok = false;
                const int i = value.toInt(&ok);
                value = ok ? shared.value(i) : QString();
            }
            if (at < 2 && row > 0)
                fields[at] = value;
        }
    }
    if (x.hasError() && !list.full())
        list.fail(QStringLiteral("Лист книги повреждён (%1), строка %2").arg(x.errorString()).arg(row));
}
} // namespace

ClassList classListOfText(const QByteArray &bytes)
{
    ListBuilder list;
    if (bytes.size() > ClassListLimits::fileBytes) {
        list.fail(QStringLiteral("Файл больше %1 МБ: это не список класса").arg(ClassListLimits::fileBytes >> 20));
        return list.take();
    }
    QString text = decodeText(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size() && !list.full(); ++i)
        list.add(fieldsOf(lines[i]), int(i + 1));
    return list.take();
}

ClassList classListOfWorkbook(const QByteArray &bytes, const ZipUnpacker &unzip)
{
    ListBuilder list;
    if (bytes.size() > ClassListLimits::fileBytes) {
        list.fail(QStringLiteral("Книга больше %1 МБ: это не список класса").arg(ClassListLimits::fileBytes >> 20));
        return list.take();
    }
    try {
        const QString shared = QStringLiteral("xl/sharedStrings.xml");
        const auto first = parts(
            unzip, bytes, {QStringLiteral("xl/workbook.xml"), QStringLiteral("xl/_rels/workbook.xml.rels"), shared});
        const QString sheetName = firstSheetPart(first[0], first[1]);
        const std::optional<QByteArray> sheet = parts(unzip, bytes, {sheetName}).front();
        if (!sheet)
            throw QStringLiteral("в книге нет листа %1").arg(sheetName);
        readSheet(*sheet, first[2] ? sharedStrings(*first[2]) : QStringList(), list);
    } catch (const QString &why) {
        list.fail(QStringLiteral("Книга не прочитана: %1").arg(why));
    }
    return list.take();
}

ClassList classListOfSheet(const QByteArray &sheet, const QByteArray &sharedStringsPart)
{
    ListBuilder list;
    if (sheet.size() > ClassListLimits::partBytes || sharedStringsPart.size() > ClassListLimits::partBytes) {
        list.fail(QStringLiteral("Книга не прочитана: лист больше %1 МБ").arg(ClassListLimits::partBytes >> 20));
        return list.take();
    }
    try {
        readSheet(sheet, sharedStrings(sharedStringsPart), list);
    } catch (const QString &why) {
        list.fail(QStringLiteral("Книга не прочитана: %1").arg(why));
    }
    return list.take();
}

ClassList readClassList(const QString &path, const ZipUnpacker &unzip)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ClassList failed;
        failed.problems << cannotReadText(path, f.errorString());
        return failed;
    }
    const QByteArray bytes = f.read(ClassListLimits::fileBytes + 1);
    if (bytes.startsWith("\xD0\xCF\x11\xE0")) {
        ClassList old;
        old.problems << QStringLiteral("Это книга старого формата (.xls): сохраните её как .xlsx и загрузите снова");
        return old;
    }
    return bytes.startsWith("PK\x03\x04") ? classListOfWorkbook(bytes, unzip) : classListOfText(bytes);
}

QString classListProblemsText(const ClassList &list)
{
    if (list.problems.isEmpty())
        return list.pupils.empty() ? QStringLiteral("В файле нет ни одного ученика.") : QString();
    QStringList shown = list.problems.mid(0, ClassListLimits::problemsShown);
    if (list.problems.size() > shown.size())
        shown << QStringLiteral("и ещё %1").arg(list.problems.size() - shown.size());
    return QStringLiteral("Список не загружен, исправьте файл:\n") + shown.join(u'\n');
}
