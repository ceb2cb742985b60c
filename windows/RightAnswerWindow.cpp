#include "RightAnswerWindow.h"
#include "ScreenFit.h"
#include "WidgetKit.h"

#include <QPushButton>
#include <QVBoxLayout>

RightAnswerWindow::RightAnswerWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DalsheOkno"));
    setWindowTitle(QStringLiteral("Правильно"));
    auto *l = new QVBoxLayout(scrollingContent(this));
    Dalshe = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("Дальше"));
    Dalshe->setStyleSheet(QStringLiteral("background: #2e9e3e; color: white; font-weight: bold; padding: 8px 24px;"));
    l->addWidget(Dalshe);
    connect(Dalshe, &QPushButton::clicked, this, &QDialog::accept);
    Dalshe->setDefault(true);
    // Wide enough for its caption and the title bar's buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 2 + 160);
    keepGeometry(this, QSize(minimumWidth(), sizeHint().height()));
}
