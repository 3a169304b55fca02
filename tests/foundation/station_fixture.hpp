// A workstation in a temporary folder for the settings and file-store tests:
// the program's folder, the per-user settings folder and a store root of
// their own, dialogs recorded headless, and Tabela's INI name, company suffix
// and vNuvem put back afterwards.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/scoped.hpp"
#include "support/temp_folder.hpp"

namespace zpk::test {

namespace fs = std::filesystem;

class StationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(program_);
    fs::create_directories(store_);
    set_program_folder(program_);
    set_user_settings_folder(base_ / "usuario");
  }

  void TearDown() override {
    set_program_folder({});
    set_user_settings_folder({});
  }

  // Points the station's INI at the store root (as stations store it, any separators).
  void set_root(const std::string& root) { GravaIni("Caminho", "path", root, Tabela.ArquivoIni); }
  std::string root() const { return store_.string(); }

  TempFolder temp_{"station"};
  fs::path base_ = temp_.path();
  fs::path program_ = base_ / "programa";
  fs::path store_ = base_ / "servidor";
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};

 private:
  ScopedValue<std::string> ini_{Tabela.ArquivoIni, "zelvo.ini"};
  ScopedValue<std::string> suffix_{Tabela.SufixoEmpresa, "_001"};
  ScopedValue<std::string> nuvem_{vNuvem, ""};
};

}  // namespace zpk::test
