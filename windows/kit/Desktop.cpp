#include "Desktop.h"
#include "ReportDocument.h"
#include "WidgetKit.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPainter>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

namespace
{
Desktop *installed = nullptr;

QWidget *activeParent()
{
    return QApplication::activeWindow();
}

QString folderOf(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

// The desktop file xdg-mime names as the default application of a MIME type;
// empty when there is none, nothing when xdg-mime could not be asked.
std::optional<QString> defaultApplication(const QString &mimeType)
{
    QProcess p;
    p.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!p.waitForStarted(2000))
        return std::nullopt;
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(1000);
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    // xdg-utils exit with 4 when the desktop was asked and knows of no program.
    if (p.exitCode() == 4)
        return QString();
    if (p.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}
} // namespace

Desktop &desktop()
{
    static QtDesktop qt;
    return installed ? *installed : qt;
}

void setDesktop(Desktop *d)
{
    installed = d;
}

QString notOpenedCaption()
{
    return QStringLiteral("Файл не открыт");
}

QString notOpenedText(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo::exists(path))
        return QStringLiteral("Файл %1 не найден. Он должен лежать в папке:\n%2").arg(name, folderOf(path));
    return QStringLiteral("Файл %1 не открылся: на компьютере нет программы, которая открывает такие файлы.\n\n"
                          "Файл находится в папке:\n%2\n\nОткрыть эту папку?")
        .arg(name, folderOf(path));
}

std::optional<bool> desktopHasOpenerFor(const QString &path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QStringList names{type.name()};
    names += type.aliases();
    if (type.inherits(QStringLiteral("text/plain")))
        names << QStringLiteral("text/plain");
    names.removeDuplicates();
    bool asked = false;
    for (const QString &name : names) {
        const auto app = defaultApplication(name);
        if (app && !app->isEmpty())
            return true;
        asked = asked || app.has_value();
    }
    return asked ? std::optional<bool>(false) : std::nullopt;
}

// ---- Qt ----

namespace
{
// The details wait behind a button «Подробнее», whatever language Qt speaks.
void showDetailsOnRequest(QMessageBox &box, const QString &details)
{
    box.setDetailedText(details);
    // The box adds its details button when it is shown.
    QTimer::singleShot(0, &box, [&box] {
        for (QAbstractButton *b : box.buttons()) {
            if (box.buttonRole(b) != QMessageBox::ActionRole)
                continue;
            const auto label = [&box, b] {
                auto *text = box.findChild<QTextEdit *>();
                b->setText(text && text->isVisible() ? QStringLiteral("Скрыть подробности")
                                                     : QStringLiteral("Подробнее"));
            };
            label();
            QObject::connect(b, &QAbstractButton::clicked, &box, label);
        }
    });
}
} // namespace

void QtDesktop::message(const QString &text, const QString &caption, Icon icon)
{
    detailedMessage(text, caption, icon, {});
}

void QtDesktop::detailedMessage(const QString &text, const QString &caption, Icon icon, const QString &details)
{
    QMessageBox::Icon i = QMessageBox::Information;
    switch (icon) {
    case Icon::Warning:
        i = QMessageBox::Warning;
        break;
    case Icon::Error:
        i = QMessageBox::Critical;
        break;
    case Icon::Question:
        i = QMessageBox::Question;
        break;
    case Icon::Information:
        break;
    }
    QMessageBox box(i, caption, text, QMessageBox::Ok, activeParent());
    if (!details.isEmpty())
        showDetailsOnRequest(box, details);
    box.exec();
}

void QtDesktop::error(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Ошибка"), text, QMessageBox::Ok, activeParent());
    box.exec();
}

namespace
{
// A one-line box whose text shown in advance is selected, so typing replaces
// it; nothing when it is cancelled.
std::optional<QString> askLine(QWidget *parent, const QString &caption, const QString &prompt, QLineEdit::EchoMode echo,
                               const QString &defaultText)
{
    QInputDialog box(parent);
    box.setWindowTitle(caption);
    box.setLabelText(prompt);
    box.setTextEchoMode(echo);
    box.setTextValue(defaultText);
    if (auto *line = box.findChild<QLineEdit *>())
        selectAllOnFocus(line);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}
} // namespace

QString QtDesktop::input(const QString &caption, const QString &prompt, const QString &defaultText)
{
    return askLine(activeParent(), caption, prompt, QLineEdit::Normal, defaultText).value_or(defaultText);
}

std::optional<QString> QtDesktop::password(const QString &caption, const QString &prompt)
{
    return askLine(activeParent(), caption, prompt, QLineEdit::Password, QString());
}

Desktop::Answer QtDesktop::ask(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    activeParent());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    // The buttons speak Russian whatever language Qt's own texts are in.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Нет"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("&Отмена"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QColor> QtDesktop::chooseColour(const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, activeParent());
    if (!c.isValid())
        return std::nullopt;
    return c;
}

