#include "pupillogin.h"
#include "journal.h"
#include "schema.h"
#include "schoolwrite.h"
#include "text.h"

#include <QSqlQuery>

namespace
{
QString unreachableText(const QString &why)
{
    return QStringLiteral("Сервер школы недоступен: %1.").arg(why);
}

QString secondsText(int n)
{
    static const char *const word[] = {"секунду", "секунды", "секунд"};
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word[pluralForm(n)]));
}
// Opens the journal; false after putting why in out.
template <class Out> bool opened(Journal &journal, Out &out)
{
    if (journal.open())
        return true;
    out.message = unreachableText(journal.lastReason());
    out.details = journal.lastDetails();
    return false;
}
} // namespace

// Both go through a journal of the school's PC: its connection, made for this
// call alone, is bounded by the settings' timeouts and cut if the server stops
// answering.
PupilLogin logInPupil(const JournalSettings &settings, const QString &code, const QString &host)
{
    PupilLogin out;
    Journal journal(settings);
    if (!opened(journal, out))
        return out;
    const Journal::Bounded step(journal);
    QSqlQuery q(journal.database());
    q.prepare(QStringLiteral("SELECT status, token, fio, class_name, wait_seconds FROM trivo_pc_login(?, ?)"));
    q.addBindValue(trimmed(code));
    q.addBindValue(host);
    if (!q.exec() || !q.next()) {
        out.message = unreachableText(journal.explain(q.lastError()));
        out.details = Journal::details(q.lastError());
        return out;
    }
    const QString status = q.value(0).toString();
    if (status == u"ok") {
        out.status = PupilLogin::Status::Granted;
        out.token = q.value(1).toString();
        out.fio = q.value(2).toString();
        out.className = q.value(3).toString();
    } else if (status == u"wait") {
        out.status = PupilLogin::Status::Wait;
        out.waitSeconds = qMax(1, q.value(4).toInt());
        out.message = QStringLiteral("С этого компьютера введено слишком много неверных кодов. Попробуйте снова "
                                     "через %1.")
                          .arg(secondsText(out.waitSeconds));
    } else {
        out.status = PupilLogin::Status::Unknown;
        out.message = QStringLiteral("Код не найден. Проверьте код на карточке и введите его снова.");
    }
    return out;
}

PupilResults myResults(const JournalSettings &settings, const QString &token)
{
    PupilResults out;
    Journal journal(settings);
    if (!opened(journal, out))
        return out;
    const Journal::Bounded step(journal);
    QSqlQuery q(journal.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, subject, topic, started, seconds, asked, answered, right_answers,"
                             " points_possible, points_earned, grade, practice, remarked, grade_before"
                             " FROM trivo_pc_my_results(?)"));
    q.addBindValue(token);
    if (!q.exec()) {
        out.details = Journal::details(q.lastError());
        if (pupilSessionRefused(q.lastError())) {
            out.expired = true;
            out.message = QStringLiteral("Вход ученика устарел: войдите снова со своим кодом.");
        } else {
            out.message = unreachableText(journal.explain(q.lastError()));
        }
        return out;
    }
    while (q.next()) {
        OwnRun r;
        r.id = q.value(0).toString();
        r.subject = q.value(1).toString();
        r.topic = q.value(2).toString();
        r.started = timeFromStored(q.value(3));
        r.seconds = q.value(4).toInt();
        r.asked = q.value(5).toInt();
        r.answered = q.value(6).toInt();
        r.right = q.value(7).toInt();
        r.pointsPossible = q.value(8).toInt();
        r.pointsEarned = q.value(9).toInt();
        r.grade = q.value(10).toString();
        r.practice = q.value(11).toBool();
        r.remarked = timeFromStored(q.value(12));
        r.gradeBefore = q.value(13).toString();
        out.runs.push_back(std::move(r));
    }
    out.read = true;
    return out;
}
