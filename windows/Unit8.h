#pragma once
#include <QDialog>

class QPlainTextEdit;

// The explanation window: shows a question's explanation text beside the main window.
class TTeksti : public QDialog
{
    Q_OBJECT
public:
    explicit TTeksti(QWidget *parent = nullptr);
    QPlainTextEdit *Poyasnen;
    static const QString BaseCaption;
};
