#pragma once
// What the files of the published banks share among themselves: the
// server's reasons in words, the paths a PC accepts, the subject folder's
// record of its version. Not for use outside school/bank*.cpp.
#include <QByteArray>
#include <QSqlError>
#include <QString>
#include <optional>

namespace bankparts
{
inline const QString scratchFileName = QStringLiteral("Temp.dat"); // the exam draw, made again on every PC

QString sqlReason(const QSqlError &e);
// Throws TrivoError: what failed, and the server's reason.
[[noreturn]] void failWith(const QString &what, const QSqlError &e);

// A path the server gave for a file of a subject folder: plain parts, '/'
// between them, nothing that leaves the folder, nothing of the PC's own.
bool safeRelativePath(const QString &path);

// Versiya.ini: the version and hash a subject folder was last fetched or published as.
struct HeldVersion {
    int version = 0;
    QString hash;
};
std::optional<HeldVersion> readHeld(const QString &folder);
QByteArray heldText(int version, const QString &hash);
} // namespace bankparts
