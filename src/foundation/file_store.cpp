#include "foundation/file_store.hpp"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <set>
#include <system_error>

#include <fmt/format.h>

#include "documents/check_digits.hpp"
#include "foundation/external_programs.hpp"
#include "foundation/station_settings.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;

struct TipoName {
  TTipo tipo;
  const char* value;
  const char* folder;
};

constexpr TipoName kTipos[] = {
    {tpDocumento, "tpDocumento", "documentos"},
    {tpCores, "tpCores", "cores"},
    {tpEstampa, "tpEstampa", "estampa"},
    {tpFuncionario, "tpFuncionario", "funcionario"},
    {tpInstrucao, "tpInstrucao", "instrucao"},
    {tpMaterial, "tpMaterial", "material"},
    {tpMedida, "tpMedida", "medida"},
    {tpProduto, "tpProduto", "produto"},
    {tpQuadro, "tpQuadro", "quadro"},
    {tpTinturaria, "tpTinturaria", "tinturaria"},
    {tpDesenho, "tpDesenho", "desenho"},
    {tpPrototipo, "tpPrototipo", "prototipo"},
    {tpMaquina, "tpMaquina", "maquina"},
    {tpUsuario, "tpUsuario", "usuario"},
    {tpColaborador, "tpColaborador", "documentos\\colaborador"},
};

bool is_document(TTipo tipo) {
  return tipo == tpDocumento || tipo == tpColaborador;
}

bool is_separator(char c) {
  return c == '\\' || c == '/';
}

// Whether a code or file name, appended to a folder of the store, stays in
// that folder: not absolute, no ".." level, no NUL.
bool stays_inside(std::string_view relative) {
  if (relative.find('\0') != std::string_view::npos) return false;
  if (!relative.empty() && is_separator(relative.front())) return false;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = start;
    while (end < relative.size() && !is_separator(relative[end])) ++end;
    if (relative.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

// A plain file name: no separator and not a dot name.
bool is_plain_name(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/") == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool file_exists(std::string_view stored) {
  std::error_code ec;
  return fs::is_regular_file(program_file(stored), ec);
}

bool folder_exists(std::string_view stored) {
  std::error_code ec;
  return fs::is_directory(program_file(stored), ec);
}

// Sorts names by name, ignoring case: the order the screens' lists show.
void sort_names(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int order = CompareText(a, b);
    return order != 0 ? order < 0 : a < b;
  });
}

enum class EntryKind { folders, files };

// Names of the entries of one kind in a folder, sorted; empty when the folder is missing.
std::vector<std::string> entries(const fs::path& folder, EntryKind kind) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code type_ec;
    const bool is_folder = it->is_directory(type_ec);
    if (type_ec) continue;
    if (kind == EntryKind::folders ? is_folder : !is_folder) names.push_back(it->path().filename().string());
  }
  sort_names(names);
  return names;
}

void add_files(const std::string& pasta, std::vector<std::string>& lista, bool recursivo,
               std::set<fs::path>& visited) {
  const fs::path folder = program_file(pasta);
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  if (ec || !visited.insert(canonical).second) return;
  if (recursivo) {
    for (const std::string& name : entries(folder, EntryKind::folders)) {
      add_files(pasta + name + "\\", lista, true, visited);
    }
  }
  for (const std::string& name : entries(folder, EntryKind::files)) lista.push_back(pasta + name);
}

std::string default_picture() {
  return file_store_root() + "\\imagem.jpg";
}

}  // namespace

std::string tipo_folder(TTipo Tipo) {
  for (const auto& entry : kTipos) {
    if (entry.tipo == Tipo) return entry.folder;
  }
  return "";
}

TTipo tipo_from_text(std::string_view text) {
  for (const auto& entry : kTipos) {
    if (SameText(text, entry.value) || SameText(text, entry.folder)) return entry.tipo;
  }
  throw EConvertError(fmt::format("'{}' is not a kind of file (tpProduto, tpDocumento, ...)", text));
}

std::string file_store_root() {
  return LeIni("Caminho", "path", Tabela.ArquivoIni);
}

std::string BuscaArquivo(const std::string& Codigo, const std::string& Arquivo, TTipo Tipo) {
  const std::string root = file_store_root() + "\\arquivos";
  if (is_document(Tipo)) {
    const std::string code = Tipo == tpDocumento ? LimpaCpfCnpj(Codigo) : Codigo;
    const std::string file = root + "\\" + tipo_folder(Tipo) + "\\" + code + "\\" + Arquivo;
    if (stays_inside(code) && stays_inside(Arquivo) && file_exists(file)) {
      open_with_associated_program(program_file(file));
      return "";
    }
    MessageBox("Arquivo não encontrado.", "ZELVO Sistemas", MB_ICONINFORMATION);
    Abort();
  }
  if (!stays_inside(Codigo)) return default_picture();
  std::string folder = root + "\\imagens\\";
  const std::string company = Tabela.SufixoEmpresa;
  if (!company.empty() && is_plain_name(company) && folder_exists(folder + company)) folder += company + "\\";
  return TrataImagem(Trim(folder + tipo_folder(Tipo) + "\\" + Codigo) + ".jpg");
}

