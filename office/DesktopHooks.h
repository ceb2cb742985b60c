#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// What the document code needs from the desktop, handed in by the window that
// uses it (office never reaches up into the windows layer). Any of them may be
// left empty: an empty opener or starter counts as one that failed, an empty
// error reporter drops the message (the call still returns false).
struct DesktopHooks {
    // Opens a file with the desktop's associated program; false when nothing could.
    std::function<bool(const QString &path)> openFile;
    // Starts a program with arguments, detached; false when it cannot be started.
    std::function<bool(const QString &program, const QStringList &args)> startProgram;
    // Shows a failure to the user.
    std::function<void(const QString &text)> showError;

    bool open(const QString &path) const { return openFile && openFile(path); }
    bool start(const QString &program, const QStringList &args) const
    {
        return startProgram && startProgram(program, args);
    }
    void error(const QString &text) const
    {
        if (showError)
            showError(text);
    }
};
