#include "LessonStartWindow.h"
#include "OffThread.h"
#include "WidgetKit.h"
#include "accounts.h"
#include "bank.h"
#include "lessons.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{
const QString examItem = QStringLiteral("Экзамен по всему предмету");

struct Started {
    qint64 lesson = 0;
    QString error;
};

struct Classes {
    QStringList names;
    QString error;
};
} // namespace

LessonStartWindow::LessonStartWindow(const JournalSettings &teacher, const LessonSubject &subject, QWidget *parent)
    : QDialog(parent), m_teacher(teacher), m_subject(subject)
{
    setObjectName(QStringLiteral("Kontrolnaya"));
    setWindowTitle(QStringLiteral("Контрольная работа — %1").arg(subject.name));
    auto *l = new QVBoxLayout(this);
    auto *f = new QFormLayout;
    KontrKlass = new QComboBox;
    KontrKlass->setObjectName(QStringLiteral("KontrKlass"));
    KontrKlass->setAccessibleName(QStringLiteral("Класс"));
    KontrTema = new QComboBox;
    KontrTema->setObjectName(QStringLiteral("KontrTema"));
    KontrTema->setAccessibleName(QStringLiteral("Тема"));
    for (const QStringList &t : subject.topics)
        KontrTema->addItem(t.value(2));
    KontrTema->addItem(examItem);
    KontrMinuty = new QSpinBox;
    KontrMinuty->setObjectName(QStringLiteral("KontrMinuty"));
    KontrMinuty->setAccessibleName(QStringLiteral("Время, минут"));
    KontrMinuty->setRange(1, 240);
    KontrMinuty->setValue(20);
    KontrVoprosov = new QSpinBox;
    KontrVoprosov->setObjectName(QStringLiteral("KontrVoprosov"));
    KontrVoprosov->setAccessibleName(QStringLiteral("Вопросов, не больше"));
    KontrVoprosov->setRange(1, 200);
    KontrVoprosov->setValue(10);
    f->addRow(QStringLiteral("Класс"), KontrKlass);
    f->addRow(QStringLiteral("Тема"), KontrTema);
    f->addRow(QStringLiteral("Время, минут"), KontrMinuty);
    f->addRow(QStringLiteral("Вопросов, не больше"), KontrVoprosov);
    l->addLayout(f);
    KontrItog = new QLabel(QStringLiteral("Читаю классы школы…"));
    KontrItog->setObjectName(QStringLiteral("KontrItog"));
    KontrItog->setWordWrap(true);
    l->addWidget(KontrItog);
    auto *bl = new QHBoxLayout;
    bl->addStretch();
    KontrNachat = namedButton(QStringLiteral("KontrNachat"), QStringLiteral("Начать"),
                              QStringLiteral("Контрольная придёт на компьютеры учеников класса"));
    KontrOtmena = namedButton(QStringLiteral("KontrOtmena"), QStringLiteral("Отмена"));
    bl->addWidget(KontrNachat);
    bl->addWidget(KontrOtmena);
    l->addLayout(bl);
    KontrNachat->setDefault(true);
    KontrNachat->setEnabled(false); // until the classes are read
    connect(KontrNachat, &QPushButton::clicked, this, &LessonStartWindow::NachatClick);
    connect(KontrOtmena, &QPushButton::clicked, this, &QDialog::reject);
    offThread<Classes>(
        this,
        [teacher] {
            Classes c;
            c.error = withSchoolConnection(teacher, [&](QSqlDatabase &db) {
                QString error;
                if (const auto names = schoolClasses(db, error))
                    c.names = *names;
                return error;
            });
            return c;
        },
        [this](const Classes &c) {
            KontrKlass->addItems(c.names);
            KontrNachat->setEnabled(!c.names.isEmpty());
            emit classesRead();
            KontrItog->setText(!c.error.isEmpty() ? c.error
                               : c.names.isEmpty() ? QStringLiteral("В школе ещё нет классов: загрузите списки в "
                                                                    "«Ученики и коды входа».")
                                                   : QString());
        });
}

void LessonStartWindow::setBusy(bool busy, const QString &text)
{
    m_busy = busy;
    for (QWidget *w : std::initializer_list<QWidget *>{KontrKlass, KontrTema, KontrMinuty, KontrVoprosov, KontrNachat})
        w->setEnabled(!busy);
    KontrItog->setText(text);
}

void LessonStartWindow::NachatClick()
{
    if (m_busy || KontrKlass->currentText().isEmpty())
        return;
    LessonPlan plan;
    plan.className = KontrKlass->currentText();
    plan.subject = m_subject.name;
    const int topic = KontrTema->currentIndex();
    plan.exam = topic >= int(m_subject.topics.size());
    plan.topic = plan.exam ? QString() : KontrTema->currentText();
    plan.seconds = KontrMinuty->value() * 60;
    plan.questionCount = KontrVoprosov->value();
    plan.grades = m_subject.grades;
    const QStringList codes = plan.exam ? QStringList() : m_subject.topics.value(topic);
    setBusy(true, QStringLiteral("Начинаю контрольную для %1…").arg(plan.className));
    offThread<Started>(
        this,
        [teacher = m_teacher, folder = m_subject.folder, plan, codes] {
            Started s;
            s.error = withSchoolConnection(teacher, [&](QSqlDatabase &db) {
                QString error;
                const auto drawn = drawLessonQuestions(BankFiles(folder), codes.value(0), codes.value(1), plan.exam,
                                                       plan.questionCount, error);
                if (!drawn)
                    return error;
                if (drawn->empty())
                    return QStringLiteral("В теме нет вопросов с вариантами ответов.");
                if (const auto id = startLesson(db, plan, *drawn, error))
                    s.lesson = *id;
                return error;
            });
            return s;
        },
        [this, className = plan.className](const Started &s) {
            setBusy(false, s.error);
            if (s.lesson == 0)
                return;
            m_lesson = s.lesson;
            emit started(s.lesson, className);
            accept();
        });
}
