#pragma once
#include <QString>

class QAbstractItemModel;
class QLineEdit;
class QPushButton;
class QTableView;

// Controls made the way every window makes them: named as the program's
// documents name them (tests and tools find them by that name), with their hint.
QPushButton *namedButton(const QString &name, const QString &caption, const QString &hint = {});
QLineEdit *namedEdit(const QString &name, const QString &hint = {}, const QString &text = {});
// The box's text is selected whenever it gets the focus (at start, by Tab or
// by a click), so what the user types replaces a text shown in advance.
void selectAllOnFocus(QLineEdit *box);
// A grid over a table model, its last column taking the spare width.
QTableView *namedGrid(const QString &name, QAbstractItemModel *model);

#include "colors.h"
#include <QColor>
class QWidget;

// How a stored colour is painted, and a widget's background in it.
QColor paintColour(ColorCode c);
void paintBackground(QWidget *w, ColorCode c);
