// The published banks fetched by a PC: the newest version of every subject
// whose content it does not hold yet, written over a folder only when that
// holds no edits of its own, or when the user says so.
#include "bank.h"
#include "bankparts.h"
#include "bankpublish.h"
#include "durablefile.h"
#include "errors.h"
#include "installfolder.h"
#include "journalsettings.h"
#include "subjects.h"
#include "text.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <libpq-fe.h>
#include <memory>

using namespace bankparts;

namespace
{
struct ServerSubject {
    QString subject, folder, hash;
    int version = 0;
    int files = 0;
    qint64 bytes = 0;
};

std::vector<ServerSubject> serverSubjects(QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT subject, version, hash, folder, files, bytes FROM trivo_pc_bank_versions()")))
        failWith(QStringLiteral("Список банков на сервере не прочитан"), q.lastError());
    std::vector<ServerSubject> out;
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(3).toString(), q.value(2).toString(), q.value(1).toInt(),
                       q.value(4).toInt(), q.value(5).toLongLong()});
    return out;
}

// The files, when they are as many and as large as the version says. The
// server gives them from one snapshot, so a count and a size are check enough;
// hashing them again would cost a PC more than writing them.
std::vector<BankFile> wholeVersion(std::vector<BankFile> files, const ServerSubject &s)
{
    qint64 bytes = 0;
    for (const BankFile &f : files)
        bytes += f.content.size();
    if (qint64(files.size()) != s.files || bytes != s.bytes)
        throw TrivoError(QStringLiteral("Файлы версии %1 пришли не целиком: банк не обновлён.").arg(s.version));
    return files;
}

void addFile(std::vector<BankFile> &files, const QString &path, QByteArray content)
{
    if (!safeRelativePath(path))
        throw TrivoError(QStringLiteral("Сервер прислал файл с недопустимым путём «%1»: банк не обновлён.").arg(path));
    files.push_back({path, std::move(content)});
}

// The files as the server keeps them, on the connection's own client library:
// Qt's driver asks for every value as text, which doubles a bank's bytes on
// the way and costs the server and the PC the work of both conversions.
// Nothing when the connection is not one to a PostgreSQL server.
// What the server sent: the files, whose contents may lie in the client
// library's own answer, kept as long as they are.
struct Downloaded {
    std::shared_ptr<PGresult> answer;
    std::vector<BankFile> files;
};

std::optional<Downloaded> serverFilesAsBytes(QSqlDatabase &db, const ServerSubject &s)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return std::nullopt;
    PGconn *conn = *static_cast<PGconn *const *>(handle.data());
    if (!conn)
        return std::nullopt;
    const QByteArray subject = s.subject.toUtf8(), version = QByteArray::number(s.version);
    const char *values[2] = {subject.constData(), version.constData()};
    Downloaded out;
    out.answer.reset(PQexecParams(conn, "SELECT path, content FROM trivo_pc_bank_files($1, $2)", 2, nullptr, values,
                                  nullptr, nullptr, 1),
                     PQclear);
    PGresult *r = out.answer.get();
    if (PQresultStatus(r) != PGRES_TUPLES_OK)
        throw TrivoError(QStringLiteral("Файлы банка не получены: ") +
                         QString::fromUtf8(PQresultErrorMessage(r)).trimmed());
    out.files.reserve(size_t(PQntuples(r)));
    // The contents stay where the library received them: a bank of many
    // megabytes is not copied once more.
    for (int i = 0; i < PQntuples(r); ++i)
        addFile(out.files, QString::fromUtf8(PQgetvalue(r, i, 0), PQgetlength(r, i, 0)),
                QByteArray::fromRawData(PQgetvalue(r, i, 1), PQgetlength(r, i, 1)));
    out.files = wholeVersion(std::move(out.files), s);
    return out;
}

Downloaded serverFiles(QSqlDatabase &db, const ServerSubject &s)
{
    if (std::optional<Downloaded> bytes = serverFilesAsBytes(db, s))
        return std::move(*bytes);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT path, content FROM trivo_pc_bank_files(?, ?)"));
    q.addBindValue(s.subject);
    q.addBindValue(s.version);
    if (!q.exec())
        failWith(QStringLiteral("Файлы банка не получены"), q.lastError());
    std::vector<BankFile> files;
    while (q.next())
        addFile(files, q.value(0).toString(), q.value(1).toByteArray());
    return {nullptr, wholeVersion(std::move(files), s)};
}

