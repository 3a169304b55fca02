// A throw-away station for a demo step: the program's folder, the user's
// settings and a shared folder under one base folder while the step runs,
// everything put back and deleted when it ends.
#pragma once

#include <filesystem>
#include <system_error>

#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"

namespace zpk::cli {

// `base`/programa is the program's folder, `base`/usuario the user's
// settings, `base`/servidor the shared folder the step may point the
// station's INI at.
class DemoStation {
 public:
  explicit DemoStation(const std::filesystem::path& base) : base_(base) {
    std::filesystem::create_directories(base_ / "programa");
    std::filesystem::create_directories(base_ / "servidor");
    set_program_folder(base_ / "programa");
    set_user_settings_folder(base_ / "usuario");
  }
  ~DemoStation() {
    set_program_folder({});
    set_user_settings_folder({});
    std::error_code ec;
    std::filesystem::remove_all(base_, ec);
  }
  DemoStation(const DemoStation&) = delete;
  DemoStation& operator=(const DemoStation&) = delete;

 private:
  std::filesystem::path base_;
};

}  // namespace zpk::cli
