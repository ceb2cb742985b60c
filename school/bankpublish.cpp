#include "bankpublish.h"
#include "bank.h"
#include "durablefile.h"
#include "errors.h"
#include "installfolder.h"
#include "journalsettings.h"
#include "subjects.h"
#include "text.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <libpq-fe.h>
#include <memory>
#include <system_error>
#include <unistd.h>

namespace
{
const QString scratchFileName = QStringLiteral("Temp.dat"); // the exam draw, made again on every PC

QString sqlReason(const QSqlError &e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

[[noreturn]] void failWith(const QString &what, const QSqlError &e)
{
    throw TrivoError(what + QStringLiteral(": ") + sqlReason(e));
}

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::generic_category().message(err));
}

// A path the server gave for a file of a subject folder: plain parts, '/'
// between them, nothing that leaves the folder, nothing of the PC's own.
bool safeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.size() > 1024 || path.contains(u'\\') || path.contains(QChar(0)))
        return false;
    const QStringList parts = path.split(u'/');
    if (parts.size() > 8)
        return false;
    for (const QString &p : parts)
        if (p.isEmpty() || p == u"." || p == u".." || p.toUtf8().size() > 255)
            return false;
    return parts.size() > 1 || (path != versionFileName && path != scratchFileName);
}

// ---- Versiya.ini ----

struct HeldVersion {
    int version = 0;
    QString hash;
};

std::optional<HeldVersion> readHeld(const QString &folder)
{
    QFile f(QDir(folder).filePath(versionFileName));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    HeldVersion held;
    for (const QByteArray &line : f.read(4096).split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.startsWith("version="))
            held.version = l.mid(8).toInt();
        else if (l.startsWith("hash="))
            held.hash = QString::fromLatin1(l.mid(5));
    }
    if (held.hash.isEmpty())
        return std::nullopt;
    return held;
}

QByteArray heldText(int version, const QString &hash)
{
    return "version=" + QByteArray::number(version) + "\nhash=" + hash.toLatin1() + '\n';
}

// ---- writing a folder ----

// A file of the new folder: nobody else knows the folder yet, so each file is
// written in place and reaches the disk before the folder takes the old
// one's name.
void writeNew(const QString &path, const QString &name, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw TrivoError(cannotWriteText(name, systemReason(errno)));
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    int err = 0;
    while (left > 0 && !err) {
        const ssize_t n = ::write(fd, p, size_t(std::min<qsizetype>(left, qsizetype(1) << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            err = n < 0 ? errno : ENOSPC;
        else {
            p += n;
            left -= n;
        }
    }
    if (!err && ::fdatasync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err && errno != EINTR)
        err = errno;
    if (err)
        throw TrivoError(cannotWriteText(name, systemReason(err)));
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

QString besideName(const QString &folder, const char *what)
{
    return folder + u'.' + QLatin1String(what) + u'-' +
           QString::number(QRandomGenerator::global()->bounded(100000000), 36);
}

// ---- the server's side ----

BankVersion versionFrom(const QSqlQuery &q)
{
    BankVersion v;
    v.subject = q.value(0).toString();
    v.version = q.value(1).toInt();
    v.author = q.value(2).toString();
    v.published = q.value(3).toDateTime();
    v.hash = q.value(4).toString();
    v.files = q.value(5).toInt();
    v.bytes = q.value(6).toLongLong();
    if (!q.value(7).isNull())
        v.basedOn = q.value(7).toInt();
    return v;
}

BankVersion versionRow(QSqlDatabase &db, const QString &subject, int version)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT subject, version, author, published, hash, files, bytes, based_on"
                             " FROM bank_versions WHERE subject = ? AND version = ?"));
    q.addBindValue(subject);
    q.addBindValue(version);
    if (!q.exec() || !q.next())
        failWith(QStringLiteral("Версия не прочитана"), q.lastError());
    return versionFrom(q);
}

// Inside a transaction: the next version of the subject, every other
// publisher of it waiting until this one is done.
int nextVersion(QSqlDatabase &db, const QString &subject)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("LOCK TABLE bank_versions IN SHARE ROW EXCLUSIVE MODE")))
        failWith(QStringLiteral("Банк не опубликован"), q.lastError());
    q.prepare(QStringLiteral("SELECT COALESCE(MAX(version), 0) + 1 FROM bank_versions WHERE subject = ?"));
    q.addBindValue(subject);
    if (!q.exec() || !q.next())
        failWith(QStringLiteral("Банк не опубликован"), q.lastError());
    return q.value(0).toInt();
}

// Runs the work in one transaction; rolled back on any failure.
template <class F> auto inTransaction(QSqlDatabase &db, F work) -> decltype(work())
{
    if (!db.transaction())
        failWith(QStringLiteral("Сервер не начал запись"), db.lastError());
    try {
        auto out = work();
        if (!db.commit())
            failWith(QStringLiteral("Сервер не сохранил запись"), db.lastError());
        return out;
    } catch (...) {
        db.rollback();
        throw;
    }
}

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

