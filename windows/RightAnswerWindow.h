#pragma once
#include <QDialog>

class QPushButton;

// The small "Правильно" window: shows that the right options are marked and
// waits for "Дальше".
class RightAnswerWindow : public QDialog
{
    Q_OBJECT
public:
    explicit RightAnswerWindow(QWidget *parent = nullptr);
    QPushButton *Dalshe;
};
