#pragma once
#include "Report.h"

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
// filters, and in sections below them a run's questions, a pupil's page, a
// class's page, a topic's grades and the analysis of a topic's questions;
// what is shown is printed or saved as a workbook. A "W" user sees only the
// runs recorded under their own log-in.
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
    QComboBox *Klass, *Predmet, *Tema, *Ocenka;
    QCheckBox *ZaPeriod;
    QDateEdit *Ot, *Do;
    QTableView *Rezultaty;
    QTabWidget *Razdely;
    // The sections, in the order of their tabs.
    QTableWidget *Woprosy;
    QWidget *StranicaUchenika;
    QLabel *SvodkaUchenika;
    GradeChart *OcenkiUchenika;
    QTableWidget *ProhozhdeniyaUchenika, *SlabyeTemy, *PamyatUchenika;
    QPushButton *SbrositRaspisanie;
    QWidget *StranicaKlassa;
    QLabel *SvodkaKlassa;
    QTableWidget *UchenikiKlassa;
    GradeChart *OcenkiTemy;
    QWidget *Analiz;
    QLabel *Nadezhnost;
    QTableWidget *Otchet;
    QLabel *Itogo;
    QPushButton *Pechat, *Excel, *Tablica, *Zakryt;
    enum Section { RunSection, PupilSection, ClassSection, TopicSection, AnalysisSection };

    // The filters as set, and what the table shows (every result that passes them).
    void applyFilter();
    std::vector<QStringList> shownRows();
    QStringList shownCaptions() const;
    // What the window shows as a document: the results and the open section.
    Report shownReport();
    // The print preview of what is shown (Ctrl+P).
    void PechatClick();
    // Writes what is shown as a workbook where the user chooses (the
    // Documents folder at first) and opens it.
    void ExcelClick();
    // Forgets the shown pupil's schedule of mistakes, after asking.
    void SbrositRaspisanieClick();
    // Hands what is shown to the spreadsheet program as a semicolon text file.
    void TablicaClick();

private:
    // What each section shows, as the tables it was filled from, for
    // printing and the workbook.
    struct SectionView {
        QString title, summary;
        std::vector<ReportTable> tables;
    };
    void buildSections();
    void showFiltered();
    void resultChosen(int row);
    void showPupilPage(const QString &pupil);
    void showClassPage();
    void showTopicChart(const QString &subject, const QString &topic);
    void showQuestionAnalysis();
    void fillChoices();
    void showSection(Section section, SectionView view);
    void showError(const QString &text, const QString &details);
    // The window while it reads the journal: the wait cursor, the controls at
    // rest and a word in the total line. The journal itself bounds how long a
    // server may keep it waiting.
    class Busy;
    int m_busy = 0;

    Journal &m_journal;
    std::unique_ptr<ResultsModel> m_model;
    QString m_onlyUserCode;
    SectionView m_sections[5];
    QString m_pupilShown; // the pupil of the pupil's page
};
