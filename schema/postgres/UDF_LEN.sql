-- Length in characters, for the ERP's statements that call UDF_LEN: trailing
-- blanks count and NULL gives NULL, as the Firebird function does.
CREATE OR REPLACE FUNCTION udf_len(s text) RETURNS integer
LANGUAGE sql IMMUTABLE PARALLEL SAFE
AS $$ SELECT char_length(s) $$;
