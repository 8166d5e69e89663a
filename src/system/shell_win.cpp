// The user's shell folders from the registry, environment variables and the command line,
// into string variables.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "command_decls.h"
#include "host/pointers.h"
#include "host/results.h"
#include "system/command_line.h"

namespace qv::system {

namespace {

class Key {
public:
    Key(HKEY parent, const char* name) : open_(RegOpenKeyExA(parent, name, 0, KEY_READ, &key_) == ERROR_SUCCESS) {}
    ~Key() {
        if (open_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return open_; }
    HKEY get() const { return key_; }

    // The value as text (at most 4095 bytes, always terminated), or false.
    bool read(const char* name, char (&out)[4096]) const {
        DWORD size = sizeof out - 1;
        if (!open_ || RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS)
            return false;
        out[std::min<DWORD>(size, sizeof out - 1)] = 0;
        return true;
    }

private:
    HKEY key_ = nullptr;
    bool open_;
};

}  // namespace

int32_t GetShellDir(host::PVAL* var, int32_t folder, int32_t, int32_t) {
    static const char* const kFolders[] = {"Desktop", "Start Menu", "Programs", "Startup", "SendTo", "Recent", "Favorites"};
    if (var->type != host::kString) return host::kErrVarType;
    if (var->len[1] < 1) return host::kErrRange;
    Key user(HKEY_CURRENT_USER, nullptr);
    if (!user) return 0;
    Key explorer(user.get(), "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
    if (!explorer) return 0;
    Key expandable(explorer.get(), "User Shell Folders"), plain(explorer.get(), "Shell Folders");
    const int32_t opened = (expandable ? 1 : 0) | (plain ? 2 : 0);
    if (!opened) return -65535;
    const char* name = kFolders[folder >= 0 && folder <= 6 ? folder : 0];
    char value[4096];
    if (!expandable.read(name, value) && !plain.read(name, value)) return -65536 - 4 * opened;
    return host::status(int32_t(ExpandEnvironmentStringsA(value, host::ptr<char>(var->data), DWORD(host::first_dimension_room(*var)))));
}

int32_t GetEnvVar(host::PVAL* var, const char* name, int32_t, int32_t) {
    if (var->type != host::kString) return host::kErrVarType;
    if (var->len[1] < 1) return host::kErrRange;
    // "%name%" in a work buffer of 4100 bytes: a name of more than 4097 bytes is refused.
    char text[4100];
    const size_t n = name ? strnlen(name, 4098) : 0;
    if (!name || n > 4097) return host::kErrRange;
    text[0] = '%';
    std::memcpy(text + 1, name, n);
    text[n + 1] = '%';
    text[n + 2] = 0;
    return host::status(int32_t(ExpandEnvironmentStringsA(text, host::ptr<char>(var->data), DWORD(host::first_dimension_room(*var)))));
}

int32_t GetCmdLine(host::PVAL* var, int32_t mode, int32_t, int32_t) {
    if (var->type != host::kString) return host::kErrVarType;
    const uint32_t room = DWORD(host::first_dimension_room(*var));
    if (room == 0) return 0;  // no storage: nothing to write
    // At most 10243 bytes of the line, and never more than the variable holds with its zero.
    const char* line = GetCommandLineA();
    const size_t n = strnlen(line, std::min<size_t>(10243, room - 1));
    const size_t start = argument_start(line, n, mode);
    char* out = host::ptr<char>(var->data);
    std::memmove(out, line + start, n - start);
    out[n - start] = 0;
    return 0;
}

}  // namespace qv::system
