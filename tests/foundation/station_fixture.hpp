// A workstation in a temporary folder for the settings and file-store tests:
// the program's folder, the per-user settings folder and a store root of
// their own, dialogs recorded headless, and Tabela's INI name, company suffix
// and vNuvem put back afterwards.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"

namespace zpk::test {

namespace fs = std::filesystem;

class StationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    base_ = fs::temp_directory_path() / fmt::format("zpk-station-{}-{}", ::getpid(), counter++);
    program_ = base_ / "programa";
    store_ = base_ / "servidor";
    fs::create_directories(program_);
    fs::create_directories(store_);
    set_program_folder(program_);
    set_user_settings_folder(base_ / "usuario");
    saved_ini_ = Tabela.ArquivoIni;
    saved_suffix_ = Tabela.SufixoEmpresa;
    saved_nuvem_ = vNuvem;
    Tabela.ArquivoIni = "zelvo.ini";
    Tabela.SufixoEmpresa = "_001";
    vNuvem.clear();
  }

  void TearDown() override {
    Tabela.ArquivoIni = saved_ini_;
    Tabela.SufixoEmpresa = saved_suffix_;
    vNuvem = saved_nuvem_;
    set_program_folder({});
    set_user_settings_folder({});
    std::error_code ec;
    fs::remove_all(base_, ec);
  }

  // Points the station's INI at the store root (as stations store it, any separators).
  void set_root(const std::string& root) { GravaIni("Caminho", "path", root, Tabela.ArquivoIni); }
  std::string root() const { return store_.string(); }

  static void write_file(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path base_;
  fs::path program_;
  fs::path store_;
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};

 private:
  std::string saved_ini_;
  std::string saved_suffix_;
  std::string saved_nuvem_;
};

}  // namespace zpk::test
