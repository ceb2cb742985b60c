#include "ExplanationWindow.h"
#include "ScreenFit.h"
#include "WidgetKit.h"

#include <QPushButton>

#include <QPlainTextEdit>
#include <QVBoxLayout>

const QString ExplanationWindow::BaseCaption = QStringLiteral("Пояснения к вопросу");

ExplanationWindow::ExplanationWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Teksti"));
    setWindowTitle(BaseCaption);
    setModal(false);
    auto *l = new QVBoxLayout(scrollingContent(this));
    Poyasnen = new QPlainTextEdit;
    Poyasnen->setObjectName(QStringLiteral("Poyasnen"));
    Poyasnen->setAccessibleName(QStringLiteral("Пояснение к вопросу"));
    Poyasnen->setReadOnly(true);
    l->addWidget(Poyasnen);
    auto *close = namedButton(QStringLiteral("Zakryt"), QStringLiteral("Закрыть"), QStringLiteral("Закрыть окно"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    close->setDefault(true);
    fixedFooter(this)->addWidget(close, 0, Qt::AlignRight);
    keepGeometry(this, QSize(600, 450));
}
