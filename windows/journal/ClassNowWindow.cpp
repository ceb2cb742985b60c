#include "ClassNowWindow.h"
#include "Desktop.h"
#include "OffThread.h"
#include "ScreenFit.h"
#include "WidgetKit.h"
#include "accounts.h"
#include "clock.h"
#include "lessons.h"

#include <QBrush>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace
{
const QString allClasses = QStringLiteral("Все классы");

bool byHost(const PcRow &a, const PcRow &b)
{
    return a.host < b.host;
}

QString countOf(int n, int of)
{
    return of > 0 ? QStringLiteral("%1 из %2").arg(n).arg(of) : QString();
}
} // namespace

ClassNowModel::ClassNowModel(int silentSeconds, QObject *parent)
    : QAbstractTableModel(parent), m_silentMs(qint64(qMax(1, silentSeconds)) * 1000)
{
}

void ClassNowModel::setAll(const std::vector<PcRow> &rows)
{
    beginResetModel();
    m_rows = rows;
    std::sort(m_rows.begin(), m_rows.end(), byHost);
    endResetModel();
}

void ClassNowModel::setRow(const PcRow &row)
{
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row, byHost);
    const int n = int(at - m_rows.begin());
    if (at != m_rows.end() && at->host == row.host) {
        *at = row;
        emit dataChanged(index(n, 0), index(n, ColumnCount - 1));
        return;
    }
    beginInsertRows({}, n, n);
    m_rows.insert(at, row);
    endInsertRows();
}

void ClassNowModel::age()
{
    if (!m_rows.empty())
        emit dataChanged(index(0, TimeLeft), index(rowCount() - 1, State));
}

int ClassNowModel::rowOf(const QString &host) const
{
    PcRow key;
    key.host = host;
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), key, byHost);
    return at != m_rows.end() && at->host == host ? int(at - m_rows.begin()) : -1;
}

bool ClassNowModel::silent(int row) const
{
    return m_rows[size_t(row)].silentMs(steadyMs()) > m_silentMs;
}

QStringList ClassNowModel::classes() const
{
    QStringList out;
    for (const PcRow &r : m_rows)
        if (!r.className.isEmpty() && !out.contains(r.className))
            out << r.className;
    out.sort();
    return out;
}

int ClassNowModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ClassNowModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ClassNowModel::text(const PcRow &r, int column, qint64 now) const
{
    const bool running = r.state == QLatin1String("running"), finished = r.state == QLatin1String("finished");
    switch (column) {
    case Pc:
        return r.host;
    case Pupil:
        return r.pupil;
    case Class:
        return r.className;
    case SubjectTopic:
        return r.topic.isEmpty() || r.subject.isEmpty() ? r.subject + r.topic
                                                        : QStringLiteral("%1 — %2").arg(r.subject, r.topic);
    case Question:
        return running || finished ? countOf(r.question, r.questions) : QString();
    case Points:
        return running || finished ? countOf(r.points, r.pointsPossible) : QString();
    case TimeLeft: {
        const std::optional<int> left = r.secondsLeftAt(now);
        return running && left ? Clock::format(*left) : QString();
    }
    case Grade:
        return finished ? r.grade : QString();
    case State: {
        const qint64 silentFor = r.silentMs(now);
        if (silentFor > m_silentMs)
            return QStringLiteral("молчит %1 мин").arg(qMax<qint64>(1, silentFor / 60000));
        if (running)
            return QStringLiteral("отвечает");
        if (finished)
            return QStringLiteral("закончил");
        return r.pupil.isEmpty() ? QStringLiteral("свободен") : QStringLiteral("вошёл");
    }
    }
    return {};
}

QVariant ClassNowModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const PcRow &r = m_rows[size_t(index.row())];
    const qint64 now = steadyMs();
    const bool quiet = r.silentMs(now) > m_silentMs;
    switch (role) {
    case Qt::DisplayRole:
        return text(r, index.column(), now);
    case Qt::BackgroundRole:
        return quiet ? QBrush(QColor(0xff, 0xd8, 0xd8)) : QVariant();
    case Qt::ForegroundRole:
        return quiet ? QBrush(QColor(0x90, 0x00, 0x00)) : QVariant();
    case Qt::AccessibleTextRole:
        // A screen reader hears that a PC went silent in every cell of its row.
        return quiet && index.column() != State
                   ? QStringLiteral("%1, %2").arg(text(r, index.column(), now), text(r, State, now))
                   : text(r, index.column(), now);
    default:
        return {};
    }
}

