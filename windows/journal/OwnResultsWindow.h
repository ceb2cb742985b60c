#pragma once
#include "journalsettings.h"

#include <QDialog>

class QLabel;
class QTableWidget;
struct PupilResults;

// A pupil's own runs on a PC of the school: what the school's server gives
// the pupil's log-in, and nothing of anyone else's.
class OwnResultsWindow : public QDialog
{
    Q_OBJECT
public:
    OwnResultsWindow(const JournalSettings &pc, const QString &token, const QString &who, QWidget *parent = nullptr);
    // Reads the runs again, off the window's thread.
    void read();
    bool reading() const { return m_reading; }

    QLabel *MoiItog;
    QTableWidget *MoiRezultatyTab;

private:
    void showRuns(const PupilResults &results);
    JournalSettings m_pc;
    QString m_token;
    bool m_reading = false;
};