RecordFile subjectList()
{
    return RecordFile(installPath(QStringLiteral("Baza/Papka.dat")), PapkaRec::Size);
}

qint32 recordsIn(const QString &folder, const char *name, int size)
{
    return qint32(QFileInfo(QDir(folder).filePath(QLatin1String(name))).size() / size);
}

// A subject new to this PC joins the end of its list.
void addToSubjectList(const QString &subject, const QString &folderName, const QString &folder)
{
    const RecordFile papka = subjectList();
    std::vector<PapkaRec> all = openSubjects(papka);
    qint32 number = 0;
    for (const PapkaRec &r : all)
        number = std::max(number, r.Nomer);
    all.push_back({number + 1, subject, folderName, recordsIn(folder, "Tema.dat", TemaRec::Size),
                   recordsIn(folder, "Wopros.dat", WoprosRec::Size), recordsIn(folder, "Otwet.dat", OtwetRec::Size)});
    papka.rewrite(all);
}

// Where this PC keeps the subject, and whether it has it in its list.
struct LocalPlace {
    QString folderName, folder;
    bool listed = false;
};

// A folder of its own for a subject new to this PC: the name its author's PC
// gives it, unless another subject here has that name or a folder of that
// name is there already; then the name with a number (eight characters at most).
QString freeFolderName(const ServerSubject &s, const RecordFile &papka)
{
    QStringList taken;
    if (papka.exists())
        for (const PapkaRec &r : papka.readAll<PapkaRec>())
            taken << trimmed(r.Papka).toLower();
    const auto isFree = [&](const QString &name) {
        return !taken.contains(name.toLower()) && !QFileInfo::exists(installPath(name));
    };
    const QString wanted = trimmed(s.folder);
    if (isFree(wanted))
        return wanted;
    for (int n = 2; n < 1000; ++n) {
        const QString number = QString::number(n);
        const QString name = wanted.left(8 - number.size()) + number;
        if (subjectFolderProblem(s.subject, name).isEmpty() && isFree(name))
            return name;
    }
    throw TrivoError(QStringLiteral("Для предмета «%1» не нашлось свободного имени папки.").arg(s.subject));
}

LocalPlace placeOf(const ServerSubject &s)
{
    const RecordFile papka = subjectList();
    if (papka.exists())
        if (const auto r = findSubject(papka, s.subject))
            return {trimmed(r->Papka), subjectFolderPath(r->Papka, r->Nazwan), true};
    const QString name = freeFolderName(s, papka);
    return {name, subjectFolderPath(name, s.subject), false};
}

// Whether the folder holds what it was last fetched or published as (or nothing at all).
bool holdsOnlyPublished(const QString &folder, const QString &serverHash)
{
    if (!QFileInfo::exists(folder))
        return true;
    const std::vector<BankFile> here = readSubjectFolder(folder);
    if (here.empty())
        return true;
    const QString now = bankHash(here);
    if (now == serverHash)
        return true;
    const auto held = readHeld(folder);
    return held && held->hash == now;
}

FetchedSubject fetchOne(QSqlDatabase &db, const ServerSubject &s, bool overLocalEdits)
{
    FetchedSubject out;
    out.subject = s.subject;
    out.folder = s.folder;
    out.version = s.version;
    try {
        const LocalPlace place = placeOf(s);
        out.folder = place.folderName;
        const auto held = readHeld(place.folder);
        const bool folderThere = QFileInfo::exists(place.folder);
        if (folderThere && held && held->hash == s.hash && place.listed)
            return out;
        if (!overLocalEdits && !holdsOnlyPublished(place.folder, s.hash)) {
            out.state = FetchedSubject::State::LocalEdits;
            return out;
        }
        bool written = false;
        if (folderThere && bankHash(readSubjectFolder(place.folder)) == s.hash) {
            // The same content under another version (published again): only the record is new.
            replaceFile(QDir(place.folder).filePath(versionFileName), heldText(s.version, s.hash));
        } else {
            Downloaded fetched = serverFiles(db, s);
            fetched.files.push_back({versionFileName, heldText(s.version, s.hash)});
            replaceSubjectFolder(place.folder, fetched.files);
            written = true;
        }
        if (!place.listed) {
            addToSubjectList(s.subject, place.folderName, place.folder);
            out.state = FetchedSubject::State::Added;
        } else if (written) {
            out.state = FetchedSubject::State::Fetched;
        }
    } catch (const TrivoError &e) {
        out.state = FetchedSubject::State::Failed;
        out.message = e.text();
    }
    return out;
}

