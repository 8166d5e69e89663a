// The Pi commands and PicSave: thin adapters over the header reader, the decoder, the
// placement and the picture writer.
#include <algorithm>
#include <cstring>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/refresh_win.h"
#include "host/results.h"
#include "pi/decode.h"
#include "pi/header.h"
#include "pi/picture_save.h"
#include "pi/place.h"
#include "pi/state.h"

namespace qv::pi {

namespace {

constexpr int32_t kNoPalette = -4;  // the system refused a palette screen's new palette

// The memory source: the variable's storage, read in place, its first dimension long.
struct Memory {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

Memory memory_source() {
    if (!settings.memory_source) return {};
    return {host::ptr<const uint8_t>(settings.memory_source->data),
            host::first_dimension_room32(*settings.memory_source)};
}

// The header from the file, or from the memory source.
int32_t read_header(bool from_memory, const char* path, PiFormat& format, int32_t& width, int32_t& height) {
    if (!from_memory) return read_pi_header_file(path, format, width, height);
    Memory m = memory_source();
    return parse_pi_header(m.data, std::min(m.size, kBlockSize), format, width, height);
}

// Loads from the file, or from the memory source when path is null.
int32_t load(host::BMSCR* record, const char* path, int32_t mode, char* colours) {
    const bool from_memory = path == nullptr;
    int32_t r = read_header(from_memory, path, settings.format, settings.pi_width, settings.pi_height);
    if (r != 0) return r - 1;
    if (settings.pi_width < 3 || settings.pi_width > 8192) return -1;
    Memory m = from_memory ? memory_source() : Memory{};
    Screen screen = host::screen_view(*record);
    const bool at_cursor = (mode & 0xF0) != 0;
    PiShape shape{settings.pi_width, settings.pi_height, settings.format.colour_count,
                  settings.format.data_offset, placed_rows(screen, at_cursor, settings.pi_height)};
    IndexBuffer indexes;
    r = DecodePi(path, m.data, m.size, shape, indexes);
    if (r != 0) return r;
    // A palette screen's palette is installed before the indexes go in: when the system
    // refuses it, the screen is left as it was.
    if (record->palette_mode) {
        if (!host::InstallPalette(*record, 256, settings.format.palette)) return kNoPalette;
        if (colours) std::memcpy(colours, settings.format.palette, 768);
    }
    PlacePi(screen, at_cursor, indexes.pixels(), shape.width, shape.rows_needed, settings.format.palette,
            settings.transparent);
    if ((mode & 0x0F) == 0) host::RedrawScreen(*record);
    return 0;
}

int32_t info(host::PVAL* var, const char* path, bool from_memory) {
    if (var->type != host::kInteger) return host::kErrVarType;
    if (host::first_dimension_elements(*var) < 2) return host::kErrRange;
    if (from_memory && !settings.memory_source) return host::kErrNoSetting;
    int32_t* data = host::ptr<int32_t>(var->data);
    return read_header(from_memory, path, settings.format, data[0], data[1]);
}

}  // namespace

int32_t PiLoad(host::BMSCR* screen, const char* path, int32_t mode, char* colours) {
    settings.memory_source = nullptr;
    if (!path) return -3;  // as a file that cannot be opened
    return load(screen, path, mode, colours);
}

int32_t PiLoadMem(host::BMSCR* screen, int32_t mode, int32_t, char* colours) {
    if (!settings.memory_source) return -1;
    return load(screen, nullptr, mode, colours);
}

int32_t SetPiMem(host::PVAL* var, int32_t clear, int32_t, int32_t) {
    if (var->len[1] == 0) return host::kErrRange;
    settings.memory_source = clear ? nullptr : var;
    return 0;
}

int32_t PiInfo(host::PVAL* var, const char* path, int32_t, int32_t) { return info(var, path, false); }

int32_t PiInfoMem(host::PVAL* var, int32_t, int32_t, int32_t) { return info(var, nullptr, true); }

int32_t PicSave(host::BMSCR* screen, const char* file_name, int32_t kind, int32_t format) {
    return save_picture(host::screen_view(*screen), file_name, kind, format);
}

}  // namespace qv::pi
