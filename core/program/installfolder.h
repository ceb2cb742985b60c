#pragma once
#include <QString>
#include <optional>

// The installation folder, which is also the working folder, and the one gate
// every path built from bank or settings data passes: a path either resolves
// inside the folder or is refused.

QString installRoot();
// Tests and tools point the program at another installation folder.
void setInstallRoot(const QString &absolute);
// "Baza/Papka.dat" -> <installation folder>/Baza/Papka.dat, for the program's own fixed names.
QString installPath(const QString &relative);

// The absolute path of a relative one when it stays inside the installation
// folder: not absolute, no "\", no ".." step, and no link on the way that
// leads out of the folder. Nothing otherwise.
std::optional<QString> insidePath(const QString &relative);

// Why the folder of a subject cannot hold its bank (empty when it can): it
// must be one plain folder name inside the installation folder.
QString subjectFolderProblem(const QString &subject, const QString &folder);
// The absolute path of a subject folder (trimmed), or TrivoError with the
// message of subjectFolderProblem. No file is touched either way.
QString subjectFolderPath(const QString &folder, const QString &subject = {});
// A file of a subject's Foto folder: the name must be a plain file name.
// Nothing when the name or the folder is refused.
std::optional<QString> fotoPath(const QString &folder, const QString &name);
// The same gate for a Foto folder given by its absolute path: `name` must be a
// plain file name, and an existing file must not be a link leading out of the
// folder. Nothing otherwise.
std::optional<QString> fileInFolder(const QString &folder, const QString &name);
