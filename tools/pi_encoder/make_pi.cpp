// qv_make_pi: writes the demo's Pi picture with the test encoder.
//   qv_make_pi OUT.pi   a 256-colour 320 x 200 picture: a colour wheel over bands
#include <cmath>
#include <cstdio>
#include <vector>

#include "pi_encoder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qv_make_pi OUT.pi\n");
        return 2;
    }
    const int w = 320, h = 200;
    qv::pi_encoder::Options o;
    o.palette.resize(768);
    for (int i = 0; i < 256; ++i) {
        double a = i / 256.0 * 6.283185307;
        o.palette[3 * i] = uint8_t(127.5 + 127.5 * std::cos(a));
        o.palette[3 * i + 1] = uint8_t(127.5 + 127.5 * std::cos(a - 2.094));
        o.palette[3 * i + 2] = uint8_t(127.5 + 127.5 * std::cos(a + 2.094));
    }
    o.palette[0] = o.palette[1] = o.palette[2] = 0;  // index 0: black, the demo's transparent colour
    std::vector<uint8_t> px(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = x - w / 2.0, dy = y - h / 2.0;
            int ring = int(std::sqrt(dx * dx + dy * dy)) / 12;
            px[size_t(y) * w + x] = (ring % 3 == 2) ? 0 : uint8_t(1 + (int(std::atan2(dy, dx) * 40) & 0xFF) % 255);
        }
    std::string file = qv::pi_encoder::encode(px, w, h, o);
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "qv_make_pi: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
