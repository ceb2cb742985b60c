#include "schoolschema.h"

// What a PC may learn of the published banks: read only (both are STABLE, so
// the server itself refuses any write inside them).
QStringList bankFunctions()
{
    return {
        QStringLiteral("CREATE OR REPLACE FUNCTION trivo_pc_bank_versions()"
                       " RETURNS TABLE (subject text, version integer, published timestamp, hash text,"
                       " files integer, bytes bigint, folder text)"
                       " LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$"
                       " SELECT DISTINCT ON (v.subject) v.subject, v.version, v.published::timestamp, v.hash,"
                       " v.files, v.bytes, v.folder FROM bank_versions v ORDER BY v.subject, v.version DESC $$"),
        QStringLiteral("CREATE OR REPLACE FUNCTION trivo_pc_bank_files(p_subject text, p_version integer)"
                       " RETURNS TABLE (path text, content bytea)"
                       " LANGUAGE sql STABLE SECURITY DEFINER SET search_path = public, pg_temp AS $$"
                       " SELECT f.path, f.content FROM bank_files f"
                       " WHERE f.subject = p_subject AND f.version = p_version ORDER BY f.path $$"),
    };
}
