#pragma once
#include <QChar>
#include <QString>

class QWidget;

// Underlined letters and the keys that reach them whatever keyboard layout is on.

// The letter of a caption's mnemonic (the character after a single '&'), in
// upper case; a null character when the caption has none.
QChar mnemonicOf(const QString &caption);
// The Russian letter on the key that gives latin on the Latin layout (the
// usual ЙЦУКЕН over QWERTY), in upper case; a null character for other keys.
QChar russianLetterOnKey(QChar latin);

// Gives every button of the window that has none an underlined letter: the
// first letter of one of its words not yet taken in the window, else any
// letter or digit of it. Captions without letters or digits stay as they are.
void giveMnemonics(QWidget *window);

// Installs, once for the application: every dialog gets its underlined letters
// when first shown, and every window names its controls for screen readers; Alt with the key of a Russian mnemonic works on the Latin
// layout too (a menu of the menu bar opens, a button is clicked), and so does
// the plain key inside an open menu.
void installLayoutFreeMnemonics();
