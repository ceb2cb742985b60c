// What the desktop shows: Qt's own texts in Russian, every message of the
// windows in Russian, and how the program finds out whether a file can open.
#include "AccessWindow.h"
#include "EditorWindow.h"
#include "ExamSetupWindow.h"
#include "SubjectListWindow.h"
#include "TestFiles.h"
#include "Translations.h"
#include "WindowTestKit.h"
#include "banktables.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>

namespace
{
using Flow = std::function<void(WindowTestKit &)>;

// Words of three or more Latin letters in a text the program showed, leaving
// out what may rightly be Latin: paths and file names, the names of the files
// and folders of the installation, file types, «quoted» data, the three
// standard error texts, and the system's reason: what follows the last ": " of
// a Russian line when it holds no Russian letter.
QStringList latinWords(QString text, const QSet<QString> &names)
{
    static const QRegularExpression notAnInteger(QStringLiteral("'[^']*' is not a valid integer value"));
    static const QRegularExpression quoted(QStringLiteral("«[^»]*»"));
    static const QRegularExpression fileName(QStringLiteral("^[\\w-]+(\\.\\w+)+$"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression russian(QStringLiteral("[А-Яа-яЁё]"));
    text.remove(notAnInteger).remove(fileNotFoundText()).remove(invalidNumericInputText()).remove(quoted);
    QStringList found;
    for (QString line : text.split(u'\n')) {
        const qsizetype reason = line.lastIndexOf(QStringLiteral(": "));
        if (reason >= 0 && line.left(reason).contains(russian) && !line.mid(reason).contains(russian))
            line.truncate(reason);
        for (QString token : line.split(space, Qt::SkipEmptyParts)) {
            while (!token.isEmpty() && QStringLiteral(".,;:!?()'\"").contains(token.back()))
                token.chop(1);
            while (!token.isEmpty() && QStringLiteral("(\"'").contains(token.front()))
                token.remove(0, 1);
            if (token.contains(u'/') || token.contains(u'\\') || fileName.match(token).hasMatch() ||
                names.contains(token.toLower()))
                continue;
            if (word.match(token).hasMatch())
                found << token;
        }
    }
    return found;
}

// The names a message may quote as they are: what the installation folder holds, and file types.
QSet<QString> installedNames(const QString &root)
{
    QSet<QString> names{"txt", "rtf", "doc", "docx", "odt", "pdf", "htm", "html", "gif", "png", "jpg", "jpeg", "bmp"};
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        names << f.fileName().toLower() << f.completeBaseName().toLower();
    }
    return names;
}

// One topic with one exact-answer question, for a run that writes a protocol.
void writeOneQuestion(const QString &folder)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", "Смута"}});
    bank.wopros.rewrite(std::vector<WoprosRec>{{"1", "1", "1", "1", "В каком году?", "", "1", ""}});
    bank.otwet.rewrite(std::vector<OtwetRec>{{"1", "1", "1", "1", "1", "Ф", "1612"}});
}

void runAndPrintProtocol(WindowTestKit &kit)
{
    writeOneQuestion(kit.path("Istoriy"));
    MainWindow *m = kit.start();
    kit.login("470259");
    m->run().modes().protocol = true;
    m->WiborTema->setCurrentIndex(0);
    QTest::mouseClick(m->Pusk, Qt::LeftButton);
    m->OdinOt->setText(QStringLiteral("1613"));
    QTest::mouseClick(m->Itog1, Qt::LeftButton);
    if (m->running())
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
    QTest::mouseClick(m->PrnProtokol, Qt::LeftButton);
}

EditorWindow *openEditor(WindowTestKit &kit)
{
    MainWindow *m = kit.start();
    kit.login("470259");
    kit.desk.onModal = [](QDialog *) {};
    m->findChild<QAction *>("N4")->trigger();
    kit.main->editorWindow()->show();
    return kit.main->editorWindow();
}

// A stand-in for xdg-mime: text/plain and image/gif have programs, folders
// are known to have none, everything else has nothing set.
const char fakeXdgMime[] = "#!/bin/sh\n"
                           "case \"$3\" in\n"
                           "  text/plain) echo editor.desktop ;;\n"
                           "  image/gif) echo viewer.desktop ;;\n"
                           "  inode/directory) exit 4 ;;\n"
                           "esac\n";
} // namespace

