#include "documents/crc16.hpp"

#include <array>

#include <fmt/format.h>

#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

constexpr std::array<uint16_t, 256> make_table() {
  std::array<uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    uint16_t crc = static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
    }
    table[byte] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kTable = make_table();

uint16_t update(uint16_t crc, uint8_t byte) {
  return static_cast<uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ byte) & 0xFF]);
}

bool is_ascii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

uint16_t CRC16CCITT(std::string_view S) {
  uint16_t crc = 0xFFFF;
  // A character is one byte in ASCII text; otherwise decode to code points and
  // take their low byte (the Latin-1 byte of an accented letter).
  if (is_ascii(S)) {
    for (char c : S) crc = update(crc, static_cast<uint8_t>(c));
  } else {
    for (char32_t c : ToCodePoints(S)) crc = update(crc, static_cast<uint8_t>(c & 0xFF));
  }
  return crc;
}

std::string CalculaCRC16(std::string_view S) {
  return fmt::format("{}{:04X}", S, CRC16CCITT(S));
}

}  // namespace zpk