QString lockPath()
{
    QDir().mkpath(installPath(QStringLiteral("Baza")));
    return installPath(QStringLiteral("Baza/banks.lock"));
}

// Two fetches into one installation folder (the start's and the menu's, or
// two copies of the program) take turns.
class FetchLock
{
public:
    FetchLock() : m_lock(lockPath()) { m_lock.setStaleLockTime(0); }
    bool take() { return m_lock.tryLock(120000); }

private:
    QLockFile m_lock;
};

const QString busyText = QStringLiteral("Банки уже обновляются другой копией программы: попробуйте позже.");
} // namespace

BankFetch fetchBanks(QSqlDatabase &db)
{
    BankFetch out;
    FetchLock lock;
    if (!lock.take()) {
        out.error = busyText;
        return out;
    }
    std::vector<ServerSubject> subjects;
    try {
        subjects = serverSubjects(db);
    } catch (const TrivoError &e) {
        out.error = e.text();
        return out;
    }
    for (const ServerSubject &s : subjects)
        out.subjects.push_back(fetchOne(db, s, false));
    return out;
}

BankFetch fetchBanks(const JournalSettings &settings)
{
    const SchoolConnection c(settings);
    if (!c.isOpen()) {
        BankFetch out;
        out.error = c.error();
        return out;
    }
    QSqlDatabase db = c.db();
    return fetchBanks(db);
}

FetchedSubject replaceWithPublished(QSqlDatabase &db, const QString &subject)
{
    FetchedSubject out;
    out.subject = trimmed(subject);
    out.state = FetchedSubject::State::Failed;
    FetchLock lock;
    if (!lock.take()) {
        out.message = busyText;
        return out;
    }
    try {
        for (const ServerSubject &s : serverSubjects(db))
            if (s.subject == out.subject)
                return fetchOne(db, s, true);
        out.message = QStringLiteral("Предмета «%1» на сервере нет.").arg(out.subject);
    } catch (const TrivoError &e) {
        out.message = e.text();
    }
    return out;
}

FetchedSubject replaceWithPublished(const JournalSettings &settings, const QString &subject)
{
    const SchoolConnection c(settings);
    if (!c.isOpen()) {
        FetchedSubject out;
        out.subject = subject;
        out.state = FetchedSubject::State::Failed;
        out.message = c.error();
        return out;
    }
    QSqlDatabase db = c.db();
    return replaceWithPublished(db, subject);
}

bool BankFetch::changedAnything() const
{
    return std::any_of(subjects.begin(), subjects.end(), [](const FetchedSubject &s) {
        return s.state == FetchedSubject::State::Fetched || s.state == FetchedSubject::State::Added;
    });
}

QStringList BankFetch::withLocalEdits() const
{
    QStringList out;
    for (const FetchedSubject &s : subjects)
        if (s.state == FetchedSubject::State::LocalEdits)
            out << s.subject;
    return out;
}

QString BankFetch::summary() const
{
    if (!error.isEmpty())
        return error;
    QStringList parts;
    for (const FetchedSubject &s : subjects) {
        switch (s.state) {
        case FetchedSubject::State::UpToDate:
            break;
        case FetchedSubject::State::Fetched:
            parts << QStringLiteral("«%1» обновлён до версии %2").arg(s.subject).arg(s.version);
            break;
        case FetchedSubject::State::Added:
            parts << QStringLiteral("«%1» добавлен (версия %2)").arg(s.subject).arg(s.version);
            break;
        case FetchedSubject::State::LocalEdits:
            parts
                << QStringLiteral("«%1» не обновлён: в папке предмета есть неопубликованные изменения").arg(s.subject);
            break;
        case FetchedSubject::State::Failed:
            parts << QStringLiteral("«%1» не обновлён: %2").arg(s.subject, s.message);
            break;
        }
    }
    if (parts.isEmpty())
        return QStringLiteral("Банки вопросов не изменились.");
    return QStringLiteral("Банки вопросов: ") + parts.join(QStringLiteral("; ")) + u'.';
}
