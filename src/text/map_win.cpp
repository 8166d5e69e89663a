// The string commands that map text by the user's locale through LCMapStringA: width, kana
// and case, so that full-width letters and kana change too.
#include <windows.h>

#include <cstring>
#include <memory>

#include "command_decls.h"
#include "host/memory.h"
#include "host/pointers.h"
#include "host/results.h"

namespace qv::text {

namespace {

// mode bits 1 full width, 2 half width, 4 hiragana, 8 katakana, 16 lower, 32 upper; none
// of them: full width.
DWORD map_flags(int32_t mode) {
    static const DWORD flags[6] = {LCMAP_FULLWIDTH, LCMAP_HALFWIDTH, LCMAP_HIRAGANA,
                                   LCMAP_KATAKANA,  LCMAP_LOWERCASE, LCMAP_UPPERCASE};
    if ((mode & 63) == 0) mode = 1;
    DWORD f = 0;
    for (int i = 0; i < 6; ++i)
        if (mode & (1 << i)) f |= flags[i];
    return f;
}

// Maps `source` (with its terminator) into the variable's storage. 0, 3 or -1.
int32_t map_into(host::PVAL* var, const char* source, int32_t mode) {
    const size_t length = source ? std::strlen(source) : 0;
    Var v = host::var_view(*var);
    if (length == 0 || v.capacity < 1) return host::kErrRange;
    const int size = v.capacity > 0x7FFFFFFF ? 0x7FFFFFFF : int(v.capacity);
    const int n = LCMapStringA(GetUserDefaultLCID(), map_flags(mode), source, int(length) + 1, v.chars(), size);
    return n == 0 ? -1 : 0;
}

int32_t change_case(host::PVAL* var, int32_t mode) {
    if (var->type != host::kString) return host::kErrVarType;
    Var v = host::var_view(*var);
    // The mapping reads a copy: source and destination must not overlap.
    const size_t size = size_t(v.capacity);
    host::Buffer<char> copy = host::allocate<char>(size + 4);
    if (!copy) return -1;
    const size_t length = strnlen(v.chars(), size);
    std::memcpy(copy.get(), v.chars(), length);
    copy[length] = 0;
    return map_into(var, copy.get(), mode);
}

}  // namespace

int32_t MapStr(host::PVAL* var, const char* source, int32_t mode, int32_t) {
    if (var->type != host::kString) return host::kErrVarType;
    return map_into(var, source, mode);
}

int32_t UpperCase(host::PVAL* var, int32_t, int32_t, int32_t) { return change_case(var, 32); }
int32_t LowerCase(host::PVAL* var, int32_t, int32_t, int32_t) { return change_case(var, 16); }

}  // namespace qv::text
