// A subject published on the school's server by a teacher, its versions and
// an earlier one published again; the content hash both sides compare.
#include "bankpublish.h"
#include "bank.h"
#include "bankparts.h"
#include "durablefile.h"
#include "errors.h"
#include "journalsettings.h"
#include "text.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

using namespace bankparts;

namespace
{
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
