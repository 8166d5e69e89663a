// The text commands that need no Win32: trigonometry and the string helpers, as thin
// adapters over the host's variables.
#include <cmath>
#include <cstring>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"
#include "host/sine_table.h"
#include "text/strings.h"
#include "text/trig.h"

namespace qv::text {

namespace {

constexpr double kPi = 3.14159265358979323846;

void store(host::PVAL* var, int32_t value) { host::ptr<int32_t>(var->data)[0] = value; }

// A variable with no room for the one element these commands write is refused (3): nothing
// is ever written past a variable's storage.
bool no_room(host::PVAL* var) { return host::var_view(*var).capacity < 4; }

}  // namespace

int32_t TriFunc(host::PVAL* var, int32_t func, int32_t angle, int32_t scale) {
    host::sine_table();  // built on the first call, whatever its arguments
    if (var->type != host::kInteger) return host::kErrVarType;
    if (angle < -4096 || angle > 4096 || no_room(var)) return host::kErrRange;
    store(var, tri_func(func, angle, scale));
    return 0;
}

int32_t TriFunc2(host::PVAL* var, int32_t func, int32_t angle, int32_t scale) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (angle < -2147483645 || angle > 2147483646 || no_room(var)) return host::kErrRange;
    if (func == 2) {
        if (angle == 900000 || angle == -2700000) return store(var, 2147483647), -1;
        if (angle == -900000 || angle == 2700000) return store(var, -2147483647), -1;
        if (angle == 450000 || angle == 2250000 || angle == -1350000 || angle == -3150000) return store(var, scale), 0;
    }
    const double r = double(angle) * kPi / 1800000.0;
    const double f = func == 1 ? std::cos(r) : func == 2 ? std::tan(r) : std::sin(r);
    store(var, round_by_sign(f * scale, f));
    return 0;
}

int32_t TriFuncA(host::PVAL* var, int32_t func, int32_t value, int32_t scale) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (no_room(var)) return host::kErrRange;
    const double x = double(value) / 1000000.0;
    if (x < -1.0 || x > 1.0) return -1;
    const double t = func == 1 ? std::acos(x) : std::asin(x);
    store(var, round_by_sign(t * scale, t));
    return 0;
}

int32_t GetAngle2(host::PVAL* var, int32_t scale, int32_t, int32_t) {
    if (var->type != host::kInteger) return -1;
    if (host::first_dimension_elements(*var) < 5) return -2;
    const int32_t* d = host::ptr<int32_t>(var->data);
    if (d[3] == d[1]) return -3;
    const double a = std::atan((double(d[4]) - d[2]) / (double(d[3]) - d[1])) * scale * 180.0 / kPi;
    store(var, round_by_sign(a, a));
    return 0;
}

int32_t Root(host::PVAL* var, int32_t value, int32_t scale, int32_t) {
    if (var->type != host::kInteger) return -1;
    if (value < 0) return -2;
    if (no_room(var)) return host::kErrRange;
    store(var, round_by_sign(std::sqrt(double(value)) * scale, 1.0));
    return 0;
}

int32_t UpperCaseF(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kString) return host::kErrVarType;
    Var v = host::var_view(*var);
    change_case_fast(v.chars(), size_t(v.capacity), true);
    return 0;
}

int32_t LowerCaseF(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kString) return host::kErrVarType;
    Var v = host::var_view(*var);
    change_case_fast(v.chars(), size_t(v.capacity), false);
    return 0;
}

int32_t CountChr(host::PVAL* var, int32_t byte, int32_t count, int32_t offset) {
    if (count < 1 || offset < 0) return host::kErrRange;
    Var v = host::var_view(*var);
    const int64_t n = int64_t(offset) + count < int64_t(v.capacity) ? count : int64_t(v.capacity) - offset;
    if (n < 1) return 0;
    const uint8_t target = uint8_t(byte);
    int32_t matches = 0;
    for (const uint8_t *p = v.data + offset, *end = p + n; p < end; ++p) matches += *p == target;
    return host::status(matches);
}

int32_t Hex2Int(host::PVAL* var, const char* text, int32_t, int32_t) {
    if (var->type != host::kInteger) return -1;
    if (no_room(var)) return host::kErrRange;
    int32_t value = 0;
    if (parse_hex(text, value) != 0) return host::kWrongKind;
    store(var, value);
    return 0;
}

int32_t DecimalStr(host::PVAL* var, int32_t a, int32_t b, int32_t) {
    if (var->type != host::kString) return -1;
    if (host::first_dimension_room(*var) < 64) return -2;
    // A division that cannot be made (by 0, or the one quotient beyond 32 bits) is refused
    // and the variable left as it was.
    if (b == 0 || (a == INT32_MIN && b == -1)) return -3;
    char* out = host::ptr<char>(var->data);
    const int32_t q = a / b, r = a - q * b;
    size_t n = format_decimal(q, out);
    out[n++] = '.';
    format_decimal(r, out + n);
    return 0;
}

int32_t NodeExt(host::PVAL* var, const char* path, int32_t part, int32_t) {
    if (var->type != host::kString) return -1;
    return path_part(path ? path : "", part, host::ptr<char>(var->data), host::first_dimension_room(*var));
}

}  // namespace qv::text
