#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

// Replaces the file at path with bytes. The bytes go to a new file in the same
// folder, reach the disk, and only then take the old file's name, so that a
// failure at any point leaves the old file exactly as it was and no stray file
// behind. A symbolic link is followed: its target is replaced. The new file keeps
// the old one's permissions; a file that did not exist gets the usual ones.
// Throws TrivoError("Не удалось записать файл NAME: reason").
// A scratch file (one the program makes again whenever it needs it) skips
// waiting for the disk; it is still replaced in one step.
enum class Durability { OnDisk, Scratch };
void replaceFile(const QString &path, const QByteArray &bytes, Durability durability = Durability::OnDisk);
// The same for content made piece by piece, so a large file needs no second
// copy in memory: pieces() is asked until it gives an empty piece. Whatever
// it throws leaves the old file as it was.
void replaceFile(const QString &path, const std::function<QByteArrayView()> &pieces,
                 Durability durability = Durability::OnDisk);

// Replaces several files together (path and new content each): all of them
// get their new content, or, on any failure, every one of them is left exactly
// as it was (a file that did not exist is not made). The new contents reach
// the disk beside their files before the first one takes its file's name.
// Throws TrivoError like replaceFile.
void replaceFiles(const std::vector<std::pair<QString, QByteArray>> &files);

// For tests: makes the next write of the file's bytes, the next sync of them
// to the disk, or the next step that puts them in place of the old file, fail
// with the given errno (0 withdraws it), after storesBefore stores have passed
// untouched (each file of replaceFiles is one store). A fault is used up by
// the store it breaks.
enum class StoreStep { Write, Sync, Rename };
void injectStoreFault(StoreStep step, int err, int storesBefore = 0);

class StoreFaultForTests
{
public:
    StoreFaultForTests(StoreStep step, int err, int storesBefore = 0) : m_step(step)
    {
        injectStoreFault(step, err, storesBefore);
    }
    ~StoreFaultForTests() { injectStoreFault(m_step, 0); }
    StoreFaultForTests(const StoreFaultForTests &) = delete;
    StoreFaultForTests &operator=(const StoreFaultForTests &) = delete;

private:
    StoreStep m_step;
};
