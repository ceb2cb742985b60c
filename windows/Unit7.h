#pragma once
#include <QDialog>

class QPushButton;

// The small "Правильно" window: shows that the right options are marked and
// waits for "Дальше".
class TDalsheOkno : public QDialog
{
    Q_OBJECT
public:
    explicit TDalsheOkno(QWidget *parent = nullptr);
    QPushButton *Dalshe;
};
