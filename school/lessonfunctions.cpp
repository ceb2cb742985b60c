#include "schoolschema.h"

// A controlled test as a pupil's PC takes it: the test running now for the
// pupil's class, its questions as a PC may see them (never their keys), each
// answer judged here by trivo_judge against lesson_keys and kept once, and the
// pupil's total and grade at the end.
//
// The server keeps the time. A pupil's test ends at the earliest of: its end
// plus the extra seconds the teacher gave that pupil, the moment the teacher
// ended it for everyone, the moment the pupil finished. An answer that comes
// later is refused, with one allowance: a PC that lost the network keeps its
// answers and sends them when the server is back, so an answer given before
// the end (by the PC's clock, which the PC has set to the server's) is still
// taken when it arrives within a minute after it. A PC whose clock lies can
// gain that minute and no more.
//
// After an answer the PC shows what a run without hints shows: the points.
// The right answer is kept for the teacher and never sent back while the
// pupils of the class may still be answering the same questions.
//
// Helpers whose names do not begin with trivo_pc_ run only inside these
// functions: neither the PCs' role nor the teachers' may call them.

namespace
{
// When the pupil's test ends, on the server's clock.
const char *endFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_lesson_end(p_lesson bigint, p_account bigint)
RETURNS timestamp LANGUAGE sql STABLE SET search_path = public, pg_temp AS $$
    SELECT LEAST(l.ends + make_interval(secs => COALESCE(t.extra_seconds, 0)), l.ended_early, t.finished)
    FROM lessons l LEFT JOIN lesson_time t ON t.lesson_id = l.id AND t.account_id = p_account
    WHERE l.id = p_lesson
$$)SQL";

// The account of the session, when the test is its class's; the same refusal
// for a test that does not exist and for another class's, so that a PC
// learns nothing of the other classes' tests.
const char *pupilFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_lesson_pupil(p_token text, p_lesson bigint)
RETURNS bigint LANGUAGE plpgsql STABLE SET search_path = public, pg_temp AS $fn$
DECLARE
    v_account bigint;
    v_class text;
BEGIN
    SELECT s.account_id, s.class_name INTO v_account, v_class FROM trivo_pupil_session(p_token, interval '12 hours') s;
    IF NOT EXISTS (SELECT 1 FROM lessons l WHERE l.id = p_lesson AND l.class_name = v_class) THEN
        RAISE EXCEPTION 'no such test for this pupil''s class' USING ERRCODE = '42501';
    END IF;
    RETURN v_account;
END
$fn$)SQL";

// The grade of earned points of possible by the teacher's bounds, as
// BalliOcenka gives it: the last of [0,t3] "2", [t3,t4] "3", [t4,t5] "4",
// [t5,100] "5" that holds the percentage; none without points to earn.
const char *gradeFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_lesson_grade(p_earned integer, p_possible integer, t3 integer, t4 integer,
                                              t5 integer)
RETURNS text LANGUAGE sql IMMUTABLE SET search_path = public, pg_temp AS $$
    SELECT CASE WHEN p_possible = 0 THEN ''
                WHEN p BETWEEN t5 AND 100 THEN '5'
                WHEN p BETWEEN t4 AND t5 THEN '4'
                WHEN p BETWEEN t3 AND t4 THEN '3'
                WHEN p BETWEEN 0 AND t3 THEN '2'
                ELSE '' END
    FROM (SELECT p_earned::float8 * 100::float8 / NULLIF(p_possible, 0)::float8 AS p) AS percent
$$)SQL";

// The test running now for the pupil, if any (the newest when the teacher
// started two): its time left for this pupil, how many questions the pupil
// answered already (a PC started again carries on), and the server's clock,
// which the PC's answers are stamped by.
const char *lessonFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_lesson(token text)
RETURNS TABLE (id bigint, subject text, topic text, exam boolean, seconds integer, seconds_left integer,
               question_count integer, answered integer, server_time timestamptz)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    v_account bigint;
    v_class text;
