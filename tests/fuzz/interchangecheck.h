#pragma once
// What every question-file reader must hold to, whatever the file: its
// limits, and that what it reads is written and read again as the same topic.
#include "errors.h"
#include "fuzzkit.h"
#include "interchangekit.h"

#include <optional>

// The reading, or nothing when the file was refused with the program's error.
template <class Read> std::optional<Reading> readOrRefused(Read read, const QByteArray &bytes)
{
    try {
        return read(bytes, QStringLiteral("Тема"));
    } catch (const TrivoError &) {
        return std::nullopt;
    }
}

inline void checkLimits(const Reading &r)
{
    FUZZ_REQUIRE(r.topic.items.size() <= size_t(MaxFileEntries));
    FUZZ_REQUIRE(!r.topic.items.empty()); // a file without a question is refused
    for (const Item &item : r.topic.items) {
        FUZZ_REQUIRE(optionRowsOf(item) <= MaxItemOptions);
        FUZZ_REQUIRE(!item.options.empty());
        FUZZ_REQUIRE(item.type != ItemType::Typed || item.options.size() == 1);
        FUZZ_REQUIRE(item.points >= 0 && item.points <= 99);
    }
}

// Characters below the blank shown as \uXXXX, so that a difference can be seen.
inline QByteArray shown(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += c.unicode() < 32 || c.unicode() == 0x7f
                   ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                   : QString(c);
    return out.toUtf8();
}

inline void printItem(const char *label, const Item &item)
{
    std::fprintf(stderr, "%s: type %d points %d text «%s»\n", label, int(item.type), item.points,
                 shown(item.text).constData());
    for (const ItemOption &o : item.options)
        std::fprintf(stderr, "  %c «%s» «%s»\n", o.right ? '+' : '-', shown(o.text).constData(),
                     shown(o.pair).constData());
}

// The text as XML 1.0 can hold it: control characters other than tab and the
// line ends, and the two non-characters, have no form there.
inline QString xmlHeld(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
            continue;
        out += c;
    }
    return out;
}

inline Item heldBy(InterFormat format, Item item)
{
    if (format != InterFormat::MoodleXml)
        return item;
    item.text = xmlHeld(item.text);
    for (ItemOption &o : item.options) {
        o.text = xmlHeld(o.text);
        o.pair = xmlHeld(o.pair);
    }
    return item;
}

// Texts alike but for their runs of blanks and line ends: HTML does not keep them.
inline bool sameText(const QString &a, const QString &b)
{
    return a == b || oneLine(a) == oneLine(b);
}

inline bool sameItem(const Item &a, const Item &b)
{
    if (a.type != b.type || !sameText(a.text, b.text) || a.points != b.points || a.options.size() != b.options.size())
        return false;
    for (size_t i = 0; i < a.options.size(); ++i) {
        const ItemOption &x = a.options[i], &y = b.options[i];
        if (!sameText(x.text, y.text) || !sameText(x.pair, y.pair) || (a.type == ItemType::Ticks && x.right != y.right))
            return false;
    }
    return true;
}

// The items of a topic that a writer of this format writes.
inline std::vector<Item> writtenItems(InterFormat format, const Topic &topic)
{
    std::vector<Item> out;
    for (const Item &item : topic.items)
        if (whyNotWritten(format, item).isEmpty())
            out.push_back(heldBy(format, item));
    return out;
}

// Written as format and read back: the items written, as they were; and
// written again, the same bytes.
inline void checkRoundTrip(InterFormat format, const Topic &read)
{
    // What XML cannot hold is not written; the file then names the questions by what is left.
    Topic topic = read;
    for (Item &item : topic.items)
        item = heldBy(format, item);
    if (format == InterFormat::MoodleXml)
        topic.name = xmlHeld(topic.name);
    QStringList notes;
    const QByteArray written = format == InterFormat::Gift ? writeGift(topic, notes) : writeMoodleXml(topic, notes);
    const std::vector<Item> items = writtenItems(format, topic);
    std::optional<Reading> back;
    try {
        back = readInterchange(format, written, QStringLiteral("Тема"));
    } catch (const TrivoError &e) {
        if (!items.empty()) {
            std::fprintf(stderr, "written file refused: %s\n%s\n", qUtf8Printable(e.text()),
                         QByteArray(written).replace('\0', "\\0").constData());
            fuzzFailed("what a writer writes is read", __FILE__, __LINE__);
        }
        return;
    }
    // A slash at either end of a name has no unambiguous form in a category path.
    if (!sameText(back->topic.name, topic.name) && !topic.name.isEmpty() && !topic.name.contains(u'/')) {
        std::fprintf(stderr, "topic «%s» read back as «%s»\n", shown(topic.name).constData(),
                     shown(back->topic.name).constData());
        fuzzFailed("the topic's name read back", __FILE__, __LINE__);
    }
    FUZZ_REQUIRE(back->topic.items.size() == items.size());
    for (size_t i = 0; i < items.size(); ++i)
        if (!sameItem(back->topic.items[i], items[i])) {
            printItem("written", items[i]);
            printItem("read back", back->topic.items[i]);
            std::fprintf(stderr, "%s\n", written.constData());
            fuzzFailed("an item read back as it was written", __FILE__, __LINE__);
        }
    // Once read back, the topic is in the form the format keeps: writing and
    // reading it again changes no byte. (The numbers name the questions by
    // their place in the file first read, so they are carried over.)
    auto writeRead = [format](Topic t, const std::vector<Item> &numbered, QByteArray &out) {
        for (size_t i = 0; i < numbered.size() && i < t.items.size(); ++i)
            t.items[i].number = numbered[i].number;
        QStringList notes;
        out = format == InterFormat::Gift ? writeGift(t, notes) : writeMoodleXml(t, notes);
        return readInterchange(format, out, QStringLiteral("Тема")).topic;
    };
    QByteArray second, third;
    const Topic again = writeRead(back->topic, items, second);
    writeRead(again, items, third);
    if (third != second) {
        std::fprintf(stderr, "%s\n----\n%s\n", second.constData(), third.constData());
        fuzzFailed("written again the same", __FILE__, __LINE__);
    }
}

// The topic as bank records and back: the records fit their fields, and no
// question comes back that was not there.
inline void checkRecords(const Topic &topic)
{
    QStringList notes;
    const TopicRecords records = recordsOfTopic(topic, QStringLiteral("1"), QStringLiteral("1"), notes);
    FUZZ_REQUIRE(records.questions.size() == topic.items.size());
    for (const WoprosRec &q : records.questions)
        FUZZ_REQUIRE(q.encode().size() == WoprosRec::Size);
    const Topic back = topicOfRecords(records, notes);
    FUZZ_REQUIRE(back.items.size() <= topic.items.size());
    for (const Item &item : back.items)
        FUZZ_REQUIRE(optionRowsOf(item) <= MaxItemOptions);
}

// Everything above for one reader.
template <class Read> void checkReader(Read read, const uint8_t *data, size_t size)
{
    const std::optional<Reading> r = readOrRefused(read, bytesOf(data, size));
    if (!r)
        return;
    checkLimits(*r);
    checkRecords(r->topic);
    checkRoundTrip(InterFormat::Gift, r->topic);
    checkRoundTrip(InterFormat::MoodleXml, r->topic);
}
