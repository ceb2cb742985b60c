#include "RightAnswerWindow.h"
#include "ScreenFit.h"
#include "WidgetKit.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RightAnswerWindow::RightAnswerWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DalsheOkno"));
    setWindowTitle(QStringLiteral("Правильно"));
    auto *l = new QVBoxLayout(scrollingContent(this));
    // The caption alone reads as praise to a pupil who ticked nothing: the
    // line above the button says what the window is there for.
    Werdikt = new QLabel;
    Werdikt->setObjectName(QStringLiteral("Werdikt"));
    Werdikt->setWordWrap(true);
    l->addWidget(Werdikt);
    Dalshe = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("Дальше"));
    Dalshe->setStyleSheet(QStringLiteral("background: #2e9e3e; color: white; font-weight: bold; padding: 8px 24px;"));
    l->addWidget(Dalshe);
    connect(Dalshe, &QPushButton::clicked, this, &QDialog::accept);
    Dalshe->setDefault(true);
    // Wide enough for its caption and the title bar's buttons.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 2 + 160);
    setVerdict(QStringLiteral("Ответ неверный"));
    keepGeometry(this, QSize(minimumWidth(), sizeHint().height()));
}

void RightAnswerWindow::setVerdict(const QString &verdict)
{
    Werdikt->setText(verdict + QStringLiteral(". Верные варианты остались выделенными."));
    // The focus is on «Дальше» when the window opens: a screen reader tells
    // the verdict with it.
    Dalshe->setAccessibleDescription(Werdikt->text());
}
