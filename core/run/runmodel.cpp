// A run from its start to its end, and the question on screen.
#include "runmodel.h"
#include "editortables.h"
#include "exam.h"
#include "programstate.h"
#include "questionfiles.h"
#include "review.h"

#include <QFileInfo>
#include <QStringBuilder>

const QString RunModel::reviewTopic = QStringLiteral("Работа над ошибками");

const QString RunModel::closedText =
    QStringLiteral("Тема закрыта. Если протокол был включен, то можно напечатать его в Word.");

namespace
{
QString codesOf(const QString &predm, const QString &tema)
{
    return trimmed(predm) % u'\x1f' % trimmed(tema);
}
} // namespace

RunModel::RunModel(RandomGen &gen) : m_gen(gen)
{
    m_otwTek.setHeaders({QStringLiteral("Predm"), QStringLiteral("Tema"), QStringLiteral("Test"),
                         QStringLiteral("Wopr"), QStringLiteral("Otwe"), QStringLiteral("Kod_P"),
                         QStringLiteral("Nazwan")});
}

void RunModel::setTopics(const StringTable &temaTabl)
{
    m_topicNames.clear();
    for (int r = temaTabl.rowCount() - 1; r >= 1; --r) // the first of equal codes wins
        m_topicNames.insert(codesOf(temaTabl.cell(0, r), temaTabl.cell(1, r)), temaTabl.cell(2, r));
}

void RunModel::openAnswerRows()
{
    m_area = {true, false, false};
    m_rows.clear();
}

void RunModel::setProtocol(bool on, const QString &pupil)
{
    m_modes.protocol = on;
    if (on) {
        m_modes.pupil = pupil;
        m_controls.printProtocol = false;
    }
}

QString RunModel::deferredLine() const
{
    return m_deferred == 0 ? QStringLiteral("    0") : QStringLiteral("     ") + QString::number(m_deferred);
}

// ---- start and stop ----

void RunModel::begin(RunSource source, int now)
{
    m_source = source;
    m_exam = source == RunSource::Exam;
    RunControls &c = m_controls;
    c.running = true;
    c.printProtocol = c.subjectChoice = c.modeChoice = false;
    if (source == RunSource::Topic)
        c.topicChoice = false; // the other runs show each question's topic there
    c.plusSim = hints();
    c.lamps = {};
    m_startSecond = now;
    m_started = QDateTime::currentDateTime();
    // One id for the run: a repeat pass after the close reports it again, whole.
    m_resultId = newRunId(m_started);
    m_questionResults.clear();
    m_resultOfKey.clear();
    m_putOffKeys.clear();
    m_onScreen = -1;
    if (m_modes.protocol) {
        m_protocol.clear();
        m_protocolOpen = true;
    }
    m_podskazano = 0;
    c.putOff = source != RunSource::Lesson; // a controlled test is answered in its order, once
    m_deferred = 0;
    c.repeat = false;
}

void RunModel::resetCounters()
{
    m_widim.setRowCount(20);
    const bool hints = this->hints();
    m_widimShown = !hints;
    m_sootShown = hints;
    m_controls.ispravit = hints;
    m_controls.fifti = hints;
    m_controls.answer = false;
    m_ocenka = QStringLiteral("0");
    m_pointsAsked = 0;
    m_tekOcenka = QStringLiteral("0");
    m_nWopr = m_werWop = m_kWopr = m_werBal = m_wseBal = 0;
    // Nothing of the last run's question may be judged in a run without questions.
    m_typeText.clear();
    m_tekBal = QStringLiteral("0");
}

void RunModel::finishStart(std::vector<QStringList> questions, int now)
{
    m_kWopr = int(questions.size());
    m_questionsLeftMax = std::max(m_kWopr, 1);
    m_wseBal = pointsSum(questions, 6);
    m_wop.setDataRows(std::move(questions));
    m_wop.setCurrentRow(0);
    m_answerIndex.build(m_otw, &m_wop);
    m_pointsGauge = 0;
    m_soot.setHeaders({QStringLiteral("№"), QStringLiteral("Не изменяемый столбец"),
                       QStringLiteral("Строки переставить"), QStringLiteral("№")});
    m_widim.setHeaders({QStringLiteral("Не изменяемый столбец"), QStringLiteral("Строки переставить")});
    m_pointsGaugeMax = std::max(m_wseBal - 1, 0);
    m_controls.answer = true;
    m_topicClock.reset(now);
    m_topicClock.start(now);
}

