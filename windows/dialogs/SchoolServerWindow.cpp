#include "SchoolServerWindow.h"
#include "Desktop.h"
#include "OffThread.h"
#include "ScreenFit.h"
#include "WidgetKit.h"
#include "installfolder.h"
#include "journal.h"
#include "schoolsetup.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
const QString caption = QStringLiteral("Сервер школы");

// What a set-up or a connection came to, for the window's thread.
struct Outcome {
    bool done = false;
    QString text, details, pcPassword;
};
} // namespace

SchoolServerWindow::SchoolServerWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NastroikaServera"));
    setWindowTitle(caption);
    auto *l = new QVBoxLayout(scrollingContent(this));
    const JournalSettings now = JournalSettings::load();
    auto *where = new QFormLayout;
    SerwerAdres = namedEdit(QStringLiteral("SerwerAdres"), QStringLiteral("Имя или адрес сервера школы"), now.host);
    SerwerPort = namedEdit(QStringLiteral("SerwerPort"), QStringLiteral("Порт сервера"), QString::number(now.port));
    SerwerBaza = namedEdit(QStringLiteral("SerwerBaza"), QStringLiteral("База данных журнала"), now.database);
    where->addRow(QStringLiteral("Сервер"), SerwerAdres);
    where->addRow(QStringLiteral("Порт"), SerwerPort);
    where->addRow(QStringLiteral("База данных"), SerwerBaza);
    l->addLayout(where);

    auto *setUp = new QGroupBox(QStringLiteral("Настроить сервер (один раз для всей школы)"));
    auto *sl = new QFormLayout(setUp);
    SerwerAdmin = namedEdit(QStringLiteral("SerwerAdmin"),
                            QStringLiteral("Пользователь PostgreSQL, которому можно создавать базы и роли"),
                            QStringLiteral("postgres"));
    SerwerAdminParol = namedEdit(QStringLiteral("SerwerAdminParol"),
                                 QStringLiteral("Его пароль: нужен один раз и нигде не сохраняется"));
    SerwerAdminParol->setEchoMode(QLineEdit::Password);
    Uchitelya = new QPlainTextEdit;
    Uchitelya->setObjectName(QStringLiteral("Uchitelya"));
    Uchitelya->setAccessibleName(QStringLiteral("Учителя: логин и пароль через пробел, по одному в строке"));
    Uchitelya->setPlaceholderText(QStringLiteral("ivanova Пароль-Ивановой\npetrov Пароль-Петрова"));
    Uchitelya->setTabChangesFocus(true);
    Uchitelya->setMaximumHeight(fontMetrics().lineSpacing() * 6);
    NastroitServer = namedButton(QStringLiteral("NastroitServer"), QStringLiteral("Настроить сервер школы"),
                                 QStringLiteral("Создать базу, роли и таблицы; повторный запуск ничего не меняет"));
    sl->addRow(QStringLiteral("Пользователь"), SerwerAdmin);
    sl->addRow(QStringLiteral("Пароль"), SerwerAdminParol);
    sl->addRow(QStringLiteral("Учителя (логин пароль)"), Uchitelya);
    sl->addRow(NastroitServer);
    l->addWidget(setUp);

    auto *pc = new QGroupBox(QStringLiteral("Подключить этот компьютер"));
    auto *pl = new QFormLayout(pc);
    ParolPK = namedEdit(QStringLiteral("ParolPK"),
                        QStringLiteral("Пароль компьютеров учеников: его называет настройка сервера"));
    ParolPK->setEchoMode(QLineEdit::Password);
    PodklyuchitPK = namedButton(QStringLiteral("PodklyuchitPK"), QStringLiteral("Подключить этот компьютер"),
                                QStringLiteral("Журнал, входы учеников и банки — с сервера школы"));
    pl->addRow(QStringLiteral("Пароль компьютеров"), ParolPK);
    pl->addRow(PodklyuchitPK);
    l->addWidget(pc);

    SerwerItog = new QLabel;
    SerwerItog->setObjectName(QStringLiteral("SerwerItog"));
    SerwerItog->setWordWrap(true);
    SerwerItog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    l->addWidget(SerwerItog);
    l->addStretch();

    Zakryt = namedButton(QStringLiteral("Zakryt"), QStringLiteral("Закрыть"));
    auto *bl = new QHBoxLayout;
    bl->addStretch();
    bl->addWidget(Zakryt);
    fixedFooter(this)->addLayout(bl);
    for (QPushButton *b : {NastroitServer, PodklyuchitPK, Zakryt})
        b->setAutoDefault(false);
    connect(NastroitServer, &QPushButton::clicked, this, &SchoolServerWindow::NastroitServerClick);
    connect(PodklyuchitPK, &QPushButton::clicked, this, &SchoolServerWindow::PodklyuchitPKClick);
    connect(Zakryt, &QPushButton::clicked, this, &QDialog::reject);
    keepGeometry(this, sizeHint());
}

void SchoolServerWindow::say(const QString &text)
{
    SerwerItog->setText(text);
    SerwerItog->setAccessibleName(text);
}

void SchoolServerWindow::setBusy(bool busy, const QString &text)
{
    m_busy = busy;
    for (QWidget *w : std::initializer_list<QWidget *>{NastroitServer, PodklyuchitPK, SerwerAdres, SerwerPort,
                                                       SerwerBaza, SerwerAdmin, SerwerAdminParol, Uchitelya, ParolPK})
        w->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    say(text);
}

