#include "resultcodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray encodeResult(const RunResult &r)
{
    QJsonArray questions;
    for (const QuestionResult &q : r.questions)
        questions.append(QJsonObject{{"key", q.key},
                                     {"topic", q.topic},
                                     {"answerType", q.answerType},
                                     {"pointsPossible", q.pointsPossible},
                                     {"pointsEarned", q.pointsEarned},
                                     {"answered", q.answered},
                                     {"right", q.right},
                                     {"hints", q.hints},
                                     {"seconds", q.seconds},
                                     {"textHash", q.textHash},
                                     {"text", q.text},
                                     {"given", q.given},
                                     {"rightAnswer", q.rightAnswer}});
    const QJsonObject o{{"id", r.id},
                        {"pupil", r.pupil},
                        {"className", r.className},
                        {"userCode", r.userCode},
                        {"access", r.access},
                        {"host", r.host},
                        {"subject", r.subject},
                        {"topic", r.topic},
                        {"started", r.started.toString(Qt::ISODateWithMs)},
                        {"seconds", r.seconds},
                        {"prompting", r.prompting},
                        {"randomOrder", r.randomOrder},
                        {"protocol", r.protocol},
                        {"exam", r.exam},
                        {"asked", r.asked},
                        {"answered", r.answered},
                        {"right", r.right},
                        {"putOff", r.putOff},
                        {"pointsPossible", r.pointsPossible},
                        {"pointsEarned", r.pointsEarned},
                        {"grade", r.grade},
                        {"runningGrade", r.runningGrade},
                        {"hints", r.hints},
                        {"practice", r.practice},
                        {"session", r.session},
                        {"questions", questions}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<RunResult> decodeResult(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    RunResult r;
    r.id = o.value("id").toString();
    if (r.id.isEmpty())
        return std::nullopt;
    r.pupil = o.value("pupil").toString();
    r.className = o.value("className").toString();
    r.userCode = o.value("userCode").toString();
    r.access = o.value("access").toString();
    r.host = o.value("host").toString();
    r.subject = o.value("subject").toString();
    r.topic = o.value("topic").toString();
    r.started = QDateTime::fromString(o.value("started").toString(), Qt::ISODateWithMs);
    r.seconds = o.value("seconds").toInt();
    r.prompting = o.value("prompting").toBool();
    r.randomOrder = o.value("randomOrder").toBool();
    r.protocol = o.value("protocol").toBool();
    r.exam = o.value("exam").toBool();
    r.asked = o.value("asked").toInt();
    r.answered = o.value("answered").toInt();
    r.right = o.value("right").toInt();
    r.putOff = o.value("putOff").toInt();
    r.pointsPossible = o.value("pointsPossible").toInt();
    r.pointsEarned = o.value("pointsEarned").toInt();
    r.grade = o.value("grade").toString();
    r.runningGrade = o.value("runningGrade").toString();
    r.hints = o.value("hints").toInt();
    // A result put in the outbox by a version that did not mark practice
    // tells it by the topic that version kept its runs of mistakes under, as
    // the journal's own rows of that time were told when the mark came.
    const QJsonValue practice = o.value("practice");
    r.practice = practice.isUndefined() ? r.topic == QStringLiteral("Работа над ошибками") : practice.toBool();
    r.session = o.value("session").toString();
    for (const QJsonValue &v : o.value("questions").toArray()) {
        const QJsonObject q = v.toObject();
        QuestionResult qr;
        qr.key = q.value("key").toString();
        qr.topic = q.value("topic").toString();
        qr.answerType = q.value("answerType").toString();
        qr.pointsPossible = q.value("pointsPossible").toInt();
        qr.pointsEarned = q.value("pointsEarned").toInt();
        qr.answered = q.value("answered").toBool();
        qr.right = q.value("right").toBool();
        qr.hints = q.value("hints").toInt();
        qr.seconds = q.value("seconds").toInt();
        qr.textHash = q.value("textHash").toString();
        qr.text = q.value("text").toString();
        qr.given = q.value("given").toString();
        qr.rightAnswer = q.value("rightAnswer").toString();
        r.questions.push_back(std::move(qr));
    }
    return r;
}
