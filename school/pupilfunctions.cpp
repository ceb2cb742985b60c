#include "schoolschema.h"

// What a pupil's PC may do for its pupil: log in with the pupil's code,
// record a finished run, and, while the log-in is fresh, read the pupil's own
// runs and questions to repeat. A log-in is a session row whose token the PC
// keeps; it vouches for the pupil for 14 days when recording (a run may wait
// in the PC's outbox for days) and for 12 hours when reading (a PC left
// logged in shows nothing to the next pupil the day after).
//
// Recording does on the server what the journal's own writing does on a
// teacher's PC (resultwrite.cpp, questionmemory.cpp): the run and its
// questions, the pupils table, and each answered question's memory made anew
// from all the pupil's answers to it in the subject, with the same
// scheduling (review.cpp) step for step, so that both make the same rows.
//
// Helpers whose names do not begin with trivo_pc_ run only inside these
// functions: the PCs' role may not call them itself.

namespace
{
// Names folded as the journal folds them (QString::toCaseFolded): by the
// Unicode rules when the server knows them, whatever the database's locale.
const char *foldFunction = R"SQL(
DO $do$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_collation WHERE collname = 'und-x-icu') THEN
        EXECUTE $f$CREATE OR REPLACE FUNCTION trivo_pupil_fold(t text) RETURNS text
            LANGUAGE sql IMMUTABLE PARALLEL SAFE SET search_path = public, pg_temp
            AS 'SELECT lower(t COLLATE "und-x-icu")'$f$;
    ELSE
        EXECUTE $f$CREATE OR REPLACE FUNCTION trivo_pupil_fold(t text) RETURNS text
            LANGUAGE sql IMMUTABLE PARALLEL SAFE SET search_path = public, pg_temp
            AS 'SELECT lower(t)'$f$;
    END IF;
END
$do$)SQL";

// The memory of these questions of the pupil in the subject, made anew from
// every answer the journal keeps (the answers before the pupil's reset do not
// count), replayed in the order the runs started: FSRS-4.5 with the same
// parameters and rules as review.cpp's afterAnswer and replayAnswers.
// A question whose every answer fell before the reset keeps the row it has.
const char *memoryFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pupil_memory(p_folded text, p_subject text, p_keys text[])
RETURNS void LANGUAGE plpgsql VOLATILE SET search_path = public, pg_temp AS $fn$
DECLARE
    -- FSRS-4.5's defaults; w[i + 1] is the formulas' w_i.
    w CONSTANT float8[] := ARRAY[0.4872, 1.4003, 3.7145, 13.8206, 5.1618, 1.2298, 0.8975, 0.031, 1.6474,
                                 0.1367, 1.0461, 2.1072, 0.0793, 0.3246, 1.587, 0.2272, 2.8755]::float8[];
    factor CONSTANT float8 := 19::float8 / 81::float8;
    max_interval CONSTANT integer := 36500;
    a record;
    cur text := NULL;
    -- the memory of the question replayed so far
    m_stab float8; m_diff float8; m_right integer; m_wrong integer; m_last_right boolean;
    m_interval integer; m_last timestamp; m_due timestamp; m_hash text; m_pupil text; m_topic text;
    v_at timestamp; v_t float8; v_r float8; v_grade integer; v_d0 float8; v_least integer; v_days float8;
    -- the rows to keep, a column each
    k_key text[] := '{}'; k_pupil text[] := '{}'; k_hash text[] := '{}'; k_stab float8[] := '{}';
    k_diff float8[] := '{}'; k_interval integer[] := '{}'; k_due timestamp[] := '{}'; k_last timestamp[] := '{}';
    k_right integer[] := '{}'; k_wrong integer[] := '{}'; k_topic text[] := '{}'; k_last_right boolean[] := '{}';
