// The PostgreSQL form of the statements the library writes in Firebird's
// dialect 3: markers, quoting, FIRST/SKIP, WITH LOCK, IIF, LIST, UPDATE OR
// INSERT, generators, types, and schema scripts with their PSQL objects.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zpk::detail {

// What the translation needs to know of the live database's tables (the
// backend answers from information_schema, cached). Names upper case; an
// unknown table gives empty lists.
struct PgTableInfo {
  std::vector<std::string> primary_key;                           // column names, upper case
  std::vector<std::vector<std::string>> unique_keys;              // other unique constraints
  std::vector<std::pair<std::string, std::string>> column_types;  // NAME -> PG type text
};
using PgCatalog = std::function<PgTableInfo(std::string_view table_upper)>;

// One statement as the library writes it (Firebird dialect 3, positional "?"
// markers) in PostgreSQL's form, with "$1".."$n" markers in the same order.
// Raises EDatabaseError (usage) naming the construct it cannot translate.
// What the driver must do with some markers' values before sending them.
struct PgMarkerRules {
  // Markers (1-based) of a caller's literal value compared with a column
  // (CAST(? AS type) after a comparison): they become untyped markers that
  // take the column's type, as Firebird converts, and their texts lose the
  // trailing blanks Firebird's comparison ignores.
  std::vector<int> trimmed;
  // Markers compared with (or assigned to) a text column, with the column's
  // size in characters: a longer text is refused by its parameter, as
  // Firebird refuses it, instead of being compared by its first characters.
  std::vector<std::pair<int, size_t>> limits;
};

// Raises EDatabaseError (usage) naming the construct it cannot translate.
// `rules`, when given, receives what the driver must check or change in the
// markers' values (see PgMarkerRules).
std::string to_postgres(std::string_view firebird_sql, const PgCatalog& catalog,
                        PgMarkerRules* rules = nullptr);

// A schema script (statements ended by ";", SET TERM understood) as
// PostgreSQL statements. PSQL objects (procedures, functions, triggers) are
// replaced by the hand-written PL/pgSQL file <NAME>.sql of `psql_folder`
// (empty: $ZPK_SCHEMA_DIR/postgres). Tables the script creates are known to
// its later statements without asking `catalog`.
std::vector<std::string> schema_to_postgres(std::string_view firebird_script, const PgCatalog& catalog,
                                            const std::filesystem::path& psql_folder = {});

// Names (upper case) of the PSQL objects a schema script defines.
std::vector<std::string> psql_objects_of(std::string_view firebird_script);

}  // namespace zpk::detail
