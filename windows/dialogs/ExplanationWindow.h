#pragma once
#include <QDialog>

class QPlainTextEdit;

// The explanation window: shows a question's explanation text beside the main window.
class ExplanationWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ExplanationWindow(QWidget *parent = nullptr);
    QPlainTextEdit *Poyasnen;
    static const QString BaseCaption;
};
