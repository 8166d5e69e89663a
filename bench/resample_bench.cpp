// Resampling benchmark: Resample's filters on the shrinks and enlargements a script makes
// (a 24-megapixel photograph to 1920 x 1080, 12 megapixels to a 200-pixel thumbnail, a
// 1920 x 1080 screen doubled), next to OpenCV's cv::resize (INTER_AREA, INTER_LINEAR) and
// libvips' vips_resize (kernel lanczos3) on the same pictures, every library on all cores;
// and a thumbnail of a 24-megapixel JPEG file (scaled decode, then Resample) next to
// vips_thumbnail of the same file. Times are the median of 7 runs, in milliseconds.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vips/vips.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "compose/resample.h"
#include "jpeg/decode.h"
#include "simd/parallel.h"

namespace {

using namespace qv;

double median_ms(const std::function<void()>& f) {
    std::vector<double> t;
    f();  // warm: threads, caches, OpenCV's and libvips' start-up
    for (int i = 0; i < 7; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[3];
}

// A photograph-like picture: smooth colour with a camera's noise, in a screen's layout.
struct Picture {
    std::vector<uint8_t> bytes;
    Screen screen;
    cv::Mat mat;  // the same pixels top-down, for OpenCV and libvips
    Picture(int32_t w, int32_t h) {
        screen.width = w, screen.height = h;
        bytes.resize(screen.size_bytes());
        screen.pixels = bytes.data();
        mat.create(h, w, CV_8UC3);
        uint32_t s = 7;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = screen.at(x, y);
                for (int c = 0; c < 3; ++c) {
                    s = s * 1103515245u + 12345u;
                    p[c] = uint8_t((x * (c + 1) / 17 + y / (c + 5)) % 200 + (s >> 27));
                }
                std::memcpy(mat.ptr<uint8_t>(y) + 3 * x, p, 3);
            }
    }
};

void row(const char* what, double ours, const char* peer, double theirs, double goal) {
    std::printf("| %-34s | %8.2f | %-32s | %8.2f | %5.2f | <= %.2f |\n", what, ours, peer, theirs, ours / theirs, goal);
}

void resample_rows() {
    Picture big(6000, 4000), mid(4000, 3000), screen(1920, 1080);
    Picture out_hd(1920, 1080), out_thumb(200, 150), out_double(3840, 2160);
    auto ours = [](Picture& from, Picture& to, compose::Filter f) {
        return median_ms([&] {
            compose::resample(from.screen, {0, 0, from.screen.width, from.screen.height}, to.screen, {0, 0},
                              to.screen.width, to.screen.height, f);
        });
    };
    auto cv_ms = [](Picture& from, Picture& to, int how) {
        cv::Mat out;
        return median_ms([&] { cv::resize(from.mat, out, cv::Size(to.screen.width, to.screen.height), 0, 0, how); });
    };
    auto vips_ms = [](Picture& from, Picture& to) {
        return median_ms([&] {
            VipsImage* in = vips_image_new_from_memory(from.mat.data, from.mat.total() * 3, from.mat.cols,
                                                       from.mat.rows, 3, VIPS_FORMAT_UCHAR);
            VipsImage* out = nullptr;
            vips_resize(in, &out, double(to.screen.width) / from.mat.cols, "vscale",
                        double(to.screen.height) / from.mat.rows, "kernel", VIPS_KERNEL_LANCZOS3, nullptr);
            size_t size = 0;
            g_free(vips_image_write_to_memory(out, &size));
            g_object_unref(out);
            g_object_unref(in);
        });
    };
    std::printf("| job | Resample ms | peer | peer ms | ratio | goal |\n|---|---|---|---|---|---|\n");
    row("area, 24 MP to 1920 x 1080", ours(big, out_hd, compose::Filter::kArea), "cv::resize INTER_AREA",
        cv_ms(big, out_hd, cv::INTER_AREA), 1.0);
    row("area, 12 MP to 200 x 150", ours(mid, out_thumb, compose::Filter::kArea), "cv::resize INTER_AREA",
        cv_ms(mid, out_thumb, cv::INTER_AREA), 1.0);
    row("bilinear, 1920 x 1080 doubled", ours(screen, out_double, compose::Filter::kBilinear),
        "cv::resize INTER_LINEAR", cv_ms(screen, out_double, cv::INTER_LINEAR), 1.0);
    row("Lanczos-3, 24 MP to 1920 x 1080", ours(big, out_hd, compose::Filter::kLanczos), "vips_resize lanczos3",
        vips_ms(big, out_hd), 0.5);
}

// A 200-pixel-wide thumbnail of a JPEG file: decoded at 1/8 of its size (libjpeg's DCT
// scaling, into a screen of 1/64 of the full-size one), then Lanczos-3; next to
// vips_thumbnail, which shrinks on load the same way.
void thumbnail_row(const char* path) {
    int32_t w = 0, h = 0;
    const jpeg::LoadOptions eighth{8, true, false};
    if (jpeg::ProbeJpegFile(path, 0, w, h) != jpeg::kDone) return (void)std::printf("no %s\n", path);
    const int32_t full_w = w, full_h = h;
    jpeg::ProbeJpegFile(path, 0, w, h, eighth);
    Screen small, thumb;
    small.width = w, small.height = h;
    std::vector<uint8_t> small_bytes(small.size_bytes());
    small.pixels = small_bytes.data();
    thumb.width = 200, thumb.height = int32_t(int64_t(200) * h / w);
    std::vector<uint8_t> thumb_bytes(thumb.size_bytes());
    thumb.pixels = thumb_bytes.data();
    const double ours = median_ms([&] {
        jpeg::JpegTarget t = jpeg::SetJpegTarget(small);
        jpeg::DecodeJpegFile(path, 0, 0, t, eighth);
        compose::resample(small, {0, 0, w, h}, thumb, {0, 0}, thumb.width, thumb.height, compose::Filter::kLanczos);
    });
    const double vips = median_ms([&] {
        VipsImage* out = nullptr;
        vips_thumbnail(path, &out, 200, nullptr);
        size_t size = 0;
        g_free(vips_image_write_to_memory(out, &size));
        g_object_unref(out);
    });
    char what[96];
    std::snprintf(what, sizeof what, "thumbnail, %d x %d JPEG to 200 wide", full_w, full_h);
    row(what, ours, "vips_thumbnail", vips, 0.7);
    std::printf("(the decoded screen: %d x %d, 1/%.0f of the full-size one)\n", w, h,
                double(full_w) * full_h / (double(w) * h));
}

}  // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0])) return 1;
    std::printf("threads: %d\n", simd::thread_count());
    resample_rows();
    if (argc > 1) thumbnail_row(argv[1]);
    vips_shutdown();
    return 0;
}
