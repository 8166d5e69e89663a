// Message boxes and the standard open and save dialogs, owned by the saved parent window
// when it still exists; and the file mask that filters the next dialog.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "command_decls.h"
#include "host/pointers.h"
#include "system/settings.h"
#include "window/parent_win.h"

namespace qv::system {

namespace {

// "All (*.*)" in Japanese (Shift-JIS), then the pattern: the filter when no mask is set.
constexpr char kDefaultFilter[] = "\x91\x53\x82\xC4 (*.*)\0*.*\0";

int32_t file_dialog(host::PVAL* var, const char* default_ext, DWORD flags, bool save) {
    const HWND owner = window::owner_window();
    var->type = host::kString;
    const uint64_t room = host::first_dimension_room(*var);
    if (room < 260) return -260;
    char* file = host::ptr<char>(var->data);
    file[room - 1] = 0;  // the initial name ends inside the buffer
    OPENFILENAMEA ofn{};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // 76 bytes
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = settings.mask_set ? settings.mask : kDefaultFilter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = DWORD(std::min<uint64_t>(room, UINT32_MAX));
    ofn.lpstrDefExt = default_ext;
    ofn.Flags = flags;
    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    settings.mask_set = false;  // a mask serves one dialog
    if (!chosen) return -1;
    InvalidateRect(owner, nullptr, TRUE);
    return 0;
}

}  // namespace

int32_t SetFileMask(host::PVAL* var, int32_t pairs, int32_t, int32_t) {
    var->type = host::kString;
    const size_t width = host::first_dimension_bytes(*var);
    const uint64_t held = width ? host::var_view(*var).capacity / width : 0;
    const size_t count = size_t(std::min<uint64_t>(var->len[2], held)) & ~size_t(1);
    if (count < 2) return -1;
    const size_t used = pairs > 0 && 2 * uint64_t(pairs) < count ? 2 * size_t(pairs) : count;
    // A text longer than the mask's 4128 bytes is refused, the earlier mask kept.
    if (!build_filter(host::ptr<const char>(var->data), width, used, settings.mask)) return -2;
    settings.mask_set = true;
    return 0;
}

int32_t FileMaskFree(int32_t, int32_t, int32_t, int32_t) {
    if (!settings.mask_set) return -1;
    settings.mask_set = false;
    return 0;
}

int32_t GetOpenFile(host::PVAL* var, const char* default_ext, int32_t, int32_t) {
    return file_dialog(var, default_ext, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON, false);
}

int32_t GetSaveFile(host::PVAL* var, const char* default_ext, int32_t options, int32_t) {
    DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_NONETWORKBUTTON;
    if (options & 1) flags |= OFN_CREATEPROMPT;
    if (options & 2) flags |= OFN_OVERWRITEPROMPT;
    return file_dialog(var, default_ext, flags, true);
}

int32_t ExDialog(const char* text, const char* caption, int32_t style, int32_t default_button) {
    static constexpr UINT kIcons[] = {0, MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONQUESTION, MB_ICONERROR, 0, 0, 0};
    static constexpr UINT kButtons[] = {MB_OK,    MB_OKCANCEL,         MB_RETRYCANCEL, MB_YESNO,
                                        MB_YESNOCANCEL, MB_ABORTRETRYIGNORE, MB_OK,          MB_OK};
    UINT flags = kIcons[style & 7] | kButtons[(style >> 4) & 7];
    if (default_button == 2) flags |= MB_DEFBUTTON2;
    if (default_button == 3) flags |= MB_DEFBUTTON3;
    switch (MessageBoxA(window::owner_window(), text, caption, flags)) {
        case IDOK: return -1;
        case IDYES: return -2;
        case IDNO: return -3;
        case IDCANCEL: return -4;
        case IDABORT: return -5;
        case IDIGNORE: return -6;
        case IDRETRY: return -7;
        default: return 0;
    }
}

}  // namespace qv::system
