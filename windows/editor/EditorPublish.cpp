// The editor's part for the school's server: the current subject published
// as a new version, and the list of its versions with an earlier one
// published again. The server is asked off the window's thread, as the
// teacher's own role.
#include "Desktop.h"
#include "EditorWindow.h"
#include "OffThread.h"
#include "WidgetKit.h"
#include "access.h"
#include "bankpublish.h"
#include "errors.h"
#include "programstate.h"
#include "text.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{
// A version, or why there is none.
struct Published {
    std::optional<BankVersion> version;
    QString error;
};

struct Versions {
    std::vector<BankVersion> list;
    QString error;
};

QString sizeText(qint64 bytes)
{
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 КБ").arg(QLocale(QLocale::Russian).toString(double(bytes) / 1024, 'f', 1));
    return QStringLiteral("%1 МБ").arg(QLocale(QLocale::Russian).toString(double(bytes) / (1024 * 1024), 'f', 1));
}

QString filesText(int n)
{
    static const char *const forms[] = {"файл", "файла", "файлов"};
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(forms[pluralForm(n)]));
}

QString publishedText(const BankVersion &v)
{
    QString text = QStringLiteral("Предмет «%1» опубликован на сервере школы: версия %2 (%3, %4).")
                       .arg(v.subject)
                       .arg(v.version)
                       .arg(filesText(v.files), sizeText(v.bytes));
    if (v.basedOn)
        text += QStringLiteral(" Это версия %1, опубликованная снова.").arg(*v.basedOn);
    return text + QStringLiteral(" Компьютеры школы получат её при запуске программы или по команде «Обновить банки».");
}

Published publishOn(const JournalSettings &teacher, const QString &subject, const QString &folder)
{
    const SchoolConnection c(teacher);
    if (!c.isOpen())
        return {std::nullopt, c.error()};
    QSqlDatabase db = c.db();
    Published out;
    out.version = publishSubject(db, subject, folder, out.error);
    return out;
}

Published republishOn(const JournalSettings &teacher, const QString &subject, int version)
{
    const SchoolConnection c(teacher);
    if (!c.isOpen())
        return {std::nullopt, c.error()};
    QSqlDatabase db = c.db();
    Published out;
    out.version = republishVersion(db, subject, version, out.error);
    return out;
}

Versions versionsOn(const JournalSettings &teacher, const QString &subject)
{
    const SchoolConnection c(teacher);
    if (!c.isOpen())
        return {{}, c.error()};
    QSqlDatabase db = c.db();
    Versions out;
    if (auto list = subjectVersions(db, subject, out.error))
        out.list = std::move(*list);
    return out;
}
} // namespace

void EditorWindow::connectPublish(QVBoxLayout *side)
{
    Opublikovat = namedButton(QStringLiteral("Opublikovat"), QStringLiteral("Опубликовать на сервере"),
                              QStringLiteral("Сохранить банк предмета на сервере школы новой версией: компьютеры "
                                             "школы получат её сами"));
    Wersii = namedButton(QStringLiteral("Wersii"), QStringLiteral("Версии…"),
                         QStringLiteral("Версии предмета на сервере школы; прежнюю можно опубликовать снова"));
    side->addWidget(Opublikovat);
    side->addWidget(Wersii);
    connect(Opublikovat, &QPushButton::clicked, this, &EditorWindow::OpublikovatClick);
    connect(Wersii, &QPushButton::clicked, this, &EditorWindow::WersiiClick);
    showPublishButtons();
}

void EditorWindow::setTeacherSettings(TeacherSettings teacher)
{
    m_teacher = std::move(teacher);
    showPublishButtons();
}

void EditorWindow::showPublishButtons()
{
    const JournalSettings s = JournalSettings::load();
    const bool shown =
        m_teacher && isAdmin(glo().KodDostupa) && s.engine == JournalSettings::Engine::Server && s.school;
    Opublikovat->setVisible(shown);
    Wersii->setVisible(shown);
}