void RunModel::startTopic(const BankFiles &bank, const QString &predm, const QString &tema, int now)
{
    resetCounters();
    const QString p = trimmed(predm), t = trimmed(tema);
    for (const ExamRec &e : bank.exam.readAll<ExamRec>())
        if (trimmed(e.Predm) == p && trimmed(e.Tema) == t) {
            m_wsegoWopTem = e.Woprosov;
            break;
        }
    auto rows = topicQuestionRows(bank.wopros, p, t, m_gen, 100);
    if (m_modes.random)
        orderByKeys(rows, 5);
    cutToLimit(rows, glo().LimitWopr); // after the shuffle: any question may be asked
    m_otw.setDataRows({});
    m_otw.setDataRecords(topicAnswerRecords(bank.otwet, p, t));
    finishStart(std::move(rows), now);
    nextQuestion(now);
}

void RunModel::startExam(const BankFiles &bank, int now)
{
    resetCounters();
    // The draw goes to Temp.dat, topic after topic, and is read back from
    // there. The file is made anew for every exam, so it need not wait for the disk.
    bank.temp.rewriteRecords(drawExamRecords(bank.exam, bank.wopros, m_gen), Durability::Scratch);
    std::vector<QStringList> rows;
    bank.temp.forEachRecord([&](const QByteArray &rec) {
        if (int(rows.size()) < glo().LimitWopr) // the limit is applied before the shuffle here
            rows.push_back(questionRow(WoprosRec::decode(rec), m_gen, 1000));
    });
    if (m_modes.random)
        orderByKeys(rows, 5);
    // Only the answers of the questions drawn, as the file's records in its order.
    m_otw.setDataRows({});
    m_otw.setDataRecords(questionAnswerRecords(bank.otwet, rows));
    finishStart(std::move(rows), now);
    nextQuestion(now);
}

void RunModel::startReview(const BankFiles &bank, const QStringList &keys, int now)
{
    resetCounters();
    QHash<QString, qsizetype> place;
    for (qsizetype i = keys.size() - 1; i >= 0; --i)
        place.insert(keys[i], i);
    std::vector<QStringList> picked(size_t(keys.size()));
    bank.wopros.forEachRecord([&](const QByteArray &rec) {
        const WoprosRec q = WoprosRec::decode(rec);
        const auto it = place.constFind(::questionKey(q.Predm, q.Tema, q.Test, q.Wopr));
        if (it != place.constEnd() && picked[size_t(*it)].isEmpty()) // the first of equal keys, as the editor
            picked[size_t(*it)] = questionRow(q, m_gen, 1000);
    });
    std::vector<QStringList> rows;
    for (QStringList &row : picked)
        if (!row.isEmpty()) // a question gone from the bank is not asked
            rows.push_back(std::move(row));
    cutToLimit(rows, glo().LimitWopr);
    m_otw.setDataRows({});
    m_otw.setDataRecords(questionAnswerRecords(bank.otwet, rows));
    finishStart(std::move(rows), now);
    nextQuestion(now);
}

void RunModel::startLesson(const std::vector<WoprosRec> &questions, const std::vector<OtwetRec> &options, int now)
{
    resetCounters();
    std::vector<QStringList> rows;
    for (const WoprosRec &q : questions)
        rows.push_back(questionRow(q, m_gen, 1000));
    QByteArray records;
    for (const OtwetRec &o : options)
        records += o.encode();
    m_otw.setDataRows({});
    m_otw.setDataRecords(std::move(records));
    finishStart(std::move(rows), now);
    nextQuestion(now);
}

void RunModel::backToIdle()
{
    m_controls.running = false;
    m_topicClock.stop();
    m_questionClock.stop();
    m_controls.subjectChoice = m_controls.topicChoice = m_controls.modeChoice = true;
}

void RunModel::abandonStart()
{
    backToIdle();
    m_controls.answer = false;
    m_controls.putOff = false;
}

void RunModel::stop(int now)
{
    end(now);
    emit runEnded(result());
}

