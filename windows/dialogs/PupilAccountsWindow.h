#pragma once
#include "accounts.h"
#include "journalsettings.h"
#include "stringtable.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class StringTableModel;

// The pupils' accounts on the school's server: a class's pupils with their
// codes, a class list loaded, a new code for a pupil, the cards to hand out.
// It talks to the server as the teacher whose login the settings hold, each
// step on its own thread, so that a slow or absent server never freezes it.
class PupilAccountsWindow : public QDialog
{
    Q_OBJECT
public:
    // teacher: the school's server, the teacher's login and password.
    explicit PupilAccountsWindow(const JournalSettings &teacher, QWidget *parent = nullptr);
    ~PupilAccountsWindow() override;

    void KlassChange();
    void ZagruzitClick();
    void NowyKodClick();
    void OtklyuchitClick();
    void KartochkiClick();

    // Whether a step is with the server; the window's buttons wait for it.
    bool busy() const { return m_busy; }
    // The class chosen in the box; empty for the whole school.
    QString chosenClass() const;
    const std::vector<PupilAccount> &accounts() const { return m_accounts; }

    QComboBox *Klass;
    QTableView *Spisok;
    QLabel *Sostoyanie;
    QPushButton *Zagruzit, *NowyKod, *Otklyuchit, *Kartochki, *Zakryt;

signals:
    // A step with the server is over and its outcome is shown.
    void settled();

private:
    // What a step brings back to the window's thread.
    struct Outcome {
        QString error, message, caption;
        QString selectClass; // the class to show next; empty keeps the choice
        QStringList classes;
        std::vector<PupilAccount> accounts;
        QString openFile; // written for the teacher, to be opened
    };
    using Job = std::function<QString(QSqlDatabase &, Outcome &)>;
    // Runs job (may be empty) and then reads the classes and the accounts of
    // the class to show, on a thread of its own; busyText shows meanwhile.
    // A failure goes into a box captioned caption, or with none only into
    // the window's line of state.
    void start(const QString &busyText, const QString &caption, Job job);
    void finish(const Outcome &outcome);
    void setBusy(bool busy);
    // The account of the row chosen in the list; nothing (and a word said) when none is.
    const PupilAccount *chosenAccount();

    JournalSettings m_settings;
    StringTable m_grid{3, 1};
    StringTableModel *m_model;
    std::vector<PupilAccount> m_accounts;
    bool m_busy = false, m_filling = false;
};
