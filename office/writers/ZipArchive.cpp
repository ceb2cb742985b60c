#include "ZipWriter.h"
#include "errors.h"

#include <QDateTime>
#include <QtEndian>
#include <zlib.h>

namespace
{
constexpr quint16 deflated = 8, stored = 0;
constexpr quint16 utf8Names = 1u << 11;
constexpr quint16 versionNeeded = 20; // 2.0: deflate and folders

template <typename T> void put(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

// The part's bytes as a raw deflate stream (no zlib header or trailer).
QByteArray deflateRaw(const QByteArray &in)
{
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw TrivoError(QStringLiteral("Не удалось упаковать документ: нет памяти для сжатия"));
    QByteArray out(qsizetype(deflateBound(&z, uLong(in.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    const int result = deflate(&z, Z_FINISH);
    const qsizetype written = qsizetype(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        throw TrivoError(QStringLiteral("Не удалось упаковать документ: ошибка сжатия %1").arg(result));
    out.truncate(written);
    return out;
}

// MS-DOS date and time, the only ones every zip reader knows.
std::pair<quint16, quint16> dosDateTime(const QDateTime &at)
{
    const QDate d = at.date();
    const QTime t = at.time();
    const int year = std::clamp(d.year(), 1980, 2107);
    return {quint16(((year - 1980) << 9) | (d.month() << 5) | d.day()),
            quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2))};
}
} // namespace

QByteArray zipArchive(const std::vector<ZipPart> &parts)
{
    const auto [date, time] = dosDateTime(QDateTime::currentDateTime());
    if (parts.size() > 0xFFFF)
        throw TrivoError(QStringLiteral("Не удалось упаковать документ: слишком много частей"));
    QByteArray out, directory;
    for (const ZipPart &part : parts) {
        if (part.bytes.size() >= 0x7FFFFFFF || out.size() >= 0x7FFFFFFF)
            throw TrivoError(QStringLiteral("Не удалось упаковать документ: он больше 2 ГБ"));
        const QByteArray name = part.name.toUtf8();
        const quint32 crc = quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(part.bytes.constData()),
                                          uInt(part.bytes.size())));
        QByteArray packed = deflateRaw(part.bytes);
        const bool deflate = packed.size() < part.bytes.size();
        if (!deflate)
            packed = part.bytes;
        const quint32 offset = quint32(out.size());
        // The same fields open the local header and the directory entry.
        auto common = [&](QByteArray &to) {
            put<quint16>(to, versionNeeded);
            put<quint16>(to, utf8Names);
            put<quint16>(to, deflate ? deflated : stored);
            put<quint16>(to, time);
            put<quint16>(to, date);
            put<quint32>(to, crc);
            put<quint32>(to, quint32(packed.size()));
            put<quint32>(to, quint32(part.bytes.size()));
            put<quint16>(to, quint16(name.size()));
            put<quint16>(to, 0); // no extra field
        };
        put<quint32>(out, 0x04034b50);
        common(out);
        out += name;
        out += packed;

        put<quint32>(directory, 0x02014b50);
        put<quint16>(directory, versionNeeded); // made by: MS-DOS attributes, version 2.0
        common(directory);
        put<quint16>(directory, 0); // no comment
        put<quint16>(directory, 0); // disk 0
        put<quint16>(directory, 0); // internal attributes
        put<quint32>(directory, 0); // external attributes
        put<quint32>(directory, offset);
        directory += name;
    }
    const quint32 directoryAt = quint32(out.size());
    out += directory;
    put<quint32>(out, 0x06054b50);
    put<quint16>(out, 0); // this disk
    put<quint16>(out, 0); // the directory's disk
    put<quint16>(out, quint16(parts.size()));
    put<quint16>(out, quint16(parts.size()));
    put<quint32>(out, quint32(directory.size()));
    put<quint32>(out, directoryAt);
    put<quint16>(out, 0); // no comment
    return out;
}
