// Every `zpk call` entry against the declaration of the routine it wraps, read
// from the library's headers: the same parameters, names, defaults and var
// parameters, in the same order; and the dispatcher accepts exactly that list.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "registry.hpp"
#include "run_zpk.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

// One parameter as the header declares it.
struct DeclaredParam {
  std::string name;
  bool has_default = false;
  bool by_reference = false;  // a non-const lvalue reference: the routine writes it
};

// A header's text without its comments (string and character literals kept).
std::string strip_comments(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const size_t start = i;
      for (++i; i < text.size() && text[i] != c; ++i) {
        if (text[i] == '\\') ++i;
      }
      out += text.substr(start, i - start + 1);
    } else if (text.compare(i, 2, "//") == 0) {
      while (i < text.size() && text[i] != '\n') ++i;
      out += '\n';
    } else if (text.compare(i, 2, "/*") == 0) {
      i = text.find("*/", i + 2);
      if (i == std::string::npos) break;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

bool is_word(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The index of the bracket closing the one at `open`, over (), <>, {} and [].
size_t closing(const std::string& text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      for (++i; i < text.size() && text[i] != c; ++i) {
        if (text[i] == '\\') ++i;
      }
    } else if (c == '(' || c == '<' || c == '{' || c == '[') {
      ++depth;
    } else if (c == ')' || c == '>' || c == '}' || c == ']') {
      if (--depth == 0) return i;
    }
  }
  return std::string::npos;
}

std::string trim(std::string s) {
  const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
  s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), space));
  s.erase(std::find_if_not(s.rbegin(), s.rend(), space).base(), s.end());
  return s;
}

