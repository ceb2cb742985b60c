#include "OwnResultsWindow.h"
#include "OffThread.h"
#include "ScreenFit.h"
#include "WidgetKit.h"
#include "pupillogin.h"
#include "resultsmodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

OwnResultsWindow::OwnResultsWindow(const JournalSettings &pc, const QString &token, const QString &who, QWidget *parent)
    : QDialog(parent), m_pc(pc), m_token(token)
{
    setObjectName(QStringLiteral("MoiRezultaty"));
    setWindowTitle(QStringLiteral("Мои результаты — %1").arg(who));
    auto *l = new QVBoxLayout(this);
    MoiItog = new QLabel;
    MoiItog->setObjectName(QStringLiteral("MoiItog"));
    MoiItog->setWordWrap(true);
    l->addWidget(MoiItog);
    MoiRezultatyTab = new QTableWidget(0, 6);
    MoiRezultatyTab->setObjectName(QStringLiteral("MoiRezultatyTab"));
    MoiRezultatyTab->setAccessibleName(QStringLiteral("Мои результаты"));
    MoiRezultatyTab->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("Предмет"),
                                                QStringLiteral("Тема"), QStringLiteral("Верно"),
                                                QStringLiteral("Баллы"), QStringLiteral("Оценка")});
    MoiRezultatyTab->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MoiRezultatyTab->setSelectionBehavior(QAbstractItemView::SelectRows);
    MoiRezultatyTab->verticalHeader()->hide();
    MoiRezultatyTab->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    l->addWidget(MoiRezultatyTab, 1);
    auto *bl = new QHBoxLayout;
    bl->addStretch();
    QPushButton *close = namedButton(QStringLiteral("MoiZakryt"), QStringLiteral("Закрыть"));
    bl->addWidget(close);
    l->addLayout(bl);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    keepGeometry(this, QSize(760, 420));
    read();
}

void OwnResultsWindow::read()
{
    if (m_reading)
        return;
    m_reading = true;
    MoiItog->setText(QStringLiteral("Читаю результаты…"));
    setCursor(Qt::BusyCursor);
    offThread<PupilResults>(
        this, [pc = m_pc, token = m_token] { return myResults(pc, token); },
        [this](const PupilResults &r) { showRuns(r); });
}

void OwnResultsWindow::showRuns(const PupilResults &results)
{
    m_reading = false;
    unsetCursor();
    if (!results.read) {
        MoiItog->setText(results.expired ? QStringLiteral("Вход устарел: войдите в программу снова со своим кодом.")
                                         : results.message);
        MoiItog->setToolTip(results.details);
        return;
    }
    MoiRezultatyTab->setRowCount(int(results.runs.size()));
    int row = 0;
    for (const OwnRun &r : results.runs) {
        const QStringList cells = {r.started.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                                   r.subject,
                                   r.topic,
                                   QStringLiteral("%1 из %2").arg(r.right).arg(r.asked),
                                   QStringLiteral("%1 из %2").arg(r.pointsEarned).arg(r.pointsPossible),
                                   gradeText(r.grade, r.practice, r.remarked, r.gradeBefore)};
        for (int c = 0; c < cells.size(); ++c)
            MoiRezultatyTab->setItem(row, c, new QTableWidgetItem(cells[c]));
        ++row;
    }
    MoiRezultatyTab->resizeColumnsToContents();
    MoiItog->setText(results.runs.empty() ? QStringLiteral("Пока нет ни одного прохождения.")
                                          : QStringLiteral("Прохождений: %1.").arg(results.runs.size()));
}
