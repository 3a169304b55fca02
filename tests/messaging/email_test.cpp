// The e-mail hand-off: the .eml draft read back (headers, boundary, the
// attachment decoded byte for byte) and the desktop's mail program played by
// a stand-in xdg-email on PATH that records its arguments.
#include <openssl/evp.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "messaging/email.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/scoped.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;

std::string decode_base64(std::string text) {
  std::string clean;
  for (char c : text)
    if (c != '\r' && c != '\n') clean += c;
  std::string out(clean.size() / 4 * 3, '\0');
  const int n =
      EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                      reinterpret_cast<const unsigned char*>(clean.data()), static_cast<int>(clean.size()));
  EXPECT_GE(n, 0);
  const size_t pad = clean.size() >= 2 ? (clean.end()[-1] == '=') + (clean.end()[-2] == '=') : 0;
  out.resize(static_cast<size_t>(std::max(n, 0)) - pad);
  return out;
}

// The text between `from` and the next `to` after it.
std::string between(const std::string& s, const std::string& from, const std::string& to) {
  const size_t a = s.find(from);
  if (a == std::string::npos) return {};
  const size_t b = s.find(to, a + from.size());
  return s.substr(a + from.size(), b == std::string::npos ? std::string::npos : b - a - from.size());
}

class Email : public ::testing::Test {
 protected:
  test::TempFolder folder_{"email"};
  test::ScopedEnv data_{"XDG_DATA_HOME", folder_.path().c_str()};
  test::ScopedEnv x11_{"DISPLAY", nullptr};
  test::ScopedEnv wayland_{"WAYLAND_DISPLAY", nullptr};
  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};

  fs::path drafts() const { return folder_ / "zpk" / "email"; }
  std::vector<fs::path> written() const {
    std::vector<fs::path> out;
    if (fs::exists(drafts()))
      for (const auto& e : fs::directory_iterator(drafts())) out.push_back(e.path());
    return out;
  }
  // A file holding every byte value, twice, so that base64 covers each.
  fs::path binary_file(const std::string& name) const {
    std::string bytes;
    for (int round = 0; round < 2; ++round)
      for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    bytes += "x";  // a length that leaves one byte for the last group
    test::write_file(folder_ / name, bytes);
    return folder_ / name;
  }
};

TEST_F(Email, DraftReadBack) {
  const fs::path anexo = binary_file("relatório 1.pdf");
  EXPECT_EQ(SendMapiMail("ana@loja.com.br;", "bia@loja.com.br", "", "Pedido nº 851\r\nBcc: intruso@x.com",
                         "Segue o pedido.\nAtt.", {anexo.string()}),
            "");
  const auto files = written();
  ASSERT_EQ(files.size(), 1u);
  const std::string eml = test::read_file(files.front());
  const std::string headers = "\r\n" + eml.substr(0, eml.find("\r\n\r\n"));  // each header after a CRLF

  EXPECT_NE(headers.find("\r\nTo: ana@loja.com.br\r\n"), std::string::npos)
      << headers;  // one recipient, no empty one
  EXPECT_NE(headers.find("\r\nCc: bia@loja.com.br\r\n"), std::string::npos) << headers;
  EXPECT_EQ(headers.find("\nBcc:"), std::string::npos) << headers;  // the typed line break starts no header
  EXPECT_NE(headers.find("MIME-Version: 1.0"), std::string::npos);
  EXPECT_NE(headers.find("\r\nDate: "), std::string::npos);
  // The subject comes back whole from its encoded words.
  std::string subject;
  for (const std::string& word : SplitText(between(headers, "Subject: ", "\r\nDate:"), "?="))
    if (const size_t at = word.find("=?UTF-8?B?"); at != std::string::npos)
      subject += decode_base64(word.substr(at + 10));
  EXPECT_EQ(subject, "Pedido nº 851\r\nBcc: intruso@x.com");

  const std::string boundary = between(headers, "boundary=\"", "\"");
  ASSERT_FALSE(boundary.empty());
  const std::vector<std::string> parts = SplitText(eml, "--" + boundary);
  ASSERT_EQ(parts.size(), 4u);  // preamble, body, attachment, closing "--"
  EXPECT_EQ(parts[3], "--\r\n");
  EXPECT_NE(parts[1].find("Content-Type: text/plain; charset=UTF-8"), std::string::npos);
  EXPECT_EQ(decode_base64(between(parts[1], "\r\n\r\n", "\r\n\r\n")), "Segue o pedido.\nAtt.");
  EXPECT_NE(parts[2].find("Content-Type: application/pdf"), std::string::npos);
  EXPECT_NE(parts[2].find("filename*=UTF-8''relat%C3%B3rio%201.pdf"), std::string::npos) << parts[2];
  EXPECT_EQ(decode_base64(between(parts[2], "\r\n\r\n", "\r\n\r\n")), test::read_file(anexo));
}

