#include "recordfile.h"
#include "durablefile.h"
#include "errors.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace
{
[[noreturn]] void failToRead(const QString &path, const QString &why)
{
    throw TrivoError(cannotReadText(QFileInfo(path).fileName(), why));
}

// The buffer the last scan of this thread read into, kept for the next one:
// a new buffer is memory the system hands out page by page on every scan. A
// scan inside another one finds none and makes its own.
thread_local QByteArray spareBuffer;
} // namespace

bool RecordFile::exists() const
{
    return QFileInfo::exists(m_path);
}

void RecordFile::openOrCreate() const
{
    if (exists())
        return;
    QFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        throw TrivoError(cannotCreateText(QFileInfo(m_path).fileName(), f.errorString()));
}

qint64 RecordFile::count() const
{
    QFileInfo fi(m_path);
    return fi.exists() ? fi.size() / m_size : 0;
}

QByteArray RecordFile::readRecords() const
{
    QByteArray all;
    readRecordsInto(all);
    return all;
}

void RecordFile::readRecordsInto(QByteArray &into) const
{
    into.resize(0);
    QFile f(m_path);
    if (m_size <= 0 || !f.exists())
        return;
    if (!f.open(QIODevice::ReadOnly))
        failToRead(m_path, f.errorString());
    const qint64 size = f.size();
    if (into.capacity() > 2 * size)
        into = QByteArray(); // much smaller now: the old memory goes
    into.resize(qsizetype(size));
    qint64 got = 0;
    while (got < size) {
        const qint64 n = f.read(into.data() + got, size - got);
        if (n < 0)
            failToRead(m_path, f.errorString());
        if (n == 0)
            break; // the file became shorter while it was read
        got += n;
    }
    into.truncate(qsizetype(got / m_size * m_size));
}

void RecordFile::rewriteRecords(const QByteArray &records, Durability durability) const
{
    replaceFile(m_path, records, durability);
}

void RecordFile::rewriteRecords(const std::function<QByteArrayView()> &pieces) const
{
    replaceFile(m_path, pieces);
}

std::vector<QByteArray> RecordFile::readAllRaw() const
{
    const QByteArray all = readRecords();
    const qsizetype n = all.size() / m_size;
    std::vector<QByteArray> out;
    out.reserve(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        out.push_back(all.mid(i * m_size, m_size));
    return out;
}

void RecordFile::forEachRecord(const std::function<void(const QByteArray &)> &visit) const
{
    scanRecords([&](const char *rec) { visit(QByteArray::fromRawData(rec, m_size)); });
}

void RecordFile::forEachPiece(const std::function<void(const char *, qsizetype)> &visit) const
{
    QFile f(m_path);
    if (m_size <= 0 || !f.exists())
        return;
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        failToRead(m_path, f.errorString());
    // A bank of 100,000 questions is tens of megabytes: reading it in pieces
    // is several times faster than one buffer of the whole file.
    const qsizetype perPiece = std::max<qsizetype>(1, (256 * 1024) / m_size);
    QByteArray buf = std::exchange(spareBuffer, QByteArray());
    buf.resize(perPiece * m_size);
    qsizetype filled = 0;
    for (;;) {
        const qint64 got = f.read(buf.data() + filled, buf.size() - filled);
        if (got < 0)
            failToRead(m_path, f.errorString());
        filled += qsizetype(got);
        const qsizetype whole = filled / m_size;
        if (whole > 0)
            visit(buf.constData(), whole);
        // A partial record waits for the rest of its bytes; at the end of the file it is dropped.
        filled -= whole * m_size;
        std::memmove(buf.data(), buf.constData() + whole * m_size, size_t(filled));
        if (got == 0)
            break;
    }
    spareBuffer = std::move(buf);
}

QByteArray RecordFile::readRaw(qint64 n) const
{
    QFile f(m_path);
    if (n < 0 || !f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly))
        failToRead(m_path, f.errorString());
    if (!f.seek(n * m_size))
        return {};
    QByteArray b = f.read(m_size);
    return b.size() == m_size ? b : QByteArray();
}

void RecordFile::rewriteRaw(const std::vector<QByteArray> &records) const
{
    QByteArray all;
    all.reserve(qsizetype(records.size()) * m_size);
    for (const auto &r : records) {
        QByteArray rec = r.left(m_size);
        rec.append(QByteArray(m_size - rec.size(), '\0'));
        all.append(rec);
    }
    replaceFile(m_path, all);
}

void RecordFile::appendRaw(const QByteArray &record) const
{
    // Appending rewrites the whole file: a trailing partial record is dropped and
    // a failure in the middle cannot leave the file cut.
    std::vector<QByteArray> recs = readAllRaw();
    recs.push_back(record);
    rewriteRaw(recs);
}
