#pragma once
// Whole-file helpers of the tests.
#include <QByteArray>
#include <QFile>
#include <QString>

// The file's bytes; a marker text when it cannot be read, so that a missing
// file never equals an expected empty one.
inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline bool writeBytes(const QString &path, const QByteArray &b)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
}