TEST_F(Email, RefusedBeforeAnythingIsWritten) {
  const fs::path anexo = binary_file("a.bin");
  const struct {
    const char* name;
    const char* para;
    std::vector<std::string> anexos;
    const char* erro;
  } kCases[] = {
      {"address with a header after it",
       "a@x.com\r\nBcc: b@y.com",
       {},
       "O destinatário não pode ser resolvido!!"},
      {"not an address", "fulano", {}, "O destinatário não pode ser resolvido!!"},
      {"two addresses joined by a comma", "a@x.com,b@y.com", {}, "O destinatário não pode ser resolvido!!"},
      {"missing attachment",
       "a@x.com",
       {anexo.string(), (folder_ / "nao-existe.pdf").string()},
       "Erro (11) desconhecido !"},
      {"folder as attachment", "a@x.com", {folder_.path().string()}, "Erro (11) desconhecido !"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SendMapiMail(c.para, "", "", "s", "b", c.anexos), c.erro);
    EXPECT_TRUE(written().empty());
  }
  // The failure reaches the user of EnviaOutLook in the warning box, and EnviaEmail's with its code.
  std::string erro = "anterior";
  EnviaOutLook("fulano", "", "", "s", "b", "", false, true, erro);
  EXPECT_EQ(erro, "");
  EXPECT_EQ(dialogs_.last().caption, "EMAIL");
  EXPECT_EQ(dialogs_.last().text, "Ocorreu um erro ao criar o e-mail ou foi cancelado pelo usuário.");
  EXPECT_EQ(EnviaEmail("s", "b", (folder_ / "x.pdf").string(), "a@x.com", "", "", ""), 11);
  EXPECT_EQ(dialogs_.last().text, "Error sending mail (11).");
}

class DesktopEmail : public Email {
 protected:
  void SetUp() override {
    fs::create_directories(folder_ / "bin");
    test::write_file(folder_ / "bin" / "xdg-email",
                     "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$ZPK_TEST_MAIL_LOG\"\n");
    ::chmod((folder_ / "bin" / "xdg-email").c_str(), 0755);
  }
  std::vector<std::string> arguments() const {
    std::vector<std::string> out;
    std::string log = test::read_file(folder_ / "args");
    for (size_t start = 0, end; (end = log.find('\0', start)) != std::string::npos; start = end + 1)
      out.push_back(log.substr(start, end - start));
    return out;
  }
  test::ScopedEnv display_{"DISPLAY", ":99"};
  std::string path_ = (folder_ / "bin").string() + ":" + std::getenv("PATH");
  test::ScopedEnv path_env_{"PATH", path_.c_str()};
  test::ScopedEnv log_{"ZPK_TEST_MAIL_LOG", (folder_ / "args").c_str()};
};

TEST_F(DesktopEmail, MailProgramGetsTheMessage) {
  const fs::path a = binary_file("one \"q\" \\x.pdf");
  const fs::path b = binary_file("two.xlsx");
  std::string erro;
  EnviaOutLook("ana@loja.com", " bia@loja.com ", "chefe@loja.com", "Relatório", "linha 1\nlinha \"2\" \\",
               a.string() + ";" + b.string(), false, true, erro);
  EXPECT_EQ(erro, "");
  EXPECT_TRUE(dialogs_.records().empty());
  EXPECT_EQ(arguments(),
            (std::vector<std::string>{"--bcc", "chefe@loja.com", "--subject", "Relatório", "--body",
                                      "linha 1\nlinha \"2\" \\", "--attach", a.string(), "--attach",
                                      b.string(), "ana@loja.com", "bia@loja.com"}));
  EXPECT_TRUE(written().empty());
}

TEST_F(DesktopEmail, NoMailProgramFallsBackToDraft) {
  test::ScopedEnv only_system{"PATH", "/usr/bin:/bin"};
  if (desktop_mail_available()) GTEST_SKIP() << "xdg-email is installed on this machine";
  EXPECT_EQ(SendMapiMail("ana@loja.com", "", "", "s", "b", {}), "");
  EXPECT_EQ(written().size(), 1u);
}

}  // namespace
}  // namespace zpk