BEGIN
    -- The answers, a question after another, and one row more that closes the last.
    FOR a IN
        SELECT * FROM (
            SELECT rq.question_key AS key, rq.text_hash AS hash, rq.is_right AS is_right, rq.hints AS hints,
                   r.started AS started, r.seconds AS seconds, r.pupil AS pupil, rq.topic AS topic,
                   r.id AS rid, rq.position AS pos
            FROM results r JOIN result_questions rq ON rq.result_id = r.id
            WHERE r.pupil_folded = p_folded AND r.subject = p_subject AND rq.answered
              AND rq.question_key = ANY (p_keys) AND r.started IS NOT NULL
              AND NOT EXISTS (SELECT 1 FROM schedule_resets s
                              WHERE s.pupil_folded = r.pupil_folded AND r.started < s.reset_at)
            UNION ALL
            SELECT NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) AS answers
        ORDER BY key NULLS LAST, started, rid, pos
    LOOP
        IF a.key IS NULL OR cur IS DISTINCT FROM a.key THEN
            IF cur IS NOT NULL THEN
                k_key := k_key || cur; k_pupil := k_pupil || m_pupil; k_hash := k_hash || m_hash;
                k_stab := k_stab || m_stab; k_diff := k_diff || m_diff; k_interval := k_interval || m_interval;
                k_due := k_due || m_due; k_last := k_last || m_last; k_right := k_right || m_right;
                k_wrong := k_wrong || m_wrong; k_topic := k_topic || m_topic;
                k_last_right := k_last_right || m_last_right;
            END IF;
            EXIT WHEN a.key IS NULL;
            cur := a.key;
            m_stab := 0; m_diff := 0; m_right := 0; m_wrong := 0; m_last_right := false; m_interval := 0;
            m_last := NULL; m_due := NULL; m_hash := ''; m_topic := '';
        END IF;
        m_pupil := a.pupil;
        IF a.topic <> '' THEN
            m_topic := a.topic;
        END IF;
        -- The answer counts at the end of its run.
        v_at := a.started + make_interval(secs => a.seconds);
        -- A question whose text changed starts afresh at the answer to the new text.
        IF a.hash <> '' AND m_hash <> '' AND a.hash <> m_hash THEN
            m_stab := 0; m_diff := 0; m_right := 0; m_wrong := 0; m_last_right := false; m_interval := 0;
            m_last := NULL; m_due := NULL; m_hash := '';
        END IF;
        IF a.hash <> '' THEN
            m_hash := a.hash;
        END IF;
        v_grade := CASE WHEN NOT a.is_right THEN 1 WHEN a.hints > 0 THEN 2 ELSE 3 END;
        m_last_right := a.is_right;
        v_t := 0;
        IF m_due IS NULL THEN
            IF a.is_right THEN -- nothing to repeat yet
                m_right := m_right + 1;
                m_last := v_at;
                CONTINUE;
            END IF;
            m_stab := w[1];
            m_diff := GREATEST(1::float8, LEAST(10::float8, w[5] - (1 - 3) * w[6]));
        ELSE
            -- Days since the last answer, with their fraction; none when the clock went back.
            IF m_last IS NOT NULL THEN
                v_t := GREATEST(0::float8, extract(epoch FROM v_at - m_last)::float8) / 86400::float8;
            END IF;
            v_r := power(1 + factor * v_t / m_stab, -0.5::float8);
            IF a.is_right THEN
                m_stab := m_stab * (1 + exp(w[9]) * (11 - m_diff) * power(m_stab, -w[10])
                                        * (exp((1 - v_r) * w[11]) - 1)
                                        * CASE WHEN v_grade = 2 THEN w[16] ELSE 1::float8 END);
            ELSE
                m_stab := w[12] * power(m_diff, -w[13]) * (power(m_stab + 1, w[14]) - 1) * exp((1 - v_r) * w[15]);
            END IF;
            v_d0 := GREATEST(1::float8, LEAST(10::float8, w[5] - (3 - 3) * w[6]));
            m_diff := GREATEST(1::float8, LEAST(10::float8, w[8] * v_d0 + (1 - w[8]) * (m_diff - w[7] * (v_grade - 3))));
        END IF;
        IF a.is_right THEN
            m_right := m_right + 1;
            -- Longer than the interval before once a day or more has passed; the
            -- stability rounded half away from zero.
            v_least := CASE WHEN v_t < 1 THEN m_interval ELSE m_interval + 1 END;
            v_days := CASE WHEN m_stab - floor(m_stab) >= 0.5 THEN ceil(m_stab) ELSE floor(m_stab) END;
            m_interval := GREATEST(1, LEAST(max_interval::float8, GREATEST(v_days, v_least::float8)))::integer;
        ELSE
            m_wrong := m_wrong + 1;
            m_interval := 1;
        END IF;
        m_last := v_at;
        m_due := v_at + make_interval(days => m_interval);
    END LOOP;
    INSERT INTO question_memory (pupil_folded, pupil, subject, question_key, text_hash, stability, difficulty,
                                 interval_days, due, last_answer, right_count, wrong_count, topic, last_right)
    SELECT p_folded, u.pupil, p_subject, u.key, u.hash, u.stab, u.diff, u.ivl, u.due, u.last, u.n_right,
           u.n_wrong, u.topic, u.last_right
    FROM unnest(k_key, k_pupil, k_hash, k_stab, k_diff, k_interval, k_due, k_last, k_right, k_wrong, k_topic,
                k_last_right) AS u(key, pupil, hash, stab, diff, ivl, due, last, n_right, n_wrong, topic, last_right)
    ON CONFLICT (pupil_folded, subject, question_key) DO UPDATE SET pupil = excluded.pupil,
        text_hash = excluded.text_hash, stability = excluded.stability, difficulty = excluded.difficulty,
        interval_days = excluded.interval_days, due = excluded.due, last_answer = excluded.last_answer,
        right_count = excluded.right_count, wrong_count = excluded.wrong_count,
        topic = CASE WHEN excluded.topic <> '' THEN excluded.topic ELSE question_memory.topic END,
        last_right = excluded.last_right;
