#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// The small "Правильно" window: says how far the ticks answer was right, that
// the right options are the ones left bright, and waits for "Дальше".
class RightAnswerWindow : public QDialog
{
    Q_OBJECT
public:
    explicit RightAnswerWindow(QWidget *parent = nullptr);
    // «Ответ неверный» or «Ответ верный частично: 1 из 3», as the run judged it.
    void setVerdict(const QString &verdict);
    QLabel *Werdikt;
    QPushButton *Dalshe;
};
