// The WebP commands through the DLL's exports: the corpus tests/data/make_webps.py makes
// loaded in every mode against dwebp's decode, each source of the same stream, the refusals
// with the screen left as it was, and WebpSave read back.
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/pointers.h"
#include "host_fixture.h"
#include "png/modes.h"
#include "pnm.h"

namespace qv::test {
namespace {

using testing::testdata;

struct CorpusFile {
    std::string name;
    int32_t width, height, alpha;
};

std::vector<CorpusFile> corpus() {
    std::vector<CorpusFile> files;
    std::ifstream index(testdata("webp/index.txt"));
    CorpusFile f;
    while (index >> f.name >> f.width >> f.height >> f.alpha) files.push_back(f);
    return files;
}

HostVar var_with(const std::string& bytes) {
    HostVar v = HostVar::text(uint32_t(bytes.size()) + 8);
    std::memcpy(v.data(), bytes.data(), bytes.size());
    return v;
}

// What a pixel of the picture (RGBA from dwebp) over `under` gives in each mode.
Bgr expected(const uint8_t* rgba, Bgr under, int32_t mode) {
    const Bgr colour{rgba[2], rgba[1], rgba[0]};
    const uint8_t a = rgba[3];
    switch (mode) {
        case 0: return {png::over(rgba[2], under.b, a), png::over(rgba[1], under.g, a), png::over(rgba[0], under.r, a)};
        case 1: return colour;
        case 2: return a >= 128 ? colour : under;
        default: return {a, a, a};
    }
}

// Each file of the corpus in each mode, at (2, 1) of a patterned screen two pixels larger on
// every side, against dwebp's RGBA; and its size and alpha from the size query.
TEST(WebpCommands, EveryCorpusFileLoadsAsDwebpDecodesIt) {
    const std::vector<CorpusFile> files = corpus();
    ASSERT_GE(files.size(), 90u) << "the corpus is made by scripts/testdata";
    for (const CorpusFile& f : files) {
        const std::string path = testdata("webp/" + f.name + ".webp");
        const testing::Pnm pam = testing::read_pam(testdata("webp/" + f.name + ".pam"));
        ASSERT_TRUE(pam.ok()) << f.name;
        HostVar size = HostVar::ints(3);
        ASSERT_EQ(call("WebpSize", size.record(), path.c_str(), 0), 0) << f.name;
        EXPECT_EQ(size.ints()[0], f.width) << f.name;
        EXPECT_EQ(size.ints()[1], f.height) << f.name;
        EXPECT_EQ(size.ints()[2], f.alpha) << f.name;
        for (int32_t mode = 0; mode <= 3; ++mode) {
            HostScreen s(f.width + 4, f.height + 4, false);
            s.fill_pattern(uint32_t(mode + 3));
            s.set_cursor(2, 1);
            const std::vector<uint8_t> old = s.bytes();
            ASSERT_EQ(call("WebpLoad", s.record(), path.c_str(), mode, 0), 0) << f.name;
            int wrong = 0;
            for (int32_t y = 0; y < s.height(); ++y)
                for (int32_t x = 0; x < s.width(); ++x) {
                    const size_t at = size_t(s.at(x, y) - s.bits());
                    const Bgr under{old[at], old[at + 1], old[at + 2]};
                    const bool inside = x >= 2 && y >= 1 && x < 2 + f.width && y < 1 + f.height;
                    const Bgr want = inside ? expected(&pam.data[(size_t(y - 1) * f.width + (x - 2)) * 4], under, mode) : under;
                    wrong += !(s.pixel(x, y) == want);
                }
            EXPECT_EQ(wrong, 0) << f.name << " mode " << mode;
        }
    }
}

// The same stream from a file at an offset, a variable (by count and whole) and an archive,
// into a screen that cuts it at its right and bottom edges; the size queries agree.
TEST(WebpCommands, EverySourceGivesTheSamePicture) {
    reload_library();  // the pack archive is process-wide: this test's is opened in a fresh library
    TempDir dir;
    const std::string webp = read_file(testdata("webp/sprite-alpha.webp"));
    ASSERT_FALSE(webp.empty());
    const std::string prefixed = dir.file("prefixed.bin"), archive = dir.file("pics.dpm"), plain = dir.file("s.webp");
    ASSERT_TRUE(write_file(plain, webp));
    ASSERT_TRUE(write_file(prefixed, std::string(123, 'x') + webp + "trailing"));
    ASSERT_TRUE(write_file(archive, archive_of({{"other.bin", "abc"}, {"s.webp", webp}})));
    HostVar bytes = var_with(webp + "trailing bytes");
    std::string locator = archive + ",0";
    HostScreen first(60, 40, false);
    first.fill_pattern(5);
    first.set_cursor(20, 10);
    ASSERT_EQ(call("WebpLoad", first.record(), plain.c_str(), 0, 0), 0);
    for (int source = 0; source < 4; ++source) {
        HostScreen s(60, 40, false);
        s.fill_pattern(5);
        s.set_cursor(20, 10);
        std::string loc = locator;
        const int32_t r = source == 0   ? call("WebpLoad", s.record(), prefixed.c_str(), 0, 123)
                          : source == 1 ? call("WebpLoadMem", s.record(), bytes.record(), 0, int32_t(webp.size()))
                          : source == 2 ? call("WebpLoadMem", s.record(), bytes.record(), 0, 0)
                                        : call("WebpLoadDpm", s.record(), "S.WEBP", 0, loc.data());
        EXPECT_EQ(r, 0) << "source " << source;
        EXPECT_EQ(s.bytes(), first.bytes()) << "source " << source;
    }
    for (int query = 0; query < 3; ++query) {
        HostVar size = HostVar::ints(3);
        size.ints()[0] = size.ints()[1] = size.ints()[2] = -9;
        std::string loc = locator;
        const int32_t r = query == 0   ? call("WebpSize", size.record(), prefixed.c_str(), 123)
                          : query == 1 ? call("WebpSizeMem", size.record(), bytes.record(), 0)
                                       : call("WebpSizeDpm", size.record(), "s.webp", 0, loc.data());
        EXPECT_EQ(r, 0) << "query " << query;
        EXPECT_EQ(std::vector<int32_t>(size.ints(), size.ints() + 3), (std::vector<int32_t>{97, 61, 1})) << "query " << query;
    }
    reload_library();
}

// Each refusal gives its listed result and leaves the screen as it was; the size queries
// answer 0 x 0 and write no third element into a variable of two.
TEST(WebpCommands, RefusalsLeaveTheScreenAsItWas) {
    TempDir dir;
    const std::string webp = read_file(testdata("webp/sprite-lossless.webp"));
    std::string damaged = webp;
    for (size_t i = 40; i < damaged.size(); i += 7) damaged[i] = char(~damaged[i]);
    // A lossless header for 16383 x 16383, well formed as far as the headers go.
    const uint32_t bits = 16382u | 16382u << 14 | 1u << 28;
    const std::string chunk = "\x2F" + le32(bits) + std::string(16, '\0');
    const std::string huge = "RIFF" + le32(uint32_t(12 + chunk.size())) + "WEBPVP8L" + le32(uint32_t(chunk.size())) + chunk;
    struct Case {
        const char* what;
        std::string bytes;
        int32_t load, size;
    } cases[] = {
        {"cut short", webp.substr(0, webp.size() - 9), -2, 0},  // the headers still read
        {"damaged body", damaged, -2, 0},
        {"not WebP", std::string(300, 'z'), -2, -2},
        {"too large", huge, -3, -3},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("c.webp");
        ASSERT_TRUE(write_file(path, c.bytes));
        HostScreen s(30, 20, false);
        s.fill_pattern(9);
        const std::vector<uint8_t> before = s.bytes();
        EXPECT_EQ(call("WebpLoad", s.record(), path.c_str(), 0, 0), c.load) << c.what;
        HostVar mem = var_with(c.bytes);
        EXPECT_EQ(call("WebpLoadMem", s.record(), mem.record(), 1, int32_t(c.bytes.size())), c.load) << c.what;
        EXPECT_EQ(s.bytes(), before) << c.what;
        HostVar size = HostVar::ints(2);
        EXPECT_EQ(call("WebpSize", size.record(), path.c_str(), 0), c.size == 0 ? 0 : c.size) << c.what;
    }
    // The too-large stream's size is still reported; a variable of two elements, whose
    // storage ends where a page that cannot be touched begins, gets no third.
    const std::string path = dir.file("huge.webp");
    ASSERT_TRUE(write_file(path, huge));
    GuardedVar two(host::kInteger, "qv-guard");
    host::PVAL* record = two.record();
    EXPECT_EQ(call("WebpSize", record, path.c_str(), 0), -3);
    const int32_t* got = host::ptr<const int32_t>(record->data);
    EXPECT_EQ(got[0], 16383);
    EXPECT_EQ(got[1], 16383);
    // Arguments: a palette screen, a mode out of range, no file, an offset past the end, a
    // variable of text.
    HostScreen pal(30, 20, true);
    const std::vector<uint8_t> before = pal.bytes();
    const std::string good = dir.file("good.webp");
    ASSERT_TRUE(write_file(good, webp));
    EXPECT_EQ(call("WebpLoad", pal.record(), good.c_str(), 1, 0), -255);
    EXPECT_EQ(pal.bytes(), before);
    HostScreen s(30, 20, false);
    EXPECT_EQ(call("WebpLoad", s.record(), good.c_str(), 4, 0), 3);
    EXPECT_EQ(call("WebpLoad", s.record(), dir.file("none.webp").c_str(), 0, 0), -1);
    EXPECT_EQ(call("WebpLoad", s.record(), good.c_str(), 0, int32_t(webp.size()) + 1), -2);
    HostVar text = HostVar::text(16);
    EXPECT_EQ(call("WebpSize", text.record(), good.c_str(), 0), -255);
}

// WebpSave's files read back: lossless exactly (a full-colour area cut at the screen's
// edges, and a palette screen's colours), lossy close and smaller; the settings' refusals
// change nothing.
TEST(WebpCommands, SavedPicturesReadBack) {
    TempDir dir;
    const std::string path = dir.file("saved.webp");
    HostScreen from(90, 50, false);
    from.fill_pattern(21);
    from.set_cursor(30, 20);
    ASSERT_EQ(call("WebpParam", 90, 1, 6), 0);
    ASSERT_EQ(call("WebpParam", 101, 0, 4), 3);  // refused: lossless stays
    ASSERT_EQ(call("WebpParam", 50, 0, 7), 3);
    ASSERT_EQ(call("WebpSave", from.record(), path.c_str(), 1000, 1000), 0);  // cut to 60 x 30
    HostVar size = HostVar::ints(3);
    ASSERT_EQ(call("WebpSize", size.record(), path.c_str(), 0), 0);
    EXPECT_EQ(std::vector<int32_t>(size.ints(), size.ints() + 3), (std::vector<int32_t>{60, 30, 0}));
    HostScreen back(60, 30, false);
    ASSERT_EQ(call("WebpLoad", back.record(), path.c_str(), 1, 0), 0);
    int differ = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 60; ++x) differ += !(back.pixel(x, y) == from.pixel(30 + x, 20 + y));
    EXPECT_EQ(differ, 0);
    const size_t lossless_size = read_file(path).size();

