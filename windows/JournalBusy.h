#pragma once
#include "JournalWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

// The journal window while it reads the journal: the wait cursor, the
// controls at rest and a word in the total line. The journal itself bounds
// how long a server may keep it waiting.
class JournalWindow::Busy
{
public:
    explicit Busy(JournalWindow *w) : m_window(w), m_outer(w->m_busy++ == 0)
    {
        if (!m_outer)
            return;
        m_focus = QApplication::focusWidget();
        m_total = w->Itogo->text();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setControlsEnabled(false);
        w->Itogo->setText(QStringLiteral("Читаю журнал…"));
        w->repaint(); // the events wait until the journal answers
    }
    ~Busy()
    {
        if (--m_window->m_busy > 0 || !m_outer)
            return;
        setControlsEnabled(true);
        if (m_window->Itogo->text() == QStringLiteral("Читаю журнал…"))
            m_window->Itogo->setText(m_total);
        if (m_focus)
            m_focus->setFocus();
        QApplication::restoreOverrideCursor();
    }
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

private:
    void setControlsEnabled(bool enabled)
    {
        const JournalWindow *w = m_window;
        for (QWidget *c :
             std::initializer_list<QWidget *>{w->Uchenik, w->Klass, w->Predmet, w->Tema, w->Ocenka, w->ZaPeriod, w->Ot,
                                              w->Do, w->Rezultaty, w->Razdely, w->Pechat, w->Excel, w->Tablica}) {
            // A box that loses the focus this way has not been edited.
            const QSignalBlocker quiet(c);
            c->setEnabled(enabled);
        }
        // The dates count only while the period is on.
        for (QWidget *d : std::initializer_list<QWidget *>{w->Ot, w->Do})
            d->setEnabled(enabled && w->ZaPeriod->isChecked());
    }
    JournalWindow *m_window;
    bool m_outer;
    QPointer<QWidget> m_focus;
    QString m_total;
};
