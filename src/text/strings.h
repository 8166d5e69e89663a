// The string helpers behind the string commands: fast ASCII case, byte counting, hex
// parsing, quotient formatting and path parts. Text is Shift-JIS: a double-byte character is
// never split, and its second byte is never taken for an ASCII character.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::text {

// Makes ASCII letters upper (or lower) case in a zero-terminated string of `size` bytes,
// skipping double-byte characters; the last byte is set to zero first.
void change_case_fast(char* s, size_t size, bool upper);

// The decimal text of v ("-" when negative), terminated; returns its length. out: 12 bytes.
size_t format_decimal(int32_t v, char* out);

// Hex2Int's reading of a text: 0 and the value, or -255 for a signed value out of range.
int32_t parse_hex(const char* text, int32_t& value);

// Writes `part` of a Windows path (1 drive, 2 name without extension, 3 extension, else the
// directory with its final backslash) into out, a buffer of `size` bytes that is cleared
// first. 0, -255 (the part is absent) or -16 (it does not fit).
int32_t path_part(const char* path, int32_t part, char* out, size_t size);

}  // namespace qv::text
