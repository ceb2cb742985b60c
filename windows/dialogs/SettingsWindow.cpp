#include "SettingsWindow.h"
#include "Desktop.h"
#include "SchoolServerWindow.h"
#include "ScreenFit.h"
#include "WidgetKit.h"
#include "journal.h"
#include "journalsettings.h"
#include "programstate.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
// The numbers of the settings file, in the order the program takes them.
const NoKor::Line numberLines[] = {NoKor::BaseTime, NoKor::TimePerOption, NoKor::Grade3,
                                   NoKor::Grade4,   NoKor::Grade5,        NoKor::Limit};
} // namespace

SettingsWindow::SettingsWindow(const SettingsRead &read, std::function<ColorCode()> mainColour, QWidget *parent)
    : QDialog(parent), m_mainColour(std::move(mainColour))
{
    setObjectName(QStringLiteral("Nastroika"));
    setWindowTitle(QStringLiteral("Настройки"));
    auto *l = new QVBoxLayout(scrollingContent(this));
    auto *f = new QFormLayout;
    LabeledEditFima = namedEdit(QStringLiteral("LabeledEditFima"));
    f->addRow(QStringLiteral(" Имя пользователя"), LabeledEditFima);
    auto *office = new QGroupBox(QStringLiteral(" MSOffice "));
    office->setToolTip(QStringLiteral("2003 или другая"));
    auto *ol = new QHBoxLayout(office);
    VerOff = namedEdit(QStringLiteral("VerOff"), QStringLiteral("2003 или другая"));
    ol->addWidget(VerOff);
    f->addRow(office);
    BazWrWopr = namedEdit(QStringLiteral("BazWrWopr"), QStringLiteral("секунд"));
    DeltaOtw = namedEdit(QStringLiteral("DeltaOtw"), QStringLiteral("секунд"));
    MaxWopr = namedEdit(QStringLiteral("MaxWopr"), QStringLiteral("штук"));
    f->addRow(QStringLiteral("Базовое время каждого  вопроса"), BazWrWopr);
    f->addRow(QStringLiteral("Добавка за каждый вариант ответа"), DeltaOtw);
    f->addRow(QStringLiteral("Максимально вопросов в экзамене"), MaxWopr);
    auto *grades = new QGroupBox(QStringLiteral("  %  Балл"));
    grades->setToolTip(QStringLiteral("Правила выставления оценок"));
    auto *gl = new QFormLayout(grades);
    TriProc = namedEdit(QStringLiteral("TriProc"), QStringLiteral("Правила выставления оценок"));
    ChetProc = namedEdit(QStringLiteral("ChetProc"), QStringLiteral("Правила выставления оценок"));
    PaytProc = namedEdit(QStringLiteral("PaytProc"), QStringLiteral("Правила выставления оценок"));
    gl->addRow(QStringLiteral(" 3 "), TriProc);
    gl->addRow(QStringLiteral(" 4 "), ChetProc);
    gl->addRow(QStringLiteral(" 5 "), PaytProc);
    f->addRow(grades);
    Kontrast = new QCheckBox(QStringLiteral("Высокая контрастность: чёрный текст на белом"));
    Kontrast->setObjectName(QStringLiteral("Kontrast"));
    Kontrast->setChecked(highContrastChosen());
    connect(Kontrast, &QCheckBox::toggled, this, [this](bool on) {
        chooseHighContrast(on);
        // The main window repaints its background in the scheme now chosen.
        emit mainColourChosen(m_mainColour ? m_mainColour() : NoKor::defaults().colour());
    });
    f->addRow(Kontrast);
    auto *journal = new QGroupBox(QStringLiteral("Журнал результатов"));
    auto *jl = new QFormLayout(journal);
    SprashivatImya = new QCheckBox(QStringLiteral("Спрашивать имя ученика при каждом запуске"));
    SprashivatImya->setObjectName(QStringLiteral("SprashivatImya"));
    ZhurnalServer = new QCheckBox(QStringLiteral("Общий журнал на сервере школы (PostgreSQL)"));
    ZhurnalServer->setObjectName(QStringLiteral("ZhurnalServer"));
    ZhurnalHost = namedEdit(QStringLiteral("ZhurnalHost"), QStringLiteral("Имя или адрес сервера"));
    ZhurnalPort = namedEdit(QStringLiteral("ZhurnalPort"), QStringLiteral("Порт сервера"));
    ZhurnalBaza = namedEdit(QStringLiteral("ZhurnalBaza"), QStringLiteral("База данных журнала"));
    ZhurnalPolz = namedEdit(QStringLiteral("ZhurnalPolz"), QStringLiteral("Пользователь базы данных"));
    ZhurnalParol = namedEdit(QStringLiteral("ZhurnalParol"), QStringLiteral("Пароль пользователя базы данных"));
    ZhurnalParol->setEchoMode(QLineEdit::Password);
    jl->addRow(SprashivatImya);
    SprashivatKlass = new QCheckBox(QStringLiteral("и его класс (например, 9А)"));
    SprashivatKlass->setObjectName(QStringLiteral("SprashivatKlass"));
    connect(SprashivatImya, &QCheckBox::toggled, SprashivatKlass, &QWidget::setEnabled);
    jl->addRow(SprashivatKlass);
    RabotaNadOshibkami = new QCheckBox(QStringLiteral("«Работа над ошибками» (выключите в дни экзаменов)"));
    RabotaNadOshibkami->setObjectName(QStringLiteral("RabotaNadOshibkami"));
    jl->addRow(RabotaNadOshibkami);
    jl->addRow(ZhurnalServer);
    jl->addRow(QStringLiteral("Сервер"), ZhurnalHost);
    jl->addRow(QStringLiteral("Порт"), ZhurnalPort);
    jl->addRow(QStringLiteral("База данных"), ZhurnalBaza);
    jl->addRow(QStringLiteral("Пользователь"), ZhurnalPolz);
    jl->addRow(QStringLiteral("Пароль"), ZhurnalParol);
    ProveritPodkl = namedButton(QStringLiteral("ProveritPodkl"), QStringLiteral("Проверить подключение"),
                                QStringLiteral("Отвечает ли журнал и принят ли пароль"));
    ProveritPodkl->setAutoDefault(false);
    NastroitServerShkoly =
        namedButton(QStringLiteral("NastroitServerShkoly"), QStringLiteral("Настроить сервер школы…"),
                    QStringLiteral("Один сервер на школу: журнал, входы учеников по их кодам, общие банки"));
    NastroitServerShkoly->setAutoDefault(false);
    auto *journalButtons = new QHBoxLayout;
    journalButtons->addWidget(ProveritPodkl);
    journalButtons->addWidget(NastroitServerShkoly);
    jl->addRow(journalButtons);
    connect(ProveritPodkl, &QPushButton::clicked, this, &SettingsWindow::ProveritPodklClick);
    connect(NastroitServerShkoly, &QPushButton::clicked, this, &SettingsWindow::NastroitServerShkolyClick);
    for (QLineEdit *e : {ZhurnalHost, ZhurnalPort, ZhurnalBaza, ZhurnalPolz, ZhurnalParol})
        connect(ZhurnalServer, &QCheckBox::toggled, e, &QWidget::setEnabled);
    f->addRow(journal);
    l->addLayout(f);
    auto *bl = new QHBoxLayout;
    BitBtn4 = namedButton(QStringLiteral("BitBtn4"), QStringLiteral("Цвет фона"), QStringLiteral("Основного экрана"));
    ZapNastr =
        namedButton(QStringLiteral("ZapNastr"), QStringLiteral("Запомнить"), QStringLiteral("изменения в настройках"));
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("Печать"), QStringLiteral("Окна прямо на принтер"));
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("Выход"));
    for (QPushButton *b : {BitBtn4, ZapNastr, BitBtn1, BitBtn2})
        bl->addWidget(b);
    fixedFooter(this)->addLayout(bl);
    connect(BitBtn4, &QPushButton::clicked, this, &SettingsWindow::BitBtn4Click);
    connect(ZapNastr, &QPushButton::clicked, this, &SettingsWindow::ZapNastrClick);
    connect(BitBtn1, &QPushButton::clicked, this, &SettingsWindow::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    ZapNastr->setDefault(true);
    keepGeometry(this, sizeHint());
    showRead(read);
}

