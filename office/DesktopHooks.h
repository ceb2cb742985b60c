#pragma once
#include <QDir>
#include <QString>
#include <QStringList>
#include <functional>

// What the document code needs from the desktop, handed in by the window that
// uses it (office never reaches up into the windows layer). Any of them may be
// left empty: an empty opener or starter counts as one that failed, an empty
// error reporter drops the message (the call still returns false), and an empty
// not-opened reporter hands the file's place to the error reporter.
struct DesktopHooks {
    // Opens a file with the desktop's associated program; false when nothing could.
    std::function<bool(const QString &path)> openFile;
    // Starts a program with arguments, detached; false when it cannot be started.
    std::function<bool(const QString &program, const QStringList &args)> startProgram;
    // Shows a failure to the user.
    std::function<void(const QString &text)> showError;
    // Tells the user that a file written for them did not open, where it lies,
    // and offers to open its folder.
    std::function<void(const QString &path)> reportNotOpened = {};

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
    void notOpened(const QString &path) const
    {
        if (reportNotOpened)
            reportNotOpened(path);
        else
            error(QStringLiteral("Файл сохранён как %1, но на компьютере нет программы, которая его открывает.")
                      .arg(QDir::toNativeSeparators(path)));
    }
};
