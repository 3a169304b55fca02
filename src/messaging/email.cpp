// The e-mail hand-off: checks, the desktop's mail program through xdg-email,
// and the .eml draft for machines without a desktop.
#include "messaging/email.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include <fmt/format.h>

#include "foundation/external_programs.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Base64 of `data`, one line (the caller folds it where it must).
std::string base64(std::string_view data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                       (static_cast<unsigned char>(data[i + 1]) << 8) |
                       static_cast<unsigned char>(data[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (const size_t rest = data.size() - i; rest > 0) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// Base64 in lines of 76 characters, each ended by CRLF (RFC 2045).
std::string base64_lines(std::string_view data) {
  const std::string text = base64(data);
  std::string out;
  for (size_t i = 0; i < text.size(); i += 76) out += text.substr(i, 76) + "\r\n";
  return out;
}

bool is_ascii_printable(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

// A header value: printable ASCII as it stands, anything else (accents, line
// breaks a caller typed) as RFC 2047 words, so no value can start a header
// of its own.
std::string header_text(std::string_view s) {
  if (is_ascii_printable(s)) return std::string(s);
  // Words of at most 45 bytes of text (60 of base64), cut between UTF-8 characters.
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    size_t end = std::min(s.size(), i + 45);
    while (end < s.size() && end > i && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + base64(s.substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

// A mailbox with its display name when there is one.
std::string mailbox(const std::string& address, const std::string& name) {
  if (Trim(name).empty()) return address;
  if (is_ascii_printable(name) && name.find_first_of("\"\\") == std::string::npos)
    return "\"" + name + "\" <" + address + ">";
  return header_text(name) + " <" + address + ">";
}

std::string address_list(const std::vector<std::string>& addresses) {
  std::string out;
  for (const std::string& a : addresses) out += (out.empty() ? "" : ",\r\n ") + a;
  return out;
}

// A plain address the mail software can resolve: local part "@" domain, no
// blanks, controls, angle brackets or commas (which would add recipients or
// headers of their own).
bool resolvable(std::string_view address) {
  const size_t at = address.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 >= address.size()) return false;
  if (address.find('@', at + 1) != std::string_view::npos) return false;
  return std::none_of(address.begin(), address.end(), [](char c) {
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f || c == '<' || c == '>' || c == ',' ||
           c == ';' || c == '"';
  });
}

std::string media_type(const fs::path& file) {
  static const std::array<std::pair<const char*, const char*>, 10> kTypes{{
      {".pdf", "application/pdf"},
      {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".txt", "text/plain"},
      {".csv", "text/csv"},
      {".xml", "application/xml"},
      {".html", "text/html"},
      {".zip", "application/zip"},
  }};
  const std::string ext = LowerCase(file.extension().string());
  for (const auto& [e, type] : kTypes)
    if (ext == e) return type;
  return "application/octet-stream";
}

// The file name parameter: quoted ASCII, else RFC 2231 percent-encoded UTF-8.
std::string file_name_parameter(const std::string& name) {
  if (is_ascii_printable(name) && name.find_first_of("\"\\") == std::string::npos)
    return "filename=\"" + name + "\"";
  std::string out = "filename*=UTF-8''";
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '-' || c == '_')
      out += static_cast<char>(c);
    else
      out += fmt::format("%{:02X}", c);
  }
  return out;
}

std::string read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EZpkError("cannot read the attachment " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "Thu, 10 Dec 2026 16:51:37 -0300": the wall time with this machine's offset.
std::string rfc5322_date(TDateTime when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  Word y, m, d, h, n, s, ms;
  DecodeDate(when, y, m, d);
  DecodeTime(when, h, n, s, ms);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const long offset = local.tm_gmtoff / 60;
  return fmt::format("{}, {:02} {} {} {:02}:{:02}:{:02} {}{:02}{:02}", kDays[DayOfWeek(when) - 1], d,
                     kMonths[m - 1], y, h, n, s, offset < 0 ? '-' : '+', std::abs(offset) / 60,
                     std::abs(offset) % 60);
}

// An argument for a command line that split_command_line reads back as it
// is: quoted, a quote doubled, backslashes doubled where a quote follows.
std::string quoted_argument(std::string_view arg) {
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2, '\\');
      out += "\"\"";
    } else {
      out.append(backslashes, '\\');
      out += c;
    }
    backslashes = 0;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

std::string random_hex(size_t bytes) {
  std::random_device device;
  std::string out;
  for (size_t i = 0; i < bytes; ++i) out += fmt::format("{:02x}", device() & 0xff);
  return out;
}

// The attachments as absolute paths (the mail program runs elsewhere), or
// nullopt when one is not a regular file.
std::optional<std::vector<fs::path>> attachment_paths(const std::vector<std::string>& attachments) {
  std::vector<fs::path> out;
  for (const std::string& a : attachments) {
    std::error_code ec;
    const fs::path path = fs::absolute(fs::path(a), ec);
    if (ec || !fs::is_regular_file(path, ec) || ::access(path.c_str(), R_OK) != 0) return std::nullopt;
    out.push_back(path);
  }
  return out;
}

int hand_to_desktop(const EmailMessage& m, const std::vector<fs::path>& files) {
  const auto program = find_program("xdg-email");
  if (!program) return kEmailFalha;
  std::string line = quoted_argument(program->string());
  auto add = [&line](std::string_view option, std::string_view value) {
    line += " " + std::string(option) + " " + quoted_argument(value);
  };
  for (const std::string& a : m.cc) add("--cc", a);
  for (const std::string& a : m.bcc) add("--bcc", a);
  if (!m.subject.empty()) add("--subject", m.subject);
  if (!m.body.empty()) add("--body", m.body);
  for (const fs::path& f : files) add("--attach", f.string());
  for (const std::string& a : m.to) line += " " + quoted_argument(a);
  return ExecutaEXE(line) ? kEmailSucesso : kEmailFalha;
}

int write_draft(const EmailMessage& m, fs::path* written) {
  const fs::path folder = email_folder();
  const std::string text = compose_eml(m, Now(), "=_zpk_" + random_hex(12));
  // A new name each time: a draft never replaces another one.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path path = folder / (FormatDateTime("yyMMddHHmmss", Now()) + "-" + random_hex(4) + ".eml");
    std::error_code ec;
    if (fs::exists(path, ec)) continue;
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) return kEmailFalha;
    if (written) *written = path;
    return kEmailSucesso;
  }
  return kEmailFalha;
}

std::vector<std::string> split_addresses(std::string_view list) {
  std::vector<std::string> out;
  for (const std::string& a : SplitText(list, ";"))
    if (!Trim(a).empty()) out.push_back(Trim(a));
  return out;
}

// The value of name=value line `name` (any case), "" when missing.
std::string value_of(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && SameText(line.substr(0, eq), name)) return line.substr(eq + 1);
  }
  return {};
}

