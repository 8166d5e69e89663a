// The Shift-JIS lead-byte test that every text walk of the library shares.
#pragma once

#include <cstdint>

namespace qv::text {

// A byte in 0x81..0x9F or 0xE0..0xFF starts a double-byte character, and the next byte
// belongs to it whatever its value (it may be a backslash or an ASCII letter). Every other
// byte, single-byte katakana included, is a character by itself.
constexpr bool is_lead_byte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || b >= 0xE0; }

}  // namespace qv::text
