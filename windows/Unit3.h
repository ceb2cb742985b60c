#pragma once
#include "settings.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// The settings window: user name, Office version, times, grade bounds, limit.
class TNastroika : public QDialog
{
    Q_OBJECT
public:
    explicit TNastroika(QWidget *parent = nullptr);

    void FormCreate();
    void ZapNastrClick();
    void BitBtn4Click();
    void BitBtn1Click();

    QLineEdit *LabeledEditFima, *VerOff, *BazWrWopr, *DeltaOtw, *TriProc, *ChetProc, *PaytProc, *MaxWopr;
    QPushButton *BitBtn4, *ZapNastr, *BitBtn2, *BitBtn1;

private:
    QString m_line1; // the reserved first line, written back as read
};
