#include "text.h"
#include "errors.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

int pluralForm(qint64 n)
{
    const qint64 tens = n % 100, units = n % 10;
    return tens >= 11 && tens <= 14 ? 2 : units == 1 ? 0 : units >= 2 && units <= 4 ? 1 : 2;
}

QString trimmed(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= 32)
        ++b;
    while (e > b && s.at(e - 1).unicode() <= 32)
        --e;
    return (b == 0 && e == s.size()) ? s : s.mid(b, e - b);
}

namespace
{

// The table of all 256 byte values is built once through Qt's converter; after
// that both directions are plain table lookups, which also lets us write '?'
// for characters that have no cp1251 form.
struct Cp1251Table {
    bool valid = false;
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, unsigned char> fromUnicode;

    Cp1251Table()
    {
        QStringDecoder dec("windows-1251");
        if (!dec.isValid())
            return;
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            QString u = dec.decode(QByteArrayView(&c, 1));
            toUnicode[b] = u.isEmpty() ? u'?' : char16_t(u.at(0).unicode());
        }
        valid = true;
        // Bytes that have no character in cp1251 (0x98) decode to U+FFFD; keep them
        // one-way so that a real U+FFFD is never written as 0x98.
        for (int b = 255; b >= 0; --b)
            if (toUnicode[b] != 0xFFFD)
                fromUnicode.insert(toUnicode[b], static_cast<unsigned char>(b));
    }
};

const Cp1251Table &table()
{
    static const Cp1251Table t;
    return t;
}

} // namespace

bool cp1251Available()
{
    return table().valid;
}

QString fromCp1251(const char *data, qsizetype size)
{
    const auto &t = table();
    QString out(size, Qt::Uninitialized);
    QChar *p = out.data();
    if (t.valid) // every question and option text passes here: the test stays out of the loop
        for (qsizetype i = 0; i < size; ++i)
            p[i] = QChar(t.toUnicode[static_cast<unsigned char>(data[i])]);
    else
        for (qsizetype i = 0; i < size; ++i) {
            const auto b = static_cast<unsigned char>(data[i]);
            p[i] = b < 128 ? QChar(b) : QChar(u'?');
        }
    return out;
}

QByteArray toCp1251(const QString &s)
{
    const auto &t = table();
    QByteArray out(s.size(), Qt::Uninitialized);
    char *p = out.data();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        if (c < 128) {
            p[i] = char(c);
            continue;
        }
        auto it = t.fromUnicode.constFind(c);
        p[i] = it == t.fromUnicode.constEnd() ? '?' : char(*it);
    }
    return out;
}

const unsigned char *cp1251RoundTrip()
{
    static const auto bytes = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            const QByteArray back = toCp1251(fromCp1251(&c, 1));
            t[size_t(b)] = static_cast<unsigned char>(back.isEmpty() ? '?' : back.at(0));
        }
        return t;
    }();
    return bytes.data();
}

bool parseInt(const QString &s, qint64 &out)
{
    const QString t = s.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    qint64 v = t.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > INT32_MAX)
        return false;
    out = v;
    return true;
}

int toIntOrThrow(const QString &s)
{
    qint64 v = 0;
    if (!parseInt(s, v))
        throw TrivoError(notAnIntegerText(s));
    return int(v);
}
