#pragma once
#include "stringtable.h"

#include <QDialog>

class QPushButton;
class QTableView;
class StringTableModel;

// The access table: the users, their passwords and access letters.
class AccessWindow : public QDialog
{
    Q_OBJECT
public:
    explicit AccessWindow(QWidget *parent = nullptr);
    // The grid's model goes first: the table it shows is a member of this window.
    ~AccessWindow() override;

    void FormShow();
    void ZapDostupClick();
    void BitBtn2Click() { reject(); }

    // The platform's short date form, always with a four-digit year so that a
    // date read back is the date that was shown.
    static QString dateFormat();

    QTableView *TabDost;
    QPushButton *ZapDostup, *BitBtn2;
    StringTable grid{5, 11};

    // Closing asks first when the table holds edits not stored.
    void reject() override;

protected:
    void showEvent(QShowEvent *e) override;

private:
    // Stores the table; false when that failed (it was shown).
    bool store();
    StringTableModel *m_model;
    StoredMark m_stored{grid};
};