// The parameters between the brackets at `open` and `close`.
std::vector<DeclaredParam> parse_params(const std::string& text, size_t open, size_t close) {
  std::vector<std::string> pieces{""};
  int depth = 0;
  for (size_t i = open + 1; i < close; ++i) {
    const char c = text[i];
    if (c == '(' || c == '<' || c == '{' || c == '[') ++depth;
    if (c == ')' || c == '>' || c == '}' || c == ']') --depth;
    if (c == ',' && depth == 0) {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  std::vector<DeclaredParam> params;
  for (std::string piece : pieces) {
    piece = trim(piece);
    if (piece.empty()) continue;
    DeclaredParam p;
    // A default follows the first "=" outside brackets.
    int d = 0;
    for (size_t i = 0; i < piece.size(); ++i) {
      if (piece[i] == '(' || piece[i] == '<' || piece[i] == '{') ++d;
      if (piece[i] == ')' || piece[i] == '>' || piece[i] == '}') --d;
      if (piece[i] == '=' && d == 0) {
        p.has_default = true;
        piece = trim(piece.substr(0, i));
        break;
      }
    }
    size_t start = piece.size();
    while (start > 0 && is_word(piece[start - 1])) --start;
    p.name = piece.substr(start);
    const std::string type = piece.substr(0, start);
    p.by_reference = type.find('&') != std::string::npos && type.find("const ") == std::string::npos &&
                     type.find("&&") == std::string::npos;
    params.push_back(p);
  }
  return params;
}

// The headers of src/, comments removed, with where their classes' bodies lie.
struct Header {
  std::string path;
  std::string text;
  std::vector<std::pair<std::string, std::pair<size_t, size_t>>> classes;  // name, body [open, close]
};

std::vector<Header> read_headers() {
  std::vector<Header> headers;
  for (const auto& file : fs::recursive_directory_iterator(fs::path(ZPK_SOURCE_DIR) / "src")) {
    if (file.path().extension() != ".hpp") continue;
    std::ifstream in(file.path());
    std::stringstream buffer;
    buffer << in.rdbuf();
    Header h{file.path().string(), strip_comments(buffer.str()), {}};
    for (size_t at = h.text.find("class "); at != std::string::npos; at = h.text.find("class ", at + 6)) {
      if (at > 0 && is_word(h.text[at - 1])) continue;
      size_t name_end = at + 6;
      while (name_end < h.text.size() && is_word(h.text[name_end])) ++name_end;
      const size_t brace = h.text.find_first_of("{;", name_end);
      if (brace == std::string::npos || h.text[brace] != '{') continue;  // a forward declaration
      h.classes.push_back({h.text.substr(at + 6, name_end - at - 6), {brace, closing(h.text, brace)}});
    }
    headers.push_back(std::move(h));
  }
  return headers;
}

// Where `routine` is declared: in the body of `class_name`, or outside every
// class when that is empty. Fails the test when it is declared more than once.
std::optional<std::vector<DeclaredParam>> find_declaration(const std::vector<Header>& headers,
                                                           const std::string& class_name,
                                                           const std::string& routine) {
  std::optional<std::vector<DeclaredParam>> found;
  std::string where;
  for (const Header& h : headers) {
    for (size_t at = h.text.find(routine); at != std::string::npos; at = h.text.find(routine, at + 1)) {
      const size_t end = at + routine.size();
      if ((at > 0 && is_word(h.text[at - 1])) || (end < h.text.size() && is_word(h.text[end]))) continue;
      size_t open = end;
      while (open < h.text.size() && std::isspace(static_cast<unsigned char>(h.text[open]))) ++open;
      if (open >= h.text.size() || h.text[open] != '(') continue;
      // A declaration has its result type before the name (a call would have an operator or "return").
      size_t before = at;
      while (before > 0 && std::isspace(static_cast<unsigned char>(h.text[before - 1]))) --before;
      if (before == 0) continue;
      const char prev = h.text[before - 1];
      if (!(is_word(prev) || prev == '>' || prev == '&' || prev == '*')) continue;
      if (before >= 6 && h.text.compare(before - 6, 6, "return") == 0) continue;
      const auto in_class = std::find_if(h.classes.begin(), h.classes.end(), [at](const auto& c) {
        return at > c.second.first && at < c.second.second;
      });
      const bool wanted = class_name.empty() ? in_class == h.classes.end()
                                             : in_class != h.classes.end() && in_class->first == class_name;
      if (!wanted) continue;
      EXPECT_FALSE(found) << routine << " is declared in " << where << " and in " << h.path;
      found = parse_params(h.text, open, closing(h.text, open));
      where = h.path;
    }
  }
  return found;
}

// A named value: "NAME{" or "NAME =" after its type.
bool declares_constant(const std::vector<Header>& headers, const std::string& name) {
  return std::any_of(headers.begin(), headers.end(), [&name](const Header& h) {
    return h.text.find(" " + name + "{") != std::string::npos ||
           h.text.find(" " + name + " =") != std::string::npos;
  });
}

TEST(CallRegistry, EveryEntryTakesTheParametersItsRoutineDeclares) {
  const std::vector<Header> headers = read_headers();
  ASSERT_FALSE(headers.empty());
  ASSERT_FALSE(call_registry().empty());
  for (const auto& [name, entry] : call_registry()) {
    SCOPED_TRACE(entry.class_name.empty() ? name : entry.class_name + "::" + name);
    EXPECT_EQ(entry.name, name);
    if (entry.constant) {
      EXPECT_TRUE(declares_constant(headers, name));
      continue;
    }
    const auto declared = find_declaration(headers, entry.class_name, name);
    ASSERT_TRUE(declared) << "no declaration found in src/";
    ASSERT_EQ(entry.arity(), declared->size());
    size_t without_default = 0;
    while (without_default < declared->size() && !(*declared)[without_default].has_default) ++without_default;
    EXPECT_EQ(entry.required, without_default);
    for (size_t i = 0; i < declared->size(); ++i) {
      SCOPED_TRACE("parameter " + std::to_string(i + 1));
      EXPECT_EQ(entry.params[i].name, (*declared)[i].name);
      EXPECT_EQ(entry.params[i].optional, (*declared)[i].has_default);
      EXPECT_EQ(entry.params[i].var, (*declared)[i].by_reference);
    }
  }
}

TEST(CallRegistry, AcceptsTheWholeSignatureAndNothingBeyondIt) {
  for (const auto& [name, entry] : call_registry()) {
    SCOPED_TRACE(name);
    std::vector<std::string> args;
    for (const CallParam& p : entry.params) args.push_back(p.sample);
    // Every parameter, with or without a default, is accepted and converts.
    EXPECT_EQ(entry.argument_problem(args), "");
    EXPECT_NO_THROW(entry.check(args));
    // Defaults may be left out from the end, down to the parameters that have none.
    const std::vector<std::string> shortest(args.begin(), args.begin() + static_cast<long>(entry.required));
    EXPECT_EQ(entry.argument_problem(shortest), "");
    EXPECT_NO_THROW(entry.check(shortest));
    if (entry.required > 0) {
      EXPECT_NE(entry.argument_problem(std::vector<std::string>(shortest.begin(), shortest.end() - 1)), "");
    }
    // One more is refused, never taken for something else.
    args.push_back("extra");
    EXPECT_NE(entry.argument_problem(args), "");
  }
}

TEST(CallRegistry, ListShowsEachRoutineWithItsArguments) {
  const test::ZpkRun run = test::run_zpk({"call", "--list"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines.size(), call_registry().size());
  const char* const kLines[] = {
      "Proximo NomeTabela Campo [Tamanho] [Flag]",
      "DBLocal NomeTabela [Flag]",
      "ConverteUnidade UnOrigem UnDestino var:UnResultado Qtde",
      "PegaPesoBalanca Leitura var:Estavel [Balanca]",
      "MovimentaEstoqueProduto Commit [TEstoque property=value...]",
      "NomeUsuarioSenha",
  };
  for (const char* expected : kLines) {
    SCOPED_TRACE(expected);
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());
  }
}

}  // namespace
}  // namespace zpk::cli
