#include "Documents.h"
#include "Desktop.h"
#include "DocxDocument.h"

DesktopHooks desktopHooks()
{
    DesktopHooks hooks;
    hooks.openFile = [](const QString &path) { return desktop().openFile(path); };
    hooks.startProgram = [](const QString &program, const QStringList &args) {
        return desktop().startProgram(program, args);
    };
    hooks.showError = [](const QString &text) { desktop().error(text); };
    hooks.reportNotOpened = [](const QString &path) { desktop().reportNotOpened(path); };
    return hooks;
}

DocumentFactory &documentFactory()
{
    static DocumentFactory f = [] { return std::make_unique<DocxDocument>(desktopHooks()); };
    return f;
}
