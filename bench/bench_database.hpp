// A throw-away embedded database for a benchmark program: the library's schema
// for company 001, filled by the program, with Tabela connected to it while
// the program runs and the file removed at exit.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "platform/db/database.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::bench {

class BenchDatabase {
 public:
  // Creates the database (forced writes off: it is thrown away), runs `fill`
  // on it and commits, then connects Tabela for company 001.
  BenchDatabase(const std::string& name, const std::function<void(TTIDatabase&)>& fill) {
    namespace fs = std::filesystem;
    file_ = fs::temp_directory_path() / ("zpk-bench-" + name + "-" + std::to_string(::getpid()) + ".fdb");
    fs::remove(file_);
    {
      TTIDatabase setup;
      create_schema_database(setup, file_.string(), {"001"}, find_schema_dir(), {}, {8192, false});
      fill(setup);
      setup.DefaultTransaction().Commit();
      setup.Close();
    }
    Tabela.connect_company(file_.string(), "001");
  }
  ~BenchDatabase() {
    Tabela.disconnect();
    std::error_code ec;
    std::filesystem::remove(file_, ec);
  }
  BenchDatabase(const BenchDatabase&) = delete;
  BenchDatabase& operator=(const BenchDatabase&) = delete;

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

}  // namespace zpk::bench
