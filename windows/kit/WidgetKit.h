#pragma once
#include <QString>
#include <functional>

class QAbstractItemModel;
class QLineEdit;
class QPushButton;
class QTableView;
class QWidget;

// Controls made the way every window makes them: named as the program's
// documents name them (tests and tools find them by that name), with their hint.
QPushButton *namedButton(const QString &name, const QString &caption, const QString &hint = {});
QLineEdit *namedEdit(const QString &name, const QString &hint = {}, const QString &text = {});
// The box's text is selected whenever it gets the focus (at start, by Tab or
// by a click), so what the user types replaces a text shown in advance.
void selectAllOnFocus(QLineEdit *box);
// Before a window holding edits its files lack closes: asks the question with
// «Да» (store, then close when the store succeeded), «Нет» (close without
// storing) and «Отмена» (stay). True when the window may close.
bool mayCloseWithEdits(QWidget *window, const QString &question, const std::function<bool()> &store);
// A grid over a table model, its last column taking the spare width; spoken
// is what a screen reader calls it. Without a model the grid gets one later.
QTableView *namedGrid(const QString &name, QAbstractItemModel *model, const QString &spoken = {});

#include "colors.h"
#include <QColor>

// How a stored colour is painted, and a widget's background in it. In the
// high-contrast scheme every background is white.
QColor paintColour(ColorCode c);
void paintBackground(QWidget *w, ColorCode c);

// The high-contrast scheme: black text on white, a thick dark-blue selection
// and focus. Chosen per user in the settings window and kept with the
// windows' places; applied to the whole application at once.
bool highContrastChosen();
void chooseHighContrast(bool on);
void applyColourScheme();