QString QtDesktop::openFileName(const QString &caption, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(activeParent(), caption, folder, filter);
}

QString QtDesktop::saveFileName(const QString &caption, const QString &suggested, const QString &filter)
{
    return QFileDialog::getSaveFileName(activeParent(), caption, suggested, filter);
}

void QtDesktop::showModal(QDialog *window)
{
    window->exec();
}

bool QtDesktop::openFile(const QString &path)
{
    // openUrl() says yes as soon as the desktop's helper starts, even when the
    // helper then finds nothing to open the file with; so ask first.
    if (!QFileInfo::exists(path) || desktopHasOpenerFor(path) == false)
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtDesktop::reportNotOpened(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        message(notOpenedText(path), notOpenedCaption(), Icon::Warning);
        return;
    }
    QMessageBox box(QMessageBox::Question, notOpenedCaption(), notOpenedText(path), QMessageBox::Yes | QMessageBox::No,
                    activeParent());
    box.setDefaultButton(QMessageBox::Yes);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse); // the path can be copied
    if (box.exec() != QMessageBox::Yes)
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (!openFile(folder))
        error(QStringLiteral("Папку %1 тоже не удалось открыть: на компьютере нет программы для просмотра папок.")
                  .arg(QDir::toNativeSeparators(folder)));
}

bool QtDesktop::startProgram(const QString &program, const QStringList &args)
{
    return QProcess::startDetached(program, args);
}

bool QtDesktop::printWindow(QWidget *window, bool landscape)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    const QPixmap image = window->grab();
    QPainter p;
    if (!p.begin(&printer))
        return false;
    const QRect page = p.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    p.setViewport(page.x(), page.y(), size.width(), size.height());
    p.setWindow(image.rect());
    p.drawPixmap(0, 0, image);
    return p.end();
}

namespace
{
// Return in the preview's own text fields (the page number, the zoom) does
// what it does there and stops: it is no order to print.
class ReturnStaysInField : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress || !qobject_cast<QLineEdit *>(watched))
            return false;
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        static_cast<QObject *>(watched)->event(e);
        e->accept(); // the field lets Return go on to the dialog: it goes no further
        return true;
    }
};
} // namespace

QAction *printFromKeyboard(QPrintPreviewDialog &preview)
{
    // The preview's print action is known by its text only; it is the same
    // translated text the dialog gave it.
    const QString printText = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    QAction *print = nullptr;
    for (QAction *a : preview.findChildren<QAction *>())
        if (a->text() == printText)
            print = a;
    if (!print)
        return nullptr;
    print->setShortcut(QKeySequence::Print);
    print->setShortcutContext(Qt::WindowShortcut);
    preview.addAction(print); // the key also works while the toolbar's button is out of sight
    auto *buttons = new QDialogButtonBox(&preview);
    buttons->setObjectName(QStringLiteral("PechatKnopki"));
    buttons->setContentsMargins(9, 6, 9, 9);
    QPushButton *printButton = buttons->addButton(QStringLiteral("&Печать"), QDialogButtonBox::AcceptRole);
    printButton->setObjectName(QStringLiteral("Pechat"));
    printButton->setToolTip(QStringLiteral("Напечатать или сохранить в PDF (Ctrl+P)"));
    QPushButton *closeButton = buttons->addButton(QStringLiteral("&Закрыть"), QDialogButtonBox::RejectRole);
    closeButton->setObjectName(QStringLiteral("Zakryt"));
    // Enter prints, as the one thing a preview is opened for.
    printButton->setDefault(true);
    QObject::connect(printButton, &QPushButton::clicked, print, &QAction::trigger);
    QObject::connect(closeButton, &QPushButton::clicked, &preview, &QDialog::reject);
    auto *guard = new ReturnStaysInField(&preview);
    for (QLineEdit *field : preview.findChildren<QLineEdit *>())
        field->installEventFilter(guard);
    if (QLayout *l = preview.layout())
        l->addWidget(buttons);
    return print;
}

void QtDesktop::printPreview(const Report &report, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    setReportPageLayout(printer);
    printer.setDocName(report.title);
    // The dialog's print button asks for the printer; «Печать в файл (PDF)» is
    // always among them, also where no printer is set up.
    QPrintPreviewDialog preview(&printer, parent ? parent : activeParent());
    preview.setWindowTitle(QStringLiteral("Предварительный просмотр: %1").arg(report.title));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&report](QPrinter *p) { printReport(*p, report); });
    printFromKeyboard(preview);
    preview.exec();
}

void QtDesktop::activateKeyboardLayout(const QString &)
{
    // The layout belongs to the desktop session here; the program types
    // Cyrillic whatever layout is active, so nothing is switched.
}

