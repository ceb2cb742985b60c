#pragma once
#include "grading.h"
#include "journalsettings.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// What the teacher's PC knows of the subject a controlled test is drawn from.
struct LessonSubject {
    QString name, folder;      // the subject as the list names it, and its bank's folder
    QList<QStringList> topics; // each topic: its codes (predm, tema) and its name
    GradeBounds grades;        // the settings' grade bounds, which the server grades by
};

// A controlled test started by the teacher: the class, a topic of the subject
// on this PC or the whole-subject exam, the time and the number of
// questions. The questions are drawn here from the bank and go to the
// school's server with their keys kept apart; the pupils' PCs of the class
// take the test as soon as their pupils are logged in.
class LessonStartWindow : public QDialog
{
    Q_OBJECT
public:
    LessonStartWindow(const JournalSettings &teacher, const LessonSubject &subject, QWidget *parent = nullptr);

    // Draws the questions and starts the test, off the window's thread.
    void NachatClick();
    bool busy() const { return m_busy; }
    qint64 lesson() const { return m_lesson; }

    QComboBox *KontrKlass, *KontrTema;
    QSpinBox *KontrMinuty, *KontrVoprosov;
    QPushButton *KontrNachat, *KontrOtmena;
    QLabel *KontrItog;

signals:
    void started(qint64 lesson, const QString &className);
    // The school's classes are in the class box.
    void classesRead();

private:
    void setBusy(bool busy, const QString &text);
    JournalSettings m_teacher;
    LessonSubject m_subject;
    bool m_busy = false;
    qint64 m_lesson = 0;
};
