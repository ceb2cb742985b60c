#include "schoolschema.h"

// Judging an answer on the server, so that a test whose keys never leave it
// can still be marked: the same rules as remarkAnswer (core/run/remark.cpp)
// and the checks it is built on (checking.cpp), rule for rule. The answer
// comes in the form a run keeps it: the typed text; the ticked options'
// texts, one to a line; "option — number" lines for the grids. The options
// are a JSON array of {"label", "code", "text"} in the bank's order.
//
// Comparisons are exact, as QString's ==: the database's collation is
// deterministic, so text = text compares the characters themselves whatever
// its locale. None of these may be called by the PCs' role (no trivo_pc_
// name); a function of the PCs' own calls them as their owner.

namespace
{
// "Trimmed": characters 1..32 off both ends (a server's text holds no 0).
const char *trimFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_judge_trim(t text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE SET search_path = public, pg_temp
AS $$ SELECT btrim(t, E'\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10'
                      || E'\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\x20') $$
)SQL";

// partialCredit(0, points, k, n): points * k / n in double precision, rounded
// half to even as roundHalfEven does it (round() would take halves away from
// zero on numeric, and is not the same code on float8); no credit for n = 0.
const char *creditFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_judge_credit(p_points integer, k integer, n integer) RETURNS integer
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE SET search_path = public, pg_temp AS $fn$
DECLARE
    x float8;
    f float8;
    r bigint;
BEGIN
    IF n = 0 THEN
        RETURN 0;
    END IF;
    x := p_points::float8 * k::float8 / n::float8;
    f := floor(x);
    r := f::bigint;
    IF x - f > 0.5::float8 OR (x - f = 0.5::float8 AND r % 2 <> 0) THEN
        r := r + 1;
    END IF;
    RETURN r::integer;
END
$fn$)SQL";

// answerTypeOf: the kind of question the options make, by their codes.
const char *typeFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_judge_type(p_options jsonb) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE SET search_path = public, pg_temp AS $$
    SELECT CASE
        WHEN plus >= 1 AND minus >= 1 THEN
            CASE WHEN plus = minus THEN 'Соответствие' ELSE 'Проставить номера' END
        WHEN exact THEN 'Точный ответ'
        WHEN ranking THEN 'Ранжирование'
        ELSE 'Птички поставить'
    END
    FROM (SELECT count(*) FILTER (WHERE c = '+') AS plus, count(*) FILTER (WHERE c = '-') AS minus,
                 coalesce(bool_or(strpos(c, 'Ф') > 0), false) AS exact, coalesce(bool_or(c = '1'), false) AS ranking
          FROM (SELECT trivo_judge_trim(coalesce(o ->> 'code', '')) AS c
                FROM jsonb_array_elements(p_options) AS o) AS codes) AS counted
$$)SQL";

// remarkAnswer. No row where it has no judgement: no options, another kind of
// question, a kept answer that reached the length limit (2000 UTF-16 units, as
// QString counts them), lines that name options the question does not have.
const char *judgeFunction = R"SQL(
CREATE OR REPLACE FUNCTION trivo_judge(p_answer_type text, p_given text, p_points integer, p_options jsonb)
RETURNS TABLE (points integer, is_right boolean, right_answer text)
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE SET search_path = public, pg_temp AS $fn$
DECLARE
    dash CONSTANT text := ' — ';
    v_type text;
    kept text[];
    o_label text[];
    o_code text[];
    o_text text[];
    v_rows integer[];
    v_placed integer[];
    v_answer text[] := '{}';
    v_start text;
    v_rest text;
    v_label text;
    v_found integer := 0;
    v_count integer := 0;
    v_right integer := 0;
    v_voided boolean := false;
    v_all boolean := true;
    v_chosen integer;
    j integer;
    p integer;