    HostScreen pal(40, 30, true);
    pal.fill_pattern(4);
    ASSERT_EQ(call("WebpSave", pal.record(), path.c_str(), 40, 30), 0);
    HostScreen colours(40, 30, false);
    ASSERT_EQ(call("WebpLoad", colours.record(), path.c_str(), 1, 0), 0);
    differ = 0;
    const uint8_t* table = pal.view().palette;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const uint8_t* q = table + 4 * *pal.at(x, y);
            differ += !(colours.pixel(x, y) == Bgr{q[0], q[1], q[2]});
        }
    EXPECT_EQ(differ, 0);

    ASSERT_EQ(call("WebpParam", 30, 0, 4), 0);
    ASSERT_EQ(call("WebpSave", from.record(), path.c_str(), 60, 30), 0);
    EXPECT_LT(read_file(path).size(), lossless_size / 2);
    ASSERT_EQ(call("WebpLoad", back.record(), path.c_str(), 1, 0), 0);

    // An area past WebP's largest side, an empty one, a file that cannot be made.
    HostScreen wide(16384, 1, false);
    EXPECT_EQ(call("WebpSave", wide.record(), path.c_str(), 16384, 1), -3);
    EXPECT_EQ(call("WebpSave", from.record(), path.c_str(), 0, 5), -2);
    EXPECT_EQ(call("WebpSave", from.record(), dir.file("no\\such\\folder.webp").c_str(), 5, 5), -1);
    ASSERT_EQ(call("WebpParam", 80, 0, 4), 0);
}

}  // namespace
}  // namespace qv::test
