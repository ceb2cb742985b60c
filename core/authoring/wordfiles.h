#pragma once
#include "textimport.h"

#include <QByteArray>
#include <QString>

// Authors keep their papers as word-processor documents (.doc, .docx, .odt,
// .rtf). The imports read such a document as plain text made by LibreOffice,
// started without a window with a profile folder of its own (so it works while
// the author's LibreOffice is open). Without LibreOffice an RTF document is
// still read by our own RTF reader; the other kinds cannot be read.

// True for a path whose extension names a word-processor document.
bool isWordDocument(const QString &path);

// The program that converts documents: the one named by TRIVO_SOFFICE when
// that is set (an empty text when it is not there), else soffice or
// libreoffice found on PATH; an empty text when there is none.
QString documentConverter();

// The profile folder the converter runs with, kept under the cache folder so
// that its second start is fast.
QString converterProfileFolder();

// How long a conversion may take before it is given up.
constexpr int ConversionTimeoutMs = 120000;

// The document as UTF-8 text, made by the converter program. The document is
// copied into a temporary folder first, the converter keeps its own temporary
// files there too, and everything written there is removed afterwards, also
// when the conversion is stopped. Throws TrivoError with a message for the user when the program
// cannot start, fails, writes nothing or takes longer than timeoutMs.
QByteArray convertDocumentToText(const QString &program, const QString &path, int timeoutMs = ConversionTimeoutMs);

// Removes the converter's sockets in folder that no running converter of this
// user listens on any more (left by a conversion that was stopped).
void removeStaleConverterPipes(const QString &folder);

// An import file read as the imports take it: a word-processor document
// through the converter when there is one, anything else (and an RTF document
// without a converter) by readImportText(). Throws TrivoError when the file
// cannot be read or converted, or when it is a document that only the missing
// converter could read.
ImportText readImportDocument(const QString &path, int timeoutMs = ConversionTimeoutMs);
