// The plain program the start-up of the trainer is measured against: a Qt
// Widgets window with a menu bar, shown once, then the program ends.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.menuBar()->addMenu(QStringLiteral("Файл"));
    w.setCentralWidget(new QLabel(QStringLiteral("Окно")));
    w.resize(1240, 820);
    w.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
