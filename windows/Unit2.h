#pragma once
#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class StringTableModel;

// The import and editor window: the bank's sections, topics, questions and
// answers as editable tables, and the staging table of the text imports.
class TZagruzka : public QDialog
{
    Q_OBJECT
public:
    explicit TZagruzka(QWidget *parent = nullptr);

    void FormCreate();
    void FormActivate();

    QTableView *RazdelTab, *TemaTabl, *WopTabl, *OtwTabl, *IzTXT;
    QLineEdit *KolTem, *NoTem, *KolWop, *NoWop, *ImyFile, *KolOtw, *NoOtw;
    QPushButton *ZapRazdel, *TemaPlus, *TemaMin, *ZapTema, *BitBtn1, *PtiwGif, *WoprPlus, *WopMin, *BitBtn2, *ZapWopr,
        *OtwPlus, *OtwMin, *ZapOtw, *EGE, *ZagTXT, *wVopros, *Dekodir, *TemExam;
    QProgressBar *Gauge1;

protected:
    void showEvent(QShowEvent *e) override;

private:
    StringTableModel *m_models[5];
};
