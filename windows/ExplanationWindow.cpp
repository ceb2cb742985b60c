#include "ExplanationWindow.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

const QString ExplanationWindow::BaseCaption = QStringLiteral("Пояснения к вопросу");

ExplanationWindow::ExplanationWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Teksti"));
    setWindowTitle(BaseCaption);
    setModal(false);
    auto *l = new QVBoxLayout(this);
    Poyasnen = new QPlainTextEdit;
    Poyasnen->setObjectName(QStringLiteral("Poyasnen"));
    Poyasnen->setReadOnly(true);
    l->addWidget(Poyasnen);
    resize(600, 450);
}