void RunModel::end(int now)
{
    if (m_onScreen >= 0)
        trackLeft(now, false, 0, false);
    backToIdle();
    m_controls.answer = false;
    m_controls.putOff = false;
    m_controls.printProtocol = true;
    const int spent = now - m_startSecond;
    m_secondsSpent = spent < 0 ? spent + 86400 : spent; // across midnight
    m_timeSpent = durationText(m_secondsSpent);
    m_questionText = m_source == RunSource::Review ? reviewOutcome() : closedText;
}

QString RunModel::reviewOutcome() const
{
    int corrected = 0;
    for (const QuestionResult &q : m_questionResults)
        corrected += q.right ? 1 : 0;
    // The journal counts the answers at the end of the run, and so does the schedule.
    const QDateTime ended = m_started.addSecs(m_secondsSpent);
    return reviewOutcomeText(corrected, m_kWopr, reviewComesBack(m_questionResults, m_kWopr, ended));
}

QString RunModel::modeLine() const
{
    if (m_source == RunSource::Lesson && running())
        return QStringLiteral("Контрольная работа: вопрос %1 из %2").arg(std::min(m_nWopr, m_kWopr)).arg(m_kWopr);
    if (m_source != RunSource::Review || !(running() || m_controls.answer))
        return {};
    return reviewProgressText(std::min(m_nWopr, m_kWopr), m_kWopr);
}

void RunModel::close(int now)
{
    // The close after the last question is a stop that also empties the
    // questions-left gauge and offers the put-off questions; the answer that
    // closed the run reports it once the grades are made.
    end(now);
    m_closedNow = true;
    m_questionsLeft = 0;
    // A controlled test is answered once: no repeat of the put-off questions.
    if (m_deferred != 0 && m_source != RunSource::Lesson)
        m_controls.repeat = true;
}

bool RunModel::tick(int now)
{
    m_topicClock.tick(now);
    return m_questionClock.tick(now);
}

// ---- the question on screen ----

void RunModel::clearAnswerArea()
{
    m_widim.setRowCount(20);
    m_soot.beginUpdate();
    m_widim.beginUpdate();
    for (int r = 1; r <= 19; ++r) {
        for (int c = 0; c < 4; ++c)
            m_soot.setCell(c, r, QString());
        for (int c = 0; c < 2; ++c)
            m_widim.setCell(c, r, QString());
    }
    m_soot.endUpdate();
    m_widim.endUpdate();
    m_rows.clear();
    m_area.exact = false;
    emit answerAreaCleared();
}

