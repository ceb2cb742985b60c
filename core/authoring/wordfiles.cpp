#include "wordfiles.h"
#include "errors.h"
#include "rtftext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace
{

const QString ConverterName = QStringLiteral("LibreOffice");

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

// The same checks and messages as for a plain import file.
void checkReadable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw TrivoError(fileNotFoundText());
    if (info.isDir())
        throw TrivoError(cannotReadText(info.fileName(), QStringLiteral("это папка")));
}

bool startsLikeRtf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && looksLikeRtf(f.peek(8));
}

QString noConverterText(const QString &path)
{
    return QStringLiteral("Документ «%1» читается только через %2, а он не установлен. Установите %2 "
                          "(в Debian и Ubuntu — пакет libreoffice-writer) или сохраните документ "
                          "как обычный текст (.txt) и импортируйте его.")
        .arg(nameOf(path), ConverterName);
}

[[noreturn]] void conversionFailed(const QString &path, const QString &why)
{
    throw TrivoError(QStringLiteral("%1 не смог перевести документ «%2» в текст: %3. Импорт не выполнен.")
                         .arg(ConverterName, nameOf(path), why));
}

// The last line the program wrote that says something, for the message.
QString lastWords(QProcess &p)
{
    const QStringList lines = QString::fromLocal8Bit(p.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString l = it->trimmed();
        if (!l.isEmpty() && !l.startsWith(QStringLiteral("Warning:")))
            return l;
    }
    return {};
}

// The converter hands the work on to a child of its own; both are stopped.
void stopAll(QProcess &p)
{
#ifdef Q_OS_UNIX
    if (p.processId() > 0)
        ::kill(-pid_t(p.processId()), SIGKILL);
#endif
    p.kill();
    p.waitForFinished(5000);
}

} // namespace

void removeStaleConverterPipes(const QString &folder)
{
#ifdef Q_OS_UNIX
    // The converter answers a second start through a socket of its own in the
    // system's temporary folder, whatever TMPDIR says; one that was stopped
    // leaves it there. A socket nobody listens on is only litter.
    const QString prefix = QStringLiteral("OSL_PIPE_%1_").arg(::getuid());
    for (const QString &name : QDir(folder).entryList({prefix + u'*'}, QDir::System | QDir::Hidden)) {
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(name));
        struct stat st = {};
        sockaddr_un addr = {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::getuid() ||
            size_t(path.size()) >= sizeof addr.sun_path)
            continue;
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        const bool stale =
            ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 && errno == ECONNREFUSED;
        ::close(fd);
        if (stale)
            ::unlink(path.constData());
    }
#else
    Q_UNUSED(folder);
#endif
}

bool isWordDocument(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"doc" || suffix == u"docx" || suffix == u"odt" || suffix == u"rtf";
}

QString documentConverter()
{
    const QString named = qEnvironmentVariable("TRIVO_SOFFICE");
    if (!named.isEmpty()) {
        if (!QFileInfo(named).isAbsolute())
            return QStandardPaths::findExecutable(named);
        const QFileInfo info(named);
        return info.isFile() && info.isExecutable() ? named : QString();
    }
    for (const QString &name : {QStringLiteral("soffice"), QStringLiteral("libreoffice")}) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString converterProfileFolder()
{
    // One folder for the program, its tests and its tools alike, whatever the
    // executable is called.
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        cache = QDir::tempPath();
    return QDir(cache).filePath(QStringLiteral("trivo/office-profile"));
}

QByteArray convertDocumentToText(const QString &program, const QString &path, int timeoutMs)
{
    checkReadable(path);
    QTemporaryDir work;
    if (!work.isValid())
        conversionFailed(path, QStringLiteral("не удалось создать временную папку"));
    // A copy under a plain name: the converter never meets an odd file name
    // and leaves no lock file beside the author's document.
    const QString input = work.filePath(QStringLiteral("document.") + QFileInfo(path).suffix().toLower());
    if (!QFile::copy(path, input))
        throw TrivoError(cannotReadText(nameOf(path), QStringLiteral("не удалось скопировать")));
    const QString out = work.filePath(QStringLiteral("out"));
    const QString profile = converterProfileFolder();
    QDir().mkpath(profile);

    // Its temporary files go into our temporary folder, which goes with it,
    // also when the conversion is stopped.
    const QString scratch = work.filePath(QStringLiteral("tmp"));
    QDir().mkpath(scratch);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {QStringLiteral("TMPDIR"), QStringLiteral("TMP"), QStringLiteral("TEMP")})
        env.insert(name, scratch);
    struct PipeSweep {
        ~PipeSweep() { removeStaleConverterPipes(QStringLiteral("/tmp")); }
    } sweep;

    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
#ifdef Q_OS_UNIX
    // A process group of its own, so that a conversion that hangs can be
    // stopped together with the children it started.
    p.setChildProcessModifier([] { ::setsid(); });
#endif
    p.start(program, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                      QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                      QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("--outdir"), out, input});
    if (!p.waitForStarted(30000))
        conversionFailed(path, QStringLiteral("программа %1 не запускается (%2)").arg(program, p.errorString()));
    if (!p.waitForFinished(timeoutMs)) {
        stopAll(p);
        conversionFailed(path, QStringLiteral("он не закончил работу за %1 с").arg((timeoutMs + 999) / 1000));
    }
    const QString said = lastWords(p);
    if (p.exitStatus() != QProcess::NormalExit)
        conversionFailed(path, said.isEmpty() ? QStringLiteral("программа завершилась аварийно") : said);
    if (p.exitCode() != 0)
        conversionFailed(path, said.isEmpty() ? QStringLiteral("код завершения %1").arg(p.exitCode()) : said);
    const QStringList made = QDir(out).entryList({QStringLiteral("*.txt")}, QDir::Files);
    if (made.isEmpty())
        conversionFailed(path, said.isEmpty() ? QStringLiteral("текст не получен") : said);
    QFile text(QDir(out).filePath(made.first()));
    if (!text.open(QIODevice::ReadOnly))
        conversionFailed(path, text.errorString());
    return text.readAll();
}

ImportText readImportDocument(const QString &path, int timeoutMs)
{
    if (!isWordDocument(path))
        return readImportText(path);
    checkReadable(path);
    const QString program = documentConverter();
    if (program.isEmpty()) {
        if (startsLikeRtf(path))
            return readImportText(path);
        throw TrivoError(noConverterText(path));
    }
    ImportText text = importTextOf(convertDocumentToText(program, path, timeoutMs));
    text.converted = true;
    return text;
}
