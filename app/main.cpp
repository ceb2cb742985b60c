// The exam trainer: creates the eight windows in their order and runs until
// the main window closes.
#include "Desktop.h"
#include "MainWindow.h"
#include "text.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!cp1251Available()) {
        desktop().error(QStringLiteral("The windows-1251 text converter is not available; the banks cannot be read."));
        return 1;
    }
    MainWindow main; // makes the windows it opens
    main.show();
    main.activateWindow();
    return app.exec();
}
