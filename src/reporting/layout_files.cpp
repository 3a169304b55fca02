#include "reporting/layout_files.hpp"

#include <filesystem>
#include <system_error>

#include "foundation/file_store.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"

namespace zpk {

namespace fs = std::filesystem;

namespace {

bool plain_name(std::string_view nome) {
  if (nome.empty() || nome == "." || nome == "..") return false;
  return nome.find_first_of("\\/:") == std::string_view::npos && nome.find('\0') == std::string_view::npos;
}

// The entry of `folder` named `name` exactly, else the one whose name differs
// only in case; empty when there is none.
fs::path entry_any_case(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::exists(folder / name, ec)) return folder / name;
  const std::string wanted = UpperCase(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (UpperCase(it->path().filename().string()) == wanted) return it->path();
  }
  return {};
}

// The layout `nome` in the root's folder `pasta`, as a stored path; empty when missing.
std::string find_in(const std::string& root, const std::string& pasta, std::string_view nome) {
  const fs::path folder = entry_any_case(program_file(root), pasta);
  if (folder.empty()) return "";
  const fs::path file = entry_any_case(folder, std::string(nome) + ".prt");
  std::error_code ec;
  if (file.empty() || !fs::is_regular_file(file, ec)) return "";
  return root + "\\" + folder.filename().string() + "\\" + file.filename().string();
}

}  // namespace

std::string ArquivoLayout(std::string_view Nome) {
  if (!plain_name(Nome)) return "";
  const std::string root = file_store_root();
  if (root.empty()) return "";
  std::string found = find_in(root, "layout", Nome);
  if (found.empty()) found = find_in(root, "Relatorio", Nome);
  return found;
}

std::string arquivo_layout_relatorio(std::string_view Nome) {
  return file_store_root() + "\\Relatorio\\" + std::string(Nome) + ".prt";
}

}  // namespace zpk
