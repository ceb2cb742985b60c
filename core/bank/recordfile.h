#pragma once
#include "durablefile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

// A file of fixed-size records. The file is opened for each operation, so every
// reader sees every write; a whole-file rewrite goes to a new file that replaces
// the old one in one step, so a failure never leaves a half-written table.
// Every failure raises TrivoError with the file's name.
class RecordFile
{
public:
    RecordFile() = default;
    RecordFile(QString path, int recordSize) : m_path(std::move(path)), m_size(recordSize) {}

    const QString &path() const { return m_path; }
    int recordSize() const { return m_size; }
    bool exists() const;

    // Creates the file empty when it does not exist.
    void openOrCreate() const;
    // Number of whole records; a trailing partial record does not count.
    qint64 count() const;
    // All whole records in file order.
    std::vector<QByteArray> readAllRaw() const;
    // All whole records as one piece of bytes, read at once.
    QByteArray readRecords() const;
    // The same into `into`, whose memory is used again when it is large enough.
    void readRecordsInto(QByteArray &into) const;
    // Replaces the whole content with these bytes (whole records).
    void rewriteRecords(const QByteArray &records, Durability durability = Durability::OnDisk) const;
    // The same made piece by piece (see replaceFile).
    void rewriteRecords(const std::function<QByteArrayView()> &pieces) const;
    // Record n (from 0); an empty array when there is no such whole record.
    QByteArray readRaw(qint64 n) const;
    // Replaces the whole content with these records.
    void rewriteRaw(const std::vector<QByteArray> &records) const;
    // Appends one record after the last whole record.
    void appendRaw(const QByteArray &record) const;

    // Every whole record in file order, read through one small reused
    // buffer; the bytes handed over are valid only during the call.
    void forEachRecord(const std::function<void(const QByteArray &)> &visit) const;
    // The same a piece of consecutive records at a time: `count` records of
    // recordSize() bytes at `records`.
    void forEachPiece(const std::function<void(const char *records, qsizetype count)> &visit) const;
    // The same one record at a time, visit(record bytes) called in the loop
    // over a piece: a scan that tests every record of a large file pays for
    // its test and little else.
    template <class Visit> void scanRecords(Visit visit) const
    {
        forEachPiece([&](const char *records, qsizetype count) {
            for (qsizetype i = 0; i < count; ++i)
                visit(records + i * m_size);
        });
    }

    template <class R> std::vector<R> readAll() const
    {
        std::vector<R> out;
        out.reserve(size_t(count()));
        forEachRecord([&](const QByteArray &rec) { out.push_back(R::decode(rec)); });
        return out;
    }
    // Only the records that keep(record bytes) accepts are decoded, so taking
    // a few records out of a large file costs little more than reading it.
    template <class R, class Keep> std::vector<R> readWhere(Keep keep) const
    {
        std::vector<R> out;
        forEachRecord([&](const QByteArray &rec) {
            if (keep(rec))
                out.push_back(R::decode(rec));
        });
        return out;
    }
    template <class R> void rewrite(const std::vector<R> &recs) const
    {
        std::vector<QByteArray> raw;
        raw.reserve(recs.size());
        for (const auto &r : recs)
            raw.push_back(r.encode());
        rewriteRaw(raw);
    }
    template <class R> void append(const R &r) const { appendRaw(r.encode()); }

private:
    QString m_path;
    int m_size = 0;
};
