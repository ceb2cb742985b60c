#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The school's server for the administrator: sets it up once (the database,
// the roles of the journal's owner, of the pupils' PCs and of each teacher),
// and points this PC at it. The password of the PostgreSQL user who sets it
// up is used for that and kept nowhere.
class SchoolServerWindow : public QDialog
{
    Q_OBJECT
public:
    explicit SchoolServerWindow(QWidget *parent = nullptr);

    // Sets the server up as the fields say, off the window's thread; then
    // points this PC at it.
    void NastroitServerClick();
    // Points this PC at the server with the PCs' password typed.
    void PodklyuchitPKClick();
    // Whether a set-up or a connection is under way (for tests).
    bool busy() const { return m_busy; }

    QLineEdit *SerwerAdres, *SerwerPort, *SerwerBaza, *SerwerAdmin, *SerwerAdminParol, *ParolPK;
    QPlainTextEdit *Uchitelya;
    QPushButton *NastroitServer, *PodklyuchitPK, *Zakryt;
    QLabel *SerwerItog;

signals:
    // This PC's journal settings now point at the school's server.
    void journalChanged();

private:
    void setBusy(bool busy, const QString &text);
    void say(const QString &text);
    // Writes this PC's settings for the school's server; false after a message.
    bool keepPcSettings(const QString &pcPassword);
    bool m_busy = false;
};
