#include "documents/unixcrypt.hpp"

#include <crypt.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

// The platform's crypt(3) (libxcrypt), which takes the key as bytes.
std::string system_crypt(const std::string& key_bytes, const std::string& salt) {
  struct crypt_data data {};
  const char* hash = ::crypt_r(key_bytes.c_str(), salt.c_str(), &data);
  return hash ? hash : "";
}

TEST(crypt, EqualsThePlatformCrypt) {
  const struct {
    const char* key;        // as the library receives it (UTF-8)
    const char* key_bytes;  // the same for crypt(3): one Latin-1 byte per character
  } kKeys[] = {
      {"", ""},
      {"a", "a"},
      {"password", "password"},
      {"12345678", "12345678"},
      {"senha do supervisor", "senha do supervisor"},  // only the first eight count
      {"ação123", "a\xe7\xe3o123"},
      {"ÀÉÎÕÜçñ~", "\xc0\xc9\xce\xd5\xdc\xe7\xf1~"},
  };
  for (const auto& k : kKeys) {
    for (const char* salt : {"ab", "..", "//", "zZ", "9A", "./", "Zz"}) {
      SCOPED_TRACE(std::string(k.key) + " / " + salt);
      const std::string hash = crypt(k.key, salt);
      EXPECT_EQ(hash, system_crypt(k.key_bytes, salt));
      EXPECT_EQ(hash.size(), 13u);
    }
  }
}

TEST(crypt, KeyCountsOnlyItsFirstEightCharacters) {
  EXPECT_EQ(crypt("abcdefghXYZ", "ab"), crypt("abcdefgh", "ab"));
  EXPECT_NE(crypt("abcdefgX", "ab"), crypt("abcdefgh", "ab"));
}

TEST(crypt, SaltOutsideTheAlphabetPerturbsWithItsSixLowBits) {
  // crypt(3) of this platform refuses such salts; they hash like the alphabet
  // character with the same arithmetic value, and the result keeps the salt as given.
  const struct {
    const char* salt;
    const char* same_as;
  } kSalts[] = {
      {"!a", "na"},                // '!' - '.' = -13, low six bits 51
      {"{z", ".z"},                // 123 - 6 - 7 - 46 = 64, low six bits 0
      {":_", "3Y"},                // ':' - 7 - 46 = 5; '_' - 6 - 7 - 46 = 36
      {"~~", "11"}, {"é/", "i/"},  // U+00E9: 233 - 59 = 174, low six bits 46
  };
  for (const auto& s : kSalts) {
    SCOPED_TRACE(s.salt);
    const std::string hash = crypt("password", s.salt);
    const std::string reference = system_crypt("password", s.same_as);
    ASSERT_EQ(reference.size(), 13u);
    EXPECT_EQ(Copy(hash, 1, 2), s.salt);
    EXPECT_EQ(Copy(hash, 3, 11), reference.substr(2));
    EXPECT_EQ(Length(hash), 13);
  }
}

TEST(crypt, ShortSaltsAndVerification) {
  // A one-character salt counts twice, an empty salt as "..", so the hash always
  // verifies against itself used as the salt.
  EXPECT_EQ(crypt("senha", "a"), system_crypt("senha", "aa"));
  EXPECT_EQ(crypt("senha", ""), system_crypt("senha", ".."));
  for (const char* salt : {"ab", "a", "", "!a"}) {
    SCOPED_TRACE(salt);
    const std::string hash = crypt("senha", salt);
    EXPECT_EQ(crypt("senha", hash), hash);
    EXPECT_NE(crypt("senhA", hash), hash);
  }
}

}  // namespace
}  // namespace zpk
