// The plain program the start-up of the trainer is measured against: a Qt
// Widgets window with a menu bar, shown once, then the program ends.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

#include <unistd.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.menuBar()->addMenu(QStringLiteral("Файл"));
    w.setCentralWidget(new QLabel(QStringLiteral("Окно")));
    w.resize(1240, 820);
    w.show();
    QTimer::singleShot(0, &app, [] {
        if (const int fd = qEnvironmentVariableIntValue("TRIVO_STARTED_FD"); fd > 0)
            (void)!write(fd, "u", 1);
        QCoreApplication::quit();
    });
    return app.exec();
}