// ---- Scripted ----

void ScriptedDesktop::message(const QString &text, const QString &caption, Icon icon)
{
    shown.push_back({QStringLiteral("message"), text, caption, icon});
}

void ScriptedDesktop::detailedMessage(const QString &text, const QString &caption, Icon icon, const QString &details)
{
    message(text, caption, icon);
    shown.back().details = details;
}

void ScriptedDesktop::error(const QString &text)
{
    shown.push_back({QStringLiteral("error"), text, {}, Icon::Error});
}

QString ScriptedDesktop::input(const QString &caption, const QString &prompt, const QString &defaultText)
{
    shown.push_back({QStringLiteral("input"), prompt + u'|' + defaultText, caption, Icon::Question});
    if (inputs.empty())
        return defaultText;
    const auto answer = inputs.front();
    inputs.pop_front();
    return answer ? *answer : defaultText;
}

std::optional<QString> ScriptedDesktop::password(const QString &caption, const QString &prompt)
{
    shown.push_back({QStringLiteral("input"), prompt + u'|', caption, Icon::Question, true});
    if (inputs.empty())
        return std::nullopt;
    const auto answer = inputs.front();
    inputs.pop_front();
    return answer;
}

Desktop::Answer ScriptedDesktop::ask(const QString &text, const QString &caption)
{
    shown.push_back({QStringLiteral("question"), text, caption, Icon::Question});
    if (answers.empty())
        return Answer::Cancel;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QColor> ScriptedDesktop::chooseColour(const QColor &initial)
{
    shown.push_back({QStringLiteral("colour"), initial.name(), {}, Icon::Question});
    if (colours.empty())
        return std::nullopt;
    const auto c = colours.front();
    colours.pop_front();
    return c;
}

QString ScriptedDesktop::saveFileName(const QString &caption, const QString &suggested, const QString &)
{
    shown.push_back({QStringLiteral("save"), suggested, caption, Icon::Question});
    if (saveNames.empty())
        return {};
    const QString f = saveNames.front();
    saveNames.pop_front();
    return f;
}

QString ScriptedDesktop::openFileName(const QString &caption, const QString &, const QString &)
{
    shown.push_back({QStringLiteral("file"), {}, caption, Icon::Question});
    if (fileNames.empty())
        return {};
    const QString f = fileNames.front();
    fileNames.pop_front();
    return f;
}

void ScriptedDesktop::showModal(QDialog *window)
{
    shown.push_back({QStringLiteral("modal"), window->objectName(), window->windowTitle(), Icon::Information});
    // A window that deletes itself on closing may be gone by the end, as after exec().
    const QPointer<QDialog> w(window);
    window->show();
    if (onModal)
        onModal(window);
    if (w)
        w->hide();
}

bool ScriptedDesktop::openFile(const QString &path)
{
    shown.push_back({QStringLiteral("open"), path, {}, Icon::Information});
    return openSucceeds;
}

void ScriptedDesktop::reportNotOpened(const QString &path)
{
    const bool there = QFileInfo::exists(path);
    shown.push_back(
        {QStringLiteral("notOpened"), notOpenedText(path), notOpenedCaption(), there ? Icon::Question : Icon::Warning});
    if (!there || openFolder.empty())
        return; // no question asked, or answered no
    const bool yes = openFolder.front();
    openFolder.pop_front();
    if (yes)
        shown.push_back({QStringLiteral("folder"), folderOf(path), {}, Icon::Information});
}

bool ScriptedDesktop::startProgram(const QString &program, const QStringList &args)
{
    shown.push_back({QStringLiteral("start"), program + u' ' + args.join(u' '), {}, Icon::Information});
    return startSucceeds;
}

bool ScriptedDesktop::printWindow(QWidget *window, bool landscape)
{
    shown.push_back({QStringLiteral("print"), window->objectName(),
                     landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"), Icon::Information});
    return printSucceeds;
}

void ScriptedDesktop::printPreview(const Report &report, QWidget *)
{
    shown.push_back({QStringLiteral("preview"), report.title, report.filterLine, Icon::Information});
    lastReport = report;
}

void ScriptedDesktop::activateKeyboardLayout(const QString &layoutId)
{
    shown.push_back({QStringLiteral("layout"), layoutId, {}, Icon::Information});
}

std::vector<ScriptedDesktop::Shown> ScriptedDesktop::of(const QString &kind) const
{
    std::vector<Shown> out;
    for (const auto &s : shown)
        if (s.kind == kind)
            out.push_back(s);
    return out;
}

QString ScriptedDesktop::lastText(const QString &kind) const
{
    const auto v = of(kind);
    return v.empty() ? QString() : v.back().text;
}
