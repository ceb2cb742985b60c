// The exam trainer: settles its installation folder, makes the main window
// (which makes the others) and runs until it closes.
#include "Desktop.h"
#include "FocusFrame.h"
#include "MainWindow.h"
#include "Mnemonics.h"
#include "ProgramIcon.h"
#include "Translations.h"
#include "WidgetKit.h"
#include "homefolder.h"
#include "installfolder.h"
#include "text.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <unistd.h>

namespace
{
// The folder from --home, TRIVO_HOME, the current folder or ~/Trivo, made and
// given the shipped files it lacks; why it cannot be used otherwise.
QString settleInstallationFolder()
{
    const HomeChoice home = chooseHomeFolder(QCoreApplication::arguments().mid(1), qEnvironmentVariable("TRIVO_HOME"),
                                             QDir::currentPath(), QDir::homePath());
    if (!home.problem.isEmpty())
        return home.problem;
    const QString problem = prepareHomeFolder(home.folder, shippedFolder(QCoreApplication::applicationDirPath()));
    if (!problem.isEmpty())
        return problem;
    if (!QDir::setCurrent(home.folder))
        return QStringLiteral("Не удалось перейти в папку программы «%1».").arg(QDir::toNativeSeparators(home.folder));
    setInstallRoot(home.folder);
    return {};
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    loadQtTranslations(app); // Qt's own buttons and dialogs in Russian
    useRussianFormats();
    installLayoutFreeMnemonics();
    installFocusFrame();
    applyColourScheme(); // the high-contrast scheme, when this user chose it
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(TRIVO_APP_ID));
    if (!cp1251Available()) {
        desktop().error(QStringLiteral("Нет преобразователя текста windows-1251: банки вопросов прочитать нельзя."));
        return 1;
    }
    if (const QString problem = settleInstallationFolder(); !problem.isEmpty()) {
        desktop().error(problem);
        return 1;
    }
    MainWindow main; // makes the windows it opens
    main.show();
    main.activateWindow();
    // The start-up benchmark ends the program once the window is up, and
    // learns the moment through the descriptor it names in TRIVO_STARTED_FD.
    if (QCoreApplication::arguments().contains(QStringLiteral("--quit-after-start")))
        QTimer::singleShot(0, &app, [] {
            if (const int fd = qEnvironmentVariableIntValue("TRIVO_STARTED_FD"); fd > 0)
                (void)!write(fd, "u", 1);
            QCoreApplication::quit();
        });
    return app.exec();
}
