#pragma once
#include <QString>

// Where the results journal lives: the embedded database file of this PC, or
// a server the whole school shares. Kept in Baza/journal.ini; the server's
// password sits alone in Baza/journal.pass, readable by its owner only, and
// never in the ini.
struct JournalSettings {
    enum class Engine { Embedded, Server };
    Engine engine = Engine::Embedded;
    QString file;   // the embedded database, Baza/journal.sqlite
    QString outbox; // results that wait for the journal, Baza/outbox.sqlite
    QString host;
    int port = 5432;
    QString database = QStringLiteral("trivo");
    QString user = QStringLiteral("trivo");
    QString password;
    // A PC of a school whose server was set up for it: it logs in as the
    // pupils' PCs' role, which only calls the server's functions (a pupil's
    // log-in, recording a run, the pupil's own results and schedule, the
    // published banks); a teacher's own role reads the journal.
    bool school = false;
    int connectSeconds = 5;
    // How long the server may take to answer once connected: a server that
    // stopped answering (a network cut, a frozen machine) is given up after it.
    int answerSeconds = 10;
    // Every run starts by asking the pupil's name for the journal (the administrator's choice).
    bool askPupilName = false;
    // And the pupil's class with it («9А»).
    bool askPupilClass = false;
    // «Работа над ошибками» may be started; the administrator switches it off on exam days.
    bool repeatMistakes = true;

    // The settings of the installation folder (its Baza/ folder); what is
    // missing keeps its default. A folder given explicitly is used by tests.
    static JournalSettings load();
    static JournalSettings load(const QString &bazaFolder);
    // Writes journal.ini and journal.pass into the folder; the error text
    // (Russian, with the file's name) or nothing.
    QString save(const QString &bazaFolder) const;

    // "сервер host:port, база database" or the file, for messages.
    QString place() const;
};

// A password kept in a file of its own: read without an editor's line end;
// written into a file that only its owner may read, made so before a byte of
// the password is in it. The error text (Russian, with the file's name) or nothing.
QString readPassword(const QString &path);
QString writePassword(const QString &path, const QString &password);
