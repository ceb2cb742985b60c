#pragma once
#include "journalsettings.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <optional>
#include <vector>

class QThread;
class ClassWatchWorker;

// One PC's row of «Класс сейчас», as the server kept it when it was read.
struct PcRow {
    QString host, pupil, className, subject, topic;
    QString state; // '' idle, 'running', 'finished'
    int question = 0, questions = 0, points = 0, pointsPossible = 0;
    std::optional<int> secondsLeft; // as the PC said it, when the server saw it
    QString grade;
    qint64 ageMs = 0;  // how long ago the server saw the PC, when the row was read
    qint64 readAt = 0; // when it was read, on steadyMs()'s clock

    // How long ago the server saw the PC, at now (steadyMs()).
    qint64 silentMs(qint64 now) const { return ageMs + (now - readAt); }
    // The time left at now: the PC's clock ran on meanwhile.
    std::optional<int> secondsLeftAt(qint64 now) const;
};

// A clock of this process that only goes forward, in milliseconds.
qint64 steadyMs();

// Watches the PCs of the school for the teacher's «Класс сейчас», on a
// thread of its own with a connection of its own as the teacher (the
// connection lives on the thread that opened it): it listens for the PCs'
// news on the server's channel and reads only the row of the PC that spoke;
// all rows once it is connected, again after every reconnection. A lost
// connection is noticed within retryMs (a query that fails) and tried again
// every retryMs.
class ClassWatch : public QObject
{
    Q_OBJECT
public:
    explicit ClassWatch(const JournalSettings &teacher, int retryMs = 3000, QObject *parent = nullptr);
    // Starts watching; connect to the signals first, or the first rows are missed.
    void start();
    // Stops the thread; a query waiting on the server is cut first.
    ~ClassWatch() override;

signals:
    // Every PC's row, at the start and after a reconnection.
    void allRead(const std::vector<PcRow> &rows);
    // A PC's row after it told its news.
    void rowRead(const PcRow &row);
    // Connected, or not with the reason (Russian) and the driver's words.
    void connection(bool up, const QString &message, const QString &details);

private:
    QThread *m_thread;
    ClassWatchWorker *m_worker;
};

Q_DECLARE_METATYPE(PcRow)
