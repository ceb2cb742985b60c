#pragma once
#include <QDialog>
#include <memory>

class Journal;
class ResultsModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class GradeChart;

// The results journal, where the teacher sees every run: the results with
// filters, a result's questions, a pupil's grades over time, a topic's grades,
// the report on a topic's questions, and export to a spreadsheet. A "W" user
// sees only the runs recorded under their own log-in.
class JournalWindow : public QDialog
{
    Q_OBJECT
public:
    // onlyUserCode: the code whose runs a "W" user may see; empty for the administrator.
    JournalWindow(Journal &journal, QWidget *parent = nullptr);
    ~JournalWindow() override;

    // Shows the window for this user, reading the journal anew.
    void openFor(const QString &onlyUserCode);

    QLineEdit *Uchenik;
    QComboBox *Predmet, *Tema, *Ocenka;
    QCheckBox *ZaPeriod;
    QDateEdit *Ot, *Do;
    QTableView *Rezultaty;
    QTabWidget *Razdely;
    QTableWidget *Woprosy, *Otchet;
    GradeChart *OcenkiUchenika, *OcenkiTemy;
    QLabel *Itogo;
    QPushButton *Excel, *Tablica, *Zakryt;

    // The filters as set, and what the table shows (every result that passes them).
    void applyFilter();
    std::vector<QStringList> shownRows();
    QStringList shownCaptions() const;
    // Writes what is shown as a workbook into <installation folder>/Documents and opens it.
    void ExcelClick();
    // Hands what is shown to the spreadsheet program as a semicolon text file.
    void TablicaClick();

private:
    void showFiltered();
    void resultChosen(int row);
    void showPupilChart(const QString &pupil);
    void showTopicChart(const QString &subject, const QString &topic);
    void showQuestionReport();
    void fillChoices();
    void showError(const QString &text, const QString &details);
    // The window while it reads the journal: the wait cursor, the controls at
    // rest and a word in the total line. The journal itself bounds how long a
    // server may keep it waiting.
    class Busy;
    int m_busy = 0;

    Journal &m_journal;
    std::unique_ptr<ResultsModel> m_model;
    QString m_onlyUserCode;
};
