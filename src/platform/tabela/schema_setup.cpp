#include "platform/tabela/schema_setup.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {

namespace fs = std::filesystem;

namespace {

// One script of the schema folder, read before the database is touched.
struct Script {
  fs::path file;
  std::string text;
};

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

// The scripts of `folder` in name order.
std::vector<Script> read_scripts(const fs::path& folder) {
  std::vector<Script> scripts;
  for (const fs::path& file : sql_files(folder)) scripts.push_back({file, read_file(file)});
  return scripts;
}

// The scripts of schema/<part>; raises EZpkError when it holds none, which
// would make a database without the tables the library reads.
std::vector<Script> required_scripts(const fs::path& schema_dir, const char* part) {
  if (!fs::is_directory(schema_dir))
    throw EZpkError("the schema folder " + schema_dir.string() + " does not exist");
  std::vector<Script> scripts = read_scripts(schema_dir / part);
  if (scripts.empty()) {
    throw EZpkError("the schema folder " + schema_dir.string() + " has no " + part + "/*.sql scripts");
  }
  return scripts;
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

// Runs a script; an engine error names the script first, so that the
// message says which file to correct. The PostgreSQL versions of its stored
// routines are in the schema folder's "postgres" folder.
void run_script(TTIDatabase& database, const fs::path& file, const std::string& script) {
  try {
    database.execute_script(script, file.parent_path().parent_path() / "postgres");
  } catch (EDatabaseError& e) {
    throw EDatabaseError(e.kind(), e, file.filename().string() + ": " + e.message());
  }
}

void run_scripts(TTIDatabase& database, const std::vector<Script>& scripts) {
  for (const Script& s : scripts) run_script(database, s.file, s.text);
}

// Creates the tables of company `code` (three digits) unless they exist, and
// registers it in EMPRESA.
void apply_company_scripts(TTIDatabase& database, const std::vector<Script>& scripts,
                           const std::string& code) {
  if (!company_tables_exist(database, code)) {
    for (const Script& s : scripts) {
      std::string script = StringReplace(s.text, "{SUFIXO}", "_" + code, rfReplaceAll);
      script = StringReplace(script, "{EMPRESA}", code, rfReplaceAll);
      run_script(database, s.file, script);
    }
  }
  TTIQuery q(database);
  q.SQL.Add("UPDATE OR INSERT INTO EMPRESA (EMP_PAT) VALUES (:EMP_PAT) MATCHING (EMP_PAT)");
  q.ParamByName("EMP_PAT").AsString = "_" + code;
  q.ExecSQL();
  database.DefaultTransaction().Commit();
}

// A location without ":" is a file that this process opens itself (the
// embedded engine); "host:path" and "host/port:path" name a server's file.
bool is_local_file(const std::string& location) {
  return location.find(':') == std::string::npos;
}

// A name beside `target` that no other creation uses: the database is built
// there and gets its own name only when it is complete.
fs::path building_name(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return target.parent_path() / ("." + target.filename().string() + ".building-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(++counter));
}

// Gives the finished file `from` the name `to`, never replacing a file that
// appeared there meanwhile.
void publish(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  int error = errno;
  if (error == EINVAL || error == ENOSYS) {
    // A file system without the flag: a hard link refuses an existing name too.
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return;
    }
    error = errno;
  }
  throw EZpkError("cannot name the new database " + to.string() + ": " + std::strerror(error));
}

// Drops a database that could not be built (or removes its file once
// detached); never throws, so the build's own error is what is reported.
void discard(TTIDatabase& database, const fs::path& local_file) noexcept {
  try {
    if (database.Connected()) database.drop_database();
  } catch (...) {
    database.Close();
  }
  if (!local_file.empty()) {
    std::error_code ignored;
    fs::remove(local_file, ignored);
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
  throw EZpkError(
      "the schema/ folder was not found (neither in a checkout nor under share/zpkunits of the program's "
      "prefix); set ZPK_SCHEMA_DIR");
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
  run_scripts(database, read_scripts(schema_dir / "shared"));
}

bool company_tables_exist(TTIDatabase& database, const std::string& empresa) {
  const bool exists = database.table_exists("CODIGOS_" + company_code(empresa));
  database.DefaultTransaction().Commit();
  return exists;
}

void apply_company_schema(TTIDatabase& database, const fs::path& schema_dir, const std::string& empresa) {
  const std::string code = company_code(empresa);
  apply_company_scripts(database, read_scripts(schema_dir / "company"), code);
}

void create_schema_database(TTIDatabase& database, const std::string& location,
                            const std::vector<std::string>& empresas, const fs::path& schema_dir,
                            const DatabaseCredentials& credentials, const DatabaseCreateOptions& options) {
  // Everything that can be checked is checked before a file exists.
  std::vector<std::string> codes;
  for (const std::string& empresa : empresas) codes.push_back(company_code(empresa));
  const std::vector<Script> shared = required_scripts(schema_dir, "shared");
  const std::vector<Script> company =
      codes.empty() ? read_scripts(schema_dir / "company") : required_scripts(schema_dir, "company");

  // A local file is built under another name and renamed when complete, so
  // that not even a killed process leaves a database without its tables
  // under the name asked for. A server's file cannot be renamed from here: it
  // is dropped when the build fails.
  const bool local = is_local_file(location);
  fs::path building;
  if (local) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(location, ec))) {
      throw EZpkError("cannot create " + location +
                      ": the file exists (a new database is never made over one)");
    }
    const fs::path folder = fs::path(location).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
      throw EZpkError("cannot create " + location + ": the folder " + folder.string() + " does not exist");
    }
    building = building_name(location);
  }
  database.create_database(local ? building.string() : location, credentials, options);
  try {
    run_scripts(database, shared);
    for (const std::string& code : codes) apply_company_scripts(database, company, code);
    if (local) {
      database.Close();
      publish(building, location);
    }
  } catch (...) {
    discard(database, building);
    throw;
  }
  if (local) {
    database.SetDatabaseName(location);
    database.SetCredentials(credentials);
    database.Open();
  }
}

void seed_demo_data(TTIDatabase& database, const fs::path& schema_dir) {
  for (const std::string& empresa : kDemoCompanies) apply_company_schema(database, schema_dir, empresa);
  run_scripts(database, read_scripts(schema_dir / "seed"));
}

}  // namespace zpk
