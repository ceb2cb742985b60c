#include "teacheraccess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace
{
// The server as a key: a teacher may work with two schools' servers.
QString serverKey(const JournalSettings &pc)
{
    const QString place = QStringLiteral("%1:%2/%3").arg(pc.host).arg(pc.port).arg(pc.database);
    return QString::fromLatin1(QCryptographicHash::hash(place.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString iniPath()
{
    return QDir(teacherKeepFolder()).filePath(QStringLiteral("teacher.ini"));
}

QString passwordPath(const JournalSettings &pc)
{
    return QDir(teacherKeepFolder()).filePath(QStringLiteral("teacher-%1.pass").arg(serverKey(pc)));
}
} // namespace

QString teacherKeepFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("trivo"));
}

JournalSettings asTeacher(const JournalSettings &pc, const TeacherLogin &teacher)
{
    JournalSettings s = pc;
    s.engine = JournalSettings::Engine::Server;
    s.school = false; // the teacher's role reads and writes the journal itself
    s.user = teacher.login;
    s.password = teacher.password;
    return s;
}

std::optional<TeacherLogin> keptTeacherLogin(const JournalSettings &pc)
{
    QSettings ini(iniPath(), QSettings::IniFormat);
    const QString login = ini.value(serverKey(pc) + QStringLiteral("/Login")).toString().trimmed();
    if (login.isEmpty())
        return std::nullopt;
    return TeacherLogin{login, readPassword(passwordPath(pc))};
}

QString keepTeacherLogin(const JournalSettings &pc, const TeacherLogin &teacher, bool withPassword)
{
    const QString folder = teacherKeepFolder();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Не удалось создать папку %1").arg(folder);
    // Nobody else lists what is kept here.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        QSettings ini(iniPath(), QSettings::IniFormat);
        ini.setValue(serverKey(pc) + QStringLiteral("/Login"), teacher.login);
        ini.setValue(serverKey(pc) + QStringLiteral("/Server"), pc.place());
        ini.sync();
        if (ini.status() != QSettings::NoError)
            return QStringLiteral("Не удалось записать файл %1").arg(iniPath());
    }
    if (!withPassword) {
        forgetTeacherPassword(pc);
        return {};
    }
    return writePassword(passwordPath(pc), teacher.password);
}

void forgetTeacherPassword(const JournalSettings &pc)
{
    QFile::remove(passwordPath(pc));
}
