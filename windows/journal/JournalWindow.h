#pragma once
#include "Report.h"
#include "pupilpages.h"
#include "questionanalysis.h"
#include "remarking.h"
#include "resultfilter.h"
#include "runresult.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

class JournalReader;
struct JournalSettings;
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
// runs recorded under their own log-in. Every query runs on the journal's
// own thread: the window opens at once, says it is reading, and a server
// that does not answer is told in the window, never in a box over the pupil.
class JournalWindow : public QDialog
{
    Q_OBJECT
public:
    JournalWindow(const JournalSettings &settings, QWidget *parent = nullptr);
    ~JournalWindow() override;

    // Shows the window for this user, reading the journal anew. userCode: the
    // code whose runs a "W" user may see, and ownPupil the name typed at the
    // log-in when names are asked; both empty for the administrator.
    void openFor(const QString &userCode, const QString &ownPupil = QString());
    // Whether a query is out that has not come back.
    bool reading() const;
    // Runs the events until every query came back, at most msec. For tests.
    bool waitUntilRead(int msec = 20000);

    QLineEdit *Uchenik;
    QComboBox *Klass, *Predmet, *Tema, *Ocenka;
    QCheckBox *ZaPeriod, *SPovtoreniem;
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
    QCheckBox *PervyePopytki;
    QLabel *Uchteno;
    QPushButton *Pereschitat;
    QLabel *Nadezhnost;
    QTableWidget *Otchet;
    QLabel *Itogo;
    QPushButton *Pechat, *Excel, *Tablica, *Zakryt;
    enum Section { RunSection, PupilSection, ClassSection, TopicSection, AnalysisSection };

    // The filters as set, and what the table shows (every result that passes them).
    void applyFilter();
    QStringList shownCaptions() const;
    // Every result that passes the filters, as the table shows them, read on
    // the journal's thread; done gets them (nothing when the journal failed,
    // which the window says).
    void readShownRows(std::function<void(std::vector<QStringList>)> done);
    // What the window shows as a document: these results and the open section.
    Report shownReport(const std::vector<QStringList> &rows);
    // The print preview of what is shown (Ctrl+P).
    void PechatClick();
    // Writes what is shown as a workbook where the user chooses (the
    // Documents folder at first) and opens it.
    void ExcelClick();
    // Forgets the shown pupil's schedule of mistakes, after asking.
    void SbrositRaspisanieClick();
    // Hands what is shown to the spreadsheet program as a semicolon text file.
    void TablicaClick();
    // Marks the kept answers to the question chosen in the analysis again with
    // the key the bank holds now, after showing what would change and asking.
    void PereschitatClick();

signals:
    // The administrator asked to correct this question of the subject's bank.
    void editQuestion(const QString &subject, const QString &questionKey);

private:
    // What each section shows, as the tables it was filled from, for
    // printing and the workbook.
    struct SectionView {
        QString title, summary;
        std::vector<ReportTable> tables;
    };
    // What each query is about; a newer query of a lane replaces an older.
    enum Lane {
        ResultsLane,
        WaitingLane,
        ChoicesLane,
        RunLane,
        PupilLane,
        ClassLane,
        TopicLane,
        AnalysisLane,
        RowsLane,
        ResetLane,
        RemarkLane
    };
    void buildSections();
    void buildKeys();
    ResultFilter scope() const;
    void resultsRead();
    void sayState();
    // What a query of a section brings back: the value, or why there is none.
    template <class T> struct Answer {
        std::optional<T> value;
        QString error, details;
    };
    // Each section asks the journal, and shows what comes back.
    void resultChosen(int row);
    void showRun(const QString &title, const std::vector<QuestionResult> &questions);
    void showPupilPage(const QString &pupil);
    void showPupil(const QString &pupil, const std::optional<PupilPage> &page, const QString &error);
    void showClassPage();
    void showClasses(const std::optional<std::vector<ClassSummary>> &classes, const QString &error);
    void showClass(const QString &className, const std::optional<std::vector<ClassPupil>> &pupils,
                   const QString &error);
    void showTopicChart(const QString &subject, const QString &topic);
    void showTopicCounts(const QString &topic, const std::vector<int> &counts);
    void showQuestionAnalysis();
    void showAnalysis(const QString &topic, const std::optional<QuestionAnalysis> &a, const QString &error);
    // The subject and key of the analysis's question on a row; empty when none.
    std::pair<QString, QString> analysedQuestion(int row) const;
    bool confirmRemark(const RemarkPlan &plan);
    void applyRemarkPlan(const RemarkPlan &plan, const GradeBounds &bounds);
    void fillChoices();
    void showSection(Section section, SectionView view);
    void showFailure(const QString &text, const QString &details);

    JournalReader *m_reader;
    std::unique_ptr<ResultsModel> m_model;
    QString m_onlyUserCode, m_ownPupil;
    QString m_failure, m_failureDetails; // the last query that failed, shown in the total line
    int m_waiting = 0;                   // results in the outbox
    SectionView m_sections[5];
    QString m_analysedSubject;           // the subject of the questions analysed, when one
    std::vector<QString> m_analysedKeys; // their keys, a row each
    QString m_pupilShown;                // the pupil of the pupil's page
};
