#include "PupilAccountsWindow.h"
#include "Desktop.h"
#include "LoginCards.h"
#include "ScreenFit.h"
#include "TableModel.h"
#include "WidgetKit.h"
#include "ZipWriter.h"
#include "errors.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace
{
const QString wholeSchool = QStringLiteral("Вся школа");

QString caption()
{
    return QStringLiteral("Ученики и коды входа");
}

// Where the cards go unless the teacher picks another place: the teacher's
// own documents, never the installation folder, which every pupil's desktop
// account may read.
QString cardsFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return docs.isEmpty() ? QDir::homePath() : docs;
}
} // namespace

PupilAccountsWindow::PupilAccountsWindow(const JournalSettings &teacher, QWidget *parent)
    : QDialog(parent), m_settings(teacher)
{
    setObjectName(QStringLiteral("Ucheniki"));
    setWindowTitle(caption());
    m_grid.setHeaders({QStringLiteral("ФИО"), QStringLiteral("Класс"), QStringLiteral("Код")});
    m_model = new StringTableModel(&m_grid, this);
    m_model->editable = false;

    auto *l = new QVBoxLayout(scrollingContent(this));
    auto *top = new QHBoxLayout;
    auto *klassLabel = new QLabel(QStringLiteral("&Класс:"));
    Klass = new QComboBox;
    Klass->setObjectName(QStringLiteral("Klass"));
    Klass->setAccessibleName(QStringLiteral("Класс"));
    Klass->setMinimumContentsLength(10);
    klassLabel->setBuddy(Klass);
    top->addWidget(klassLabel);
    top->addWidget(Klass);
    Sostoyanie = new QLabel;
    Sostoyanie->setObjectName(QStringLiteral("Sostoyanie"));
    Sostoyanie->setWordWrap(true);
    Sostoyanie->setAccessibleName(QStringLiteral("Состояние"));
    top->addWidget(Sostoyanie, 1);
    l->addLayout(top);
    Spisok = namedGrid(QStringLiteral("Spisok"), m_model, QStringLiteral("Ученики и их коды"));
    Spisok->setSelectionBehavior(QAbstractItemView::SelectRows);
    Spisok->setSelectionMode(QAbstractItemView::SingleSelection);
    fitColumns(Spisok, {0}, false);
    l->addWidget(Spisok);

    auto *bl = new QHBoxLayout;
    Zagruzit = namedButton(QStringLiteral("Zagruzit"), QStringLiteral("&Загрузить список класса…"),
                           QStringLiteral("Загрузить список класса из книги .xlsx или текстового файла «ФИО; класс»"));
    NowyKod = namedButton(QStringLiteral("NowyKod"), QStringLiteral("&Новый код"),
                          QStringLiteral("Выдать выбранному ученику новый код; старый перестанет действовать"));
    Otklyuchit = namedButton(QStringLiteral("Otklyuchit"), QStringLiteral("&Отключить / включить"),
                             QStringLiteral("Закрыть или снова открыть вход выбранному ученику"));
    Kartochki = namedButton(QStringLiteral("Kartochki"), QStringLiteral("Карточки для &входа"),
                            QStringLiteral("Карточки с кодами выбранного класса или всей школы: .docx и PDF"));
    Zakryt = namedButton(QStringLiteral("Zakryt"), QStringLiteral("Закрыть"));
    for (QPushButton *b : {Zagruzit, NowyKod, Otklyuchit, Kartochki})
        bl->addWidget(b);
    bl->addStretch(1);
    bl->addWidget(Zakryt);
    fixedFooter(this)->addLayout(bl);

    connect(Klass, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            KlassChange();
    });
    connect(Zagruzit, &QPushButton::clicked, this, &PupilAccountsWindow::ZagruzitClick);
    connect(NowyKod, &QPushButton::clicked, this, &PupilAccountsWindow::NowyKodClick);
    connect(Otklyuchit, &QPushButton::clicked, this, &PupilAccountsWindow::OtklyuchitClick);
    connect(Kartochki, &QPushButton::clicked, this, &PupilAccountsWindow::KartochkiClick);
    connect(Zakryt, &QPushButton::clicked, this, &QDialog::reject);
    keepGeometry(this, QSize(760, 480));

    Klass->addItem(wholeSchool);
    start(QStringLiteral("Связь с сервером школы…"), {}, {});
}

