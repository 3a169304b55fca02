#include "platform/tabela/schema_setup.hpp"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> sql_files(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().extension() == ".sql") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw EZpkError("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The company code as three digits; raises EZpkError for anything else.
std::string company_code(const std::string& empresa) {
  std::string code = Trim(empresa);
  if (!code.empty() && code.front() == '_') code.erase(0, 1);
  if (code.size() != 3 ||
      !std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    throw EZpkError("a company code has three digits: '" + empresa + "'");
  }
  return code;
}

void run_script(TTIDatabase& database, const fs::path& file, const std::string& script) {
  try {
    database.execute_script(script);
  } catch (EDatabaseError& e) {
    throw EDatabaseError(e.message() + "\n(in " + file.filename().string() + ")", e.sqlstate(),
                         e.error_codes(), e.statement());
  }
}

}  // namespace

fs::path find_schema_dir(const std::vector<fs::path>& starts) {
  if (const char* env = std::getenv("ZPK_SCHEMA_DIR"); env && *env) {
    const fs::path dir(env);
    if (fs::is_directory(dir / "shared")) return dir;
    throw EZpkError("ZPK_SCHEMA_DIR (" + dir.string() + ") has no shared/ folder");
  }
  for (const fs::path& start : starts) {
    std::error_code ec;
    fs::path dir = fs::weakly_canonical(start, ec);
    if (ec) continue;
    for (; !dir.empty(); dir = dir.parent_path()) {
      for (const fs::path& candidate : {dir / "schema", dir / "share" / "zpkunits" / "schema"}) {
        if (fs::is_directory(candidate / "shared")) return candidate;
      }
      if (dir == dir.parent_path()) break;
    }
  }
  throw EZpkError("the schema/ folder was not found (neither in a checkout nor under share/zpkunits of the program's prefix); set ZPK_SCHEMA_DIR");
}

fs::path find_schema_dir() {
  std::vector<fs::path> starts;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) starts.push_back(exe.parent_path());
  starts.push_back(fs::current_path());
  return find_schema_dir(starts);
}

void apply_shared_schema(TTIDatabase& database, const fs::path& schema_dir) {
  for (const fs::path& file : sql_files(schema_dir / "shared")) run_script(database, file, read_file(file));
}

bool company_tables_exist(TTIDatabase& database, const std::string& empresa) {
  TTIQuery q(database);
  q.SQL.Add("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :NOME");
  q.ParamByName("NOME").AsString = "CODIGOS_" + company_code(empresa);
  q.Open();
  const bool exists = !q.IsEmpty();
  database.DefaultTransaction().Commit();
  return exists;
}

void apply_company_schema(TTIDatabase& database, const fs::path& schema_dir, const std::string& empresa) {
  const std::string code = company_code(empresa);
  if (!company_tables_exist(database, code)) {
    for (const fs::path& file : sql_files(schema_dir / "company")) {
      std::string script = read_file(file);
      script = StringReplace(script, "{SUFIXO}", "_" + code, rfReplaceAll);
      script = StringReplace(script, "{EMPRESA}", code, rfReplaceAll);
      run_script(database, file, script);
    }
  }
  TTIQuery q(database);
  q.SQL.Add("UPDATE OR INSERT INTO EMPRESA (EMP_PAT) VALUES (:EMP_PAT) MATCHING (EMP_PAT)");
  q.ParamByName("EMP_PAT").AsString = "_" + code;
  q.ExecSQL();
  database.DefaultTransaction().Commit();
}

void create_schema_database(TTIDatabase& database, const std::string& location,
                            const std::vector<std::string>& empresas, const fs::path& schema_dir,
                            const DatabaseCredentials& credentials, const DatabaseCreateOptions& options) {
  database.create_database(location, credentials, options);
  apply_shared_schema(database, schema_dir);
  for (const std::string& empresa : empresas) apply_company_schema(database, schema_dir, empresa);
}

void seed_demo_data(TTIDatabase& database, const fs::path& schema_dir) {
  for (const std::string& empresa : kDemoCompanies) apply_company_schema(database, schema_dir, empresa);
  for (const fs::path& file : sql_files(schema_dir / "seed")) run_script(database, file, read_file(file));
}

}  // namespace zpk