Q_DECLARE_METATYPE(Flow)

class DesktopTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;

private slots:
    void qtTextsInTheLocalesLanguageElseRussian_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("language");
        QTest::newRow("Russian") << "ru_RU"
                                 << "ru";
        QTest::newRow("German has its own") << "de_DE"
                                            << "de";
        QTest::newRow("C locale") << "C"
                                  << "ru";
        QTest::newRow("no translation of Qt") << "sw_KE"
                                              << "ru";
    }
    void qtTextsInTheLocalesLanguageElseRussian()
    {
        QFETCH(QString, locale);
        QFETCH(QString, language);
        QTranslator *t = loadQtTranslations(*qApp, QLocale(locale));
        QVERIFY2(t, "Qt's translations are missing: install qt6-translations-l10n (scripts/setup.sh)");
        const QString loaded = t->language();
        QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
        const QString cancel = box.button(QDialogButtonBox::Cancel)->text();
        QCoreApplication::removeTranslator(t);
        delete t;
        QVERIFY2(loaded.startsWith(language), qPrintable(loaded));
        if (language == u"ru")
            QCOMPARE(cancel, QStringLiteral("Отмена"));
    }

    void openerIsAskedOfTheDesktop()
    {
        QTemporaryDir bin, files;
        QFile script(bin.filePath("xdg-mime"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(fakeXdgMime);
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        const QString docx = files.filePath("2024-05-01_10-00-00.docx");
        QVERIFY(writeBytes(docx, "PK"));
        QCOMPARE(desktopHasOpenerFor(files.filePath("Obrazec.txt")), std::optional<bool>(true));
        QCOMPARE(desktopHasOpenerFor(files.filePath("L_Excel.csv")), std::optional<bool>(true)); // a kind of text
        QCOMPARE(desktopHasOpenerFor(files.filePath("1.gif")), std::optional<bool>(true));
        QCOMPARE(desktopHasOpenerFor(docx), std::optional<bool>(false));
        QCOMPARE(desktopHasOpenerFor(files.path()), std::optional<bool>(false));
        // So the Qt seam reports a .docx as not opened instead of trusting the helper.
        QVERIFY(!QtDesktop().openFile(docx));
        QVERIFY(!QtDesktop().openFile(files.filePath("missing.txt")));

        qputenv("PATH", files.path().toLocal8Bit()); // no xdg-mime at all: it cannot tell
        QCOMPARE(desktopHasOpenerFor(docx), std::optional<bool>());
        qputenv("PATH", path);
    }

    // The Qt seam's print preview shows the view's pages, landscape, under a
    // Russian caption; the scripted one keeps the view for the window tests.
    void printPreviewShowsTheViewLandscape()
    {
        Report report;
        report.title = QStringLiteral("Анализ вопросов");
        report.filterLine = QStringLiteral("Тема: Великая Отечественная война");
        ReportTable table;
        table.columns = {{QStringLiteral("Вопрос"), ReportColumn::Kind::Text},
                         {QStringLiteral("Верно"), ReportColumn::Kind::Percent}};
        for (int i = 0; i < 120; ++i)
            table.rows.push_back({QStringLiteral("Вопрос %1").arg(i + 1), 0.5});
        report.tables.push_back(table);

        int pages = 0;
        QString caption;
        bool landscape = false;
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *preview = qobject_cast<QPrintPreviewDialog *>(w);
                if (!preview || !preview->isVisible())
                    continue;
                caption = preview->windowTitle();
                if (auto *pagesView = preview->findChild<QPrintPreviewWidget *>()) {
                    pages = pagesView->pageCount();
                    landscape = pagesView->orientation() == QPageLayout::Landscape;
                }
                preview->reject();
            }
        });
        QtDesktop().printPreview(report, nullptr);
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
        QVERIFY(landscape);
        QVERIFY2(caption.startsWith(QStringLiteral("Предварительный просмотр")) && caption.contains(report.title),
                 qPrintable(caption));

        ScriptedDesktop scripted;
        scripted.printPreview(report, nullptr);
        QCOMPARE(scripted.lastText("preview"), report.title);
        QCOMPARE(scripted.of("preview").back().caption, report.filterLine);
        QVERIFY(scripted.lastReport && scripted.lastReport->tables.at(0).rows.size() == 120);
    }

    // Printing from the preview without the mouse, on the smallest screen:
    // «Печать» stays in sight at its foot, Enter and Ctrl+P print, and
    // Enter in the preview's page number field only turns the page.
    void thePreviewPrintsFromTheKeyboard()
    {
        QPrinter printer;
        QPrintPreviewDialog preview(&printer);
        QAction *print = printFromKeyboard(preview);
        QVERIFY(print);
        // The print dialog itself is not wanted here: what triggers the action is.
        QObject::disconnect(print, SIGNAL(triggered(bool)), &preview, nullptr);
        int printed = 0;
        connect(print, &QAction::triggered, this, [&printed] { ++printed; });
        preview.resize(1024, 600);
        preview.show();
        QVERIFY(QTest::qWaitForWindowActive(&preview));
        auto *button = preview.findChild<QPushButton *>(QStringLiteral("Pechat"));
        QVERIFY(button && button->isVisible() && button->isDefault());
        QVERIFY(preview.rect().contains(QRect(button->mapTo(&preview, QPoint()), button->size())));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(printed, 1);
        QTest::keySequence(&preview, QKeySequence::Print);
        QCOMPARE(printed, 2);
        for (QLineEdit *field : preview.findChildren<QLineEdit *>()) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(printed, 2);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(printed, 3);
        QTest::keyClick(&preview, Qt::Key_Escape);
        QVERIFY(!preview.isVisible());
    }

    void latinWordsAreFound_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("English with a path")
            << "The document was saved as /tmp/a.docx" << QStringList{"The", "document", "was", "saved"};
        QTest::newRow("system reason") << "Не удалось записать файл Tema.dat: No space left on device" << QStringList{};
        QTest::newRow("English before a colon")
            << "Cannot write file: Tema.dat (No space left)" << QStringList{"Cannot", "write", "file", "space", "left"};
        QTest::newRow("English after a Russian colon")
            << "Предмет «Внешний»: папка not allowed" << QStringList{"not", "allowed"};
        QTest::newRow("standard texts") << "'abc' is not a valid integer value File not found" << QStringList{};
        QTest::newRow("installed name") << "Список Baza/Papka.dat и папка Istoriy, типы txt, rtf" << QStringList{};
        QTest::newRow("quoted data") << "Папка «Geogr» вне папки программы" << QStringList{};
    }
    void latinWordsAreFound()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(latinWords(text, {"istoriy", "txt", "rtf"}), words);
    }

    void everyMessageIsRussian_data()
    {
        QTest::addColumn<Flow>("flow");
        QTest::addColumn<QString>("kind"); // what the flow must show at least once
        QTest::newRow("no translation table") << Flow([](WindowTestKit &k) {
            k.freshFolder(false);
            k.start();
        }) << "error";
        QTest::newRow("settings line not a number") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            writeCp1251Lines(k.path("Baza/NoKor.qdx"), {"x", "Qdx", "clRed", "2003", "много", "5", "55", "70", "85"});
            k.start();
        }) << "error";
        QTest::newRow("subject list is a folder") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            QDir().mkpath(k.path("Baza/Papka.dat"));
            k.start();
        }) << "error";
        QTest::newRow("user table is a folder") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            QDir().mkpath(k.path("Baza/Dostup.dat"));
            k.start();
        }) << "error";
        QTest::newRow("subject folder outside") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            RecordFile(k.path("Baza/Papka.dat"), PapkaRec::Size)
                .rewrite(std::vector<PapkaRec>{{1, "Внешний", "..", 1, 1, 1}});
            k.start();
        }) << "message";
        QTest::newRow("log-in and limits") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            MainWindow *m = k.start();
            k.login("470259");
            k.desk.inputs.push_back(QStringLiteral("двадцать"));
            m->MaxKWClick();
            k.desk.inputs.push_back(QStringLiteral("318642"));
            m->N10->trigger();
            m->MaxKWClick(); // refused to a user
            k.desk.inputs.push_back(QStringLiteral("111111"));
            m->N10->trigger();
        }) << "message";
        QTest::newRow("bad date of a user") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            k.start();
            k.main->accessWindow()->FormShow();
            k.main->accessWindow()->grid.setCell(1, 4, QStringLiteral("вчера"));
            QTest::mouseClick(k.main->accessWindow()->ZapDostup, Qt::LeftButton);
        }) << "error";
        QTest::newRow("empty subject list stored") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            k.start();
            SubjectListWindow *s = k.main->subjectListWindow();
            s->FormActivate();
            s->grid.setRowCount(1);
            QTest::mouseClick(s->SaveTab, Qt::LeftButton);
        }) << "error";
        QTest::newRow("import of a folder and of nothing") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            EditorWindow *z = openEditor(k);
            k.desk.fileNames = {k.path("Baza"), k.path("nothing.txt")};
            QTest::mouseClick(z->ZagTXT, Qt::LeftButton);
            QTest::mouseClick(z->EGE, Qt::LeftButton);
        }) << "error";
        QTest::newRow("documents nothing opens") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            MainWindow *m = k.start();
            k.desk.openSucceeds = false;
            writeCp1251Lines(k.path("Baza/Obrazec.txt"), {QStringLiteral("1. Вопрос")});
            m->N29->trigger();
            m->N13->trigger(); // not installed
            k.desk.printSucceeds = false;
            m->N15->trigger();
        }) << "notOpened";
        QTest::newRow("topic list nothing opens") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            k.start();
            k.desk.startSucceeds = k.desk.openSucceeds = false;
            k.main->examSetupWindow()->FormActivate();
            QTest::mouseClick(k.main->examSetupWindow()->SpisTem, Qt::LeftButton);
        }) << "notOpened";
        QTest::newRow("protocol nothing opens") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            k.desk.openSucceeds = false;
            runAndPrintProtocol(k);
        }) << "notOpened";
        QTest::newRow("protocol folder cannot be made") << Flow([](WindowTestKit &k) {
            k.freshFolder();
            QVERIFY(writeBytes(k.path("Documents"), "a file where the folder goes"));
            runAndPrintProtocol(k);
        }) << "error";
    }
    void everyMessageIsRussian()
    {
        QFETCH(Flow, flow);
        QFETCH(QString, kind);
        flow(kit);
        QVERIFY2(!kit.desk.of(kind).empty(), "the flow did not get as far as its message");
        const QSet<QString> names = installedNames(kit.dir->path());
        for (const auto &s : kit.desk.shown) {
            if (!QStringList{"message", "error", "input", "notOpened", "modal", "file"}.contains(s.kind))
                continue;
            const QString text = s.kind == u"modal" ? QString() : s.text; // a modal's text is its object name
            const QStringList english = latinWords(text + u'\n' + s.caption, names);
            QVERIFY2(english.isEmpty(),
                     qPrintable(s.kind + QStringLiteral(": ") + s.text + QStringLiteral(" | ") + s.caption));
        }
    }
};

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
