// Shortcut files through the system's shell link object: properties staged by the setting
// commands, written by CreateShortCut, and read back one at a time by GetShortCutParam.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "command_decls.h"
#include "host/memory.h"
#include "host/pointers.h"
#include "host/results.h"
#include "system/settings.h"

namespace qv::system {

namespace {

Shortcut& staged() { return settings.shortcut; }

// Stages a string variable, its last byte made a zero as scripts expect of it. A variable
// without storage cannot be staged.
int32_t stage_text(host::PVAL* var, host::PVAL*& slot) {
    if (slot) return -1;
    if (var->type != host::kString) return host::kErrVarType;
    const uint64_t room = host::first_dimension_room(*var);
    if (room == 0) return host::kErrVarType;
    host::ptr<char>(var->data)[room - 1] = 0;
    slot = var;
    return 0;
}

// A staged text as its variable holds it now, ended at its storage's end whatever the script
// wrote over the last byte since. Null when the variable is no longer a string variable with
// storage, or no memory for the copy can be had.
host::Buffer<char> staged_text(const host::PVAL* var) {
    if (var->type != host::kString) return nullptr;
    const uint64_t room = host::first_dimension_room(*var);
    if (room == 0 || room >= SIZE_MAX) return nullptr;
    host::Buffer<char> text = host::allocate<char>(size_t(room) + 1);
    if (!text) return nullptr;
    const char* data = host::ptr<const char>(var->data);
    const size_t n = strnlen(data, size_t(room));
    std::memcpy(text.get(), data, n);
    text[n] = 0;
    return text;
}

// COM for one command: uninitialised only when this initialisation succeeded (the host's
// thread may already have COM in another mode).
class Com {
public:
    Com() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~Com() {
        if (initialised_) CoUninitialize();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;

private:
    bool initialised_;
};

template <class I>
class Ref {
public:
    Ref() = default;
    ~Ref() {
        if (p_) p_->Release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    I** out() { return &p_; }
    I* operator->() const { return p_; }
    I* get() const { return p_; }

private:
    I* p_ = nullptr;
};

// The link file's name for IPersistFile; false when it does not fit 260 characters (it is
// then refused rather than cut into another path).
bool wide_name(const char* name, wchar_t (&out)[MAX_PATH]) {
    return name && MultiByteToWideChar(CP_ACP, 0, name, -1, out, MAX_PATH) > 0;
}

}  // namespace

int32_t SetShortCutParam(host::PVAL* var, int32_t hotkey, int32_t use_hotkey, int32_t) {
    if (int32_t r = stage_text(var, staged().working_dir)) return r;
    staged().hotkey = use_hotkey >= 1 ? uint16_t(hotkey) : 0;
    staged().hotkey_staged = use_hotkey >= 1;
    return 0;
}

int32_t SetShortCutArg(host::PVAL* var, int32_t, int32_t, int32_t) { return stage_text(var, staged().arguments); }

int32_t SetShortCutIcon(host::PVAL* var, int32_t icon_index, int32_t, int32_t) {
    if (int32_t r = stage_text(var, staged().icon_file)) return r;
    staged().icon_index = icon_index < 0 ? 0 : icon_index;
    return 0;
}

int32_t SetShortCutShow(int32_t show, int32_t, int32_t, int32_t) {
    if (show < 0) return -1;
    staged().show = show == 1 ? SW_SHOWMINNOACTIVE : (show == 2 ? SW_SHOWMAXIMIZED : SW_SHOW);
    return 0;
}

int32_t FreeShortCutParam(int32_t, int32_t, int32_t, int32_t) {
    staged() = {};
    return 0;
}

int32_t CreateShortCut(const char* target, const char* link_file, int32_t, int32_t) {
    const Shortcut s = staged();
    staged() = {};  // gone whatever happens
    wchar_t name[MAX_PATH];
    if (!wide_name(link_file, name)) return -1;
    // A staged text that cannot be read as one is refused rather than left out: the shortcut
    // would not be the one the script asked for.
    host::Buffer<char> dir, arguments, icon;
    if ((s.working_dir && !(dir = staged_text(s.working_dir))) ||
        (s.arguments && !(arguments = staged_text(s.arguments))) ||
        (s.icon_file && !(icon = staged_text(s.icon_file))))
        return -1;
    Com com;
    Ref<IShellLinkA> link;
    HRESULT last = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                    IID_IShellLinkA, reinterpret_cast<void**>(link.out()));
    if (SUCCEEDED(last)) {
        link->SetPath(target);
        if (dir) link->SetWorkingDirectory(dir.get());
        if (arguments) link->SetArguments(arguments.get());
        if (icon) link->SetIconLocation(icon.get(), s.icon_index);
        if (s.show != -1) link->SetShowCmd(s.show);
        if (s.hotkey_staged) link->SetHotkey(s.hotkey);
        Ref<IPersistFile> file;
        last = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()));
        if (SUCCEEDED(last)) last = file->Save(name, TRUE);
    }
    return SUCCEEDED(last) ? 0 : -1;
}

int32_t GetShortCutParam(host::PVAL* var, const char* link_file, int32_t what, int32_t) {
    const size_t n = link_file ? std::strlen(link_file) : 0;
    if (n < 6) return -256;
    const char* ext = link_file + n - 4;
    if (ext[0] != '.' || (ext[1] | 0x20) != 'l' || (ext[2] | 0x20) != 'n' || (ext[3] | 0x20) != 'k') return -257;
    // The hotkey takes four integers: a smaller variable is refused before anything is done.
    const Var v = host::var_view(*var);
    if (what == 3 && v.capacity < 16) return -2;
    wchar_t name[MAX_PATH];
    if (!wide_name(link_file, name)) return -1;  // a name that does not fit is no file to load
    Com com;
    Ref<IShellLinkA> link;
    HRESULT last = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                    IID_IShellLinkA, reinterpret_cast<void**>(link.out()));
    if (FAILED(last)) return -16;
    Ref<IPersistFile> file;
    last = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()));
    if (FAILED(last)) return -16;
    if (FAILED(file->Load(name, STGM_READ))) return -1;
    var->type = host::kString;
    char* text = host::ptr<char>(var->data);
    const uint64_t room = host::first_dimension_room(*var);
    const int limit = int(std::min<uint64_t>(room ? room - 1 : 0, INT32_MAX));
    if (what != 3 && limit < 1) return -16;  // no room for a single character
    int icon = 0;
    WORD hotkey = 0;
    switch (what) {
        case 1: last = link->GetArguments(text, limit); break;
        case 2: last = link->GetWorkingDirectory(text, limit); break;
        case 3:
            var->type = host::kInteger;
            last = link->GetHotkey(&hotkey);
            if (SUCCEEDED(last)) {
                int32_t* out = v.ints();
                out[0] = hotkey & 0xFF;
                out[1] = (hotkey >> 8 & HOTKEYF_SHIFT) ? 1 : 0;
                out[2] = (hotkey >> 8 & HOTKEYF_CONTROL) ? 1 : 0;
                out[3] = (hotkey >> 8 & HOTKEYF_ALT) ? 1 : 0;
            }
            break;
        case 4: last = link->GetIconLocation(text, limit, &icon); break;
        case 5:
            last = link->GetIconLocation(text, limit, &icon);
            var->type = host::kInteger;
            v.ints()[0] = icon;
            break;
        default: {
            WIN32_FIND_DATAA found;
            last = link->GetPath(text, limit, &found, 0);
            break;
        }
    }
    return FAILED(last) ? -16 : 0;
}

}  // namespace qv::system
