// Compositing and geometry benchmark: the rotation, flips, scrolls, merge, keyed copy and
// blend, and bitwise work on a 4000 x 3000 full-colour screen, in megapixels a second,
// next to memcpy and (native build, preset bench) OpenCV's nearest operations on the same
// picture, single-threaded. The 32-bit build runs the same under Wine without OpenCV.
#ifdef QV_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "compose/blend.h"
#include "compose/geometry.h"
#include "host/sine_table.h"
#include "simd/parallel.h"

namespace {

using namespace qv;
using namespace qv::compose;
constexpr int32_t W = 4000, H = 3000;

double median_of(std::vector<uint8_t>& buf, const std::vector<uint8_t>& picture, const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < 5; ++i) {
        if (!picture.empty()) std::memcpy(buf.data(), picture.data(), picture.size());
        auto t0 = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[2];
}

// Our time on one thread and on all the cores the library splits large pictures over.
struct Ours {
    double one, all;
};

Ours ours_of(std::vector<uint8_t>& buf, const std::vector<uint8_t>& picture, const std::function<void()>& f) {
    simd::force_parts(1);
    const double one = median_of(buf, picture, f);
    simd::force_parts(0);
    return {one, median_of(buf, picture, f)};
}

// ratio = ours on all cores / the other.
void row(const char* name, Ours ours, const char* other_name, double other) {
    std::printf("| %-18s | %8.1f | %8.1f | %5.2f | %-30s | %8.1f | %5.2f |\n", name, ours.one * 1e3, ours.all * 1e3,
                ours.one / ours.all, other_name, other * 1e3, ours.all / other);
}

}  // namespace

int main() {
    const size_t bytes = size_t((3 * W + 3) & ~3) * H;
    std::vector<uint8_t> picture(bytes), a(bytes), b(bytes), k(bytes);
    uint32_t s = 1;
    for (auto& v : picture) v = uint8_t((s = s * 1103515245u + 12345u) >> 16);
    std::memcpy(b.data(), picture.data(), bytes);
    for (size_t i = 0; i < bytes; ++i) k[i] = uint8_t(i % 7 == 0 ? 0 : 200);
    Screen sa, sb, sk;
    for (Screen* sc : {&sa, &sb, &sk}) {
        sc->width = W;
        sc->height = H;
    }
    sa.pixels = a.data();
    sb.pixels = b.data();
    sk.pixels = k.data();
    std::vector<uint8_t> copy(bytes), none;
    const double memcpy_s = median_of(copy, none, [&] { std::memcpy(copy.data(), picture.data(), bytes); });
    Rotation r;
    r.centre_x = W / 2;
    r.centre_y = H / 2;
    host::sine_table();
    std::printf("4000 x 3000 full colour; medians of 5; memcpy of the screen %.2f ms. Ours on one thread and\n"
                "split over %d; ratio = ours on all / other", memcpy_s * 1e3, simd::thread_count());
#ifdef QV_WITH_OPENCV
    std::printf(" (OpenCV with its default %d threads)", cv::getNumThreads());
#endif
    std::printf("\n\n| %-18s | %8s | %8s | %5s | %-30s | %8s | %5s |\n|---|---|---|---|---|---|---|\n", "command",
                "1 thr ms", "all ms", "gain", "against", "ms", "ratio");
    const Ours rot = ours_of(a, picture, [&] { rotate(sa, {0, 0}, W, H, sb, {0, 0}, W, H, 30, r); });
    const Ours flip_h = ours_of(a, picture, [&] { flip_columns(sa, {0, 0}, W, H); });
    const Ours flip_v = ours_of(a, picture, [&] { flip_rows(sa, {0, 0}, W, H); });
    const Ours up = ours_of(a, picture, [&] { move_rows(sa, 1, H - 1, -1, true); });
    const Ours left = ours_of(a, picture, [&] { move_in_rows(sa, {0, 0}, W, H, -8, true); });
    const Ours mer = ours_of(a, picture, [&] { merge(sa, {0, 0}, sb, {0, 0}, W, H, 512, 512); });
    const Ours key = ours_of(a, picture, [&] { copy_through_key(sa, {0, 0}, sb, {0, 0}, sk, {0, 0}, W, H, false); });
    const Ours key2 = ours_of(a, picture, [&] { copy_through_key(sa, {0, 0}, sb, {0, 0}, sk, {0, 0}, W, H, true); });
    const Ours xr = ours_of(a, picture, [&] { bitwise(sa, {0, 0}, W, H, 0x5A, 7, BitOp::Xor); });
#ifdef QV_WITH_OPENCV
    cv::Mat mat(H, W, CV_8UC3, picture.data()), out, mat2 = mat.clone();
    const double cx = W / 2.0, cy = H / 2.0, rad = 30 * 3.14159265358979 / 180;
    cv::Mat m = (cv::Mat_<double>(2, 3) << std::cos(rad), -std::sin(rad), cx - cx * std::cos(rad) + cy * std::sin(rad),
                 std::sin(rad), std::cos(rad), cy - cx * std::sin(rad) - cy * std::cos(rad));
    row("GRot 30", rot, "cv::warpAffine nearest", median_of(copy, none, [&] { cv::warpAffine(mat, out, m, mat.size(), cv::INTER_NEAREST); }));
    row("Flip_H", flip_h, "cv::flip horizontal", median_of(copy, none, [&] { cv::flip(mat, out, 1); }));
    row("Flip_V", flip_v, "cv::flip vertical", median_of(copy, none, [&] { cv::flip(mat, out, 0); }));
    row("GMerge 512/512", mer, "cv::addWeighted", median_of(copy, none, [&] { cv::addWeighted(mat, 0.5, mat2, 0.5, 0, out); }));
    row("GCopyKey2", key2, "cv::addWeighted", median_of(copy, none, [&] { cv::addWeighted(mat, 0.5, mat2, 0.5, 0, out); }));
#else
    row("GRot 30", rot, "memcpy", memcpy_s);
    row("Flip_H", flip_h, "memcpy", memcpy_s);
    row("Flip_V", flip_v, "memcpy", memcpy_s);
    row("GMerge 512/512", mer, "memcpy", memcpy_s);
    row("GCopyKey2", key2, "memcpy", memcpy_s);
#endif
    row("GUscroll 1 row", up, "memcpy", memcpy_s);
    row("GLscroll 8 px", left, "memcpy", memcpy_s);
    row("GCopyKey", key, "memcpy", memcpy_s);
    row("GAutoExor", xr, "memcpy", memcpy_s);
    return 0;
}
