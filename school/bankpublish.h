#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

struct JournalSettings;

// A subject's bank published on the school's server, and fetched from it by
// every PC of the school.
//
// A teacher publishes the subject's folder (its bank files, Exam.dat, Foto/)
// as a new version; each PC fetches the newest version of every subject whose
// content it does not hold yet and writes the subject's folder in one step.
// Each subject folder keeps, in Versiya.ini, the version and the content hash
// it was last fetched or published as; the bank's readers never open that
// file. A folder whose content no longer has that hash holds edits never
// published: a fetch leaves it as it is and says so.

// The file of a subject folder that says which published version it holds.
inline const QString versionFileName = QStringLiteral("Versiya.ini");

// One file of a subject: its path inside the folder ('/' between parts) and content.
struct BankFile {
    QString path;
    QByteArray content;
};

// The SHA-256, in hex, over the files sorted by path: each path, its size and content.
QString bankHash(std::vector<BankFile> files);

// Every file of a subject folder but the run's scratch file and Versiya.ini.
// Throws TrivoError (in Russian) for a link or a file that cannot be read.
std::vector<BankFile> readSubjectFolder(const QString &folder);

// A connection of its own to the school's server, by the journal's settings;
// closed and forgotten when it goes. Used on one thread.
class SchoolConnection
{
public:
    explicit SchoolConnection(const JournalSettings &settings);
    ~SchoolConnection();
    SchoolConnection(const SchoolConnection &) = delete;
    SchoolConnection &operator=(const SchoolConnection &) = delete;
    QSqlDatabase db() const;
    bool isOpen() const;
    // Why the server was not reached, in Russian.
    QString error() const;

private:
    QString m_name;
};

struct BankVersion {
    QString subject;
    int version = 0;
    QString author;
    QDateTime published;
    QString hash;
    int files = 0;
    qint64 bytes = 0;
    std::optional<int> basedOn;
};

// Publishes the subject's folder as its next version (the author is the
// teacher's role) in one transaction, and records it in the folder's
// Versiya.ini. The version, or nothing with the reason in Russian.
std::optional<BankVersion> publishSubject(QSqlDatabase &teacherDb, const QString &subject, const QString &folder,
                                          QString &error);
// The subject's versions, the newest first; nothing when the server refused.
std::optional<std::vector<BankVersion>> subjectVersions(QSqlDatabase &teacherDb, const QString &subject,
                                                        QString &error);
// Publishes an earlier version's files again as the newest version.
std::optional<BankVersion> republishVersion(QSqlDatabase &teacherDb, const QString &subject, int version,
                                            QString &error);

// What a fetch did with one subject.
struct FetchedSubject {
    enum class State { UpToDate, Fetched, Added, LocalEdits, Failed };
    QString subject, folder;
    int version = 0; // the server's newest
    State state = State::UpToDate;
    QString message; // why it failed, in Russian
};

struct BankFetch {
    QString error; // the server could not be asked: nothing was touched
    std::vector<FetchedSubject> subjects;
    // A line for the status bar or a message box, in Russian.
    QString summary() const;
    bool changedAnything() const;
    // The subjects whose folders hold edits never published.
    QStringList withLocalEdits() const;
};

// Fetches the newer versions of every subject into the installation folder
// (connected as the PCs' role or any teacher's). A subject new on the server
// gets its folder and a row in Baza/Papka.dat.
BankFetch fetchBanks(QSqlDatabase &db);
// The same by the journal's settings: a server that cannot be reached leaves
// every folder as it is and says why.
BankFetch fetchBanks(const JournalSettings &settings);
// Writes the server's newest version over a folder that holds edits never
// published (the user said so).
FetchedSubject replaceWithPublished(const JournalSettings &settings, const QString &subject);
FetchedSubject replaceWithPublished(QSqlDatabase &db, const QString &subject);

// Writes the files as the subject folder (an absolute path) in one step: a
// new folder beside it that, once on the disk, takes its place. A failure
// leaves the old folder whole. Throws TrivoError.
void replaceSubjectFolder(const QString &folder, const std::vector<BankFile> &files);