void EditorWindow::OpublikovatClick()
{
    if (glo().TekPapka.isEmpty() || !m_teacher)
        return;
    // What is published is what lies on the disk.
    if (holdsUnstoredEdits()) {
        if (desktop().ask(QStringLiteral("В таблицах есть правки, которые ещё не запомнены. Запомнить их и "
                                         "опубликовать банк?"),
                          QStringLiteral("Публикация")) != Desktop::Answer::Yes ||
            !storeEdits())
            return;
    }
    QString folder;
    try {
        folder = subjectFolder();
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    const std::optional<JournalSettings> teacher = m_teacher();
    if (!teacher)
        return;
    const QString subject = trimmed(glo().TekPredmet);
    Opublikovat->setEnabled(false);
    Opublikovat->setText(QStringLiteral("Публикуется…"));
    offThread<Published>(
        this, [teacher = *teacher, subject, folder] { return publishOn(teacher, subject, folder); },
        [this](const Published &done) {
            Opublikovat->setEnabled(true);
            Opublikovat->setText(QStringLiteral("Опубликовать на сервере"));
            if (done.version)
                desktop().message(publishedText(*done.version), QStringLiteral("Публикация"),
                                  Desktop::Icon::Information);
            else
                desktop().message(QStringLiteral("Банк не опубликован. ") + done.error, QStringLiteral("Публикация"),
                                  Desktop::Icon::Warning);
        });
}

void EditorWindow::WersiiClick()
{
    if (glo().TekPapka.isEmpty() || !m_teacher)
        return;
    if (const std::optional<JournalSettings> teacher = m_teacher())
        showVersions(*teacher, trimmed(glo().TekPredmet));
}

void EditorWindow::showVersions(const JournalSettings &teacher, const QString &subject)
{
    Wersii->setEnabled(false);
    offThread<Versions>(
        this, [teacher, subject] { return versionsOn(teacher, subject); },
        [this, teacher, subject](const Versions &found) {
            Wersii->setEnabled(true);
            if (!found.error.isEmpty()) {
                desktop().message(found.error, QStringLiteral("Версии"), Desktop::Icon::Warning);
                return;
            }
            auto *window = new QDialog(this);
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->setObjectName(QStringLiteral("OknoWersiy"));
            window->setWindowTitle(QStringLiteral("Версии предмета «%1» на сервере школы").arg(subject));
            auto *layout = new QVBoxLayout(window);
            auto *list = new QTableWidget(int(found.list.size()), 5, window);
            list->setObjectName(QStringLiteral("SpisokWersiy"));
            list->setAccessibleName(QStringLiteral("Версии предмета"));
            list->setHorizontalHeaderLabels({QStringLiteral("Версия"), QStringLiteral("Автор"),
                                             QStringLiteral("Опубликована"), QStringLiteral("Файлов"),
                                             QStringLiteral("Размер")});
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setSelectionBehavior(QAbstractItemView::SelectRows);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->verticalHeader()->hide();
            list->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
            for (int r = 0; r < int(found.list.size()); ++r) {
                const BankVersion &v = found.list[size_t(r)];
                const QString number = v.basedOn ? QStringLiteral("%1 (как %2)").arg(v.version).arg(*v.basedOn)
                                                 : QString::number(v.version);
                const QStringList cells = {number, v.author, v.published.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
                                           QString::number(v.files), sizeText(v.bytes)};
                for (int c = 0; c < cells.size(); ++c) {
                    auto *item = new QTableWidgetItem(cells[c]);
                    item->setData(Qt::UserRole, v.version);
                    list->setItem(r, c, item);
                }
            }
            if (found.list.empty())
                layout->addWidget(new QLabel(QStringLiteral("Предмет ещё не публиковался.")));
            layout->addWidget(list, 1);
            auto *again = namedButton(QStringLiteral("OpublikovatSnova"), QStringLiteral("Опубликовать снова"),
                                      QStringLiteral("Опубликовать выбранную версию как новую: компьютеры школы "
                                                     "получат её"));
            again->setEnabled(false);
            connect(list, &QTableWidget::itemSelectionChanged, again,
                    [list, again] { again->setEnabled(list->currentRow() > 0); });
            connect(again, &QPushButton::clicked, window, [this, window, list, again, teacher, subject] {
                const QTableWidgetItem *item = list->item(list->currentRow(), 0);
                if (!item)
                    return;
                const int version = item->data(Qt::UserRole).toInt();
                again->setEnabled(false);
                offThread<Published>(
                    window, [teacher, subject, version] { return republishOn(teacher, subject, version); },
                    [this, window, teacher, subject](const Published &done) {
                        if (!done.version) {
                            desktop().message(QStringLiteral("Версия не опубликована снова. ") + done.error,
                                              QStringLiteral("Версии"), Desktop::Icon::Warning);
                            return;
                        }
                        desktop().message(publishedText(*done.version), QStringLiteral("Версии"),
                                          Desktop::Icon::Information);
                        window->close();
                        showVersions(teacher, subject);
                    });
            });
            layout->addWidget(again, 0, Qt::AlignRight);
            window->resize(640, 360);
            window->show();
            list->setFocus();
        });
}
