#pragma once
// What the fuzz targets share: the check that stops a run as a crash (so
// libFuzzer keeps the input), several files carried in one input, and a
// scratch folder for readers that take a path.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

[[noreturn]] inline void fuzzFailed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}
#define FUZZ_REQUIRE(cond) ((cond) ? void(0) : fuzzFailed(#cond, __FILE__, __LINE__))

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The files of one input are separated by this line; a seed is the files
// joined with it. The last part takes the rest, missing parts are empty.
inline constexpr char PartSeparator[] = "\n~~~~\n";

inline std::vector<QByteArray> partsOf(const QByteArray &input, int count)
{
    std::vector<QByteArray> parts;
    qsizetype at = 0;
    const qsizetype sep = qsizetype(sizeof PartSeparator - 1);
    while (int(parts.size()) < count - 1) {
        const qsizetype next = input.indexOf(PartSeparator, at);
        if (next < 0)
            break;
        parts.push_back(input.mid(at, next - at));
        at = next + sep;
    }
    parts.push_back(input.mid(at));
    parts.resize(size_t(count));
    return parts;
}

// A folder of this process, removed when it ends normally.
inline const QString &scratchFolder()
{
    static const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trivo-fuzz-XXXXXX"));
    static const QString path = dir.path();
    if (!dir.isValid())
        fuzzFailed("scratch folder", __FILE__, __LINE__);
    return path;
}

inline QString scratchPath(const QString &name)
{
    return scratchFolder() + u'/' + name;
}

// Writes bytes to a file of the scratch folder and gives its path.
inline QString putFile(const QString &name, const QByteArray &bytes)
{
    const QString path = scratchPath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fuzzFailed("scratch file written", __FILE__, __LINE__);
    return path;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fuzzFailed("scratch file read", __FILE__, __LINE__);
    return f.readAll();
}
