#pragma once
#include "stringtable.h"

// The decoder: turns the staging table of a text import into one new topic
// of the editor's tables: a topic row, one question row per question and one
// answer row per option, each with its codes (subject, topic, section "1",
// question number), the printed numbering cut off the texts, one point a
// question. Only the tables change; the author saves them to the bank.

struct DecodeResult {
    bool appended = false; // a topic added at the end (otherwise the tables were replaced)
    QString topicCode;
    int questions = 0, answers = 0;
    // One line for each question left out: one with more options than the
    // main window shows.
    QStringList notes;
};

// Whether decoding now would add a topic rather than replace the tables. The
// tables are replaced only while they hold nothing but an empty bank's
// default rows: at most four question rows, none with a question text, no
// answer text and at most one topic. Otherwise a topic is added, so existing
// questions are never overwritten.
bool decoderAppends(const StringTable &temaTabl, const StringTable &wopTabl, const StringTable &otwTabl);

// Decodes izTxt into the three tables. A question with more than 30 options
// (more than the main window shows) is left out with a note, and the next
// one takes its number. Throws TrivoError, before any table is changed, when
// a topic must be added and the last topic's code is no number.
DecodeResult decodeStaging(const StringTable &izTxt, StringTable &temaTabl, StringTable &wopTabl, StringTable &otwTabl);

// A question line without its number: the text after the first "." when that
// is among the first four characters ("12. Текст" gives "Текст").
QString questionTextOf(const QString &line);
// An option line without its label: the text after the first ")" when that
// is among the first four characters ("+б) 5" gives "5").
QString optionTextOf(const QString &line);
