#pragma once
#include "bank.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// Banks to and from other testing systems: question files in the GIFT, Aiken
// and Moodle XML formats. Every reader turns a file into one neutral topic,
// every writer writes one; the topic is mapped to and from our bank records
// separately. Whatever has no counterpart on the other side (a question type,
// a picture, a feedback text, a text cut to its field) is not dropped quietly:
// it becomes one line of the notes that the caller shows to the author.

// The four answer types that other systems know too.
enum class ItemType {
    Typed,    // short answer: one expected text
    Ticks,    // multiple choice, any number of right options
    Matching, // pairs of a left-hand and a right-hand item
    Ranking,  // options to be put in order
};

struct ItemOption {
    QString text;       // the option; of a matching question the left-hand item
    QString pair;       // matching: the right-hand item that belongs to text
    bool right = false; // ticks: a right option
};

struct Item {
    ItemType type = ItemType::Ticks;
    QString text;
    int points = 1;
    QString number; // how notes name the question: its place in the file or its number in the bank
    // Typed: one option, the expected answer. Ranking: the options in their right order.
    std::vector<ItemOption> options;
};

struct Topic {
    QString name;
    std::vector<Item> items;
};

// A file read: the topic, and one line for everything that could not come along.
struct Reading {
    Topic topic;
    QStringList notes;
    // Questions of kinds the bank has no counterpart for ("essay", "numerical",
    // "description" or the other system's own type name), counted by kind in
    // the order first met: a file of nothing else is refused naming them.
    std::vector<std::pair<QString, int>> lacking;
};

enum class InterFormat { Gift, Aiken, MoodleXml };

// "gift", "aiken" or "xml", as the tool's command line names them.
std::optional<InterFormat> interFormatNamed(const QString &name);
// The format of a file chosen in a dialog: by its extension (.gift, .xml),
// else by its content (an XML declaration, an "ANSWER:" line of Aiken).
InterFormat guessInterFormat(const QString &path, const QByteArray &bytes);

// The largest question file read: more than any topic with its pictures inlined.
constexpr qsizetype MaxQuestionFileSize = 64 * 1024 * 1024;
// Throws TrivoError when the file is larger than a question file can be; a
// caller checks this before it reads the file.
void requireQuestionFileSize(qint64 size);

// Readers. fallbackName names the topic when the file names no category.
// A file that cannot be parsed raises TrivoError with the line at fault; so
// does a file without a single question that can be carried over.
Reading readGift(const QByteArray &bytes, const QString &fallbackName);
Reading readAiken(const QByteArray &bytes, const QString &fallbackName);
Reading readMoodleXml(const QByteArray &bytes, const QString &fallbackName);
Reading readInterchange(InterFormat format, const QByteArray &bytes, const QString &fallbackName);
// Reads the file at path (its base name is the fallback topic name).
Reading readInterchangeFile(InterFormat format, const QString &path);

// Writers, UTF-8. Items the format cannot hold are left out with a note.
QByteArray writeGift(const Topic &topic, QStringList &notes);
QByteArray writeMoodleXml(const Topic &topic, QStringList &notes);
// Why a writer leaves the item out (a type the format lacks, fewer options
// or pairs than the other system takes); empty when it writes it.
QString whyNotWritten(InterFormat format, const Item &item);

// ---- the mapping to and from our records ----

struct TopicRecords {
    TemaRec tema;
    std::vector<WoprosRec> questions;
    std::vector<OtwetRec> options;
};

// The records of a new topic with these codes, made the way the decoder makes
// them: section "1", questions numbered from 1, options labelled by their
// place (letters for ticks, numbers elsewhere). Right-hand items of a matching
// question and ranking options are stored one place round from their right
// order, so that a question never starts out answered. Texts longer than
// their fields are cut, with a note.
TopicRecords recordsOfTopic(const Topic &topic, const QString &predm, const QString &tema, QStringList &notes);

// The neutral topic of a bank topic. Classification questions, pictures and
// explanation files (looked for in fotoFolder when it is given) have no
// counterpart and are noted; questions that cannot be answered as stored are
// left out with a note.
Topic topicOfRecords(const TopicRecords &records, QStringList &notes, const QString &fotoFolder = {});

// The topic with this code (compared trimmed) and its questions and options
// as the bank holds them; TrivoError when there is no such topic.
TopicRecords readBankTopic(const BankFiles &bank, const QString &topicCode);

// The code of a topic added after these: the last topic's code plus one (the
// decoder's rule), moved on past codes already taken; "1" for no topic.
// TrivoError when the last code is no number or no code is left.
QString nextTopicCode(const std::vector<TemaRec> &topics);

struct AddedTopic {
    QString predm, tema;
    int questions = 0, options = 0;
};

// Appends the topic to the subject bank in folder: its options, questions,
// topic record and exam record (a missing bank file is made). The files change
// together: on any failure the bank is left byte for byte as it was.
AddedTopic addTopicToBank(const QString &folder, const Topic &topic, QStringList &notes);

// ---- the editor's tables ----

class StringTable;

// Adds the topic to the editor's topic, question and answer tables by the
// decoder's rule: appended after the last topic, or, while the tables hold
// nothing but an empty bank's default rows, in their place. Only the tables
// change; the author stores them. Returns the new topic's code.
QString addTopicToTables(const Topic &topic, StringTable &temaTabl, StringTable &wopTabl, StringTable &otwTabl,
                         QStringList &notes);
