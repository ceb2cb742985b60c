#include "Documents.h"
#include "Desktop.h"
#include "DocxDocument.h"

namespace {
std::unique_ptr<WordDocument> makeDocx()
{
    DesktopHooks hooks;
    hooks.openFile = [](const QString &path) { return desktop().openFile(path); };
    hooks.startProgram = [](const QString &program, const QStringList &args) {
        return desktop().startProgram(program, args);
    };
    hooks.showError = [](const QString &text) { desktop().error(text); };
    return std::make_unique<DocxDocument>(hooks);
}
} // namespace

DocumentFactory &documentFactory()
{
    static DocumentFactory f = makeDocx;
    return f;
}