void RunModel::nextQuestion(int now)
{
    const Glo &g = glo();
    emit explanationClosed();
    m_ranking = false;
    m_questionClock.reset(now);
    m_questionClock.setCountDown(true);
    clearAnswerArea();
    if (m_wop.currentRow() >= m_wop.rowCount() - 1) {
        m_questionClock.stop();
        m_notice = false;
        return;
    }
    const int row = m_wop.currentRow() + 1;
    m_wop.setCurrentRow(row);
    const QStringList q = m_wop.row(row);
    m_kolPlus = m_kolMinus = 0;
    int exactCount = 0;
    m_questionText = q.value(4);
    ++m_nWopr;

    // A reference "File#name#" in the text names an explanation file of the Foto folder.
    m_explanation.clear();
    if (const std::optional<QString> name = explanationFileName(m_questionText)) {
        m_questionText = m_questionText.left(m_questionText.indexOf(QStringLiteral("File#")));
        if (const auto path = fotoPath(g.TekPapka, *name))
            m_explanation = *path;
    }
    if (writing())
        m_protocol.emplace_back(ProtocolEntry::Kind::Question,
                                QString::number(row) + QStringLiteral(". ") + m_questionText);
    m_questionsLeft = std::clamp(m_kWopr - m_nWopr + 1, 0, m_questionsLeftMax);
    m_questionTopic = m_topicNames.value(codesOf(q.value(0), q.value(1)));
    m_questionKey = ::questionKey(q.value(0), q.value(1), q.value(2), q.value(3));
    m_tekBal = trimmed(q.value(6));

    // The options: right-column and left-column items of the grids, the
    // exact answer, the ranking mark, and a row of the answer area each.
    m_kOtw.clear();
    const QString picture = fotoPath(g.TekPapka, m_questionKey + QStringLiteral(".gif")).value_or(QString());
    const std::vector<int> &options = m_answerIndex.rowsOf(q.value(0), q.value(1), q.value(2), q.value(3));
    const int n = int(options.size());
    std::vector<QStringList> tek;
    tek.reserve(options.size());
    m_soot.beginUpdate();
    m_widim.beginUpdate();
    for (int r = 1; r <= n; ++r) {
        const QStringList opt = m_otw.row(options[size_t(r - 1)]);
        tek.push_back(opt);
        const QString code = trimmed(opt.value(5));
        if (code == u"+") {
            ++m_kolPlus;
            if (m_kolPlus < m_soot.rowCount()) {
                m_soot.setCell(3, m_kolPlus, opt.value(4));
                m_soot.setCell(2, m_kolPlus, opt.value(6));
                m_widim.setCell(1, m_kolPlus, opt.value(6));
            }
        } else if (code == u"-") {
            ++m_kolMinus;
            if (m_kolMinus < m_soot.rowCount()) {
                m_soot.setCell(0, m_kolMinus, opt.value(4));
                m_soot.setCell(1, m_kolMinus, opt.value(6));
                m_widim.setCell(0, m_kolMinus, opt.value(6));
            }
        } else if (code.contains(u'Ф')) {
            ++exactCount;
        } else if (code == u"1") {
            m_ranking = true;
        }
        // Rows up to the first ranking mark keep their tick boxes.
        m_rows.push_back({trimmed(opt.value(6)), m_ranking});
    }
    m_soot.endUpdate();
    m_widim.endUpdate();
    m_otwTek.setDataRows(std::move(tek));
    m_kOtw = QString::number(n);

    const qint64 limit = qint64(g.SekWopr) + qint64(n) * g.SekOtw;
    m_questionClock.setLimit(limit);
    m_questionClock.setCountDown(true);
    m_timeLimitText = QString::number(limit);
    if (m_ranking) {
        m_prawKody.clear();
        for (int r = 1; r <= n; ++r)
            m_prawKody << m_otwTek.cell(4, r).left(2);
    }
    m_questionClock.start(now);
    if (m_kolMinus > 0)
        m_widim.setRowCount(std::min(m_kolPlus + 1, 20));

    const bool hints = this->hints();
    RunControls &c = m_controls;
    if (m_kolPlus >= 1 && m_kolMinus >= 1) {
        m_area.grid = true;
        m_area.rows = false;
        m_area.exact = false;
        m_kPraw = QString::number(m_kolPlus);
        if (m_kolPlus == m_kolMinus) {
            m_typeText = answerTypeText(AnswerType::Matching);
            m_soot.setCell(2, 0, QStringLiteral("Строки переставить"));
            c.rowUp = c.rowDown = true;
            m_widimShown = true;
            c.revealNumber = false;
            m_sootShown = hints;
            c.ispravit = hints;
        } else {
            m_typeText = answerTypeText(AnswerType::Classification);
            m_soot.setCell(2, 0, QStringLiteral("Проставить номера справа"));
            c.ispravit = c.rowUp = c.rowDown = false;
            m_widimShown = false;
            m_sootShown = true;
            m_prawKody.clear();
            const int shownRows = std::min(m_kolPlus, m_soot.rowCount() - 1);
            for (int k = 1; k <= shownRows; ++k)
                m_prawKody << m_soot.cell(3, k).left(2);
            c.revealNumber = hints;
            for (int k = 1; k <= shownRows; ++k)
                m_soot.setCell(3, k, QStringLiteral("?"));
        }
    } else if (exactCount >= 1) {
        m_typeText = answerTypeText(AnswerType::Exact);
        m_area.exact = true;
        m_area.rows = m_area.grid = false;
        m_kPraw = QStringLiteral("1");
    } else {
        m_typeText = answerTypeText(m_ranking ? AnswerType::Ranking : AnswerType::Ticks);
        m_area.rows = true;
        m_area.exact = m_area.grid = false;
        m_kPraw = m_ranking ? m_kOtw : QString::number(m_kolPlus);
    }
    emit questionShown();

    const bool hasPicture = !picture.isEmpty() && QFileInfo::exists(picture);
    if (hasPicture)
        emit pictureOpened(picture);
    if (!m_explanation.isEmpty() && QFileInfo::exists(m_explanation))
        emit explanationOpened(m_explanation);
    m_notice = hasPicture; // the pupil is asked to close the picture's window
    trackShown(now);
}
