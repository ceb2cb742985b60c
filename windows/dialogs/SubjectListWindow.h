#pragma once
#include "stringtable.h"

#include <QDialog>

class QPushButton;
class QTableView;
class StringTableModel;

// The subject list: every subject the program offers and its bank folder.
class SubjectListWindow : public QDialog
{
    Q_OBJECT
public:
    explicit SubjectListWindow(QWidget *parent = nullptr);
    // The grid's model goes first: the table it shows is a member of this window.
    ~SubjectListWindow() override;

    void FormActivate();
    void PlusClick();
    void PapkiMouseDown(int row); // row of the table (0 = header)
    void UdalClick();
    void SaveTabClick();

    QTableView *Papki;
    QPushButton *Udal, *Plus, *SaveTab, *BitBtn2;
    StringTable grid{6, 1};

    // Closing asks first when the list holds edits not stored.
    void reject() override;

protected:
    void showEvent(QShowEvent *e) override;

private:
    // Stores the list; false when that failed (it was shown).
    bool store();
    StringTableModel *m_model;
    StoredMark m_stored{grid};
};
