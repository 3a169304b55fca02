#include "documents/unixcrypt.hpp"

#include <array>
#include <cstdint>
#include <utility>

#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

// DES tables of FIPS 46, bit positions counted from 1 at the most significant bit.
constexpr std::array<uint8_t, 64> kIP = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                                         62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                                         57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                                         61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::array<uint8_t, 56> kPC1 = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                          10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                          63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                          14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::array<uint8_t, 48> kPC2 = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                          26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                          51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::array<uint8_t, 16> kShifts = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr std::array<uint8_t, 48> kE = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                                        12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                                        22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

constexpr std::array<uint8_t, 32> kP = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                        2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Bit `position` (1 = most significant) of a `width`-bit value.
constexpr uint64_t bit(uint64_t value, int width, int position) {
  return (value >> (width - position)) & 1;
}

// Applies a permutation table: output bit k is input bit table[k].
template <size_t N>
constexpr uint64_t permute(uint64_t value, int width, const std::array<uint8_t, N>& table) {
  uint64_t out = 0;
  for (uint8_t position : table) out = (out << 1) | bit(value, width, position);
  return out;
}

// The final permutation, the inverse of IP.
constexpr std::array<uint8_t, 64> make_fp() {
  std::array<uint8_t, 64> fp{};
  for (int i = 0; i < 64; ++i) fp[kIP[i] - 1] = static_cast<uint8_t>(i + 1);
  return fp;
}
constexpr std::array<uint8_t, 64> kFP = make_fp();

// The expansion E as four byte-wise tables: the 48-bit expansion of a 32-bit
// half is the OR of the contributions of its four bytes.
struct ExpansionTables {
  uint64_t by_byte[4][256];
};
constexpr ExpansionTables make_expansion() {
  ExpansionTables t{};
  for (int b = 0; b < 4; ++b) {
    for (uint32_t v = 0; v < 256; ++v) t.by_byte[b][v] = permute(uint64_t{v} << (24 - 8 * b), 32, kE);
  }
  return t;
}
constexpr ExpansionTables kExpansion = make_expansion();

// S-box k followed by P, indexed by the box's six input bits.
struct SPTables {
  uint32_t box[8][64];
};
constexpr SPTables make_sp() {
  SPTables t{};
  for (int k = 0; k < 8; ++k) {
    for (int in = 0; in < 64; ++in) {
      const int row = ((in >> 4) & 2) | (in & 1);
      const int col = (in >> 1) & 15;
      const uint64_t nibble = kS[k][row * 16 + col];
      t.box[k][in] = static_cast<uint32_t>(permute(nibble << (28 - 4 * k), 32, kP));
    }
  }
  return t;
}
constexpr SPTables kSP = make_sp();

// The 16 round keys of DES for an eight-byte key.
std::array<uint64_t, 16> key_schedule(uint64_t key) {
  const uint64_t cd = permute(key, 64, kPC1);
  uint32_t c = static_cast<uint32_t>(cd >> 28) & 0x0FFFFFFF;
  uint32_t d = static_cast<uint32_t>(cd) & 0x0FFFFFFF;
  std::array<uint64_t, 16> keys{};
  for (int round = 0; round < 16; ++round) {
    for (int s = 0; s < kShifts[round]; ++s) {
      c = ((c << 1) | (c >> 27)) & 0x0FFFFFFF;
      d = ((d << 1) | (d >> 27)) & 0x0FFFFFFF;
    }
    keys[round] = permute((uint64_t{c} << 28) | d, 56, kPC2);
  }
  return keys;
}

// The crypt(3) alphabet: "." 0, "/" 1, digits 2..11, capitals 12..37, small letters 38..63.
char to_alphabet(unsigned v) {
  if (v < 2) return static_cast<char>('.' + v);
  if (v < 12) return static_cast<char>('0' + v - 2);
  if (v < 38) return static_cast<char>('A' + v - 12);
  return static_cast<char>('a' + v - 38);
}

// The value of a salt character; characters outside the alphabet go through the
// same arithmetic, and only their six low bits count.
unsigned salt_value(char32_t c) {
  int64_t v = c;
  if (v > 'Z') v -= 6;
  if (v > '9') v -= 7;
  v -= '.';
  return static_cast<unsigned>(v & 63);
}

}  // namespace

std::string crypt(std::string_view key, std::string_view salt) {
  // Key: eight bytes, each the character's low seven bits moved up by one.
  uint64_t key_bits = 0;
  const std::u32string key_chars = ToCodePoints(key);
  for (size_t i = 0; i < 8; ++i) {
    const uint64_t byte = i < key_chars.size() ? ((key_chars[i] & 0xFF) << 1) & 0xFF : 0;
    key_bits = (key_bits << 8) | byte;
  }
  const std::array<uint64_t, 16> keys = key_schedule(key_bits);

  std::u32string salt_chars = ToCodePoints(salt).substr(0, 2);
  if (salt_chars.empty()) salt_chars = U"..";
  if (salt_chars.size() == 1) salt_chars += salt_chars[0];

  // Salt bit j of character k exchanges entries i = 6k + j and i + 24 of E, which
  // is the same as exchanging those bits of the expansion's output. Entry i is
  // bit 47 - i of the 48-bit output, so its partner is bit 23 - i.
  uint64_t swap_mask = 0;
  for (int k = 0; k < 2; ++k) {
    const unsigned v = salt_value(salt_chars[k]);
    for (int j = 0; j < 6; ++j) {
      if ((v >> j) & 1) swap_mask |= uint64_t{1} << (23 - (6 * k + j));
    }
  }

  // The initial permutation of the zero block is the zero block.
  uint32_t left = 0;
  uint32_t right = 0;
  for (int encryption = 0; encryption < 25; ++encryption) {
    for (int round = 0; round < 16; ++round) {
      uint64_t e = kExpansion.by_byte[0][right >> 24] | kExpansion.by_byte[1][(right >> 16) & 0xFF] |
                   kExpansion.by_byte[2][(right >> 8) & 0xFF] | kExpansion.by_byte[3][right & 0xFF];
      const uint64_t t = ((e >> 24) ^ e) & swap_mask;
      e ^= t | (t << 24);
      e ^= keys[round];
      uint32_t f = 0;
      for (int k = 0; k < 8; ++k) f |= kSP.box[k][(e >> (42 - 6 * k)) & 63];
      const uint32_t next = left ^ f;
      left = right;
      right = next;
    }
    // The output of one encryption, R16 L16, is the next one's input after IP.
    std::swap(left, right);
  }
  const uint64_t block = permute((uint64_t{left} << 32) | right, 64, kFP);

  std::string result = FromCodePoints(salt_chars);
  for (int i = 0; i < 10; ++i) result += to_alphabet(static_cast<unsigned>(block >> (58 - 6 * i)) & 63);
  result += to_alphabet(static_cast<unsigned>(block & 15) << 2);
  return result;
}

}  // namespace zpk
