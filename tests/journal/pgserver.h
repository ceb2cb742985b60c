#pragma once
// A PostgreSQL server of its own for the journal tests: a new cluster in a
// temporary folder, listening on a free port of 127.0.0.1, stopped and removed
// at the end. Run as root (as CI does), the server runs as the postgres user.
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

class PgServer
{
public:
    static constexpr const char *admin = "trivo_admin";
    static constexpr const char *adminPassword = "Vtk9-adm1n";
    // What the school's PCs connect as: no superuser, the owner of its database.
    static constexpr const char *teacher = "trivo_teacher";
    static constexpr const char *teacherPassword = "klass 7'b\\";

    ~PgServer()
    {
        if (QSqlDatabase::contains(connection)) {
            QSqlDatabase::database(connection, false).close();
            QSqlDatabase::removeDatabase(connection);
        }
        stop();
    }

    // Empty on success, else what went wrong.
    QString start()
    {
        if (!QFileInfo::exists(bin("initdb")))
            return QStringLiteral("no PostgreSQL 15 in %1 (package postgresql)").arg(binFolder);
        if (!dir.isValid())
            return QStringLiteral("no temporary folder");
        if (::getuid() == 0) {
            const passwd *pw = ::getpwnam("postgres");
            if (!pw)
                return QStringLiteral("running as root and there is no postgres user");
            runAs = QStringLiteral("postgres");
            if (::chown(QFile::encodeName(dir.path()).constData(), pw->pw_uid, pw->pw_gid) != 0)
                return QStringLiteral("cannot give the temporary folder to postgres");
        }
        const QString pwfile = dir.filePath("pw");
        {
            QFile f(pwfile);
            if (!f.open(QIODevice::WriteOnly) || f.write(adminPassword) < 0)
                return QStringLiteral("cannot write the password file");
        }
        if (runAs.size())
            QProcess::execute("chown", {runAs, pwfile});
        QString out;
        if (!run(bin("initdb"),
                 {"-D", dir.filePath("data"), "-U", admin, "--pwfile", pwfile, "--auth", "scram-sha-256", "-E", "UTF8",
                  "--locale", "C", "-N"},
                 out))
            return "initdb failed: " + out;
        port = freePort();
        return startServer();
    }

    QString startServer()
    {
        QString out;
        const QString options =
            QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 ").arg(port).arg(dir.path()) + settings;
        if (!run(bin("pg_ctl"),
                 {"-D", dir.filePath("data"), "-l", dir.filePath("log"), "-w", "-t", "30", "-o", options, "start"},
                 out))
            return "pg_ctl start failed: " + out;
        running = true;
        // The admin's old connection died with the server that was stopped.
        if (QSqlDatabase::contains(connection))
            QSqlDatabase::database(connection, false).close();
        return {};
    }

    void stop()
    {
        if (!running)
            return;
        QString out;
        run(bin("pg_ctl"), {"-D", dir.filePath("data"), "-m", "immediate", "-w", "stop"}, out);
        running = false;
    }

    // A new empty database on the server, for one test.
    QString createDatabase()
    {
        if (!QSqlDatabase::contains(connection)) {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", connection);
            db.setHostName("127.0.0.1");
            db.setPort(port);
            db.setDatabaseName("postgres");
            db.setUserName(admin);
            db.setPassword(adminPassword);
        }
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (!db.isOpen() && !db.open())
            qFatal("cannot connect to the test server: %s", qPrintable(db.lastError().text()));
        const QString name = QStringLiteral("journal_%1").arg(++databases);
        QSqlQuery q(db);
        if (databases == 1 && !q.exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'klass 7''b\\'").arg(teacher)))
            qFatal("cannot create the role: %s", qPrintable(q.lastError().text()));
        if (!q.exec(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(name, teacher)))
            qFatal("cannot create a database: %s", qPrintable(q.lastError().text()));
        return name;
    }

    // The server processes that serve connections to a database.
    std::vector<qint64> backendsOf(const QString &database)
    {
        QSqlQuery q(QSqlDatabase::database(connection));
        q.prepare(QStringLiteral("SELECT pid FROM pg_stat_activity WHERE datname = ?"));
        q.addBindValue(database);
        std::vector<qint64> pids;
        if (q.exec())
            while (q.next())
                pids.push_back(q.value(0).toLongLong());
        return pids;
    }

    int port = 0;
    bool running = false;
    // The server's settings beyond where it listens: the tests need no
    // durability, a benchmark may want the defaults of a real server.
    QString settings = QStringLiteral("-c fsync=off -c full_page_writes=off -c max_connections=120");

private:
    QString bin(const char *name) const { return binFolder + u'/' + QLatin1String(name); }

    bool run(const QString &program, const QStringList &args, QString &out)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (runAs.isEmpty())
            p.start(program, args);
        else
            p.start("runuser", QStringList{"-u", runAs, "--", program} + args);
        const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        out = QString::fromLocal8Bit(p.readAll());
        if (!ok && out.isEmpty())
            out = p.errorString();
        return ok;
    }

    static int freePort()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        int port = 0;
        if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
            port = ntohs(a.sin_port);
        ::close(s);
        return port;
    }

    const QString binFolder = QStringLiteral("/usr/lib/postgresql/15/bin");
    const QString connection = QStringLiteral("test-server-admin");
    QTemporaryDir dir{QDir::tempPath() + "/trivo-pg-XXXXXX"};
    QString runAs;
    int databases = 0;
};
