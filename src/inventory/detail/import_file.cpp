#include "inventory/detail/import_file.hpp"

#include <charconv>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::detail {

namespace {

// The text without the blanks and control characters at its end.
std::string_view trim_right(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 32) --n;
  return s.substr(0, n);
}

std::string_view trim(std::string_view s) {
  s = trim_right(s);
  size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= 32) ++b;
  return s.substr(b);
}

}  // namespace

bool valid_utf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    const unsigned c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int extra = 0;
    unsigned cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;  // a continuation byte, an overlong lead (C0, C1) or past F4
    }
    if (end - p <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[k] & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    p += extra + 1;
  }
  return true;
}

std::string shown_value(std::string_view value) {
  constexpr int kShown = 40;
  return Length(value) <= kShown ? std::string(value) : Copy(value, 1, kShown) + "...";
}

bool plain_identifier(std::string_view s) {
  if (s.empty() || s.size() > 63) return false;
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!letter(s[0])) return false;
  for (char c : s) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '$') return false;
  }
  return true;
}

TPosicoes header_columns(std::string_view line) {
  const std::u32string text = ToCodePoints(line);
  TPosicoes columns;
  const int n = static_cast<int>(text.size());
  int start = 1;
  const auto close = [&](int end) {  // the column from `start` to `end`, inclusive
    TPosicao p;
    p.ini = start;
    p.fim = end - start + 1;
    p.campo = Trim(FromCodePoints(std::u32string_view(text).substr(start - 1, p.fim)));
    // Blanks before the first name hold no column; any other column is kept,
    // so a name of control characters is refused, not its data lost unseen.
    if (!p.campo.empty() || start != 1) columns.push_back(std::move(p));
  };
  for (int i = 2; i <= n; ++i) {
    if (text[i - 1] != U' ' && text[i - 2] == U' ') {
      close(i - 1);
      start = i;
    }
  }
  if (n > 0) close(n);
  return columns;
}

std::string column_slice(std::u32string_view line, const TPosicao& column, bool last) {
  const size_t from = static_cast<size_t>(column.ini - 1);
  if (column.ini < 1 || column.fim <= 0 || from >= line.size()) return {};
  return Trim(
      FromCodePoints(line.substr(from, last ? std::u32string_view::npos : static_cast<size_t>(column.fim))));
}

std::string column_slice(std::string_view line, const TPosicao& column, bool last) {
  return column_slice(std::u32string_view(ToCodePoints(line)), column, last);
}

