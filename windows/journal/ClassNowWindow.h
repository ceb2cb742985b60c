#pragma once
#include "LessonStartWindow.h"
#include "classwatch.h"
#include "journalsettings.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <vector>

class QComboBox;
class QPushButton;
class QSqlDatabase;
class QLabel;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

// The PCs of the school as their rows stand: one row a PC, sorted by its name.
class ClassNowModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Pc, Pupil, Class, SubjectTopic, Question, Points, TimeLeft, Grade, State, ColumnCount };

    explicit ClassNowModel(int silentSeconds, QObject *parent = nullptr);

    void setAll(const std::vector<PcRow> &rows);
    void setRow(const PcRow &row);
    // The clock moved on: the time left and the silent PCs are shown anew.
    void age();

    // The row of a PC; -1 when it has none.
    int rowOf(const QString &host) const;
    const PcRow &pcRow(int row) const { return m_rows[size_t(row)]; }
    // Whether the PC of a row has been silent longer than the silence allowed.
    bool silent(int row) const;
    QStringList classes() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString text(const PcRow &r, int column, qint64 now) const;
    qint64 m_silentMs;
    std::vector<PcRow> m_rows;
};

// How soon «Класс сейчас» calls a PC silent, ages its rows and tries the
// server again; tests make them short.
struct ClassNowTimes {
    int silentSeconds = 60;
    int ageMs = 1000;
    int retryMs = 3000;
};

// «Класс сейчас»: the teacher sees, during the lesson, what every PC of the
// school (or of one class) is doing, as the PCs tell the server; the rows
// change within a moment of each answer, and a PC gone silent is marked.
class ClassNowWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ClassNowWindow(const JournalSettings &teacher, QWidget *parent = nullptr, ClassNowTimes times = {});
    ~ClassNowWindow() override;

    ClassNowModel *model() const { return m_model; }
    // Whether the server is reached now.
    bool connected() const { return m_connected; }

    QComboBox *KlassVybor; // all classes, or one
    QTableView *KlassTablica;
    QLabel *KlassSoobshenie; // the window's line: the connection and what is shown
    // The controlled test: started for a class, ended for all of it, more time for one pupil.
    QPushButton *NachatKontrolnuyu, *ZakonchitVsem, *DobavitVremya;
    QLabel *KontrSoobshenie; // what came of the last of them
    // The subject a test is drawn from: the main window's, as it is when the teacher starts one.
    void setLessonSubject(std::function<LessonSubject()> subject);
    void NachatKontrolnuyuClick();
    void ZakonchitVsemClick();
    void DobavitVremyaClick();
    // Whether a step of the test is with the server (for tests).
    bool lessonBusy() const { return m_lessonBusy; }

signals:
    // A row changed or came, after the model took it (the benchmark times it).
    void rowShown(const QString &host);

private:
    void showAll(const std::vector<PcRow> &rows);
    void showRow(const PcRow &row);
    void showConnection(bool up, const QString &message, const QString &details);
    void chooseClass();
    void fillClasses();
    void tellCount();
    ClassNowTimes m_times;
    ClassNowModel *m_model;
    QSortFilterProxyModel *m_shown;
    QTimer *m_ageing;
    ClassWatch *m_watch;
    bool m_connected = false;
    // A step of the test, off the window's thread: work on the teacher's
    // connection gives an error text or what to say; done gets it.
    void lessonStep(std::function<QString(QSqlDatabase &, QString &)> work);
    QString chosenClass() const;
    JournalSettings m_teacher;
    std::function<LessonSubject()> m_subject;
    bool m_lessonBusy = false;
};
