#include "WidgetKit.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

QPushButton *namedButton(const QString &name, const QString &caption, const QString &hint)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setToolTip(hint);
    return b;
}

QLineEdit *namedEdit(const QString &name, const QString &hint, const QString &text)
{
    auto *e = new QLineEdit(text);
    e->setObjectName(name);
    e->setToolTip(hint);
    return e;
}

QTableView *namedGrid(const QString &name, QAbstractItemModel *model)
{
    auto *v = new QTableView;
    v->setObjectName(name);
    v->setModel(model);
    v->horizontalHeader()->setStretchLastSection(true);
    return v;
}

QColor paintColour(ColorCode c)
{
    return QColor::fromRgb(QRgb(colorToRgb(c)));
}

void paintBackground(QWidget *w, ColorCode c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, paintColour(c));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}