QVariant ClassNowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const names[] = {"ПК",    "Ученик",   "Класс",  "Предмет и тема", "Вопрос",
                                        "Баллы", "Осталось", "Оценка", "Состояние"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromUtf8(names[section]);
}

ClassNowWindow::ClassNowWindow(const JournalSettings &teacher, QWidget *parent, ClassNowTimes times)
    : QDialog(parent), m_times(times), m_model(new ClassNowModel(times.silentSeconds, this)),
      m_shown(new QSortFilterProxyModel(this)), m_ageing(new QTimer(this)),
      m_watch(new ClassWatch(teacher, times.retryMs, this)), m_teacher(teacher)
{
    setObjectName(QStringLiteral("KlassSeichas"));
    setWindowTitle(QStringLiteral("Класс сейчас"));
    auto *l = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *caption = new QLabel(QStringLiteral("&Класс:"));
    KlassVybor = new QComboBox;
    KlassVybor->setObjectName(QStringLiteral("KlassVybor"));
    KlassVybor->setAccessibleName(QStringLiteral("Класс"));
    KlassVybor->addItem(allClasses);
    KlassVybor->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    caption->setBuddy(KlassVybor);
    top->addWidget(caption);
    top->addWidget(KlassVybor);
    top->addStretch();
    l->addLayout(top);

    m_shown->setSourceModel(m_model);
    m_shown->setFilterKeyColumn(ClassNowModel::Class);
    KlassTablica = namedGrid(QStringLiteral("KlassTablica"), m_shown, QStringLiteral("Компьютеры класса"));
    KlassTablica->setEditTriggers(QAbstractItemView::NoEditTriggers);
    KlassTablica->setSelectionBehavior(QAbstractItemView::SelectRows);
    KlassTablica->verticalHeader()->hide();
    // Names whole; the subject and topic take the room that is left.
    KlassTablica->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    KlassTablica->horizontalHeader()->setSectionResizeMode(ClassNowModel::SubjectTopic, QHeaderView::Stretch);
    l->addWidget(KlassTablica, 1);

    auto *bottom = new QHBoxLayout;
    KlassSoobshenie = new QLabel(QStringLiteral("Соединяюсь с сервером школы…"));
    KlassSoobshenie->setObjectName(QStringLiteral("KlassSoobshenie"));
    KlassSoobshenie->setAccessibleName(QStringLiteral("Состояние связи"));
    KlassSoobshenie->setWordWrap(true);
    KlassSoobshenie->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addWidget(KlassSoobshenie, 1);
    QPushButton *close = namedButton(QStringLiteral("KlassZakryt"), QStringLiteral("Закрыть"));
    bottom->addWidget(close);
    auto *lesson = new QHBoxLayout;
    NachatKontrolnuyu = namedButton(QStringLiteral("NachatKontrolnuyu"), QStringLiteral("Начать контрольную…"),
                                    QStringLiteral("Контрольная по теме или по всему предмету для класса"));
    ZakonchitVsem = namedButton(QStringLiteral("ZakonchitVsem"), QStringLiteral("Закончить для всех"),
                                QStringLiteral("Контрольная выбранного класса кончается сейчас"));
    DobavitVremya = namedButton(QStringLiteral("DobavitVremya"), QStringLiteral("Добавить время…"),
                                QStringLiteral("Ученику выбранной строки"));
    for (QPushButton *b : {NachatKontrolnuyu, ZakonchitVsem, DobavitVremya}) {
        b->setAutoDefault(false);
        lesson->addWidget(b);
    }
    KontrSoobshenie = new QLabel;
    KontrSoobshenie->setObjectName(QStringLiteral("KontrSoobshenie"));
    KontrSoobshenie->setWordWrap(true);
    KontrSoobshenie->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lesson->addWidget(KontrSoobshenie, 1);
    l->addLayout(lesson);
    l->addLayout(bottom);
    NachatKontrolnuyu->setEnabled(false); // until the main window says which subject
    connect(NachatKontrolnuyu, &QPushButton::clicked, this, &ClassNowWindow::NachatKontrolnuyuClick);
    connect(ZakonchitVsem, &QPushButton::clicked, this, &ClassNowWindow::ZakonchitVsemClick);
    connect(DobavitVremya, &QPushButton::clicked, this, &ClassNowWindow::DobavitVremyaClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(KlassVybor, &QComboBox::currentIndexChanged, this, &ClassNowWindow::chooseClass);

    connect(m_watch, &ClassWatch::allRead, this, &ClassNowWindow::showAll);
    connect(m_watch, &ClassWatch::rowRead, this, &ClassNowWindow::showRow);
    connect(m_watch, &ClassWatch::connection, this, &ClassNowWindow::showConnection);
    // The clock ages the rows without asking the server.
    m_ageing->setInterval(qMax(100, times.ageMs));
    connect(m_ageing, &QTimer::timeout, m_model, &ClassNowModel::age);
    m_ageing->start();
    keepGeometry(this, QSize(980, 560));
    m_watch->start();
}

ClassNowWindow::~ClassNowWindow()
{
    // The watch's thread stops before the model it feeds goes.
    delete m_watch;
}

void ClassNowWindow::showAll(const std::vector<PcRow> &rows)
{
    m_model->setAll(rows);
    fillClasses();
    tellCount();
    for (const PcRow &r : rows)
        emit rowShown(r.host);
}

void ClassNowWindow::showRow(const PcRow &row)
{
    const bool known = m_model->rowOf(row.host) >= 0;
    m_model->setRow(row);
    if (!known || !row.className.isEmpty())
        fillClasses();
    if (!known)
        tellCount();
    emit rowShown(row.host);
}

void ClassNowWindow::showConnection(bool up, const QString &message, const QString &details)
{
    m_connected = up;
    if (up) {
        KlassSoobshenie->setToolTip(QString());
        tellCount();
        return;
    }
    KlassSoobshenie->setText(QStringLiteral("Нет связи с сервером школы (%1). Строки показаны на момент обрыва; "
                                            "новая попытка каждые %2 с.")
                                 .arg(message)
                                 .arg(qMax(1, m_times.retryMs / 1000)));
    KlassSoobshenie->setToolTip(details);
}

void ClassNowWindow::tellCount()
{
    if (m_connected)
        KlassSoobshenie->setText(QStringLiteral("Компьютеров: %1. Строки меняются, как только компьютер сообщает "
                                                "о новом ответе.")
                                     .arg(m_shown->rowCount()));
}

void ClassNowWindow::fillClasses()
{
    const QStringList classes = m_model->classes();
    const QString chosen = KlassVybor->currentText();
    QStringList items;
    for (int i = 1; i < KlassVybor->count(); ++i)
        items << KlassVybor->itemText(i);
    // A class chosen stays in the box while it is chosen, even with no PC in it.
    QStringList wanted = classes;
    if (KlassVybor->currentIndex() > 0 && !wanted.contains(chosen)) {
        wanted << chosen;
        wanted.sort();
    }
    if (items == wanted)
        return;
    const QSignalBlocker quiet(KlassVybor);
    KlassVybor->clear();
    KlassVybor->addItem(allClasses);
    KlassVybor->addItems(wanted);
    KlassVybor->setCurrentIndex(qMax(0, KlassVybor->findText(chosen)));
}

void ClassNowWindow::chooseClass()
{
    const int i = KlassVybor->currentIndex();
    m_shown->setFilterRegularExpression(
        i <= 0 ? QRegularExpression()
               : QRegularExpression(QStringLiteral("^%1$").arg(QRegularExpression::escape(KlassVybor->currentText()))));
    tellCount();
}

// ---- the controlled test ----

void ClassNowWindow::setLessonSubject(std::function<LessonSubject()> subject)
{
    m_subject = std::move(subject);
    NachatKontrolnuyu->setEnabled(bool(m_subject));
}

QString ClassNowWindow::chosenClass() const
{
    if (KlassVybor->currentIndex() > 0)
        return KlassVybor->currentText();
    // All classes shown: the class of the chosen row.
    const QModelIndex at = KlassTablica->currentIndex();
    return at.isValid() ? m_shown->index(at.row(), ClassNowModel::Class).data().toString() : QString();
}

void ClassNowWindow::lessonStep(std::function<QString(QSqlDatabase &, QString &)> work)
{
    m_lessonBusy = true;
    for (QPushButton *b : {NachatKontrolnuyu, ZakonchitVsem, DobavitVremya})
        b->setEnabled(false);
    offThread<std::pair<QString, QString>>(
        this,
        [teacher = m_teacher, work] {
            QString said;
            const QString error = withSchoolConnection(teacher, [&](QSqlDatabase &db) {
                QString e;
                said = work(db, e);
                return e;
            });
            return std::pair{error, said};
        },
        [this](const std::pair<QString, QString> &done) {
            m_lessonBusy = false;
            NachatKontrolnuyu->setEnabled(bool(m_subject));
            ZakonchitVsem->setEnabled(true);
            DobavitVremya->setEnabled(true);
            KontrSoobshenie->setText(done.first.isEmpty() ? done.second : done.first);
            KontrSoobshenie->setAccessibleName(KontrSoobshenie->text());
        });
}

void ClassNowWindow::NachatKontrolnuyuClick()
{
    if (!m_subject || m_lessonBusy)
        return;
    auto *start = new LessonStartWindow(m_teacher, m_subject(), this);
    start->setAttribute(Qt::WA_DeleteOnClose);
    if (const QString shown = chosenClass(); !shown.isEmpty())
        connect(start, &LessonStartWindow::classesRead, start, [start, shown] {
            if (const int at = start->KontrKlass->findText(shown); at >= 0)
                start->KontrKlass->setCurrentIndex(at);
        });
    connect(start, &LessonStartWindow::started, this, [this](qint64, const QString &className) {
        KontrSoobshenie->setText(QStringLiteral("Контрольная для %1 началась: она придёт на компьютеры учеников, "
                                                "вошедших со своими кодами.")
                                     .arg(className));
        if (const int at = KlassVybor->findText(className); at >= 0)
            KlassVybor->setCurrentIndex(at);
    });
    desktop().showModal(start);
}

void ClassNowWindow::ZakonchitVsemClick()
{
    const QString className = chosenClass();
    if (className.isEmpty() || m_lessonBusy) {
        desktop().message(QStringLiteral("Выберите класс."), windowTitle(), Desktop::Icon::Information);
        return;
    }
    if (desktop().ask(QStringLiteral("Закончить контрольную %1 для всех сейчас?").arg(className), windowTitle()) !=
        Desktop::Answer::Yes)
        return;
    lessonStep([className](QSqlDatabase &db, QString &error) {
        const std::optional<qint64> lesson = lessonUnderWay(db, className, error);
        if (!lesson)
            return QString();
        if (*lesson == 0)
            return QStringLiteral("У %1 сейчас нет контрольной.").arg(className);
        return endLesson(db, *lesson, error) ? QStringLiteral("Контрольная %1 закончена для всех.").arg(className)
                                             : QString();
    });
}

void ClassNowWindow::DobavitVremyaClick()
{
    const QModelIndex at = KlassTablica->currentIndex();
    const QString pupil = at.isValid() ? m_shown->index(at.row(), ClassNowModel::Pupil).data().toString() : QString();
    const QString className =
        at.isValid() ? m_shown->index(at.row(), ClassNowModel::Class).data().toString() : QString();
    if (pupil.isEmpty() || className.isEmpty() || m_lessonBusy) {
        desktop().message(QStringLiteral("Выберите строку ученика, которому нужно больше времени."), windowTitle(),
                          Desktop::Icon::Information);
        return;
    }
    bool ok = false;
    // No default: the input box gives its default back on «Отмена».
    const int minutes = desktop()
                            .input(windowTitle(), QStringLiteral("Сколько минут добавить: %1?").arg(pupil), QString())
                            .trimmed()
                            .toInt(&ok);
    if (!ok || minutes <= 0 || minutes > 240) {
        if (ok || minutes != 0)
            desktop().message(QStringLiteral("Нужно число минут от 1 до 240."), windowTitle(), Desktop::Icon::Warning);
        return;
    }
    lessonStep([className, pupil, minutes](QSqlDatabase &db, QString &error) {
        const std::optional<qint64> lesson = lessonUnderWay(db, className, error);
        if (!lesson)
            return QString();
        if (*lesson == 0)
            return QStringLiteral("У %1 сейчас нет контрольной.").arg(className);
        const std::optional<qint64> account = pupilOfClass(db, className, pupil, error);
        if (!account)
            return QString();
        if (*account == 0)
            return QStringLiteral("Ученика «%1» нет в списке %2.").arg(pupil, className);
        return addTime(db, *lesson, *account, minutes * 60, error)
                   ? QStringLiteral("%1: ещё %2 мин.").arg(pupil).arg(minutes)
                   : QString();
    });
}
