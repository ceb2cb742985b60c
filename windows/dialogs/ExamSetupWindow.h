#pragma once
#include "Spreadsheet.h"
#include "stringtable.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class StringTableModel;

// The exam composition: how many questions each topic gives to the whole-subject exam.
class ExamSetupWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ExamSetupWindow(QWidget *parent = nullptr);
    // The grid's model goes first: the table it shows is a member of this window.
    ~ExamSetupWindow() override;

    void FormActivate();
    void WseClick();
    void WstawitClick();
    void ZapomnClick();
    void SpisTemClick();

    QTableView *TemWopr;
    QLineEdit *KolW;
    QProgressBar *Gauge1;
    QPushButton *Wse, *Wstawit, *Zapomn, *SpisTem, *BitBtn2;
    StringTable grid{5, 1};

protected:
    void showEvent(QShowEvent *e) override;

private:
    std::vector<QStringList> rows() const;
    StringTableModel *m_model;
    SpreadsheetHandOff m_handOff; // keeps the spreadsheet program it found
};
