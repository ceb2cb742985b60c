#pragma once
#include <QByteArray>
#include <QString>

// Text helpers shared by every part of the program. Inside the program all text
// is QString; code page 1251 exists only at the edges (record fields, settings
// files, import files), and these functions are the only way across that edge.

// Characters with codes 0..32 removed at both ends.
QString trimmed(const QString &s);

// Which of the three Russian forms agrees with n: 0 for «1 вопрос», 1 for
// «2 вопроса», 2 for «5 вопросов».
int pluralForm(qint64 n);

// True when the cp1251 converter is usable on this machine (checked once at start).
bool cp1251Available();

// cp1251 bytes -> text. Every byte has a form, so nothing is lost.
QString fromCp1251(const char *data, qsizetype size);
inline QString fromCp1251(const QByteArray &b)
{
    return fromCp1251(b.constData(), b.size());
}

// text -> cp1251 bytes, one byte per character; a character without a cp1251 form becomes '?'.
QByteArray toCp1251(const QString &s);

// What each byte becomes when decoded and encoded again: itself, except a
// byte with no character in cp1251, which comes back as '?'.
const unsigned char *cp1251RoundTrip();

// Whole decimal number in the way the settings and grid cells read them:
// blanks around are skipped, an optional sign, digits only. Returns false otherwise.
bool parseInt(const QString &s, qint64 &out);
// Same, raising the standard "'%s' is not a valid integer value" error.
int toIntOrThrow(const QString &s);
