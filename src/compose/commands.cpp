// The keyed-copy and blending commands: thin adapters that check their arguments in the
// documented order, build the rectangles and call the pixel work.
#include "command_decls.h"
#include "compose/blend.h"
#include "compose/settings.h"
#include "host/pointers.h"
#include "host/results.h"
#include "host/screen_table.h"

namespace qv::compose {

namespace {

int32_t remember(Remembered& r, host::BMSCR* screen, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= screen->width || y >= screen->height) return host::kErrRange;
    r = {screen, x, y};
    return 0;
}

// The table screen's checks: -2 none, -3 the destination itself.
int32_t table_screen(host::BMSCR* dst, host::BMSCR*& table) {
    table = host::current_table_screen();
    if (!table) return -2;
    if (table == dst) return -3;
    return 0;
}

// Cuts w and h so that the rectangles at d (in dst) and s (in src) both fit.
void cut_to_fit(const Screen& dst, Point d, const Screen& src, Point s, int32_t& w, int32_t& h) {
    if (int64_t(d.x) + w > dst.width) w = dst.width - d.x;
    if (int64_t(d.y) + h > dst.height) h = dst.height - d.y;
    if (int64_t(s.x) + w > src.width) w = src.width - s.x;
    if (int64_t(s.y) + h > src.height) h = src.height - s.y;
}

int32_t keyed_copy(host::BMSCR* dst, int32_t w, int32_t h, bool blend) {
    if (!settings.key.screen || !settings.org.screen) return -1;
    // The source is the host's record as it is now: the script may have re-created that
    // screen in palette mode since SetOrgScr, and its bytes are then no colours.
    if (dst->palette_mode || settings.org.screen->palette_mode) return host::kErrVarType;
    const Screen d = host::screen_view(*dst), k = host::screen_view(*settings.key.screen),
                 s = host::screen_view(*settings.org.screen);
    // Rectangles must fit on the right and at the bottom; a negative position (which the
    // setting commands never store, but the destination's cursor may hold) is refused too.
    if (d.cursor_x < 0 || d.cursor_y < 0 || int64_t(d.cursor_x) + w > d.width || int64_t(d.cursor_y) + h > d.height ||
        int64_t(settings.key.x) + w > k.width || int64_t(settings.key.y) + h > k.height ||
        int64_t(settings.org.x) + w > s.width || int64_t(settings.org.y) + h > s.height)
        return host::kErrRange;
    if (h < 1 || w < 1) return 0;
    copy_through_key(d, {d.cursor_x, d.cursor_y}, s, {settings.org.x, settings.org.y}, k,
                     {settings.key.x, settings.key.y}, w, h, blend);
    return 0;
}

// GShade and GDiff: the table screen read from its own position.
template <class Work>
int32_t with_table(host::BMSCR* dst, int32_t w, int32_t h, bool table_must_be_full_colour, Work work) {
    host::BMSCR* table = nullptr;
    if (int32_t r = table_screen(dst, table)) return r;
    if (dst->palette_mode || (table_must_be_full_colour && table->palette_mode)) return host::kRefused;
    const Screen d = host::screen_view(*dst), s = host::screen_view(*table);
    const Point dp = inside_or_zero(d, d.cursor_x, d.cursor_y), sp = inside_or_zero(s, s.cursor_x, s.cursor_y);
    cut_to_fit(d, dp, s, sp, w, h);
    if (h < 1 || w < 1) return 0;
    work(d, dp, s, sp, w, h);
    return 0;
}

int32_t auto_bits(host::BMSCR* dst, int32_t value, int32_t channels, BitOp op) {
    const Screen d = host::screen_view(*dst);
    if (value < 0 || value > 255 || int64_t(d.cursor_y) + d.area_height > d.height ||
        int64_t(d.cursor_x) + d.area_width > d.width || d.area_width == 0 || d.area_height == 0)
        return host::kErrRange;
    // A negative position or size would reach outside the buffer: refused as well.
    if (d.cursor_x < 0 || d.cursor_y < 0 || d.area_width < 0 || d.area_height < 0) return host::kErrRange;
    bitwise(d, {d.cursor_x, d.cursor_y}, d.area_width, d.area_height, uint8_t(value), channels, op);
    return 0;
}

}  // namespace

int32_t SetKeyScr(host::BMSCR* key, int32_t x, int32_t y, int32_t) { return remember(settings.key, key, x, y); }

int32_t SetOrgScr(host::BMSCR* source, int32_t x, int32_t y, int32_t) {
    if (x < 0 || y < 0 || x >= source->width || y >= source->height) return host::kErrRange;
    if (source->palette_mode) return host::kErrVarType;
    return remember(settings.org, source, x, y);
}

int32_t GCopyKey(host::BMSCR* dst, int32_t w, int32_t h, int32_t) { return keyed_copy(dst, w, h, false); }
int32_t GCopyKey2(host::BMSCR* dst, int32_t w, int32_t h, int32_t) { return keyed_copy(dst, w, h, true); }

int32_t GMergeParam(int32_t dst_weight, int32_t src_weight, int32_t x, int32_t y) {
    settings.dst_weight = dst_weight;
    settings.src_weight = src_weight;
    settings.merge_x = x < 0 ? 0 : x;
    settings.merge_y = y < 0 ? 0 : y;
    return 0;
}

int32_t GMerge(host::BMSCR* dst, int32_t w, int32_t h, int32_t) {
    host::BMSCR* table = nullptr;
    if (int32_t r = table_screen(dst, table)) return r;
    if (dst->palette_mode || table->palette_mode) return host::kRefused;
    const Screen d = host::screen_view(*dst), s = host::screen_view(*table);
    const Point dp = inside_or_zero(d, d.cursor_x, d.cursor_y);
    // An origin outside the table screen is set back to 0 for good.
    if (settings.merge_x < 0 || settings.merge_x >= s.width) settings.merge_x = 0;
    if (settings.merge_y < 0 || settings.merge_y >= s.height) settings.merge_y = 0;
    const Point sp{settings.merge_x, settings.merge_y};
    cut_to_fit(d, dp, s, sp, w, h);
    if (h < 1 || w < 1) return 0;
    merge(d, dp, s, sp, w, h, settings.dst_weight, settings.src_weight);
    return 0;
}

int32_t GShade(host::BMSCR* dst, int32_t w, int32_t h, int32_t strength) {
    if (strength < 1 || strength > 256) strength = 2;
    return with_table(dst, w, h, false, [&](const Screen& d, Point dp, const Screen& s, Point sp, int32_t cw, int32_t ch) {
        shade(d, dp, s, sp, cw, ch, strength);
    });
}

int32_t GDiff(host::BMSCR* dst, int32_t w, int32_t h, int32_t factor) {
    if (factor < 1 || factor > 255) factor = 2;
    return with_table(dst, w, h, true, [&](const Screen& d, Point dp, const Screen& s, Point sp, int32_t cw, int32_t ch) {
        difference(d, dp, s, sp, cw, ch, factor);
    });
}

int32_t GAutoAnd(host::BMSCR* dst, int32_t value, int32_t channels, int32_t) { return auto_bits(dst, value, channels, BitOp::And); }
int32_t GAutoOr(host::BMSCR* dst, int32_t value, int32_t channels, int32_t) { return auto_bits(dst, value, channels, BitOp::Or); }
int32_t GAutoExor(host::BMSCR* dst, int32_t value, int32_t channels, int32_t) { return auto_bits(dst, value, channels, BitOp::Xor); }

}  // namespace qv::compose