BEGIN
    SELECT s.account_id, s.class_name INTO v_account, v_class
        FROM trivo_pupil_session(trivo_pc_lesson.token, interval '12 hours') s;
    RETURN QUERY
        SELECT l.id, l.subject, l.topic, l.exam, l.seconds,
               ceil(extract(epoch FROM trivo_lesson_end(l.id, v_account) - LOCALTIMESTAMP(3)))::integer,
               l.question_count,
               (SELECT count(*) FROM lesson_answers a WHERE a.lesson_id = l.id AND a.account_id = v_account)::integer,
               clock_timestamp()
        FROM lessons l
        WHERE l.class_name = v_class AND l.starts <= LOCALTIMESTAMP(3)
          AND trivo_lesson_end(l.id, v_account) > LOCALTIMESTAMP(3)
        ORDER BY l.starts DESC, l.id DESC LIMIT 1;
END
$fn$)SQL";

const char *questionsFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_lesson_questions(token text, lesson bigint)
RETURNS TABLE ("position" integer, question_key text, answer_type text, points integer, question_text text,
               shown jsonb)
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
BEGIN
    PERFORM trivo_lesson_pupil(trivo_pc_lesson_questions.token, trivo_pc_lesson_questions.lesson);
    RETURN QUERY SELECT q.position, q.question_key, q.answer_type, q.points, q.question_text, q.shown
        FROM lesson_questions q WHERE q.lesson_id = trivo_pc_lesson_questions.lesson ORDER BY q.position;
END
$fn$)SQL";

// One answer: 'judged' now, 'known' when it was judged before (the
// judgement kept then, whatever is sent now), 'late' when refused for time.
// An answer the rules cannot read (it names options the question does not
// have) earns nothing and is kept as given, for the teacher to see.
const char *answerFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_lesson_answer(token text, lesson bigint, "position" integer, given text,
                                                  answered timestamptz)
RETURNS TABLE (status text, points integer, is_right boolean, right_answer text)
LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    grace CONSTANT interval := interval '1 minute';
    v_lesson bigint := trivo_pc_lesson_answer.lesson;
    v_position integer := trivo_pc_lesson_answer."position";
    v_given text := left(COALESCE(trivo_pc_lesson_answer.given, ''), 4000);
    v_now timestamp := LOCALTIMESTAMP(3);
    v_account bigint;
    v_end timestamp;
    v_starts timestamp;
    v_answered timestamp;
    v_type text;
    v_points integer;
    v_right boolean;
    v_right_answer text;
BEGIN
    v_account := trivo_lesson_pupil(trivo_pc_lesson_answer.token, v_lesson);
    RETURN QUERY SELECT 'known'::text, a.points, a.is_right, ''::text FROM lesson_answers a
        WHERE a.lesson_id = v_lesson AND a.account_id = v_account AND a.position = v_position;
    IF FOUND THEN
        RETURN;
    END IF;
    SELECT q.answer_type, q.points INTO v_type, v_points FROM lesson_questions q
        WHERE q.lesson_id = v_lesson AND q.position = v_position;
    IF NOT FOUND THEN
        RAISE EXCEPTION 'the test has no question %', v_position USING ERRCODE = '22023';
    END IF;
    SELECT l.starts INTO v_starts FROM lessons l WHERE l.id = v_lesson;
    v_end := trivo_lesson_end(v_lesson, v_account);
    -- No answer is given before the test began, nor after it arrived.
    v_answered := GREATEST(v_starts, LEAST(v_now, COALESCE(trivo_pc_lesson_answer.answered::timestamp, v_now)));
    IF v_now > v_end AND (v_answered > v_end OR v_now > v_end + grace) THEN
        RETURN QUERY SELECT 'late'::text, 0, false, ''::text;
        RETURN;
    END IF;
    SELECT j.points, j.is_right, j.right_answer INTO v_points, v_right, v_right_answer
        FROM lesson_keys k CROSS JOIN LATERAL trivo_judge(v_type, v_given, v_points, k.options) j
        WHERE k.lesson_id = v_lesson AND k.position = v_position;
    IF NOT FOUND THEN
        v_points := 0;
        v_right := false;
        v_right_answer := '';
    END IF;
    INSERT INTO lesson_answers (lesson_id, account_id, position, given, points, is_right, right_answer, answered,
                                received)
    VALUES (v_lesson, v_account, v_position, v_given, v_points, v_right, v_right_answer, v_answered, v_now)
    ON CONFLICT DO NOTHING;
    IF NOT FOUND THEN -- the same answer sent twice at once: the first judgement stands
        RETURN QUERY SELECT 'known'::text, a.points, a.is_right, ''::text FROM lesson_answers a
            WHERE a.lesson_id = v_lesson AND a.account_id = v_account AND a.position = v_position;
        RETURN;
    END IF;
    RETURN QUERY SELECT 'judged'::text, v_points, v_right, ''::text;
