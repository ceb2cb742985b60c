#pragma once
// Shared set-up of the window tests: a fresh installation folder, the scripted
// desktop, and the eight windows created as the program creates them.
#include "Desktop.h"
#include "EditorWindow.h"
#include "FocusFrame.h"
#include "MainWindow.h"
#include "Mnemonics.h"
#include "ScreenFit.h"
#include "Translations.h"
#include "programstate.h"
#include "textfile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <memory>

struct WindowTestKit {
    std::unique_ptr<QTemporaryDir> dir;
    ScriptedDesktop desk;
    MainWindow *main = nullptr; // it owns every other window
    // The windows' places are kept in a settings folder of the tests' own.
    QTemporaryDir config;

    // The program's own formats, as main() sets them; the suites run under the C locale.
    WindowTestKit()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        useRussianFormats();
        installLayoutFreeMnemonics();
        installFocusFrame();
    }

    void destroy()
    {
        delete main;
        main = nullptr;
    }

    // A new installation folder holding only Baza/Win_Dos.qdx (unless told otherwise).
    void freshFolder(bool withWinDos = true)
    {
        destroy();
        QSettings(windowSettingsOrganization(), QStringLiteral("windows")).clear();
        dir = std::make_unique<QTemporaryDir>();
        QDir(dir->path()).mkpath(QStringLiteral("Baza"));
        if (withWinDos)
            writeCp1251Lines(path(QStringLiteral("Baza/Win_Dos.qdx")), {QStringLiteral("АВС"), QStringLiteral("ABC")});
        setInstallRoot(dir->path());
        glo() = Glo{};
        desk = ScriptedDesktop{};
        setDesktop(&desk);
    }

    QString path(const QString &rel) const { return QDir(dir->path()).filePath(rel); }

    // Creates the windows and shows the main one, which runs its first activation.
    MainWindow *start()
    {
        main = new MainWindow;
        main->show();
        main->activateWindow();
        (void)QTest::qWaitForWindowActive(main, 2000);
        return main;
    }

    // The editor opened from the Service menu by the administrator, in the
    // installation folder made before; it stays open for the test.
    EditorWindow *openEditor()
    {
        MainWindow *m = start();
        login(QStringLiteral("470259"));
        desk.onModal = [](QDialog *) {};
        m->findChild<QAction *>(QStringLiteral("N4"))->trigger();
        EditorWindow *z = main->editorWindow();
        z->show();
        if (!QTest::qWaitForWindowExposed(z))
            return nullptr;
        desk.clear();
        return z;
    }

    // Another activation of the main window, as after a modal window closes.
    void reactivate()
    {
        QWidget other;
        other.show();
        other.activateWindow();
        (void)QTest::qWaitForWindowActive(&other, 2000);
        other.hide();
        main->activateWindow();
        (void)QTest::qWaitForWindowActive(main, 2000);
    }

    // Logs in with a password through the splash.
    void login(const QString &password)
    {
        main->Parol->setText(password);
        QTest::mouseClick(main->ZastPogasit1, Qt::LeftButton);
    }

    QByteArray bytes(const QString &rel) const
    {
        QFile f(path(rel));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    ~WindowTestKit()
    {
        destroy();
        setDesktop(nullptr);
    }
};

template <class T> T *child(QObject *parent, const QString &name)
{
    T *w = parent->findChild<T *>(name);
    if (!w)
        qWarning("no child named %s", qPrintable(name));
    return w;
}
