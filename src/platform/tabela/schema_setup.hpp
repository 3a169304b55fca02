// Creating a database from the DDL in schema/ (shared tables once, per-company
// tables with the company suffix) and loading the demo data: what `zpk db`
// and the test fixture's template database are built with.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/db/database.hpp"

namespace zpk {

// The companies that the demo data fills.
inline const std::vector<std::string> kDemoCompanies = {"001", "002"};

// The schema/ folder: $ZPK_SCHEMA_DIR when set, else the first folder holding
// shared/ found from one of `starts` or their parents, either as "schema" (a
// checkout) or as "share/zpkunits/schema" (an installed prefix, so an installed
// zpk finds its own). Raises EZpkError when there is none.
std::filesystem::path find_schema_dir(const std::vector<std::filesystem::path>& starts);

// The same, searched from the running program's folder, then the current folder.
std::filesystem::path find_schema_dir();

// Applies schema/shared/*.sql in name order.
void apply_shared_schema(TTIDatabase& database, const std::filesystem::path& schema_dir);

// True when the tables of company `empresa` ("001") exist.
bool company_tables_exist(TTIDatabase& database, const std::string& empresa);

// Creates the tables of company `empresa` from schema/company/*.sql and
// registers the company in EMPRESA; nothing when its tables exist already.
void apply_company_schema(TTIDatabase& database, const std::filesystem::path& schema_dir,
                          const std::string& empresa);

// Creates a new database file with the shared tables and those of each
// company, and leaves `database` attached to it. The company codes and the
// schema folder (shared/ and company/ scripts) are checked first; a database
// that cannot be built completely is removed, so `location` then holds
// nothing. A local file is built under a hidden name beside it and renamed
// when complete; an existing file is never replaced. Raises EZpkError.
void create_schema_database(TTIDatabase& database, const std::string& location,
                            const std::vector<std::string>& empresas, const std::filesystem::path& schema_dir,
                            const DatabaseCredentials& credentials = {},
                            const DatabaseCreateOptions& options = {});

// Loads schema/seed/*.sql, first creating the demo companies' tables where missing.
void seed_demo_data(TTIDatabase& database, const std::filesystem::path& schema_dir);

}  // namespace zpk