PupilAccountsWindow::~PupilAccountsWindow() = default;

QString PupilAccountsWindow::chosenClass() const
{
    return Klass->currentIndex() <= 0 ? QString() : Klass->currentText();
}

void PupilAccountsWindow::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget *w : std::initializer_list<QWidget *>{Klass, Zagruzit, NowyKod, Otklyuchit, Kartochki})
        w->setEnabled(!busy);
}

void PupilAccountsWindow::start(const QString &busyText, const QString &caption, Job job)
{
    setBusy(true);
    Sostoyanie->setText(busyText);
    auto outcome = std::make_shared<Outcome>();
    outcome->caption = caption;
    const JournalSettings settings = m_settings;
    const QString shown = chosenClass();
    QThread *worker = QThread::create([outcome, settings, shown, job = std::move(job)] {
        outcome->error = withSchoolConnection(settings, [&](QSqlDatabase &db) -> QString {
            QString error;
            if (job) {
                error = job(db, *outcome);
                if (!error.isEmpty())
                    return error;
            }
            const std::optional<QStringList> classes = schoolClasses(db, error);
            if (!classes)
                return error;
            outcome->classes = *classes;
            const QString cls = outcome->selectClass.isEmpty() ? shown : outcome->selectClass;
            auto accounts = pupilAccounts(db, classes->contains(cls) ? cls : QString(), error);
            if (!accounts)
                return error;
            outcome->accounts = std::move(*accounts);
            return {};
        });
    });
    // The thread is nobody's child: a window closed meanwhile leaves it to
    // end on its own (the server's timeouts bound it), and the outcome is dropped.
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, outcome] { finish(*outcome); });
    worker->start();
}

void PupilAccountsWindow::finish(const Outcome &outcome)
{
    setBusy(false);
    if (!outcome.classes.isEmpty() || outcome.error.isEmpty()) {
        const QString keep = outcome.selectClass.isEmpty() ? chosenClass() : outcome.selectClass;
        m_filling = true;
        Klass->clear();
        Klass->addItem(wholeSchool);
        Klass->addItems(outcome.classes);
        Klass->setCurrentIndex(qMax(0, int(outcome.classes.indexOf(keep)) + 1));
        m_filling = false;
    }
    if (outcome.error.isEmpty()) {
        m_accounts = outcome.accounts;
        std::vector<QStringList> rows;
        for (const PupilAccount &a : m_accounts)
            rows.push_back({a.fio, a.className, a.active ? a.code : QStringLiteral("%1 (вход закрыт)").arg(a.code)});
        m_grid.setDataRows(std::move(rows));
        m_model->refresh();
        Sostoyanie->setText(m_accounts.empty() ? QStringLiteral("Учеников пока нет: загрузите список класса.")
                                               : QStringLiteral("Учеников: %1").arg(m_accounts.size()));
    } else {
        Sostoyanie->setText(outcome.error.section(u'\n', 0, 0)); // the box, when there is one, has the rest
    }
    // A reading only fills the window; a step the teacher took is answered.
    // A step done whose reading back failed says both: it was done all the same.
    if (!outcome.message.isEmpty() && !outcome.error.isEmpty())
        desktop().message(outcome.message + QStringLiteral("\n\nСписок в окне не обновлён: ") + outcome.error,
                          outcome.caption, Desktop::Icon::Warning);
    else if (!outcome.error.isEmpty() && !outcome.caption.isEmpty())
        desktop().message(outcome.error, outcome.caption, Desktop::Icon::Warning);
    else if (!outcome.message.isEmpty())
        desktop().message(outcome.message, outcome.caption, Desktop::Icon::Information);
    if (!outcome.openFile.isEmpty() && !desktop().openFile(outcome.openFile))
        desktop().reportNotOpened(outcome.openFile);
    emit settled();
}

void PupilAccountsWindow::KlassChange()
{
    start(QStringLiteral("Чтение списка…"), {}, {});
}

