#pragma once
#include <QColor>

// A frame in the program's blue around whatever has the keyboard focus, drawn
// outside the control, so that a pupil at the keyboard always sees where the
// next key goes, whatever the style draws itself.
inline const QColor FocusColour(0x2c, 0x5b, 0x8c);

// Installs the frame for the whole application, once.
void installFocusFrame();