// ---- the PC's side ----

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

QString bankHash(std::vector<BankFile> files)
{
    std::sort(files.begin(), files.end(),
              [](const BankFile &a, const BankFile &b) { return a.path.toUtf8() < b.path.toUtf8(); });
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const BankFile &f : files) {
        const QByteArray path = f.path.toUtf8();
        const QByteArray size = QByteArray::number(f.content.size());
        h.addData(path);
        h.addData(QByteArrayView("\0", 1));
        h.addData(size);
        h.addData(QByteArrayView("\0", 1));
        h.addData(f.content);
    }
    return QString::fromLatin1(h.result().toHex());
}

std::vector<BankFile> readSubjectFolder(const QString &folder)
{
    const QString root = QDir(folder).absolutePath();
    if (QFileInfo(root).isSymLink())
        throw TrivoError(QStringLiteral("Папка предмета %1 — ссылка на другую папку: банк не прочитан.")
                             .arg(QDir::toNativeSeparators(root)));
    std::vector<BankFile> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString path = QDir(root).relativeFilePath(info.filePath());
        if (info.isSymLink())
            throw TrivoError(
                QStringLiteral("В папке предмета есть ссылка %1: её содержимое не входит в банк. Замените ссылку "
                               "самим файлом или папкой.")
                    .arg(path));
        if (info.isDir() || path == versionFileName || path == scratchFileName)
            continue;
        QFile f(info.filePath());
        if (!f.open(QIODevice::ReadOnly))
            throw TrivoError(QStringLiteral("Файл %1 не прочитан: %2").arg(path, f.errorString()));
        files.push_back({path, f.readAll()});
    }
    return files;
}

