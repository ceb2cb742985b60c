#include "schoolschema.h"

// What a PC tells the teacher's «Класс сейчас»: its row of pc_status, kept
// by the server's clock and announced on the channel trivo_class with the
// PC's name, so that the teacher's view reads that one row.
//
// A PC is known only by the name it gives, so the server decides whose row
// it may write:
// - with a pupil's log-in (the token), the row of the PC the pupil logged in
//   from, with the pupil, the class and the account of that log-in; a token
//   with another PC's name is refused;
// - without one, a row that names no pupil, and only while no pupil's log-in
//   holds it: a row that names a pupil whose log-in on that PC is fresh, and
//   that was seen within two minutes, is left alone. A PC whose pupil left
//   says so with the pupil's token ("leaving"), and is free at once; a
//   pupil's leaving clears only a row that names that pupil.
// Nothing but the row is written: no lesson, no answers, no log-in.

namespace
{
const char *statusFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_status(token text, host text, status jsonb)
RETURNS void LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    v_host text := left(btrim(COALESCE(trivo_pc_status.host, '')), 100);
    v_account bigint;
    v_session_host text;
    v_pupil text := '';
    v_class text := '';
    v_state text := COALESCE(status->>'state', '');
    v_seconds integer;
    v_said timestamp;
    v_kept pc_status%ROWTYPE;
BEGIN
    IF v_host = '' THEN
        RAISE EXCEPTION 'a status without the PC''s name' USING ERRCODE = '22023';
    END IF;
    IF status IS NULL OR jsonb_typeof(status) <> 'object' THEN
        RAISE EXCEPTION 'a status is not an object' USING ERRCODE = '22023';
    END IF;
    IF v_state NOT IN ('', 'running', 'finished') THEN
        v_state := '';
    END IF;
    IF COALESCE(trivo_pc_status.token, '') <> '' THEN
        SELECT s.account_id, s.host, s.fio, s.class_name INTO v_account, v_session_host, v_pupil, v_class
            FROM trivo_pupil_session(trivo_pc_status.token, interval '12 hours') s;
        IF v_session_host IS DISTINCT FROM v_host THEN
            RAISE EXCEPTION 'the log-in belongs to another PC' USING ERRCODE = '42501';
        END IF;
        IF COALESCE((status->>'leaving')::boolean, false) THEN
            -- Only the pupil the row names leaves it: another one may be at the PC by now.
            IF NOT EXISTS (SELECT 1 FROM pc_status p WHERE p.host = v_host AND p.account_id = v_account) THEN
                RETURN;
            END IF;
            v_account := NULL; v_pupil := ''; v_class := ''; v_state := '';
        END IF;
    ELSE
        -- Two PCs giving one name take turns here, so the check holds until the write.
        PERFORM pg_advisory_xact_lock(7406233, hashtext(v_host));
        SELECT * INTO v_kept FROM pc_status p WHERE p.host = v_host;
        IF FOUND AND v_kept.account_id IS NOT NULL AND v_kept.seen > LOCALTIMESTAMP - interval '2 minutes'
           AND EXISTS (SELECT 1 FROM sessions s WHERE s.account_id = v_kept.account_id AND s.host = v_host
                       AND s.started > LOCALTIMESTAMP - interval '12 hours') THEN
            RAISE EXCEPTION 'a pupil is logged in on this PC' USING ERRCODE = '42501';
        END IF;
    END IF;
    IF jsonb_typeof(status->'secondsLeft') = 'number' THEN
        v_seconds := LEAST(GREATEST((status->>'secondsLeft')::numeric, 0), 864000)::integer;
    END IF;
    BEGIN
        v_said := (status->>'said')::timestamp;
    EXCEPTION WHEN others THEN
        v_said := NULL;
    END;
    INSERT INTO pc_status AS p (host, account_id, pupil, class_name, subject, topic, state, question, questions,
                                points, points_possible, seconds_left, grade, said, seen)
    VALUES (v_host, v_account, v_pupil, v_class,
            left(COALESCE(status->>'subject', ''), 200), left(COALESCE(status->>'topic', ''), 200), v_state,
            trivo_pupil_count(status->'question'), trivo_pupil_count(status->'questions'),
            trivo_pupil_count(status->'points'), trivo_pupil_count(status->'pointsPossible'), v_seconds,
            left(COALESCE(status->>'grade', ''), 20), COALESCE(v_said, LOCALTIMESTAMP(3)), LOCALTIMESTAMP(3))
    ON CONFLICT ON CONSTRAINT pc_status_pkey DO UPDATE SET account_id = excluded.account_id, pupil = excluded.pupil,
        class_name = excluded.class_name, subject = excluded.subject, topic = excluded.topic, state = excluded.state,
        question = excluded.question, questions = excluded.questions, points = excluded.points,
        points_possible = excluded.points_possible, seconds_left = excluded.seconds_left, grade = excluded.grade,
        said = excluded.said, seen = excluded.seen;
    PERFORM pg_notify('trivo_class', v_host);
END
$fn$)SQL";

// A count a PC reports: a whole number from 0 to a million, else 0.
const char *countFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pupil_count(v jsonb) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE SET search_path = public, pg_temp AS $fn$
    SELECT CASE WHEN jsonb_typeof(v) = 'number' THEN LEAST(GREATEST(v::text::numeric, 0), 1000000)::integer
                ELSE 0 END
$fn$)SQL";
} // namespace

QStringList liveFunctions()
{
    QStringList out;
    for (const char *sql : {countFunction, statusFunction})
        out << QString::fromUtf8(sql).trimmed();
    return out;
}