bool has_value(const std::vector<std::string>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    const size_t eq = line.find('=');
    return eq != std::string::npos && SameText(line.substr(0, eq), name);
  });
}

}  // namespace

bool desktop_mail_available() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool desktop = (x11 && *x11) || (wayland && *wayland);
  return desktop && find_program("xdg-email").has_value();
}

fs::path email_folder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  fs::path base;
  if (data && *data) {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : "/tmp") / ".local" / "share";
  }
  const fs::path folder = base / "zpk" / "email";
  fs::create_directories(folder);
  return folder;
}

std::string compose_eml(const EmailMessage& m, TDateTime when, std::string_view boundary) {
  std::string out;
  if (!m.from.empty()) out += "From: " + mailbox(m.from, m.from_name) + "\r\n";
  if (!m.to.empty()) out += "To: " + address_list(m.to) + "\r\n";
  if (!m.cc.empty()) out += "Cc: " + address_list(m.cc) + "\r\n";
  if (!m.bcc.empty()) out += "Bcc: " + address_list(m.bcc) + "\r\n";
  out += "Subject: " + header_text(m.subject) + "\r\n";
  out += "Date: " + rfc5322_date(when) + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "X-Unsent: 1\r\n";
  out += "Content-Type: multipart/mixed; boundary=\"" + std::string(boundary) + "\"\r\n\r\n";
  out += "This is a multi-part message in MIME format.\r\n";
  out += "--" + std::string(boundary) + "\r\n";
  out += std::string("Content-Type: ") + (m.html ? "text/html" : "text/plain") + "; charset=UTF-8\r\n";
  out += "Content-Transfer-Encoding: base64\r\n\r\n" + base64_lines(m.body);
  for (const std::string& a : m.attachments) {
    const fs::path path(a);
    const std::string name = path.filename().string();
    out += "--" + std::string(boundary) + "\r\n";
    out += "Content-Type: " + media_type(path) + "\r\n";
    out += "Content-Disposition: attachment; " + file_name_parameter(name) + "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n" + base64_lines(read_whole(path));
  }
  out += "--" + std::string(boundary) + "--\r\n";
  return out;
}