namespace
{
std::optional<SchoolServer> serverFrom(const QLineEdit *host, const QLineEdit *port, const QLineEdit *database)
{
    SchoolServer s;
    s.host = host->text().trimmed();
    bool ok = false;
    s.port = port->text().trimmed().toInt(&ok);
    s.database = database->text().trimmed();
    if (s.host.isEmpty() || !ok || s.port <= 0 || s.port > 65535 || s.database.isEmpty()) {
        desktop().message(QStringLiteral("Укажите сервер школы, порт (число от 1 до 65535) и базу данных."), caption,
                          Desktop::Icon::Warning);
        return std::nullopt;
    }
    return s;
}

// Whether the PCs' role logs in with the password: what a pupil's PC will do.
Outcome tryPc(const JournalSettings &pc)
{
    Journal journal(pc);
    if (!journal.open())
        return {false, QStringLiteral("Компьютер не подключён: ") + journal.lastError(), journal.lastDetails(), {}};
    return {true, {}, {}, {}};
}
} // namespace

void SchoolServerWindow::NastroitServerClick()
{
    if (m_busy)
        return;
    const std::optional<SchoolServer> server = serverFrom(SerwerAdres, SerwerPort, SerwerBaza);
    if (!server)
        return;
    QString error;
    const auto teachers = teachersFromLines(Uchitelya->toPlainText(), error);
    if (!teachers) {
        desktop().message(error, caption, Desktop::Icon::Warning);
        Uchitelya->setFocus(Qt::OtherFocusReason);
        return;
    }
    const QString user = SerwerAdmin->text().trimmed(), password = SerwerAdminParol->text();
    // The password is wanted once: it leaves the field as the work starts.
    SerwerAdminParol->clear();
    setBusy(true, QStringLiteral("Настраиваю сервер %1…").arg(server->host));
    const JournalSettings base = JournalSettings::load();
    const QString keptPc = ParolPK->text();
    offThread<Outcome>(
        this,
        [server = *server, user, password, teachers = *teachers, base, keptPc] {
            QString why;
            const std::optional<SchoolSetup> done = setUpSchool(server, user, password, teachers, why);
            if (!done)
                return Outcome{false, why, {}, {}};
            QString text = done->made.isEmpty() ? QStringLiteral("Сервер школы уже был настроен: ничего не изменилось.")
                                                : QStringLiteral("Сервер школы настроен: ") +
                                                      done->made.join(QStringLiteral(", ")) + u'.';
            const QString pcPassword = done->pcPassword.isEmpty() ? keptPc : done->pcPassword;
            if (!done->pcPassword.isEmpty())
                text += QStringLiteral("\n\nПароль компьютеров учеников: %1\nЗапишите его: им подключают остальные "
                                       "компьютеры школы (Настройки → Сервер школы → Подключить этот компьютер). "
                                       "Больше он нигде не показывается.")
                            .arg(done->pcPassword);
            return Outcome{true, text, {}, pcPassword};
        },
        [this](const Outcome &o) {
            setBusy(false, o.text);
            if (!o.done)
                return;
            if (o.pcPassword.isEmpty()) {
                say(o.text +
                    QStringLiteral("\n\nЧтобы подключить этот компьютер, введите пароль компьютеров учеников."));
                ParolPK->setFocus(Qt::OtherFocusReason);
                return;
            }
            ParolPK->setText(o.pcPassword);
            if (keepPcSettings(o.pcPassword))
                say(o.text + QStringLiteral("\n\nЭтот компьютер подключён к серверу школы."));
        });
}

void SchoolServerWindow::PodklyuchitPKClick()
{
    if (m_busy)
        return;
    const std::optional<SchoolServer> server = serverFrom(SerwerAdres, SerwerPort, SerwerBaza);
    if (!server)
        return;
    if (ParolPK->text().isEmpty()) {
        desktop().message(QStringLiteral("Введите пароль компьютеров учеников: его назвала настройка сервера."),
                          caption, Desktop::Icon::Warning);
        ParolPK->setFocus(Qt::OtherFocusReason);
        return;
    }
    const JournalSettings pc = schoolPcSettings(JournalSettings::load(), *server, ParolPK->text());
    setBusy(true, QStringLiteral("Подключаюсь к %1…").arg(server->host));
    offThread<Outcome>(
        this, [pc] { return tryPc(pc); },
        [this](const Outcome &o) {
            setBusy(false, o.text);
            if (!o.done) {
                SerwerItog->setToolTip(o.details);
                return;
            }
            if (keepPcSettings(ParolPK->text()))
                say(QStringLiteral("Этот компьютер подключён к серверу школы: журнал, входы учеников "
                                   "по их кодам и банки — оттуда."));
        });
}

bool SchoolServerWindow::keepPcSettings(const QString &pcPassword)
{
    const std::optional<SchoolServer> server = serverFrom(SerwerAdres, SerwerPort, SerwerBaza);
    if (!server)
        return false;
    const JournalSettings pc = schoolPcSettings(JournalSettings::load(), *server, pcPassword);
    if (const QString problem = pc.save(installPath(QStringLiteral("Baza"))); !problem.isEmpty()) {
        desktop().error(problem);
        return false;
    }
    emit journalChanged();
    return true;
}
