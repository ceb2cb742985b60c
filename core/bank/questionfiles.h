#pragma once
#include <QString>
#include <optional>

// The files a question refers to from its subject's Foto folder: its picture
// and an explanation file named in its text.

// The explanation file a question text names as "File#name#": the name
// (empty when no "#" closes it within the 20 characters after "File#"), or
// nothing when the text names no file.
std::optional<QString> explanationFileName(const QString &questionText);

// The most of an explanation file that is read and shown.
constexpr qint64 ExplanationLimit = 1024 * 1024;

// The text of an explanation file (code page 1251), at most `limit` bytes of
// it; a longer file ends with a line saying that the text was cut. Memory
// stays the same whatever the size of the file; very long lines are broken
// so that the text box can show them at once. TrivoError when it cannot be read.
QString readExplanation(const QString &path, qint64 limit = ExplanationLimit);

// Whether a file named by bank data may be handed to the desktop's opener:
// documents and pictures only, never anything the desktop would run.
bool mayOpenFromBank(const QString &path);
// The message shown instead of opening such a file.
QString refusedToOpenText(const QString &path);