int hand_off_email(const EmailMessage& message, fs::path* written) {
  for (const auto* list : {&message.to, &message.cc, &message.bcc})
    for (const std::string& a : *list)
      if (!resolvable(a)) return kEmailDestinatarioInvalido;
  if (!message.from.empty() && !resolvable(message.from)) return kEmailDestinatarioInvalido;
  const auto files = attachment_paths(message.attachments);
  if (!files) return kEmailAnexoNaoEncontrado;
  if (desktop_mail_available()) return hand_to_desktop(message, *files);
  EmailMessage absolute = message;
  absolute.attachments.clear();
  for (const fs::path& f : *files) absolute.attachments.push_back(f.string());
  return write_draft(absolute, written);
}

void EnviaOutLook(std::string_view Para, std::string_view CC, std::string_view CCo, std::string_view Assunto,
                  std::string_view Corpo, std::string_view Anexos, bool Html, bool /*Exibir*/,
                  std::string& Erro) {
  Erro.clear();
  std::vector<std::string> dados;
  std::string to(Para);
  if (!Trim(CC).empty()) to += ";" + std::string(CC);
  dados.push_back("to=" + to);
  dados.push_back("subject=" + std::string(Assunto));
  dados.push_back("body=" + std::string(Corpo));
  if (!CCo.empty()) dados.push_back("CCo=" + std::string(CCo));
  int i = 0;
  for (const std::string& a : SplitText(Anexos, ";"))
    if (!Trim(a).empty()) dados.push_back("attachment" + std::to_string(i++) + "=" + Trim(a));
  if (Html) dados.push_back("html=S");
  if (SendEMail(nullptr, dados) != kEmailSucesso)
    MessageBox("Ocorreu um erro ao criar o e-mail ou foi cancelado pelo usuário.", "EMAIL",
               MB_OK | MB_ICONWARNING);
}

int SendEMail(const void* /*Handle*/, const std::vector<std::string>& Dados) {
  EmailMessage m;
  m.to = split_addresses(value_of(Dados, "to"));
  m.bcc = split_addresses(value_of(Dados, "CCo"));
  m.subject = value_of(Dados, "subject");
  m.body = value_of(Dados, "body");
  m.html = value_of(Dados, "html") == "S";
  for (int i = 0; has_value(Dados, "attachment" + std::to_string(i)); ++i)
    m.attachments.push_back(value_of(Dados, "attachment" + std::to_string(i)));
  return hand_off_email(m);
}

std::string SendMapiMail(std::string_view Para, std::string_view CC, std::string_view CCo,
                         std::string_view Assunto, std::string_view Corpo,
                         const std::vector<std::string>& Anexos) {
  EmailMessage m;
  m.to = split_addresses(Para);
  m.cc = split_addresses(CC);
  m.bcc = split_addresses(CCo);
  m.subject = std::string(Assunto);
  m.body = std::string(Corpo);
  m.attachments = Anexos;
  switch (const int code = hand_off_email(m)) {
    case kEmailSucesso:
      return {};
    case 2:
      return "Ocorreram erros não especificados!\rVerifique se o Outlook Express é o sistema de mensagens "
             "padrão.";
    case 5:
      return "Memória insuficiente!!";
    case 21:
      return "O destinatário não pode ser resolvido!!";
    case 26:
      return "Operação não suportada pelo sistema de mensagens!";
    default:
      return "Erro (" + std::to_string(code) + ") desconhecido !";
  }
}

int EnviaEmail(std::string_view Assunto, std::string_view Corpo, std::string_view Anexo,
               std::string_view EmailPara, std::string_view NomePara, std::string_view EmailDe,
               std::string_view NomeDe) {
  EmailMessage m;
  m.subject = std::string(Assunto);
  m.body = std::string(Corpo);
  if (!EmailPara.empty()) m.to.push_back(std::string(EmailPara));
  (void)NomePara;  // xdg-email and the draft's To line take the plain address
  if (!EmailDe.empty()) {
    m.from = std::string(EmailDe);
    m.from_name = NomeDe.empty() ? std::string() : std::string(NomeDe);
  }
  if (!Anexo.empty()) m.attachments.push_back(std::string(Anexo));
  const int code = hand_off_email(m);
  if (code != kEmailSucesso) MessageBox("Error sending mail (" + std::to_string(code) + ").", "Error", MB_OK);
  return code;
}

}  // namespace zpk