SettingsRead SettingsWindow::readIntoProgram()
{
    SettingsRead read;
    Glo &g = glo();
    try {
        read.file = NoKor::readOrCreate(installPath(QStringLiteral("Baza/NoKor.qdx")));
        int *targets[] = {&g.SekWopr, &g.SekOtw, &g.TriProc, &g.ChetProc, &g.PaytProc, &g.LimitWopr};
        for (size_t i = 0; i < std::size(numberLines); ++i)
            *targets[i] = read.file->number(numberLines[i]);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    read.journal = JournalSettings::load(installPath(QStringLiteral("Baza")));
    return read;
}

void SettingsWindow::FormCreate()
{
    showRead(readIntoProgram());
}

void SettingsWindow::showRead(const SettingsRead &read)
{
    if (read.file) {
        const NoKor &n = *read.file;
        m_line1 = n.text(NoKor::Reserved);
        LabeledEditFima->setText(n.text(NoKor::UserName));
        VerOff->setText(n.text(NoKor::OfficeVersion));
        QLineEdit *boxes[] = {BazWrWopr, DeltaOtw, TriProc, ChetProc, PaytProc, MaxWopr};
        try {
            for (size_t i = 0; i < std::size(numberLines); ++i)
                boxes[i]->setText(QString::number(n.number(numberLines[i])));
        } catch (const TrivoError &) {
            // Told when the file was read; from the line that is no number on,
            // the boxes keep what they showed, as the program's state does.
        }
    }
    const JournalSettings &j = read.journal;
    SprashivatImya->setChecked(j.askPupilName);
    SprashivatKlass->setChecked(j.askPupilClass);
    SprashivatKlass->setEnabled(j.askPupilName);
    RabotaNadOshibkami->setChecked(j.repeatMistakes);
    ZhurnalServer->setChecked(j.engine == JournalSettings::Engine::Server);
    ZhurnalHost->setText(j.host);
    ZhurnalPort->setText(QString::number(j.port));
    ZhurnalBaza->setText(j.database);
    ZhurnalPolz->setText(j.user);
    ZhurnalParol->setText(j.password);
    for (QLineEdit *e : {ZhurnalHost, ZhurnalPort, ZhurnalBaza, ZhurnalPolz, ZhurnalParol})
        e->setEnabled(ZhurnalServer->isChecked());
}

void SettingsWindow::ZapNastrClick()
{
    NoKor n;
    n.lines = {m_line1,
               LabeledEditFima->text(),
               colorToName(m_mainColour ? m_mainColour() : NoKor::defaults().colour()),
               VerOff->text(),
               BazWrWopr->text(),
               DeltaOtw->text(),
               TriProc->text(),
               ChetProc->text(),
               PaytProc->text(),
               MaxWopr->text()};
    try {
        n.write(installPath(QStringLiteral("Baza/NoKor.qdx")));
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return; // the window stays open with what was typed
    }
    const QString baza = installPath(QStringLiteral("Baza"));
    const std::optional<JournalSettings> j = journalFromFields();
    if (!j)
        return;
    if (const QString problem = j->save(baza); !problem.isEmpty()) {
        desktop().error(problem);
        return;
    }
    emit journalChanged();
    accept();
}

std::optional<JournalSettings> SettingsWindow::journalFromFields()
{
    JournalSettings j = JournalSettings::load(installPath(QStringLiteral("Baza")));
    j.askPupilName = SprashivatImya->isChecked();
    j.askPupilClass = SprashivatKlass->isChecked();
    j.repeatMistakes = RabotaNadOshibkami->isChecked();
    j.engine = ZhurnalServer->isChecked() ? JournalSettings::Engine::Server : JournalSettings::Engine::Embedded;
    j.host = ZhurnalHost->text().trimmed();
    j.port = ZhurnalPort->text().trimmed().toInt();
    j.database = ZhurnalBaza->text().trimmed();
    // Another user than the PCs' role is no longer a PC of the school.
    if (ZhurnalPolz->text().trimmed() != j.user)
        j.school = false;
    j.user = ZhurnalPolz->text().trimmed();
    j.password = ZhurnalParol->text();
    if (j.engine == JournalSettings::Engine::Server && (j.host.isEmpty() || j.port <= 0 || j.port > 65535)) {
        desktop().message(QStringLiteral("Укажите сервер журнала и порт (число от 1 до 65535)."),
                          QStringLiteral("Журнал результатов"), Desktop::Icon::Warning);
        return std::nullopt;
    }
    return j;
}

void SettingsWindow::ProveritPodklClick()
{
    const std::optional<JournalSettings> j = journalFromFields();
    if (!j)
        return;
    bool opened = false;
    QString error, details;
    {
        // The journal as typed here, not the one in use: nothing is saved.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Journal journal(*j);
        opened = journal.open();
        error = journal.lastError();
        details = journal.lastDetails();
        QApplication::restoreOverrideCursor();
    }
    if (opened) {
        desktop().message(j->engine == JournalSettings::Engine::Server
                              ? QStringLiteral("Сервер %1:%2 отвечает, пользователь «%3» и пароль приняты. Журнал "
                                               "готов к работе.")
                                    .arg(j->host)
                                    .arg(j->port)
                                    .arg(j->user)
                              : QStringLiteral("Журнал на этом компьютере открыт: %1.").arg(j->place()),
                          QStringLiteral("Проверка подключения"), Desktop::Icon::Information);
        return;
    }
    desktop().detailedMessage(error, QStringLiteral("Проверка подключения"), Desktop::Icon::Warning, details);
}

void SettingsWindow::NastroitServerShkolyClick()
{
    auto *w = new SchoolServerWindow(this);
    w->setAttribute(Qt::WA_DeleteOnClose);
    bool changed = false;
    connect(w, &SchoolServerWindow::journalChanged, this, [&changed] { changed = true; });
    desktop().showModal(w);
    if (!changed)
        return;
    // The fields show where the journal is now, and the program opens it anew.
    SettingsRead now;
    now.journal = JournalSettings::load(installPath(QStringLiteral("Baza")));
    showRead(now);
    emit journalChanged();
}

void SettingsWindow::BitBtn4Click()
{
    const ColorCode now = m_mainColour ? m_mainColour() : NoKor::defaults().colour();
    const auto c = desktop().chooseColour(QColor::fromRgb(QRgb(colorToRgb(now))));
    if (c)
        emit mainColourChosen(colorFromRgb(c->rgb() & 0xFFFFFF));
}

void SettingsWindow::BitBtn1Click()
{
    if (!desktop().printWindow(this, false))
        desktop().error(QStringLiteral("Не удалось напечатать окно: принтер недоступен."));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0, 255, 255));
    setPalette(p);
    setAutoFillBackground(true);
}
