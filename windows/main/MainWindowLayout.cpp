// The main window's controls and menus, laid out once when the window is made.
#include "Desktop.h"
#include "MainWindow.h"
#include "ScreenFit.h"
#include "TableModel.h"
#include "WidgetKit.h"
#include "colors.h"

#include <QFileInfo>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace
{
// The text of an option: read-only, never in the Tab chain, as tall as its
// wrapped text so that long options show whole.
class OptionText : public QTextEdit
{
public:
    explicit OptionText(QWidget *parent) : QTextEdit(parent)
    {
        setReadOnly(true);
        setFocusPolicy(Qt::NoFocus);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(this, &QTextEdit::textChanged, this, &OptionText::fitHeight);
        fitHeight();
    }

protected:
    void resizeEvent(QResizeEvent *e) override
    {
        QTextEdit::resizeEvent(e);
        fitHeight();
    }

private:
    void fitHeight()
    {
        document()->setTextWidth(viewport()->width());
        const int text = int(std::ceil(document()->size().height()));
        const int h = std::max(text, fontMetrics().lineSpacing() + 8) + 2 * frameWidth();
        if (h != height())
            setFixedHeight(h);
    }
};

// A read-only box of the main window that shows a count.
QLineEdit *counter(const QString &name, const QString &hint, const QString &text = QStringLiteral("0"))
{
    QLineEdit *e = namedEdit(name, hint, text);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus); // Tab passes the counters by
    e->setAlignment(Qt::AlignCenter);
    e->setMaximumWidth(70);
    return e;
}

const char *splashText =
    "<h2>Тренажёр для подготовки к экзаменам</h2>"
    "<p>В каждом предмете есть темы, в каждой теме вопросы. Вопросы бывают пяти видов:</p>"
    "<ul><li><b>Точный ответ</b> — впишите ответ (фамилию, год, дату) в поле ответа;</li>"
    "<li><b>Птички поставить</b> — отметьте все верные варианты;</li>"
    "<li><b>Соответствие</b> — переставьте строки правого столбца так, чтобы они стояли против своих пар;</li>"
    "<li><b>Проставить номера</b> — проставьте у каждого объекта номер его свойства;</li>"
    "<li><b>Ранжирование</b> — проставьте у вариантов их порядковые номера.</li></ul>"
    "<p>Введите пароль (ровно 6 цифр) и нажмите «Ok». Затем выберите предмет и тему и нажмите «Пуск».</p>"
    "<p>Клавиши: F5 — «Пуск» и «Стоп», Enter в поле ответа или Ctrl+Enter — «Готов ответ», F6 — «Ответ позже», "
    "F7 — «Повтор», F8 — «Убрать ошибку», пробел — отметить вариант, Alt+стрелка вверх или вниз — передвинуть строку "
    "соответствия, F1 — помощь, Ctrl+Q — выход.</p>";

} // namespace