void replaceSubjectFolder(const QString &folder, const std::vector<BankFile> &files)
{
    const QString target = QDir::cleanPath(QDir(folder).absolutePath());
    const QString staged = besideName(target, "new");
    auto dropStaged = [&] { QDir(staged).removeRecursively(); };
    if (!QDir().mkdir(staged))
        throw TrivoError(
            QStringLiteral("Не удалось создать папку %1 рядом с банком.").arg(QFileInfo(staged).fileName()));
    try {
        for (const BankFile &f : files) {
            if (!safeRelativePath(f.path) && f.path != versionFileName)
                throw TrivoError(QStringLiteral("Недопустимый путь файла банка «%1».").arg(f.path));
            const QString path = staged + u'/' + f.path;
            if (!QDir().mkpath(QFileInfo(path).path()))
                throw TrivoError(QStringLiteral("Не удалось создать папку для файла %1.").arg(f.path));
            writeNew(path, f.path, f.content);
        }
        QDirIterator dirs(staged, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (dirs.hasNext())
            syncFolder(dirs.next());
        syncFolder(staged);
    } catch (...) {
        dropStaged();
        throw;
    }
    // The new folder is whole on the disk; now it takes the old one's name.
    // The old one keeps a second name until the new one is in place.
    const QByteArray to = QFile::encodeName(target);
    if (!QFileInfo::exists(target)) {
        if (::rename(QFile::encodeName(staged).constData(), to.constData()) != 0) {
            const int err = errno;
            dropStaged();
            throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
        }
    } else if (::renameat2(AT_FDCWD, QFile::encodeName(staged).constData(), AT_FDCWD, to.constData(),
                           RENAME_EXCHANGE) == 0) {
        // Swapped in one step: the folder's name never stands empty, for a
        // program reading the bank meanwhile. The staged name now holds the old bank.
        dropStaged();
    } else if (errno != EINVAL && errno != ENOSYS) {
        const int err = errno;
        dropStaged();
        throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
    } else {
        // A file system that cannot swap two names: the old folder steps aside first.
        const QString old = besideName(target, "old");
        const QByteArray kept = QFile::encodeName(old);
        if (::rename(to.constData(), kept.constData()) != 0) {
            const int err = errno;
            dropStaged();
            throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
        }
        if (::rename(QFile::encodeName(staged).constData(), to.constData()) != 0) {
            const int err = errno;
            (void)::rename(kept.constData(), to.constData());
            dropStaged();
            throw TrivoError(cannotWriteText(QFileInfo(target).fileName(), systemReason(err)));
        }
        QDir(old).removeRecursively();
    }
    syncFolder(QFileInfo(target).path());
}

SchoolConnection::SchoolConnection(const JournalSettings &settings)
    : m_name(QStringLiteral("school-banks-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    db.setHostName(settings.host);
    db.setPort(settings.port);
    db.setDatabaseName(settings.database);
    db.setUserName(settings.user);
    db.setPassword(settings.password);
    const int answer = qMax(1, settings.answerSeconds);
    db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;tcp_user_timeout=%3")
                             .arg(qMax(1, settings.connectSeconds))
                             .arg(qMax(1, answer / 2))
                             .arg(answer * 1000 * 6)); // a 20 MB bank may take a while on a slow network
    db.open();
}

SchoolConnection::~SchoolConnection()
{
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase SchoolConnection::db() const
{
    return QSqlDatabase::database(m_name, false);
}

bool SchoolConnection::isOpen() const
{
    return db().isOpen();
}

QString SchoolConnection::error() const
{
    return QStringLiteral("Сервер школы недоступен: %1").arg(sqlReason(db().lastError()));
}

std::optional<BankVersion> publishSubject(QSqlDatabase &db, const QString &subject, const QString &folder,
                                          QString &error)
{
    try {
        const QString name = trimmed(subject);
        // The bank as the program leaves it on opening (the files it makes
        // when missing), so that opening it on a PC changes nothing there.
        BankFiles(folder).openAll();
        const std::vector<BankFile> files = readSubjectFolder(folder);
        if (files.empty())
            throw TrivoError(QStringLiteral("В папке предмета «%1» нет файлов: публиковать нечего.").arg(name));
        const QString hash = bankHash(files);
        qint64 bytes = 0;
        for (const BankFile &f : files)
            bytes += f.content.size();
        const BankVersion done = inTransaction(db, [&] {
            const int version = nextVersion(db, name);
            QSqlQuery q(db);
            q.prepare(QStringLiteral("INSERT INTO bank_versions (subject, version, hash, files, bytes, folder)"
                                     " VALUES (?, ?, ?, ?, ?, ?)"));
            for (const QVariant &v : {QVariant(name), QVariant(version), QVariant(hash), QVariant(int(files.size())),
                                      QVariant(bytes), QVariant(QFileInfo(folder).fileName())})
                q.addBindValue(v);
            if (!q.exec())
                failWith(QStringLiteral("Банк не опубликован"), q.lastError());
            q.prepare(QStringLiteral("INSERT INTO bank_files (subject, version, path, content) VALUES (?, ?, ?, ?)"));
            for (const BankFile &f : files) {
                q.addBindValue(name);
                q.addBindValue(version);
                q.addBindValue(f.path);
                // An empty file is empty content, never a missing one.
                q.addBindValue(f.content.isNull() ? QByteArray("") : f.content);
                if (!q.exec())
                    failWith(QStringLiteral("Файл %1 не опубликован").arg(f.path), q.lastError());
            }
            return versionRow(db, name, version);
        });
        // This PC holds what it has just published: a fetch leaves it be.
        replaceFile(QDir(folder).filePath(versionFileName), heldText(done.version, hash));
        return done;
    } catch (const TrivoError &e) {
        error = e.text();
        return std::nullopt;
    }
}

std::optional<std::vector<BankVersion>> subjectVersions(QSqlDatabase &db, const QString &subject, QString &error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT subject, version, author, published, hash, files, bytes, based_on"
                             " FROM bank_versions WHERE subject = ? ORDER BY version DESC"));
    q.addBindValue(trimmed(subject));
    if (!q.exec()) {
        error = QStringLiteral("Версии не прочитаны: ") + sqlReason(q.lastError());
        return std::nullopt;
    }
    std::vector<BankVersion> out;
    while (q.next())
        out.push_back(versionFrom(q));
    return out;
}

std::optional<BankVersion> republishVersion(QSqlDatabase &db, const QString &subject, int version, QString &error)
{
    const QString name = trimmed(subject);
    try {
        return inTransaction(db, [&] {
            const int next = nextVersion(db, name);
            QSqlQuery q(db);
            q.prepare(
                QStringLiteral("INSERT INTO bank_versions (subject, version, hash, files, bytes, based_on, folder)"
                               " SELECT subject, ?, hash, files, bytes, version, folder FROM bank_versions"
                               " WHERE subject = ? AND version = ?"));
            q.addBindValue(next);
            q.addBindValue(name);
            q.addBindValue(version);
            if (!q.exec())
                failWith(QStringLiteral("Версия не опубликована снова"), q.lastError());
            if (q.numRowsAffected() != 1)
                throw TrivoError(QStringLiteral("Версии %1 предмета «%2» на сервере нет.").arg(version).arg(name));
            q.prepare(
                QStringLiteral("INSERT INTO bank_files (subject, version, path, content)"
                               " SELECT subject, ?, path, content FROM bank_files WHERE subject = ? AND version = ?"));
            q.addBindValue(next);
            q.addBindValue(name);
            q.addBindValue(version);
            if (!q.exec())
                failWith(QStringLiteral("Версия не опубликована снова"), q.lastError());
            return versionRow(db, name, next);
        });
    } catch (const TrivoError &e) {
        error = e.text();
        return std::nullopt;
    }
}

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
