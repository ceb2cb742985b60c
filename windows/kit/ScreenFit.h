#pragma once
#include <QMargins>
#include <QSize>
#include <QString>

class QHBoxLayout;
class QRect;
class QTableView;
class QWidget;

// Windows that fit any screen: their content scrolls when the screen is
// smaller than it, they open where the user left them (per user, in the
// desktop's settings place) and never off the screen.

// Lays the window out around a scroll area and returns the widget its
// content goes into. A main window gets it as its central widget.
QWidget *scrollingContent(QWidget *window);
// A row below the scroll area of a dialog laid out by scrollingContent: its
// buttons stay in sight however far the content is scrolled.
QHBoxLayout *fixedFooter(QWidget *window);

// Opens the window at its last size and place, else at `preferred` in the
// middle of the screen; either way fully inside the available screen area.
// The place is saved whenever the window is hidden.
void keepGeometry(QWidget *window, QSize preferred);

// The rectangle a window of this size and wished place takes within the
// available area, with the desktop's frame around it: no larger than the area,
// moved inside it frame and all, centred when its wished top-left lies outside
// the area (a place on a screen that is gone, or none yet).
QRect placeWithin(const QRect &wished, const QRect &available, const QMargins &frame = {});

// Grid columns sized to their content: short (number and code) columns as
// narrow as their texts, the text columns sharing the rest and wrapping.
void fitColumns(QTableView *grid, const QList<int> &textColumns, bool wrapRows = true);

// The settings file of the windows' places (tests point it elsewhere).
QString windowSettingsOrganization();
