// The password derivation and the character code of the access unit, without
// a database: stored passwords must keep matching (fixed format and answer),
// and RtnCodificar must undo itself.
#include <string>

#include <gtest/gtest.h>

#include "foundation/access_rights.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

// Values computed independently with `openssl kdf ... PBKDF2` (SHA-256, the
// application salt, 600000 rounds): a change here invalidates every stored password.
TEST(Gera_FB_PASS, MatchesTheStandardDerivation) {
  const struct {
    const char* texto;
    const char* derived;
  } kCases[] = {
      {"senha&%$#(%&ADMINqmwzrtbe37x2p", "6f7482f91ab2c08eb2ead7598ed689c1e2453ced4d3d785e0191be96d6510b76"},
      {"Ação", "8aeae25c38196a08683a25f8644f1dcef46f3eda40f8e93614e44d21475f4042"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(Gera_FB_PASS(c.texto), c.derived);
  }
  EXPECT_EQ(stored_password("senha", "ADMIN"), kCases[0].derived);
  // The login name is part of what is derived.
  EXPECT_NE(stored_password("senha", "ADMIN2"), kCases[0].derived);
}

TEST(RtnCodificar, CombinesWithTheRepeatedKeyAndUndoesItself) {
  const struct {
    const char* texto;
    const char* chave;
    const char* codificado;
  } kCases[] = {
      {"", "k", ""},
      {"\x01\x02\x03", "\x03", "\x02\x01\x03"},  // equal to its key character: unchanged
      {"ABCD", "\x01\x02", "@@BF"},              // the key repeats from its start
      {"A", "AB", "A"},                          // the first character pairs with the key's first
      {"abc", "\x20", "ABC"},
      {"ç", "\x20", "Ç"},                                            // characters, not bytes
      {"\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xF0\x9F\x98\x80"},  // no valid result: unchanged
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.texto);
    const std::string once = RtnCodificar(c.texto, c.chave);
    EXPECT_EQ(once, c.codificado);
    EXPECT_EQ(RtnCodificar(once, c.chave), c.texto);
  }
  EXPECT_THROW(RtnCodificar("abc", ""), EZpkError);
}

}  // namespace
}  // namespace zpk
