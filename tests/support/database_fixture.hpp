// Test support for database tests: a template database built once per build
// tree from schema/ (tables of companies 001 and 002 plus the demo data), and
// a fixture that gives each test suite a fresh copy with Tabela connected.
//
//   class PedidoTest : public zpk::test::DatabaseTest {};
//   TEST_F(PedidoTest, LocksTheOrder) { zpk::TTIQuery q(zpk::Tabela.IBDatabase); ... }
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace zpk::test {

// True when the database tests run on PostgreSQL (ZPK_TEST_ENGINE=postgres,
// set by CTest for the tests prefixed "pg."); the databases are then on the
// server of scripts/pgserver (ZPK_TEST_PG_ADMIN) and their "paths" are
// postgresql:// locations.
bool on_postgres();

// The template database, built (or rebuilt when schema/ changed) under the
// build directory; concurrent test programs wait on a lock file.
std::filesystem::path template_database();

// A new copy of the template for this process; `label` becomes part of its name.
std::filesystem::path fresh_database(const std::string& label);
// Removes a copy made by fresh_database (a file, or a PostgreSQL database).
void remove_database(const std::filesystem::path& database);

// Each suite deriving from it runs on its own copy of the template, with
// Tabela connected for company 001. After each test, whatever it left
// uncommitted in the shared transaction is rolled back.
class DatabaseTest : public ::testing::Test {
 public:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

 protected:
  void TearDown() override;
  // The file of the suite's database.
  static const std::filesystem::path& database_path();
};

}  // namespace zpk::test
