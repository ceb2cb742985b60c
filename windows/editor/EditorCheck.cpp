// The import window's bank check: the subject's files are checked as they lie
// on the disk, and each finding leads to its row in the tables above.
#include "Desktop.h"
#include "EditorWindow.h"
#include "WidgetKit.h"
#include "bankcheck.h"
#include "programstate.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace
{
constexpr int FileRole = Qt::UserRole;
constexpr int RecordRole = Qt::UserRole + 1;
} // namespace

void EditorWindow::connectCheck(QVBoxLayout *side)
{
    ProverkaBanka = namedButton(QStringLiteral("ProverkaBanka"), QStringLiteral("Проверить банк"),
                                QStringLiteral("Найти ошибки, из-за которых на вопрос нельзя ответить"));
    side->addWidget(ProverkaBanka);
    connect(ProverkaBanka, &QPushButton::clicked, this, &EditorWindow::ProverkaBankaClick);

    OknoProverki = new QDialog(this);
    OknoProverki->setObjectName(QStringLiteral("OknoProverki"));
    OknoProverki->setWindowTitle(QStringLiteral("Проверка банка"));
    auto *layout = new QVBoxLayout(OknoProverki);
    auto *note = new QLabel(QStringLiteral("Проверены файлы банка на диске: правки таблиц, которые ещё не "
                                           "запомнены, не учтены. Двойной щелчок или Enter — перейти к строке."));
    note->setWordWrap(true);
    layout->addWidget(note);
    SpisokOshibok = new QListWidget;
    SpisokOshibok->setObjectName(QStringLiteral("SpisokOshibok"));
    SpisokOshibok->setWordWrap(true); // a long finding reads whole, without scrolling sideways
    SpisokOshibok->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(SpisokOshibok, 1);
    OknoProverki->resize(800, 400);
    connect(SpisokOshibok, &QListWidget::itemActivated, this, &EditorWindow::ShowFinding);
}

void EditorWindow::ProverkaBankaClick()
{
    if (glo().TekPapka.isEmpty())
        return;
    std::vector<BankFinding> findings;
    try {
        findings = checkBank(subjectFolder());
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    SpisokOshibok->clear();
    for (const BankFinding &f : findings) {
        auto *item = new QListWidgetItem(findingLine(f), SpisokOshibok);
        item->setData(FileRole, f.file);
        item->setData(RecordRole, f.record);
    }
    if (findings.empty())
        SpisokOshibok->addItem(QStringLiteral("Ошибок не найдено"));
    SpisokOshibok->setCurrentRow(0);
    OknoProverki->show();
    OknoProverki->raise();
}

void EditorWindow::ShowFinding(QListWidgetItem *item)
{
    const QString file = item->data(FileRole).toString();
    const int record = item->data(RecordRole).toInt();
    // A record is the row of the same number in its file's table; the
    // mouse handlers then do what a click on that row does.
    QTableView *view = file == u"Predmet.dat"  ? RazdelTab
                       : file == u"Tema.dat"   ? TemaTabl
                       : file == u"Wopros.dat" ? WopTabl
                       : file == u"Otwet.dat"  ? OtwTabl
                                               : nullptr;
    if (!view || record < 1 || record > view->model()->rowCount())
        return;
    selectRow(view, record);
    view->scrollTo(view->currentIndex());
    if (view == TemaTabl)
        TemaTablMouseDown(record);
    else if (view == WopTabl)
        WopTablMouseDown(record);
    else if (view == OtwTabl)
        OtwTablMouseDown(record);
}
