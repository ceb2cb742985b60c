#include "schoolwrite.h"
#include "resultcodec.h"
#include "scoreline.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QVariant>

namespace
{
// A result as the school's server takes it: what the outbox keeps, with the
// line of its questions' scores that the journal keeps beside it.
QByteArray schoolPayload(const RunResult &r)
{
    QJsonObject o = QJsonDocument::fromJson(encodeResult(r)).object();
    o.insert(QStringLiteral("scores"), questionScores(r));
    o.remove(QStringLiteral("session")); // the token goes beside the run, never inside what is kept
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
} // namespace

QSqlError schoolServerReady(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT to_regprocedure('trivo_pc_record(text, jsonb)') IS NOT NULL")) || !q.next())
        return q.lastError();
    if (!q.value(0).toBool())
        return QSqlError(QStringLiteral("на сервере нет функций для компьютеров учеников (сервер школы не настроен)"),
                         {}, QSqlError::UnknownError);
    return {};
}

bool pupilSessionRefused(const QSqlError &e)
{
    return e.nativeErrorCode() == QLatin1String("28000");
}

// A run to a transaction: the server locks the pupil's memory for the run,
// and a transaction of one run never holds a pupil while it waits for another.
QSqlError writeToSchool(const QSqlDatabase &db, const std::vector<const RunResult *> &results)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT trivo_pc_record(?, CAST(? AS jsonb))"));
    for (const RunResult *r : results) {
        const QString payload = QString::fromUtf8(schoolPayload(*r));
        q.bindValue(0, r->session.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(r->session));
        q.bindValue(1, payload);
        if (q.exec())
            continue;
        // A log-in the server no longer knows (too old, its account gone)
        // must not keep the run waiting for ever: it is kept as a run of a
        // shared account, by the name it carries.
        if (!r->session.isEmpty() && pupilSessionRefused(q.lastError())) {
            q.bindValue(0, QVariant(QMetaType::fromType<QString>()));
            q.bindValue(1, payload);
            if (q.exec())
                continue;
        }
        return q.lastError();
    }
    return {};
}