END
$fn$)SQL";

// The pupil ends their test: no answer is taken after it. The points of
// every question of the test are the possible ones, answered or not. The
// journal keeps the test as a run of the pupil's, judged here and graded by
// the teacher's bounds, whatever the PC counted; the PC records none of its
// own, nor can it write one under the test's id.
const char *finishFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_pc_lesson_finish(token text, lesson bigint)
RETURNS TABLE (points integer, points_possible integer, grade text, answered integer, questions integer)
LANGUAGE plpgsql VOLATILE SECURITY DEFINER SET search_path = public, pg_temp AS $fn$
DECLARE
    v_lesson bigint := trivo_pc_lesson_finish.lesson;
    v_account bigint;
    v_earned integer;
    v_answered integer;
    v_possible integer;
    v_questions integer;
    v_right integer;
    v_grade text;
    v_run jsonb;
BEGIN
    v_account := trivo_lesson_pupil(trivo_pc_lesson_finish.token, v_lesson);
    INSERT INTO lesson_time (lesson_id, account_id, finished) VALUES (v_lesson, v_account, LOCALTIMESTAMP(3))
        ON CONFLICT (lesson_id, account_id) DO UPDATE SET finished = COALESCE(lesson_time.finished, excluded.finished);
    SELECT COALESCE(sum(a.points), 0)::integer, count(*)::integer INTO v_earned, v_answered
        FROM lesson_answers a WHERE a.lesson_id = v_lesson AND a.account_id = v_account;
    SELECT COALESCE(sum(q.points), 0)::integer, count(*)::integer INTO v_possible, v_questions
        FROM lesson_questions q WHERE q.lesson_id = v_lesson;
    SELECT count(*)::integer INTO v_right
        FROM lesson_answers a WHERE a.lesson_id = v_lesson AND a.account_id = v_account AND a.is_right;
    SELECT trivo_lesson_grade(v_earned, v_possible, l.grade_t3, l.grade_t4, l.grade_t5) INTO v_grade
        FROM lessons l WHERE l.id = v_lesson;
    SELECT jsonb_build_object(
               'id', '00000000' || substr(md5('trivo-lesson/' || l.id || '/' || v_account)::uuid::text, 9),
               'subject', l.subject,
               'topic', CASE WHEN l.exam THEN 'Экзамен по всему предмету' ELSE l.topic END,
               'started', to_char(l.starts, 'YYYY-MM-DD"T"HH24:MI:SS'),
               'seconds', GREATEST(0, extract(epoch FROM LOCALTIMESTAMP(3) - l.starts))::integer,
               'exam', l.exam, 'access', 'W', 'asked', v_questions, 'answered', v_answered, 'right', v_right,
               'pointsPossible', v_possible, 'pointsEarned', v_earned, 'grade', COALESCE(v_grade, ''),
               'runningGrade', COALESCE(v_grade, ''),
               'questions', COALESCE((
                   SELECT jsonb_agg(jsonb_build_object(
                              'key', q.question_key, 'answerType', q.answer_type, 'pointsPossible', q.points,
                              'pointsEarned', COALESCE(a.points, 0), 'answered', a.position IS NOT NULL,
                              'right', COALESCE(a.is_right, false), 'text', q.question_text,
                              'given', COALESCE(a.given, ''), 'rightAnswer', COALESCE(a.right_answer, ''),
                              'topic', l.topic) ORDER BY q.position)
                   FROM lesson_questions q
                   LEFT JOIN lesson_answers a ON a.lesson_id = q.lesson_id AND a.position = q.position
                                             AND a.account_id = v_account
                   WHERE q.lesson_id = v_lesson), '[]'::jsonb))
        INTO v_run FROM lessons l WHERE l.id = v_lesson;
    PERFORM trivo_record_run(trivo_pc_lesson_finish.token, v_run);
    RETURN QUERY SELECT v_earned, v_possible, v_grade, v_answered, v_questions;
END
$fn$)SQL";
} // namespace

QStringList lessonFunctions()
{
    QStringList out;
    for (const char *sql :
         {endFunction, pupilFunction, gradeFunction, lessonFunction, questionsFunction, answerFunction, finishFunction})
        out << QString::fromUtf8(sql).trimmed();
    return out;
}
