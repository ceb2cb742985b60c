#pragma once
#include "journalsettings.h"
#include "stringtable.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct BankFiles;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QVBoxLayout;
class QProgressBar;
class QPushButton;
class QTableView;
class StringTableModel;
class WordDocument;

// The import and editor window: the bank's sections, topics, questions and
// answers as editable tables, and the staging table of the text imports.
class EditorWindow : public QDialog
{
    Q_OBJECT
public:
    explicit EditorWindow(QWidget *parent = nullptr);
    ~EditorWindow() override;

    void FormCreate();
    void FormActivate();
    // Shows the question of this key (Predm_Tema_Test_Wopr) with its answers,
    // at once or when the window is next shown: where a teacher corrects a key.
    void showQuestion(const QString &questionKey);

    // Editing the bank tables: storing each into its file, rows in and out,
    // following the mouse, pictures, points, the exam and the printout.
    void ZapRazdelClick();
    void ZapTemaClick();
    void ZapWoprClick();
    void ZapOtwClick();
    void TemaPlusClick();
    void WoprPlusClick();
    void OtwPlusClick();
    void TemaMinClick();
    void WopMinClick();
    void OtwMinClick();
    // row: the table row pressed (1 = the first data row).
    void TemaTablMouseDown(int row);
    void WopTablMouseDown(int row);
    void OtwTablMouseDown(int row);
    void PtiwGifClick();
    void BitBtn2Click();
    void TemExamClick();
    void BitBtn1Click();

    // Text imports and the decoder.
    void ZagTXTClick();
    void wVoprosClick();
    void EGEClick();
    void DekodirClick();
    // Captions, hints and buttons of the import group.
    void connectImports();

    // The bank check: the findings in a list whose items lead to their rows.
    void ProverkaBankaClick();
    void ShowFinding(QListWidgetItem *item);
    QPushButton *ProverkaBanka = nullptr;
    QDialog *OknoProverki = nullptr;
    QListWidget *SpisokOshibok = nullptr;

    // A GIFT, Aiken or Moodle XML file into the tables (EditorInterchange.cpp).
    void IzMoodleClick();
    void connectInterchange();

    QTableView *RazdelTab, *TemaTabl, *WopTabl, *OtwTabl, *IzTXT;
    QLineEdit *KolTem, *NoTem, *KolWop, *NoWop, *ImyFile, *KolOtw, *NoOtw;
    QPushButton *ZapRazdel, *TemaPlus, *TemaMin, *ZapTema, *BitBtn1, *PtiwGif, *WoprPlus, *WopMin, *BitBtn2, *ZapWopr,
        *OtwPlus, *OtwMin, *ZapOtw, *EGE, *ZagTXT, *wVopros, *Dekodir, *TemExam;
    QPushButton *IzMoodle = nullptr;
    QProgressBar *Gauge1;

    // Publishing the subject on the school's server, and its versions there
    // (EditorPublish.cpp). The buttons show for the administrator of a PC of
    // a school once the window knows how to get the teacher's own log-in.
    using TeacherSettings = std::function<std::optional<JournalSettings>()>;
    void setTeacherSettings(TeacherSettings teacher);
    void OpublikovatClick();
    void WersiiClick();
    QPushButton *Opublikovat = nullptr, *Wersii = nullptr;

    // Closing (its «Закрыть», Escape, the window's close button) asks first
    // when a bank table holds edits its file lacks.
    void reject() override;
    // Whether a bank table holds edits its file lacks.
    bool holdsUnstoredEdits() const;

protected:
    void showEvent(QShowEvent *e) override;

private:
    // Stores every bank table that holds unstored edits, as its store button
    // does; false when a store failed (it was shown).
    bool storeEdits();
    void connectEditor();
    void connectCheck(QVBoxLayout *side);
    void connectPublish(QVBoxLayout *side);
    void showPublishButtons();
    void showVersions(const JournalSettings &teacher, const QString &subject);
    TeacherSettings m_teacher;
    // Keeps the grid's focused cell on the table's selected row through every change.
    void followSelectedRow(QTableView *view, StringTableModel *model);
    void selectRow(QTableView *view, int row);
    void insertRow(QTableView *view, StringTable &t, QLineEdit *count);
    void deleteRow(QTableView *view, StringTable &t, QLineEdit *count);
    // Runs a store of the current subject's bank; a failure is shown. True when stored.
    bool storeIntoBank(const std::function<void(const BankFiles &)> &store);

    StringTableModel *m_models[5];
    // The sections, topics, questions and answers as last loaded or stored.
    std::vector<StoredMark> m_stored;
    void goToQuestion(const QString &questionKey);
    QString m_questionToShow; // shown when the window opens
    // The last topic printout; it stays with the author until the next one.
    std::unique_ptr<WordDocument> m_printout;
};