std::optional<size_t> blob_count(std::string_view value) {
  const size_t at = value.find(kBlobMark);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view digits = trim(value.substr(at + kBlobMark.size()));
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  size_t n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

ImportFileReader::ImportFileReader(std::string_view text, std::optional<std::string> blobs)
    : text_(text), blobs_(std::move(blobs)) {
  const std::string_view all = text_;
  int number = 1;
  size_t begin = 0;
  for (size_t i = 0; i <= all.size(); ++i) {
    if (i < all.size() && all[i] != '\n' && all[i] != '\r') continue;
    const std::string_view line = trim_right(all.substr(begin, i - begin));
    if (!line.empty()) lines_.push_back({number, line});
    if (i < all.size() && all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
    begin = i + 1;
    ++number;
  }
}

bool ImportFileReader::read_section(const Line& line, ImportItem& item) {
  section_ = ImportSection{};
  section_.line = line.number;
  item.kind = ImportItem::Kind::error;
  item.line = line.number;
  // The header is the next line of the file that is not empty; it belongs to
  // the section even when the section line itself cannot be used.
  const Line* header = nullptr;
  if (next_ < lines_.size() && lines_[next_].text.front() != ';') header = &lines_[next_++];
  if (!valid_utf8(line.text)) {
    item.message = "Linha de seção com texto que não é UTF-8";
    return true;
  }
  const std::string_view body = line.text.substr(1);
  const size_t dash = body.find('-');
  if (dash == std::string_view::npos) {
    item.message = "Linha de seção sem '-' entre a tabela e as chaves (;TABELA-CHAVE1,CHAVE2)";
    return true;
  }
  section_.table = std::string(trim(body.substr(0, dash)));
  if (!plain_identifier(section_.table)) {
    item.message = fmt::format("Nome de tabela inválido: '{}'", shown_value(section_.table));
    return true;
  }
  for (const std::string& key : SplitText(body.substr(dash + 1), ",")) {
    const std::string_view k = trim(key);
    if (k.empty()) continue;
    if (!plain_identifier(k)) {
      item.message = fmt::format("Nome de chave inválido: '{}'", shown_value(k));
      return true;
    }
    section_.keys.emplace_back(k);
  }
  if (header == nullptr) {
    item.message = fmt::format("Seção {} sem colunas: falta a linha de cabeçalho", section_.table);
    return true;
  }
  section_.header_line = header->number;
  item.line = header->number;
  if (!valid_utf8(header->text)) {
    item.message = "Cabeçalho com texto que não é UTF-8";
    return true;
  }
  section_.columns = header_columns(header->text);
  for (size_t c = 0; c < section_.columns.size(); ++c) {
    const std::string& name = section_.columns[c].campo;
    if (!plain_identifier(name)) {
      item.message = fmt::format("Nome de coluna inválido no cabeçalho: '{}'", shown_value(name));
      return true;
    }
    for (size_t d = 0; d < c; ++d) {
      if (SameText(section_.columns[d].campo, name)) {
        item.message = fmt::format("Coluna {} repetida no cabeçalho", shown_value(name));
        return true;
      }
    }
  }
  item.kind = ImportItem::Kind::section;
  item.line = line.number;
  section_open_ = true;
  return true;
}

bool ImportFileReader::next(ImportItem& item) {
  item = ImportItem{};
  while (next_ < lines_.size()) {
    const Line& line = lines_[next_++];
    if (line.text.front() == ';') {
      section_open_ = false;
      return read_section(line, item);
    }
    if (!section_open_) {
      // Lines before the first section belong to no table: each is an error.
      if (section_.line == 0) {
        item.kind = ImportItem::Kind::error;
        item.line = line.number;
        item.message = "Registro antes da primeira seção (;TABELA-CHAVES)";
        return true;
      }
      ++skipped_;
      continue;
    }
    item.line = line.number;
    if (!valid_utf8(line.text)) {
      item.kind = ImportItem::Kind::error;
      item.message = "Registro com texto que não é UTF-8";
      return true;
    }
    record_.line = line.number;
    record_.text = std::string(line.text);
    decoded_ = ToCodePoints(line.text);
    record_.values.clear();
    for (size_t c = 0; c < section_.columns.size(); ++c) {
      record_.values.push_back(column_slice(decoded_, section_.columns[c], c + 1 == section_.columns.size()));
    }
    item.kind = ImportItem::Kind::record;
    return true;
  }
  return false;
}

std::string ImportFileReader::take_blob(std::string_view value, int line) {
  if (blob_lost_at_ != 0) {
    throw EZpkError(
        fmt::format("Conteúdo do arquivo .Blob ignorado: sua posição se perdeu na linha {}", blob_lost_at_));
  }
  const std::optional<size_t> count = blob_count(value);
  if (!count) {
    blob_lost_at_ = line;
    throw EZpkError(fmt::format("Tamanho de blob que não é um número: '{}'", shown_value(value)));
  }
  if (!blobs_) {
    blob_lost_at_ = line;
    throw EZpkError(fmt::format("O arquivo .Blob não existe; o valor '{}' precisa dele", shown_value(value)));
  }
  if (*count > blobs_->size() - blob_position_) {
    blob_lost_at_ = line;
    throw EZpkError(fmt::format("Arquivo .Blob curto: o valor '{}' pede {} bytes, restam {}",
                                shown_value(value), *count, blobs_->size() - blob_position_));
  }
  std::string bytes = blobs_->substr(blob_position_, *count);
  blob_position_ += *count;
  return bytes;
}

}  // namespace zpk::detail
