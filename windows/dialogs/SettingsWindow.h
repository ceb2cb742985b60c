#pragma once
#include "colors.h"
#include "journalsettings.h"
#include "settings.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The settings as the program read them: the settings file (nothing when it
// could not be read) and the journal's.
struct SettingsRead {
    std::optional<NoKor> file;
    JournalSettings journal;
};

// The settings window, where the administrator sets the user name, the office
// version, the question times, the grade bounds and the limit of questions.
class SettingsWindow : public QDialog
{
    Q_OBJECT
public:
    // The program's start reads the settings into the program's state once,
    // telling a file it cannot read; the window, made when it is first
    // wanted, shows what was read then.
    static SettingsRead readIntoProgram();

    // mainColour tells the main window's background colour, which the settings store.
    SettingsWindow(const SettingsRead &read, std::function<ColorCode()> mainColour, QWidget *parent = nullptr);

    // Reads the settings again, into the program's state and the fields.
    void FormCreate();
    void ZapNastrClick();
    void BitBtn4Click();
    void BitBtn1Click();
    // Tries the journal as the fields say and tells in words whether it answers.
    void ProveritPodklClick();

    QLineEdit *LabeledEditFima, *VerOff, *BazWrWopr, *DeltaOtw, *TriProc, *ChetProc, *PaytProc, *MaxWopr;
    QPushButton *BitBtn4, *ZapNastr, *BitBtn2, *BitBtn1;
    // The results journal: the school's server instead of this PC's own file, and the name asked at every start.
    QCheckBox *ZhurnalServer, *SprashivatImya, *SprashivatKlass;
    QPushButton *ProveritPodkl;
    // Sets up the school's server and points this PC at it.
    QPushButton *NastroitServerShkoly;
    void NastroitServerShkolyClick();
    // The mode that brings mistakes back; off on exam days.
    QCheckBox *RabotaNadOshibkami;
    // The high-contrast colour scheme, for this user, at once.
    QCheckBox *Kontrast;
    QLineEdit *ZhurnalHost, *ZhurnalPort, *ZhurnalBaza, *ZhurnalPolz, *ZhurnalParol;

signals:
    // A new background colour for the main window was chosen.
    void mainColourChosen(ColorCode c);
    // The journal's settings were stored: the journal is to be opened anew.
    void journalChanged();

private:
    // The journal's settings as the fields say; nothing, after a message, when they cannot be.
    std::optional<JournalSettings> journalFromFields();
    void showRead(const SettingsRead &read);
    std::function<ColorCode()> m_mainColour;
    QString m_line1; // the reserved first line, written back as read
};
