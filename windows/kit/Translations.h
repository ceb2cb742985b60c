#pragma once
#include <QLocale>

class QCoreApplication;
class QTranslator;

// Qt's own texts (the buttons of message boxes, the file and colour dialogs,
// the input boxes) in the language of the locale, and in Russian when Qt has
// no translation for it. Returns the translator installed in app (owned by
// app), or nullptr when not even the Russian one was found.
QTranslator *loadQtTranslations(QCoreApplication &app, const QLocale &locale = QLocale::system());

// Dates and numbers the Russian way (07.12.2026, 3,75) whatever the system's
// locale says: the program speaks Russian, also on a PC set to C or English.
void useRussianFormats();
