#include "AccessWindow.h"
#include "Desktop.h"
#include "ScreenFit.h"
#include "TableModel.h"
#include "WidgetKit.h"
#include "programstate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace
{
QString dostupPath()
{
    return installPath(QStringLiteral("Baza/Dostup.dat"));
}
} // namespace

AccessWindow::AccessWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Пользователи и пароли"));
    grid.setHeaders({QStringLiteral("Код"), QStringLiteral("Дата"), QStringLiteral("ФИО"), QStringLiteral("Пароль"),
                     QStringLiteral("Доступ")});
    m_model = new StringTableModel(&grid, this);
    auto *l = new QVBoxLayout(scrollingContent(this));
    TabDost = namedGrid(QStringLiteral("TabDost"), m_model);
    TabDost->setToolTip(QStringLiteral("Первый код и доступ не менять!!!"));
    fitColumns(TabDost, {2}, false); // the name takes the room
    l->addWidget(TabDost);
    auto *bl = new QHBoxLayout;
    ZapDostup = namedButton(QStringLiteral("ZapDostup"), QStringLiteral("Запомнить"), QStringLiteral("Таблицу"));
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("Выход"));
    bl->addWidget(ZapDostup);
    bl->addStretch(1);
    bl->addWidget(BitBtn2);
    fixedFooter(this)->addLayout(bl);
    connect(ZapDostup, &QPushButton::clicked, this, &AccessWindow::ZapDostupClick);
    connect(BitBtn2, &QPushButton::clicked, this, &AccessWindow::BitBtn2Click);
    ZapDostup->setDefault(true);
    keepGeometry(this, QSize(640, 420));
}

QString AccessWindow::dateFormat()
{
    QString f = QLocale().dateFormat(QLocale::ShortFormat);
    if (!f.contains(QStringLiteral("yyyy")))
        f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

void AccessWindow::showEvent(QShowEvent *e)
{
    FormShow();
    QDialog::showEvent(e);
}

void AccessWindow::FormShow()
{
    std::vector<DostupRec> recs;
    try {
        recs = RecordFile(dostupPath(), DostupRec::Size).readAll<DostupRec>();
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        m_stored.mark();
        return;
    }
    // Rows beyond the file's records keep what they showed before.
    grid.beginUpdate();
    for (size_t i = 0; i < recs.size() && i < 10; ++i) {
        const DostupRec &r = recs[i];
        const QDate d = dateOfDayNumber(r.Data);
        grid.setRow(int(i) + 1, {r.Kod, d.isValid() ? QLocale().toString(d, dateFormat()) : QString(), r.Fio,
                                 r.ParolPolz, r.Dostup});
    }
    grid.endUpdate();
    m_stored.mark();
}

void AccessWindow::ZapDostupClick()
{
    store();
}

void AccessWindow::reject()
{
    if (!m_stored.unstored() || mayCloseWithEdits(this, QStringLiteral("Сохранить изменения в таблице пользователей?"),
                                                  [this] { return store(); }))
        QDialog::reject();
}

bool AccessWindow::store()
{
    std::vector<QStringList> rows;
    for (int r = 1; r < grid.rowCount(); ++r)
        rows.push_back(grid.row(r));
    try {
        const auto recs =
            usersFromRows(rows, [](const QString &t) { return QLocale().toDate(trimmed(t), dateFormat()); });
        RecordFile(dostupPath(), DostupRec::Size).rewrite(recs);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return false;
    }
    m_stored.mark();
    desktop().message(QStringLiteral("Перезапустите программу!!!"), QStringLiteral("Изменения вступят после этого"),
                      Desktop::Icon::Warning);
    return true;
}

AccessWindow::~AccessWindow()
{
    delete m_model;
}