END
$fn$)SQL";

// The account a token stands for, while its log-in is younger than fresh;
// a token never given or too old is refused, with a code of its own so
// that the PC can tell it from a failure of the server.
const char *sessionFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pupil_session(p_token text, p_fresh interval)
RETURNS TABLE (account_id bigint, host text, fio text, class_name text)
LANGUAGE plpgsql STABLE SET search_path = public, pg_temp AS $fn$
BEGIN
    RETURN QUERY SELECT s.account_id, s.host, a.fio, a.class_name
        FROM sessions s JOIN accounts a ON a.id = s.account_id
        WHERE s.token = p_token AND s.started > LOCALTIMESTAMP - p_fresh;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'unknown or expired pupil session' USING ERRCODE = '28000';
    END IF;
END
$fn$)SQL";

// A pupil's code: a new session on a right one; a wrong one is kept, and a
// PC that gave five wrong codes within a minute waits, its code not even
// looked at, until the fifth latest of them is a minute old. Wrong codes
// older than a day are forgotten as it goes, and log-ins older than 14 days.
// The PC is known by its address and the name it gives; the attempts of one
// PC take turns.
const char *loginFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_login(code text, host text)
RETURNS TABLE (status text, token text, fio text, class_name text, wait_seconds integer)
LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    v_client text := COALESCE(pg_catalog.host(inet_client_addr()), 'local') || '/'
                     || left(COALESCE(trivo_pc_login.host, ''), 100);
    v_fifth timestamp;
    v_account accounts%ROWTYPE;
    v_token text;
BEGIN
    PERFORM pg_advisory_xact_lock(7406232, hashtext(v_client));
    DELETE FROM login_attempts l WHERE l.at < LOCALTIMESTAMP - interval '1 day';
    SELECT l.at INTO v_fifth FROM login_attempts l
        WHERE l.client = v_client AND l.at > LOCALTIMESTAMP - interval '1 minute'
        ORDER BY l.at DESC OFFSET 4 LIMIT 1;
    IF FOUND THEN
        RETURN QUERY SELECT 'wait'::text, NULL::text, NULL::text, NULL::text,
            GREATEST(1, ceil(extract(epoch FROM v_fifth + interval '1 minute' - LOCALTIMESTAMP)))::integer;
        RETURN;
    END IF;
    SELECT * INTO v_account FROM accounts a WHERE a.code = btrim(trivo_pc_login.code) AND a.active;
    IF NOT FOUND THEN
        INSERT INTO login_attempts (client, at) VALUES (v_client, LOCALTIMESTAMP);
        RETURN QUERY SELECT 'unknown'::text, NULL::text, NULL::text, NULL::text, 0;
        RETURN;
    END IF;
    -- A log-in older than any use of it (a run waits in an outbox 14 days at most) goes.
    DELETE FROM sessions s WHERE s.started < LOCALTIMESTAMP - interval '14 days';
    v_token := replace(gen_random_uuid()::text || gen_random_uuid()::text, '-', '');
    INSERT INTO sessions (token, account_id, host)
        VALUES (v_token, v_account.id, left(COALESCE(trivo_pc_login.host, ''), 100));
    RETURN QUERY SELECT 'ok'::text, v_token, v_account.fio, v_account.class_name, 0;
END
$fn$)SQL";

// A finished run, as the PC's journal encodes it (with its "scores" line).
// With a token, the pupil, the class and the PC are the log-in's, whatever
// the run says; without one, it is a run of a shared account, as it names
// itself. The id is the key: a run kept already is 'known', unless this is a
// longer report of it (a repeat pass after the close), which takes the place
// of the one kept, not of one a teacher marked again, nor of another
// account's run. The time is kept as the journal keeps it: local, whole seconds.
const char *recordFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_record_run(token text, run jsonb)
RETURNS text LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    v_id text := run->>'id';
    v_account bigint;
    v_pupil text := COALESCE(run->>'pupil', '');
    v_class text := COALESCE(run->>'className', '');
    v_host text := COALESCE(run->>'host', '');
    v_subject text := COALESCE(run->>'subject', '');
    v_seconds integer := COALESCE((run->>'seconds')::integer, 0);
    v_moment text := NULLIF(run->>'started', '');
    v_started timestamp;
    v_folded text;
    v_kept integer;
    v_keys text[];
