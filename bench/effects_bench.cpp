// Effects benchmark: every effect of the colour, filter and block commands on a 4000 x 3000
// full-colour screen (the whole screen as the rectangle), in megapixels a second, next to
// the nearest OpenCV operation on the same picture and a plain memcpy of the screen, in the
// same run. Native build (preset bench): the core's functions and OpenCV. The 32-bit
// Windows build of the same program (run under Wine by scripts/bench) has no OpenCV: it
// times the same functions, compiled as in the DLL, against memcpy only.
#ifdef QV_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <emmintrin.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/area.h"
#include "effects/blocks.h"
#include "effects/colour.h"
#include "effects/filters.h"
#include "host/views.h"
#include "simd/parallel.h"

namespace {

using namespace qv;
using namespace qv::effects;
using Clock = std::chrono::steady_clock;

constexpr int32_t W = 4000, H = 3000;
constexpr int kReps = 5;

// Our time on one thread and on all the cores the library splits large pictures over.
struct Ours {
    double one, all;
};

// Times f over a fresh copy of the picture each run (the copy is not timed); the median.
double time_once(std::vector<uint8_t>& screen, const std::vector<uint8_t>& picture, const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < kReps; ++i) {
        std::memcpy(screen.data(), picture.data(), picture.size());
        auto t0 = Clock::now();
        f();
        t.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

Ours time_on(std::vector<uint8_t>& screen, const std::vector<uint8_t>& picture, const std::function<void()>& f) {
    simd::force_parts(1);
    const double one = time_once(screen, picture, f);
    simd::force_parts(0);
    return {one, time_once(screen, picture, f)};
}

double time_plain(const std::function<void()>& f) {
    std::vector<double> t;
    f();
    for (int i = 0; i < kReps; ++i) {
        auto t0 = Clock::now();
        f();
        t.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// ratio = ours on all cores / the other.
void row(const char* name, Ours ours, const char* other_name, double other) {
    std::printf("| %-22s | %8.1f | %8.1f | %5.2f | %-28s | %8.1f | %5.2f |\n", name, ours.one * 1e3, ours.all * 1e3,
                ours.one / ours.all, other_name, other * 1e3, ours.all / other);
}

}  // namespace

int main() {
    // A photo-like picture: smooth light, texture and noise.
    std::vector<uint8_t> picture(size_t((3 * W + 3) & ~3) * H);
    uint32_t s = 1;
    Screen view;
    view.width = W;
    view.height = H;
    view.pixels = picture.data();
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            s = s * 1103515245u + 12345u;
            int n = int((s >> 16) % 16) - 8;
            uint8_t* p = view.at(x, y);
            p[0] = uint8_t(std::clamp(int(110 + 90 * std::sin(x / 300.0) + n), 0, 255));
            p[1] = uint8_t(std::clamp(int(120 + 80 * std::cos(y / 250.0 + x / 900.0) + n), 0, 255));
            p[2] = uint8_t(std::clamp(int(130 + 70 * std::sin((x + y) / 400.0) + n), 0, 255));
        }
    std::vector<uint8_t> screen(picture.size());
    view.pixels = screen.data();
    const Rect all{0, 0, W, H};

    std::vector<uint8_t> copy(picture.size());
    const double memcpy_s = time_plain([&] { std::memcpy(copy.data(), picture.data(), picture.size()); });

    int32_t wide[49];
    for (int i = 0; i < 49; ++i) wide[i] = (i % 5) - 1;  // every tap used, some negative
    // Nijimi's matrix 1 (style 0x11: its 5 x 5 part), as the command runs it: by rows and
    // columns, (4, 8, 16, 32, 16, 8, 4) down times (1, 2, 4, 8, 4, 2, 1) across, less 1 at
    // the centre.
    const int32_t down[7] = {4, 8, 16, 32, 16, 8, 4}, across[7] = {1, 2, 4, 8, 4, 2, 1};
    std::printf("4000 x 3000 full colour, the whole screen; medians of %d runs. Ours on one thread and split\n"
                "over %d (QUORVEL_THREADS or the processors); ratio = ours on all / other", kReps, simd::thread_count());
#ifdef QV_WITH_OPENCV
    std::printf(" (OpenCV with its default %d threads)", cv::getNumThreads());
#endif
    std::printf("\n\n| %-22s | %8s | %8s | %5s | %-28s | %8s | %5s |\n", "effect", "1 thr ms", "all ms", "gain",
                "against", "ms", "ratio");
    std::printf("|---|---|---|---|---|---|---|\n");
#ifdef QV_WITH_OPENCV
    // OpenCV's picture: the same pixels, top-down, no row padding.
    cv::Mat mat(H, W, CV_8UC3), out;
    for (int32_t y = 0; y < H; ++y) std::memcpy(mat.ptr(y), picture.data() + view.offset(0, y), size_t(W) * 3);
    auto kernel = [&](int k) {
        cv::Mat m(2 * k + 1, 2 * k + 1, CV_32F);
        for (int dy = -k; dy <= k; ++dy)
            for (int dx = -k; dx <= k; ++dx) m.at<float>(dy + k, dx + k) = float(wide[7 * (3 + dy) + 3 + dx]) / 9.0f;
        return m;
    };
    cv::Mat hsv;
    const double hsv_round = time_plain([&] {
        cv::cvtColor(mat, hsv, cv::COLOR_BGR2HSV);
        cv::cvtColor(hsv, out, cv::COLOR_HSV2BGR);
    });
    for (int k = 1; k <= 3; ++k) {
        char name[32], other[40];
        std::snprintf(name, sizeof name, "GMatrix %dx%d", 2 * k + 1, 2 * k + 1);
        std::snprintf(other, sizeof other, "cv::filter2D %dx%d", 2 * k + 1, 2 * k + 1);
        cv::Mat kk = kernel(k);
        row(name, time_on(screen, picture, [&] { convolve(view, all, wide, 9, k); }), other,
            time_plain([&] { cv::filter2D(mat, out, -1, kk); }));
    }
    int32_t blur[49];
    for (int i = 0; i < 49; ++i) blur[i] = down[i / 7] * across[i % 7] - (i == 24 ? 1 : 0);
    cv::Mat bk(5, 5, CV_32F);
    float total = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) total += float(blur[7 * (3 + dy) + 3 + dx]);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) bk.at<float>(dy + 2, dx + 2) = float(blur[7 * (3 + dy) + 3 + dx]) / total;
    row("Nijimi 5x5", time_on(screen, picture, [&] { separable_blur(view, all, down, across, 1, 2); }), "cv::filter2D normalised 5x5",
        time_plain([&] { cv::filter2D(mat, out, -1, bk); }));
    row("Median 3x3", time_on(screen, picture, [&] { median(view, all, 0, -255); }), "cv::medianBlur 3",
        time_plain([&] { cv::medianBlur(mat, out, 3); }));
    row("ToneChange -1, 40", time_on(screen, picture, [&] { tone_change(view, all, 40, -1); }), "cvtColor HSV round trip",
        hsv_round);
    row("NoiseLD 20", time_on(screen, picture, [&] { noise_brightness(view, all, 20); }), "cvtColor HSV round trip",
        hsv_round);
    row("Monotone 30, 100", time_on(screen, picture, [&] { monotone(view, all, 30, 100); }), "cvtColor HSV round trip",
        hsv_round);
    row("HalfTone 7", time_on(screen, picture, [&] { half_tone(view, all, 7, {10, 20, 30}, 40); }), "cv::addWeighted",
        time_plain([&] { cv::addWeighted(mat, 0.6, mat, 0.4, 0.0, out); }));
#else
    for (int k = 1; k <= 3; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "GMatrix %dx%d", 2 * k + 1, 2 * k + 1);
        row(name, time_on(screen, picture, [&] { convolve(view, all, wide, 9, k); }), "memcpy", memcpy_s);
    }
    row("Nijimi 5x5", time_on(screen, picture, [&] { separable_blur(view, all, down, across, 1, 2); }), "memcpy", memcpy_s);
    row("Median 3x3", time_on(screen, picture, [&] { median(view, all, 0, -255); }), "memcpy", memcpy_s);
    row("ToneChange -1, 40", time_on(screen, picture, [&] { tone_change(view, all, 40, -1); }), "memcpy", memcpy_s);
    row("NoiseLD 20", time_on(screen, picture, [&] { noise_brightness(view, all, 20); }), "memcpy", memcpy_s);
