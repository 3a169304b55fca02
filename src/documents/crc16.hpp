// CRC-16/CCITT-FALSE of a text, as report layouts append it to close a payload
// (for instance a payment QR code). Each character counts with its low byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zpk {

// The CRC-16/CCITT-FALSE (polynomial 0x1021, initial 0xFFFF, no reflection, no
// final XOR) of the low bytes of the characters of `S`; 0xFFFF for an empty text.
uint16_t CRC16CCITT(std::string_view S);

// `S` followed by its CRC16CCITT in four upper-case hexadecimal digits.
std::string CalculaCRC16(std::string_view S);

}  // namespace zpk