BEGIN
    IF v_id IS NULL OR btrim(v_id) = '' THEN
        RAISE EXCEPTION 'a run without an id' USING ERRCODE = '22023';
    END IF;
    IF jsonb_typeof(COALESCE(run->'questions', '[]'::jsonb)) <> 'array' THEN
        RAISE EXCEPTION 'the questions of a run are not a list' USING ERRCODE = '22023';
    END IF;
    IF COALESCE(trivo_record_run.token, '') <> '' THEN
        SELECT s.account_id, s.host, s.fio, s.class_name INTO v_account, v_host, v_pupil, v_class
            FROM trivo_pupil_session(trivo_record_run.token, interval '14 days') s;
    END IF;
    -- A moment with its offset is taken to the server's local time; one without is local already.
    IF v_moment ~ '(Z|[+-][0-9]{2}(:?[0-9]{2})?)$' AND v_moment ~ 'T' THEN
        v_started := date_trunc('second', v_moment::timestamptz::timestamp);
    ELSE
        v_started := date_trunc('second', v_moment::timestamp);
    END IF;
    v_folded := trivo_pupil_fold(v_pupil);

    SELECT r.seconds INTO v_kept FROM results r WHERE r.id = v_id;
    IF FOUND THEN
        IF v_kept > v_seconds THEN
            RETURN 'known';
        END IF;
        DELETE FROM results r WHERE r.id = v_id AND r.seconds <= v_seconds AND r.remarked IS NULL
            AND r.account_id IS NOT DISTINCT FROM v_account;
        IF NOT FOUND THEN
            RETURN 'known';
        END IF;
        DELETE FROM result_questions rq WHERE rq.result_id = v_id;
    END IF;
    INSERT INTO results (id, pupil, pupil_folded, user_code, access, host, subject, topic, started, seconds,
                         prompting, random_order, protocol, exam, asked, answered, right_answers, put_off,
                         points_possible, points_earned, grade, running_grade, hints, class_name, scores,
                         practice, account_id)
    VALUES (v_id, v_pupil, v_folded, COALESCE(run->>'userCode', ''), COALESCE(run->>'access', ''), v_host,
            v_subject, COALESCE(run->>'topic', ''), v_started, v_seconds,
            COALESCE((run->>'prompting')::boolean, false), COALESCE((run->>'randomOrder')::boolean, false),
            COALESCE((run->>'protocol')::boolean, false), COALESCE((run->>'exam')::boolean, false),
            COALESCE((run->>'asked')::integer, 0), COALESCE((run->>'answered')::integer, 0),
            COALESCE((run->>'right')::integer, 0), COALESCE((run->>'putOff')::integer, 0),
            COALESCE((run->>'pointsPossible')::integer, 0), COALESCE((run->>'pointsEarned')::integer, 0),
            COALESCE(run->>'grade', ''), COALESCE(run->>'runningGrade', ''), COALESCE((run->>'hints')::integer, 0),
            v_class, COALESCE(run->>'scores', ''), COALESCE((run->>'practice')::boolean, false), v_account)
    ON CONFLICT (id) DO NOTHING;
    IF NOT FOUND THEN
        RETURN 'known'; -- another PC sent it meanwhile
    END IF;
    INSERT INTO result_questions (result_id, position, question_key, answer_type, points_possible, points_earned,
                                  answered, is_right, hints, seconds, text_hash, question_text, given,
                                  right_answer, topic)
    SELECT v_id, q.n, COALESCE(q.e->>'key', ''), COALESCE(q.e->>'answerType', ''),
           COALESCE((q.e->>'pointsPossible')::integer, 0), COALESCE((q.e->>'pointsEarned')::integer, 0),
           COALESCE((q.e->>'answered')::boolean, false), COALESCE((q.e->>'right')::boolean, false),
           COALESCE((q.e->>'hints')::integer, 0), COALESCE((q.e->>'seconds')::integer, 0),
           COALESCE(q.e->>'textHash', ''), COALESCE(q.e->>'text', ''), COALESCE(q.e->>'given', ''),
           COALESCE(q.e->>'rightAnswer', ''), COALESCE(q.e->>'topic', '')
    FROM jsonb_array_elements(COALESCE(run->'questions', '[]'::jsonb)) WITH ORDINALITY AS q(e, n)
    ON CONFLICT DO NOTHING;

    IF v_pupil <> '' THEN
        -- Two PCs writing for one pupil take turns: each sees the other's answers.
        PERFORM pg_advisory_xact_lock(7406231, hashtext(v_folded));
        SELECT array_agg(DISTINCT q.e->>'key') INTO v_keys
            FROM jsonb_array_elements(COALESCE(run->'questions', '[]'::jsonb)) AS q(e)
            WHERE COALESCE((q.e->>'answered')::boolean, false);
        IF v_keys IS NOT NULL THEN
            PERFORM trivo_pupil_memory(v_folded, v_subject, v_keys);
        END IF;
    END IF;
    -- The pupil's row: the name and class of the latest run.
    INSERT INTO pupils (pupil_folded, pupil, class_name, last_started, last_id)
    VALUES (v_folded, v_pupil, v_class, v_started, v_id)
    ON CONFLICT (pupil_folded) DO UPDATE SET pupil = excluded.pupil, last_started = excluded.last_started,
        last_id = excluded.last_id,
        class_name = CASE WHEN excluded.class_name <> '' THEN excluded.class_name ELSE pupils.class_name END
    WHERE pupils.last_started IS NULL OR excluded.last_started > pupils.last_started
       OR (excluded.last_started = pupils.last_started AND excluded.last_id >= pupils.last_id);
    RETURN 'kept';