#endif
    // The floor for an effect that rewrites every byte in place: one pass over the buffer
    // in the order of memory, 255 - v, 16 bytes at a time (a byte loop is what -O2 leaves
    // it, three to ten times slower).
    row("in-place byte pass", time_on(screen, picture, [&] {
            uint8_t* p = view.pixels;
            const size_t n = view.size_bytes();
            const __m128i ones = _mm_set1_epi8(-1);
            size_t i = 0;
            for (; i + 16 <= n; i += 16) {
                __m128i* q = reinterpret_cast<__m128i*>(p + i);
                _mm_storeu_si128(q, _mm_xor_si128(_mm_loadu_si128(q), ones));
            }
            for (; i < n; ++i) p[i] = uint8_t(255 - p[i]);
        }), "memcpy", memcpy_s);
    const int32_t tol[3] = {30, 30, 30};
    row("GChangeCol", time_on(screen, picture, [&] { change_colours(view, all, {120, 120, 120}, tol, {1, 2, 3}, {4, 5, 6}, true); }),
        "memcpy", memcpy_s);
    row("HalfTone 7", time_on(screen, picture, [&] { half_tone(view, all, 7, {10, 20, 30}, 40); }), "memcpy", memcpy_s);
    row("Rough 3", time_on(screen, picture, [&] { rough(view, all, 3); }), "memcpy", memcpy_s);
    row("Monotone 30, 100", time_on(screen, picture, [&] { monotone(view, all, 30, 100); }), "memcpy", memcpy_s);
    row("Emboss", time_on(screen, picture, [&] { emboss(view, all); }), "memcpy", memcpy_s);
    row("NoiseCol 20", time_on(screen, picture, [&] { noise_colour(view, all, 20); }), "memcpy", memcpy_s);
    row("Mosaic 8x8", time_on(screen, picture, [&] { mosaic(view, 0, 0, W / 8, H / 8, 8, 8); }), "memcpy", memcpy_s);
    uint8_t perm[64];
    dispersion_permutation(perm);
    row("Disper", time_on(screen, picture, [&] { disperse(view, 0, 0, W / 8, H / 8, perm); }), "memcpy", memcpy_s);
    std::printf("\nmemcpy of the screen (%zu bytes): %.2f ms; starting and joining a thread: %.0f us\n",
                picture.size(), memcpy_s * 1e3, simd::thread_start_cost() / 1e3);
    return 0;
}
