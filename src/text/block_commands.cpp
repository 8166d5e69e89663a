// The memory-block, sorting and channel commands: thin adapters over the host's records.
#include <cstring>
#include <ctime>
#include <cstdlib>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"
#include "text/blocks.h"
#include "text/settings.h"

namespace qv::text {

namespace {

struct Bytes {
    uint8_t* data;
    size_t size;
};

Bytes bytes_of(host::PVAL* var) {
    Var v = host::var_view(*var);
    return {v.data, v.capacity > SIZE_MAX ? SIZE_MAX : size_t(v.capacity)};
}

// Copies count bytes within one buffer, overlapping ranges as a memory move does.
void move_within(uint8_t* data, size_t size, int32_t count, int32_t to, int32_t from) {
    int64_t n = count;
    if (int64_t(from) + n > int64_t(size)) n = int64_t(size) - from;
    if (int64_t(to) + n > int64_t(size)) n = int64_t(size) - to;
    if (n < 1) return;
    std::memmove(data + to, data + from, size_t(n));
}

template <class Op>
int32_t combine_bytes(host::PVAL* var, int32_t count, int32_t offset, Op op) {
    if (count < 1 || offset < 0) return host::kErrRange;
    Bytes b = bytes_of(var);
    const size_t n = limit_range(b.size, offset, count);
    if (n == 0) return 0;  // and the offset may lie past the storage
    for (uint8_t *p = b.data + offset, *end = p + n; p < end; ++p) *p = op(*p);
    return 0;
}

int32_t sort(host::PVAL* var, bool descending) {
    Bytes b = bytes_of(var);
    const size_t n = b.size / 4;
    if (var->type != host::kInteger) return host::kErrVarType;
    if (n < 2) return host::kErrRange;
    stable_sort_keys(reinterpret_cast<int32_t*>(b.data), n, descending, nullptr);
    return 0;
}

int32_t sort_with_companion(host::PVAL* keys, bool descending) {
    const size_t n = bytes_of(keys).size / 4;
    const bool key_dims = keys->uses_dims_record > 0;
    if (key_dims ? (!settings.companion_dims || settings.companion_dims == keys->dims_record)
                 : (!settings.companion || settings.companion == keys))
        return host::kErrRange;
    if (keys->type != host::kInteger) return host::kErrVarType;
    // The companion is read as it is now: the script may have re-dimensioned it to text since
    // BSortSet, and a text's bytes moved as integers would be scrambled.
    if (!settings.companion || settings.companion->type != host::kInteger) return host::kErrRange;
    host::VarSizes sizes = key_dims ? host::VarSizes{host::ptr<uint32_t>(settings.companion_dims)[2],
                                                     host::ptr<uint32_t>(settings.companion_dims)[3]}
                                    : host::VarSizes{settings.companion->len[1], settings.companion->len[2]};
    if (host::capacity(sizes) / 4 != n || n < 2) return host::kErrRange;
    // The dims record remembered may be an earlier companion's: the companion's own storage
    // must hold the n elements the sort will move.
    if (host::var_view(*settings.companion).capacity / 4 < n) return host::kErrRange;
    if (!stable_sort_keys(host::ptr<int32_t>(keys->data), n, descending, host::ptr<int32_t>(settings.companion->data)))
        return host::kOutOfMemory;
    return 0;
}

}  // namespace

int32_t AutoSum(host::PVAL* var, int32_t count, int32_t offset, int32_t kind) {
    if (count < 1 || offset < 0) return host::kErrRange;
    Bytes b = bytes_of(var);
    settings.sum = element_sum(b.data, b.size, count, offset, kind);
    return 0;
}

int32_t GetSum(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (host::var_view(*var).capacity < 4) return host::kErrRange;  // no room for the sum
    host::ptr<int32_t>(var->data)[0] = settings.sum;
    return 0;
}

int32_t BlockCopy(host::PVAL* var, int32_t count, int32_t to, int32_t from) {
    if (count < 1 || to < 0 || from < 0) return host::kErrRange;
    if (to == from) return 0;
    Bytes b = bytes_of(var);
    move_within(b.data, b.size, count, to, from);
    return 0;
}

int32_t SetTrans(host::PVAL* var, int32_t, int32_t, int32_t) {
    settings.transfer = var;
    return 0;
}

int32_t BlockTrans(host::PVAL* var, int32_t count, int32_t to, int32_t from) {
    if (!settings.transfer) return host::kErrNoSetting;
    if (count < 1 || to < 0 || from < 0) return host::kErrRange;
    const Bytes src = bytes_of(var), dst = bytes_of(settings.transfer);
    if (src.data == dst.data) {
        if (to != from) move_within(src.data, src.size, count, to, from);
        return 0;
    }
    int64_t n = count;
    if (int64_t(to) + n > int64_t(dst.size)) n = int64_t(dst.size) - to;
    if (int64_t(from) + n > int64_t(src.size)) n = int64_t(src.size) - from;
    if (n < 1) return 0;
    std::memcpy(dst.data + to, src.data + from, size_t(n));
    return 0;
}

int32_t SlideNum(host::PVAL* var, int32_t offset, int32_t count, int32_t delta) {
    if (offset < 0 || count < 1 || delta < -128 || delta > 128) return -1;
    if (delta == 0) return 0;
    combine_bytes(var, count, offset, [&](uint8_t v) { return uint8_t(v + delta); });
    return 0;
}

int32_t AutoAnd(host::PVAL* var, int32_t count, int32_t offset, int32_t value) {
    return combine_bytes(var, count, offset, [&](uint8_t v) { return uint8_t(v & value); });
}

int32_t AutoOr(host::PVAL* var, int32_t count, int32_t offset, int32_t value) {
    return combine_bytes(var, count, offset, [&](uint8_t v) { return uint8_t(v | value); });
}

int32_t AutoExor(host::PVAL* var, int32_t count, int32_t offset, int32_t value) {
    return combine_bytes(var, count, offset, [&](uint8_t v) { return uint8_t(v ^ value); });
}

int32_t ChkPval(host::PVAL* var, int32_t index, int32_t, int32_t) {
    // The record's leading 16-bit words: type, mode, len[0..4], uses_dims_record. Any other
    // index would read past them: it is refused.
    if (index < -2 || index > 5) return host::kErrRange;
    if (index == -2) return host::status(int32_t(var->type));
    if (index == -1) return host::status(int32_t(var->mode));
    if (index == 5) return host::status(int32_t(var->uses_dims_record));
    return host::status(int32_t(var->len[index]));
}

int32_t BSort(host::PVAL* var, int32_t, int32_t, int32_t) { return sort(var, false); }
int32_t BSortRev(host::PVAL* var, int32_t, int32_t, int32_t) { return sort(var, true); }

int32_t BSortSet(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (host::first_dimension_elements(*var) < 2) return host::kErrRange;
    settings.companion = var;
    if (var->uses_dims_record > 0) settings.companion_dims = var->dims_record;
    return 0;
}

int32_t BSortEx(host::PVAL* var, int32_t, int32_t, int32_t) { return sort_with_companion(var, false); }
int32_t BSortExRev(host::PVAL* var, int32_t, int32_t, int32_t) { return sort_with_companion(var, true); }

int32_t TobRandomize(int32_t, int32_t, int32_t, int32_t) {
    std::srand(unsigned(std::time(nullptr)));
    return 0;
}


}  // namespace qv::text
