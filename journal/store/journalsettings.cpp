#include "journalsettings.h"
#include "installfolder.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString iniName = QStringLiteral("journal.ini");
const QString passName = QStringLiteral("journal.pass");

} // namespace

QString readPassword(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString p = QString::fromUtf8(f.readAll());
    // An editor's line end is no part of the password.
    while (p.endsWith(u'\n') || p.endsWith(u'\r'))
        p.chop(1);
    return p;
}

// The password file is made owner-only before a byte of the password is in it.
QString writePassword(const QString &path, const QString &password)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return QStringLiteral("Не удалось записать файл %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    QString error;
    const QByteArray bytes = password.toUtf8();
    if (::fchmod(fd, 0600) != 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
        ::fsync(fd) != 0)
        error = QStringLiteral("Не удалось записать файл %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    ::close(fd);
    return error;
}

JournalSettings JournalSettings::load()
{
    return load(installPath(QStringLiteral("Baza")));
}

JournalSettings JournalSettings::load(const QString &bazaFolder)
{
    const QDir baza(bazaFolder);
    JournalSettings s;
    s.file = baza.filePath(QStringLiteral("journal.sqlite"));
    s.outbox = baza.filePath(QStringLiteral("outbox.sqlite"));
    QSettings ini(baza.filePath(iniName), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Journal"));
    const QString engine = ini.value(QStringLiteral("Engine")).toString().trimmed().toLower();
    if (engine == u"postgresql" || engine == u"server")
        s.engine = Engine::Server;
    s.host = ini.value(QStringLiteral("Host"), s.host).toString().trimmed();
    bool ok = false;
    const int port = ini.value(QStringLiteral("Port")).toInt(&ok);
    if (ok && port > 0 && port < 65536)
        s.port = port;
    s.database = ini.value(QStringLiteral("Database"), s.database).toString().trimmed();
    s.user = ini.value(QStringLiteral("User"), s.user).toString().trimmed();
    s.school = s.engine == Engine::Server && ini.value(QStringLiteral("School"), false).toBool();
    s.askPupilName = ini.value(QStringLiteral("AskPupilName"), false).toBool();
    s.askPupilClass = ini.value(QStringLiteral("AskPupilClass"), false).toBool();
    s.repeatMistakes = ini.value(QStringLiteral("RepeatMistakes"), true).toBool();
    const int seconds = ini.value(QStringLiteral("ConnectTimeout")).toInt(&ok);
    if (ok && seconds > 0)
        s.connectSeconds = seconds;
    const int answer = ini.value(QStringLiteral("AnswerTimeout")).toInt(&ok);
    if (ok && answer > 0)
        s.answerSeconds = answer;
    s.password = readPassword(baza.filePath(passName));
    return s;
}

QString JournalSettings::save(const QString &bazaFolder) const
{
    const QDir baza(bazaFolder);
    if (!QDir().mkpath(bazaFolder))
        return QStringLiteral("Не удалось создать папку %1").arg(bazaFolder);
    {
        QSettings ini(baza.filePath(iniName), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Journal"));
        ini.setValue(QStringLiteral("Engine"),
                     engine == Engine::Server ? QStringLiteral("postgresql") : QStringLiteral("sqlite"));
        ini.setValue(QStringLiteral("Host"), host);
        ini.setValue(QStringLiteral("Port"), port);
        ini.setValue(QStringLiteral("Database"), database);
        ini.setValue(QStringLiteral("User"), user);
        ini.setValue(QStringLiteral("School"), school);
        ini.setValue(QStringLiteral("ConnectTimeout"), connectSeconds);
        ini.setValue(QStringLiteral("AnswerTimeout"), answerSeconds);
        ini.setValue(QStringLiteral("AskPupilName"), askPupilName);
        ini.setValue(QStringLiteral("AskPupilClass"), askPupilClass);
        ini.setValue(QStringLiteral("RepeatMistakes"), repeatMistakes);
        ini.endGroup();
        ini.sync();
        if (ini.status() != QSettings::NoError)
            return QStringLiteral("Не удалось записать файл %1").arg(baza.filePath(iniName));
    }
    return writePassword(baza.filePath(passName), password);
}

QString JournalSettings::place() const
{
    if (engine == Engine::Embedded)
        return QStringLiteral("файл %1").arg(QDir::toNativeSeparators(file));
    return QStringLiteral("сервер %1:%2, база %3").arg(host).arg(port).arg(database);
}
