// The import window's text imports (digit-led, w-led and state-exam files into
// the staging table) and the decoder (staging table into a new topic).
#include "Desktop.h"
#include "EditorWindow.h"
#include "banktables.h"
#include "decoder.h"
#include "egeimport.h"
#include "programstate.h"
#include "textimport.h"
#include "wordfiles.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>

namespace
{

// The gauge runs from 0 for one operation and is back at 0 when it ends,
// however it ends.
class GaugeRun
{
public:
    GaugeRun(QProgressBar *g, int maximum) : m_g(g)
    {
        m_g->setMaximum(std::max(maximum, 1));
        m_g->setValue(0);
    }
    void show(int value) { m_g->setValue(std::min(value, m_g->maximum())); }
    ~GaugeRun() { m_g->setValue(0); }

private:
    QProgressBar *m_g;
};

constexpr int ImportGaugeMaximum = 5000;

// Plain text is the import layouts' own form; a paper kept as a
// word-processor document is read as its text (wordfiles.h).
QString askImportFile()
{
    return desktop().openFileName(QStringLiteral("Импорт из txt списка"), installRoot(),
                                  QStringLiteral("Все поддерживаемые (*.txt *.rtf *.doc *.docx *.odt);;"
                                                 "Входной типа  .txt (*.txt);;Документ RTF (*.rtf);;"
                                                 "Документ Word (*.doc *.docx);;Документ OpenDocument (*.odt);;"
                                                 "Все файлы (*)"));
}

// The file's text; a conversion may take some seconds, so the cursor says wait.
ImportText readChosenFile(const QString &path)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QGuiApplication::restoreOverrideCursor(); }
    } restore;
    return readImportDocument(path);
}

// Tells the author how the file was read, so that a file in an unexpected
// encoding is noticed before its topic is made.
void reportImport(const ImportText &text)
{
    QString how;
    if (text.converted)
        how = QStringLiteral("Документ переведён в текст программой LibreOffice.");
    else if (text.encoding == ImportEncoding::Rtf)
        how = QStringLiteral("Прочитан документ RTF.");
    else
        how = QStringLiteral("Текст прочитан в кодировке %1.").arg(importEncodingName(text.encoding));
    desktop().message(QStringLiteral("%1 Строк: %2.").arg(how, QString::number(text.lines.size())),
                      QStringLiteral("Импорт"), Desktop::Icon::Information);
}

QString egeScratchPath()
{
    return installPath(QStringLiteral("EGE.dat"));
}

// Both simple layouts: the whole file is read and classified before the
// staging table is touched, so a file that cannot be read changes nothing.
void importSimple(QProgressBar *gauge, std::vector<QStringList> (*stage)(const QStringList &))
{
    const QString path = askImportFile();
    if (path.isEmpty())
        return;
    GaugeRun run(gauge, ImportGaugeMaximum);
    try {
        const ImportText text = readChosenFile(path);
        std::vector<QStringList> rows = stage(text.lines);
        run.show(int(rows.size()) - 1);
        setStagingRows(tables().IzTXT, std::move(rows));
        reportImport(text);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

} // namespace

void EditorWindow::connectImports()
{
    ZagTXT->setText(QStringLiteral("С цифры"));
    ZagTXT->setToolTip(QStringLiteral("Вопрос начинается с цифры"));
    wVopros->setText(QStringLiteral("С буквы w"));
    wVopros->setToolTip(QStringLiteral("Вопрос начинается с буквы w"));
    EGE->setToolTip(QStringLiteral("Из ЕГЭ вопросы"));
    Dekodir->setToolTip(QStringLiteral("Из этой таблицы заполнить верхние таблицы"));
    connect(ZagTXT, &QPushButton::clicked, this, &EditorWindow::ZagTXTClick);
    connect(wVopros, &QPushButton::clicked, this, &EditorWindow::wVoprosClick);
    connect(EGE, &QPushButton::clicked, this, &EditorWindow::EGEClick);
    connect(Dekodir, &QPushButton::clicked, this, &EditorWindow::DekodirClick);
}

void EditorWindow::ZagTXTClick()
{
    importSimple(Gauge1, stageDigitLed);
}

void EditorWindow::wVoprosClick()
{
    importSimple(Gauge1, stageWLed);
}

void EditorWindow::EGEClick()
{
    try {
        clearEgeScratch(egeScratchPath());
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    const QString path = askImportFile();
    if (path.isEmpty())
        return;
    GaugeRun run(Gauge1, ImportGaugeMaximum);
    try {
        const ImportText text = readChosenFile(path);
        const std::vector<EgeRec> marked = markEgeLines(text.lines);
        writeEgeScratch(egeScratchPath(), marked);
        std::vector<QStringList> rows = joinEgeRecords(marked);
        run.show(int(rows.size()));
        setStagingRows(tables().IzTXT, std::move(rows));
        reportImport(text);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

void EditorWindow::DekodirClick()
{
    BankTables &t = tables();
    GaugeRun run(Gauge1, t.IzTXT.rowCount() + 1);
    try {
        const DecodeResult r = decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        run.show(t.IzTXT.rowCount());
        // A question left out is named, so the author can mend it in the staging table.
        if (!r.notes.isEmpty())
            desktop().message(QStringLiteral("Не перенесены в тему %1:\n%2").arg(r.topicCode, r.notes.join(u'\n')),
                              QStringLiteral("Декодировать"), Desktop::Icon::Warning);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}
