// The exported commands: one stdcall thunk of four 32-bit words per row of the command
// table. This is the only place where an argument word becomes a pointer. The export
// list (quorvel.def, written by the build from the same table) publishes each thunk under
// its decorated name _Name@16.
#include <cstdint>

#include "command_decls.h"
#include "host/results.h"

static_assert(sizeof(void*) == 4, "the exports are for the 32-bit host");

namespace {

template <qv::Kind K>
qv::Arg<K> from_word(int32_t word) {
    if constexpr (K == qv::Kind::INT || K == qv::Kind::NONE) {
        return word;
    } else {
        return reinterpret_cast<qv::Arg<K>>(uintptr_t(uint32_t(word)));
    }
}

}  // namespace

// The host cannot catch a C++ exception: none leaves a thunk. No command is known to let one
// out (their memory comes from host/memory.h, which answers null); one that did is a fault of
// the library's, answered with a status of its own that the tests and the runner report.
#define CMD(name, folder, a1, a2, a3, a4, concepts, summary)                                   \
    extern "C" int32_t __stdcall name(int32_t w1, int32_t w2, int32_t w3, int32_t w4) noexcept { \
        try {                                                                                   \
            return qv::folder::name(from_word<qv::Kind::a1>(w1), from_word<qv::Kind::a2>(w2),   \
                                    from_word<qv::Kind::a3>(w3), from_word<qv::Kind::a4>(w4));  \
        } catch (...) {                                                                         \
            return qv::host::kEscapedException;                                                 \
        }                                                                                       \
    }
#include "commands.h"
#undef CMD