BEGIN
    IF p_answer_type IS NULL OR p_given IS NULL OR p_points IS NULL
       OR jsonb_typeof(p_options) IS DISTINCT FROM 'array' OR jsonb_array_length(p_options) = 0 THEN
        RETURN;
    END IF;
    -- A character beyond the BMP is two units of a QString.
    IF 2 * length(p_given) - length(regexp_replace(p_given, '[\U00010000-\U0010FFFF]', '', 'g')) >= 2000 THEN
        RETURN;
    END IF;
    v_type := trivo_judge_trim(p_answer_type);
    IF trivo_judge_type(p_options) <> v_type THEN
        RETURN;
    END IF;
    kept := CASE WHEN p_given = '' THEN '{}'::text[] ELSE string_to_array(p_given, E'\n') END;
    SELECT array_agg(coalesce(e.o ->> 'label', '') ORDER BY e.n), array_agg(coalesce(e.o ->> 'code', '') ORDER BY e.n),
           array_agg(coalesce(e.o ->> 'text', '') ORDER BY e.n)
      INTO o_label, o_code, o_text
      FROM jsonb_array_elements(p_options) WITH ORDINALITY AS e(o, n);

    IF v_type = 'Точный ответ' THEN
        is_right := trivo_judge_trim(p_given) = trivo_judge_trim(o_text[1]);
        points := CASE WHEN is_right THEN p_points ELSE 0 END;
        right_answer := trivo_judge_trim(o_text[1]);
        RETURN NEXT;
        RETURN;
    END IF;

    IF v_type = 'Птички поставить' THEN
        -- A ticked option with a blank code voids the answer; other codes neither add nor void.
        FOR j IN 1 .. cardinality(o_text) LOOP
            IF trivo_judge_trim(o_text[j]) = ANY (kept) THEN
                v_found := v_found + 1;
                IF trivo_judge_trim(o_code[j]) = '+' THEN
                    v_count := v_count + 1;
                ELSIF trivo_judge_trim(o_code[j]) = '' THEN
                    v_voided := true;
                END IF;
            END IF;
            IF trivo_judge_trim(o_code[j]) = '+' THEN
                v_right := v_right + 1;
                v_answer := v_answer || trivo_judge_trim(o_text[j]);
            END IF;
        END LOOP;
        IF v_found <> cardinality(kept) THEN
            RETURN; -- a ticked option is gone from the question
        END IF;
        IF v_voided THEN
            v_count := 0;
        END IF;
        is_right := v_count = v_right;
        points := CASE WHEN is_right THEN p_points ELSE trivo_judge_credit(p_points, v_count, v_right) END;
        right_answer := array_to_string(v_answer, E'\n');
        RETURN NEXT;
        RETURN;
    END IF;

    IF v_type = 'Соответствие' THEN
        v_rows := ARRAY(SELECT s FROM generate_subscripts(o_code, 1) AS s
                        WHERE trivo_judge_trim(o_code[s]) = '-' ORDER BY s);
        v_placed := ARRAY(SELECT s FROM generate_subscripts(o_code, 1) AS s
                          WHERE trivo_judge_trim(o_code[s]) = '+' ORDER BY s);
        IF cardinality(kept) <> cardinality(v_rows) THEN
            RETURN;
        END IF;
        FOR j IN 1 .. cardinality(v_rows) LOOP
            v_start := trivo_judge_trim(o_text[v_rows[j]]) || dash;
            IF left(kept[j], length(v_start)) <> v_start THEN
                RETURN;
            END IF;
            v_rest := substr(kept[j], length(v_start) + 1);
            -- The last right item of that text is the one placed.
            v_chosen := NULL;
            FOREACH p IN ARRAY v_placed LOOP
                IF trivo_judge_trim(o_text[p]) = v_rest THEN
                    v_chosen := p;
                END IF;
            END LOOP;
            IF v_chosen IS NULL THEN
                RETURN;
            END IF;
            v_all := v_all AND o_label[v_chosen] = o_label[v_rows[j]];
            FOREACH p IN ARRAY v_placed LOOP
                IF o_label[p] = o_label[v_rows[j]] THEN
                    v_answer := v_answer
                                || (trivo_judge_trim(o_text[v_rows[j]]) || dash || trivo_judge_trim(o_text[p]));
                END IF;
            END LOOP;
        END LOOP;
        is_right := v_all;
        points := CASE WHEN v_all THEN p_points ELSE 0 END;
        right_answer := array_to_string(v_answer, E'\n');
        RETURN NEXT;
        RETURN;
    END IF;

    -- Ranking (every option) and classification (the right-column items, code "+"):
    -- the number typed beside each against the first two characters of its label.
    v_rows := ARRAY(SELECT s FROM generate_subscripts(o_code, 1) AS s
                    WHERE v_type = 'Ранжирование' OR trivo_judge_trim(o_code[s]) = '+' ORDER BY s);
    IF cardinality(kept) <> cardinality(v_rows) OR cardinality(v_rows) = 0 THEN
        RETURN;
    END IF;
    FOR j IN 1 .. cardinality(v_rows) LOOP
        v_start := trivo_judge_trim(o_text[v_rows[j]]) || dash;
        IF left(kept[j], length(v_start)) <> v_start THEN
            RETURN;
        END IF;
        v_label := left(o_label[v_rows[j]], 2);
        IF trivo_judge_trim(substr(kept[j], length(v_start) + 1)) = trivo_judge_trim(v_label) THEN
            v_count := v_count + 1;
        END IF;
        v_answer := v_answer || (trivo_judge_trim(o_text[v_rows[j]]) || dash || trivo_judge_trim(v_label));
    END LOOP;
    is_right := v_count = cardinality(v_rows);
    points := trivo_judge_credit(p_points, v_count, cardinality(v_rows));
    right_answer := array_to_string(v_answer, E'\n');
    RETURN NEXT;
END
$fn$)SQL";
} // namespace

QStringList judgeFunctions()
{
    return {QString::fromUtf8(trimFunction), QString::fromUtf8(creditFunction), QString::fromUtf8(typeFunction),
            QString::fromUtf8(judgeFunction)};
}
