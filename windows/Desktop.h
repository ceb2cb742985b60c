#pragma once
#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

class QWidget;
class QDialog;

// Everything that reaches the desktop goes through this one seam: the program
// uses QtDesktop, tests install ScriptedDesktop, which answers from a queue and
// records what was shown, so that no test ever waits on a modal box.
class Desktop
{
public:
    enum class Icon { Information, Warning, Error, Question };
    virtual ~Desktop() = default;

    // A message box with a text, a caption and an icon.
    virtual void message(const QString &text, const QString &caption, Icon icon) = 0;
    // The platform's standard error box (conversion and file errors).
    virtual void error(const QString &text) = 0;
    // A one-line input box; cancelling returns the default text.
    virtual QString input(const QString &caption, const QString &prompt, const QString &defaultText) = 0;
    // The colour dialog; nothing when cancelled.
    virtual std::optional<QColor> chooseColour(const QColor &initial) = 0;
    // An open-file dialog; an empty text when cancelled.
    virtual QString openFileName(const QString &caption, const QString &folder, const QString &filter) = 0;
    // Shows a window modally and returns when it closes.
    virtual void showModal(QDialog *window) = 0;
    // Opens a file with the desktop's associated program; false when nothing could.
    virtual bool openFile(const QString &path) = 0;
    // Starts a program with arguments, detached; false when it cannot be started.
    virtual bool startProgram(const QString &program, const QStringList &args) = 0;
    // Prints the image of a window on the default printer.
    virtual bool printWindow(QWidget *window, bool landscape) = 0;
    // Switches the keyboard to the given layout (e.g. "00000419" for Russian).
    virtual void activateKeyboardLayout(const QString &layoutId) = 0;
};

// The seam the program talks to (QtDesktop unless a test installed another).
Desktop &desktop();
// Installs d as the seam (not owned); nullptr brings back the Qt one.
void setDesktop(Desktop *d);

class QtDesktop : public Desktop
{
public:
    void message(const QString &text, const QString &caption, Icon icon) override;
    void error(const QString &text) override;
    QString input(const QString &caption, const QString &prompt, const QString &defaultText) override;
    std::optional<QColor> chooseColour(const QColor &initial) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    void showModal(QDialog *window) override;
    bool openFile(const QString &path) override;
    bool startProgram(const QString &program, const QStringList &args) override;
    bool printWindow(QWidget *window, bool landscape) override;
    void activateKeyboardLayout(const QString &layoutId) override;
};

// For tests: answers come from queues, everything shown is recorded.
class ScriptedDesktop : public Desktop
{
public:
    struct Shown {
        QString kind; // "message", "error", "input", "colour", "file", "modal", "open", "start", "print", "layout"
        QString text, caption;
        Icon icon = Icon::Information;
    };
    std::vector<Shown> shown;
    std::deque<std::optional<QString>> inputs; // nullopt = cancel
    std::deque<std::optional<QColor>> colours; // nullopt = cancel
    std::deque<QString> fileNames;
    // Called for each modal window instead of running a loop; the default closes it at once.
    std::function<void(QDialog *)> onModal;
    bool openSucceeds = true, startSucceeds = true, printSucceeds = true;

    void message(const QString &text, const QString &caption, Icon icon) override;
    void error(const QString &text) override;
    QString input(const QString &caption, const QString &prompt, const QString &defaultText) override;
    std::optional<QColor> chooseColour(const QColor &initial) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    void showModal(QDialog *window) override;
    bool openFile(const QString &path) override;
    bool startProgram(const QString &program, const QStringList &args) override;
    bool printWindow(QWidget *window, bool landscape) override;
    void activateKeyboardLayout(const QString &layoutId) override;

    // The recorded items of one kind, and the last one.
    std::vector<Shown> of(const QString &kind) const;
    QString lastText(const QString &kind) const;
    void clear() { shown.clear(); }
};