END
$fn$)SQL";

// What a PC calls: any run but a controlled test's, whose result only the
// server writes (its id begins with eight zeros, which no run's id of a PC's
// does: theirs begin with the moment they started).
const char *pcRecordFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_record(token text, run jsonb)
RETURNS text LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
BEGIN
    IF COALESCE(run->>'id', '') LIKE '00000000%' THEN
        RAISE EXCEPTION 'a controlled test''s result is kept by the server alone' USING ERRCODE = '42501';
    END IF;
    RETURN trivo_record_run(trivo_pc_record.token, trivo_pc_record.run);
END
$fn$)SQL";

// The pupil's own runs, newest first: only those recorded with a log-in of
// the pupil's account.
const char *resultsFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_my_results(token text)
RETURNS TABLE (id text, subject text, topic text, started timestamp, seconds integer, asked integer,
               answered integer, right_answers integer, points_possible integer, points_earned integer,
               grade text, practice boolean, remarked timestamp, grade_before text)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    v_account bigint;
BEGIN
    SELECT s.account_id INTO v_account FROM trivo_pupil_session(trivo_pc_my_results.token, interval '12 hours') s;
    RETURN QUERY SELECT r.id, r.subject, r.topic, r.started::timestamp, r.seconds, r.asked, r.answered,
                        r.right_answers, r.points_possible, r.points_earned, r.grade, r.practice,
                        r.remarked::timestamp, r.grade_before
        FROM results r WHERE r.account_id = v_account
        ORDER BY r.started DESC NULLS LAST, r.id DESC;
END
$fn$)SQL";

// The pupil's memory of the subject's questions that are to be repeated,
// soonest due first, as the journal lists them for a run of mistakes.
const char *scheduleFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_my_schedule(token text, subject text)
RETURNS TABLE (question_key text, text_hash text, due timestamp, topic text, stability float8,
               difficulty float8, interval_days integer, right_count integer, wrong_count integer,
               last_answer timestamp, last_right boolean)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    v_folded text;
BEGIN
    SELECT trivo_pupil_fold(s.fio) INTO v_folded
        FROM trivo_pupil_session(trivo_pc_my_schedule.token, interval '12 hours') s;
    RETURN QUERY SELECT m.question_key, m.text_hash, m.due::timestamp, m.topic, m.stability::float8,
                        m.difficulty::float8, m.interval_days, m.right_count, m.wrong_count,
                        m.last_answer::timestamp, m.last_right
        FROM question_memory m
        WHERE m.pupil_folded = v_folded AND m.subject = trivo_pc_my_schedule.subject AND m.due IS NOT NULL
        ORDER BY m.due, m.question_key;
END
$fn$)SQL";
} // namespace

QStringList pupilFunctions()
{
    QStringList out;
    for (const char *sql : {foldFunction, memoryFunction, sessionFunction, loginFunction, recordFunction,
                            pcRecordFunction, resultsFunction, scheduleFunction})
        out << QString::fromUtf8(sql).trimmed();
    return out;
}
