// Every window on the screen this run is given (size and scale come from the
// environment, see CMakeLists.txt): fully on the screen, every visible control
// reachable (inside the window, or inside a scroll area that scrolls to it),
// no two controls on top of each other.
#include "AccessWindow.h"
#include "ClassNowWindow.h"
#include "EditorWindow.h"
#include "ExamSetupWindow.h"
#include "ExplanationWindow.h"
#include "JournalWindow.h"
#include "LessonStartWindow.h"
#include "OwnResultsWindow.h"
#include "PupilAccountsWindow.h"
#include "ReportDocument.h"
#include "RightAnswerWindow.h"
#include "SchoolServerWindow.h"
#include "SettingsWindow.h"
#include "SubjectListWindow.h"
#include "WindowTestKit.h"
#include "bank.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFocusFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitterHandle>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>

namespace
{
// What of a control can be seen: clipped by every scroll area it lies in.
QRect visiblePart(const QWidget *w, const QWidget *window)
{
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (auto *area = qobject_cast<const QAbstractScrollArea *>(p))
            r &= QRect(area->viewport()->mapTo(window, QPoint(0, 0)), area->viewport()->size());
    return r;
}

bool isControl(const QWidget *w)
{
    // Parts that a scroll area, a splitter or a combo box lay over their own,
    // and the frame that is drawn around the focused control by design.
    return !qobject_cast<const QScrollBar *>(w) && !qobject_cast<const QSplitterHandle *>(w) &&
           !qobject_cast<const QFocusFrame *>(w) && w->objectName() != u"qt_scrollarea_viewport" &&
           w->objectName() != u"qt_scrollarea_hcontainer" && w->objectName() != u"qt_scrollarea_vcontainer" &&
           !qobject_cast<const QComboBox *>(w->parentWidget());
}

QStringList problemsOf(QWidget *window)
{
    QStringList problems;
    const QRect screen = window->screen()->availableGeometry();
    if (!screen.contains(window->frameGeometry()))
        problems << QStringLiteral("%1 at %2,%3 %4x%5 leaves the screen %6x%7")
                        .arg(window->objectName())
                        .arg(window->frameGeometry().x())
                        .arg(window->frameGeometry().y())
                        .arg(window->frameGeometry().width())
                        .arg(window->frameGeometry().height())
                        .arg(screen.width())
                        .arg(screen.height());
    const QRect inside(QPoint(0, 0), window->size());
    const auto all = window->findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (w->isWindow() || !w->isVisibleTo(window) || !isControl(w))
            continue;
        const QRect seen = visiblePart(w, window);
        if (!seen.isEmpty() && !inside.contains(seen))
            problems << QStringLiteral("%1 lies outside %2").arg(w->objectName(), window->objectName());
        for (QObject *o : w->parentWidget()->children()) {
            auto *other = qobject_cast<QWidget *>(o);
            if (!other || other <= w || other->isWindow() || !other->isVisibleTo(window) || !isControl(other))
                continue;
            if (w->geometry().intersects(other->geometry()))
                problems << QStringLiteral("%1 (%2) overlaps %3 (%4) in %5")
                                .arg(w->objectName(), QLatin1String(w->metaObject()->className()), other->objectName(),
                                     QLatin1String(other->metaObject()->className()), window->objectName());
        }
    }
    return problems;
}

// A topic with a matching question and a ticks question of long options.
void writeBank(const QString &folder)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", "Тема"}});
    bank.wopros.rewrite(std::vector<WoprosRec>{{"1", "1", "1", "1", "Соотнесите", "", "1", ""},
                                               {"1", "1", "1", "2", "Отметьте верные", "", "1", ""}});
    std::vector<OtwetRec> options;
    for (int i = 1; i <= 4; ++i) {
        options.push_back({"1", "1", "1", "1", QString::number(i), "-", QStringLiteral("Левый %1").arg(i)});
        options.push_back({"1", "1", "1", "1", QString::number(5 - i), "+", QStringLiteral("Правый %1").arg(i)});
    }
    for (int i = 1; i <= 12; ++i)
        options.push_back({"1", "1", "1", "2", QString::number(i), i % 2 ? "+" : "",
                           QStringLiteral("Вариант ответа с длинным текстом, который переносится, номер %1").arg(i)});
    bank.otwet.rewrite(options);
}
} // namespace

class ScreensTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;

    int shots = 0;

    void check(QWidget *w)
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTest::qWait(20); // layouts settle
        // scripts/screenshots.sh asks for a picture of every window a person can look at.
        if (const QString dir = qEnvironmentVariable("TRIVO_SCREENSHOTS"); !dir.isEmpty()) {
            const QSize screen = w->screen()->availableGeometry().size();
            w->grab().save(QStringLiteral("%1/%2x%3_%4_%5.png")
                               .arg(dir)
                               .arg(screen.width())
                               .arg(screen.height())
                               .arg(++shots, 2, 10, QLatin1Char('0'))
                               .arg(w->objectName()));
        }
        const QStringList problems = problemsOf(w);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        // The buttons that close or store a dialog stay below the part that scrolls.
        const auto *area = w->findChild<QScrollArea *>(w->objectName() + QStringLiteral("Scroll"));
        for (QPushButton *b : w->findChildren<QPushButton *>()) {
            const QString caption = QString(b->text()).remove(u'&');
            static const QStringList closing{"Zakryt", "BitBtn2", "ZapDostup", "Zapomn", "ZapNastr", "SaveTab"};
            if (b->window() == w && area && b->isVisible() && closing.contains(b->objectName()) &&
                (caption.startsWith(u"Запомнить") || caption == u"Выход" || caption == u"Закрыть")) {
                QVERIFY2(!area->isAncestorOf(b), qPrintable(w->objectName() + u' ' + caption));
                QVERIFY2(inSight(b), qPrintable(w->objectName() + u' ' + caption));
            }
        }
    }

    // The widget is shown whole, not cut off by a scroll area or the window.
    static bool inSight(QWidget *w) { return w->visibleRegion().boundingRect() == w->rect(); }

