#include "platform/ui/dialog_service.hpp"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/ui/headless_dialogs.hpp"

namespace zpk {
namespace {

std::atomic<DialogService*> g_installed{nullptr};

std::mutex g_title_mutex;
std::optional<std::string> g_title;

std::string executable_stem() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("zpk") : exe.stem().string();
}

}  // namespace

int default_answer(const MessageRequest& request) {
  const int count = static_cast<int>(request.buttons.size());
  auto usable = [&](int button) { return button >= 1 && button <= count && button != request.help_button; };
  if (usable(request.default_button)) return request.default_button;
  if (usable(request.cancel_button)) return request.cancel_button;
  for (int button = 1; button <= count; ++button) {
    if (usable(button)) return button;
  }
  return 1;
}

HeadlessDialogs& default_dialogs() {
  static HeadlessDialogs dialogs(HeadlessDialogs::Options{.echo = nullptr, .max_records = 1000});
  return dialogs;
}

DialogService& dialog_service() {
  DialogService* installed = g_installed.load();
  return installed ? *installed : default_dialogs();
}

DialogService* set_dialog_service(DialogService* service) {
  return g_installed.exchange(service);
}

std::string application_title() {
  std::lock_guard lock(g_title_mutex);
  if (!g_title) g_title = executable_stem();
  return *g_title;
}

void set_application_title(std::string title) {
  std::lock_guard lock(g_title_mutex);
  g_title = std::move(title);
}

}  // namespace zpk