void MainWindow::buildMenus()
{
    auto item = [this](QMenu *menu, const QString &name, const QString &text, void (MainWindow::*slot)()) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto top = [this](const QString &name, const QString &text) {
        QMenu *m = menuBar()->addMenu(text);
        m->setObjectName(QStringLiteral("menu") + name);
        m->menuAction()->setObjectName(name);
        return m;
    };
    auto topAction = [this](const QString &name, const QString &text, void (MainWindow::*slot)()) {
        QAction *a = menuBar()->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu *file = top(QStringLiteral("N1"), QStringLiteral("&Файл"));
    N1 = file->menuAction();
    N18 = item(file, QStringLiteral("N18"), QStringLiteral("&Образец ФИПИ"), &MainWindow::N18Click);
    N29 = item(file, QStringLiteral("N29"), QStringLiteral("&1. Образец импортируемого файла"), &MainWindow::N29Click);
    w1 = item(file, QStringLiteral("w1"), QStringLiteral("&w. Образец импортируемого файла"), &MainWindow::w1Click);
    N15 = item(file, QStringLiteral("N15"), QStringLiteral("&Печать копии экрана прямо на принтер"),
               &MainWindow::N15Click);
    // Only on a PC of a school; the banks published since the last start are fetched once the window runs.
    ObnovitBanki = item(file, QStringLiteral("ObnovitBanki"), QStringLiteral("Обновить &банки"),
                        &MainWindow::ObnovitBankiClick);
    ObnovitBanki->setVisible(false);
    QTimer::singleShot(0, this, &MainWindow::fetchBanksAtStart);
    file->addSeparator();
    fileExit = item(file, QStringLiteral("N2"), QStringLiteral("В&ыход"), nullptr);
    fileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The window holds it too: Ctrl+Q ends the program also for a pupil, whose File menu is off.
    addAction(fileExit);
    connect(fileExit, &QAction::triggered, this, &QWidget::close);

    QMenu *exam = top(QStringLiteral("N7"), QStringLiteral("&Экзамен"));
    N7 = exam->menuAction();
    N28 = item(exam, QStringLiteral("N28"), QStringLiteral("&Пуск по всему предмету"), &MainWindow::N28Click);
    N27 = item(exam, QStringLiteral("N27"), QStringLiteral("&Изменить набор вопросов из всех тем"),
               &MainWindow::N27Click);
    N31 = item(exam, QStringLiteral("N31"), QStringLiteral("&Работа над ошибками"), &MainWindow::N31Click);

    N10 = topAction(QStringLiteral("N10"), QStringLiteral("&Пользователь"), &MainWindow::N10Click);
    journalItem = topAction(QStringLiteral("ZhurnalItem"), QStringLiteral("&Журнал"), &MainWindow::ZhurnalClick);
    N13 = topAction(QStringLiteral("N13"), QStringLiteral("Помо&щь"), &MainWindow::N13Click);
    N13->setShortcut(QKeySequence(Qt::Key_F1));

    QMenu *service = top(QStringLiteral("N3"), QStringLiteral("&Сервис"));
    N3 = service->menuAction();
    N19 = item(service, QStringLiteral("N19"), QStringLiteral("&Время показа вопросов изменить"), nullptr);
    N12 = item(service, QStringLiteral("N12"), QStringLiteral("Цвет фона &главного окна"), &MainWindow::N12Click);
    N14 = item(service, QStringLiteral("N14"), QStringLiteral("Цвет фона окна &ответов"), &MainWindow::N14Click);
    N30 = item(service, QStringLiteral("N30"), QStringLiteral("&Список предметов"), &MainWindow::N30Click);
    editorItem = item(service, QStringLiteral("N4"), QStringLiteral("&Импорт тестов и рисунков. Редактор."),
                      &MainWindow::editorClick);
    settingsItem = item(service, QStringLiteral("N8"), QStringLiteral("&Настройки"), &MainWindow::settingsClick);
    N9 = item(service, QStringLiteral("N9"), QStringLiteral("П&ароли"), &MainWindow::N9Click);
    // Only on a PC of a school whose server keeps the pupils' accounts.
    pupilsItem = item(service, QStringLiteral("UchenikiItem"), QStringLiteral("Ученики и &коды входа"),
                      &MainWindow::UchenikiClick);
    pupilsItem->setVisible(false);
    N5 = item(service, QStringLiteral("N5"), QStringLiteral("Включить &таблицу ответов"), nullptr);

    exitItem = menuBar()->addAction(QStringLiteral("&Выход"));
    exitItem->setObjectName(QStringLiteral("N6"));
    connect(exitItem, &QAction::triggered, this, &QWidget::close);

    N20 = new QAction(QStringLiteral("Изменить ограничение"), this);
    N20->setObjectName(QStringLiteral("N20"));
}

void MainWindow::buildWindow()
{
    // The whole window scrolls when the screen is smaller than it.
    m_content = scrollingContent(this);
    auto *root = new QHBoxLayout(m_content);

    // ---- left: choice, question, answer area ----
    auto *left = new QVBoxLayout;
    root->addLayout(left, 1);

    notice = new QLabel;
    notice->setObjectName(QStringLiteral("notice"));
    notice->hide();
    left->addWidget(notice);

    Izveshenie = new QLabel;
    Izveshenie->setObjectName(QStringLiteral("Izveshenie"));
    Izveshenie->setWordWrap(true);
    // Two lines at most: the whole text is in its tooltip.
    Izveshenie->setMaximumHeight(Izveshenie->fontMetrics().lineSpacing() * 2 + 4);
    Izveshenie->setAccessibleName(QStringLiteral("Сообщение программы"));
    Izveshenie->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(Izveshenie, 1);
    Izveshenie->hide();

    auto *choice = new QGridLayout;
    PredmetName = new QComboBox;
    PredmetName->setObjectName(QStringLiteral("PredmetName"));
    PredmetName->setToolTip(QStringLiteral("Выберите предмет"));
    WiborTema = new QComboBox;
    WiborTema->setObjectName(QStringLiteral("WiborTema"));
    WiborTema->setEditable(true);
    WiborTema->setInsertPolicy(QComboBox::NoInsert);
    WiborTema->setMinimumContentsLength(20);
    WiborTema->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // A screen reader meets the box and the text field inside it, each by its own name.
    WiborTema->setAccessibleName(QStringLiteral("Тема"));
    WiborTema->lineEdit()->setAccessibleName(QStringLiteral("Тема"));
    KTem = counter(QStringLiteral("KTem"), QStringLiteral("Тем в предмете"));
    RWoprWseh = counter(QStringLiteral("RWoprWseh"), QStringLiteral("Вопросов в предмете"));
    choice->addWidget(new QLabel(QStringLiteral("Предмет")), 0, 0);
    choice->addWidget(PredmetName, 0, 1);
    choice->addWidget(KTem, 0, 2);
    choice->addWidget(RWoprWseh, 0, 3);
    choice->addWidget(new QLabel(QStringLiteral("Тема")), 1, 0);
    choice->addWidget(WiborTema, 1, 1);
    // Its colours come with the run's state (paintControls).
    Pusk = namedButton(QStringLiteral("Pusk"), QStringLiteral("Пуск"),
                       QStringLiteral("Начать или остановить тест по теме"));
    MaxKW = namedButton(QStringLiteral("MaxKW"), QStringLiteral("5"),
                        QStringLiteral("Ограничить число задаваемых вопросов"));
    MaxKW->setMaximumWidth(70);
    choice->addWidget(MaxKW, 1, 2);
    choice->addWidget(Pusk, 1, 3);
    choice->setColumnStretch(1, 1);
    left->addLayout(choice);

    WoprosM = new QTextEdit;
    WoprosM->setObjectName(QStringLiteral("WoprosM"));
    WoprosM->setAccessibleName(QStringLiteral("Вопрос"));
    WoprosM->setReadOnly(true);
    WoprosM->setMinimumHeight(48);
    QFont qf = WoprosM->font();
    qf.setPointSize(qf.pointSize() + 2);
    qf.setBold(true);
    WoprosM->setFont(qf);
    // The question above, the answer area below; the pupil may move the line between them.
    auto *split = new QSplitter(Qt::Vertical);
    split->setObjectName(QStringLiteral("questionSplit"));
    split->setChildrenCollapsible(false);
    auto *top = new QWidget;
    auto *topL = new QVBoxLayout(top);
    topL->setContentsMargins(0, 0, 0, 0);
    topL->addWidget(WoprosM);
    auto *answers = new QWidget;
    auto *answersL = new QVBoxLayout(answers);
    answersL->setContentsMargins(0, 0, 0, 0);
    split->addWidget(top);
    split->addWidget(answers);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 4);
    left->addWidget(split, 1);

    auto *typeRow = new QHBoxLayout;
    TipOtweta = counter(QStringLiteral("TipOtweta"), QStringLiteral("Тип вопроса"), QString());
    TipOtweta->setMaximumWidth(QWIDGETSIZE_MAX);
    NomerWoprosa = counter(QStringLiteral("NomerWoprosa"), QStringLiteral("Системный № вопроса"), QString());
    NomerWoprosa->setMaximumWidth(160);
    typeRow->addWidget(new QLabel(QStringLiteral("Тип вопроса")));
    typeRow->addWidget(TipOtweta, 1);
    typeRow->addWidget(NomerWoprosa);
    topL->addLayout(typeRow);

    // Splash over the answer area until the log-in.
    Zastavka = new QFrame;
    Zastavka->setObjectName(QStringLiteral("Zastavka"));
    Zastavka->setFrameShape(QFrame::StyledPanel);
    auto *zl = new QVBoxLayout(Zastavka);
    // A text browser lays its text out once per resize, where a word-wrapped
    // label is laid out again for every width the layouts try.
    auto *info = new QTextBrowser;
    info->setObjectName(QStringLiteral("ZastavkaText"));
    info->setFrameShape(QFrame::NoFrame);
    info->viewport()->setAutoFillBackground(false);
    info->setFocusPolicy(Qt::NoFocus);
    info->setHtml(QString::fromUtf8(splashText));
    auto *pl = new QHBoxLayout;
    // Empty: a password written in advance is anyone's who presses Enter.
    Parol = new QLineEdit;
    Parol->setObjectName(QStringLiteral("Parol"));
    Parol->setToolTip(QStringLiteral("Ровно 6 цифр"));
    Parol->setEchoMode(QLineEdit::Password);
    Parol->setMaximumWidth(140);
    selectAllOnFocus(Parol);
    ZastPogasit1 =
        namedButton(QStringLiteral("ZastPogasit1"), QStringLiteral("Ok"), QStringLiteral("Погасит Заставку"));
    connect(ZastPogasit1, &QPushButton::clicked, this, &MainWindow::ZastPogasit1Click);
    connect(Parol, &QLineEdit::returnPressed, this, &MainWindow::ZastPogasit1Click);
    pl->addWidget(new QLabel(QStringLiteral("Пароль:")));
    pl->addWidget(Parol);
    pl->addWidget(ZastPogasit1);
    pl->addStretch(1);
    // The password comes first, so it shows on the smallest screen; the help
    // below it scrolls when it does not fit.
    zl->addLayout(pl);
    zl->addWidget(info, 1);
    answersL->addWidget(Zastavka, 1);

    OtwetiOtm = new QScrollArea;
    OtwetiOtm->setObjectName(QStringLiteral("OtwetiOtm"));
    buildAnswerRows();
    OtwetiOtm->hide();
    answersL->addWidget(OtwetiOtm, 1);

    // The exact answer, the matching grids and the answers table come with
    // the first question that shows them (ensurePanes).
    m_answersLayout = answersL;

    // ---- right: counters, buttons, modes, clocks ----
    auto *rightW = new QWidget;
    rightW->setMaximumWidth(330);
    auto *right = new QVBoxLayout(rightW);
    root->addWidget(rightW);

    auto *counters = new QGroupBox(QStringLiteral("Счёт"));
    auto *cf = new QFormLayout(counters);
    KWopr = counter(QStringLiteral("KWopr"), QStringLiteral("Будет задано вопросов по теме"));
    NWopr = counter(QStringLiteral("NWopr"), QStringLiteral("№ заданного вопроса"));
    WerWop = counter(QStringLiteral("WerWop"), QStringLiteral("Правильно Вы ответили"));
    WseBal = counter(QStringLiteral("WseBal"), QStringLiteral("Баллов за тему"));
    WerBal = counter(QStringLiteral("WerBal"), QStringLiteral("Набрали за отвеченнное баллов"));
    TekBal = counter(QStringLiteral("TekBal"), QStringLiteral("Баллов за этот вопрос"));
    Podskazano = counter(QStringLiteral("Podskazano"), QStringLiteral("Использовано подсказок"));
    KOtw = counter(QStringLiteral("KOtw"), QStringLiteral("Предложено ответов"), QString());
    KPraw = counter(QStringLiteral("KPraw"), QStringLiteral("Правильных ответов"), QString());
    WsegoWopTem = counter(QStringLiteral("WsegoWopTem"), QStringLiteral("Вопросов в теме"));
    Ocenka = counter(QStringLiteral("Ocenka"), QStringLiteral("Итоговая оценка по количеству правильных ответов"));
    TekOcenka = counter(QStringLiteral("TekOcenka"), QStringLiteral("Текущая оценка по набранным баллам"));
    auto pair = [](QLineEdit *a, QLineEdit *b) {
        auto *w = new QWidget;
        auto *l = new QHBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(a);
        l->addWidget(b);
        return w;
    };
    RegimOshibok = new QLabel;
    RegimOshibok->setObjectName(QStringLiteral("RegimOshibok"));
    RegimOshibok->setWordWrap(true);
    RegimOshibok->hide();
    cf->addRow(RegimOshibok);
    cf->addRow(QStringLiteral("Вопросов в теме / задано"), pair(WsegoWopTem, KWopr));
    cf->addRow(QStringLiteral("Вопрос № / верно"), pair(NWopr, WerWop));
    cf->addRow(QStringLiteral("Баллов всего / набрано"), pair(WseBal, WerBal));
    cf->addRow(QStringLiteral("Баллов за вопрос"), TekBal);
    cf->addRow(QStringLiteral("Вариантов / верных"), pair(KOtw, KPraw));
    cf->addRow(QStringLiteral("Подсказок"), Podskazano);
    cf->addRow(QStringLiteral("Оценка / по баллам"), pair(Ocenka, TekOcenka));
    right->addWidget(counters);

    auto *lamps = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        Zw[size_t(i)] = new QLabel(QString::number(i + 1));
        Zw[size_t(i)]->setObjectName(QStringLiteral("Zw%1").arg(i + 1));
        Zw[size_t(i)]->setAccessibleName(QStringLiteral("Лампа оценки %1").arg(i + 1));
        Zw[size_t(i)]->setAlignment(Qt::AlignCenter);
        Zw[size_t(i)]->setMinimumSize(32, 32);
        Zw[size_t(i)]->setToolTip(QStringList{QStringLiteral("Перешли 10%"), QStringLiteral("На двоечку набазарили"),
                                              QStringLiteral("Троечку выцарапали"), QStringLiteral("Уже хорошо"),
                                              QStringLiteral("Отлично!")}[i]);
        Zw[size_t(i)]->setEnabled(false);
        lamps->addWidget(Zw[size_t(i)]);
    }
    right->addLayout(lamps);

    Gauge2 = new QProgressBar;
    Gauge2->setObjectName(QStringLiteral("Gauge2"));
    Gauge2->setToolTip(QStringLiteral("Осталось вопросов"));
    Gauge2->setValue(0);
    Gauge1 = new QProgressBar;
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setToolTip(QStringLiteral("Набрано баллов"));
    Gauge1->setValue(0);
    right->addWidget(Gauge2);
    right->addWidget(Gauge1);

    auto *buttons = new QGridLayout;
    Itog1 = namedButton(QStringLiteral("Itog1"), QStringLiteral("Готов\nответ"),
                        QStringLiteral("Перейти к следующему вопросу"));
    Itog1->setEnabled(false);
    Otlogit = namedButton(QStringLiteral("Otlogit"), QStringLiteral("Ответ\nпозже"), QStringLiteral("Отложить вопрос"));
    Fifti = namedButton(QStringLiteral("Fifti"), QStringLiteral("Убрать\nошибку"),
                        QStringLiteral("Убрать 1 ошибочный ответ"));
    Powtorit1 = namedButton(QStringLiteral("Powtorit1"), QStringLiteral("Повтор\n    0"),
                            QStringLiteral("Отложено для повторов"));
    Powtorit1->setEnabled(false);
    PrnProtokol =
        namedButton(QStringLiteral("PrnProtokol"), QStringLiteral("Протокол"), QStringLiteral("Протокол по теме"));
    PrnProtokol->setEnabled(false);
    Dalshe = namedButton(QStringLiteral("Dalshe"), QStringLiteral("Дальше"), QStringLiteral("Следующий вопрос"));
    Dalshe->setEnabled(false);
    Dalshe->hide();
    buttons->addWidget(Itog1, 0, 0);
    buttons->addWidget(Otlogit, 0, 1);
    buttons->addWidget(Fifti, 1, 0);
    buttons->addWidget(Powtorit1, 1, 1);
    buttons->addWidget(PrnProtokol, 2, 0, 1, 2);
    right->addLayout(buttons);

    auto *modes = new QGroupBox(QStringLiteral("Режим экзамена"));
    modes->setToolTip(QStringLiteral("Настроить под себя"));
    auto *ml = new QVBoxLayout(modes);
    Regim = new QListWidget;
    Regim->setObjectName(QStringLiteral("Regim"));
    Regim->setToolTip(QStringLiteral("Настроить под себя"));
    for (const QString &t :
         {QStringLiteral("Подсказывать"), QStringLiteral("По порядку"), QStringLiteral("Протокол")}) {
        auto *it = new QListWidgetItem(t, Regim);
        it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
        it->setCheckState(Qt::Unchecked);
    }
    Regim->setMaximumHeight(Regim->sizeHintForRow(0) * 3 + 8);
    ml->addWidget(Regim);
    right->addWidget(modes);

    WremIzm = new QGroupBox(QStringLiteral("Время показа в секундах         Изм.    Всего    "));
    WremIzm->setObjectName(QStringLiteral("WremIzm"));
    WremIzm->setToolTip(QStringLiteral("Можно изменить"));
    auto *wl = new QGridLayout(WremIzm);
    WoprSek = new QLineEdit;
    WoprSek->setObjectName(QStringLiteral("WoprSek"));
    OtwSek = new QLineEdit;
    OtwSek->setObjectName(QStringLiteral("OtwSek"));
    TimeWopros =
        counter(QStringLiteral("TimeWopros"), QStringLiteral("Время вопроса+за каждый вариант ответа"), QString());
    WremaZadat =
        namedButton(QStringLiteral("WremaZadat"), QStringLiteral("Изм."), QStringLiteral("Применить новое время"));
    wl->addWidget(new QLabel(QStringLiteral("Вопроса")), 0, 0);
    wl->addWidget(WoprSek, 0, 1);
    wl->addWidget(WremaZadat, 0, 2);
    wl->addWidget(TimeWopros, 0, 3);
    wl->addWidget(new QLabel(QStringLiteral("Ответов по")), 1, 0);
    wl->addWidget(OtwSek, 1, 1);
    right->addWidget(WremIzm);

    TimerWopr = new QLabel(QStringLiteral("00:00"));
    TimerWopr->setObjectName(QStringLiteral("TimerWopr"));
    TimerWopr->setAccessibleName(QStringLiteral("Время вопроса"));
    TimerWopr->setToolTip(QStringLiteral("Время вопроса пошло. Лимит - слева ключ"));
    TimerWopr->setContextMenuPolicy(Qt::ActionsContextMenu);
    TimerWopr->addAction(N20);
    TimerTema = new QLabel(QStringLiteral("00:00"));
    TimerTema->setObjectName(QStringLiteral("TimerTema"));
    TimerTema->setAccessibleName(QStringLiteral("Время на тему"));
    TimerTema->setToolTip(QStringLiteral("Затрачено на тему"));
    for (QLabel *c : {TimerWopr, TimerTema}) {
        QFont f = c->font();
        f.setPointSize(f.pointSize() + 4);
        f.setBold(true);
        c->setFont(f);
        c->setAlignment(Qt::AlignCenter);
        c->setFrameShape(QFrame::Panel);
        c->setFrameShadow(QFrame::Sunken);
        c->setMinimumWidth(c->fontMetrics().horizontalAdvance(QStringLiteral(" 00:00:00 ")));
        // As tall as their digits: the foot of a small screen is not to be wasted.
        c->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        // At the foot of the window, beside the quiet line: in sight on any
        // screen, however far the question and its answers are scrolled.
        statusBar()->addPermanentWidget(c);
    }
    right->addStretch(1);

    connect(PredmetName, QOverload<int>::of(&QComboBox::activated), this, [this](int) { PredmetNameClick(); });
    connect(MaxKW, &QPushButton::clicked, this, &MainWindow::MaxKWClick);
    connect(Pusk, &QPushButton::clicked, this, &MainWindow::PuskClick);
    connect(Itog1, &QPushButton::clicked, this, &MainWindow::Itog1Click);
    connect(Dalshe, &QPushButton::clicked, this, &MainWindow::DalsheClick);
    connect(PrnProtokol, &QPushButton::clicked, this, &MainWindow::PrnProtokolClick);
    // Window-wide keys rather than the buttons' own: a button loses its key
    // whenever its caption changes.
    const std::pair<QKeySequence, QPushButton *> keys[] = {{QKeySequence(Qt::Key_F5), Pusk},
                                                           {QKeySequence(Qt::CTRL | Qt::Key_Return), Itog1},
                                                           {QKeySequence(Qt::CTRL | Qt::Key_Enter), Itog1},
                                                           {QKeySequence(Qt::Key_F6), Otlogit},
                                                           {QKeySequence(Qt::Key_F7), Powtorit1},
                                                           {QKeySequence(Qt::Key_F8), Fifti}};
    for (const auto &[key, button] : keys)
        connect(new QShortcut(key, this), &QShortcut::activated, button, [button = button] {
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
    // The end of a question's time answers as the answer button would.
    connect(this, &MainWindow::questionTimeOver, this, &MainWindow::TimerWoprEndOfTime);
    styleControls();
}

void MainWindow::styleControls()
{
    // Given last, to controls already in the window and in their first
    // state: a control with a style sheet is styled all over again whenever
    // it moves to another parent or is enabled or disabled.
    notice->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    RegimOshibok->setStyleSheet(QStringLiteral("font-weight: bold;"));
    static const char *const lit[] = {"#e05050", "#f08a30", "#f0d040", "#8fd14f", "#2eaa3e"};
    for (size_t i = 0; i < Zw.size(); ++i)
        Zw[i]->setStyleSheet(
            QStringLiteral("QLabel { border: 1px solid gray; border-radius: 16px; background: %1; font-weight: bold; }"
                           "QLabel:disabled { background: #ddd; color: #999; }")
                .arg(QLatin1String(lit[i])));
}

void MainWindow::buildAnswerRows()
{
    answerRowsPanel = new QWidget;
    answerRowsPanel->setObjectName(QStringLiteral("OtwetiOtmPanel"));
    auto *rows = new QGridLayout(answerRowsPanel);
    rows->setColumnStretch(1, 1);
    rows->setVerticalSpacing(3);
    QFont bold = answerRowsPanel->font();
    bold.setPointSize(10);
    bold.setBold(true);
    answerRowsPanel->setFont(bold);
    // The rows themselves come when the answer area first shows (after the
    // log-in), not with the window.
    OtwetiOtm->setWidget(answerRowsPanel);
    OtwetiOtm->setWidgetResizable(true);
}

void MainWindow::ensureAnswerRows(int n)
{
    // The rows take the panel's bold font; the number boxes' width and colour
    // are worked out once for all of them.
    auto *grid = static_cast<QGridLayout *>(answerRowsPanel->layout());
    const int numberWidth = answerRowsPanel->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12;
    QPalette numberColours; // only the box's own colour: the rest comes from the panel
    numberColours.setColor(QPalette::Base, paintColour(*colorFromName(QStringLiteral("clInfoBk"))));
    for (int i = int(PtiOtw.size()) + 1; i <= n; ++i) {
        auto *tick = new QCheckBox(answerRowsPanel);
        tick->setObjectName(QStringLiteral("PtiOtw%1").arg(i));
        tick->setCursor(Qt::PointingHandCursor);
        tick->setToolTip(QStringLiteral("Мышкой щёлкни для изменения"));
        tick->hide();
        auto *num = new QLineEdit(answerRowsPanel);
        num->setObjectName(QStringLiteral("NomOtw%1").arg(i));
        num->setCursor(Qt::PointingHandCursor);
        num->setToolTip(QStringLiteral("Введите число от 1 и далее"));
        num->setMaximumWidth(numberWidth);
        num->setPalette(numberColours);
        num->hide();
        // Named by their place until an option's text names them; the mouse
        // hint is no description for a screen reader (it would take the
        // tooltip for want of one).
        tick->setAccessibleName(QStringLiteral("Вариант ответа %1").arg(i));
        tick->setAccessibleDescription(
            QStringLiteral("Отметьте, если вариант верный; пробел ставит и снимает отметку"));
        num->setAccessibleName(QStringLiteral("Номер варианта %1").arg(i));
        num->setAccessibleDescription(num->toolTip());
        auto *text = new OptionText(answerRowsPanel);
        text->setObjectName(QStringLiteral("TxtOtw%1").arg(i));
        text->hide();
        // A tick box or a number box (one of them shows) beside the option's text.
        grid->addWidget(tick, i - 1, 0, Qt::AlignTop | Qt::AlignHCenter);
        grid->addWidget(num, i - 1, 0, Qt::AlignTop);
        grid->addWidget(text, i - 1, 1);
        grid->setRowStretch(i - 1, 0);
        grid->setRowStretch(i, 1); // the rows stay at the top
        PtiOtw.push_back(tick);
        NomOtw.push_back(num);
        TxtOtw.push_back(text);
    }
}
