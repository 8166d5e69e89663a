// Scaled trigonometry (see trig.h) and the commands that need no host record.
#include "text/trig.h"

#include <cmath>

#include "command_decls.h"
#include "host/results.h"
#include "host/sine_table.h"

namespace qv::text {

namespace {

constexpr double kPi = 3.14159265358979323846;

// (v + 2048) / 4096 with the half rounded away from zero for negative v too.
int32_t scale_down(int64_t v) {
    return int32_t(v >= 0 ? (v + 2048) / 4096 : -((-v + 2048) / 4096));
}

}  // namespace

int32_t tri_func(int32_t func, int32_t degrees, int32_t scale) {
    const int32_t s = host::sine(degrees), c = host::cosine(degrees);
    int64_t f;
    if (func == 1) {
        f = c;
    } else if (func == 2) {
        if (c == 0) return s >= 0 ? 2147483647 : -2147483647;
        f = (int64_t(s) * 4096 + 2048) / c;
    } else {
        f = s;
    }
    return scale_down(f * scale);
}

int32_t round_by_sign(double value, double sign_of) {
    double r = sign_of >= 0 ? value + 0.5 : value - 0.5;
    // Out of the 32-bit range the value is held at its end (a conversion would be undefined).
    if (!(r < 2147483648.0)) return 2147483647;
    if (!(r > -2147483649.0)) return int32_t(-2147483647 - 1);
    return int32_t(r);
}

int32_t GetAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (x1 == x2) return host::kErrRange;
    const double t = (double(y2) - y1) / (double(x2) - x1);
    double a = std::atan(t) * 1800000.0 / kPi;
    if (a < 0) a += 3600000.0;
    return host::status(int32_t(a + 0.5));
}

}  // namespace qv::text