private slots:
    void everyWindowFitsTheScreen()
    {
        kit.freshFolder();
        writeBank(kit.path("Istoriy"));
        MainWindow *m = kit.start();
        const QSize screen = m->screen()->availableGeometry().size();
        qInfo("screen %dx%d", screen.width(), screen.height());
        check(m); // the splash with the password
        kit.login("470259");
        m->WiborTema->setCurrentIndex(0);
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Соответствие"));
        check(m);
        // During a run both clocks are in sight without scrolling.
        for (QWidget *clock : {static_cast<QWidget *>(m->TimerWopr), static_cast<QWidget *>(m->TimerTema)}) {
            const QRect seen = clock->visibleRegion().boundingRect();
            QVERIFY2(inSight(clock), qPrintable(QStringLiteral("%1: %2x%3 of %4x%5 in sight at %6,%7")
                                                    .arg(clock->objectName())
                                                    .arg(seen.width())
                                                    .arg(seen.height())
                                                    .arg(clock->width())
                                                    .arg(clock->height())
                                                    .arg(clock->mapTo(m, QPoint()).x())
                                                    .arg(clock->mapTo(m, QPoint()).y())));
        }
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Птички поставить"));
        check(m);
        QTest::mouseClick(m->Pusk, Qt::LeftButton); // stopped: the journal has a run to show
        m->journalWindow()->openFor(QString());
        QVERIFY(m->Zhurnal->waitUntilRead());
        for (QWidget *w : std::initializer_list<QWidget *>{
                 m->editorWindow(), m->settingsWindow(), m->accessWindow(), m->examSetupWindow(),
                 m->subjectListWindow(), m->rightAnswerWindow(), m->explanationWindow(), m->Zhurnal}) {
            check(w);
            w->hide();
        }
        // Every section of the journal, with the run chosen and its topic filtered.
        JournalWindow *j = m->Zhurnal;
        j->Tema->setCurrentIndex(1);
        QVERIFY(j->waitUntilRead());
        j->Rezultaty->selectRow(0);
        QVERIFY(j->waitUntilRead());
        std::vector<QStringList> shown;
        j->readShownRows([&](std::vector<QStringList> rows) { shown = std::move(rows); });
        QVERIFY(j->waitUntilRead());
        for (int section = 0; section < j->Razdely->count(); ++section) {
            j->Razdely->setCurrentIndex(section);
            check(j);
            // And the first page of the section on paper.
            if (const QString dir = qEnvironmentVariable("TRIVO_SCREENSHOTS"); !dir.isEmpty()) {
                const QSizeF page(1060, 700); // A4 landscape at 96 dpi, less the margins
                const auto doc = reportDocument(j->shownReport(shown), page);
                doc->setPageSize(page);
                QImage paper(page.toSize(), QImage::Format_RGB32);
                paper.fill(Qt::white);
                QPainter p(&paper);
                doc->drawContents(&p, QRectF(QPointF(), page));
                p.end();
                paper.save(QStringLiteral("%1/paper_%2.png").arg(dir).arg(section));
            }
        }
        j->hide();
    }

    void placeWithinKeepsFrameAndAllOnTheScreen_data()
    {
        QTest::addColumn<QRect>("wished");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("placed");
        const QMargins titled(4, 32, 4, 4);
        // The available area is (0,24) 1366x744, a panel above it.
        QTest::newRow("kept") << QRect(100, 200, 400, 300) << titled << QRect(100, 200, 400, 300);
        QTest::newRow("in the corner, no frame") << QRect(0, 24, 400, 300) << QMargins() << QRect(0, 24, 400, 300);
        QTest::newRow("under a thinner title bar: nudged, not centred")
            << QRect(0, 40, 400, 300) << titled << QRect(4, 56, 400, 300);
        QTest::newRow("never placed: centred")
            << QRect(-100000, -100000, 400, 300) << titled << QRect(483, 260, 400, 300);
        QTest::newRow("on a screen that is gone") << QRect(3000, 2000, 400, 300) << titled << QRect(483, 260, 400, 300);
        QTest::newRow("hanging off right and bottom")
            << QRect(1200, 700, 400, 300) << titled << QRect(962, 464, 400, 300);
        QTest::newRow("larger than the screen") << QRect(10, 30, 2000, 1000) << titled << QRect(4, 56, 1358, 708);
    }

    void placeWithinKeepsFrameAndAllOnTheScreen()
    {
        QFETCH(QRect, wished);
        QFETCH(QMargins, frame);
        QFETCH(QRect, placed);
        const QRect available(0, 24, 1366, 744);
        const QRect r = placeWithin(wished, available, frame);
        QCOMPARE(r, placed);
        QVERIFY(available.contains(r.marginsAdded(frame)));
    }

    void placesAreKeptAndBroughtBackOnScreen()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        const QRect screen = m->screen()->availableGeometry();
        SubjectListWindow *s = m->subjectListWindow();
        s->show();
        const QSize small(std::min(420, screen.width()), std::min(300, screen.height()));
        s->resize(small);
        s->move(screen.topLeft());
        QTest::qWait(50); // a real X server answers in its own time
        const QRect left = s->geometry();
        s->hide();
        kit.destroy(); // a new start reads the place back
        m = kit.start();
        m->subjectListWindow()->show();
        QCOMPARE(m->subjectListWindow()->geometry(), left);
        // A place on a screen that is gone comes back fully on this one.
        m->subjectListWindow()->move(screen.right() + 500, screen.bottom() + 500);
        m->subjectListWindow()->hide();
        kit.destroy();
        m = kit.start();
        m->subjectListWindow()->show();
        QVERIFY(screen.contains(m->subjectListWindow()->frameGeometry()));
    }

    // The school's windows, with no server to fill them: the controls fit all the same.
    void schoolWindowsFit()
    {
        JournalSettings nowhere;
        nowhere.engine = JournalSettings::Engine::Server;
        nowhere.host = QStringLiteral("127.0.0.1");
        nowhere.port = 9;
        nowhere.connectSeconds = 1;
        PupilAccountsWindow accounts(nowhere);
        QTRY_VERIFY_WITH_TIMEOUT(!accounts.busy(), 10000);
        check(&accounts);
        SchoolServerWindow setUp;
        check(&setUp);
        OwnResultsWindow own(nowhere, QStringLiteral("token"), QStringLiteral("Петров Пётр, 9А"));
        QTRY_VERIFY_WITH_TIMEOUT(!own.reading(), 10000);
        check(&own);
        LessonStartWindow lesson(nowhere, {QStringLiteral("История"), QString(), {{"1", "1", "Петровская эпоха"}}, {}});
        QTRY_VERIFY_WITH_TIMEOUT(!lesson.KontrItog->text().startsWith(QStringLiteral("Читаю")), 10000);
        check(&lesson);
        // «Класс сейчас» with the server gone and a row as long as they come.
        ClassNowWindow now(nowhere);
        QTRY_VERIFY2_WITH_TIMEOUT(now.KlassSoobshenie->text().startsWith(QStringLiteral("Нет связи")),
                                  qPrintable(now.KlassSoobshenie->text()), 10000);
        PcRow row;
        row.host = QStringLiteral("KLASS-INFORMATIKI-12");
        row.pupil = QStringLiteral("Константинопольская Александра");
        row.className = QStringLiteral("11Б");
        row.subject = QStringLiteral("История");
        row.topic = QStringLiteral("Экзамен по всему предмету");
        row.state = QStringLiteral("running");
        row.question = 18;
        row.questions = 40;
        row.secondsLeft = 2400;
        row.readAt = steadyMs();
        now.model()->setAll({row});
        check(&now);
    }
};

QTEST_MAIN(ScreensTest)
#include "test_screens.moc"