std::string SalvaArquivo(const std::string& Codigo, const std::string& Origem, TTipo Tipo,
                         const std::function<void(const std::string&)>& Imagem) {
  if (is_document(Tipo)) return "";
  const std::string root = file_store_root();
  if (Trim(root).empty()) {
    throw EFileStoreError(fmt::format(
        "The file store is not configured (\"path\" of section \"Caminho\" of {})", Tabela.ArquivoIni));
  }
  if (!folder_exists(root)) throw EFileStoreError(fmt::format("The file store's folder {} is missing", root));
  if (!is_plain_name(Codigo))
    throw EFileStoreError(fmt::format("'{}' cannot name a file of the store", Codigo));

  const fs::path source = program_file(Origem);
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) throw EFileStoreError(fmt::format("File {} not found", Origem));

  const std::string folder = root + "\\arquivos\\imagens\\" + tipo_folder(Tipo);
  const std::string stored = folder + "\\" + Codigo + native_path(Origem).extension().string();
  const fs::path folder_path = program_file(folder);
  const fs::path target = program_file(stored);
  fs::create_directories(folder_path, ec);
  if (ec) throw EFileStoreError(fmt::format("Unable to create {}: {}", folder, ec.message()));

  if (!fs::equivalent(source, target, ec)) {
    // Copy next to the target, then rename over it: a station reading the
    // picture meanwhile sees the old file or the new one, never half of one.
    static std::atomic<unsigned> counter{0};
    const fs::path temporary =
        folder_path / fmt::format(".{}.{}.{}.tmp", target.filename().string(), ::getpid(), counter++);
    std::error_code copy_ec;
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, copy_ec);
    if (!copy_ec) fs::rename(temporary, target, copy_ec);
    if (copy_ec) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      throw EFileStoreError(fmt::format("Unable to store {} as {}: {}", Origem, stored, copy_ec.message()));
    }
  }
  if (Imagem) Imagem(stored);
  return stored;
}

std::string TrataImagem(const std::string& Arquivo) {
  return file_exists(Arquivo) ? Arquivo : default_picture();
}

std::vector<std::string> GetDiretorios(const std::string& Pasta) {
  return entries(program_file(Pasta), EntryKind::folders);
}

std::vector<std::string> GetArquivos(const std::string& Pasta, const std::string& Mascara) {
  std::vector<std::string> names = entries(program_file(Pasta), EntryKind::files);
  std::erase_if(names, [&](const std::string& name) { return !matches_mask(name, Mascara); });
  return names;
}

void AddArquivos(std::string Pasta, std::vector<std::string>& Lista, bool Recursivo) {
  if (Pasta.empty() || !is_separator(Pasta.back())) Pasta += '\\';
  std::set<fs::path> visited;
  add_files(Pasta, Lista, Recursivo, visited);
}

TDateTime FileDate(const std::string& Arquivo) {
  std::error_code ec;
  const fs::path path = program_file(Arquivo);
  if (!fs::is_regular_file(path, ec)) return DateNull;
  const auto written = fs::last_write_time(path, ec);
  if (ec) return DateNull;
  const auto moment = std::chrono::file_clock::to_sys(written);
  const auto seconds = std::chrono::floor<std::chrono::seconds>(moment);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(moment - seconds).count();
  const std::time_t t = std::chrono::system_clock::to_time_t(seconds);
  std::tm local{};
  if (!::localtime_r(&t, &local)) return DateNull;
  return EncodeDateTime(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                        static_cast<Word>(local.tm_mday), static_cast<Word>(local.tm_hour),
                        static_cast<Word>(local.tm_min), static_cast<Word>(std::min(local.tm_sec, 59)),
                        static_cast<Word>(ms));
}

bool matches_mask(std::string_view Name, std::string_view Mascara) {
  if (Mascara == "*.*" || Mascara == "*") return true;
  const std::u32string name = ToCodePoints(UpperCase(Name));
  const std::u32string mask = ToCodePoints(UpperCase(Mascara));
  // Greedy match with one back-track point: the position after the last "*".
  size_t n = 0, m = 0;
  size_t star = std::u32string::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == U'*') {
      star = m++;
      resume = n;
    } else if (star != std::u32string::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

}  // namespace zpk
