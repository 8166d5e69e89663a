// The memory-source commands. libjpeg reads files, so the script's bytes go through a
// temporary file, "_QV_TMP_.TMP" in the user's temporary folder, which exists only while
// one of these commands runs: it is deleted on every path once it has been written.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "command_decls.h"
#include "host/pointers.h"
#include "jpeg/adapters.h"
#include "jpeg/decode.h"
#include "jpeg/settings.h"

namespace qv::jpeg {

namespace {

constexpr DWORD kTempDirChars = 1024;
constexpr char kTempName[] = "_QV_TMP_.TMP";

struct TempFile {
    char path[kTempDirChars + sizeof kTempName];
};

// Writes the memory source into the temporary file and clears the source. -1: no source;
// -2: the file cannot be made (the source stays set); 0: written.
int32_t write_temp_file(TempFile& temp) {
    if (!settings.memory_source) return -1;
    DWORD n = GetTempPathA(kTempDirChars, temp.path);
    if (n == 0 || n >= kTempDirChars) return -2;
    std::memcpy(temp.path + n, kTempName, sizeof kTempName);
    std::FILE* f = std::fopen(temp.path, "wb");
    if (!f) return -2;
    const uint8_t* data = host::ptr<const uint8_t>(settings.memory_source->data);
    std::fwrite(data, 1, settings.memory_bytes, f);
    std::fclose(f);
    settings.memory_source = nullptr;
    settings.memory_bytes = 0;
    return 0;
}

}  // namespace

int32_t JpegLoadMem(host::BMSCR* screen, int32_t flags, int32_t, int32_t) {
    if (screen->palette_mode) return -255;
    TempFile temp;
    if (int32_t r = write_temp_file(temp)) return r;
    JpegTarget target = SetJpegTarget(host::screen_view(*screen));
    int32_t status = DecodeJpegFile(temp.path, flags, 0, target);
    DeleteFileA(temp.path);
    return -status;
}

int32_t JpegSizeMem(host::PVAL* var, int32_t, int32_t, int32_t) {
    if (var->type != host::kInteger) return -255;
    TempFile temp;
    if (int32_t r = write_temp_file(temp)) return r;
    int32_t result = size_query(var, temp.path, 0);
    DeleteFileA(temp.path);
    return result;
}

int32_t GetJpegCommentMem(host::PVAL* var, int32_t kind, int32_t, int32_t) {
    if (var->type != host::kString) return 3;
    TempFile temp;
    if (int32_t r = write_temp_file(temp)) return r;
    int32_t result = comment_query(var, temp.path, kind, 0);
    DeleteFileA(temp.path);
    return result;
}

}  // namespace qv::jpeg
