// The C++ type each argument kind of the command table becomes. A command function takes
// these types; only the exported thunks turn the host's 32-bit words into them.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace qv {

enum class Kind { NONE, INT, STR, WSTR, SCR, VAR, PTR };

template <Kind> struct ArgOf { using type = int32_t; };  // INT and NONE
template <> struct ArgOf<Kind::STR> { using type = const char*; };
template <> struct ArgOf<Kind::WSTR> { using type = char*; };
template <> struct ArgOf<Kind::SCR> { using type = host::BMSCR*; };
template <> struct ArgOf<Kind::VAR> { using type = host::PVAL*; };
template <> struct ArgOf<Kind::PTR> { using type = char*; };

template <Kind K> using Arg = typename ArgOf<K>::type;

// The terms of docs/concepts.md a command's reference row links to (the command table's
// concepts column).
enum Concept : unsigned { POS = 1, CLIP = 2, COPY = 4, TABLE = 8, MODES = 16, SETTINGS = 32, SCALING = 64 };

}  // namespace qv
