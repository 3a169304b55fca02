#include "support/database_fixture.hpp"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/db/database.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/file_lock.hpp"
#include "support/pg_databases.hpp"

namespace zpk::test {

namespace fs = std::filesystem;

namespace {

fs::path work_dir() {
  fs::path dir = fs::path(ZPK_BINARY_DIR) / "test-databases";
  fs::create_directories(dir);
  return dir;
}

fs::path schema_dir() {
  return fs::path(ZPK_SOURCE_DIR) / "schema";
}

// A digest of every schema file (names and contents): the template is rebuilt when it changes.
std::string schema_digest() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(schema_dir())) {
    if (entry.is_regular_file() && entry.path().extension() == ".sql") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  auto mix = [&h](const std::string& s) {
    for (unsigned char c : s) {
      h ^= c;
      h *= 1099511628211ull;
    }
  };
  for (const fs::path& f : files) {
    mix(fs::relative(f, schema_dir()).string());
    std::ifstream in(f, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    mix(text.str());
  }
  return std::to_string(h);
}

std::string read_text(const fs::path& file) {
  std::ifstream in(file);
  std::string s;
  std::getline(in, s);
  return s;
}

// Builds the template when missing or stale; the caller holds the lock.
fs::path ensure_template() {
  const fs::path dir = work_dir();
  const fs::path file = dir / "template.fdb";
  const fs::path stamp = dir / "template.stamp";
  const std::string digest = schema_digest();
  if (fs::exists(file) && read_text(stamp) == digest) return file;
  const fs::path building = dir / "template.building.fdb";
  fs::remove(building);
  fs::remove(file);
  {
    TTIDatabase db;
    // Throw-away copies: forced writes off keeps the tests fast.
    create_schema_database(db, building.string(), {"001"}, schema_dir(), {}, {8192, false});
    seed_demo_data(db, schema_dir());
    db.DefaultTransaction().Commit();
    db.Close();
  }
  fs::rename(building, file);
  std::ofstream(stamp) << digest << '\n';
  return file;
}

// Fills an empty database with the template's tables and demo data.
void fill_template(TTIDatabase& db) {
  apply_shared_schema(db, schema_dir());
  apply_company_schema(db, schema_dir(), "001");
  seed_demo_data(db, schema_dir());
  db.DefaultTransaction().Commit();
}

// The PostgreSQL template of this schema (its name carries the schema's digest).
std::string ensure_pg_template_database() {
  const std::string name = "zpk_tpl_" + schema_digest();
  ensure_pg_template(name, [](const std::string& location) {
    TTIDatabase db;
    db.SetDatabaseName(location);
    db.Open();
    fill_template(db);
    db.Close();
  });
  return name;
}

fs::path g_database;

}  // namespace

bool on_postgres() {
  const char* engine = std::getenv("ZPK_TEST_ENGINE");
  return engine && std::string(engine) == "postgres";
}

fs::path template_database() {
  if (on_postgres()) return pg_location(ensure_pg_template_database());
  FileLock lock(work_dir() / "template.lock");
  return ensure_template();
}

fs::path fresh_database(const std::string& label) {
  static std::atomic<int> counter{0};
  if (on_postgres()) {
    const std::string name = pg_database_name(label + "_" + std::to_string(++counter));
    create_pg_database_from_template(ensure_pg_template_database(), name);
    return pg_location(name);
  }
  std::string safe = label;
  for (char& c : safe) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  const fs::path copy =
      work_dir() / (safe + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".fdb");
  FileLock lock(work_dir() / "template.lock");
  fs::copy_file(ensure_template(), copy, fs::copy_options::overwrite_existing);
  return copy;
}

void DatabaseTest::SetUpTestSuite() {
  const auto* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
  g_database = fresh_database(suite ? suite->name() : "suite");
  Tabela.connect_company(g_database.string(), "001");
}

void remove_database(const fs::path& database) {
  if (database.empty()) return;
  const std::string location = database.string();
  if (location.rfind("postgresql://", 0) == 0) {
    std::string name = location.substr(location.rfind('/') + 1);
    drop_pg_database(name.substr(0, name.find('?')));
    return;
  }
  std::error_code ec;
  fs::remove(database, ec);
}

void DatabaseTest::TearDownTestSuite() {
  Tabela.disconnect();
  remove_database(g_database);
  g_database.clear();
}

void DatabaseTest::TearDown() {
  if (!Tabela.IBDatabase.Connected()) return;
  Tabela.IBTransaction.Rollback();
  // A test that switched companies leaves the next one on company 001 again.
  Tabela.companies.Filtered = false;
  Tabela.select_company("001");
}

const fs::path& DatabaseTest::database_path() {
  return g_database;
}

}  // namespace zpk::test