void PupilAccountsWindow::ZagruzitClick()
{
    const QString path = desktop().openFileName(QStringLiteral("Список класса"), cardsFolder(),
                                                QStringLiteral("Списки классов (*.xlsx *.txt *.csv);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    start(QStringLiteral("Загрузка списка…"), QStringLiteral("Загрузка списка класса"),
          [path](QSqlDatabase &db, Outcome &out) -> QString {
              const ClassList list = readClassList(path, unzipPartsInto);
              if (!list.ok())
                  return classListProblemsText(list);
              QString error;
              const std::optional<PupilImport> done = importPupils(db, list.pupils, error);
              if (!done)
                  return QStringLiteral("Список не загружен: %1").arg(error);
              out.message = done->text();
              // One class's list shows that class; a list of the school shows the school.
              const QString first = list.pupils.front().className;
              if (std::all_of(list.pupils.begin(), list.pupils.end(),
                              [&](const ClassListPupil &p) { return p.className == first; }))
                  out.selectClass = first;
              return {};
          });
}

const PupilAccount *PupilAccountsWindow::chosenAccount()
{
    const QModelIndex at = Spisok->currentIndex();
    if (!at.isValid() || size_t(at.row()) >= m_accounts.size()) {
        desktop().message(QStringLiteral("Выберите ученика в списке."), caption(), Desktop::Icon::Information);
        return nullptr;
    }
    return &m_accounts[size_t(at.row())];
}

void PupilAccountsWindow::NowyKodClick()
{
    const PupilAccount *a = chosenAccount();
    if (!a)
        return;
    if (desktop().ask(QStringLiteral("Выдать ученику %1 (%2) новый код? Старый код перестанет действовать.")
                          .arg(a->fio, a->className),
                      QStringLiteral("Новый код")) != Desktop::Answer::Yes)
        return;
    const qint64 id = a->id;
    const QString fio = a->fio;
    start(QStringLiteral("Новый код…"), QStringLiteral("Новый код"),
          [id, fio](QSqlDatabase &db, Outcome &out) -> QString {
              QString error;
              const std::optional<QString> code = giveNewCode(db, id, error);
              if (!code)
                  return error;
              out.message = QStringLiteral("Новый код ученика %1: %2").arg(fio, *code);
              return {};
          });
}

void PupilAccountsWindow::OtklyuchitClick()
{
    const PupilAccount *a = chosenAccount();
    if (!a)
        return;
    const bool open = !a->active;
    const QString question = open ? QStringLiteral("Снова открыть вход ученику %1 (%2)?")
                                  : QStringLiteral("Закрыть вход ученику %1 (%2)? Его результаты останутся в журнале.");
    if (desktop().ask(question.arg(a->fio, a->className), caption()) != Desktop::Answer::Yes)
        return;
    const qint64 id = a->id;
    start(QStringLiteral("Запись…"), caption(), [id, open](QSqlDatabase &db, Outcome &) -> QString {
        QString error;
        return setAccountActive(db, id, open, error) ? QString() : error;
    });
}

void PupilAccountsWindow::KartochkiClick()
{
    const QString cls = chosenClass();
    const QString forWhom = cls.isEmpty() ? QStringLiteral("школа") : cls;
    const QString chosen =
        desktop().saveFileName(QStringLiteral("Карточки для входа"),
                               QDir(cardsFolder()).filePath(loginCardsFileBase(forWhom) + QStringLiteral(".pdf")),
                               QStringLiteral("Карточки (*.pdf *.docx)"));
    if (chosen.isEmpty())
        return;
    const QFileInfo where(chosen);
    const QString folder = where.absolutePath(), base = where.completeBaseName();
    start(QStringLiteral("Карточки…"), QStringLiteral("Карточки для входа"),
          [cls, forWhom, folder, base](QSqlDatabase &db, Outcome &out) -> QString {
              QString error;
              const auto accounts = pupilAccounts(db, cls, error);
              if (!accounts)
                  return error;
              std::vector<LoginCard> cards;
              for (const PupilAccount &a : *accounts)
                  if (a.active)
                      cards.push_back({a.fio, a.className, a.code});
              if (cards.empty())
                  return cls.isEmpty()
                             ? QStringLiteral("Карточек нет: в школе нет учеников с открытым входом.")
                             : QStringLiteral("Карточек нет: в классе %1 нет учеников с открытым входом.").arg(cls);
              try {
                  const LoginCardFiles files = writeLoginCards(folder, base, forWhom, cards);
                  out.message = QStringLiteral("Карточек: %1. Файлы:\n%2\n%3")
                                    .arg(cards.size())
                                    .arg(QDir::toNativeSeparators(files.docx), QDir::toNativeSeparators(files.pdf));
                  out.openFile = files.pdf;
              } catch (const TrivoError &e) {
                  return e.text();
              }
              return {};
          });
}
