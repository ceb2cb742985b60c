#pragma once
#include <QDialog>

class QTextEdit;

// The explanation window: shows a question's explanation text beside the main window.
class TTeksti : public QDialog
{
    Q_OBJECT
public:
    explicit TTeksti(QWidget *parent = nullptr);
    QTextEdit *Poyasnen;
    static const QString BaseCaption;
};
