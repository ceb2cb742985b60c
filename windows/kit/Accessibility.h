#pragma once
#include <QStringList>

class QWidget;

// What a screen reader says of the controls.

// Gives every control of the window that a user can reach and that has no
// name of its own a name: its hint, else the label beside it in its layout.
void nameControls(QWidget *window);

// The controls of the window a user can reach (shown, enabled, taking the
// focus) that a screen reader would still announce without a name, each as
// "objectName (class)".
QStringList unnamedControls(QWidget *window);
