#pragma once
#include <QString>
#include <QStringList>

// Which folder the program works in, wherever it is started from, and how a
// new folder gets the files the program ships with (samples, help, demo bank).

struct HomeChoice {
    QString folder;  // absolute and clean; empty when there is a problem
    QString problem; // why no folder could be chosen, for the user
};

// The installation folder: the folder after "--home DIR" (or "--home=DIR"),
// else the TRIVO_HOME value, else the current folder when it holds a Baza
// folder, else Trivo in the user's home folder. A relative folder is taken from
// the current one. arguments are the command line without the program's name;
// an empty environment value counts as unset.
HomeChoice chooseHomeFolder(const QStringList &arguments, const QString &environment, const QString &current,
                            const QString &userHome);

// The shipped files that belong to the program in executableFolder: the build
// tree's dist folder beside bin, else share/trivo of an installed prefix. Empty
// when neither is there.
QString shippedFolder(const QString &executableFolder);

// Makes the folder and fills a new one (no Baza yet) with every shipped file.
// A folder in use gets back only missing files of Baza and Help: a subject
// folder is the teacher's bank and is never topped up with demo files. A file
// that is already there is never replaced, and the copies are writable by their
// owner. An empty shipped folder (not found) is accepted only for a folder
// already in use, i.e. one that holds Baza. Returns why the folder cannot be
// used, empty when it can.
QString prepareHomeFolder(const QString &folder, const QString &shipped);
