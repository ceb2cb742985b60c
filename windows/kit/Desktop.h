#pragma once
#include "Report.h"

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
    // The same box with a button «Подробнее» that shows details (a driver's own words).
    virtual void detailedMessage(const QString &text, const QString &caption, Icon icon, const QString &details) = 0;
    // The platform's standard error box (conversion and file errors).
    virtual void error(const QString &text) = 0;
    // A one-line input box; cancelling returns the default text.
    virtual QString input(const QString &caption, const QString &prompt, const QString &defaultText) = 0;
    // The same box for a password, empty at first, what is typed showing as
    // dots; nothing when cancelled (also by Escape or by closing the box), so
    // that a cancel is never taken for a password.
    virtual std::optional<QString> password(const QString &caption, const QString &prompt) = 0;
    // A question with the buttons «Да», «Нет» and «Отмена»; closing the box is «Отмена».
    enum class Answer { Yes, No, Cancel };
    virtual Answer ask(const QString &text, const QString &caption) = 0;
    // The colour dialog; nothing when cancelled.
    virtual std::optional<QColor> chooseColour(const QColor &initial) = 0;
    // An open-file dialog; an empty text when cancelled.
    virtual QString openFileName(const QString &caption, const QString &folder, const QString &filter) = 0;
    // A save-file dialog offering a path (its folder and name); an empty text when cancelled.
    virtual QString saveFileName(const QString &caption, const QString &suggested, const QString &filter) = 0;
    // Shows a window modally and returns when it closes.
    virtual void showModal(QDialog *window) = 0;
    // Opens a file with the desktop's associated program; false when nothing could.
    virtual bool openFile(const QString &path) = 0;
    // Says that the file at path did not open and where it lies, and opens its
    // folder when the user asks for it (notOpenedText).
    virtual void reportNotOpened(const QString &path) = 0;
    // Starts a program with arguments, detached; false when it cannot be started.
    virtual bool startProgram(const QString &program, const QStringList &args) = 0;
    // Prints the image of a window on the default printer.
    virtual bool printWindow(QWidget *window, bool landscape) = 0;
    // The print preview of a journal view, landscape unless the user turns it;
    // it prints the view or, through the printer choice «Печать в файл (PDF)»,
    // saves it as PDF. Returns when the preview is closed.
    virtual void printPreview(const Report &report, QWidget *parent) = 0;
    // Switches the keyboard to the given layout (e.g. "00000419" for Russian).
    virtual void activateKeyboardLayout(const QString &layoutId) = 0;
};

class QAction;
class QPrintPreviewDialog;
// Printing from the preview by keyboard alone: «Печать» and «Закрыть» at its
// foot, where a small screen does not push them into the toolbar's overflow,
// «Печать» the default button (Enter), and Ctrl+P. All of them trigger the
// preview's own print action, which is returned (nullptr if not found).
QAction *printFromKeyboard(QPrintPreviewDialog &preview);

// The seam the program talks to (QtDesktop unless a test installed another).
Desktop &desktop();
// Installs d as the seam (not owned); nullptr brings back the Qt one.
void setDesktop(Desktop *d);

// The caption and the text of the box that reportNotOpened shows. For a file
// that is there: why it did not open, the folder it lies in, and the question
// whether to open that folder; for a missing one: where it should have been.
QString notOpenedCaption();
QString notOpenedText(const QString &path);

// Whether the desktop has a program for the file's type, as xdg-mime says
// (the type's default application, or that of text/plain for a text type).
// Nothing when it cannot tell: xdg-mime missing, failing or too slow.
std::optional<bool> desktopHasOpenerFor(const QString &path);

class QtDesktop : public Desktop
{
public:
    void message(const QString &text, const QString &caption, Icon icon) override;
    void detailedMessage(const QString &text, const QString &caption, Icon icon, const QString &details) override;
    void error(const QString &text) override;
    QString input(const QString &caption, const QString &prompt, const QString &defaultText) override;
    std::optional<QString> password(const QString &caption, const QString &prompt) override;
    Answer ask(const QString &text, const QString &caption) override;
    std::optional<QColor> chooseColour(const QColor &initial) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &suggested, const QString &filter) override;
    void showModal(QDialog *window) override;
    bool openFile(const QString &path) override;
    void reportNotOpened(const QString &path) override;
    bool startProgram(const QString &program, const QStringList &args) override;
    bool printWindow(QWidget *window, bool landscape) override;
    void printPreview(const Report &report, QWidget *parent) override;
    void activateKeyboardLayout(const QString &layoutId) override;
};

// For tests: answers come from queues, everything shown is recorded.
class ScriptedDesktop : public Desktop
{
public:
    struct Shown {
        // "message", "question", "error", "input", "colour", "file", "modal", "open", "notOpened", "folder", "start",
        // "print", "preview" (text: the report's title, caption: its filter line), "layout"
        QString kind;
        QString text, caption;
        Icon icon = Icon::Information;
        bool hidden = false;  // an input box for a password
        QString details = {}; // behind «Подробнее» of a message
    };
    std::vector<Shown> shown;
    std::deque<std::optional<QString>> inputs; // nullopt (or none, for a password) = cancel
    std::deque<std::optional<QColor>> colours; // nullopt = cancel
    std::deque<Answer> answers;                // to ask(); none = «Отмена»
    std::deque<QString> fileNames;
    std::deque<QString> saveNames; // to saveFileName(); none = cancelled
    Answer ask(const QString &text, const QString &caption) override;
    std::deque<bool> openFolder; // answers to "open the folder?" of reportNotOpened; none = no
    // Called for each modal window instead of running a loop; the default closes it at once.
    std::function<void(QDialog *)> onModal;
    bool openSucceeds = true, startSucceeds = true, printSucceeds = true;
    std::optional<Report> lastReport; // what the last print preview showed

    void message(const QString &text, const QString &caption, Icon icon) override;
    void detailedMessage(const QString &text, const QString &caption, Icon icon, const QString &details) override;
    void error(const QString &text) override;
    QString input(const QString &caption, const QString &prompt, const QString &defaultText) override;
    std::optional<QString> password(const QString &caption, const QString &prompt) override;
    std::optional<QColor> chooseColour(const QColor &initial) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &suggested, const QString &filter) override;
    void showModal(QDialog *window) override;
    bool openFile(const QString &path) override;
    void reportNotOpened(const QString &path) override;
    bool startProgram(const QString &program, const QStringList &args) override;
    bool printWindow(QWidget *window, bool landscape) override;
    void printPreview(const Report &report, QWidget *parent) override;
    void activateKeyboardLayout(const QString &layoutId) override;

    // The recorded items of one kind, and the last one.
    std::vector<Shown> of(const QString &kind) const;
    QString lastText(const QString &kind) const;
    void clear() { shown.clear(); }
};
