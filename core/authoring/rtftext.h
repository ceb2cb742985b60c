#pragma once
#include <QByteArray>
#include <QStringList>

// Authors often keep their papers as word-processor documents saved as RTF
// (our own sample paper is one). The imports take such a file as the plain
// text of its paragraphs, so it need not be copied into a .txt file first.

// True when the bytes start like an RTF document.
bool looksLikeRtf(const QByteArray &bytes);

// The paragraphs of an RTF document as lines of plain text: the visible text
// only (font tables, pictures, field codes and the like are left out), \par and
// \line ending a line. Broken input never throws; it yields what could be read.
QStringList rtfParagraphs(const QByteArray &bytes);
